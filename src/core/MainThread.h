#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace mw {

// The synchronous hand-off from workers to the main thread. A worker's Invoke blocks until
// the main thread has run the call; the main thread never waits without letting such calls
// through (its waits go through ProcessPending or WaitAndProcess). An exception thrown by
// the call reaches the invoking worker.
class MainThread {
public:
    MainThread();
    virtual ~MainThread();
    MainThread(const MainThread&) = delete;
    MainThread& operator=(const MainThread&) = delete;

    // The implementation of this process, or null before one exists.
    static MainThread* Instance();

    // Runs the call on the main thread: directly when called there, otherwise handed over.
    void Invoke(const std::function<void()>& call);

    bool IsMainThread() const { return std::this_thread::get_id() == m_mainThreadId; }

    // Main thread: runs every call that workers are waiting for.
    virtual void ProcessPending() = 0;

    // Main thread: runs pending calls, waiting up to the timeout for one to arrive or for a
    // Wake.
    virtual void WaitAndProcess(std::chrono::milliseconds timeout) = 0;

    // Main thread: runs pending calls until done() holds. It sleeps in between and looks at
    // done() again whenever a call arrives or Wake is called.
    virtual void ProcessUntil(const std::function<bool()>& done) = 0;
    // Any thread: something a ProcessUntil or WaitAndProcess may wait for has changed.
    virtual void Wake() = 0;

protected:
    virtual void InvokeFromWorker(const std::function<void()>& call) = 0;

private:
    std::thread::id m_mainThreadId;
    MainThread* m_previous;
};

// The main thread of the command line and of tests: a queue that the main thread drains
// while it waits. A toolkit's main thread builds on it and drains the queue from its event
// loop as well.
class HeadlessMainThread : public MainThread {
public:
    HeadlessMainThread() = default;
    ~HeadlessMainThread() override;

    void ProcessPending() override;
    void WaitAndProcess(std::chrono::milliseconds timeout) override;
    void ProcessUntil(const std::function<bool()>& done) override;
    void Wake() override;

protected:
    void InvokeFromWorker(const std::function<void()>& call) override;
    // A worker has queued a call (called on the worker's thread).
    virtual void CallQueued() {}

private:
    struct PendingCall {
        const std::function<void()>* Call = nullptr;
        std::exception_ptr Error;
        bool Done = false;
    };

    void RunQueued(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_finished;
    std::deque<PendingCall*> m_queue;
    std::uint64_t m_wakes = 0;
};

}  // namespace mw
