#include <gtest/gtest.h>

#include <filesystem>

#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "formats/FormatCatalog.h"
#include "formats/JoinBuilder.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

class JoinTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        std::filesystem::create_directories(m_dir.File("out"));
        m_settings.OutputFileDir = m_dir.File("out");
        m_a = Input("a.avi", 640, 480, 4.0f / 3);
        m_b = Input("b.mp4", 1280, 720, 16.0f / 9);
        m_c = Input("c.wmv", 320, 240, 4.0f / 3);
    }

    JoinInput Input(const std::string& name, int width, int height, float aspect) {
        test::FixturePlan fixture;
        fixture.VideoCodec = "mpeg4";
        fixture.AudioCodec = "libmp3lame";
        fixture.Format = "avi";
        fixture.Width = width;
        fixture.Height = height;
        fixture.Seconds = 0.4;
        test::WriteFixture(m_dir.File(name), fixture);
        return {m_dir.File(name), 400000, width, height, aspect};
    }

    void Choose(const char* key, int row) {
        SelectOutputFormat(m_settings, *FindOutputFormat(key), row);
    }

    JoinTask Build(const std::vector<JoinInput>& inputs) {
        m_log.clear();
        return BuildJoinTask(m_engine, inputs, m_settings,
                             [this](const std::string& line) { m_log.push_back(line); });
    }

    HeadlessMainThread m_mainThread;
    test::TempDir m_dir;
    UserSettings m_settings;
    TFFmpegVCL m_engine;
    std::vector<std::string> m_log;
    JoinInput m_a, m_b, m_c;
};

TEST_F(JoinTest, OneTaskShapedByTheFirstInput) {
    Choose("AVI", 7);
    JoinTask join = Build({m_a, m_b, m_c});
    ASSERT_TRUE(join.Queued);
    EXPECT_EQ(m_engine.TaskCount(), 1);
    EXPECT_EQ(join.Options.FrameSize, "320*240");
    EXPECT_EQ(join.Options.PadTop, -1);
    EXPECT_EQ(join.Options.AspectRatio, "1.333");
    EXPECT_TRUE(join.Options.Join);
    EXPECT_EQ(join.Options.FileName, m_dir.File("out/Output_Merge.avi"));
    ASSERT_EQ(join.Rows.size(), 3u);
    EXPECT_EQ(join.Rows[1].Name, "b.mp4");
    EXPECT_EQ(join.Rows[1].Size, "1280x720");
    EXPECT_EQ(join.Rows[0].Aspect, "1.33333337306976");
    EXPECT_EQ(join.Rows[2].Duration, "00:00:00.400");
    EXPECT_EQ(join.TotalMicroseconds, 1200000);
    EXPECT_EQ(m_log, std::vector<std::string>(3, "File has been added to convert list."));

    // The task runs: one output as long as the three inputs together.
    m_engine.StartTask(0);
    m_engine.ClearTasks();
    double inputs = 0;
    for (const JoinInput* input : {&m_a, &m_b, &m_c}) {
        inputs += std::stod(test::FFprobe(input->FileName)["format.duration"]);
    }
    EXPECT_NEAR(std::stod(test::FFprobe(join.Options.FileName)["format.duration"]), inputs, 0.1);

    Choose("AVI", 7);
    join = Build({m_b, m_a, m_c});
    EXPECT_EQ(join.Options.FrameSize, "320*180");
    EXPECT_EQ(join.Options.PadTop, 30);
    EXPECT_EQ(join.Options.PadBottom, 30);
    EXPECT_EQ(join.Options.FileName, m_dir.File("out/Output_Merge(1).avi"));
    m_engine.ClearTasks();
}

TEST_F(JoinTest, RefusedInputsAreLeftOut) {
    Choose("MP3", 2);
    test::WriteTextFile(m_dir.File("out/Output_Merge.mp3"), "taken");
    const JoinInput missing{m_dir.File("missing.avi"), 0, 0, 0, 0.0f};
    JoinTask join = Build({missing, m_b, m_c});
    ASSERT_TRUE(join.Queued);
    EXPECT_EQ(m_log.front(),
              "Adding file error: " + m_dir.File("missing.avi") + ": no such file or directory");
    ASSERT_EQ(join.Rows.size(), 2u);
    EXPECT_EQ(join.Rows[0].Name, "b.mp4");  // the first accepted input opens the task
    for (const JoinRow& row : join.Rows) {
        EXPECT_EQ(row.Path, m_dir.File("out/Output_Merge(1).mp3"));
    }
    m_engine.ClearTasks();

    std::vector<JoinInput> many(25, m_c);
    join = Build(many);
    EXPECT_EQ(join.Rows.size(), 20u);
    int refused = 0;
    for (const std::string& line : m_log) {
        refused += line == "Adding file error: max input files 20 reached";
    }
    EXPECT_EQ(refused, 5);
    m_engine.ClearTasks();

    join = Build({missing});
    EXPECT_FALSE(join.Queued);
    EXPECT_EQ(m_engine.TaskCount(), 0);

    Choose("WMA", 4);
    join = Build({m_a});
    EXPECT_EQ(join.Options.AudioBitRate, -1);
    EXPECT_TRUE(join.Options.DisableVideo);
    m_engine.ClearTasks();
}

}  // namespace
}  // namespace mw
