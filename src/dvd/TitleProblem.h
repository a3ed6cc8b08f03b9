#pragma once

#include <cstdint>

namespace mw::dvd {

// Why the plug-in could not read a title.
enum class TitleProblem : std::int32_t {
    None = 0,
    Unreadable = 1,  // its information is missing or damaged
    Encrypted = 2,   // its video is CSS-scrambled and nothing decrypts it
};

}  // namespace mw::dvd
