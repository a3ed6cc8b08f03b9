#pragma once

namespace mw {

// A nested hourglass: the wait cursor shows from the first BeginBusy to the matching last
// EndBusy.
void BeginBusy();
void EndBusy();

// Brackets a long operation, also when it ends with an error.
class BusyScope {
public:
    BusyScope() { BeginBusy(); }
    ~BusyScope() { EndBusy(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

}  // namespace mw
