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
    m_walkChanged.notify_all();
    m_room.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

MuxOrder::SlotPtr MuxOrder::Open() {
    std::unique_lock guard(m_lock);
    while (!m_aborted && m_roots.size() + (m_walk.empty() ? 0 : 1) >= m_capacity) {
        ++m_roomWaiting;
        m_walkChanged.notify_one();
        m_room.wait(guard);
        --m_roomWaiting;
    }
    RethrowLocked();
    SlotPtr slot = std::make_shared<Slot>();
    m_roots.push_back(slot);
    const bool wake = m_walkWaiting && Backlog();
    guard.unlock();
    if (wake) {
        m_walkChanged.notify_one();
    }
    return slot;
}

MuxOrder::SlotPtr MuxOrder::OpenChild(Slot& parent) {
    SlotPtr child = std::make_shared<Slot>();
    bool wake = false;
    {
        std::lock_guard guard(m_lock);
        parent.Items.emplace_back(child);
        wake = WalkWaitsFor(&parent);
    }
    if (wake) {
        m_walkChanged.notify_one();
    }
    return child;
}

void MuxOrder::Add(Slot& slot, std::function<void()> job) {
    bool wake = false;
    {
        std::lock_guard guard(m_lock);
        slot.Items.emplace_back(std::move(job));
        wake = WalkWaitsFor(&slot);
    }
    if (wake) {
        m_walkChanged.notify_one();
    }
}

void MuxOrder::Close(Slot& slot) {
    bool wake = false;
    {
        std::lock_guard guard(m_lock);
        slot.Closed = true;
        wake = WalkWaitsFor(&slot);
    }
    if (wake) {
        m_walkChanged.notify_one();
    }
}

void MuxOrder::WaitIdle() {
    std::unique_lock guard(m_lock);
    while (!m_aborted && !(m_roots.empty() && m_walk.empty())) {
        ++m_roomWaiting;
        m_walkChanged.notify_one();
        m_room.wait(guard);
        --m_roomWaiting;
    }
    RethrowLocked();
}

void MuxOrder::Finish() {
    {
        std::lock_guard guard(m_lock);
        m_finishing = true;
    }
    m_walkChanged.notify_all();
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
    m_walkChanged.notify_all();
    m_room.notify_all();
}

void MuxOrder::RethrowLocked() const {
    if (m_error) {
        std::rethrow_exception(m_error);
    }
}

void MuxOrder::WaitForWalk(std::unique_lock<std::mutex>& guard, const Slot* slot) {
    m_walkWaiting = true;
    m_waitingOn = slot;
    m_walkChanged.wait(guard);
    m_walkWaiting = false;
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
                WaitForWalk(guard, nullptr);
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
            if (m_walk.empty() && m_roomWaiting > 0 && m_roots.size() <= m_capacity / 2) {
                // Top-level slots are done: room for the loop, and maybe the end of a wait.
                // The loop is woken once half of its steps have run, not for every step.
                m_room.notify_all();
            }
            continue;
        }
        WaitForWalk(guard, &top);
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
    m_walkChanged.notify_all();
    m_room.notify_all();
}

}  // namespace mw
