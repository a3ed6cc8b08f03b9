#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "engine/CustomFFmpeg.h"
#include "engine/EngineError.h"
#include "engine/RecordApplication.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

struct RunResult {
    bool Ok = false;
    bool Finished = false;
    std::string Error;
    std::vector<TProgressInfo> Reports;
    std::int64_t TotalDuration = -1;
};

// One task configured through the records, as the engine component does it.
RunResult Transcode(
    const std::vector<std::string>& inputs, TOutputOptions output,
    const std::function<void(TCustomFFmpeg&, const TProgressInfo&)>& onProgress = nullptr) {
    RunResult result;
    TCustomFFmpeg task;
    task.Reset();
    task.SetProgressInterval(100000);
    task.SetOnProgress([&](const TProgressInfo& info) {
        result.Reports.push_back(info);
        if (onProgress) {
            onProgress(task, info);
        }
    });
    try {
        for (const std::string& input : inputs) {
            TInputOptions options;
            ApplyInputRecord(task, options);
            if (!task.OpenInput(input)) {
                result.Error = task.ErrorText();
                return result;
            }
        }
        ApplyOutputRecord(task, output);
        if (task.CreateOutput(output.FileName, output.Join) < 0) {
            result.Error = task.ErrorText();
            return result;
        }
        ApplyNewStreamRecord(task, output);
        result.TotalDuration = task.TotalDuration();
        task.Run();
        result.Ok = true;
    } catch (const EngineError& error) {
        result.Error = error.what();
    }
    result.Finished = task.Finished();
    task.Cleanup();
    return result;
}

double Seconds(const std::string& text) {
    return text.empty() || text == "N/A" ? -1 : std::stod(text);
}

class TranscodeTest : public ::testing::Test {
protected:
    void SetUp() override { test::LoadEngineLibraries(); }

    std::string Clip(const std::string& name, double seconds, int width = 320, int height = 240,
                     const std::string& format = "mp4", const std::string& video = "libx264",
                     const std::string& audio = "aac", int rate = 25) {
        test::FixturePlan fixture;
        fixture.Format = format;
        fixture.VideoCodec = video;
        fixture.AudioCodec = audio;
        fixture.Width = width;
        fixture.Height = height;
        fixture.FrameRateNum = rate;
        fixture.Seconds = seconds;
        const std::string path = m_dir.File(name);
        test::WriteFixture(path, fixture);
        return path;
    }

    TOutputOptions Output(const std::string& name) {
        TOutputOptions options;
        options.FileName = m_dir.File(name);
        return options;
    }

    test::TempDir m_dir;
};

TEST_F(TranscodeTest, ConversionsChooseCodecsSizesAndRates) {
    const std::string input = Clip("in.mp4", 2, 640, 360);

    TOutputOptions avi = Output("out.avi");
    avi.VideoCodec = "mpeg4";
    avi.VideoTag = "XVID";
    avi.AudioCodec = "libmp3lame";
    avi.FrameSize = "320*180";
    avi.PadTop = 30;
    avi.PadBottom = 30;
    RunResult result = Transcode({input}, avi);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_TRUE(result.Finished);
    auto info = test::FFprobe(avi.FileName);
    EXPECT_EQ(info["streams.stream.0.codec_name"], "mpeg4");
    EXPECT_EQ(info["streams.stream.0.codec_tag_string"], "XVID");
    EXPECT_EQ(info["streams.stream.0.width"], "320");
    EXPECT_EQ(info["streams.stream.0.height"], "240");
    EXPECT_EQ(info["streams.stream.1.codec_name"], "mp3");

    TOutputOptions mp3 = Output("out.mp3");
    ASSERT_TRUE(Transcode({input}, mp3).Ok);
    info = test::FFprobe(mp3.FileName);
    EXPECT_EQ(info["format.nb_streams"], "1");
    EXPECT_EQ(info["streams.stream.0.codec_name"], "mp3");

    TOutputOptions wmv = Output("out.wmv");
    wmv.FrameSize = "352*288";
    wmv.FrameRate = "15";
    ASSERT_TRUE(Transcode({input}, wmv).Ok);
    info = test::FFprobe(wmv.FileName);
    EXPECT_EQ(info["streams.stream.0.codec_name"], "msmpeg4v3");
    EXPECT_EQ(info["streams.stream.0.width"], "352");
    EXPECT_EQ(info["streams.stream.0.r_frame_rate"], "15/1");
    EXPECT_EQ(info["streams.stream.1.codec_name"], "wmav2");

    TOutputOptions dvd = Output("out.mpg");
    dvd.TargetType = 3;
    dvd.TargetNorm = 1;
    ASSERT_TRUE(Transcode({input}, dvd).Ok);
    info = test::FFprobe(dvd.FileName);
    bool sawVideo = false;
    bool sawAudio = false;
    for (int i = 0; i < 3; ++i) {
        const std::string s = "streams.stream." + std::to_string(i) + ".";
        if (info[s + "codec_name"] == "mpeg2video") {
            sawVideo = true;
            EXPECT_EQ(info[s + "width"], "720");
            EXPECT_EQ(info[s + "height"], "576");
            EXPECT_EQ(info[s + "r_frame_rate"], "25/1");
        }
        if (info[s + "codec_name"] == "ac3") {
            sawAudio = true;
            EXPECT_EQ(info[s + "sample_rate"], "48000");
        }
    }
    EXPECT_TRUE(sawVideo);
    EXPECT_TRUE(sawAudio);
}

