#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace mw::dvd {

// printf into a string; the DVD texts are short (a report line, a failure message).
[[gnu::format(printf, 1, 2)]] inline std::string Printf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

}  // namespace mw::dvd
