#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "convert/Thumbnail.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"
#include "engine/probe/AVProbe.h"
#include "support/MediaFixture.h"
#include "support/TempDir.h"

namespace mw {
namespace {

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override { test::LoadEngineLibraries(); }

    // A two-second A/V clip in MP4 (its index sits at the end of the file).
    std::string AvClip(const std::string& name = "clip.mp4") {
        test::FixturePlan fixture;
        fixture.VideoCodec = "libx264";
        fixture.AudioCodec = "aac";
        const std::string path = m_dir.File(name);
        test::WriteFixture(path, fixture);
        return path;
    }

    std::string AudioClip() {
        test::FixturePlan fixture;
        fixture.AudioCodec = "libmp3lame";
        const std::string path = m_dir.File("tone.mp3");
        test::WriteFixture(path, fixture);
        return path;
    }

    test::TempDir m_dir;
    TAVProbe m_probe;
};

TEST_F(ProbeTest, FilesThatCannotBeOpenedSayWhy) {
    const std::string clip = AvClip();
    const std::string bytes = test::ReadTextFile(clip);
    test::WriteTextFile(m_dir.File("empty.mp4"), "");
    test::WriteTextFile(m_dir.File("text.mp4"), "This is a text file, not a movie.\n");
    test::WriteTextFile(m_dir.File("truncated.mp4"), bytes.substr(0, bytes.size() / 2));
    std::filesystem::create_directory(m_dir.File("folder.mp4"));

    struct Case {
        std::string Name;
        std::string Format;
        std::string Message;
    };
    const Case cases[] = {
        {m_dir.File("missing.mp4"), "", m_dir.File("missing.mp4") + ": no such file or directory"},
        {m_dir.File("empty.mp4"), "", m_dir.File("empty.mp4") + ": Error while parsing header"},
        {m_dir.File("text.mp4"), "", m_dir.File("text.mp4") + ": Unknown format"},
        {m_dir.File("truncated.mp4"), "",
         m_dir.File("truncated.mp4") + ": Error while parsing header"},
        {m_dir.File("folder.mp4"), "", m_dir.File("folder.mp4") + ": Error while opening file"},
        {clip, "no-such-demuxer", "Unknown input format: no-such-demuxer"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_probe.LoadFile(clip));
        EXPECT_FALSE(m_probe.LoadFile(c.Name, c.Format)) << c.Name;
        EXPECT_EQ(m_probe.LastErrorMessage(), c.Message);
        EXPECT_FALSE(m_probe.Loaded());
        EXPECT_EQ(m_probe.StreamCount(), -1);
        EXPECT_EQ(m_probe.FileSize(), -1);
        EXPECT_EQ(m_probe.VideoStreamIndex(), -1);
    }
}

TEST_F(ProbeTest, DamagedDataDecodesToTheEndWithoutHarm) {
    test::FixturePlan fixture;
    fixture.Format = "matroska";
    fixture.VideoCodec = "mpeg4";
    fixture.AudioCodec = "libvorbis";
    const std::string path = m_dir.File("damaged.mkv");
    test::WriteFixture(path, fixture);
    std::string bytes = test::ReadTextFile(path);
    for (std::size_t i = bytes.size() / 4; i < bytes.size(); i += 97) {
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    }
    test::WriteTextFile(m_dir.File("cut.mkv"), bytes.substr(0, bytes.size() * 2 / 3));
    test::WriteTextFile(path, bytes);
    for (const std::string& name : {path, m_dir.File("cut.mkv")}) {
        ASSERT_TRUE(m_probe.LoadFile(name)) << m_probe.LastErrorMessage();
        int pictures = 0;
        while (m_probe.DecodeNextFrame(-1) && pictures < 1000) {
            ++pictures;
        }
        EXPECT_GT(pictures, 0);
        EXPECT_LT(pictures, 1000);
        EXPECT_EQ(m_probe.LastErrorMessage(), "stream eof reached.");
        Bitmap picture;
        EXPECT_TRUE(TakeThumbnail(m_probe, picture));
    }
}

TEST_F(ProbeTest, QueriesWithNothingLoaded) {
    TFileStreamInfo file;
    EXPECT_FALSE(m_probe.GetFileStreamInfo(file));
    EXPECT_EQ(m_probe.LastErrorMessage(), "file not loaded.");
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.BitRate, -1);
    EXPECT_EQ(file.Year, -1);
    EXPECT_EQ(m_probe.FileName(), "");
    EXPECT_FALSE(m_probe.Seek(0, 0));
    EXPECT_FALSE(m_probe.DecodeNextFrame(-1));
    EXPECT_EQ(m_probe.LastErrorMessage(), "file not loaded.");
    Bitmap picture;
    EXPECT_FALSE(m_probe.CopyToBitmap(picture));
    EXPECT_EQ(m_probe.LastErrorMessage(), "picture not ready, please decode first");
}

