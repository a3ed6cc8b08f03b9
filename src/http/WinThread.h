#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/ThreadPriority.h"

namespace mw {

class TCustomWinThread;

using TWinThreadEvent = std::function<void(TCustomWinThread& sender, std::intptr_t param)>;
using TWinThreadExceptionEvent = std::function<void()>;
using TWinThreadWaitTimeoutExpired =
    std::function<void(TCustomWinThread& sender, bool& terminateThread)>;

// Unwinds a worker whose job was abandoned by a forced termination. It derives from nothing
// so that a job's handlers of std::exception let it pass.
struct TThreadAbandoned {};

// One run of a job on a worker thread of its own. The thread exists from construction on
// but waits, suspended, for its first Resume; it runs at most once.
class TEventWinThread {
public:
    explicit TEventWinThread(TCustomWinThread& owner);
    // Frees the object: a thread that never ran is released to end without the job; the
    // thread is waited for (on the main thread with its calls flowing) and joined.
    ~TEventWinThread();
    TEventWinThread(const TEventWinThread&) = delete;
    TEventWinThread& operator=(const TEventWinThread&) = delete;

    bool Terminated() const { return m_terminated.load(); }
    bool Suspended() const { return m_suspended.load(); }
    bool Executing() const { return m_executing.load(); }
    bool Abandoned() const { return m_abandoned.load(); }
    bool Ended() const { return m_ended.load(); }
    int ReturnValue() const { return 0; }

    void Terminate() { m_terminated = true; }
    // A suspension takes hold at the worker's next checkpoint or synchronized call.
    void Suspend();
    // Counts one suspension down; the worker runs again when the last one is lifted.
    void Resume();
    // Gives up the job where it stands: no further handler of it runs.
    void Abandon();

    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);

    // Waits until the worker ended and gives its exit code.
    int WaitFor();

    // Worker: waits while suspended; raises TThreadAbandoned once the job was abandoned.
    void Checkpoint();
    // Worker: runs the call on the main thread and returns when it has run.
    void Synchronize(const std::function<void()>& call);

    TCustomWinThread& Owner() const { return m_owner; }
    // The thread object whose worker is the calling thread, or null.
    static TEventWinThread* Current();
    // How many thread objects exist in the process.
    static int LiveCount();

    TWinThreadEvent OnExecute;
    TWinThreadExceptionEvent OnException;
    TWinThreadEvent OnFinish;

private:
    friend class TCustomWinThread;
    void Run();
    void RunJob();
    void FinishStep();
    // Runs a handler; when the component handles exceptions, one it raises goes to report.
    void Guarded(const std::function<void()>& handler, const std::function<void()>& report);
    bool WaitUntilResumed();

    TCustomWinThread& m_owner;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_suspendCount = 1;
    int m_tid = 0;
    TThreadPriority m_priority = tpNormal;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_freeing{false};
    std::atomic<bool> m_suspended{true};
    std::atomic<bool> m_executing{false};
    std::atomic<bool> m_abandoned{false};
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_inCall{false};
    std::thread m_thread;
};

// Owns one worker thread and runs a single job in it: OnExecute in the worker, OnFinish
// handed to the main thread when the job has returned, OnException on the main thread for
// an exception of the job. Every Start runs on a fresh thread object.
class TCustomWinThread {
public:
    TCustomWinThread();
    virtual ~TCustomWinThread();
    TCustomWinThread(const TCustomWinThread&) = delete;
    TCustomWinThread& operator=(const TCustomWinThread&) = delete;

    // Runs the job once. False only when a blocking start timed out and its worker was
    // terminated.
    bool Start();
    // Without force only requests the stop; with force abandons the job where it stands.
    void Terminate(bool force);
    void Suspend() { m_thread->Suspend(); }
    void Resume() { m_thread->Resume(); }

    bool Executing() const { return m_thread->Executing(); }
    bool Terminated() const { return m_thread->Terminated(); }
    bool Suspended() const { return m_thread->Suspended(); }
    void SetSuspended(bool value);
    TThreadPriority Priority() const { return m_thread->Priority(); }
    void SetPriority(TThreadPriority priority) { m_thread->SetPriority(priority); }

    bool HandleExceptions() const { return m_handleExceptions.load(); }
    void SetHandleExceptions(bool value) { m_handleExceptions = value; }
    bool WaitThread = false;
    std::int32_t WaitTimeout = 0;
    TWinThreadWaitTimeoutExpired OnWaitTimeoutExpired;

    // Worker: runs the call on the main thread and returns when it has run; skipped while
    // the component is being destroyed.
    void Synchronize(const std::function<void()>& call);

    void SetOnExecute(TWinThreadEvent handler);
    void SetOnException(TWinThreadExceptionEvent handler);
    void SetOnFinish(TWinThreadEvent handler);

    TEventWinThread& Thread() const { return *m_thread; }
    bool Destroying() const { return m_destroying.load(); }
    // The owner marks the component when its own destruction begins: no job handler and
    // no synchronized call runs from then on.
    void BeginDestroy() { m_destroying = true; }

private:
    friend class TEventWinThread;
    void KillAndReplace();
    bool WaitBlocking();
    void ReapRetired(bool all);

    std::unique_ptr<TEventWinThread> m_thread;
    std::vector<std::unique_ptr<TEventWinThread>> m_retired;
    std::atomic<bool> m_handleExceptions{true};
    std::atomic<bool> m_destroying{false};
    std::atomic<unsigned> m_callsRun{0};
    unsigned m_generation = 0;
};

}  // namespace mw
