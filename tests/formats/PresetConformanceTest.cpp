#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "engine/EncoderNames.h"
#include "engine/FFmpegVCL.h"
#include "formats/FormatCatalog.h"
#include "formats/OptionBuilder.h"
#include "formats/PresetCatalog.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

// What ffprobe calls the container of each extension.
const std::map<std::string, std::string> kContainers = {
    {".avi", "avi"},   {".mp4", "mp4"}, {".flv", "flv"}, {".swf", "swf"}, {".mpg", "mpeg"},
    {".rm", "rm"},     {".wmv", "asf"}, {".mov", "mov"}, {".3gp", "3gp"}, {".wav", "wav"},
    {".mp3", "mp3"},   {".wma", "asf"}, {".ogg", "ogg"}, {".aac", "aac"}, {".m4a", "m4a"},
    {".flac", "flac"}, {".mp2", "mp3"},
};

// The encoders a container uses when a preset names none, on this FFmpeg build.
const std::map<std::string, std::pair<std::string, std::string>> kDefaultCodecs = {
    {".flv", {"flv1", "mp3"}},       {".swf", {"flv1", "mp3"}}, {".rm", {"rv10", "ac3"}},
    {".3gp", {"h263", "aac"}},       {".m4a", {"h264", "aac"}}, {".mp2", {"", "mp2"}},
    {".mpg", {"mpeg1video", "mp2"}},
};

std::string CodecOf(const std::string& encoder) {
    const AVCodec* codec = FindEncoderByName(encoder);
    return codec ? avcodec_get_name(codec->id) : "unknown encoder " + encoder;
}

// The rate the encoder writes for a wish: the nearest it supports.
int NearestRate(const std::string& codecName, int wanted) {
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName.c_str());
    if (!codec) {
        codec = avcodec_find_encoder(avcodec_descriptor_get_by_name(codecName.c_str())->id);
    }
    if (!codec || !codec->supported_samplerates) {
        return wanted;
    }
    int best = codec->supported_samplerates[0];
    for (const int* rate = codec->supported_samplerates; *rate; ++rate) {
        if (std::abs(*rate - wanted) < std::abs(best - wanted)) {
            best = *rate;
        }
    }
    return best;
}

struct Converted {
    bool Ok = false;
    std::string Error;
    std::string Output;
    TOutputOptions Options;
};

class PresetConformance : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        std::filesystem::create_directories(m_dir.File("out"));
        m_settings.OutputFileDir = m_dir.File("out");
    }

    std::string Fixture(const std::string& name, bool video, int width, int height,
                        double seconds) {
        test::FixturePlan fixture;
        fixture.Format = "matroska";
        fixture.VideoCodec = video ? "mpeg4" : "";
        fixture.AudioCodec = "libmp3lame";
        fixture.Width = width;
        fixture.Height = height;
        fixture.Seconds = seconds;
        fixture.VideoBitRate = 2000000;
        const std::string path = m_dir.File(name);
        test::WriteFixture(path, fixture);
        return path;
    }

    Converted Convert(const OutputFormat& format, int row, const std::string& input) {
        SelectOutputFormat(m_settings, format, row);
        Converted result;
        TFFmpegVCL engine;
        TTerminateInfo report;
        engine.OnTerminate = [&](const TTerminateInfo& info) {
            if (info.TaskIndex >= 0) {
                report = info;
            }
        };
        TAVProbe& probe = engine.Probe();
        EXPECT_TRUE(probe.LoadFile(input));
        result.Options = BuildOutputOptions(probe, m_settings);
        TInputOptions in = BuildInputOptions(probe);
        probe.Close();
        result.Output = result.Options.FileName;
        if (engine.AddTask(input, &in) < 0 ||
            !engine.SetOutputFile(0, result.Output, &result.Options)) {
            result.Error = engine.LastErrorMessage();
            return result;
        }
        engine.StartTask(0);
        result.Ok = report.Finished && !report.ErrorRaised;
        result.Error = report.ErrorMessage;
        engine.ClearTasks();
        return result;
    }

    HeadlessMainThread m_mainThread;
    test::TempDir m_dir;
    UserSettings m_settings;
};

