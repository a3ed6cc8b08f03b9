#include "OptionBuilder.h"

#include <cmath>
#include <cstdio>

#include "FormatCatalog.h"
#include "PresetCatalog.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {

namespace {

int Even(long long value) {
    return static_cast<int>(2 * (value / 2));
}

std::string SizeText(int width, int height) {
    return std::to_string(width) + "*" + std::to_string(height);
}

// Display shapes this close to the stored shape count as square pixels.
constexpr double kSquareTolerance = 0.01;

// A display shape as a pair of integers: the stored size when the pixels are square (so
// the usual case is exact), else the shape at the stored height.
struct Shape {
    long long Width;
    long long Height;
};

Shape DisplayShape(int width, int height, double aspect) {
    const double stored = static_cast<double>(width) / height;
    if (std::fabs(aspect - stored) <= stored * kSquareTolerance) {
        return {width, height};
    }
    return {std::llround(height * aspect), height};
}

}  // namespace

void FitFrameSize(TOutputOptions& options, int frameWidth, int frameHeight, int inputWidth,
                  int inputHeight, float inputAspect, float frameAspect) {
    float aspect = inputAspect;
    if (aspect == 0.0f || std::isnan(aspect)) {
        aspect = static_cast<float>(static_cast<double>(inputWidth) / inputHeight);
    }
    // The picture is fitted by its shape as shown into the frame's shape as shown, so that
    // it keeps its proportions whatever the pixel shapes of the input and the output.
    const Shape picture = DisplayShape(inputWidth, inputHeight, aspect);
    const Shape frame = frameAspect > 0.0f ? DisplayShape(frameWidth, frameHeight, frameAspect)
                                           : Shape{frameWidth, frameHeight};
    const long long wide = frame.Height * picture.Width;
    const long long tall = frame.Width * picture.Height;
    if (wide == tall) {
        options.FrameSize = SizeText(frameWidth, frameHeight);
    } else if (wide > tall) {
        const int scaledHeight = Even(frameHeight * tall / wide);
        options.FrameSize = SizeText(frameWidth, scaledHeight);
        const int band = frameHeight - scaledHeight;
        options.PadTop = Even(band / 2);
        options.PadBottom = band - options.PadTop;
        options.PadLeft = 0;
        options.PadRight = 0;
    } else {
        const int scaledWidth = Even(frameWidth * wide / tall);
        options.FrameSize = SizeText(scaledWidth, frameHeight);
        const int band = frameWidth - scaledWidth;
        options.PadLeft = Even(band / 2);
        options.PadRight = band - options.PadLeft;
        options.PadTop = 0;
        options.PadBottom = 0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.3Lf", static_cast<long double>(frame.Width) / frame.Height);
    options.AspectRatio = text;
}

float FrameDisplayAspect(const TOutputOptions& options) {
    // Disc targets are shown at 4:3 whatever their stored size.
    return options.TargetType > 0 ? 4.0f / 3.0f : 0.0f;
}

std::string OutputFileName(const std::string& inputName, const UserSettings& settings,
                           const std::set<std::string>& takenNames) {
    const std::string extension = OutputExtension(settings);
    std::string name = ExtractFileName(inputName);
    const std::size_t dot = name.find_last_of('.');
    name = (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
    const std::string folder = WithTrailingBackslash(settings.OutputFileDir);
    // Names handed out earlier in the run count as taken, so that two inputs with the same
    // base name never write one file.
    const std::string unique = UniqueFileName(
        name, folder, [&](const std::string& path) { return takenNames.count(path) > 0; });
    return folder + unique;
}

TOutputOptions BuildOutputOptions(TCustomAVProbe& probe, const UserSettings& settings,
                                  const std::set<std::string>& takenNames) {
    TOutputOptions options;
    InitOutputOptions(options);
    options.FileExt = OutputExtension(settings);
    options.FileName = OutputFileName(probe.FileName(), settings, takenNames);
    const OutputFormat* format = SelectedFormat(settings);
    if (!format) {
        return options;
    }
    if (format->Class == FormatClass::Audio) {
        options.DisableVideo = true;
    } else if (format->Class == FormatClass::Video) {
        options.DisableVideo = false;
    }
    std::optional<std::int32_t> inputAudioBitRate;
    if (TAudioStreamInfo audio; probe.AudioStreamIndex() >= 0 &&
                                probe.GetAudioStreamInfo(probe.AudioStreamIndex(), audio)) {
        inputAudioBitRate = audio.BitRate;
    }
    const std::int32_t* index = settings.PresetIndex(format->SettingsKey);
    const PresetSize size = ApplyPreset(*format, index ? *index : -1, options, inputAudioBitRate);
    if (size.Width > 0 && size.Height > 0) {
        // Without a picture to fit (audio-only input) there is nothing to fit.
        TVideoStreamInfo video;
        if (probe.VideoStreamIndex() >= 0 && probe.GetVideoStreamInfo(-1, video) &&
            video.Width > 0 && video.Height > 0) {
            FitFrameSize(options, size.Width, size.Height, video.Width, video.Height,
                         video.DisplayAspectRatio, FrameDisplayAspect(options));
        }
    }
    return options;
}

TInputOptions BuildInputOptions(TCustomAVProbe& probe) {
    TInputOptions options;
    InitInputOptions(options);
    options.FileName = probe.FileName();
    options.FileFormat = probe.FormatName();
    return options;
}

}  // namespace mw
