#include "engine/transcode/StageThread.h"

#include <pthread.h>

#include <utility>

namespace mw {

StageThread::StageThread(const char* name, std::size_t capacity,
                         std::function<void(std::exception_ptr)> failed)
    : m_capacity(capacity), m_failed(std::move(failed)), m_thread([this, name] { Run(name); }) {}

StageThread::~StageThread() {
    {
        std::lock_guard guard(m_lock);
        m_closing = true;
        m_dropping = true;
        m_jobs.clear();
    }
    m_ready.notify_all();
    m_room.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

template <class Condition>
void StageThread::WaitForRoom(std::unique_lock<std::mutex>& guard, Condition condition) {
    while (!condition()) {
        ++m_othersWaiting;
        m_room.wait(guard);
        --m_othersWaiting;
    }
}

void StageThread::Post(std::function<void()> job) {
    std::unique_lock guard(m_lock);
    WaitForRoom(guard, [this] { return m_jobs.size() < m_capacity || m_error; });
    RethrowLocked();
    m_jobs.push_back(std::move(job));
    const bool wake = m_runnerWaiting;
    guard.unlock();
    if (wake) {
        m_ready.notify_one();
    }
}

void StageThread::Drain() {
    std::unique_lock guard(m_lock);
    WaitForRoom(guard, [this] { return (m_jobs.empty() && !m_busy) || m_error; });
    RethrowLocked();
}

void StageThread::Finish() {
    {
        std::lock_guard guard(m_lock);
        m_closing = true;
    }
    m_ready.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard guard(m_lock);
    RethrowLocked();
}

void StageThread::RethrowLocked() {
    if (m_error) {
        std::rethrow_exception(m_error);
    }
}

void StageThread::Run(const char* name) {
    pthread_setname_np(pthread_self(), name);
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock guard(m_lock);
            while (m_jobs.empty() && !m_closing) {
                m_runnerWaiting = true;
                m_ready.wait(guard);
                m_runnerWaiting = false;
            }
            if (m_jobs.empty() || m_dropping) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
        }
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        job = nullptr;
        bool wake = false;
        {
            std::lock_guard guard(m_lock);
            m_busy = false;
            if (error) {
                m_error = error;
                m_jobs.clear();
            }
            wake = m_othersWaiting > 0 && (error || m_jobs.size() <= m_capacity / 2);
        }
        if (wake) {
            m_room.notify_all();
        }
        if (error) {
            if (m_failed) {
                m_failed(error);
            }
            return;
        }
    }
}

}  // namespace mw
