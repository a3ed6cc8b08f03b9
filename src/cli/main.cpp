#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "Commands.h"
#include "core/UtilFuncs.h"

namespace {

// The program beside this one that runs every command but fetch.
constexpr const char* kMediaProgram = "mediawizard-cli-media";

}  // namespace

// A transfer needs none of the media libraries, which are most of what a process of the full
// command line maps and keeps resident: fetch runs in this small program, every other command
// (and the help that lists them all) in the media program, which replaces this one.
int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "fetch") {
        static constexpr mw::cli::AddFunction kFetch[] = {mw::cli::AddFetchCommand};
        return mw::cli::RunCommandLine(argc, argv, kFetch);
    }
    const std::string media = mw::ProgramDir() + kMediaProgram;
    execv(media.c_str(), argv);
    std::fprintf(stderr, "mediawizard-cli: cannot start %s: %s\n", media.c_str(),
                 std::strerror(errno));
    return mw::cli::kExitFailed;
}
