#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "EngineSession.h"
#include "convert/Thumbnail.h"
#include "engine/EngineError.h"
#include "engine/files/OutputPlacement.h"

namespace mw::cli {

namespace {

bool ParseSize(const std::string& text, int& width, int& height) {
    int consumed = 0;
    return std::sscanf(text.c_str(), "%dx%d%n", &width, &height, &consumed) == 2 &&
           consumed == static_cast<int>(text.size()) && width > 0 && height > 0 && width <= 16384 &&
           height <= 16384;
}

constexpr const char* kUsage = "thumbnail FILE OUT.png [--size WxH]";

struct ThumbnailValues {
    std::string Input;
    std::string Output;
    std::string Size = "128x88";
};

int RunThumbnail(const ThumbnailValues& values) {
    const std::string& input = values.Input;
    const std::string& output = values.Output;
    int width = 0;
    int height = 0;
    if (!ParseSize(values.Size, width, height)) {
        return UsageError(kUsage, "--size takes WIDTHxHEIGHT");
    }
    if (input.empty() || output.empty()) {
        return UsageError(kUsage);
    }
    if (SameFile(input, output)) {
        std::fprintf(stderr, "mediawizard-cli: %s is the input file; it would be overwritten\n",
                     output.c_str());
        return kExitFailed;
    }
    EngineSession session;
    if (!session.Ready()) {
        return kExitFailed;
    }
    TAVProbe probe;
    Bitmap picture;
    try {
        if (!probe.LoadFile(input)) {
            std::fprintf(stderr, "%s\n", probe.LastErrorMessage().c_str());
            return kExitFailed;
        }
        if (probe.VideoStreamIndex() < 0) {
            std::fprintf(stderr, "%s: the file has no video\n", input.c_str());
            return kExitFailed;
        }
        if (!TakeThumbnail(probe, picture)) {
            std::fprintf(stderr, "%s: %s\n", input.c_str(), probe.LastErrorMessage().c_str());
            return kExitFailed;
        }
    } catch (const EngineError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return kExitFailed;
    }
    std::string error;
    const std::string written = SaveBitmapAsPng(ScaleToFit(picture, width, height), output, error);
    if (written.empty()) {
        std::fprintf(stderr, "%s: %s\n", output.c_str(), error.c_str());
        return kExitFailed;
    }
    if (written != output) {
        std::printf("%s exists; the picture was written to %s\n", output.c_str(), written.c_str());
    }
    return kExitOk;
}

}  // namespace

CommandRun AddThumbnailCommand(CLI::App& program) {
    CLI::App& command = AddCommand(program, "thumbnail", kUsage,
                                   "The input list's picture of a media file, saved as PNG.");
    auto values = std::make_shared<ThumbnailValues>();
    command.add_option("FILE", values->Input, "a media file with video")->required();
    command.add_option("OUT.png", values->Output, "the picture to write")->required();
    command.add_option("--size", values->Size, "the largest size of the picture")
        ->type_name("WxH")
        ->capture_default_str();
    return [values] { return RunThumbnail(*values); };
}

}  // namespace mw::cli
