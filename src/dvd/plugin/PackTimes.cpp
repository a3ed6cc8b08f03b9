#include "PackTimes.h"

#include <cstring>

#include "Scrambling.h"

namespace mw::dvd {

namespace {

constexpr std::size_t kPackHeader = 14;
constexpr unsigned char kPrivateStream1 = 0xBD;
constexpr unsigned char kPaddingStream = 0xBE;
constexpr unsigned char kPrivateStream2 = 0xBF;

bool StartCode(const unsigned char* at) {
    return at[0] == 0x00 && at[1] == 0x00 && at[2] == 0x01;
}

// The pack header's system clock reference base (the 9-bit extension is left alone).
std::int64_t ReadScr(const unsigned char* b) {
    return (std::int64_t{(b[0] >> 3) & 0x07} << 30) | (std::int64_t{b[0] & 0x03} << 28) |
           (std::int64_t{b[1]} << 20) | (std::int64_t{b[2] >> 3} << 15) |
           (std::int64_t{b[2] & 0x03} << 13) | (std::int64_t{b[3]} << 5) | (b[4] >> 3);
}

void WriteScr(unsigned char* b, std::int64_t scr) {
    b[0] = static_cast<unsigned char>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03));
    b[1] = static_cast<unsigned char>(scr >> 20);
    b[2] = static_cast<unsigned char>(((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03));
    b[3] = static_cast<unsigned char>(scr >> 5);
    b[4] = static_cast<unsigned char>(((scr << 3) & 0xF8) | 0x04 | (b[4] & 0x03));
}

// A PES time stamp: 5 bytes, a 4-bit prefix, 33 bits with marker bits.
std::int64_t ReadStamp(const unsigned char* b) {
    return (std::int64_t{(b[0] >> 1) & 0x07} << 30) | (std::int64_t{b[1]} << 22) |
           (std::int64_t{b[2] >> 1} << 15) | (std::int64_t{b[3]} << 7) | (b[4] >> 1);
}

void WriteStamp(unsigned char* b, std::int64_t stamp) {
    b[0] = static_cast<unsigned char>((b[0] & 0xF0) | ((stamp >> 29) & 0x0E) | 0x01);
    b[1] = static_cast<unsigned char>(stamp >> 22);
    b[2] = static_cast<unsigned char>(((stamp >> 14) & 0xFE) | 0x01);
    b[3] = static_cast<unsigned char>(stamp >> 7);
    b[4] = static_cast<unsigned char>(((stamp << 1) & 0xFE) | 0x01);
}

std::int64_t Shifted(std::int64_t clock, std::int64_t shift) {
    return (clock + shift) & kClockMask;
}

void Pad(unsigned char* pack, std::size_t at, std::size_t end) {
    pack[at + 3] = kPaddingStream;
    std::memset(pack + at + 6, 0xFF, end - at - 6);
}

bool HasPesFlags(unsigned char id) {
    return id == kPrivateStream1 || (id >= 0xC0 && id <= 0xEF);
}

}  // namespace

void RewritePack(unsigned char* pack, const PackRule& rule, StreamFates& fates) {
    if (!StartCode(pack) || pack[3] != 0xBA || (pack[4] & 0xC0) != 0x40) {
        return;
    }
    WriteScr(pack + 4, Shifted(ReadScr(pack + 4), rule.Shift));
    std::size_t at = kPackHeader + (pack[13] & 0x07);
    while (at + 6 <= kDvdBlockSize && StartCode(pack + at)) {
        const unsigned char id = pack[at + 3];
        const std::size_t end = at + 6 + ((std::size_t{pack[at + 4]} << 8) | pack[at + 5]);
        if (end > kDvdBlockSize) {
            break;
        }
        if (id == kPrivateStream2) {
            Pad(pack, at, end);
        } else if (HasPesFlags(id) && at + 9 <= end && (pack[at + 6] & 0xC0) == 0x80) {
            const int stamps = pack[at + 7] >> 6;
            const std::size_t headerEnd = at + 9 + pack[at + 8];
            const bool video = id >= 0xE0;
            const int stream =
                id == kPrivateStream1 && headerEnd < end ? 0x100 + pack[headerEnd] : id;
            bool keep = false;
            if (stamps >= 2 && at + 14 <= end) {
                const std::int64_t pts = ReadStamp(pack + at + 9);
                keep = video ? rule.Video : pts >= rule.KeepFrom && pts < rule.KeepUntil;
                fates.Set(stream, keep);
                if (keep) {
                    WriteStamp(pack + at + 9, Shifted(pts, rule.Shift));
                    if (stamps == 3 && at + 19 <= end) {
                        WriteStamp(pack + at + 14, Shifted(ReadStamp(pack + at + 14), rule.Shift));
                    }
                }
            } else {
                keep = video ? rule.Video : fates.Kept(stream);
            }
            if (!keep) {
                Pad(pack, at, end);
            }
        }
        at = end;
    }
}

bool ReadNavPack(const unsigned char* pack, NavTimes& times) {
    // A navigation pack: the pack header, a system header, then the presentation control
    // packet (sub-stream 0) and the data search packet (sub-stream 1) in private stream 2.
    constexpr std::size_t kPci = 38;
    constexpr std::size_t kDsi = 1024;
    if (!StartCode(pack) || pack[3] != 0xBA || !StartCode(pack + kPci) ||
        pack[kPci + 3] != kPrivateStream2 || pack[kPci + 6] != 0x00 || !StartCode(pack + kDsi) ||
        pack[kDsi + 3] != kPrivateStream2 || pack[kDsi + 6] != 0x01) {
        return false;
    }
    const auto big32 = [](const unsigned char* b) {
        return (std::int64_t{b[0]} << 24) | (std::int64_t{b[1]} << 16) | (std::int64_t{b[2]} << 8) |
               b[3];
    };
    // In the presentation control packet: the block number (4), the category and a reserved
    // field (2 each), user operations (4), then the start and end times; in the data search packet:
    // the clock reference (4), the block number (4), the end addresses (12), then the VOB number.
    const unsigned char* pci = pack + kPci + 7;
    const unsigned char* dsi = pack + kDsi + 7;
    times.Start = big32(pci + 12);
    times.End = big32(pci + 16);
    times.VobId = (dsi[24] << 8) | dsi[25];
    return true;
}

}  // namespace mw::dvd
