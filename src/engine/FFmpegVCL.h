#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/ThreadPriority.h"
#include "engine/options/OptionRecords.h"
#include "engine/probe/AVProbe.h"
#include "engine/task/CustomFFmpeg.h"

namespace mw {

// The termination report of a task, or of the run (TaskIndex -1).
struct TTerminateInfo {
    std::int32_t TaskIndex = 0;
    bool Finished = false;
    bool ErrorRaised = false;
    std::string ErrorMessage;
    // The files a finished task wrote, under the names they got (a taken name moves on
    // to the next free one).
    std::vector<std::string> OutputFiles;
};

// Shows converted pictures of a task in a window of its own; the desktop program provides it.
class IPreviewWindows {
public:
    virtual ~IPreviewWindows() = default;
    // Shows a picture of a task; false once the user closed that task's window.
    virtual bool ShowPicture(int taskIndex, const Bitmap& picture, std::int64_t pts) = 0;
};

// One queued task: the transcoder plus private copies of the records it was given and a
// probe attached to each opened input. A task waiting in the queue keeps only its records
// and file names; its files are opened again, in the order they were added, when it starts.
class TFFmpeg : public TCustomFFmpeg {
public:
    // The records of the files added so far, kept apart from the task so that a long queue
    // holds only what it was given.
    std::array<std::unique_ptr<TInputOptions>, kMaxFiles> InputSlots;
    std::array<std::unique_ptr<TAVProbe>, kMaxFiles> Probes;
    std::array<std::unique_ptr<TOutputOptions>, kMaxFiles> OutputSlots;

    bool Running() const { return m_running.load(); }
    bool Terminated() const { return m_terminated.load(); }

private:
    friend class TCustomFFmpegVCL;

    struct AddedFile {
        bool Output = false;
        std::string FileName;
    };
    int AddedCount(bool output) const;

    std::vector<AddedFile> m_added;
    bool m_closed = false;  // the files are closed until the task starts
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_workerLeft{true};
    bool m_errorRaised = false;
    std::string m_errorMessage;
    std::thread m_worker;
    std::atomic<int> m_previewFlags{0};  // bit 0 preview window, bit 1 preview bitmaps
};

// The owning list of queued tasks, in the order they were added.
using TFFmpegList = std::vector<std::unique_ptr<TFFmpeg>>;

// The engine's machinery: the task queue, run control, event dispatch with its four locks
// and the probe. TFFmpegVCL publishes the task operations and properties.
class TCustomFFmpegVCL {
public:
    TCustomFFmpegVCL();
    virtual ~TCustomFFmpegVCL();
    TCustomFFmpegVCL(const TCustomFFmpegVCL&) = delete;
    TCustomFFmpegVCL& operator=(const TCustomFFmpegVCL&) = delete;

    TAVProbe& Probe() { return m_probe; }
    const std::string& LastErrorMessage() const { return m_lastErrorMessage; }
    int TaskCount() const;

    // The handlers are set on the main thread and called from workers and report threads.
    // A handler replaced or cleared is not called again once its setter returned, except by
    // a delivery already under way; StopTasks(true) waits for those.
    void SetOnCustomHook(std::function<void(PHookInfo)> handler);
    void SetOnPreviewBitmap(std::function<void(const TPreviewInfo&)> handler);
    void SetOnProgress(std::function<void(PProgressInfo)> handler);
    void SetOnTerminate(std::function<void(const TTerminateInfo&)> handler);

protected:
    bool LoadLibraries(const std::string& libraryPath);
    bool LibrariesLoaded() const;

    // The index of the new task, or -1 with LastErrorMessage. Raises EngineError while a
    // run is under way ("Cannot AddTask while working.").
    int AddTask(const std::string& fileName, TInputOptions* options = nullptr);
    bool AddInputFile(int taskIndex, const std::string& fileName, TInputOptions* options = nullptr);
    bool SetOutputFile(int taskIndex, const std::string& fileName,
                       TOutputOptions* options = nullptr);
    void RemoveTask(int taskIndex);
    void ClearTasks();
    // Runs the queue: at most threadCount tasks at once in queue order, each in a worker;
    // threadCount <= 0 runs every task in the calling thread and returns after the final
    // report.
    void StartTask(int threadCount);
    void StopTasks(bool waitForStop);

