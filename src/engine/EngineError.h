#pragma once

#include <stdexcept>

namespace mw {

// The few engine failures that raise instead of returning false: the busy rule, invalid
// indexes, libraries that are not loaded and seeking in a context the probe does not own.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace mw
