#pragma once

#include <cstddef>

namespace mw::dvd {

inline constexpr std::size_t kDvdBlockSize = 2048;

// Whether one 2048-byte pack of a title VOB carries a PES packet whose scrambling bits are
// set: the sign of CSS data that nobody decrypted on the way.
bool PackIsScrambled(const unsigned char* pack, std::size_t size);

}  // namespace mw::dvd
