#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "Commands.h"

namespace mw::cli {

namespace {

constexpr const char* kProgramUsage = "COMMAND [ARGS]";

// The help pages of the program and its commands: the usage line first, as a usage error
// prints it, then what the command does and its arguments.
class CommandHelp final : public CLI::Formatter {
public:
    explicit CommandHelp(std::string usage) : m_usage(std::move(usage)) {
        label("OPTIONS", "options");
        label("Positionals", "arguments");
    }

    const std::string& Usage() const { return m_usage; }

    std::string make_usage(const CLI::App*, std::string) const override {
        return "usage: mediawizard-cli " + m_usage + "\n";
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        std::string page = make_usage(app, name) + "\n";
        if (!app->get_description().empty()) {
            page += app->get_description() + "\n";
        }
        page += make_positionals(app) + make_groups(app, mode);
        if (app->get_parent() == nullptr) {
            page += "\ncommands:\n";
            for (const CLI::App* command : app->get_subcommands({})) {
                page += "  mediawizard-cli " + UsageLine(*command) + "\n";
            }
            page += "\n'mediawizard-cli COMMAND --help' describes a command.\n";
        }
        return page;
    }

private:
    std::string m_usage;
};

bool IsCommandName(const CLI::App& program, std::string_view name) {
    for (const CLI::App* command : program.get_subcommands({})) {
        if (command->get_name() == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

CLI::App& AddCommand(CLI::App& program, const char* name, const char* usage,
                     const char* description) {
    CLI::App& command = *program.add_subcommand(name, description);
    command.formatter(std::make_shared<CommandHelp>(usage));
    command.set_help_flag("-h,--help", "show this help");
    return command;
}

std::string UsageLine(const CLI::App& command) {
    const auto help = std::dynamic_pointer_cast<CommandHelp>(command.get_formatter());
    return help ? help->Usage() : std::string(kProgramUsage);
}

int UsageError(const char* usage, const std::string& problem) {
    if (!problem.empty()) {
        std::fprintf(stderr, "mediawizard-cli: %s\n", problem.c_str());
    }
    std::fprintf(stderr, "usage: mediawizard-cli %s\n", usage);
    return kExitUsage;
}

int RunCommandLine(int argc, char** argv, std::span<const AddFunction> commands) {
    CLI::App program("Converts, probes, downloads and fetches media the way the MediaWizard "
                     "desktop program does.",
                     "mediawizard-cli");
    program.formatter(std::make_shared<CommandHelp>(kProgramUsage));
    program.option_defaults()->group("options");
    program.set_help_flag("-h,--help", "show this help");
    program.set_version_flag("--version", std::string("mediawizard-cli ") + MW_VERSION,
                             "show the version");
    program.require_subcommand(1);
    // An option given twice takes its last value.
    program.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    std::vector<CommandRun> runs;
    for (const AddFunction add : commands) {
        runs.push_back(add(program));
    }

    if (argc >= 2 && argv[1][0] != '-' && !IsCommandName(program, argv[1])) {
        return UsageError(kProgramUsage, std::string("unknown command '") + argv[1] + "'");
    }
    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return program.exit(error, std::cout, std::cerr);
        }
        const std::vector<CLI::App*> chosen = program.get_subcommands();
        const std::string usage = chosen.empty() ? kProgramUsage : UsageLine(*chosen.front());
        return UsageError(usage.c_str(), error.what());
    }
    const std::vector<CLI::App*> all = program.get_subcommands({});
    const CLI::App* chosen = program.get_subcommands().front();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == chosen) {
            return runs[i]();
        }
    }
    return kExitUsage;
}

}  // namespace mw::cli
