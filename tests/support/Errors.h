#pragma once

#include <functional>
#include <string>

#include "engine/EngineError.h"

namespace mw::test {

// The text of the EngineError a call raises, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EngineError& error) {
        return error.what();
    }
    return "(no error)";
}

}  // namespace mw::test
