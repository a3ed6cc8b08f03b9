#pragma once

namespace mw {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The scheduling niceness (-20 highest to 19 lowest) a worker of that priority runs with.
int NiceOf(TThreadPriority priority);

}  // namespace mw
