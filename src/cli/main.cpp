#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ExitCodes.h"
#include "core/UtilFuncs.h"

namespace {

// The programs beside this one: the transfer command and every other command.
constexpr const char* kFetchProgram = "mediawizard-cli-fetch";
constexpr const char* kMediaProgram = "mediawizard-cli-media";

}  // namespace

// A transfer needs none of the media libraries, which are most of what a process of the full
// command line maps and keeps resident, and a media command none of the start-up of the TLS
// and network libraries. This program maps neither: it replaces itself with the program that
// runs the command, fetch or any other (and the help that lists them all).
int main(int argc, char** argv) {
    const bool fetch = argc >= 2 && std::string_view(argv[1]) == "fetch";
    const std::string program = mw::ProgramDir() + (fetch ? kFetchProgram : kMediaProgram);
    execv(program.c_str(), argv);
    std::fprintf(stderr, "mediawizard-cli: cannot start %s: %s\n", program.c_str(),
                 std::strerror(errno));
    return mw::cli::kExitFailed;
}
