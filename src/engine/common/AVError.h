#pragma once

#include <string>

extern "C" {
#include <libavutil/error.h>
}

namespace mw {

// The libraries' own text for one of their error codes.
inline std::string AVErrorText(int error) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, reason, sizeof reason);
    return reason;
}

}  // namespace mw
