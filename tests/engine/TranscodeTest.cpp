#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "engine/EngineError.h"
#include "engine/options/RecordApplication.h"
#include "engine/task/CustomFFmpeg.h"
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
    const std::function<void(TCustomFFmpeg&, const TProgressInfo&)>& onProgress = nullptr,
    bool stageThreads = true) {
    RunResult result;
    TCustomFFmpeg task;
    task.Reset();
    task.SetStageThreads(stageThreads);
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

// Stream copy keeps every packet of both streams, as the stock tool's copy does; pictures
// reordered by B-pictures decode before the file's start and must still be copied.
TEST_F(TranscodeTest, StreamCopyKeepsEveryPacket) {
    struct Case {
        const char* Input;
        const char* Format;
        const char* Audio;
        int BFrames;
        const char* Output;
    };
    for (const Case& c : {Case{"in.mkv", "matroska", "libvorbis", 0, "copy.mp4"},
                          Case{"bframes.mp4", "mp4", "aac", 2, "bframes.mkv"}}) {
        SCOPED_TRACE(c.Input);
        test::FixturePlan fixture;
        fixture.Format = c.Format;
        fixture.VideoCodec = "libx264";
        fixture.AudioCodec = c.Audio;
        fixture.Seconds = 3;
        fixture.GopSize = 25;
        fixture.VideoOptions = {{"bf", std::to_string(c.BFrames)}};
        const std::string input = m_dir.File(c.Input);
        test::WriteFixture(input, fixture);
        TOutputOptions copy = Output(c.Output);
        copy.VideoCodec = "copy";
        copy.AudioCodec = "copy";
        const RunResult result = Transcode({input}, copy);
        ASSERT_TRUE(result.Ok) << result.Error;

        const std::string reference = m_dir.File(std::string("reference-") + c.Output);
        const test::ProcessResult stock =
            test::RunProcess({"ffmpeg", "-v", "error", "-i", input, "-c", "copy", reference});
        ASSERT_EQ(stock.ExitCode, 0) << stock.Err;
        auto theirs = test::FFprobe(reference, {"-count_packets"});
        auto ours = test::FFprobe(copy.FileName, {"-count_packets"});
        auto original = test::FFprobe(input, {"-count_packets"});
        for (const char* stream : {"streams.stream.0.", "streams.stream.1."}) {
            const std::string packets = std::string(stream) + "nb_read_packets";
            EXPECT_EQ(ours[packets], theirs[packets]) << stream;
            EXPECT_EQ(ours[packets], original[packets]) << stream;
            EXPECT_EQ(ours[std::string(stream) + "codec_name"],
                      original[std::string(stream) + "codec_name"]);
        }
        EXPECT_NEAR(Seconds(ours["format.duration"]), Seconds(original["format.duration"]), 0.1);
        const test::ProcessResult decoded =
            test::RunProcess({"ffmpeg", "-v", "error", "-i", copy.FileName, "-f", "null", "-"});
        EXPECT_EQ(decoded.ExitCode, 0);
        EXPECT_EQ(decoded.Err, "");
    }
}

// Demuxing, decoding, filtering, encoding and muxing on threads of their own write the
// packets the single-thread loop writes, byte for byte and in its order, and end with the
// same final report. x264 runs threads of its own inside: its output is compared by what a
// viewer sees (length, pictures, quality).
TEST_F(TranscodeTest, StageThreadsWriteWhatTheSingleThreadLoopWrites) {
    const std::string clip = Clip("clip.mp4", 3, 320, 240, "mp4", "libx264", "aac");
    const std::string second = Clip("second.avi", 2, 320, 240, "avi", "mpeg4", "libmp3lame", 30);
    const std::string tone = Clip("tone.wav", 3, 0, 0, "wav", "", "pcm_s16le");
    struct Job {
        const char* Name;
        std::vector<std::string> Inputs;
        const char* Extension;
        const char* VideoCodec;
        const char* AudioCodec;
        bool Join;
        int Streams;
        bool Exact;
    };
    const Job jobs[] = {
        {"audio only", {tone}, "mp3", "", "libmp3lame", false, 1, true},
        {"lossless audio", {tone}, "flac", "", "flac", false, 1, true},
        {"audio from a video", {clip}, "mp3", "", "libmp3lame", false, 1, true},
        {"video only", {clip}, "avi", "mpeg4", "", false, 1, true},
        {"both", {clip}, "avi", "mpeg4", "libmp3lame", false, 2, true},
        {"both, WMV", {clip}, "wmv", "wmv2", "wmav2", false, 2, true},
        {"both, AAC", {clip}, "mp4", "mpeg4", "aac", false, 2, true},
        {"join", {clip, second}, "avi", "mpeg4", "libmp3lame", true, 2, true},
        {"stream copy", {clip}, "mkv", "copy", "copy", false, 2, true},
        {"copy beside encoding", {clip}, "mkv", "copy", "libmp3lame", false, 2, true},
        {"x264", {clip}, "mp4", "libx264", "aac", false, 2, false},
    };
    auto hashes = [](const std::string& file) {
        const test::ProcessResult hashed =
            test::RunProcess({"ffmpeg", "-v", "error", "-i", file, "-map", "0", "-c", "copy", "-f",
                              "streamhash", "-hash", "md5", "-"});
        EXPECT_EQ(hashed.ExitCode, 0) << hashed.Err;
        return hashed.Out;
    };
    // The packets in the file's order: which stream, times and size.
    auto packetOrder = [](const std::string& file) {
        const test::ProcessResult listed = test::RunProcess(
            {"ffprobe", "-v", "error", "-show_entries", "packet=stream_index,pts,dts,size", "-of",
             "csv=p=0", file});
        EXPECT_EQ(listed.ExitCode, 0) << listed.Err;
        return listed.Out;
    };
    // The average PSNR of the pictures against the source's, in dB.
    auto psnr = [&clip](const std::string& file) {
        const test::ProcessResult measured = test::RunProcess(
            {"ffmpeg", "-v", "info", "-i", file, "-i", clip, "-lavfi", "psnr", "-f", "null", "-"});
        const std::size_t at = measured.Err.find("average:");
        EXPECT_NE(at, std::string::npos) << measured.Err;
        return at == std::string::npos ? 0.0 : std::stod(measured.Err.substr(at + 8));
    };
    int index = 0;
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.Name);
        std::vector<RunResult> results;
        std::vector<std::string> files;
        for (const bool threads : {false, true}) {
            TOutputOptions output = Output(std::to_string(index++) + "." + job.Extension);
            output.VideoCodec = job.VideoCodec;
            output.AudioCodec = job.AudioCodec;
            output.DisableVideo = std::string(job.VideoCodec).empty();
            output.DisableAudio = std::string(job.AudioCodec).empty();
            output.Join = job.Join;
            results.push_back(Transcode(job.Inputs, output, nullptr, threads));
            ASSERT_TRUE(results.back().Ok) << results.back().Error;
            ASSERT_TRUE(results.back().Finished);
            files.push_back(output.FileName);
        }
        auto ours = test::FFprobe(files[1], {"-count_packets"});
        auto reference = test::FFprobe(files[0], {"-count_packets"});
        EXPECT_EQ(ours["format.nb_streams"], std::to_string(job.Streams));
        for (int i = 0; i < job.Streams; ++i) {
            const std::string stream = "streams.stream." + std::to_string(i) + ".";
            EXPECT_EQ(ours[stream + "nb_read_packets"], reference[stream + "nb_read_packets"]);
            EXPECT_EQ(ours[stream + "display_aspect_ratio"],
                      reference[stream + "display_aspect_ratio"]);
        }
        EXPECT_GT(Seconds(ours["format.duration"]), 1.5);
        EXPECT_EQ(ours["format.duration"], reference["format.duration"]);
        EXPECT_TRUE(test::DecodesCleanly(files[1]));
        const TProgressInfo& last = results[1].Reports.back();
        const TProgressInfo& lastSingle = results[0].Reports.back();
        EXPECT_EQ(last.FileIndex, -1);
        EXPECT_EQ(last.FrameNumber, lastSingle.FrameNumber);
        EXPECT_EQ(last.CurrentDuration, lastSingle.CurrentDuration);
        if (job.Exact) {
            const std::string single = hashes(files[0]);
            EXPECT_FALSE(single.empty());
            EXPECT_EQ(hashes(files[1]), single);
            EXPECT_EQ(packetOrder(files[1]), packetOrder(files[0]));
            EXPECT_EQ(last.Quality, lastSingle.Quality);
            EXPECT_EQ(last.CurrentSize, lastSingle.CurrentSize);
        } else {
            const double single = psnr(files[0]);
            EXPECT_GT(single, 30.0);
            EXPECT_NEAR(psnr(files[1]), single, 0.1);
        }
    }
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

