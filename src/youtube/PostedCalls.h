#pragma once

#include <chrono>
#include <deque>
#include <functional>

namespace mw {

class MainThread;

// Calls posted on the main thread of the command line and of tests, run in the order they
// came once the call that posted them has returned.
class PostedCalls {
public:
    void Post(std::function<void()> call) { m_calls.push_back(std::move(call)); }
    // Runs the calls queued so far (not those they post); false when there were none.
    bool RunPending();

    // Lets the main thread run workers' hand-offs and posted calls until done() holds.
    // idle is how long one wait for a hand-off may last before done() is asked again.
    void RunUntil(MainThread& main, const std::function<bool()>& done,
                  std::chrono::milliseconds idle = std::chrono::milliseconds(50));

private:
    std::deque<std::function<void()>> m_calls;
};

}  // namespace mw
