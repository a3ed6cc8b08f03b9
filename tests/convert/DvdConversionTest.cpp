#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "convert/ConversionDriver.h"
#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "formats/FormatCatalog.h"
#include "support/DvdFixture.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

// What ffprobe and the decoder find in an output.
struct Output {
    double Length = 0;
    double VideoLength = 0;
    double AudioLength = 0;
};

Output Examine(const std::string& path) {
    EXPECT_TRUE(test::DecodesCleanly(path)) << path;
    auto probe = test::FFprobe(path);
    Output output;
    output.Length = std::stod(probe["format.duration"]);
    for (int i = 0; probe.contains("streams.stream." + std::to_string(i) + ".codec_type"); ++i) {
        const std::string prefix = "streams.stream." + std::to_string(i) + ".";
        const double length = std::stod(probe[prefix + "duration"]);
        (probe[prefix + "codec_type"] == "video" ? output.VideoLength : output.AudioLength) =
            length;
    }
    return output;
}

// The decoded sound of an output as 48 kHz mono samples.
std::vector<std::int16_t> Samples(const std::string& path) {
    const test::ProcessResult decoded = test::RunProcess(
        {"ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", "48000", "-"});
    EXPECT_EQ(decoded.ExitCode, 0) << decoded.Err;
    std::vector<std::int16_t> samples(decoded.Out.size() / 2);
    std::memcpy(samples.data(), decoded.Out.data(), samples.size() * 2);
    return samples;
}

// The frequency of a sine tone, by its sign changes away from the ends.
double ToneHz(const std::vector<std::int16_t>& samples) {
    const std::size_t margin = 4800;
    if (samples.size() < 3 * margin) {
        return 0;
    }
    int changes = 0;
    for (std::size_t i = margin + 1; i < samples.size() - margin; ++i) {
        changes += (samples[i - 1] < 0) != (samples[i] < 0);
    }
    return changes / 2.0 / (static_cast<double>(samples.size() - 2 * margin) / 48000.0);
}

// One picture of an output at a time, as grey levels.
std::string PictureAt(const std::string& path, double seconds) {
    const test::ProcessResult picture =
        test::RunProcess({"ffmpeg", "-v", "error", "-ss", std::to_string(seconds), "-i", path,
                          "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    EXPECT_EQ(picture.ExitCode, 0) << picture.Err;
    return picture.Out;
}

// How many pixels of two pictures differ clearly.
int DifferentPixels(const std::string& a, const std::string& b) {
    EXPECT_EQ(a.size(), b.size());
    int different = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        different +=
            std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])) > 64;
    }
    return different;
}

class DvdConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        std::filesystem::create_directories(m_dir.File("out"));
        m_settings.OutputFileDir = m_dir.File("out/");
        SelectOutputFormat(m_settings, *FindOutputFormat("MP4"), 3);
    }

    static DvdTitleChoice Title(int index, int from, int to, int audioId, int subtitleId = 0) {
        DvdTitleChoice title;
        title.Root = test::DvdFixtureRoot();
        title.TitleIndex = index;
        title.ChapterFrom = from;
        title.ChapterTo = to;
        title.AudioId = audioId;
        title.SubtitleId = subtitleId;
        return title;
    }

    // Runs the rows (DVD titles, then files) and returns what the run wrote.
    std::vector<std::string> Run(const std::vector<DvdTitleChoice>& titles,
                                 const std::vector<std::string>& files = {}, bool join = false) {
        InputList inputs;
        TFFmpegVCL engine;
        for (const DvdTitleChoice& title : titles) {
            inputs.AddDvdTitle(title);
        }
        inputs.AddFiles(engine.Probe(), files,
                        [this](const std::string& line) { m_log.push_back(line); });
        ConversionDriver driver(engine, m_settings, join,
                                [this](const std::string& line) { m_log.push_back(line); });
        driver.SetProgramDir(MW_PROGRAM_DIR);
        bool finished = false;
        driver.OnFinish = [&] { finished = true; };
        driver.StartRun(inputs);
        while (!finished) {
            m_mainThread.WaitAndProcess(std::chrono::milliseconds(10));
        }
        m_errors = driver.RunErrors();
        m_rows = driver.Rows();
        std::vector<std::string> written;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.File("out"))) {
            written.push_back(entry.path().string());
        }
        std::sort(written.begin(), written.end());
        return written;
    }

    HeadlessMainThread m_mainThread;
    test::TempDir m_dir;
    UserSettings m_settings;
    std::vector<std::string> m_log;
    std::vector<std::string> m_errors;
    std::vector<ConversionRow> m_rows;
};

TEST_F(DvdConversionTest, ChosenChaptersConvertWithTheirLengthAndTheChosenAudio) {
    struct Case {
        DvdTitleChoice Title;
        double Length;  // the chapters' length as the disc gives it
        double Tone;
    };
    const std::vector<Case> cases = {
        {Title(0, 1, 2, 0xC1), 4.2, 880},  // chapters 2-3, the German track
        {Title(0, 0, 0, 0xC0), 1.8, 440},  // the first chapter only, the English track
        {Title(1, 0, 1, 0xC0), 4.0, 550},  // two cells from two files, each with its own clock
        {Title(2, 0, 0, 0x80), 3.0, 660},  // NTSC with AC-3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("title " + std::to_string(c.Title.TitleIndex + 1) + " audio " +
                     std::to_string(c.Title.AudioId));
        std::filesystem::remove_all(m_dir.File("out"));
        std::filesystem::create_directories(m_dir.File("out"));
        const std::vector<std::string> written = Run({c.Title});
        ASSERT_EQ(written.size(), 1u) << (m_errors.empty() ? "" : m_errors.front());
        EXPECT_EQ(std::filesystem::path(written[0]).filename(),
                  "Title" + std::to_string(c.Title.TitleIndex + 1) + ".mp4");
        const Output output = Examine(written[0]);
        EXPECT_NEAR(output.Length, c.Length, 0.1);
        EXPECT_NEAR(output.VideoLength, c.Length, 0.1);
        EXPECT_NEAR(output.AudioLength, output.VideoLength, 0.05);
        EXPECT_NEAR(ToneHz(Samples(written[0])), c.Tone, c.Tone * 0.03);
    }
}