// The picture area (not black) ffmpeg finds around a point of a video, as "WxH".
std::string PictureArea(const std::string& path, double seconds) {
    const test::ProcessResult detected = test::RunProcess(
        {"ffmpeg", "-v", "info", "-ss", std::to_string(seconds), "-i", path, "-frames:v", "3",
         "-vf", "cropdetect=limit=0.1:round=2:skip=0", "-f", "null", "-"});
    const std::size_t at = detected.Err.rfind("crop=");
    if (at == std::string::npos) {
        return "no picture: " + detected.Err;
    }
    const std::size_t first = detected.Err.find(':', at);
    const std::size_t second = detected.Err.find(':', first + 1);
    return detected.Err.substr(at + 5, first - at - 5) + "x" +
           detected.Err.substr(first + 1, second - first - 1);
}

// Each joined input keeps its shape inside the frame the first one set: bars where they
// differ, never a stretched picture.
TEST_F(TranscodeTest, JoinFitsEachInputByItsOwnShape) {
    struct Part {
        const char* Name;
        int Width;
        int Height;
        int SarNum;
        int SarDen;
        int FrameRate;
        int SampleRate;
        const char* Shown;  // the picture inside the 640x360 frame
    };
    // The first input sets the frame and sample rate the later ones are converted to.
    const Part parts[] = {{"wide.mp4", 640, 360, 0, 1, 25, 44100, "640x360"},
                          {"dvd.mkv", 720, 480, 8, 9, 30, 22050, "480x360"},
                          {"portrait.mp4", 480, 854, 0, 1, 15, 48000, "202x360"}};
    std::vector<std::string> inputs;
    for (const Part& part : parts) {
        test::FixturePlan fixture;
        fixture.VideoCodec = "mpeg4";
        fixture.AudioCodec = "aac";
        fixture.VideoSource = "color=c=red";
        fixture.Width = part.Width;
        fixture.Height = part.Height;
        fixture.SampleAspectNum = part.SarNum;
        fixture.SampleAspectDen = part.SarDen;
        fixture.FrameRateNum = part.FrameRate;
        fixture.SampleRate = part.SampleRate;
        fixture.Seconds = 1;
        inputs.push_back(m_dir.File(part.Name));
        test::WriteFixture(inputs.back(), fixture);
    }
    TOutputOptions join = Output("joined.mp4");
    join.Join = true;
    join.VideoCodec = "mpeg4";
    const RunResult result = Transcode(inputs, join);
    ASSERT_TRUE(result.Ok) << result.Error;
    auto info = test::FFprobe(join.FileName, {"-count_packets"});
    EXPECT_EQ(info["streams.stream.0.width"], "640");
    EXPECT_EQ(info["streams.stream.0.height"], "360");
    EXPECT_EQ(info["streams.stream.0.avg_frame_rate"], "25/1");
    EXPECT_NEAR(std::stod(info["streams.stream.0.nb_read_packets"]), 75, 2);
    EXPECT_EQ(info["streams.stream.1.sample_rate"], "44100");
    EXPECT_NEAR(Seconds(info["streams.stream.1.duration"]), 3.0, 0.1);
    EXPECT_NEAR(Seconds(info["format.duration"]), 3.0, 0.1);
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        const std::string area = PictureArea(join.FileName, 0.4 + static_cast<double>(i));
        const std::string& expected = parts[i].Shown;
        // The bars are even, so the picture may be two pixels narrower than exact.
        EXPECT_TRUE(area == expected || area == std::to_string(std::stoi(expected) - 2) +
                                                    expected.substr(expected.find('x')))
            << parts[i].Name << ": " << area;
    }
    const test::ProcessResult decoded =
        test::RunProcess({"ffmpeg", "-v", "error", "-i", join.FileName, "-f", "null", "-"});
    EXPECT_EQ(decoded.ExitCode, 0);
    EXPECT_EQ(decoded.Err, "");
}

