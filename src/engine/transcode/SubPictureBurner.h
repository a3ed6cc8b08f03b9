#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "engine/common/AVPtr.h"

namespace mw {

// Burns decoded sub-pictures into the pictures of one input.
//
// On a DVD a sub-picture is stored close to the time it shows, but pictures are stored
// about half a second before theirs: when a picture is decoded, the sub-picture it shows
// with may not have been read yet. So pictures wait here until the input was read far
// enough past their time, then leave in order with the sub-picture burned in.
class SubPictureBurner {
public:
    // How far past a picture's time the input is read before it leaves.
    static constexpr std::int64_t kLookAheadUs = 600000;
    // More waiting pictures than this leave anyway (a stream whose times do not advance).
    static constexpr std::size_t kMaxWaiting = 64;

    // A decoded sub-picture whose packet had the time ptsUs; one without pictures clears.
    void Show(const AVSubtitle& subtitle, std::int64_t ptsUs);
    // Takes a copy of a decoded picture of the given time (microseconds).
    void Hold(const AVFrame& frame, std::int64_t timeUs);
    // The input was read up to this time.
    void ReadUntil(std::int64_t timeUs);
    // The next picture free to leave, with its sub-picture burned in; null when none (all
    // that wait when the input ended).
    AVPtr<AVFrame> Next(bool inputEnded);

private:
    struct Rect {
        int X = 0, Y = 0, Width = 0, Height = 0;
        std::vector<std::uint8_t> Indices;
        std::uint8_t Y8[256] = {}, U8[256] = {}, V8[256] = {}, Alpha[256] = {};
    };
    struct Shown {
        std::int64_t Start = 0;
        std::int64_t End = 0;
        std::vector<Rect> Rects;
    };
    struct Waiting {
        AVPtr<AVFrame> Frame;
        std::int64_t TimeUs = 0;
    };

    void Burn(AVFrame& frame, std::int64_t timeUs);

    std::deque<Shown> m_shown;  // by start time
    std::deque<Waiting> m_waiting;
    std::int64_t m_readUntil = AV_NOPTS_VALUE;
};

}  // namespace mw
