#include "MainThread.h"

#include <atomic>

namespace mw {

namespace {

std::atomic<MainThread*> g_instance{nullptr};

}  // namespace

MainThread::MainThread()
    : m_mainThreadId(std::this_thread::get_id()), m_previous(g_instance.exchange(this)) {}

MainThread::~MainThread() {
    g_instance.store(m_previous);
}

MainThread* MainThread::Instance() {
    return g_instance.load();
}

void MainThread::Invoke(const std::function<void()>& call) {
    if (IsMainThread()) {
        call();
    } else {
        InvokeFromWorker(call);
    }
}

HeadlessMainThread::~HeadlessMainThread() {
    // No worker may stay blocked on a call that nobody will run.
    std::unique_lock lock(m_mutex);
    RunQueued(lock);
}

void HeadlessMainThread::InvokeFromWorker(const std::function<void()>& call) {
    PendingCall pending;
    pending.Call = &call;
    std::unique_lock lock(m_mutex);
    m_queue.push_back(&pending);
    m_arrived.notify_all();
    CallQueued();
    m_finished.wait(lock, [&] { return pending.Done; });
    if (pending.Error) {
        std::rethrow_exception(pending.Error);
    }
}

void HeadlessMainThread::RunQueued(std::unique_lock<std::mutex>& lock) {
    while (!m_queue.empty()) {
        PendingCall* pending = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        try {
            (*pending->Call)();
        } catch (...) {
            pending->Error = std::current_exception();
        }
        lock.lock();
        pending->Done = true;
        m_finished.notify_all();
    }
}

void HeadlessMainThread::ProcessPending() {
    std::unique_lock lock(m_mutex);
    RunQueued(lock);
}

void HeadlessMainThread::WaitAndProcess(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    const std::uint64_t wakes = m_wakes;
    m_arrived.wait_for(lock, timeout, [&] { return !m_queue.empty() || m_wakes != wakes; });
    RunQueued(lock);
}

void HeadlessMainThread::ProcessUntil(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        RunQueued(lock);
        // A wake between the look at done() and the sleep is not lost: it moves the count.
        const std::uint64_t wakes = m_wakes;
        lock.unlock();
        const bool finished = done();
        lock.lock();
        if (finished) {
            return;
        }
        m_arrived.wait(lock, [&] { return !m_queue.empty() || m_wakes != wakes; });
    }
}

void HeadlessMainThread::Wake() {
    std::lock_guard lock(m_mutex);
    ++m_wakes;
    m_arrived.notify_all();
}

}  // namespace mw
