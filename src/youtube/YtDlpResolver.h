#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "YtDlpJson.h"

namespace mw {

// The yt-dlp program on the PATH, or empty when there is none.
std::string FindYtDlp();

// Asks yt-dlp what a link holds: the program runs as a child process from a worker, never
// blocking the main thread, within a time limit of its own; it is killed on Cancel and
// always reaped. The answer, or why there is none, comes back on the main thread.
class YtDlpResolver {
public:
    // answer is empty on failure; problem then says why (yt-dlp's own last error line when
    // it gave one).
    using DoneFunction =
        std::function<void(const std::optional<Resolution>& answer, const std::string& problem)>;

    YtDlpResolver() = default;
    // A resolution under way is cancelled.
    ~YtDlpResolver();
    YtDlpResolver(const YtDlpResolver&) = delete;
    YtDlpResolver& operator=(const YtDlpResolver&) = delete;

    void SetTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    // Main thread: starts the program for the link; done follows unless cancelled.
    void Start(const std::string& program, const std::string& link, DoneFunction done);
    // Main thread: kills the program; done is not called.
    void Cancel();
    bool Busy() const { return m_busy; }

private:
    struct Outcome {
        std::string Out;
        std::string Err;
        int Status = -1;  // exit code, -1 when killed or not started
        bool TimedOut = false;
        std::string StartError;
    };
    Outcome RunChild(const std::string& program, const std::string& link);
    void Finish(const Outcome& outcome);
    void Join();

    std::chrono::milliseconds m_timeLimit = std::chrono::seconds(60);
    DoneFunction m_done;
    std::thread m_worker;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_workerDone{true};
    bool m_busy = false;
    std::mutex m_pidLock;
    pid_t m_pid = -1;
};

}  // namespace mw