// Every preset converts, and the file holds what the preset asked for.
TEST_F(PresetConformance, EveryPresetConverts) {
    const std::string video = Fixture("video.mkv", true, 320, 240, 0.5);
    const std::string audio = Fixture("audio.mka", false, 0, 0, 0.5);
    for (const OutputFormat& format : OutputFormats()) {
        const FormatPresets& presets = PresetsOf(format);
        for (int row = 0; row < format.Rows; ++row) {
            const PresetRow& preset = presets.Rows[static_cast<std::size_t>(row)];
            const std::string name = std::string(format.Name) + " row " + std::to_string(row);
            SCOPED_TRACE(name);
            const bool audioOnly = format.Class == FormatClass::Audio;
            const Converted converted = Convert(format, row, audioOnly ? audio : video);
            ASSERT_TRUE(converted.Ok) << converted.Error;
            auto info = test::FFprobe(converted.Output);
            const std::string extension(format.Extension);
            EXPECT_NE(info["format.format_name"].find(kContainers.at(extension)), std::string::npos)
                << info["format.format_name"];

            const TOutputOptions& o = converted.Options;
            std::map<std::string, std::string> streams;  // codec type -> prefix
            for (int i = 0; i < std::stoi(info["format.nb_streams"]); ++i) {
                const std::string prefix = "streams.stream." + std::to_string(i) + ".";
                streams.emplace(info[prefix + "codec_type"], prefix);
            }
            const auto defaults = kDefaultCodecs.find(extension);
            if (!audioOnly) {
                ASSERT_TRUE(streams.count("video"));
                const std::string v = streams["video"];
                std::string expected = o.VideoCodec.empty() ? "" : CodecOf(o.VideoCodec);
                if (expected.empty() && o.TargetType > 0) {
                    expected = o.TargetType == 1 ? "mpeg1video" : "mpeg2video";
                }
                if (expected.empty() && defaults != kDefaultCodecs.end()) {
                    expected = defaults->second.first;
                }
                EXPECT_EQ(info[v + "codec_name"], expected);
                const int width = preset.Width > 0 ? preset.Width : 320;
                const int height = preset.Height > 0 ? preset.Height : 240;
                EXPECT_EQ(info[v + "width"], std::to_string(width));
                EXPECT_EQ(info[v + "height"], std::to_string(height));
            } else {
                EXPECT_FALSE(streams.count("video"));
            }
            ASSERT_TRUE(streams.count("audio"));
            const std::string a = streams["audio"];
            std::string expected = o.AudioCodec.empty() ? "" : CodecOf(o.AudioCodec);
            if (expected.empty() && defaults != kDefaultCodecs.end()) {
                expected = defaults->second.second;
            }
            if (!expected.empty()) {
                EXPECT_EQ(info[a + "codec_name"], expected);
            }
            const int channels = o.AudioChannels > 0 ? o.AudioChannels : 2;
            EXPECT_EQ(info[a + "channels"], std::to_string(channels));
            const int rate = o.AudioSampleRate > 0 ? o.AudioSampleRate : 44100;
            EXPECT_EQ(info[a + "sample_rate"],
                      std::to_string(NearestRate(info[a + "codec_name"], rate)));
        }
    }
}

TEST_F(PresetConformance, DevicesGetTheProfilesTheyPlay) {
    const std::string video = Fixture("video.mkv", true, 640, 360, 0.3);
    const std::map<std::string, std::string> profiles = {
        {"IPOD", "Constrained Baseline"},
        {"IPHONE", "Constrained Baseline"},
        {"APPLETV", "Constrained Baseline"},
        {"IPAD", "Constrained Baseline"},
        {"PSP", "Main"},
    };
    for (const auto& [key, profile] : profiles) {
        const OutputFormat& format = *FindOutputFormat(key);
        for (int row = 0; row < format.Rows; ++row) {
            SCOPED_TRACE(key + " row " + std::to_string(row));
            const Converted converted = Convert(format, row, video);
            ASSERT_TRUE(converted.Ok) << converted.Error;
            EXPECT_EQ(test::FFprobe(converted.Output)["streams.stream.0.profile"], profile);
        }
    }
}

// Rows that keep the input's size meet pictures no encoder was designed around.
TEST_F(PresetConformance, OriginalSizeRowsTakeAwkwardPictures) {
    for (const auto& [width, height] : {std::pair{854, 480}, std::pair{1920, 1080}}) {
        const std::string input =
            Fixture("odd" + std::to_string(width) + ".mkv", true, width, height, 0.2);
        for (const OutputFormat& format : OutputFormatsOf(FormatClass::Video)) {
            const FormatPresets& presets = PresetsOf(format);
            for (int row = 0; row < format.Rows; ++row) {
                if (presets.Rows[static_cast<std::size_t>(row)].Width > 0) {
                    continue;
                }
                SCOPED_TRACE(std::string(format.Name) + " row " + std::to_string(row) + " at " +
                             std::to_string(width));
                const Converted converted = Convert(format, row, input);
                ASSERT_TRUE(converted.Ok) << converted.Error;
                const test::ProcessResult decoded = test::RunProcess(
                    {"ffmpeg", "-v", "error", "-i", converted.Output, "-f", "null", "-"});
                EXPECT_EQ(decoded.ExitCode, 0) << decoded.Err;
                std::filesystem::remove(converted.Output);
            }
        }
    }
}

}  // namespace
}  // namespace mw
