#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace mw::dvd {

// The 90 kHz clock of MPEG program streams: 33 bits that wrap.
inline constexpr std::int64_t kClockMask = (std::int64_t{1} << 33) - 1;

// How the packs of one stretch of title sectors are rewritten into the chapter stream.
struct PackRule {
    // Added to every clock reference and time stamp that is kept.
    std::int64_t Shift = 0;
    // Audio and sub-picture packets that start before KeepFrom or at KeepUntil and later (on
    // the disc's clock) belong to other material and become padding.
    std::int64_t KeepFrom = std::numeric_limits<std::int64_t>::min();
    std::int64_t KeepUntil = std::numeric_limits<std::int64_t>::max();
    // False for the sectors read after a cell only for its late audio: its video goes.
    bool Video = true;
};

// What happened to the last packet with a time stamp of each stream (by stream id, private
// stream 1 sub-streams at 0x100 + sub-stream id): packets without one share its fate.
class StreamFates {
public:
    void Clear() { m_fates.fill(kUnknown); }
    void Set(int stream, bool kept) { m_fates[Index(stream)] = kept ? kKept : kDropped; }
    // Packets of a stream whose last stamped packet was never seen are dropped: they
    // continue something that lies outside the stream.
    bool Kept(int stream) const { return m_fates[Index(stream)] == kKept; }

private:
    static constexpr signed char kUnknown = 0, kKept = 1, kDropped = -1;
    static std::size_t Index(int stream) { return static_cast<std::size_t>(stream) & 0x1FF; }
    std::array<signed char, 0x200> m_fates{};
};

// Rewrites one 2048-byte MPEG-2 pack in place: shifts its clock reference and time stamps,
// turns navigation packets and the packets the rule drops into padding of the same size.
// A pack that is not an MPEG-2 pack is left as it is.
void RewritePack(unsigned char* pack, const PackRule& rule, StreamFates& fates);

// The start and end presentation times of a navigation pack's video unit, and the number of
// the VOB it belongs to; false when the pack is no navigation pack.
struct NavTimes {
    std::int64_t Start = 0;
    std::int64_t End = 0;
    int VobId = 0;
};
bool ReadNavPack(const unsigned char* pack, NavTimes& times);

}  // namespace mw::dvd