TEST_F(ProbeTest, StreamSelectionMessages) {
    const std::string clip = AvClip();
    ASSERT_TRUE(m_probe.LoadFile(clip));
    ASSERT_EQ(m_probe.StreamCount(), 2);
    ASSERT_EQ(m_probe.VideoStreamIndex(), 0);
    ASSERT_EQ(m_probe.AudioStreamIndex(), 1);
    TVideoStreamInfo video;
    TAudioStreamInfo audio;
    struct Case {
        std::function<bool()> Call;
        bool Result;
        const char* Message;
    };
    const Case cases[] = {
        {[&] { return m_probe.GetVideoStreamInfo(2, video); }, false,
         "stream index #2 is invalid."},
        {[&] { return m_probe.GetAudioStreamInfo(1, audio); }, true, nullptr},
        {[&] { return m_probe.GetVideoStreamInfo(1, video); }, false,
         "stream #1 is not video stream."},
        {[&] { return m_probe.GetAudioStreamInfo(0, audio); }, false,
         "stream #0 is not audio stream."},
        {[&] { return m_probe.DecodeNextFrame(1); }, false, "stream #1 is not video stream."},
        {[&] { return m_probe.DecodeNextFrame(5); }, false, "stream index #5 is invalid."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.Call(), c.Result);
        if (c.Message) {
            EXPECT_EQ(m_probe.LastErrorMessage(), c.Message);
        }
    }
    EXPECT_EQ(video.Width, -1);  // a failed query leaves the defaults
    EXPECT_EQ(video.DisplayAspectRatio, -1.0f);

    ASSERT_TRUE(m_probe.LoadFile(AudioClip()));
    EXPECT_EQ(m_probe.VideoStreamIndex(), -1);
    EXPECT_FALSE(m_probe.GetVideoStreamInfo(video));
    EXPECT_EQ(m_probe.LastErrorMessage(), "no video stream.");
    EXPECT_EQ(video.Height, -1);
    EXPECT_EQ(video.CodecName, "");
    EXPECT_FALSE(m_probe.DecodeNextFrame(-1));
    EXPECT_EQ(m_probe.LastErrorMessage(), "no video stream.");
    ASSERT_TRUE(m_probe.GetAudioStreamInfo(-1, audio));
    EXPECT_EQ(audio.CodecName, "mp3float(MP3 (MPEG audio layer 3))");
    EXPECT_EQ(audio.BitRate, 128000);
}

TEST_F(ProbeTest, DecodingToTheEndAndSeekingBack) {
    test::FixturePlan fixture;
    fixture.Format = "avi";
    fixture.VideoCodec = "mpeg4";
    fixture.Seconds = 1.0;
    const std::string path = m_dir.File("short.avi");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    int pictures = 0;
    while (m_probe.DecodeNextFrame(-1)) {
        ++pictures;
    }
    EXPECT_EQ(pictures, 25);
    EXPECT_EQ(m_probe.LastErrorMessage(), "stream eof reached.");
    EXPECT_FALSE(m_probe.DecodeNextFrame(-1));
    EXPECT_EQ(m_probe.LastErrorMessage(), "stream eof reached.");

    // Seeking clears the end; a negative position counts as 0.
    EXPECT_TRUE(m_probe.Seek(0, -5));
    ASSERT_TRUE(m_probe.DecodeNextFrame(-1));
    EXPECT_EQ(m_probe.PictureTime(), 0);
    EXPECT_TRUE(m_probe.Seek(AVSEEK_FLAG_BACKWARD, 500000));
    ASSERT_TRUE(m_probe.DecodeNextFrame(-1));
    EXPECT_EQ(m_probe.PictureTime(), 480000);  // the key picture before 0.5 s (GOP of 12)
}

