#include "Scrambling.h"

namespace mw::dvd {

namespace {

bool StartCode(const unsigned char* at) {
    return at[0] == 0x00 && at[1] == 0x00 && at[2] == 0x01;
}

// Streams whose PES header carries the MPEG-2 flag bytes: private stream 1, audio, video.
bool HasPesFlags(unsigned char streamId) {
    return streamId == 0xBD || (streamId >= 0xC0 && streamId <= 0xEF);
}

}  // namespace

bool PackIsScrambled(const unsigned char* pack, std::size_t size) {
    constexpr std::size_t kPackHeader = 14;
    if (size < kPackHeader || !StartCode(pack) || pack[3] != 0xBA || (pack[4] & 0xC0) != 0x40) {
        return false;  // not an MPEG-2 pack: no scrambling field to look at
    }
    std::size_t at = kPackHeader + (pack[13] & 0x07);
    while (at + 7 <= size && StartCode(pack + at)) {
        const unsigned char streamId = pack[at + 3];
        const std::size_t length = (std::size_t{pack[at + 4]} << 8) | pack[at + 5];
        if (HasPesFlags(streamId) && (pack[at + 6] & 0xC0) == 0x80 && (pack[at + 6] & 0x30) != 0) {
            return true;
        }
        at += 6 + length;
    }
    return false;
}

}  // namespace mw::dvd
