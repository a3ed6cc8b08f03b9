#include "ConversionDriver.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "engine/FFmpegLogger.h"
#include "formats/JoinBuilder.h"
#include "formats/OptionBuilder.h"

namespace mw {

std::string FormatTimeOfDay(double seconds) {
    long long whole = static_cast<long long>(std::fabs(seconds));
    whole %= 86400;
    return Format("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
}

std::string EstimateText(std::int64_t totalUs, std::int64_t doneUs, std::int64_t currentUs,
                         double elapsedSeconds, std::string* timeLeft) {
    const std::int64_t converted = doneUs + currentUs;
    if (converted <= 0) {
        if (timeLeft) {
            *timeLeft = "...";
        }
        return "...";
    }
    const double estimate =
        static_cast<double>(totalUs) * elapsedSeconds / static_cast<double>(converted);
    if (timeLeft) {
        *timeLeft = FormatTimeOfDay(estimate - elapsedSeconds);
    }
    return FormatTimeOfDay(estimate);
}

ConversionDriver::ConversionDriver(TFFmpegVCL& engine, const UserSettings& settings, bool joinMode,
                                   std::function<void(const std::string&)> log)
    : m_engine(engine), m_settings(settings), m_join(joinMode), m_log(std::move(log)) {
    m_engine.OnProgress = [this](PProgressInfo info) { OnProgress(*info); };
    m_engine.OnTerminate = [this](const TTerminateInfo& info) { OnTerminate(info); };
}

ConversionDriver::~ConversionDriver() {
    m_engine.OnProgress = nullptr;
    m_engine.OnTerminate = nullptr;
    m_engine.StopTasks(true);
}

void ConversionDriver::Changed() {
    if (OnChanged) {
        OnChanged();
    }
}

void ConversionDriver::StartRun(const InputList& inputs) {
    if (MainThread* main = MainThread::Instance()) {
        main->ProcessPending();
    }
    m_rows.clear();
    m_taskDurations.clear();
    m_takenNames.clear();
    m_totalUs = 0;
    if (m_join) {
        std::vector<JoinInput> joined;
        for (const InputItem& item : inputs.Items()) {
            joined.push_back(
                {item.FileFullName, item.RealDuration, item.Width, item.Height, item.AspectRatio});
        }
        const JoinTask task = BuildJoinTask(m_engine, joined, m_settings, m_log);
        for (const JoinRow& row : task.Rows) {
            m_rows.push_back({row.Name, row.Duration, row.Size, row.Aspect, row.Path});
        }
        m_totalUs = task.TotalMicroseconds;
        if (task.Queued) {
            m_taskDurations.push_back(task.TotalMicroseconds);
        }
        m_totalFiles = 1;
    } else {
        QueueFileTasks(inputs);
        m_totalFiles = static_cast<int>(m_rows.size());
    }
    m_errors.clear();
    m_failures.clear();
    m_cancelled = false;
    m_currentTask = -1;
    m_succeeded = 0;
    m_startTime = std::chrono::steady_clock::now();
    m_doneUs = 0;
    m_endedUs = 0;
    m_currentUs = 0;
    m_taskEnded.assign(m_taskDurations.size(), false);
    m_handledReports = 0;
    m_percent = 0;
    m_estimated = m_elapsed = m_timeLeft = "";
    m_running = true;
    Changed();
    if (m_engine.TaskCount() == 0) {
        // Nothing to convert: the run ends at once with its summary.
        FinishRun();
        return;
    }
    m_engine.StartTask(1);
}

void ConversionDriver::QueueFileTasks(const InputList& inputs) {
    for (const InputItem& item : inputs.Items()) {
        QueueFile(item.FileFullName);
    }
}

void ConversionDriver::QueueFile(const std::string& name) {
    TAVProbe& probe = m_engine.Probe();
    if (!probe.LoadFile(name)) {
        m_log("File load error: " + probe.LastErrorMessage());
        return;
    }
    TOutputOptions output = BuildOutputOptions(probe, m_settings, m_takenNames);
    TInputOptions input = BuildInputOptions(probe);
    const int task = m_engine.AddTask(input.FileName, &input);
    if (task < 0) {
        m_log("Adding file error: " + m_engine.LastErrorMessage());
    } else if (!m_engine.SetOutputFile(task, output.FileName, &output)) {
        m_engine.RemoveTask(task);
        m_log("Cannot do convert, error: " + m_engine.LastErrorMessage());
    } else {
        m_takenNames.insert(output.FileName);
        TFileStreamInfo file;
        probe.GetFileStreamInfo(file);
        ConversionRow row;
        row.Name = ExtractFileName(input.FileName);
        row.Duration =
            file.Duration == -1 ? "Duration is not preseted" : FormatMicroseconds(file.Duration);
        row.Status = "Waiting...";
        row.Path = ExtractFilePath(input.FileName);
        m_rows.push_back(std::move(row));
        // The duration is kept per task: rows of files that failed to queue have none.
        const std::int64_t duration = file.Duration > 0 ? file.Duration : 0;
        m_taskDurations.push_back(duration);
        m_totalUs += duration;
        m_log("File has been added to convert list.");
    }
    probe.Close();
}

void ConversionDriver::OnProgress(const TProgressInfo& info) {
    const std::size_t index = static_cast<std::size_t>(info.TaskIndex);
    if (index >= m_rows.size()) {
        return;
    }
    ConversionRow& row = m_rows[index];
    m_currentTask = info.TaskIndex;
    // A report that comes after its task's end is counted in the ended time already, and a
    // task counts no more than its own duration.
    if (index < m_taskEnded.size() && !m_taskEnded[index]) {
        const std::int64_t duration = m_taskDurations[index];
        const std::int64_t converted = std::max<std::int64_t>(info.CurrentDuration, 0);
        m_currentUs = duration > 0 ? std::min(converted, duration) : converted;
    }
    m_currentFile = m_join ? row.Path : WithTrailingBackslash(row.Path) + row.Name;
    if (info.TotalDuration > 0) {
        const std::int64_t percent = info.CurrentDuration * 100 / info.TotalDuration;
        m_percent = static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
        if (!m_join) {
            row.Progress = std::to_string(m_percent) + "%";
            row.Status = "Converting...";
        }
    } else if (!m_join) {
        row.Progress = "N/A";
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_startTime).count();
    m_estimated = EstimateText(m_totalUs, m_doneUs, info.CurrentDuration, elapsed, &m_timeLeft);
    m_elapsed = FormatTimeOfDay(elapsed);
    Changed();
}

void ConversionDriver::OnTerminate(const TTerminateInfo& info) {
    // Reports are handled on the main thread; without one, the reporting thread stands in.
    const auto onMain = [](const std::function<void()>& call) {
        if (MainThread* main = MainThread::Instance()) {
            main->Invoke(call);
        } else {
            call();
        }
    };
    if (info.TaskIndex >= 0) {
        onMain([this, &info] { HandleTaskReport(info); });
        return;
    }
    // The final report may come before the last task's: wait until every one was handled.
    while (m_handledReports.load() < m_engine.TaskCount()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    onMain([this] { FinishRun(); });
}

void ConversionDriver::HandleTaskReport(const TTerminateInfo& info) {
    const std::size_t index = static_cast<std::size_t>(info.TaskIndex);
    if (index < m_taskDurations.size() && !m_taskEnded[index]) {
        m_taskEnded[index] = true;
        m_endedUs += m_taskDurations[index];
    }
    m_currentUs = 0;
    if (!info.Finished && index < m_rows.size()) {
        const ConversionRow& row = m_rows[index];
        m_failures.push_back({info.TaskIndex,
                              m_join ? row.Path : WithTrailingBackslash(row.Path) + row.Name,
                              info.ErrorRaised ? info.ErrorMessage : std::string()});
    }
    if (info.Finished) {
        ++m_succeeded;
        if (index < m_taskDurations.size()) {
            m_doneUs += m_taskDurations[index];
        }
        m_percent = 100;
        if (!m_join && index < m_rows.size()) {
            m_rows[index].Progress = "100%";
            m_rows[index].Status = "Finish.";
        }
    } else if (!m_join && index < m_rows.size()) {
        m_rows[index].Status = "Failed.";
    }
    if (info.ErrorRaised) {
        m_errors.push_back("File (" + std::to_string(info.TaskIndex) + "): " + info.ErrorMessage);
    }
    ++m_handledReports;
    Changed();
}

void ConversionDriver::FinishRun() {
    m_engine.ClearTasks();
    m_currentFile = "...";
    m_percent = 0;
    m_running = false;
    Changed();
    if (OnFinish) {
        OnFinish();
    }
}

int ConversionDriver::RunPercent() const {
    std::int64_t percent = 0;
    if (m_totalUs > 0) {
        percent = (m_endedUs + m_currentUs) * 100 / m_totalUs;
    } else if (m_totalFiles > 0) {
        percent = std::int64_t{m_handledReports} * 100 / m_totalFiles;
    }
    return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

void ConversionDriver::CancelRun() {
    // A run that ended while the user was asked has nothing left to cancel.
    if (!m_running) {
        return;
    }
    m_cancelled = true;
    m_engine.StopTasks(true);
}

}  // namespace mw
