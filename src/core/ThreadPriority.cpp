#include "ThreadPriority.h"

namespace mw {

int NiceOf(TThreadPriority priority) {
    switch (priority) {
        case tpIdle:
            return 19;
        case tpLowest:
            return 10;
        case tpLower:
            return 5;
        case tpHigher:
            return -5;
        case tpHighest:
            return -10;
        case tpTimeCritical:
            return -15;
        default:
            return 0;
    }
}

}  // namespace mw
