#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
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
#include "engine/options/OutputFields.h"

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

constexpr const char* kUsage =
    "transcode [--join] [--single-thread] [--in-opt NAME=VALUE]... [--opt NAME=VALUE]... "
    "[--field NAME=VALUE]... -o OUTPUT INPUT...";

struct TranscodeValues {
    bool Join = false;
    bool SingleThread = false;
    std::vector<std::string> InputOptions;
    std::vector<std::string> OutputOptions;
    std::vector<std::string> Fields;
    std::string Output;
    std::vector<std::string> Inputs;
};

// The option records' text form, one NAME=VALUE a line; empty when one is not an assignment.
std::optional<std::string> OptionText(const std::vector<std::string>& assignments) {
    std::string text;
    for (const std::string& assignment : assignments) {
        std::string name;
        std::string value;
        if (!SplitAssignment(assignment, name, value)) {
            return std::nullopt;
        }
        text += name + "=" + value + "\r\n";
    }
    return text;
}

int RunTranscode(const TranscodeValues& values) {
    // A stop asked for at any time is honoured: nothing is written before this point.
    InterruptRequest interrupt;
    const std::vector<std::string>& inputs = values.Inputs;
    TOutputOptions output;
    output.Join = values.Join;
    output.FileName = values.Output;
    const std::optional<std::string> inputText = OptionText(values.InputOptions);
    const std::optional<std::string> outputText = OptionText(values.OutputOptions);
    if (!inputText || !outputText) {
        return UsageError(kUsage, std::string(inputText ? "--opt" : "--in-opt") +
                                      " takes NAME=VALUE");
    }
    output.ExtOptions = *outputText;
    for (const std::string& field : values.Fields) {
        std::string name;
        std::string value;
        std::string error;
        if (!SplitAssignment(field, name, value) || !SetOutputField(output, name, value, error)) {
            return UsageError(kUsage, error.empty() ? "--field takes NAME=VALUE" : error);
        }
    }
    if (inputs.empty() || output.FileName.empty()) {
        return UsageError(kUsage);
    }
    EngineSession session;
    if (!session.Ready()) {
        return kExitFailed;
    }
    TFFmpegVCL engine;
    engine.SetStageThreads(!values.SingleThread);
    const bool terminal = isatty(STDOUT_FILENO);
    TProgressInfo last;
    engine.SetOnProgress([&](PProgressInfo info) {
        last = *info;
        if (terminal && info->FileIndex >= 0) {
            std::printf("\r%s", ProgressText(*info).c_str());
            std::fflush(stdout);
        }
    });
    // Reports come from their own threads; the main thread only reads them after the end.
    std::mutex reportLock;
    std::optional<TTerminateInfo> taskReport;
    bool runOver = false;
    engine.SetOnTerminate([&](const TTerminateInfo& info) {
        {
            std::lock_guard guard(reportLock);
            if (info.TaskIndex < 0) {
                runOver = true;
            } else {
                taskReport = info;
            }
        }
        // The main loop's wait ends at once rather than at its next look at the request.
        MainThread::Instance()->Wake();
    });
    TInputOptions inputOptions;
    inputOptions.ExtOptions = *inputText;
    const int task = engine.AddTask(inputs.front(), &inputOptions);
    if (task < 0) {
        std::fprintf(stderr, "%s\n", engine.LastErrorMessage().c_str());
        return kExitFailed;
    }
    for (std::size_t i = 1; i < inputs.size(); ++i) {
        TInputOptions more;
        more.ExtOptions = *inputText;
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

}  // namespace

CommandRun AddTranscodeCommand(CLI::App& program) {
    CLI::App& command = AddCommand(program, "transcode", kUsage,
                                   "One engine task configured through its option records.");
    auto values = std::make_shared<TranscodeValues>();
    command.add_flag("--join", values->Join, "join the inputs into one output");
    command.add_flag("--single-thread", values->SingleThread,
                     "run every stage of the task in one thread (for comparison)");
    command.add_option("--in-opt", values->InputOptions, "an option of every input")
        ->type_name("NAME=VALUE");
    command.add_option("--opt", values->OutputOptions, "an option of the output")
        ->type_name("NAME=VALUE");
    command.add_option("--field", values->Fields, "a field of the output's option record")
        ->type_name("NAME=VALUE");
    command.add_option("-o", values->Output, "the output file")->type_name("OUTPUT")->required();
    command.add_option("INPUT", values->Inputs, "the input files")->required();
    return [values] { return RunTranscode(*values); };
}

}  // namespace mw::cli
