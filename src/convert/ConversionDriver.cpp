#include "ConversionDriver.h"

#include <algorithm>
#include <cmath>

#include "DvdTitleSource.h"
#include "core/MainThread.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "dvd/DvdTitles.h"
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
    : m_engine(engine),
      m_programDir(ProgramDir()),
      m_settings(settings),
      m_join(joinMode),
      m_log(std::move(log)) {
    m_engine.SetOnProgress([this](PProgressInfo info) { OnProgress(*info); });
    m_engine.SetOnTerminate([this](const TTerminateInfo& info) { OnTerminate(info); });
}

ConversionDriver::~ConversionDriver() {
    m_engine.SetOnProgress(nullptr);
    m_engine.SetOnTerminate(nullptr);
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
    m_taskRows.clear();
    m_taskOutputs.clear();
    m_takenNames.clear();
    m_errors.clear();
    m_failures.clear();
    m_totalUs = 0;
    if (m_join) {
        std::vector<JoinInput> joined;
        for (const InputItem& item : inputs.Items()) {
            JoinInput input;
            if (JoinInputOf(item, input)) {
                joined.push_back(std::move(input));
            }
        }
        const JoinTask task = BuildJoinTask(m_engine, joined, m_settings, m_log);
        for (const JoinRow& row : task.Rows) {
            m_rows.push_back({row.Name, row.Duration, row.Size, row.Aspect, row.Path});
        }
        m_totalUs = task.TotalMicroseconds;
        if (task.Queued) {
            m_taskDurations.push_back(task.TotalMicroseconds);
            m_taskRows.push_back(0);
            m_taskOutputs.push_back(task.Options.FileName);
        }
        m_totalFiles = 1;
    } else {
        QueueFileTasks(inputs);
        m_totalFiles = static_cast<int>(m_rows.size());
    }
    m_cancelled = false;
    m_currentRow = -1;
    m_succeeded = 0;
    m_startTime = std::chrono::steady_clock::now();
    m_doneUs = 0;
    m_endedUs = 0;
    m_taskEnded.assign(m_taskDurations.size(), false);
    m_taskCurrentUs.assign(m_taskDurations.size(), 0);
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
    m_engine.StartTask(m_threadCount);
}

bool ConversionDriver::JoinInputOf(const InputItem& item, JoinInput& input) {
    if (!item.Dvd) {
        input = {item.FileFullName, item.RealDuration, item.Width, item.Height, item.AspectRatio};
        return true;
    }
    // A title's length and picture are known once it is read.
    auto source = std::make_shared<DvdTitleSource>(m_programDir, *item.Dvd);
    TAVProbe& probe = m_engine.Probe();
    if (!probe.LoadSource(*source)) {
        m_log("File load error: " + probe.LastErrorMessage());
        probe.Close();
        return false;
    }
    TFileStreamInfo file;
    TVideoStreamInfo video;
    probe.GetFileStreamInfo(file);
    input.FileName = source->Name();
    input.Source = source;
    input.DurationUs = std::max<std::int64_t>(file.Duration, 0);
    if (probe.VideoStreamIndex() >= 0 && probe.GetVideoStreamInfo(video)) {
        input.Width = video.Width;
        input.Height = video.Height;
        input.Aspect = video.DisplayAspectRatio;
    }
    probe.Close();
    return true;
}

void ConversionDriver::QueueFileTasks(const InputList& inputs) {
    for (const InputItem& item : inputs.Items()) {
        QueueFile(item.FileFullName, item.Dvd ? &*item.Dvd : nullptr);
    }
}

void ConversionDriver::QueueFile(const std::string& fileName, const DvdTitleChoice* title) {
    TAVProbe& probe = m_engine.Probe();
    // A DVD title is named by its row's caption and read through the DVD plug-in.
    std::shared_ptr<DvdTitleSource> source =
        title ? std::make_shared<DvdTitleSource>(m_programDir, *title) : nullptr;
    const std::string name = title ? dvd::DvdRowCaption(*title).FileMinName : fileName;
    const auto refuse = [&](const std::string& logLine, const std::string& reason) {
        if (!title) {
            Refuse(name, logLine, reason);
            return;
        }
        ConversionRow row;
        row.Name = name;
        row.Status = "Failed.";
        row.Path = title->Root;
        Refuse(std::move(row), name, logLine, reason);
    };
    if (!(source ? probe.LoadSource(*source) : probe.LoadFile(fileName))) {
        const std::string reason = probe.LastErrorMessage();
        probe.Close();
        refuse("File load error: " + reason, reason);
        return;
    }
    TOutputOptions output = BuildOutputOptions(probe, m_settings, m_takenNames);
    TInputOptions input = BuildInputOptions(probe);
    input.Source = source;
    if (title && title->Deinterlace) {
        output.ExtOptions += (output.ExtOptions.empty() ? "" : "\n") + std::string("deinterlace=1");
    }
    TFileStreamInfo file;
    probe.GetFileStreamInfo(file);
    // The task reads the file itself: the probe lets go of it first.
    probe.Close();
    const int task = m_engine.AddTask(input.FileName, &input);
    if (task < 0) {
        const std::string reason = m_engine.LastErrorMessage();
        refuse("Adding file error: " + reason, reason);
        return;
    }
    if (!m_engine.SetOutputFile(task, output.FileName, &output)) {
        const std::string reason = m_engine.LastErrorMessage();
        m_engine.RemoveTask(task);
        refuse("Cannot do convert, error: " + reason, reason);
        return;
    }
    m_takenNames.insert(output.FileName);
    ConversionRow row;
    row.Name = title ? name : ExtractFileName(input.FileName);
    row.Duration =
        file.Duration == -1 ? "Duration is not preseted" : FormatMicroseconds(file.Duration);
    row.Status = "Waiting...";
    row.Path = title ? title->Root : ExtractFilePath(input.FileName);
    m_taskRows.push_back(m_rows.size());
    m_rows.push_back(std::move(row));
    m_taskOutputs.push_back(output.FileName);
    // The duration is kept per task: rows of files that failed to queue have none.
    const std::int64_t duration = file.Duration > 0 ? file.Duration : 0;
    m_taskDurations.push_back(duration);
    m_totalUs += duration;
    m_log("File has been added to convert list.");
}