TEST_F(DvdConversionTest, TheTitleOfTwoFilesConvertsWithoutGapOrJump) {
    const std::vector<std::string> written = Run({Title(1, 0, 1, 0xC0)});
    ASSERT_EQ(written.size(), 1u);
    // Pictures follow one another a frame apart, and sound has no hole, across the seam.
    for (const char* stream : {"v", "a"}) {
        SCOPED_TRACE(stream);
        const test::ProcessResult packets =
            test::RunProcess({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
                              "packet=pts_time,duration_time", "-of", "csv=p=0", written[0]});
        ASSERT_EQ(packets.ExitCode, 0);
        std::vector<std::pair<double, double>> times;
        std::istringstream lines(packets.Out);
        std::string line;
        while (std::getline(lines, line)) {
            double pts = 0, duration = 0;
            if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) == 2) {
                times.emplace_back(pts, duration);
            }
        }
        std::sort(times.begin(), times.end());
        ASSERT_GT(times.size(), 50u);
        for (std::size_t i = 1; i < times.size(); ++i) {
            const double step = times[i].first - times[i - 1].first;
            EXPECT_NEAR(step, times[i - 1].second, 0.002) << "at " << times[i].first;
        }
    }
}

TEST_F(DvdConversionTest, TheChosenSubPictureIsBurnedInWhereItShows) {
    // The French sub-picture shows from 4.0 s to 5.5 s of the title, chapter 2 starts at 1.8 s.
    const std::string plain = Run({Title(0, 1, 2, 0xC1)}).at(0);
    const std::vector<std::string> both = Run({Title(0, 1, 2, 0xC1, 0x21)});
    ASSERT_EQ(both.size(), 2u);
    const std::string burned = both[0] == plain ? both[1] : both[0];
    const Output output = Examine(burned);
    EXPECT_NEAR(output.VideoLength, 4.2, 0.1);
    struct Moment {
        double Seconds;
        bool Shows;
    };
    for (const Moment moment : {Moment{0.5, false}, Moment{2.0, false}, Moment{2.4, true},
                                Moment{3.0, true}, Moment{3.5, true}, Moment{4.0, false}}) {
        SCOPED_TRACE(moment.Seconds);
        const int different =
            DifferentPixels(PictureAt(plain, moment.Seconds), PictureAt(burned, moment.Seconds));
        // The burned box is 180 x 20 pixels of the disc's picture; small differences are the
        // encoder's.
        if (moment.Shows) {
            EXPECT_GT(different, 1000);
        } else {
            EXPECT_LT(different, 200);
        }
    }
}

TEST_F(DvdConversionTest, ADvdRowAndAFileJoinIntoOneOutputOfTheirSummedLength) {
    test::FixturePlan fixture;
    fixture.Format = "mp4";
    fixture.VideoCodec = "mpeg4";
    fixture.AudioCodec = "aac";
    fixture.Width = 320;
    fixture.Height = 240;
    fixture.Seconds = 2.0;
    test::WriteFixture(m_dir.File("clip.mp4"), fixture);
    const std::vector<std::string> written =
        Run({Title(0, 1, 2, 0xC1)}, {m_dir.File("clip.mp4")}, true);
    ASSERT_EQ(written.size(), 1u) << (m_errors.empty() ? "" : m_errors.front());
    EXPECT_EQ(std::filesystem::path(written[0]).filename(), "Output_Merge.mp4");
    const Output output = Examine(written[0]);
    EXPECT_NEAR(output.Length, 4.2 + 2.0, 0.1);
    EXPECT_NEAR(output.VideoLength, 4.2 + 2.0, 0.1);
    EXPECT_NEAR(output.AudioLength, 4.2 + 2.0, 0.1);
}

TEST_F(DvdConversionTest, ATitleThatCannotBeReadIsAFailedRowWithItsReason) {
    struct Case {
        DvdTitleChoice Title;
        std::string Reason;
    };
    DvdTitleChoice noDisc = Title(0, 0, 0, 0xC0);
    noDisc.Root = m_dir.File("no-disc/");
    const std::vector<Case> cases = {
        {noDisc, "No DVD title(s) found. Maybe not a valid DVD."},
        {Title(5, 0, 0, 0xC0), "the DVD has no title 6"},
        {Title(0, 1, 3, 0xC0), "the title has no chapters 2 to 4"},
        {Title(0, 0, 0, 0xC5), "the audio stream 0xC5 was not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Reason);
        EXPECT_TRUE(Run({c.Title}).empty());
        ASSERT_EQ(m_rows.size(), 1u);
        EXPECT_EQ(m_rows[0].Status, "Failed.");
        ASSERT_EQ(m_errors.size(), 1u);
        EXPECT_NE(m_errors[0].find("DVD Root: " + c.Title.Root +
                                   "; Title: " + std::to_string(c.Title.TitleIndex + 1)),
                  std::string::npos)
            << m_errors[0];
        EXPECT_NE(m_errors[0].find(c.Reason), std::string::npos) << m_errors[0];
    }
}

}  // namespace
}  // namespace mw
