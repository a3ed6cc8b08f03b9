#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "engine/FFmpegVCL.h"
#include "engine/codecs/EncoderNames.h"
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

double Seconds(const std::string& text) {
    return text.empty() || text == "N/A" ? -1 : std::stod(text);
}

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

// A 16:9 picture stored two ways: square pixels, and PAL's 720x576 with wide pixels.
struct WideInput {
    const char* Name;
    int Width;
    int Height;
    int SampleAspectNum;
    int SampleAspectDen;
};
constexpr WideInput kWideInputs[] = {{"square.mkv", 640, 360, 0, 1}, {"pal.mkv", 720, 576, 64, 45}};
constexpr double kWide = 16.0 / 9.0;

// ffprobe's "16:9" or "N/A" (no shape stored: square pixels) as a number.
double Ratio(const std::string& text, double unknown) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return unknown;
    }
    const double num = std::stod(text.substr(0, colon));
    const double den = std::stod(text.substr(colon + 1));
    return num > 0 && den > 0 ? num / den : unknown;
}

// The picture size FrameSize asks for ("640*360").
std::pair<int, int> SizeOf(const std::string& text) {
    const std::size_t star = text.find('*');
    return {std::stoi(text.substr(0, star)), std::stoi(text.substr(star + 1))};
}

