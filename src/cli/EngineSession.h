#pragma once

#include <string>

#include "core/MainThread.h"

namespace mw::cli {

// What a command needs to use the engine: a main thread for hand-offs and the libraries.
class EngineSession {
public:
    EngineSession();
    // False, with the reason on stderr, when the libraries cannot be used.
    bool Ready() const { return m_ready; }

private:
    HeadlessMainThread m_mainThread;
    bool m_ready = false;
};

}  // namespace mw::cli
