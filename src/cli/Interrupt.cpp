#include "Interrupt.h"

#include <atomic>

namespace mw::cli {

namespace {

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_requested{false};

void OnInterrupt(int) {
    g_requested = true;
}

}  // namespace

InterruptRequest::InterruptRequest() {
    g_requested = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &action, &m_previous[i]);
    }
}

InterruptRequest::~InterruptRequest() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        sigaction(kSignals[i], &m_previous[i], nullptr);
    }
}

bool InterruptRequest::Requested() const {
    return g_requested.load();
}

}  // namespace mw::cli