// A single damaged time stamp neither stretches the output nor keeps the encoder filling
// a gap: the output lasts as long as the input.
TEST_F(TranscodeTest, ADamagedTimeStampDoesNotStretchTheOutput) {
    test::FixturePlan fixture;
    fixture.Format = "flv";
    fixture.VideoCodec = "flv";
    fixture.AudioCodec = "libmp3lame";
    fixture.Seconds = 2;
    const std::string soundDamaged = m_dir.File("sound.flv");
    test::WriteFixture(soundDamaged, fixture);
    // 2,147,484 s: the stamp's sign bit set.
    test::DamageFlvTimestamp(soundDamaged, 8, 20, 0x80000000u);
    const std::string pictureDamaged = m_dir.File("picture.flv");
    test::WriteFixture(pictureDamaged, fixture);
    // 4,194 s later. The jump spoils the file's own frame rate guess (125 fps), so it is
    // joined after a clip that sets the output's rate.
    test::DamageFlvTimestamp(pictureDamaged, 9, 20, 1u << 22);
    const std::string second = Clip("second.mp4", 2);

    struct Case {
        std::vector<std::string> Inputs;
        const char* Output;
        bool Join;
        double Seconds;
    };
    const Case cases[] = {{{soundDamaged}, "sound.mp3", false, 2.0},
                          {{soundDamaged}, "sound.avi", false, 2.0},
                          {{second, pictureDamaged}, "joined.avi", true, 4.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Output);
        TOutputOptions options = Output(c.Output);
        options.Join = c.Join;
        const RunResult result = Transcode(c.Inputs, options);
        ASSERT_TRUE(result.Ok) << result.Error;
        auto info = test::FFprobe(options.FileName, {"-count_packets"});
        EXPECT_NEAR(Seconds(info["format.duration"]), c.Seconds, 0.2);
        EXPECT_LT(std::filesystem::file_size(options.FileName), 2'000'000u);
        for (int i = 0; i < std::stoi(info["format.nb_streams"]); ++i) {
            const std::string stream = "streams.stream." + std::to_string(i) + ".";
            if (const double seconds = Seconds(info[stream + "duration"]); seconds >= 0) {
                EXPECT_NEAR(seconds, c.Seconds, 0.2) << stream;
            }
            if (info[stream + "codec_type"] == "video") {
                EXPECT_NEAR(std::stod(info[stream + "nb_read_packets"]), c.Seconds * 25, 3);
            }
        }
        const test::ProcessResult decoded =
            test::RunProcess({"ffmpeg", "-v", "error", "-i", options.FileName, "-f", "null", "-"});
        EXPECT_EQ(decoded.ExitCode, 0);
        EXPECT_EQ(decoded.Err, "");
    }
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

TEST_F(TranscodeTest, ProgressNeverRunsAheadOfTheOutput) {
    // Ten minutes of sound of which all but the last second is skipped: the reports made while
    // the skipped part is decoded have converted nothing yet, not the whole file.
    test::FixturePlan tone;
    tone.AudioCodec = "libmp3lame";
    tone.Channels = 1;
    tone.SampleRate = 22050;
    tone.AudioBitRate = 32000;
    tone.Seconds = 600;
    const std::string input = m_dir.File("long.mp3");
    test::WriteFixture(input, tone);

    TOutputOptions late = Output("late.wav");
    late.AudioCodec = "pcm_s16le";
    late.StartTime = 599'000'000;
    const RunResult result = Transcode({input}, late);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_TRUE(result.Finished);
    ASSERT_GT(result.Reports.size(), 1u);
    for (const TProgressInfo& report : result.Reports) {
        EXPECT_LE(report.CurrentDuration, 2'000'000) << report.FileIndex;
    }
    auto info = test::FFprobe(late.FileName);
    EXPECT_NEAR(Seconds(info["format.duration"]), 1.0, 0.1);
    EXPECT_TRUE(test::DecodesCleanly(late.FileName));
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
