#pragma once

#include <csignal>

namespace mw::cli {

// Turns Ctrl+C into a request the command's main loop reads, for the life of the object.
class InterruptRequest {
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(const InterruptRequest&) = delete;
    InterruptRequest& operator=(const InterruptRequest&) = delete;

    bool Requested() const;

private:
    struct sigaction m_previous {};
};

}  // namespace mw::cli
