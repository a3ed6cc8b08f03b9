#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "Commands.h"
#include "EngineSession.h"
#include "Interrupt.h"
#include "convert/ConversionDriver.h"
#include "convert/InputList.h"
#include "core/Ini.h"
#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "formats/FormatCatalog.h"

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
    const OutputFormat* format = FindOutputFormat(values.Format);
    if (!format) {
        return UsageError(kUsage, "no output format is named " + values.Format);
    }
    int preset = format->DefaultRow;
    if (values.Preset) {
        const std::optional<int> value = ParseIniInteger(*values.Preset);
        if (!value || *value < 0) {
            return UsageError(kUsage, "--preset takes a row number");
        }
        preset = *value;
    }
    const std::optional<int> jobCount = ParseIniInteger(values.Jobs);
    if (!jobCount || *jobCount < 0) {
        return UsageError(kUsage, "--jobs takes a number of tasks (0: one per core)");
    }
    const int jobs = *jobCount == 0
                         ? static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))
                         : *jobCount;
    const bool join = values.Join;
    const std::string folder =
        values.Folder.empty() ? std::filesystem::current_path().string() : values.Folder;
    const std::vector<std::string>& files = values.Files;
    if (preset >= format->Rows) {
        return UsageError(kUsage, std::string(format->Name) + " has presets 0 to " +
                                      std::to_string(format->Rows - 1));
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "mediawizard-cli: cannot create the folder %s\n", folder.c_str());
        return kExitFailed;
    }

    EngineSession session;
    if (!session.Ready()) {
        return kExitFailed;
    }
    UserSettings settings;
    settings.OutputFileDir = WithTrailingBackslash(folder);
    SelectOutputFormat(settings, *format, preset);

    const bool terminal = isatty(STDOUT_FILENO);
    auto log = [terminal](const std::string& line) {
        std::printf("%s%s\n", terminal ? "\r\033[K" : "", line.c_str());
    };
    TFFmpegVCL engine;
    InputList inputs;
    try {
        // A join needs each file's shape up front; a file-by-file run probes as it queues.
        if (join) {
            inputs.AddFiles(engine.Probe(), files, log, false);
        } else {
            inputs.AddNames(files);
        }
    } catch (const EngineError& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return kExitFailed;
    }

    ConversionDriver driver(engine, settings, join, log);
    driver.SetThreadCount(jobs);
    std::vector<std::optional<RowState>> states;
    bool finished = false;
    driver.OnChanged = [&] {
        const std::vector<ConversionRow>& rows = driver.Rows();
        states.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!join && rows[i].State != states[i]) {
                states[i] = rows[i].State;
                if (rows[i].State == RowState::Waiting) {
                    log("Queued: " + rows[i].Name);
                } else if (rows[i].State != RowState::Converting) {
                    log(rows[i].Name + ": " + rows[i].Status);
                }
            }
        }
        if (terminal && driver.Running() && driver.CurrentFile() != "...") {
            std::printf("\r\033[K%s %3d%% elapsed %s estimated %s left %s",
                        ExtractFileName(driver.CurrentFile()).c_str(), driver.Percent(),
                        driver.Elapsed().c_str(), driver.Estimated().c_str(),
                        driver.TimeLeft().c_str());
            std::fflush(stdout);
        }
    };
    driver.OnFinish = [&] { finished = true; };
    driver.StartRun(inputs);
    bool cancelled = false;
    while (!finished) {
        if (interrupt.Requested() && !cancelled) {
            cancelled = true;
            driver.CancelRun();
        }
        MainThread::Instance()->WaitAndProcess(std::chrono::milliseconds(20));
    }
    if (join && driver.RunTotalFiles() == 1) {
        log(driver.Rows().empty() ? std::string("Nothing was joined.")
                                  : "Joined into " + driver.Rows().front().Path +
                                        (driver.RunSucceeded() == 1 ? ": Finish." : ": Failed."));
    }
    for (const std::string& line : driver.RunErrors()) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    const int total = driver.RunTotalFiles();
    const int succeeded = driver.RunSucceeded();
    std::printf("Total files: %d\nSucceeded: %d\nFailed: %d\n", total, succeeded,
                total - succeeded);
    return succeeded == total ? kExitOk : kExitFailed;
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
