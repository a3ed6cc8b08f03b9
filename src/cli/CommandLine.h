#pragma once

#include <CLI/App.hpp>
#include <functional>
#include <span>
#include <string>

namespace mw::cli {

// A command's work, run after its arguments were parsed into the values it holds.
using CommandRun = std::function<int()>;

// Adds the command NAME to the program's parser. Its help page begins with
// "usage: mediawizard-cli " and USAGE, the same line a usage error prints.
CLI::App& AddCommand(CLI::App& program, const char* name, const char* usage,
                     const char* description);

// The usage line of a command added by AddCommand, or the program's own.
std::string UsageLine(const CLI::App& command);

// Adds a command to the program's parser and returns its run, bound to the values the parser
// fills in.
using AddFunction = CommandRun (*)(CLI::App&);

// Parses the arguments of the program with the given commands (in the order the help lists
// them) and runs the chosen one: help and --version on standard output with exit 0, a parse
// error as a usage error with exit 2.
int RunCommandLine(int argc, char** argv, std::span<const AddFunction> commands);

}  // namespace mw::cli