void ConversionDriver::Refuse(const std::string& name, const std::string& logLine,
                              const std::string& reason) {
    ConversionRow row;
    row.Name = ExtractFileName(name);
    row.Status = "Failed.";
    row.Path = ExtractFilePath(name);
    Refuse(std::move(row), name, logLine, reason);
}

void ConversionDriver::Refuse(ConversionRow row, const std::string& name,
                              const std::string& logLine, const std::string& reason) {
    m_log(logLine);
    row.State = RowState::Failed;
    AddError(m_rows.size(), name, reason);
    m_failures.push_back({m_rows.size(), name, reason});
    m_rows.push_back(std::move(row));
}

void ConversionDriver::AddError(std::size_t row, const std::string& name,
                                const std::string& message) {
    // Messages that begin with the file's name are not given it twice.
    const std::string text = message.starts_with(name) ? message : name + ": " + message;
    m_errors.push_back("File (" + std::to_string(row) + "): " + text);
}

ConversionRow* ConversionDriver::RowOfTask(std::int32_t taskIndex) {
    const std::size_t task = static_cast<std::size_t>(taskIndex);
    return task < m_taskRows.size() && m_taskRows[task] < m_rows.size() ? &m_rows[m_taskRows[task]]
                                                                        : nullptr;
}

void ConversionDriver::OnProgress(const TProgressInfo& info) {
    ConversionRow* found = RowOfTask(info.TaskIndex);
    if (!found) {
        return;
    }
    ConversionRow& row = *found;
    if (row.State == RowState::Waiting) {
        row.State = RowState::Converting;
    }
    m_currentRow = static_cast<int>(found - m_rows.data());
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
    // Tasks running side by side each add what they converted so far.
    std::int64_t currentUs = info.CurrentDuration;
    if (const std::size_t task = static_cast<std::size_t>(info.TaskIndex);
        task < m_taskCurrentUs.size()) {
        // A report that comes after its task's end is counted in the ended time already.
        if (!m_taskEnded[task]) {
            m_taskCurrentUs[task] = info.CurrentDuration;
        }
        currentUs = 0;
        for (const std::int64_t converted : m_taskCurrentUs) {
            currentUs += converted;
        }
    }
    m_estimated = EstimateText(m_totalUs, m_doneUs, currentUs, elapsed, &m_timeLeft);
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
    const auto allHandled = [this] { return m_handledReports.load() >= m_engine.TaskCount(); };
    if (MainThread* main = MainThread::Instance(); main && main->IsMainThread()) {
        main->ProcessUntil(allHandled);
    } else {
        std::unique_lock lock(m_reportsLock);
        m_reportHandled.wait(lock, allHandled);
    }
    onMain([this] { FinishRun(); });
}

void ConversionDriver::HandleTaskReport(const TTerminateInfo& info) {
    const std::size_t task = static_cast<std::size_t>(info.TaskIndex);
    ConversionRow* row = RowOfTask(info.TaskIndex);
    if (task < m_taskCurrentUs.size()) {
        m_taskCurrentUs[task] = 0;
    }
    if (task < m_taskEnded.size() && !m_taskEnded[task]) {
        m_taskEnded[task] = true;
        m_endedUs += m_taskDurations[task];
    }
    if (!info.Finished && row) {
        m_failures.push_back({m_taskRows[task],
                              m_join ? row->Path : WithTrailingBackslash(row->Path) + row->Name,
                              info.ErrorRaised ? info.ErrorMessage : std::string()});
    }
    if (row) {
        row->State = info.Finished ? RowState::Finished : RowState::Failed;
    }
    if (info.Finished) {
        ++m_succeeded;
        if (task < m_taskDurations.size()) {
            m_doneUs += m_taskDurations[task];
        }
        m_percent = 100;
        if (!m_join && row) {
            row->Progress = "100%";
            row->Status = "Finish.";
        }
        const std::string planned = task < m_taskOutputs.size() ? m_taskOutputs[task] : "";
        for (const std::string& written : info.OutputFiles) {
            if (written != planned) {
                m_log(planned + " was taken meanwhile; the output was written to " + written);
                if (m_join) {
                    for (ConversionRow& joined : m_rows) {
                        joined.Path = written;
                    }
                }
            }
        }
    } else if (!m_join && row) {
        row->Status = "Failed.";
    }
    if (info.ErrorRaised) {
        const std::size_t rowIndex = task < m_taskRows.size() ? m_taskRows[task] : task;
        const std::string name = !row     ? std::string()
                                 : m_join ? row->Path
                                          : WithTrailingBackslash(row->Path) + row->Name;
        AddError(rowIndex, name, info.ErrorMessage);
    }
    {
        std::lock_guard lock(m_reportsLock);
        ++m_handledReports;
    }
    m_reportHandled.notify_all();
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
        // A task counts no more than its own duration.
        std::int64_t convertedUs = m_endedUs;
        for (std::size_t task = 0; task < m_taskCurrentUs.size(); ++task) {
            const std::int64_t converted = std::max<std::int64_t>(m_taskCurrentUs[task], 0);
            const std::int64_t duration = m_taskDurations[task];
            convertedUs += duration > 0 ? std::min(converted, duration) : converted;
        }
        percent = convertedUs * 100 / m_totalUs;
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
