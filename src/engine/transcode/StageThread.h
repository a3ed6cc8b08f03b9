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
    // Waits on m_room until the condition holds, counted as a waiter.
    template <class Condition>
    void WaitForRoom(std::unique_lock<std::mutex>& guard, Condition condition);

    const std::size_t m_capacity;
    const std::function<void(std::exception_ptr)> m_failed;
    std::mutex m_lock;
    // The stage's thread waits on m_ready for a job; the threads handing over and waiting
    // for the stage wait on m_room. Each side is woken only when it waits, and a full queue
    // wakes its producer once half of it has run, so that hand-overs come in bursts rather
    // than a switch of threads per job.
    std::condition_variable m_ready;
    std::condition_variable m_room;
    bool m_runnerWaiting = false;
    int m_othersWaiting = 0;
    std::deque<std::function<void()>> m_jobs;
    bool m_closing = false;
    bool m_dropping = false;
    bool m_busy = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

}  // namespace mw
