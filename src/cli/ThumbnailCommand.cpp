#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "EngineSession.h"
#include "convert/Thumbnail.h"
#include "engine/EngineError.h"
#include "engine/OutputPlacement.h"

namespace mw::cli {

namespace {

bool ParseSize(const std::string& text, int& width, int& height) {
    int consumed = 0;
    return std::sscanf(text.c_str(), "%dx%d%n", &width, &height, &consumed) == 2 &&
           consumed == static_cast<int>(text.size()) && width > 0 && height > 0 && width <= 16384 &&
           height <= 16384;
}

}  // namespace

int RunThumbnailCommand(Arguments args) {
    constexpr const char* kUsage = "thumbnail FILE OUT.png [--size WxH]";
    std::string input;
    std::string output;
    int width = 128;
    int height = 88;
    const auto [options, names] = SplitAtEndOfOptions(args);
    std::vector<std::string> files;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i] == "--size") {
            if (i + 1 >= options.size() || !ParseSize(options[i + 1], width, height)) {
                return UsageError(kUsage, "--size takes WIDTHxHEIGHT");
            }
            ++i;
        } else {
            files.push_back(options[i]);
        }
    }
    files.insert(files.end(), names.begin(), names.end());
    if (files.size() == 2) {
        input = files[0];
        output = files[1];
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

}  // namespace mw::cli
