#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>

#include "engine/EngineError.h"
#include "engine/options/RecordApplication.h"
#include "engine/task/CustomFFmpeg.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

class EncoderFitTest : public ::testing::Test {
protected:
    void SetUp() override { test::LoadEngineLibraries(); }

    std::string Clip(const std::string& name, int width, int height) {
        test::FixturePlan fixture;
        fixture.VideoCodec = "mpeg4";
        fixture.AudioCodec = "aac";
        fixture.Width = width;
        fixture.Height = height;
        fixture.Seconds = 0.5;
        const std::string path = m_dir.File(name);
        test::WriteFixture(path, fixture);
        return path;
    }

    // Converts and returns ffprobe's view; the conversion must succeed.
    std::map<std::string, std::string> Convert(const std::string& input, const std::string& name,
                                               const std::function<void(TOutputOptions&)>& set) {
        TCustomFFmpeg task;
        task.Reset();
        EXPECT_TRUE(task.OpenInput(input)) << task.ErrorText();
        TOutputOptions options;
        options.FileName = m_dir.File(name);
        set(options);
        ApplyOutputRecord(task, options);
        EXPECT_EQ(task.CreateOutput(options.FileName, false), 1) << task.ErrorText();
        try {
            task.Run();
        } catch (const EngineError& error) {
            ADD_FAILURE() << name << ": " << error.what();
        }
        task.Cleanup();
        return test::FFprobe(options.FileName);
    }

    test::TempDir m_dir;
};

// What the linked encoders accept: every wish becomes something they take.
TEST_F(EncoderFitTest, EncodersGetWhatTheyAccept) {
    const std::string odd = Clip("odd.mp4", 854, 480);
    struct Case {
        const char* Output;
        std::function<void(TOutputOptions&)> Set;
        std::vector<std::pair<std::string, std::string>> Expected;
    };
    const std::vector<Case> cases = {
        {"default.3gp",
         [](TOutputOptions&) {},
         {{"streams.stream.0.codec_name", "h263"},
          {"streams.stream.0.width", "704"},
          {"streams.stream.1.codec_name", "aac"}}},
        {"faac.m4a",
         [](TOutputOptions& o) {
             o.DisableVideo = true;
             o.AudioCodec = "libfaac";
             o.AudioSampleRate = 22500;
         },
         {{"streams.stream.0.codec_name", "aac"}, {"streams.stream.0.sample_rate", "22050"}}},
        {"rates.m4a",
         [](TOutputOptions& o) {
             o.DisableVideo = true;
             o.AudioCodec = "aac";
             o.AudioSampleRate = 44800;
         },
         {{"streams.stream.0.sample_rate", "44100"}}},
        {"low.wma",
         [](TOutputOptions& o) {
             o.DisableVideo = true;
             o.AudioBitRate = 16000;
         },
         {{"streams.stream.0.codec_name", "wmav2"}}},
        {"jpeg.mov",
         [](TOutputOptions& o) { o.VideoCodec = "mjpeg"; },
         {{"streams.stream.0.pix_fmt", "yuvj420p"}}},
        {"sorenson.mov",
         [](TOutputOptions& o) { o.VideoCodec = "svq1"; },
         {{"streams.stream.0.pix_fmt", "yuv410p"}, {"streams.stream.0.width", "856"}}},
        {"real.rm",
         [](TOutputOptions&) {},
         {{"streams.stream.0.codec_name", "rv10"}, {"streams.stream.0.width", "848"}}},
        {"eight.mp2",
         [](TOutputOptions& o) {
             o.AudioSampleRate = 8000;
             o.AudioBitRate = 8000000;
         },
         {{"streams.stream.0.sample_rate", "16000"}}},
    };
    for (const Case& c : cases) {
        auto info = Convert(odd, c.Output, c.Set);
        for (const auto& [key, value] : c.Expected) {
            EXPECT_EQ(info[key], value) << c.Output << " " << key;
        }
    }

    const std::string big = Clip("big.mp4", 1920, 1080);
    auto info = Convert(big, "big.rm", [](TOutputOptions& o) {
        o.VideoCodec = "rv20";
        o.VideoBitRate = 4000000;
    });
    EXPECT_EQ(info["streams.stream.0.width"], "1280");
    EXPECT_EQ(info["streams.stream.0.height"], "720");
}

struct LogLine {
    TLogLevel Level;
    std::string Text;
};

TEST_F(EncoderFitTest, MappingLinesAndAudioOnlyProgress) {
    TFFLogger& logger = TFFLogger::Instance();
    const TLogLevel saved = logger.LogLevel();
    logger.SetLogLevel(llVerbose);
    std::mutex mutex;
    std::vector<LogLine> lines;
    logger.SetOnLog([&](const void*, std::uint32_t, TLogLevel level, const std::string& text) {
        std::lock_guard guard(mutex);
        lines.push_back({level, text});
    });
    const std::string input = Clip("in.mp4", 320, 240);
    TCustomFFmpeg task;
    task.Reset();
    std::vector<TProgressInfo> reports;
    task.SetOnProgress([&](const TProgressInfo& info) { reports.push_back(info); });
    ASSERT_TRUE(task.OpenInput(input));
    TOutputOptions options;
    options.DisableVideo = true;
    ApplyOutputRecord(task, options);
    ASSERT_EQ(task.CreateOutput(m_dir.File("out.mp3"), false), 1);
    task.Run();
    task.Cleanup();
    logger.SetOnLog(nullptr);
    logger.SetLogLevel(saved);

    bool mapping = false;
    bool stream = false;
    bool statistics = false;
    for (const LogLine& line : lines) {
        mapping = mapping || (line.Text == "Stream mapping:" && line.Level == llVerbose);
        stream = stream || line.Text == "  Stream #0.1 -> #0.0 (Audio)";
        statistics = statistics || line.Text.starts_with("video:0kB audio:");
    }
    EXPECT_TRUE(mapping);
    EXPECT_TRUE(stream);
    EXPECT_TRUE(statistics);
    ASSERT_FALSE(reports.empty());
    const TProgressInfo& last = reports.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_EQ(last.FrameNumber, -1);
    EXPECT_EQ(last.FPS, -1);
    EXPECT_EQ(last.Quality, -1.0f);
    EXPECT_GT(last.CurrentSize, 0);
}

TEST_F(EncoderFitTest, DamagedInputsEndWithoutHarm) {
    const std::string input = Clip("in.mp4", 320, 240);
    std::string bytes = test::ReadTextFile(input);
    for (std::size_t i = bytes.size() / 3; i < bytes.size(); i += 61) {
        bytes[i] = static_cast<char>(bytes[i] ^ 0xA5);
    }
    test::WriteTextFile(m_dir.File("damaged.mp4"), bytes);
    test::WriteTextFile(m_dir.File("cut.mp4"), bytes.substr(0, bytes.size() / 2));
    for (const char* name : {"damaged.mp4", "cut.mp4"}) {
        TCustomFFmpeg task;
        task.Reset();
        if (!task.OpenInput(m_dir.File(name))) {
            EXPECT_FALSE(task.ErrorText().empty());
            continue;
        }
        TOutputOptions options;
        options.VideoCodec = "mpeg4";
        ApplyOutputRecord(task, options);
        ASSERT_EQ(task.CreateOutput(m_dir.File(std::string(name) + ".avi"), false), 1);
        try {
            task.Run();
        } catch (const EngineError& error) {
            EXPECT_FALSE(std::string(error.what()).empty());
        }
        task.Cleanup();
    }
}

}  // namespace
}  // namespace mw
