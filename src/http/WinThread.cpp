#include "WinThread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <array>
#include <cerrno>
#include <chrono>

#include "core/MainThread.h"

namespace mw {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait on the main thread looks whether the worker has ended.
constexpr std::chrono::milliseconds kWaitSlice{2};

constexpr std::array kPriorities = {tpIdle,   tpLowest,  tpLower,       tpNormal,
                                    tpHigher, tpHighest, tpTimeCritical};

thread_local TEventWinThread* t_current = nullptr;

std::mutex g_liveLock;
int g_liveCount = 0;

bool OnMainThread() {
    MainThread* main = MainThread::Instance();
    return main != nullptr && main->IsMainThread();
}

}  // namespace

TEventWinThread::TEventWinThread(TCustomWinThread& owner) : m_owner(owner) {
    {
        std::lock_guard lock(g_liveLock);
        ++g_liveCount;
    }
    m_thread = std::thread([this] { Run(); });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_tid != 0; });
}

TEventWinThread::~TEventWinThread() {
    m_freeing = true;
    m_terminated = true;
    {
        std::lock_guard lock(m_mutex);
        m_suspendCount = 0;
        m_suspended = false;
    }
    m_changed.notify_all();
    WaitFor();
    m_thread.join();
    std::lock_guard lock(g_liveLock);
    --g_liveCount;
}

TEventWinThread* TEventWinThread::Current() {
    return t_current;
}

int TEventWinThread::LiveCount() {
    std::lock_guard lock(g_liveLock);
    return g_liveCount;
}

void TEventWinThread::Suspend() {
    std::lock_guard lock(m_mutex);
    ++m_suspendCount;
    m_suspended = true;
}

void TEventWinThread::Resume() {
    {
        std::lock_guard lock(m_mutex);
        if (m_suspendCount == 0) {
            return;
        }
        if (--m_suspendCount == 0) {
            m_suspended = false;
        }
    }
    m_changed.notify_all();
}

void TEventWinThread::Abandon() {
    m_abandoned = true;
    m_terminated = true;
    m_changed.notify_all();
}

TThreadPriority TEventWinThread::Priority() const {
    std::lock_guard lock(m_mutex);
    if (m_ended.load()) {
        return m_priority;
    }
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(m_tid));
    if (nice == -1 && errno != 0) {
        return m_priority;
    }
    TThreadPriority found = tpNormal;
    for (TThreadPriority priority : kPriorities) {
        if (NiceOf(priority) == nice) {
            found = priority;
        }
    }
    return found;
}

void TEventWinThread::SetPriority(TThreadPriority priority) {
    std::lock_guard lock(m_mutex);
    m_priority = priority;
    if (!m_ended.load()) {
        // Raising a priority needs a privilege; without it the thread keeps its own.
        setpriority(PRIO_PROCESS, static_cast<id_t>(m_tid), NiceOf(priority));
    }
}

int TEventWinThread::WaitFor() {
    if (OnMainThread()) {
        MainThread* main = MainThread::Instance();
        while (!m_ended.load()) {
            main->WaitAndProcess(kWaitSlice);
        }
    } else {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_ended.load(); });
    }
    return ReturnValue();
}

bool TEventWinThread::WaitUntilResumed() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_suspendCount == 0 || m_abandoned.load(); });
    return !m_abandoned.load();
}

void TEventWinThread::Checkpoint() {
    if (!WaitUntilResumed()) {
        throw TThreadAbandoned{};
    }
}

void TEventWinThread::Synchronize(const std::function<void()>& call) {
    Checkpoint();
    if (m_owner.Destroying()) {
        return;
    }
    const auto step = [&] {
        if (m_abandoned.load() || m_owner.Destroying()) {
            return;
        }
        m_inCall = true;
        ++m_owner.m_callsRun;
        try {
            call();
        } catch (...) {
            m_inCall = false;
            throw;
        }
        m_inCall = false;
    };
    try {
        if (MainThread* main = MainThread::Instance()) {
            main->Invoke(step);
        } else {
            step();
        }
    } catch (...) {
        if (!m_owner.HandleExceptions()) {
            throw;
        }
    }
    Checkpoint();
}