TEST_F(ProbeTest, StillImageHasOnePicture) {
    test::FixturePlan fixture;
    fixture.Format = "image2";
    fixture.VideoCodec = "png";
    fixture.PixelFormat = "rgb24";
    fixture.Seconds = 0.04;
    fixture.MuxerOptions["update"] = "1";
    const std::string path = m_dir.File("still.png");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    EXPECT_FALSE(m_probe.Seek(0, 0));
    EXPECT_EQ(m_probe.LastErrorMessage(), "\"image2\" format cannot to be seeked.");
    EXPECT_TRUE(m_probe.DecodeNextFrame(-1));
    EXPECT_TRUE(m_probe.DecodeNextFrame(-1));
    EXPECT_TRUE(m_probe.DecodeNextFrame(-1));
    Bitmap picture;
    EXPECT_TRUE(m_probe.CopyToBitmap(picture));
    EXPECT_EQ(picture.Width, 320);
}

TEST_F(ProbeTest, UnknownDurationAndThumbnailAtTheStart) {
    test::FixturePlan fixture;
    fixture.Format = "h264";
    fixture.VideoCodec = "libx264";
    const std::string path = m_dir.File("raw.h264");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    TFileStreamInfo file;
    ASSERT_TRUE(m_probe.GetFileStreamInfo(file));
    EXPECT_EQ(file.Duration, -1);
    Bitmap picture;
    ASSERT_TRUE(TakeThumbnail(m_probe, picture));
    EXPECT_EQ(picture.Width, 320);
    EXPECT_EQ(picture.Height, 240);
}

TEST_F(ProbeTest, NamesWithAnyLettersOpenAsGiven) {
    const std::string path = AvClip("Ünïcödé 日本語 clip.mp4");
    ASSERT_TRUE(m_probe.LoadFile(path)) << m_probe.LastErrorMessage();
    EXPECT_EQ(m_probe.FileName(), path);
    const std::string protocolName = "unicode:utf8:" + path;
    ASSERT_TRUE(m_probe.LoadFile(protocolName)) << m_probe.LastErrorMessage();
    EXPECT_EQ(m_probe.FileName(), protocolName);
    EXPECT_GT(m_probe.FileSize(), 0);
    // A name whose start looks like a protocol is still a local file.
    std::filesystem::copy_file(path, m_dir.File("take:1.mp4"));
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    const bool loaded = m_probe.LoadFile("take:1.mp4");
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(loaded) << m_probe.LastErrorMessage();
}

TEST_F(ProbeTest, MetadataOfTheFileRecord) {
    test::FixturePlan fixture;
    fixture.Format = "mp4";
    fixture.AudioCodec = "aac";
    fixture.Metadata = {{"title", "Morning Tone"},
                        {"artist", "Test Band"},
                        {"album", "Fixtures"},
                        {"genre", "Test"},
                        {"date", "2009-05-01"},
                        {"track", "3/12"},
                        {"comment", "generated"},
                        {"copyright", "nobody"},
                        {"creation_time", "2010-01-02T03:04:05.000000Z"}};
    const std::string path = m_dir.File("tagged.m4a");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    TFileStreamInfo file;
    ASSERT_TRUE(m_probe.GetFileStreamInfo(file));
    EXPECT_EQ(file.Title, "Morning Tone");
    EXPECT_EQ(file.Author, "Test Band");
    EXPECT_EQ(file.Album, "Fixtures");
    EXPECT_EQ(file.Genre, "Test");
    EXPECT_EQ(file.Comment, "generated");
    EXPECT_EQ(file.Copyright, "nobody");
    EXPECT_EQ(file.Year, 2009);
    EXPECT_EQ(file.Track, 3);
    EXPECT_EQ(file.Timestamp, 1262401445LL);
}

