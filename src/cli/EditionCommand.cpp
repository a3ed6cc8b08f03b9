#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "core/EditionConfig.h"
#include "core/EditionTable.h"
#include "core/Ini.h"
#include "core/UtilFuncs.h"

namespace mw::cli {

namespace {

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

template <typename Keys, typename Flags>
std::string EnabledKeys(const Keys& keys, const Flags& flags) {
    std::string text;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (flags[i]) {
            text += (text.empty() ? "" : " ") + std::string(keys[i]);
        }
    }
    return text.empty() ? "(none)" : text;
}

int RunEdition(const std::string& file) {
    const std::string path = file.empty() ? EditionFilePath() : file;
    if (!PathExists(path)) {
        std::fprintf(stderr, "mediawizard-cli: no edition file at %s; the defaults apply\n",
                     path.c_str());
    } else if (!Ini(path).Loaded()) {
        std::fprintf(stderr,
                     "mediawizard-cli: %s is not a readable text file of at most %zu bytes; the "
                     "defaults apply\n",
                     path.c_str(), Ini::kMaxFileSize);
    }
    const EditionConfig edition = LoadEditionConfig(path);
    const EditionRow* row = FindEdition(edition.Name);
    std::printf("Edition file:   %s\n", path.c_str());
    std::printf("Name:           %s\n", edition.Name.c_str());
    std::printf("Version:        %s\n", edition.Version.c_str());
    std::printf("Copyright:      %s\n", edition.Copyright.c_str());
    std::printf("Known edition:  %s", YesNo(row != nullptr));
    if (row) {
        std::printf(" (icon %s, compact window %s, simple About %s)", row->IconResource.c_str(),
                    YesNo(row->CompactWindow), YesNo(row->SimpleAbout));
    }
    std::printf("\nVideo formats:  %s\n",
                EnabledKeys(kVideoFormatKeys, edition.VideoFormats).c_str());
    std::printf("Device formats: %s\n",
                EnabledKeys(kDeviceFormatKeys, edition.DeviceFormats).c_str());
    std::printf("Audio formats:  %s\n",
                EnabledKeys(kAudioFormatKeys, edition.AudioFormats).c_str());
    std::printf("Defaults:       class %d, video %d, device %d, audio %d\n", edition.DefaultClass,
                edition.DefaultVideo, edition.DefaultDevice, edition.DefaultAudio);
    std::printf("Download: %s, DVD: %s, Join: %s\n", YesNo(edition.Download), YesNo(edition.DVD),
                YesNo(edition.Merge));
    std::printf("Images:         %s\n", ImageFolder(edition).c_str());
    try {
        std::printf("Skin:           %d\n", edition.SkinNumber());
    } catch (const ConvertError& error) {
        std::fprintf(stderr, "mediawizard-cli: Skin: %s\n", error.what());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

CommandRun AddEditionCommand(CLI::App& program) {
    CLI::App& command = AddCommand(program, "edition", "edition [EDITION-FILE]",
                                   "The edition configuration the program starts with.");
    auto file = std::make_shared<std::string>();
    command.add_option("EDITION-FILE", *file,
                       "the edition file (default: the one beside the program)");
    return [file] { return RunEdition(*file); };
}

}  // namespace mw::cli
