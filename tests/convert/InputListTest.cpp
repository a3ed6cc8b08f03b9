#include <gtest/gtest.h>

#include "convert/InputList.h"
#include "support/MediaFixture.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(ShortenPath, FoldersGiveWayFromTheFront) {
    auto fitsIn = [](std::size_t width) {
        return [width](const std::string& text) { return text.size() <= width; };
    };
    const std::string path = "/home/user/Videos/holidays/beach.avi";
    EXPECT_EQ(ShortenPath(path, fitsIn(100)), path);
    EXPECT_EQ(ShortenPath(path, fitsIn(30)), "/.../Videos/holidays/beach.avi");
    EXPECT_EQ(ShortenPath(path, fitsIn(23)), "/.../holidays/beach.avi");
    EXPECT_EQ(ShortenPath(path, fitsIn(15)), ".../beach.avi");
    EXPECT_EQ(ShortenPath(path, fitsIn(5)), "beach.avi");
}

class InputListTest : public ::testing::Test {
protected:
    void SetUp() override { test::LoadEngineLibraries(); }

    std::string Fixture(const std::string& name, bool video, bool audio) {
        test::FixturePlan fixture;
        fixture.Format = video ? "avi" : "mp3";
        fixture.VideoCodec = video ? "mpeg4" : "";
        fixture.AudioCodec = audio ? "libmp3lame" : "";
        fixture.Seconds = 0.5;
        test::WriteFixture(m_dir.File(name), fixture);
        return m_dir.File(name);
    }

    std::vector<std::string> Add(const std::vector<std::string>& names) {
        return m_list.AddFiles(m_probe, names,
                               [this](const std::string& line) { m_log.push_back(line); });
    }

    test::TempDir m_dir;
    TAVProbe m_probe;
    InputList m_list;
    std::vector<std::string> m_log;
};

TEST_F(InputListTest, RowsDescribeTheFiles) {
    const std::string tone = Fixture("tone.mp3", false, true);
    const std::string clip = Fixture("clip.avi", true, true);
    EXPECT_TRUE(Add({tone, clip}).empty());
    ASSERT_EQ(m_list.Count(), 2);
    const InputItem& audio = m_list.Items()[0];
    EXPECT_TRUE(audio.AudioIcon);
    EXPECT_TRUE(audio.Thumbnail.Empty());
    EXPECT_EQ(audio.BitRate, "Audio Bit rate: 128 Kbps");
    EXPECT_EQ(audio.Dimension, "Audio Codec: MP3");
    EXPECT_EQ(audio.Width, -1);
    EXPECT_EQ(audio.FrameRate, "Frame rate: N/A");
    const InputItem& video = m_list.Items()[1];
    EXPECT_FALSE(video.AudioIcon);
    EXPECT_EQ(video.Thumbnail.Width, 320);
    EXPECT_EQ(video.Dimension, "Dimension: 320 x 240, MPEG-4 part 2");
    EXPECT_TRUE(video.BitRate.starts_with("Bit rate: ")) << video.BitRate;
    EXPECT_EQ(video.FrameRate, "Frame rate: 25.00");
    EXPECT_EQ(video.AudioChannels, "Channels: 2");
    EXPECT_EQ(video.AudioSampleRate, "Sample rate: 44100 Hz");
    EXPECT_EQ(video.FileFullName, clip);
    EXPECT_GT(video.RealDuration, 400000);
    EXPECT_EQ(video.Duration.substr(0, 10), "Duration: ");
}

TEST_F(InputListTest, BitRateAndCodecLines) {
    struct Case {
        const char* Name;
        const char* Video;
        const char* Audio;
        const char* BitRate;  // the start of line 3
        const char* Overall;  // how line 3 ends
        const char* Dimension;
    };
    // Matroska keeps no rate per stream: the tile falls back on the file's own.
    const Case cases[] = {
        {"h264.mp4", "libx264", "aac", "Bit rate: ", " Kbps", "Dimension: 320 x 240, H.264"},
        {"mpeg4.mkv", "mpeg4", "flac", "Bit rate: ", " Kbps (overall)",
         "Dimension: 320 x 240, MPEG-4 part 2"},
        {"flac.mkv", "", "flac", "Audio Bit rate: ", " Kbps (overall)", "Audio Codec: FLAC"},
        {"tone.mp3", "", "libmp3lame", "Audio Bit rate: 128 Kbps", "128 Kbps", "Audio Codec: MP3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::FixturePlan plan;
        plan.VideoCodec = c.Video;
        plan.AudioCodec = c.Audio;
        plan.Seconds = 0.5;
        test::WriteFixture(m_dir.File(c.Name), plan);
        m_list.Clear();
        ASSERT_TRUE(Add({m_dir.File(c.Name)}).empty());
        const InputItem& item = m_list.Items()[0];
        EXPECT_TRUE(item.BitRate.starts_with(c.BitRate)) << item.BitRate;
        EXPECT_TRUE(item.BitRate.ends_with(c.Overall)) << item.BitRate;
        EXPECT_EQ(item.Dimension, c.Dimension);
    }
}

TEST_F(InputListTest, UnreadableFilesAreReportedTogether) {
    test::WriteTextFile(m_dir.File("a.avi"), "not a movie");
    test::WriteTextFile(m_dir.File("b.mp3"), "");
    const std::vector<std::string> failed =
        Add({m_dir.File("a.avi"), Fixture("ok.mp3", false, true), m_dir.File("b.mp3"),
             m_dir.File("c.wmv")});
    EXPECT_EQ(m_list.Count(), 1);
    ASSERT_EQ(failed.size(), 3u);
    EXPECT_EQ(failed[2], m_dir.File("c.wmv") + ": no such file or directory");
    ASSERT_EQ(m_log.size(), 3u);
    EXPECT_EQ(m_log[0], "File load error: " + failed[0]);
}

TEST_F(InputListTest, SelectionFollowsDeletesAndMoves) {
    const std::string file = Fixture("one.mp3", false, true);
    Add({file, file, file, file, file});
    m_list.Select(4);
    EXPECT_FALSE(m_list.CanMoveDown());
    m_list.DeleteSelected();
    EXPECT_EQ(m_list.Selected(), 3);  // the new last row
    m_list.Select(0);
    EXPECT_FALSE(m_list.CanMoveUp());
    EXPECT_TRUE(m_list.CanMoveDown());
    m_list.MoveDown();
    EXPECT_EQ(m_list.Selected(), 1);
    m_list.Move(1, 3);
    EXPECT_EQ(m_list.Selected(), 3);
    m_list.Clear();
    EXPECT_EQ(m_list.Selected(), -1);
    EXPECT_FALSE(m_list.CanClear());
    Add({file});
    m_list.Select(0);
    m_list.DeleteSelected();
    EXPECT_EQ(m_list.Selected(), -1);
    EXPECT_FALSE(m_list.CanDelete());
}

}  // namespace
}  // namespace mw
