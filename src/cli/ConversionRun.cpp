#include "ConversionRun.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "Commands.h"
#include "EngineSession.h"
#include "convert/ConversionDriver.h"
#include "convert/InputList.h"
#include "core/Ini.h"
#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"

namespace mw::cli {

std::string ChooseFormat(const std::string& name, const std::optional<std::string>& preset,
                         ConversionRequest& request) {
    const OutputFormat* format = FindOutputFormat(name);
    if (!format) {
        return "no output format is named " + name;
    }
    int row = format->DefaultRow;
    if (preset) {
        const std::optional<int> value = ParseIniInteger(*preset);
        if (!value || *value < 0) {
            return "--preset takes a row number";
        }
        row = *value;
    }
    if (row >= format->Rows) {
        return std::string(format->Name) + " has presets 0 to " + std::to_string(format->Rows - 1);
    }
    request.Format = format;
    request.Preset = row;
    return "";
}

int RunConversion(const ConversionRequest& request, const InterruptRequest& interrupt) {
    const std::string& folder = request.Folder;
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
    SelectOutputFormat(settings, *request.Format, request.Preset);

    const bool join = request.Join;
    const bool terminal = isatty(STDOUT_FILENO);
    auto log = [terminal](const std::string& line) {
        std::printf("%s%s\n", terminal ? "\r\033[K" : "", line.c_str());
    };
    TFFmpegVCL engine;
    InputList inputs;
    if (request.DvdTitle) {
        inputs.AddDvdTitle(*request.DvdTitle);
    }
    try {
        // A join needs each file's shape up front.
        if (join || request.ProbeWhenAdded) {
            inputs.AddFiles(engine.Probe(), request.Files, log, false);
        } else {
            inputs.AddNames(request.Files);
        }
    } catch (const EngineError& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return kExitFailed;
    }

    ConversionDriver driver(engine, settings, join, log);
    driver.SetThreadCount(request.Jobs);
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
    if (cancelled && succeeded < total) {
        std::fprintf(stderr,
                     "Stopped on request: the files not converted by then count as failed, and "
                     "nothing of them was kept.\n");
    }
    std::printf("Total files: %d\nSucceeded: %d\nFailed: %d\n", total, succeeded,
                total - succeeded);
    return succeeded == total ? kExitOk : kExitFailed;
}

}  // namespace mw::cli
