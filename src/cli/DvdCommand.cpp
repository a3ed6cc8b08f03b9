#include <cstdio>
#include <string>

#include "Commands.h"
#include "core/UtilFuncs.h"
#include "dvd/DVDPlugIn.h"
#include "dvd/DvdTitles.h"

namespace mw::cli {

int RunDvdCommand(Arguments args) {
    if (args.size() != 1 || args[0].empty() || args[0].starts_with("-")) {
        return UsageError("dvd ROOT", args.size() == 1 ? "a DVD root is needed" : "");
    }
    dvd::DVDPlugIn plugIn(ProgramDir());
    if (!plugIn.Load()) {
        std::fprintf(stderr, "mediawizard-cli: %s\n", plugIn.LastErrorMessage().c_str());
        return kExitFailed;
    }
    const std::optional<dvd::DvdDisc> disc = dvd::ReadDvdRoot(plugIn, args[0]);
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

}  // namespace mw::cli
