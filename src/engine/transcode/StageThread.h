#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace mw {

// A thread of its own for one stage of a transcode: it runs the jobs handed to it one after
// the other, in the order they were handed over. The queue between holds a few jobs only;
// a hand-over waits while it is full, so the stage before never runs far ahead and memory
// stays flat. An error raised by a job ends the stage: it runs no further job, and the next
// hand-over or Finish raises that error in the thread that hands over.
//
// A thread started by a task's worker inherits the worker's scheduling niceness, so the
// task's ThreadPriority holds for its stages too.
class StageThread {
public:
    // `failed` is told, in the stage's thread, of the error that ended the stage. The thread
    // carries `name` (at most 15 characters), as a process lister shows it.
    StageThread(const char* name, std::size_t capacity,
                std::function<void(std::exception_ptr)> failed);
    // Drops the jobs not run yet and joins the thread.
    ~StageThread();
    StageThread(const StageThread&) = delete;
    StageThread& operator=(const StageThread&) = delete;

    // The job owns what it works on; it must be copyable as std::function requires.
    void Post(std::function<void()> job);
    // Waits until every job handed over so far has run; raises the error a job raised.
    void Drain();
    // Waits until every job handed over has run, then joins the thread; raises the error a
    // job raised.
    void Finish();

private:
    void Run(const char* name);
    void RethrowLocked();

    const std::size_t m_capacity;
    const std::function<void(std::exception_ptr)> m_failed;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_closing = false;
    bool m_dropping = false;
    bool m_busy = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

}  // namespace mw