TEST_F(ProbeTest, ThumbnailOfAnHourLongFileSeeksToTheMiddle) {
    test::FixturePlan fixture;
    fixture.Format = "mp4";
    fixture.VideoCodec = "mpeg4";
    fixture.Width = 64;
    fixture.Height = 48;
    fixture.FrameRateNum = 1;
    fixture.GopSize = 10;
    fixture.VideoBitRate = 20000;
    fixture.Seconds = 3600;
    const std::string path = m_dir.File("hour.mp4");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    Bitmap picture;
    ASSERT_TRUE(TakeThumbnail(m_probe, picture));
    // The first picture decoded is the key picture before the middle: nothing before it
    // was decoded.
    EXPECT_GE(m_probe.PictureTime(), 1790LL * 1000000);
    EXPECT_LE(m_probe.PictureTime(), 1800LL * 1000000);
}

// A transport stream's seek lands anywhere in a picture group, and the packets up to the
// next key picture are skipped: the thumbnail is still that key picture from the middle.
TEST_F(ProbeTest, ThumbnailOfATransportStreamIsAKeyPicture) {
    test::FixturePlan fixture;
    fixture.Format = "mpegts";
    fixture.VideoCodec = "mpeg2video";
    fixture.AudioCodec = "mp2";
    fixture.GopSize = 50;
    fixture.Seconds = 10;
    const std::string path = m_dir.File("clip.ts");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    Bitmap picture;
    ASSERT_TRUE(TakeThumbnail(m_probe, picture));
    EXPECT_EQ(picture.Width, 320);
    // Key pictures every two seconds; the middle is at five.
    const std::int64_t time = m_probe.PictureTime();
    EXPECT_TRUE(time == 4'000'000 || time == 6'000'000) << time;
}

TEST_F(ProbeTest, AttachedContextIsReadOnly) {
    TAVProbe owner;
    ASSERT_TRUE(owner.LoadFile(AvClip()));
    m_probe.AttachContext(owner.Context());
    EXPECT_EQ(m_probe.StreamCount(), 2);
    EXPECT_EQ(m_probe.AudioStreamIndex(), 1);
    TVideoStreamInfo video;
    EXPECT_TRUE(m_probe.GetVideoStreamInfo(video));
    try {
        m_probe.Seek(0, 0);
        FAIL() << "no error";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "file cannot be seeked, handle is readonly.");
    }
    EXPECT_THROW(m_probe.DecodeNextFrame(-1), EngineError);
    m_probe.Close();
    EXPECT_TRUE(owner.Loaded());  // closing an attached probe leaves the file open
    EXPECT_TRUE(owner.DecodeNextFrame(-1));
}

TEST_F(ProbeTest, LibrariesMustBeLoaded) {
    TFFmpegLoader::Instance().Unload();
    try {
        m_probe.LoadFile("anything.mp4");
        FAIL() << "no error";
    } catch (const EngineError& error) {
        EXPECT_STREQ(error.what(), "LibAVCodec not loaded.");
    }
    ASSERT_TRUE(LoadLibraries(""));
    EXPECT_FALSE(m_probe.LoadFile(m_dir.File("anything.mp4")));
}

TEST_F(ProbeTest, BitmapRowsArePaddedAndBlueGreenRed) {
    test::FixturePlan fixture;
    fixture.Format = "avi";
    fixture.VideoCodec = "ffv1";
    fixture.VideoSource = "color=c=red";
    fixture.PixelFormat = "yuv444p";
    fixture.Width = 33;
    fixture.Height = 25;
    fixture.Seconds = 0.2;
    const std::string path = m_dir.File("red.avi");
    test::WriteFixture(path, fixture);
    ASSERT_TRUE(m_probe.LoadFile(path));
    ASSERT_TRUE(m_probe.DecodeNextFrame(-1));
    Bitmap picture;
    ASSERT_TRUE(m_probe.CopyToBitmap(picture));
    EXPECT_EQ(picture.Width, 33);
    EXPECT_EQ(picture.Height, 25);
    EXPECT_EQ(picture.Stride(), 100);
    EXPECT_EQ(picture.Pixels.size(), 2500u);
    const std::uint8_t* pixel = picture.Row(24) + 3 * 32;
    EXPECT_LT(pixel[0], 10);   // blue
    EXPECT_LT(pixel[1], 10);   // green
    EXPECT_GT(pixel[2], 240);  // red
}

}  // namespace
}  // namespace mw
