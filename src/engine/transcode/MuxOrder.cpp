#include "engine/transcode/MuxOrder.h"

#include <pthread.h>

#include <utility>

namespace mw {

MuxOrder::MuxOrder(std::size_t capacity) : m_capacity(capacity), m_thread([this] { Run(); }) {}

MuxOrder::~MuxOrder() { Stop(); }

void MuxOrder::Stop() {
    {
        std::lock_guard guard(m_lock);
        m_aborted = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

MuxOrder::SlotPtr MuxOrder::Open() {
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] {
        return m_aborted || m_roots.size() + (m_walk.empty() ? 0 : 1) < m_capacity;
    });
    RethrowLocked();
    SlotPtr slot = std::make_shared<Slot>();
    m_roots.push_back(slot);
    guard.unlock();
    m_changed.notify_all();
    return slot;
}

MuxOrder::SlotPtr MuxOrder::OpenChild(Slot& parent) {
    SlotPtr child = std::make_shared<Slot>();
    {
        std::lock_guard guard(m_lock);
        parent.Items.emplace_back(child);
    }
    m_changed.notify_all();
    return child;
}

void MuxOrder::Add(Slot& slot, std::function<void()> job) {
    {
        std::lock_guard guard(m_lock);
        slot.Items.emplace_back(std::move(job));
    }
    m_changed.notify_all();
}

void MuxOrder::Close(Slot& slot) {
    {
        std::lock_guard guard(m_lock);
        slot.Closed = true;
    }
    m_changed.notify_all();
}

void MuxOrder::WaitIdle() {
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_aborted || (m_roots.empty() && m_walk.empty()); });
    RethrowLocked();
}

void MuxOrder::Finish() {
    {
        std::lock_guard guard(m_lock);
        m_finishing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard guard(m_lock);
    RethrowLocked();
}

void MuxOrder::Abort(std::exception_ptr error) {
    {
        std::lock_guard guard(m_lock);
        if (!m_error) {
            m_error = std::move(error);
        }
        m_aborted = true;
    }
    m_changed.notify_all();
}

void MuxOrder::RethrowLocked() const {
    if (m_error) {
        std::rethrow_exception(m_error);
    }
}

bool MuxOrder::NextJob(std::unique_lock<std::mutex>& guard, std::function<void()>& job) {
    for (;;) {
        if (m_aborted) {
            return false;
        }
        if (m_walk.empty()) {
            if (m_roots.empty()) {
                if (m_finishing) {
                    return false;
                }
                m_changed.wait(guard);
                continue;
            }
            m_walk.push_back(std::move(m_roots.front()));
            m_roots.pop_front();
            continue;
        }
        Slot& top = *m_walk.back();
        if (!top.Items.empty()) {
            Item item = std::move(top.Items.front());
            top.Items.pop_front();
            if (auto* next = std::get_if<std::function<void()>>(&item)) {
                job = std::move(*next);
                return true;
            }
            m_walk.push_back(std::move(std::get<SlotPtr>(item)));
            continue;
        }
        if (top.Closed) {
            m_walk.pop_back();
            if (m_walk.empty()) {
                // A top-level slot is done: room for the loop, and maybe the end of a wait.
                m_changed.notify_all();
            }
            continue;
        }
        m_changed.wait(guard);
    }
}

void MuxOrder::Run() {
    pthread_setname_np(pthread_self(), "mw-mux");
    std::unique_lock guard(m_lock);
    std::function<void()> job;
    while (NextJob(guard, job)) {
        guard.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        job = nullptr;
        guard.lock();
        if (error) {
            if (!m_error) {
                m_error = error;
            }
            m_aborted = true;
            break;
        }
    }
    guard.unlock();
    m_changed.notify_all();
}

}  // namespace mw
