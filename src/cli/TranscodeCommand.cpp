#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "EngineSession.h"
#include "OutputFields.h"
#include "core/UtilFuncs.h"
#include "engine/CustomFFmpeg.h"
#include "engine/EngineError.h"
#include "engine/RecordApplication.h"

namespace mw::cli {

namespace {

std::atomic<TCustomFFmpeg*> g_running{nullptr};

void StopOnSignal(int) {
    if (TCustomFFmpeg* task = g_running.load()) {
        task->RequestStop();
    }
}

// Installs the Ctrl+C handler for the life of a run.
class StopSignal {
public:
    explicit StopSignal(TCustomFFmpeg& task) {
        g_running = &task;
        struct sigaction action {};
        action.sa_handler = StopOnSignal;
        sigaction(SIGINT, &action, &m_previous);
    }
    ~StopSignal() {
        sigaction(SIGINT, &m_previous, nullptr);
        g_running = nullptr;
    }
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

private:
    struct sigaction m_previous {};
};

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
    constexpr const char* kUsage =
        "transcode [--join] [--in-opt NAME=VALUE]... [--opt NAME=VALUE]... "
        "[--field NAME=VALUE]... -o OUTPUT INPUT...";
    std::string inputText;
    TOutputOptions output;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue =
            arg == "--in-opt" || arg == "--opt" || arg == "--field" || arg == "-o";
        if (takesValue && i + 1 >= args.size()) {
            return UsageError(kUsage, arg + " needs a value");
        }
        std::string name;
        std::string value;
        if (arg == "--join") {
            output.Join = true;
        } else if (arg == "--in-opt" || arg == "--opt") {
            if (!SplitAssignment(args[++i], name, value)) {
                return UsageError(kUsage, arg + " takes NAME=VALUE");
            }
            (arg == "--opt" ? output.ExtOptions : inputText) += name + "=" + value + "\r\n";
        } else if (arg == "--field") {
            std::string error;
            if (!SplitAssignment(args[++i], name, value) ||
                !SetOutputField(output, name, value, error)) {
                return UsageError(kUsage, error.empty() ? "--field takes NAME=VALUE" : error);
            }
        } else if (arg == "-o") {
            output.FileName = args[++i];
        } else if (arg.starts_with("-") && arg != "-") {
            return UsageError(kUsage, "unknown option " + arg);
        } else {
            inputs.push_back(arg);
        }
    }
    if (inputs.empty() || output.FileName.empty()) {
        return UsageError(kUsage);
    }
    EngineSession session;
    if (!session.Ready()) {
        return kExitFailed;
    }
    TCustomFFmpeg task;
    task.Reset();
    const bool terminal = isatty(STDOUT_FILENO);
    TProgressInfo last;
    task.SetOnProgress([&](const TProgressInfo& info) {
        last = info;
        if (terminal && info.FileIndex >= 0) {
            std::printf("\r%s", ProgressText(info).c_str());
            std::fflush(stdout);
        }
    });
    try {
        for (const std::string& input : inputs) {
            TInputOptions options;
            options.FileName = input;
            options.ExtOptions = inputText;
            ApplyInputRecord(task, options);
            if (!task.OpenInput(input)) {
                std::fprintf(stderr, "%s\n", task.ErrorText().c_str());
                return kExitFailed;
            }
        }
        ApplyOutputRecord(task, output);
        if (task.CreateOutput(output.FileName, output.Join) < 0) {
            std::fprintf(stderr, "%s\n", task.ErrorText().c_str());
            return kExitFailed;
        }
        ApplyNewStreamRecord(task, output);
        StopSignal stop(task);
        task.Run();
    } catch (const EngineError& error) {
        if (terminal) {
            std::printf("\n");
        }
        std::fprintf(stderr, "%s\n", error.what());
        task.Cleanup();
        return kExitFailed;
    }
    task.Cleanup();
    std::printf("%s%s\n", terminal ? "\r" : "", ProgressText(last).c_str());
    if (!task.Finished()) {
        std::fprintf(stderr, "Stopped before the end of the input.\n");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace mw::cli
