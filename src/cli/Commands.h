#pragma once

#include <string>

#include "CommandLine.h"
#include "ExitCodes.h"

namespace mw::cli {

// Prints the problem (when there is one) and the command's usage line; returns kExitUsage.
int UsageError(const char* usage, const std::string& problem = "");

// Each Add...Command adds its command to the program's parser and returns its run, bound to
// the values the parser fills in.

// mediawizard-cli edition [FILE]: the edition configuration the program starts with.
CommandRun AddEditionCommand(CLI::App& program);

// mediawizard-cli probe [--json] FILE...: what the media probe reads of each file.
CommandRun AddProbeCommand(CLI::App& program);

// mediawizard-cli thumbnail FILE OUT.png [--size WxH]: the input list's picture of a file.
CommandRun AddThumbnailCommand(CLI::App& program);

// mediawizard-cli transcode [--join] [--in-opt N=V]... [--opt N=V]... [--field N=V]...
// -o OUTPUT INPUT...: one engine task configured through its option records.
CommandRun AddTranscodeCommand(CLI::App& program);

// mediawizard-cli formats [--json]: classes, formats and their presets (* marks the default).
CommandRun AddFormatsCommand(CLI::App& program);

// mediawizard-cli convert --format NAME [--preset N] [--out DIR] [--join] [--jobs N] FILE...:
// a conversion run as the wizard makes it, with its summary.
CommandRun AddConvertCommand(CLI::App& program);

// mediawizard-cli dvd ROOT: the titles of a DVD folder, image or drive, reported line by
// line as the title dialog shows them.
CommandRun AddDvdCommand(CLI::App& program);

// mediawizard-cli fetch [-o FILE] [--resume] [--header LINE]... [--user U:P] URL: one HTTP
// transfer, its events on stderr, the body to FILE or (without -o) to stdout.
CommandRun AddFetchCommand(CLI::App& program);

// mediawizard-cli download [--out DIR] [--quality default|best|LIST] [--convert FORMAT
// [--preset N]] LINK...: a download run as the wizard makes it, with its summary, and the
// hand-off of the saved files to a conversion run.
CommandRun AddDownloadCommand(CLI::App& program);

}  // namespace mw::cli