    bool Preview() const { return m_preview; }
    void SetPreview(bool value);
    bool PreviewBitmap() const { return m_previewBitmap; }
    void SetPreviewBitmap(bool value);
    int ProgressInterval() const { return m_progressInterval; }
    void SetProgressInterval(int milliseconds) { m_progressInterval = std::max(milliseconds, 100); }
    TThreadPriority ThreadPriority() const { return m_threadPriority; }
    // Whether tasks encode and mux on a thread of their own (see TCustomFFmpeg).
    bool StageThreads() const { return m_stageThreads; }
    void SetStageThreads(bool value) { m_stageThreads = value; }
    void SetThreadPriority(TThreadPriority priority) { m_threadPriority = priority; }
    bool TriggerEventInMainThread() const { return m_triggerInMainThread; }
    void SetTriggerEventInMainThread(bool value) { m_triggerInMainThread = value; }
    void SetPreviewWindows(IPreviewWindows* windows) { m_previewWindows = windows; }

private:
    TFFmpeg& TaskAt(int index) const;
    void CheckBusy(const char* operation) const;
    std::unique_ptr<TFFmpeg> NewTask();
    void ConnectTask(TFFmpeg& task);
    // Lets go of a waiting task's files; Reopen opens them again from its records.
    void Close(TFFmpeg& task);
    void Reopen(TFFmpeg& task);
    void CloseAllTasks();
    void StartNext();
    void StartOne(TFFmpeg& task);
    void RunTask(TFFmpeg& task);
    void Terminate(TFFmpeg& task);
    void Report(const TTerminateInfo& info);
    int IndexOf(const TFFmpeg& task) const;
    void DispatchProgress(TFFmpeg& task, const TProgressInfo& info);
    void DispatchPreview(TFFmpeg& task, const TPreviewInfo& info);
    void DispatchHook(TFFmpeg& task, THookInfo& info);
    // Waits until done() holds; on the main thread the calls handed to it run meanwhile.
    void WaitUntil(const std::function<bool()>& done);
    // Wakes the waits: a worker left, a task terminated, a report was delivered.
    void StateChanged();
    void JoinFinishedThreads(bool all);
    template <typename Handler>
    Handler Current(const Handler& handler) const {
        std::lock_guard guard(m_handlerLock);
        return handler;
    }

    TAVProbe m_probe;
    std::string m_lastErrorMessage;
    TFFmpegList m_tasks;
    mutable std::mutex m_queueLock;
    std::mutex m_hookLock;
    std::mutex m_previewLock;
    std::mutex m_progressLock;
    // Recursive: a task that cannot start terminates at once, and the termination of the
    // task before it is what started it when the run is threaded, so one thread can end a
    // chain of such tasks inside one another's termination.
    std::recursive_mutex m_terminateLock;
    mutable std::mutex m_handlerLock;
    std::function<void(PHookInfo)> m_onCustomHook;
    std::function<void(const TPreviewInfo&)> m_onPreviewBitmap;
    std::function<void(PProgressInfo)> m_onProgress;
    std::function<void(const TTerminateInfo&)> m_onTerminate;
    std::mutex m_stateLock;
    std::condition_variable m_stateChanged;
    int m_finishedCount = 0;
    int m_nextIndex = -1;
    int m_pending = 0;
    std::atomic<bool> m_allDone{false};
    bool m_threaded = false;
    std::atomic<bool> m_working{false};
    bool m_preview = false;
    bool m_previewBitmap = false;
    int m_progressInterval = 500;
    TThreadPriority m_threadPriority = tpNormal;
    bool m_stageThreads = true;
    bool m_triggerInMainThread = true;
    IPreviewWindows* m_previewWindows = nullptr;
    TProgressInfo m_progressRecord;
    std::atomic<TFFmpeg*> m_reporting{nullptr};  // the task whose progress is being handled
    std::atomic<unsigned> m_generation{0};       // counts the clearings of the queue

    struct ReportThread {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };
    std::mutex m_reportThreadsLock;
    std::vector<ReportThread> m_reportThreads;
    std::shared_ptr<std::atomic<bool>> m_lastReportDone;  // of the newest report
};

// The engine component the program uses.
class TFFmpegVCL final : public TCustomFFmpegVCL {
public:
    using TCustomFFmpegVCL::AddInputFile;
    using TCustomFFmpegVCL::AddTask;
    using TCustomFFmpegVCL::ClearTasks;
    using TCustomFFmpegVCL::LibrariesLoaded;
    using TCustomFFmpegVCL::LoadLibraries;
    using TCustomFFmpegVCL::Preview;
    using TCustomFFmpegVCL::PreviewBitmap;
    using TCustomFFmpegVCL::ProgressInterval;
    using TCustomFFmpegVCL::RemoveTask;
    using TCustomFFmpegVCL::SetOutputFile;
    using TCustomFFmpegVCL::SetPreview;
    using TCustomFFmpegVCL::SetPreviewBitmap;
    using TCustomFFmpegVCL::SetPreviewWindows;
    using TCustomFFmpegVCL::SetProgressInterval;
    using TCustomFFmpegVCL::SetStageThreads;
    using TCustomFFmpegVCL::SetThreadPriority;
    using TCustomFFmpegVCL::SetTriggerEventInMainThread;
    using TCustomFFmpegVCL::StageThreads;
    using TCustomFFmpegVCL::StartTask;
    using TCustomFFmpegVCL::StopTasks;
    using TCustomFFmpegVCL::ThreadPriority;
    using TCustomFFmpegVCL::TriggerEventInMainThread;
};

}  // namespace mw
