#include "PostedCalls.h"

#include "core/MainThread.h"

namespace mw {

bool PostedCalls::RunPending() {
    std::deque<std::function<void()>> calls;
    calls.swap(m_calls);
    for (const std::function<void()>& call : calls) {
        call();
    }
    return !calls.empty();
}

void PostedCalls::RunUntil(MainThread& main, const std::function<bool()>& done,
                           std::chrono::milliseconds idle) {
    while (!done()) {
        if (!RunPending()) {
            main.WaitAndProcess(idle);
        }
    }
}

}  // namespace mw
