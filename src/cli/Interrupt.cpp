#include "Interrupt.h"

#include <atomic>

namespace mw::cli {

namespace {

std::atomic<bool> g_requested{false};

void OnInterrupt(int) {
    g_requested = true;
}

}  // namespace

InterruptRequest::InterruptRequest() {
    g_requested = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, &m_previous);
}

InterruptRequest::~InterruptRequest() {
    sigaction(SIGINT, &m_previous, nullptr);
}

bool InterruptRequest::Requested() const {
    return g_requested.load();
}

}  // namespace mw::cli
