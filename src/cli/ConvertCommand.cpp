#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
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

int RunConvertCommand(Arguments args) {
    // A stop asked for at any time is honoured: nothing is written before this point.
    InterruptRequest interrupt;
    constexpr const char* kUsage =
        "convert --format NAME [--preset N] [--out DIR] [--join] [--jobs N] [--] FILE...";
    const OutputFormat* format = nullptr;
    int preset = -2;
    std::string folder = std::filesystem::current_path().string();
    bool join = false;
    int jobs = 1;
    const auto [options, names] = SplitAtEndOfOptions(args);
    std::vector<std::string> files;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string& arg = options[i];
        const bool takesValue =
            arg == "--format" || arg == "--preset" || arg == "--out" || arg == "--jobs";
        if (takesValue && i + 1 >= options.size()) {
            return UsageError(kUsage, arg + " needs a value");
        }
        if (arg == "--format") {
            format = FindOutputFormat(options[++i]);
            if (!format) {
                return UsageError(kUsage, "no output format is named " + options[i]);
            }
        } else if (arg == "--preset") {
            const std::optional<int> value = ParseIniInteger(options[++i]);
            if (!value || *value < 0) {
                return UsageError(kUsage, "--preset takes a row number");
            }
            preset = *value;
        } else if (arg == "--jobs") {
            const std::optional<int> value = ParseIniInteger(options[++i]);
            if (!value || *value < 0) {
                return UsageError(kUsage, "--jobs takes a number of tasks (0: one per core)");
            }
            jobs = *value == 0 ? static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))
                               : *value;
        } else if (arg == "--out") {
            folder = options[++i];
        } else if (arg == "--join") {
            join = true;
        } else if (arg.starts_with("--")) {
            return UsageError(kUsage, "unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    files.insert(files.end(), names.begin(), names.end());
    if (!format || files.empty()) {
        return UsageError(kUsage);
    }
    if (preset == -2) {
        preset = format->DefaultRow;
    }
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
    std::vector<std::string> statuses;
    bool finished = false;
    driver.OnChanged = [&] {
        const std::vector<ConversionRow>& rows = driver.Rows();
        statuses.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!join && rows[i].Status != statuses[i]) {
                statuses[i] = rows[i].Status;
                if (statuses[i] == "Waiting...") {
                    log("Queued: " + rows[i].Name);
                } else if (statuses[i] != "Converting...") {
                    log(rows[i].Name + ": " + statuses[i]);
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

}  // namespace mw::cli
