#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "ConversionRun.h"
#include "Interrupt.h"
#include "core/Ini.h"

namespace mw::cli {

namespace {

constexpr const char* kUsage =
    "convert --format NAME [--preset N] [--out DIR] [--join] [--jobs N] [--] FILE...";

struct ConvertValues {
    std::string Format;
    std::optional<std::string> Preset;
    std::string Folder;
    bool Join = false;
    std::string Jobs = "1";
    std::vector<std::string> Files;
};

int RunConvert(const ConvertValues& values) {
    // A stop asked for at any time is honoured: nothing is written before this point.
    InterruptRequest interrupt;
    ConversionRequest request;
    const std::string problem = ChooseFormat(values.Format, values.Preset, request);
    if (!problem.empty()) {
        return UsageError(kUsage, problem);
    }
    const std::optional<int> jobCount = ParseIniInteger(values.Jobs);
    if (!jobCount || *jobCount < 0) {
        return UsageError(kUsage, "--jobs takes a number of tasks (0: one per core)");
    }
    const int jobs = *jobCount == 0
                         ? static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))
                         : *jobCount;
    request.Folder =
        values.Folder.empty() ? std::filesystem::current_path().string() : values.Folder;
    request.Files = values.Files;
    request.Join = values.Join;
    request.Jobs = jobs;
    return RunConversion(request, interrupt);
}

}  // namespace

CommandRun AddConvertCommand(CLI::App& program) {
    CLI::App& command = AddCommand(program, "convert", kUsage,
                                   "A conversion run as the wizard makes it, with its summary.");
    auto values = std::make_shared<ConvertValues>();
    command.add_option("--format", values->Format, "the output format (see 'formats')")
        ->type_name("NAME")
        ->required();
    command.add_option("--preset", values->Preset, "the preset row (default: the format's own)")
        ->type_name("N");
    command.add_option("--out", values->Folder, "the output folder (default: the current one)")
        ->type_name("DIR");
    command.add_flag("--join", values->Join, "join every file into one output");
    command.add_option("--jobs", values->Jobs, "tasks converting side by side (0: one per core)")
        ->type_name("N")
        ->capture_default_str();
    command.add_option("FILE", values->Files, "the files to convert")->required();
    return [values] { return RunConvert(*values); };
}

}  // namespace mw::cli