class PresetConformance : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadEngineLibraries();
        std::filesystem::create_directories(m_dir.File("out"));
        m_settings.OutputFileDir = m_dir.File("out");
    }

    std::string Fixture(const std::string& name, bool video, int width, int height, double seconds,
                        int sarNum = 0, int sarDen = 1) {
        test::FixturePlan fixture;
        fixture.Format = "matroska";
        fixture.VideoCodec = video ? "mpeg4" : "";
        fixture.AudioCodec = "libmp3lame";
        fixture.Width = width;
        fixture.Height = height;
        fixture.Seconds = seconds;
        fixture.VideoBitRate = 2000000;
        fixture.SampleAspectNum = sarNum;
        fixture.SampleAspectDen = sarDen;
        const std::string path = m_dir.File(name);
        test::WriteFixture(path, fixture);
        return path;
    }

    Converted Convert(const OutputFormat& format, int row, const std::string& input) {
        SelectOutputFormat(m_settings, format, row);
        Converted result;
        TFFmpegVCL engine;
        TTerminateInfo report;
        engine.SetOnTerminate([&](const TTerminateInfo& info) {
            if (info.TaskIndex >= 0) {
                report = info;
            }
        });
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

struct PresetCase {
    const OutputFormat* Format;
    int Row;
};

void PrintTo(const PresetCase& preset, std::ostream* out) {
    *out << preset.Format->Name << " row " << preset.Row;
}

std::vector<PresetCase> EveryPreset() {
    std::vector<PresetCase> cases;
    for (const OutputFormat& format : OutputFormats()) {
        for (int row = 0; row < format.Rows; ++row) {
            cases.push_back({&format, row});
        }
    }
    return cases;
}

std::string PresetName(const ::testing::TestParamInfo<PresetCase>& info) {
    std::string name =
        std::string(info.param.Format->EditionKey) + "_row_" + std::to_string(info.param.Row);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

class EveryPresetRow : public PresetConformance, public ::testing::WithParamInterface<PresetCase> {
protected:
    // The file holds what the preset asked for, in full, and decodes without an error.
    void CheckOutput(const Converted& converted, int inputWidth, int inputHeight,
                     double inputSeconds) {
        const OutputFormat& format = *GetParam().Format;
        const PresetRow& preset = PresetsOf(format).Rows[static_cast<std::size_t>(GetParam().Row)];
        auto info = test::FFprobe(converted.Output);
        const std::string extension(format.Extension);
        EXPECT_NE(info["format.format_name"].find(kContainers.at(extension)), std::string::npos)
            << info["format.format_name"];
        const double seconds = Seconds(info["format.duration"]);
        if (seconds >= 0) {
            EXPECT_NEAR(seconds, inputSeconds, 0.2);
        }

        const TOutputOptions& o = converted.Options;
        std::map<std::string, std::string> streams;  // codec type -> prefix
        for (int i = 0; i < std::stoi(info["format.nb_streams"]); ++i) {
            const std::string prefix = "streams.stream." + std::to_string(i) + ".";
            streams.emplace(info[prefix + "codec_type"], prefix);
        }
        const auto defaults = kDefaultCodecs.find(extension);
        if (format.Class != FormatClass::Audio) {
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
            // A file that cannot tell the pixels' shape gets square ones, as wide as shown.
            const std::string sar = info[v + "sample_aspect_ratio"];
            const int shownWidth = static_cast<int>(std::lround(inputHeight * kWide));
            const int width = preset.Width > 0      ? preset.Width
                              : Ratio(sar, 0.0) > 0 ? inputWidth
                                                    : shownWidth;
            const int height = preset.Height > 0 ? preset.Height : inputHeight;
            EXPECT_EQ(info[v + "width"], std::to_string(width));
            EXPECT_EQ(info[v + "height"], std::to_string(height));
            CheckDisplayAspect(converted, sar, width, height);
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

        const test::ProcessResult decoded =
            test::RunProcess({"ffmpeg", "-v", "error", "-i", converted.Output, "-f", "null", "-"});
        EXPECT_EQ(decoded.ExitCode, 0) << decoded.Err;
    }

    // A player shows the 16:9 picture undistorted: a frame of the preset's size is shown at
    // its own shape (4:3 for disc targets) with the picture inside at 16:9; a frame of the
    // input's size is shown at 16:9.
    static void CheckDisplayAspect(const Converted& converted, const std::string& sarText,
                                   int width, int height) {
        const double sar = Ratio(sarText, 1.0);
        const double shown = width * sar / height;
        const TOutputOptions& o = converted.Options;
        if (o.FrameSize.empty()) {
            EXPECT_NEAR(shown, kWide, 0.02) << "SAR " << sarText;
            return;
        }
        const double frame = o.TargetType > 0 ? 4.0 / 3.0 : static_cast<double>(width) / height;
        EXPECT_NEAR(shown, frame, 0.01) << "SAR " << sarText;
        const auto [pictureWidth, pictureHeight] = SizeOf(o.FrameSize);
        const int frameWidth = pictureWidth + o.PadLeft + o.PadRight;
        const int frameHeight = pictureHeight + o.PadTop + o.PadBottom;
        const double picture = shown * pictureWidth / frameWidth * frameHeight / pictureHeight;
        EXPECT_NEAR(picture, kWide, 0.03)
            << o.FrameSize << " in " << frameWidth << "x" << frameHeight;
    }
};

TEST_P(EveryPresetRow, ConvertsWhatItPromises) {
    const OutputFormat& format = *GetParam().Format;
    const int row = GetParam().Row;
    constexpr double kSeconds = 0.4;
    if (format.Class == FormatClass::Audio) {
        const Converted converted =
            Convert(format, row, Fixture("audio.mka", false, 0, 0, kSeconds));
        ASSERT_TRUE(converted.Ok) << converted.Error;
        CheckOutput(converted, 0, 0, kSeconds);
        return;
    }
    for (const WideInput& input : kWideInputs) {
        SCOPED_TRACE(input.Name);
        const std::string path = Fixture(input.Name, true, input.Width, input.Height, kSeconds,
                                         input.SampleAspectNum, input.SampleAspectDen);
        const Converted converted = Convert(format, row, path);
        ASSERT_TRUE(converted.Ok) << converted.Error;
        CheckOutput(converted, input.Width, input.Height, kSeconds);
        std::filesystem::remove(converted.Output);
    }
}

INSTANTIATE_TEST_SUITE_P(Presets, EveryPresetRow, ::testing::ValuesIn(EveryPreset()), PresetName);

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
