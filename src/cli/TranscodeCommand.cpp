#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "EngineSession.h"
#include "Interrupt.h"
#include "core/MainThread.h"
#include "core/UtilFuncs.h"
#include "engine/FFmpegVCL.h"
#include "engine/OutputFields.h"

namespace mw::cli {

namespace {

std::string ProgressText(const TProgressInfo& info) {
    std::string text;
    if (info.FrameNumber >= 0) {
        text += Format("frame=%5d fps=%3d q=%3.1f ", info.FrameNumber, info.FPS,
                       static_cast<double>(info.Quality));
    }
    text += Format(
        "size=%8.0fkB time=%s bitrate=%6.1fkbits/s", static_cast<double>(info.CurrentSize) / 1024,
        FormatMicroseconds(info.CurrentDuration).c_str(), static_cast<double>(info.BitRate));
    if (info.TotalDuration > 0) {
        text += Format(" %3d%%", static_cast<int>(std::min<std::int64_t>(
                                     100, info.CurrentDuration * 100 / info.TotalDuration)));
    }
    return text;
}

bool SplitAssignment(const std::string& text, std::string& name, std::string& value) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        return false;
    }
    name = text.substr(0, equals);
    value = text.substr(equals + 1);
    return true;
}

}  // namespace

int RunTranscodeCommand(Arguments args) {
    // A stop asked for at any time is honoured: nothing is written before this point.
    InterruptRequest interrupt;
    constexpr const char* kUsage =
        "transcode [--join] [--in-opt NAME=VALUE]... [--opt NAME=VALUE]... "
        "[--field NAME=VALUE]... -o OUTPUT INPUT...";
    std::string inputText;
    TOutputOptions output;
    std::vector<std::string> inputs;
    const auto [options, names] = SplitAtEndOfOptions(args);
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string& arg = options[i];
        const bool takesValue =
            arg == "--in-opt" || arg == "--opt" || arg == "--field" || arg == "-o";
        if (takesValue && i + 1 >= options.size()) {
            return UsageError(kUsage, arg + " needs a value");
        }
        std::string name;
        std::string value;
        if (arg == "--join") {
            output.Join = true;
        } else if (arg == "--in-opt" || arg == "--opt") {
            if (!SplitAssignment(options[++i], name, value)) {
                return UsageError(kUsage, arg + " takes NAME=VALUE");
            }
            (arg == "--opt" ? output.ExtOptions : inputText) += name + "=" + value + "\r\n";
        } else if (arg == "--field") {
            std::string error;
            if (!SplitAssignment(options[++i], name, value) ||
                !SetOutputField(output, name, value, error)) {
                return UsageError(kUsage, error.empty() ? "--field takes NAME=VALUE" : error);
            }
        } else if (arg == "-o") {
            output.FileName = options[++i];
        } else if (arg.starts_with("-") && arg != "-") {
            return UsageError(kUsage, "unknown option " + arg);
        } else {
            inputs.push_back(arg);
        }
    }
    inputs.insert(inputs.end(), names.begin(), names.end());
    if (inputs.empty() || output.FileName.empty()) {
        return UsageError(kUsage);
    }
    EngineSession session;
    if (!session.Ready()) {
        return kExitFailed;
    }
    TFFmpegVCL engine;
    const bool terminal = isatty(STDOUT_FILENO);
    TProgressInfo last;
    engine.OnProgress = [&](PProgressInfo info) {
        last = *info;
        if (terminal && info->FileIndex >= 0) {
            std::printf("\r%s", ProgressText(*info).c_str());
            std::fflush(stdout);
        }
    };
    // Reports come from their own threads; the main thread only reads them after the end.
    std::mutex reportLock;
    std::optional<TTerminateInfo> taskReport;
    bool runOver = false;
    engine.OnTerminate = [&](const TTerminateInfo& info) {
        std::lock_guard guard(reportLock);
        if (info.TaskIndex < 0) {
            runOver = true;
        } else {
            taskReport = info;
        }
    };
    TInputOptions inputOptions;
    inputOptions.ExtOptions = inputText;
    const int task = engine.AddTask(inputs.front(), &inputOptions);
    if (task < 0) {
        std::fprintf(stderr, "%s\n", engine.LastErrorMessage().c_str());
        return kExitFailed;
    }
    for (std::size_t i = 1; i < inputs.size(); ++i) {
        TInputOptions more;
        more.ExtOptions = inputText;
        if (!engine.AddInputFile(task, inputs[i], &more)) {
            std::fprintf(stderr, "%s\n", engine.LastErrorMessage().c_str());
            return kExitFailed;
        }
    }
    if (!engine.SetOutputFile(task, output.FileName, &output)) {
        std::fprintf(stderr, "%s\n", engine.LastErrorMessage().c_str());
        return kExitFailed;
    }
    engine.StartTask(1);
    bool stopping = false;
    for (;;) {
        {
            std::lock_guard guard(reportLock);
            if (runOver && taskReport) {
                break;
            }
        }
        if (interrupt.Requested() && !stopping) {
            stopping = true;
            engine.StopTasks(false);
        }
        MainThread::Instance()->WaitAndProcess(std::chrono::milliseconds(20));
    }
    engine.ClearTasks();
    std::printf("%s%s\n", terminal ? "\r" : "", ProgressText(last).c_str());
    if (taskReport->ErrorRaised) {
        std::fprintf(stderr, "%s\n", taskReport->ErrorMessage.c_str());
    }
    if (!taskReport->Finished) {
        if (!taskReport->ErrorRaised) {
            std::fprintf(stderr, "Stopped before the end of the input.\n");
        }
        return kExitFailed;
    }
    for (const std::string& written : taskReport->OutputFiles) {
        if (written != output.FileName) {
            std::printf("%s exists; the output was written to %s\n", output.FileName.c_str(),
                        written.c_str());
        }
    }
    return kExitOk;
}

}  // namespace mw::cli
