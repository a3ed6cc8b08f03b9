#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "InputList.h"
#include "engine/FFmpegVCL.h"
#include "formats/JoinBuilder.h"

namespace mw {

struct UserSettings;

// Where a row's task stands in the run.
enum class RowState { Waiting, Converting, Finished, Failed };

// One row of the conversion list. In join mode the status and progress columns hold the
// picture size and the aspect ratio, and the first row's state follows the one task.
struct ConversionRow {
    std::string Name;
    std::string Duration;
    std::string Status;
    std::string Progress;
    std::string Path;
    RowState State = RowState::Waiting;
};

// A row of the run that did not finish: the file it was converting (the output in join
// mode) and the error it raised, empty when it had none (a cancelled task).
struct FailedTask {
    std::size_t Row = 0;
    std::string File;
    std::string Error;
};

// "h:nn:ss" of a time of day: whole days dropped, a negative time shown by its magnitude.
std::string FormatTimeOfDay(double seconds);

// The estimated overall time of a run: total x elapsed / (done + current), or nothing yet
// while nothing was converted.
std::string EstimateText(std::int64_t totalUs, std::int64_t doneUs, std::int64_t currentUs,
                         double elapsedSeconds, std::string* timeLeft);

// Turns the input list into engine tasks, follows them and keeps the run's counters and
// texts for its view. Everything here runs on the main thread; the engine's reports are
// handed over to it.
class ConversionDriver {
public:
    ConversionDriver(TFFmpegVCL& engine, const UserSettings& settings, bool joinMode,
                     std::function<void(const std::string&)> log);
    ~ConversionDriver();
    ConversionDriver(const ConversionDriver&) = delete;
    ConversionDriver& operator=(const ConversionDriver&) = delete;

    // Queues a task per file (or one joining task) and starts the engine. When nothing
    // could be queued the run ends at once.
    void StartRun(const InputList& inputs);
    // The folder of the DVD reader and the plug-in's lib folder (default: the program's).
    void SetProgramDir(std::string dir) { m_programDir = std::move(dir); }
    // How many tasks run at once (the wizard runs one at a time).
    void SetThreadCount(int count) { m_threadCount = std::max(count, 1); }
    // Stops the engine; the run then ends through its reports. Nothing once it has ended.
    void CancelRun();
    bool Running() const { return m_running; }

    const std::vector<ConversionRow>& Rows() const { return m_rows; }
    std::string StatusColumnCaption() const { return m_join ? "Width x Height" : "Status"; }
    std::string ProgressColumnCaption() const { return m_join ? "Aspect Ratio" : "Progress"; }
    std::string CurrentFileTitle() const { return m_join ? "Output file:" : "Current file:"; }
    const std::string& CurrentFile() const { return m_currentFile; }
    int Percent() const { return m_percent; }
    const std::string& Estimated() const { return m_estimated; }
    const std::string& Elapsed() const { return m_elapsed; }
    const std::string& TimeLeft() const { return m_timeLeft; }

    int RunTotalFiles() const { return m_totalFiles; }
    int RunSucceeded() const { return m_succeeded; }
    const std::vector<std::string>& RunErrors() const { return m_errors; }
    const std::vector<FailedTask>& RunFailures() const { return m_failures; }
    // Whether the user cancelled this run.
    bool RunCancelled() const { return m_cancelled; }
    // Tasks that have ended, finished or not.
    int FilesDone() const { return m_handledReports; }
    // The share of the whole run's duration converted so far, 0 to 100; counted in files
    // when no duration is known.
    int RunPercent() const;
    // The row of the task that reported last, -1 before the first report.
    int CurrentTask() const { return m_currentRow; }

    // Called on the main thread after every change of the texts above.
    std::function<void()> OnChanged;
    // Called on the main thread when the run has ended and the engine is clear.
    std::function<void()> OnFinish;

private:
    void QueueFileTasks(const InputList& inputs);
    // What a join needs of a row; false (after logging why) for a DVD title that cannot
    // be read.
    bool JoinInputOf(const InputItem& item, JoinInput& input);
    // Queues a file, or the DVD title of a row when there is one.
    void QueueFile(const std::string& name, const DvdTitleChoice* title = nullptr);
    // A listed file that got no task: a failed row with its reason.
    // Adds the failed ROW of an input that never became a task (NAME in the error line).
    void Refuse(ConversionRow row, const std::string& name, const std::string& logLine,
                const std::string& reason);
    void Refuse(const std::string& name, const std::string& logLine, const std::string& reason);
    void AddError(std::size_t row, const std::string& name, const std::string& message);
    ConversionRow* RowOfTask(std::int32_t taskIndex);
    void OnProgress(const TProgressInfo& info);
    void OnTerminate(const TTerminateInfo& info);
    void HandleTaskReport(const TTerminateInfo& info);
    void FinishRun();
    void Changed();

    TFFmpegVCL& m_engine;
    std::string m_programDir;  // holds the DVD reader
    const UserSettings& m_settings;
    bool m_join;
    std::function<void(const std::string&)> m_log;
    std::vector<ConversionRow> m_rows;
    std::vector<std::int64_t> m_taskDurations;  // per queued task, microseconds
    std::vector<std::size_t> m_taskRows;        // per queued task, its row
    std::vector<std::string> m_taskOutputs;     // per queued task, the output name chosen
    std::vector<std::int64_t> m_taskCurrentUs;  // per queued task, converted so far while running
    std::vector<bool> m_taskEnded;              // per queued task, whether its report came
    int m_threadCount = 1;
    std::set<std::string> m_takenNames;
    bool m_running = false;
    int m_totalFiles = 0;
    int m_succeeded = 0;
    std::atomic<int> m_handledReports{0};
    // The final report waits on it until every task's report was handled.
    std::mutex m_reportsLock;
    std::condition_variable m_reportHandled;
    std::chrono::steady_clock::time_point m_startTime;
    std::int64_t m_totalUs = 0;
    std::int64_t m_doneUs = 0;
    std::int64_t m_endedUs = 0;  // durations of the tasks that ended, finished or not
    int m_currentRow = -1;
    bool m_cancelled = false;
    std::vector<std::string> m_errors;
    std::vector<FailedTask> m_failures;
    std::string m_currentFile = "...";
    int m_percent = 0;
    std::string m_estimated;
    std::string m_elapsed;
    std::string m_timeLeft;
};

}  // namespace mw
