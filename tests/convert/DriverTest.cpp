#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>

#include "convert/ConversionDriver.h"
#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "formats/FormatCatalog.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(RunTimes, EstimatesAndTimeOfDay) {
    std::string left;
    // Two 60 s files, halfway through the second: four thirds of the elapsed time.
    EXPECT_EQ(EstimateText(120'000'000, 60'000'000, 30'000'000, 90.0, &left), "0:02:00");
    EXPECT_EQ(left, "0:00:30");
    EXPECT_EQ(EstimateText(120'000'000, 0, 0, 5.0, &left), "...");
    // Past 2^31 microseconds (36 minutes) the sums stay right.
    const std::int64_t longFile = 40LL * 60 * 1000000;
    EXPECT_EQ(EstimateText(2 * longFile, longFile, 0, 600.0, &left), "0:20:00");
    EXPECT_EQ(FormatTimeOfDay(3725.9), "1:02:05");
    EXPECT_EQ(FormatTimeOfDay(0), "0:00:00");
    EXPECT_EQ(FormatTimeOfDay(90000), "1:00:00");
    EXPECT_EQ(FormatTimeOfDay(-65), "0:01:05");
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        std::filesystem::create_directories(m_dir.File("out"));
        m_settings.OutputFileDir = m_dir.File("out/");
        SelectOutputFormat(m_settings, *FindOutputFormat("MP3"), 2);
    }

    std::string Fixture(const std::string& name, double seconds,
                        const std::string& format = "avi") {
        test::FixturePlan fixture;
        fixture.Format = format;
        fixture.VideoCodec = "mpeg4";
        fixture.AudioCodec = "libmp3lame";
        fixture.Width = 160;
        fixture.Height = 120;
        fixture.Seconds = seconds;
        test::WriteFixture(m_dir.File(name), fixture);
        return m_dir.File(name);
    }

    void Run(const std::vector<std::string>& files, bool join = false,
             const std::function<void(ConversionDriver&)>& onChanged = nullptr) {
        InputList inputs;
        TFFmpegVCL engine;
        inputs.AddFiles(engine.Probe(), files,
                        [this](const std::string& line) { m_log.push_back(line); });
        if (m_dvdTitle) {
            inputs.AddDvdTitle(*m_dvdTitle);
        }
        ConversionDriver driver(engine, m_settings, join,
                                [this](const std::string& line) { m_log.push_back(line); });
        driver.SetProgramDir(MW_PROGRAM_DIR);
        bool finished = false;
        driver.OnChanged = [&] {
            if (onChanged) {
                onChanged(driver);
            }
        };
        driver.OnFinish = [&] { finished = true; };
        driver.StartRun(inputs);
        while (!finished) {
            m_mainThread.WaitAndProcess(std::chrono::milliseconds(10));
        }
        m_total = driver.RunTotalFiles();
        m_succeeded = driver.RunSucceeded();
        m_errors = driver.RunErrors();
        m_rows = driver.Rows();
    }

    HeadlessMainThread m_mainThread;
    test::TempDir m_dir;
    UserSettings m_settings;
    std::vector<std::string> m_log;
    int m_total = 0;
    int m_succeeded = 0;
    std::vector<std::string> m_errors;
    std::vector<ConversionRow> m_rows;
    std::optional<DvdTitleChoice> m_dvdTitle;  // a title row after the files
};

TEST_F(DriverTest, ThreeFilesToMp3) {
    std::set<std::string> seen;
    Run({Fixture("a.avi", 0.5), Fixture("b.avi", 0.5), Fixture("c.avi", 0.5)}, false,
        [&](ConversionDriver& driver) {
            for (const ConversionRow& row : driver.Rows()) {
                seen.insert(row.Status);
            }
        });
    EXPECT_EQ(m_total, 3);
    EXPECT_EQ(m_succeeded, 3);
    EXPECT_TRUE(m_errors.empty());
    EXPECT_TRUE(seen.count("Waiting..."));
    EXPECT_TRUE(seen.count("Finish."));
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        EXPECT_EQ(
            test::FFprobe(m_dir.File(std::string("out/") + name))["streams.stream.0.codec_name"],
            "mp3");
    }
}

TEST_F(DriverTest, UnreadableAndFailingFiles) {
    test::WriteTextFile(m_dir.File("broken.avi"), "no movie here");
    test::WriteTextFile(m_dir.File("words.srt"), "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n");
    const std::string a = Fixture("a.avi", 0.5);
    InputList inputs;
    Run({a, m_dir.File("broken.avi"), Fixture("b.avi", 0.5)});
    EXPECT_EQ(m_total, 2);
    EXPECT_EQ(m_succeeded, 2);
    int loadErrors = 0;
    for (const std::string& line : m_log) {
        loadErrors += line.starts_with("File load error: ");
    }
    EXPECT_EQ(loadErrors, 1);

    // A subtitle file opens but holds nothing an MP3 can take: the task fails while running.
    Run({m_dir.File("words.srt")});
    EXPECT_EQ(m_total, 1);
    EXPECT_EQ(m_succeeded, 0);
    ASSERT_EQ(m_rows.size(), 1u);
    EXPECT_EQ(m_rows[0].Status, "Failed.");
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], "File (0): " + m_dir.File("words.srt") +
                               ": Output file #0 does not contain any stream");
}

