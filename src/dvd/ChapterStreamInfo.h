#pragma once

#include <cstdint>

namespace mw::dvd {

inline constexpr int kSectorSize = 2048;
inline constexpr int kPaletteSize = 16;

// What the plug-in tells about the chapter range it opened as one MPEG program stream.
struct TDVDChapterStream {
    double Length;             // seconds of the chosen chapters
    std::int32_t SectorCount;  // the stream's size in 2048-byte sectors
    std::int32_t Reserved;
    std::uint32_t Palette[kPaletteSize];  // the sub-picture colours as 0x00YYCrCb
};
static_assert(sizeof(TDVDChapterStream) == 80);

// A stretch of the stream and the time it plays, on the stream's clock: audio decoded from
// these sectors that lies outside the time belongs to other material and is cut off there.
struct TDVDStreamWindow {
    std::int32_t FirstSector;
    std::int32_t SectorCount;
    double Start;  // seconds
    double End;
};
static_assert(sizeof(TDVDStreamWindow) == 24);

}  // namespace mw::dvd
