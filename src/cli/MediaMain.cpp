#include "Commands.h"

namespace {

// The commands in the order their help lists them.
constexpr mw::cli::AddFunction kCommands[] = {
    mw::cli::AddEditionCommand,  mw::cli::AddDvdCommand,       mw::cli::AddConvertCommand,
    mw::cli::AddDownloadCommand, mw::cli::AddFetchCommand,     mw::cli::AddFormatsCommand,
    mw::cli::AddProbeCommand,    mw::cli::AddThumbnailCommand, mw::cli::AddTranscodeCommand,
};

}  // namespace

int main(int argc, char** argv) {
    return mw::cli::RunCommandLine(argc, argv, kCommands);
}