TEST_F(DriverTest, ADvdTitleThatCannotBeReadIsAFailedRowOfTheRun) {
    DvdTitleChoice title;
    title.Root = m_dir.File("disc/");
    title.TitleIndex = 1;
    title.ChapterTo = 2;
    m_dvdTitle = title;
    Run({Fixture("a.avi", 0.5)});
    EXPECT_EQ(m_total, 2);
    EXPECT_EQ(m_succeeded, 1);
    ASSERT_EQ(m_rows.size(), 2u);
    EXPECT_EQ(m_rows[1].Status, "Failed.");
    EXPECT_EQ(m_rows[1].Name, "DVD Root: " + title.Root + "; Title: 2");
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], "File (1): DVD Root: " + title.Root +
                               "; Title: 2: No DVD title(s) found. Maybe not a valid DVD.");
    // Nothing is made of the title, above all not a file named after its index.
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.File("out"))) {
        written.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(written, std::vector<std::string>{"a.mp3"});
}

TEST_F(DriverTest, CancelDuringTheSecondFile) {
    const std::vector<std::string> files = {Fixture("one.avi", 0.5), Fixture("two.avi", 30),
                                            Fixture("three.avi", 0.5)};
    bool cancelled = false;
    Run(files, false, [&](ConversionDriver& driver) {
        if (!cancelled && driver.Rows().size() == 3 &&
            driver.Rows()[1].State == RowState::Converting && driver.Percent() > 5) {
            cancelled = true;
            driver.CancelRun();
        }
    });
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(m_total, 3);
    EXPECT_EQ(m_succeeded, 1);
    EXPECT_EQ(m_rows[1].Status, "Failed.");
    EXPECT_EQ(m_rows[2].Status, "Failed.");
    // The cancelled file leaves nothing, the one never started created nothing.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.File("out"))) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"one.mp3"});
    EXPECT_NEAR(std::stod(test::FFprobe(m_dir.File("out/one.mp3"))["format.duration"]), 0.5, 0.1);
    EXPECT_TRUE(test::DecodesCleanly(m_dir.File("out/one.mp3")));
}

// Closing the window destroys the driver while two tasks report: nothing of the driver is
// called afterwards and no output is left half-written.
TEST_F(DriverTest, DestroyedWhileReportsAreUnderWay) {
    const std::vector<std::string> files = {Fixture("a.avi", 10), Fixture("b.avi", 10),
                                            Fixture("c.avi", 10)};
    TFFmpegVCL engine;
    InputList inputs;
    inputs.AddFiles(engine.Probe(), files, [](const std::string&) {});
    bool destroyed = false;
    auto driver = std::make_unique<ConversionDriver>(
        engine, m_settings, false, [&](const std::string&) { EXPECT_FALSE(destroyed); });
    driver->SetThreadCount(2);
    int reports = 0;
    driver->OnChanged = [&] {
        EXPECT_FALSE(destroyed);
        ++reports;
    };
    driver->StartRun(inputs);
    while (reports < 3) {
        m_mainThread.WaitAndProcess(std::chrono::milliseconds(10));
    }
    driver.reset();
    destroyed = true;
    m_mainThread.ProcessPending();
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.File("out"))) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name.front(), '.') << name;
        EXPECT_TRUE(test::DecodesCleanly(entry.path().string())) << name;
    }
}

TEST_F(DriverTest, NamesStayUniqueWithinARunAndJoinsMakeOneFile) {
    Run({Fixture("a.avi", 0.5), Fixture("a.mp4", 0.5, "mp4")});
    EXPECT_EQ(m_succeeded, 2);
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("out/a.mp3")));
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("out/a(1).mp3")));

    Run({Fixture("x.avi", 0.5), Fixture("y.avi", 0.5), Fixture("z.avi", 0.5)}, true);
    EXPECT_EQ(m_total, 1);
    EXPECT_EQ(m_succeeded, 1);
    EXPECT_EQ(m_rows.size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("out/Output_Merge.mp3")));

    // Nothing to convert: the run ends at once.
    Run({m_dir.File("missing.avi")});
    EXPECT_EQ(m_total, 0);
    EXPECT_EQ(m_succeeded, 0);
}

}  // namespace
}  // namespace mw
