#pragma once

#include <span>
#include <string>

namespace mw::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using Arguments = std::span<const std::string>;

// The arguments before a "--" (options and names) and the names after it, which are
// never options, so that a file named "--format.mp4" can be given.
struct SplitArguments {
    Arguments Options;
    Arguments Names;
};
SplitArguments SplitAtEndOfOptions(Arguments args);

// Prints the problem (when there is one) and the command's usage line; returns kExitUsage.
int UsageError(const char* usage, const std::string& problem = "");

// mediawizard-cli edition [FILE]: the edition configuration the program starts with.
int RunEditionCommand(Arguments args);

// mediawizard-cli probe [--json] FILE...: what the media probe reads of each file.
int RunProbeCommand(Arguments args);

// mediawizard-cli thumbnail FILE OUT.png [--size WxH]: the input list's picture of a file.
int RunThumbnailCommand(Arguments args);

// mediawizard-cli transcode [--join] [--in-opt N=V]... [--opt N=V]... [--field N=V]...
// -o OUTPUT INPUT...: one engine task configured through its option records.
int RunTranscodeCommand(Arguments args);

// mediawizard-cli formats [--json]: classes, formats and their presets (* marks the default).
int RunFormatsCommand(Arguments args);

// mediawizard-cli convert --format NAME [--preset N] [--out DIR] [--join] [--jobs N] [--] FILE...:
// a conversion run as the wizard makes it, with its summary.
int RunConvertCommand(Arguments args);

// mediawizard-cli dvd ROOT: the titles of a DVD folder, image or drive, reported line by
// line as the title dialog shows them.
int RunDvdCommand(Arguments args);
// mediawizard-cli fetch [-o FILE] [--resume] [--header LINE]... [--user U:P] URL: one HTTP
// transfer, its events on stderr, the body to FILE or (without -o) to stdout.
int RunFetchCommand(Arguments args);

}  // namespace mw::cli
