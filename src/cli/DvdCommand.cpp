#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "core/UtilFuncs.h"
#include "dvd/DVDPlugIn.h"
#include "dvd/DvdTitles.h"

namespace mw::cli {

namespace {

constexpr const char* kUsage = "dvd ROOT";

int RunDvd(const std::string& root) {
    if (root.empty()) {
        return UsageError(kUsage, "a DVD root is needed");
    }
    dvd::DVDPlugIn plugIn(ProgramDir());
    if (!plugIn.Load()) {
        std::fprintf(stderr, "mediawizard-cli: %s\n", plugIn.LastErrorMessage().c_str());
        return kExitFailed;
    }
    const std::optional<dvd::DvdDisc> disc = dvd::ReadDvdRoot(plugIn, root);
    if (plugIn.ReaderCrashes() > 0) {
        std::fprintf(stderr, "mediawizard-cli: the DVD reader stopped %d time(s) on damaged data\n",
                     plugIn.ReaderCrashes());
    }
    if (!disc) {
        std::fprintf(stderr, "mediawizard-cli: %s\n", dvd::kNoTitlesMessage);
        return kExitFailed;
    }
    for (const std::string& line : disc->Log) {
        std::printf("%s\n", line.c_str());
    }
    if (disc->Encrypted) {
        std::fprintf(stderr, "mediawizard-cli: %s\n", dvd::kEncryptedMessage);
    }
    return kExitOk;
}

}  // namespace

CommandRun AddDvdCommand(CLI::App& program) {
    CLI::App& command =
        AddCommand(program, "dvd", kUsage,
                   "The titles of a DVD folder, image or drive, as the title dialog lists them.");
    auto root = std::make_shared<std::string>();
    command.add_option("ROOT", *root, "a DVD folder (holding VIDEO_TS), an image or a drive")
        ->required();
    return [root] { return RunDvd(*root); };
}

}  // namespace mw::cli