TEST_F(TranscodeTest, StreamCopyKeepsBothStreams) {
    const std::string input = Clip("in.mkv", 2, 320, 240, "matroska", "libx264", "libvorbis");
    TOutputOptions copy = Output("copy.mp4");
    copy.VideoCodec = "copy";
    copy.AudioCodec = "copy";
    const RunResult result = Transcode({input}, copy);
    ASSERT_TRUE(result.Ok) << result.Error;
    auto theirs = test::FFprobe(input, {"-count_packets"});
    auto ours = test::FFprobe(copy.FileName, {"-count_packets"});
    EXPECT_EQ(ours["streams.stream.0.codec_name"], "h264");
    EXPECT_EQ(ours["streams.stream.1.codec_name"], "vorbis");
    EXPECT_EQ(ours["streams.stream.0.nb_read_packets"], theirs["streams.stream.0.nb_read_packets"]);
    EXPECT_NEAR(Seconds(ours["format.duration"]), Seconds(theirs["format.duration"]), 0.1);
}

TEST_F(TranscodeTest, JoinContinuesTimeStampsAcrossInputs) {
    const std::vector<std::string> inputs = {
        Clip("a.mp4", 2, 320, 240, "mp4", "libx264", "aac", 25),
        Clip("b.avi", 3, 640, 360, "avi", "mpeg4", "libmp3lame", 30),
        Clip("c.mkv", 1.5, 176, 144, "matroska", "libx264", "libvorbis", 15)};
    TOutputOptions join = Output("joined.avi");
    join.Join = true;
    join.VideoCodec = "mpeg4";
    join.AudioCodec = "libmp3lame";
    join.FrameSize = "480*270";
    join.FrameRate = "25";
    const RunResult result = Transcode(inputs, join);
    ASSERT_TRUE(result.Ok) << result.Error;
    double inputSeconds = 0;
    for (const std::string& input : inputs) {
        inputSeconds += Seconds(test::FFprobe(input)["format.duration"]);
    }
    EXPECT_NEAR(static_cast<double>(result.TotalDuration) / 1e6, inputSeconds, 0.01);
    std::set<int> fileIndexes;
    for (const TProgressInfo& report : result.Reports) {
        fileIndexes.insert(report.FileIndex);
    }
    EXPECT_TRUE(fileIndexes.count(-1));
    auto info = test::FFprobe(join.FileName);
    EXPECT_NEAR(Seconds(info["format.duration"]), inputSeconds, 0.1);
    EXPECT_NEAR(Seconds(info["streams.stream.0.duration"]),
                Seconds(info["streams.stream.1.duration"]), 0.05);
    EXPECT_EQ(info["streams.stream.0.width"], "480");

    const test::ProcessResult packets =
        test::RunProcess({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
                          "packet=pts", "-of", "csv=p=0", join.FileName});
    std::istringstream lines(packets.Out);
    std::string line;
    long long previous = -1;
    int count = 0;
    while (std::getline(lines, line)) {
        if (line.empty() || line == "N/A") {
            continue;
        }
        const long long pts = std::stoll(line);
        EXPECT_GT(pts, previous);
        previous = pts;
        ++count;
    }
    EXPECT_GT(count, 150);
}

TEST_F(TranscodeTest, LimitsAndStopsEndTheLoop) {
    const std::string input = Clip("long.mp4", 30, 320, 240, "mp4", "mpeg4", "aac");

    TOutputOptions limited = Output("ten.avi");
    limited.VideoCodec = "mpeg4";
    limited.RecordingTime = 10'000'000;
    RunResult result = Transcode({input}, limited);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_TRUE(result.Finished);
    EXPECT_EQ(result.TotalDuration, 10'000'000);
    EXPECT_NEAR(Seconds(test::FFprobe(limited.FileName)["format.duration"]), 10.0, 0.1);

    TOutputOptions sized = Output("sized.avi");
    sized.VideoCodec = "mpeg4";
    sized.ExtOptions = "fs=200000";
    result = Transcode({input}, sized);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_TRUE(result.Finished);
    const auto size = std::filesystem::file_size(sized.FileName);
    EXPECT_GE(size, 200000u);
    EXPECT_LT(size, 260000u);

    TOutputOptions stopped = Output("stopped.avi");
    stopped.VideoCodec = "mpeg4";
    result = Transcode({input}, stopped, [](TCustomFFmpeg& task, const TProgressInfo& info) {
        if (info.CurrentDuration > 5'000'000) {
            task.RequestStop();
        }
    });
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_FALSE(result.Finished);
    EXPECT_EQ(result.Reports.back().FileIndex, -1);
    // A stopped output is not a finished one: nothing is left under its name.
    EXPECT_FALSE(std::filesystem::exists(stopped.FileName));
}

TEST_F(TranscodeTest, ALongConversionKeepsSoundWithPicture) {
    const std::string input = Clip("minute.mp4", 60, 320, 240, "mp4", "mpeg4", "aac");
    TOutputOptions avi = Output("minute.avi");
    avi.VideoCodec = "mpeg4";
    avi.AudioCodec = "libmp3lame";
    avi.AudioSampleRate = 22050;
    const RunResult result = Transcode({input}, avi);
    ASSERT_TRUE(result.Ok) << result.Error;
    auto info = test::FFprobe(avi.FileName);
    EXPECT_NEAR(Seconds(info["streams.stream.0.duration"]),
                Seconds(info["streams.stream.1.duration"]), 0.05);
    // Progress rose towards the expected duration.
    ASSERT_GE(result.Reports.size(), 2u);
    EXPECT_EQ(result.Reports.front().TotalDuration, 60'000'000);
    for (std::size_t i = 1; i < result.Reports.size(); ++i) {
        EXPECT_GE(result.Reports[i].CurrentDuration, result.Reports[i - 1].CurrentDuration);
    }
}

}  // namespace
}  // namespace mw
