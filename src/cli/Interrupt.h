#pragma once

#include <array>
#include <csignal>

namespace mw::cli {

// Turns Ctrl+C, SIGTERM and SIGHUP into a request the command's main loop reads, for the
// life of the object, so that a stopped command still removes what it had not finished.
class InterruptRequest {
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(const InterruptRequest&) = delete;
    InterruptRequest& operator=(const InterruptRequest&) = delete;

    bool Requested() const;

private:
    std::array<struct sigaction, 3> m_previous{};
};

}  // namespace mw::cli