void TEventWinThread::Run() {
    t_current = this;
    {
        std::lock_guard lock(m_mutex);
        m_tid = static_cast<int>(gettid());
    }
    m_changed.notify_all();
    // A stop requested before the job began reaches it at its first checkpoint; only an
    // object freed before it ever ran ends without the job.
    if (WaitUntilResumed() && !m_freeing.load()) {
        m_executing = true;
        try {
            RunJob();
            if (OnFinish) {
                Synchronize([this] { FinishStep(); });
            }
        } catch (...) {
            // An abandoned job, or an exception that the component was told not to handle:
            // the job ends here without its finish step.
        }
        m_executing = false;
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_changed.notify_all();
}

void TEventWinThread::Guarded(const std::function<void()>& handler,
                              const std::function<void()>& report) {
    if (!m_owner.HandleExceptions()) {
        handler();
        return;
    }
    try {
        handler();
    } catch (const TThreadAbandoned&) {
        throw;
    } catch (...) {
        report();
    }
}

void TEventWinThread::RunJob() {
    if (!OnExecute || m_owner.Destroying()) {
        return;
    }
    Guarded([this] { OnExecute(m_owner, 0); },
            [this] {
                if (OnException && !m_owner.Destroying()) {
                    Synchronize(OnException);
                }
            });
}

void TEventWinThread::FinishStep() {
    if (m_owner.Destroying()) {
        return;
    }
    Guarded([this] { OnFinish(m_owner, 0); },
            [this] {
                if (OnException) {
                    OnException();
                }
            });
}

TCustomWinThread::TCustomWinThread() : m_thread(std::make_unique<TEventWinThread>(*this)) {}

TCustomWinThread::~TCustomWinThread() {
    m_destroying = true;
    if (m_thread->Executing()) {
        m_thread->Abandon();
    }
    m_thread.reset();
    ReapRetired(true);
}

void TCustomWinThread::KillAndReplace() {
    TEventWinThread* current = TEventWinThread::Current();
    if (current != nullptr && &current->Owner() == this) {
        // From inside the worker: the job ends here; the next Start replaces the object.
        current->Abandon();
        throw TThreadAbandoned{};
    }
    TEventWinThread& old = *m_thread;
    if (old.Executing()) {
        old.Abandon();
    }
    auto fresh = std::make_unique<TEventWinThread>(*this);
    fresh->SetPriority(old.Priority());
    fresh->OnExecute = old.OnExecute;
    fresh->OnException = old.OnException;
    fresh->OnFinish = old.OnFinish;
    std::unique_ptr<TEventWinThread> previous = std::exchange(m_thread, std::move(fresh));
    ++m_generation;
    if (previous->m_inCall.load()) {
        // Its worker waits for the very call the main thread is running now: it goes once
        // that call returns, and is joined later.
        m_retired.push_back(std::move(previous));
    } else {
        previous.reset();
    }
    ReapRetired(false);
}

void TCustomWinThread::ReapRetired(bool all) {
    // Taken out first: freeing a thread object lets main-thread calls run, and one of them
    // may retire another.
    std::vector<std::unique_ptr<TEventWinThread>> retired = std::exchange(m_retired, {});
    for (auto& thread : retired) {
        if (!all && !thread->Ended()) {
            m_retired.push_back(std::move(thread));
        }
    }
}

bool TCustomWinThread::Start() {
    KillAndReplace();
    // Executing from the start on, so that a stop requested at once is not lost.
    m_thread->m_executing = true;
    m_thread->Resume();
    if (!WaitThread) {
        return true;
    }
    return WaitBlocking();
}

bool TCustomWinThread::WaitBlocking() {
    const unsigned generation = m_generation;
    const bool onMain = OnMainThread();
    const auto limit = std::chrono::milliseconds(std::max<std::int32_t>(WaitTimeout, 0));
    auto deadline = Clock::now() + limit;
    unsigned callsSeen = m_callsRun.load();
    for (;;) {
        if (m_destroying.load() || generation != m_generation || m_thread->Ended()) {
            return true;
        }
        if (limit.count() > 0 && Clock::now() >= deadline) {
            bool terminateThread = true;
            if (OnWaitTimeoutExpired) {
                OnWaitTimeoutExpired(*this, terminateThread);
            }
            if (terminateThread && generation == m_generation) {
                KillAndReplace();
            }
            return !terminateThread;
        }
        if (onMain) {
            MainThread::Instance()->WaitAndProcess(kWaitSlice);
        } else {
            std::this_thread::sleep_for(kWaitSlice);
        }
        const unsigned calls = m_callsRun.load();
        if (calls != callsSeen) {
            callsSeen = calls;
            deadline = Clock::now() + limit;
        }
    }
}

void TCustomWinThread::Terminate(bool force) {
    if (force) {
        KillAndReplace();
    } else {
        m_thread->Terminate();
    }
}

void TCustomWinThread::SetSuspended(bool value) {
    if (value != Suspended()) {
        value ? Suspend() : Resume();
    }
}

void TCustomWinThread::Synchronize(const std::function<void()>& call) {
    if (m_destroying.load()) {
        return;
    }
    TEventWinThread* current = TEventWinThread::Current();
    if (current != nullptr && &current->Owner() == this) {
        current->Synchronize(call);
    } else {
        call();
    }
}

void TCustomWinThread::SetOnExecute(TWinThreadEvent handler) {
    m_thread->OnExecute = std::move(handler);
}

void TCustomWinThread::SetOnException(TWinThreadExceptionEvent handler) {
    m_thread->OnException = std::move(handler);
}

void TCustomWinThread::SetOnFinish(TWinThreadEvent handler) {
    m_thread->OnFinish = std::move(handler);
}

}  // namespace mw
