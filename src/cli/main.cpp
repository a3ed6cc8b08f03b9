#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"

namespace {

struct Command {
    std::string_view Name;
    std::string_view Usage;
    int (*Run)(mw::cli::Arguments);
};

constexpr Command kCommands[] = {
    {"edition", "edition [EDITION-FILE]", mw::cli::RunEditionCommand},
    {"dvd", "dvd ROOT", mw::cli::RunDvdCommand},
    {"convert", "convert --format NAME [--preset N] [--out DIR] [--join] [--jobs N] [--] FILE...",
     mw::cli::RunConvertCommand},
    {"fetch", "fetch [-o FILE] [--resume] [--header LINE]... [--user USER:PASSWORD] URL",
     mw::cli::RunFetchCommand},
    {"formats", "formats [--json]", mw::cli::RunFormatsCommand},
    {"probe", "probe [--json] FILE...", mw::cli::RunProbeCommand},
    {"thumbnail", "thumbnail FILE OUT.png [--size WxH]", mw::cli::RunThumbnailCommand},
    {"transcode",
     "transcode [--join] [--in-opt NAME=VALUE]... [--opt NAME=VALUE]... [--field NAME=VALUE]... "
     "-o OUTPUT INPUT...",
     mw::cli::RunTranscodeCommand},
};

void PrintUsage() {
    std::fputs("usage: mediawizard-cli COMMAND [ARGS]\n\ncommands:\n", stderr);
    for (const Command& command : kCommands) {
        std::fprintf(stderr, "  mediawizard-cli %.*s\n", static_cast<int>(command.Usage.size()),
                     command.Usage.data());
    }
}

}  // namespace

namespace mw::cli {

SplitArguments SplitAtEndOfOptions(Arguments args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            return {args.subspan(0, i), args.subspan(i + 1)};
        }
    }
    return {args, Arguments()};
}

int UsageError(const char* usage, const std::string& problem) {
    if (!problem.empty()) {
        std::fprintf(stderr, "mediawizard-cli: %s\n", problem.c_str());
    }
    std::fprintf(stderr, "usage: mediawizard-cli %s\n", usage);
    return kExitUsage;
}

}  // namespace mw::cli

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage();
        return mw::cli::kExitUsage;
    }
    const std::string_view name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (command.Name == name) {
            return command.Run(args);
        }
    }
    if (name != "--help" && name != "-h") {
        std::fprintf(stderr, "mediawizard-cli: unknown command '%s'\n", argv[1]);
    }
    PrintUsage();
    return mw::cli::kExitUsage;
}
