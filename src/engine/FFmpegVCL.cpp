#include "engine/FFmpegVCL.h"

#include <algorithm>
#include <future>
#include <utility>

#include "core/MainThread.h"
#include "core/Platform.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"
#include "engine/options/RecordApplication.h"

namespace mw {

namespace {

constexpr int kPreviewWindowFlag = 1;
constexpr int kPreviewBitmapFlag = 2;

// The worker thread this thread is, when it is one: a worker that starts the next task
// hands its own thread to the next worker to join.
thread_local std::thread* t_worker = nullptr;

void LogEngine(TLogLevel level, const std::string& text) {
    LogEngineMessage(nullptr, level, text);
}

// Runs a call on the main thread when there is one and this is not it.
void OnMainThread(bool wanted, const std::function<void()>& call) {
    MainThread* main = MainThread::Instance();
    if (wanted && main && !main->IsMainThread()) {
        main->Invoke(call);
    } else {
        call();
    }
}

}  // namespace

TCustomFFmpegVCL::TCustomFFmpegVCL() = default;

TCustomFFmpegVCL::~TCustomFFmpegVCL() {
    StopTasks(true);
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    {
        std::lock_guard guard(m_queueLock);
        tasks.swap(m_tasks);
    }
    for (std::unique_ptr<TFFmpeg>& task : tasks) {
        WaitUntil([&] { return task->m_workerLeft.load(); });
        if (task->m_worker.joinable()) {
            task->m_worker.join();
        }
    }
    JoinFinishedThreads(true);
    // A delivery still in progress completes before the locks go.
    std::lock_guard hook(m_hookLock);
    std::lock_guard preview(m_previewLock);
    std::lock_guard progress(m_progressLock);
    std::lock_guard terminate(m_terminateLock);
}

void TCustomFFmpegVCL::SetOnCustomHook(std::function<void(PHookInfo)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onCustomHook = std::move(handler);
}

void TCustomFFmpegVCL::SetOnPreviewBitmap(std::function<void(const TPreviewInfo&)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onPreviewBitmap = std::move(handler);
}

void TCustomFFmpegVCL::SetOnProgress(std::function<void(PProgressInfo)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onProgress = std::move(handler);
}

void TCustomFFmpegVCL::SetOnTerminate(std::function<void(const TTerminateInfo&)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onTerminate = std::move(handler);
}

bool TCustomFFmpegVCL::LoadLibraries(const std::string& libraryPath) {
    if (mw::LoadLibraries(libraryPath)) {
        return true;
    }
    m_lastErrorMessage = TFFmpegLoader::Instance().LastError();
    return false;
}

bool TCustomFFmpegVCL::LibrariesLoaded() const {
    return mw::LibrariesLoaded();
}

int TCustomFFmpegVCL::TaskCount() const {
    std::lock_guard guard(m_queueLock);
    return static_cast<int>(m_tasks.size());
}

TFFmpeg& TCustomFFmpegVCL::TaskAt(int index) const {
    std::lock_guard guard(m_queueLock);
    if (index < 0 || index >= static_cast<int>(m_tasks.size())) {
        throw EngineError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return *m_tasks[static_cast<std::size_t>(index)];
}

int TCustomFFmpegVCL::IndexOf(const TFFmpeg& task) const {
    std::lock_guard guard(m_queueLock);
    for (std::size_t i = 0; i < m_tasks.size(); ++i) {
        if (m_tasks[i].get() == &task) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TCustomFFmpegVCL::CheckBusy(const char* operation) const {
    if (m_working) {
        throw EngineError(std::string("Cannot ") + operation + " while working.");
    }
}

void TCustomFFmpegVCL::SetPreview(bool value) {
    if (value && !m_previewWindows) {
        LogEngine(llInfo, "No preview window is available; the preview stays off.");
        value = false;
    }
    m_preview = value;
    std::lock_guard guard(m_queueLock);
    for (std::unique_ptr<TFFmpeg>& task : m_tasks) {
        task->m_previewFlags =
            (task->m_previewFlags & ~kPreviewWindowFlag) | (value ? kPreviewWindowFlag : 0);
        ConnectTask(*task);
    }
}

void TCustomFFmpegVCL::SetPreviewBitmap(bool value) {
    m_previewBitmap = value;
    std::lock_guard guard(m_queueLock);
    for (std::unique_ptr<TFFmpeg>& task : m_tasks) {
        task->m_previewFlags =
            (task->m_previewFlags & ~kPreviewBitmapFlag) | (value ? kPreviewBitmapFlag : 0);
        ConnectTask(*task);
    }
}

int TFFmpeg::AddedCount(bool output) const {
    return static_cast<int>(
        std::count_if(m_added.begin(), m_added.end(),
                      [output](const AddedFile& file) { return file.Output == output; }));
}

void TCustomFFmpegVCL::Close(TFFmpeg& task) {
    if (task.m_closed) {
        return;
    }
    for (std::unique_ptr<TAVProbe>& probe : task.Probes) {
        probe.reset();
    }
    task.Cleanup();
    task.m_closed = true;
}

void TCustomFFmpegVCL::CloseAllTasks() {
    std::lock_guard guard(m_queueLock);
    for (std::unique_ptr<TFFmpeg>& task : m_tasks) {
        Close(*task);
    }
}

void TCustomFFmpegVCL::Reopen(TFFmpeg& task) {
    if (!task.m_closed) {
        return;
    }
    task.m_closed = false;
    // A stop asked for while the task was being started still holds.
    const bool stopRequested = task.StopRequested();
    task.Reset();
    if (stopRequested) {
        task.RequestStop();
    }
    task.SetOption("v", "1");
    std::size_t inputs = 0;
    std::size_t outputs = 0;
    for (const TFFmpeg::AddedFile& file : task.m_added) {
        if (!file.Output) {
            const std::unique_ptr<TInputOptions>& slot = task.InputSlots[inputs];
            if (slot) {
                ApplyInputRecord(task, *slot);
            }
            if (!task.OpenInput(file.FileName)) {
                throw EngineError(task.ErrorText());
            }
            task.Probes[inputs] = std::make_unique<TAVProbe>();
            task.Probes[inputs]->AttachContext(task.InputContext(static_cast<int>(inputs)));
            ++inputs;
            continue;
        }
        const std::unique_ptr<TOutputOptions>& slot = task.OutputSlots[outputs++];
        if (slot) {
            ApplyOutputRecord(task, *slot);
        }
        if (task.CreateOutput(file.FileName, slot && slot->Join) < 0) {
            throw EngineError(task.ErrorText());
        }
        if (slot) {
            ApplyNewStreamRecord(task, *slot);
        }
    }
}

std::unique_ptr<TFFmpeg> TCustomFFmpegVCL::NewTask() {
    auto task = std::make_unique<TFFmpeg>();
    task->Reset();
    task->SetOption("v", "1");
    task->m_previewFlags =
        (m_preview ? kPreviewWindowFlag : 0) | (m_previewBitmap ? kPreviewBitmapFlag : 0);
    ConnectTask(*task);
    return task;
}

void TCustomFFmpegVCL::ConnectTask(TFFmpeg& task) {
    TFFmpeg* target = &task;
    task.SetOnProgress(
        [this, target](const TProgressInfo& info) { DispatchProgress(*target, info); });
    if (task.m_previewFlags != 0) {
        task.SetOnPreviewBitmap(
            [this, target](const TPreviewInfo& info) { DispatchPreview(*target, info); });
    } else {
        task.SetOnPreviewBitmap(nullptr);
    }
}

int TCustomFFmpegVCL::AddTask(const std::string& fileName, TInputOptions* options) {
    CheckBusy("AddTask");
    // Only the task being set up holds files; the others wait with their records.
    CloseAllTasks();
    try {
        std::unique_ptr<TFFmpeg> task = NewTask();
        if (options) {
            if (options->FileName.empty()) {
                options->FileName = fileName;
            }
            task->InputSlots[0] = std::make_unique<TInputOptions>(*options);
            ApplyInputRecord(*task, *options);
        }
        if (!task->OpenInput(fileName)) {
            m_lastErrorMessage = task->ErrorText();
            return -1;
        }
        task->Probes[0] = std::make_unique<TAVProbe>();
        task->Probes[0]->AttachContext(task->InputContext(0));
        task->m_added.push_back({false, fileName});
        std::lock_guard guard(m_queueLock);
        m_tasks.push_back(std::move(task));
        return static_cast<int>(m_tasks.size()) - 1;
    } catch (const std::exception& error) {
        m_lastErrorMessage = error.what();
        return -1;
    }
}

bool TCustomFFmpegVCL::AddInputFile(int taskIndex, const std::string& fileName,
                                    TInputOptions* options) {
    CheckBusy("AddInputFile");
    TFFmpeg& task = TaskAt(taskIndex);
    const int slot = task.AddedCount(false);
    if (slot >= TCustomFFmpeg::kMaxFiles) {
        m_lastErrorMessage =
            "max input files " + std::to_string(TCustomFFmpeg::kMaxFiles) + " reached";
        return false;
    }
    std::unique_ptr<TInputOptions>& copy = task.InputSlots[static_cast<std::size_t>(slot)];
    try {
        Reopen(task);
        if (options) {
            if (options->FileName.empty()) {
                options->FileName = fileName;
            }
            copy = std::make_unique<TInputOptions>(*options);
            ApplyInputRecord(task, *options);
        } else {
            copy.reset();
        }
        if (!task.OpenInput(fileName)) {
            copy.reset();
            m_lastErrorMessage = task.ErrorText();
            return false;
        }
        task.Probes[static_cast<std::size_t>(slot)] = std::make_unique<TAVProbe>();
        task.Probes[static_cast<std::size_t>(slot)]->AttachContext(task.InputContext(slot));
        task.m_added.push_back({false, fileName});
        return true;
    } catch (const std::exception& error) {
        copy.reset();
        m_lastErrorMessage = error.what();
        return false;
    }
}

bool TCustomFFmpegVCL::SetOutputFile(int taskIndex, const std::string& fileName,
                                     TOutputOptions* options) {
    CheckBusy("SetOutputFile");
    TFFmpeg& task = TaskAt(taskIndex);
    const int slot = task.AddedCount(true);
    if (slot >= TCustomFFmpeg::kMaxFiles) {
        m_lastErrorMessage =
            "max output files " + std::to_string(TCustomFFmpeg::kMaxFiles) + " reached";
        return false;
    }
    std::unique_ptr<TOutputOptions>& copy = task.OutputSlots[static_cast<std::size_t>(slot)];
    try {
        Reopen(task);
        bool join = false;
        if (options) {
            if (options->FileName.empty()) {
                options->FileName = fileName;
            }
            copy = std::make_unique<TOutputOptions>(*options);
            ApplyOutputRecord(task, *options);
            if (options->CustomHook) {
                TFFmpeg* target = &task;
                task.SetOnCustomHook(
                    [this, target](THookInfo& info) { DispatchHook(*target, info); });
            }
            join = options->Join;
        } else {
            copy.reset();
        }
        if (task.CreateOutput(fileName, join) < 0) {
            copy.reset();
            m_lastErrorMessage = task.ErrorText();
            return false;
        }
        task.m_added.push_back({true, fileName});
        if (options) {
            ApplyNewStreamRecord(task, *options);
        }
        return true;
    } catch (const std::exception& error) {
        copy.reset();
        m_lastErrorMessage = error.what();
        return false;
    }
}

void TCustomFFmpegVCL::RemoveTask(int taskIndex) {
    CheckBusy("RemoveTask");
    TaskAt(taskIndex);
    std::unique_ptr<TFFmpeg> removed;
    {
        std::lock_guard guard(m_queueLock);
        removed = std::move(m_tasks[static_cast<std::size_t>(taskIndex)]);
        m_tasks.erase(m_tasks.begin() + taskIndex);
    }
    WaitUntil([&] { return removed->m_workerLeft.load(); });
    if (removed->m_worker.joinable()) {
        removed->m_worker.join();
    }
}

void TCustomFFmpegVCL::ClearTasks() {
    if (m_working && !m_allDone) {
        throw EngineError("Cannot ClearTasks while working.");
    }
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    {
        std::lock_guard guard(m_queueLock);
        tasks.swap(m_tasks);
        ++m_generation;
        m_finishedCount = 0;
        m_nextIndex = -1;
        m_pending = 0;
    }
    StateChanged();
    // Every task has reported: its worker only has to return, it waits for nothing.
    for (std::unique_ptr<TFFmpeg>& task : tasks) {
        if (task->m_worker.joinable()) {
            task->m_worker.join();
        }
    }
    // The final report's handler may be the caller: its thread is joined later.
    JoinFinishedThreads(false);
    m_allDone = false;
    m_working = false;
}

void TCustomFFmpegVCL::StartTask(int threadCount) {
    CheckBusy("StartTask");
    CloseAllTasks();
    {
        std::lock_guard guard(m_queueLock);
        m_finishedCount = 0;
        m_nextIndex = 0;
        m_pending = static_cast<int>(m_tasks.size());
        m_allDone = false;
        m_threaded = threadCount > 0;
        m_working = true;
    }
    if (m_threaded) {
        for (int i = 0; i < threadCount; ++i) {
            StartNext();
        }
    } else {
        for (;;) {
            {
                std::lock_guard guard(m_queueLock);
                if (m_pending <= 0) {
                    break;
                }
            }
            StartNext();
        }
    }
    // An empty queue still ends its run with the final report.
    std::unique_lock guard(m_queueLock);
    if (m_tasks.empty() && !m_allDone) {
        guard.unlock();
        m_allDone = true;
        if (Current(m_onTerminate)) {
            Report({-1, true, false, std::string(), {}});
        }
    }
}

void TCustomFFmpegVCL::StartNext() {
    TFFmpeg* task = nullptr;
    {
        std::lock_guard guard(m_queueLock);
        if (m_pending <= 0 || m_nextIndex < 0 || m_nextIndex >= static_cast<int>(m_tasks.size())) {
            return;
        }
        --m_pending;
        task = m_tasks[static_cast<std::size_t>(m_nextIndex)].get();
        task->SetProgressInterval(static_cast<std::int64_t>(m_progressInterval) * 1000);
        task->SetStageThreads(m_stageThreads);
        ++m_nextIndex;
    }
    StartOne(*task);
}

void TCustomFFmpegVCL::StartOne(TFFmpeg& task) {
    if (task.Running() || task.Terminated()) {
        return;
    }
    const char* missing = task.AddedCount(true) == 0 ? "At least one output file must be specified"
                          : task.AddedCount(false) == 0
                              ? "At least one input file must be specified"
                              : nullptr;
    if (missing) {
        LogEngine(llQuiet, missing);
        task.m_errorRaised = true;
        task.m_errorMessage = missing;
        Terminate(task);
        return;
    }
    task.m_running = true;
    task.ClearStopRequest();
    if (!m_threaded) {
        RunTask(task);
        return;
    }
    task.m_workerLeft = false;
    const int nice = NiceOf(m_threadPriority);
    // The worker that started this one ends as soon as it has: joining it here keeps a long
    // queue from holding the stack of every finished worker until the queue is cleared. The
    // new worker waits until its thread object is stored, so that its own successor finds it.
    std::thread* starter = t_worker;
    std::promise<void> stored;
    task.m_worker = std::thread([this, &task, nice, starter, stored = stored.get_future()] {
        stored.wait();
        t_worker = &task.m_worker;
        if (starter) {
            starter->join();
        }
        if (nice != 0) {
            SetCurrentThreadNice(nice);
        }
        RunTask(task);
        task.m_workerLeft = true;
        StateChanged();
    });
    stored.set_value();
}

void TCustomFFmpegVCL::RunTask(TFFmpeg& task) {
    auto step = [&task](const std::function<void()>& call) {
        try {
            call();
        } catch (const std::exception& error) {
            LogEngine(llQuiet, error.what());
            task.m_errorRaised = true;
            task.m_errorMessage = error.what();
        }
    };
    step([&] {
        Reopen(task);
        task.Run();
    });
    step([&] { task.CloseCodecs(); });
    step([&] {
        for (std::unique_ptr<TAVProbe>& probe : task.Probes) {
            if (probe) {
                probe->Close();
            }
        }
        task.Cleanup();
    });
    step([&] { Terminate(task); });
}

void TCustomFFmpegVCL::Terminate(TFFmpeg& task) {
    std::lock_guard terminate(m_terminateLock);
    task.m_running = false;
    task.m_terminated = true;
    StateChanged();
    if (Current(m_onTerminate)) {
        Report({IndexOf(task), task.Finished(), task.m_errorRaised, task.m_errorMessage,
                task.WrittenFiles()});
    }
    bool startNext = false;
    bool finalReport = false;
    {
        std::lock_guard guard(m_queueLock);
        ++m_finishedCount;
        if (m_pending <= 0) {
            finalReport = m_finishedCount >= static_cast<int>(m_tasks.size()) && !m_allDone;
        } else {
            startNext = m_threaded;
        }
    }
    if (finalReport) {
        // Done before the report goes out: its handler may clear the queue at once.
        m_allDone = true;
        if (Current(m_onTerminate)) {
            Report({-1, true, false, std::string(), {}});
        }
    } else if (startNext) {
        StartNext();
    }
}

void TCustomFFmpegVCL::Report(const TTerminateInfo& info) {
    if (!m_threaded) {
        if (const auto handler = Current(m_onTerminate)) {
            handler(info);
        }
        return;
    }
    // The reports delivered so far are joined here, so that a long queue does not keep
    // a finished thread for every task it reported.
    JoinFinishedThreads(false);
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard guard(m_reportThreadsLock);
    // Reports reach the handler in the order they were made: each waits for the one before.
    std::shared_ptr<std::atomic<bool>> previous = std::exchange(m_lastReportDone, done);
    m_reportThreads.push_back({std::thread([this, info, done, previous] {
                                   if (previous) {
                                       std::unique_lock lock(m_stateLock);
                                       m_stateChanged.wait(lock, [&] { return previous->load(); });
                                   }
                                   try {
                                       // A handler disconnected meanwhile is not called.
                                       if (const auto handler = Current(m_onTerminate)) {
                                           handler(info);
                                       }
                                   } catch (const std::exception& error) {
                                       LogEngine(llError, error.what());
                                   }
                                   *done = true;
                                   StateChanged();
                               }),
                               done});
}

void TCustomFFmpegVCL::StopTasks(bool waitForStop) {
    {
        std::lock_guard guard(m_queueLock);
        m_pending = 0;
    }
    // While this waits, main-thread calls run, and the run's end may clear the queue: every
    // step looks the task up again and gives up once the queue was cleared.
    const unsigned generation = m_generation.load();
    const auto cleared = [&] { return m_generation.load() != generation; };
    for (std::size_t i = 0;; ++i) {
        TFFmpeg* task = nullptr;
        {
            std::lock_guard guard(m_queueLock);
            if (cleared() || i >= m_tasks.size()) {
                break;
            }
            task = m_tasks[i].get();
        }
        if (task->Running()) {
            task->RequestStop();
            if (waitForStop && m_threaded && m_reporting.load() != task) {
                WaitUntil([&] { return cleared() || task->m_workerLeft.load(); });
            }
        } else if (m_working && !task->Terminated()) {
            // A task that never started still reports, from a short-lived thread.
            std::thread reporter([this, task] { Terminate(*task); });
            WaitUntil([&] { return cleared() || task->Terminated(); });
            reporter.join();
        }
    }
    // Reports under way are delivered before a waiting stop returns, so that an owner who
    // disconnects and stops is not called afterwards.
    if (waitForStop) {
        JoinFinishedThreads(true);
    }
}

void TCustomFFmpegVCL::WaitUntil(const std::function<bool()>& done) {
    if (MainThread* main = MainThread::Instance(); main && main->IsMainThread()) {
        main->ProcessUntil(done);
        return;
    }
    std::unique_lock lock(m_stateLock);
    m_stateChanged.wait(lock, done);
}

void TCustomFFmpegVCL::StateChanged() {
    // Passing through the lock orders the change before a waiter's next look at it.
    { std::lock_guard lock(m_stateLock); }
    m_stateChanged.notify_all();
    if (MainThread* main = MainThread::Instance()) {
        main->Wake();
    }
}

void TCustomFFmpegVCL::JoinFinishedThreads(bool all) {
    std::vector<ReportThread> joinable;
    {
        std::lock_guard guard(m_reportThreadsLock);
        for (auto it = m_reportThreads.begin(); it != m_reportThreads.end();) {
            if (all || it->Done->load()) {
                joinable.push_back(std::move(*it));
                it = m_reportThreads.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (ReportThread& report : joinable) {
        WaitUntil([&] { return report.Done->load(); });
        report.Thread.join();
    }
}

void TCustomFFmpegVCL::DispatchProgress(TFFmpeg& task, const TProgressInfo& info) {
    std::lock_guard guard(m_progressLock);
    const auto handler = Current(m_onProgress);
    if (!handler) {
        return;
    }
    m_progressRecord = info;
    m_progressRecord.TaskIndex = IndexOf(task);
    OnMainThread(m_triggerInMainThread, [this, &task, &handler] {
        // A handler may stop the run; it must then not wait for the worker it holds up.
        m_reporting = &task;
        handler(&m_progressRecord);
        m_reporting = nullptr;
    });
}

void TCustomFFmpegVCL::DispatchPreview(TFFmpeg& task, const TPreviewInfo& info) {
    std::lock_guard guard(m_previewLock);
    TPreviewInfo record = info;
    record.TaskIndex = IndexOf(task);
    if ((task.m_previewFlags & kPreviewWindowFlag) && m_previewWindows) {
        bool open = true;
        OnMainThread(true, [&] {
            open = m_previewWindows->ShowPicture(record.TaskIndex, *record.Picture, record.PTS);
        });
        if (!open) {
            task.m_previewFlags &= ~kPreviewWindowFlag;
        }
    } else if (const auto handler = Current(m_onPreviewBitmap);
               (task.m_previewFlags & kPreviewBitmapFlag) && handler) {
        OnMainThread(m_triggerInMainThread, [&] { handler(record); });
    }
}

void TCustomFFmpegVCL::DispatchHook(TFFmpeg& task, THookInfo& info) {
    std::lock_guard guard(m_hookLock);
    const auto handler = Current(m_onCustomHook);
    if (!handler) {
        return;
    }
    info.TaskIndex = IndexOf(task);
    handler(&info);
}

}  // namespace mw
