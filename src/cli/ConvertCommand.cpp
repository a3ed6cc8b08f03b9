#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "ConversionRun.h"
#include "DvdChoice.h"
#include "Interrupt.h"
#include "core/Ini.h"
#include "core/UtilFuncs.h"

namespace mw::cli {

namespace {

constexpr const char* kUsage =
    "convert --format NAME [--preset N] [--out DIR] [--join] [--jobs N] [--dvd ROOT --title N "
    "[--chapters A-B] [--audio ID] [--subtitle ID] [--deinterlace]] [--] FILE...";

struct ConvertValues {
    std::string Format;
    std::optional<std::string> Preset;
    std::string Folder;
    bool Join = false;
    std::string Jobs = "1";
    std::vector<std::string> Files;
    DvdOptions Dvd;
    bool DvdGiven = false;
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
    std::optional<DvdNumbers> dvdNumbers;
    if (values.DvdGiven) {
        std::string dvdProblem;
        dvdNumbers = ParseDvdOptions(values.Dvd, dvdProblem);
        if (!dvdNumbers) {
            return UsageError(kUsage, dvdProblem);
        }
    } else if (values.Files.empty()) {
        return UsageError(kUsage, "FILE or --dvd is needed");
    }
    if (dvdNumbers) {
        DvdTitleChoice title;
        std::string message;
        if (!ChooseDvdTitle(ProgramDir(), values.Dvd.Root, *dvdNumbers, values.Dvd.Deinterlace,
                            title, message)) {
            std::fprintf(stderr, "mediawizard-cli: %s\n", message.c_str());
            return kExitFailed;
        }
        request.DvdTitle = title;
    }
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
    DvdOptions& dvd = values->Dvd;
    command
        .add_option("--dvd", dvd.Root, "a DVD root (folder, image or drive): its title comes first")
        ->type_name("ROOT");
    command.add_option("--title", dvd.Title, "the DVD title, numbered from 1")->type_name("N");
    command.add_option("--chapters", dvd.Chapters, "the chapters (default: all)")->type_name("A-B");
    command
        .add_option("--audio", dvd.Audio,
                    "the audio stream id (default: the title's first; 0: none)")
        ->type_name("ID");
    command
        .add_option("--subtitle", dvd.Subtitle,
                    "the sub-picture stream id to burn in (default: none)")
        ->type_name("ID");
    command.add_flag("--deinterlace", dvd.Deinterlace, "deinterlace the title's pictures");
    command.add_option("FILE", values->Files, "the files to convert");
    return [values, &command] {
        const DvdOptions& given = values->Dvd;
        values->DvdGiven = command.count("--dvd") > 0 || given.Title || given.Chapters ||
                           given.Audio || given.Subtitle || given.Deinterlace;
        return RunConvert(*values);
    };
}

}  // namespace mw::cli
