#pragma once

#include <cstddef>
#include <cstdint>

// The title record the DVD plug-in fills: 3960 bytes, little-endian, laid out as the plug-in
// and the program agree. Character fields hold text up to the first zero byte.
namespace mw::dvd {

// Type codes of the video, audio and subtitle streams.
enum TDVDStreamType : std::int32_t {
    dstMPEG1 = 1,
    dstMPEG2 = 2,
    dstMPA = 3,
    dstAC3 = 4,
    dstDTS = 5,
    dstLPCM = 6,
    dstSUB = 7,
};

inline constexpr int kMaxAudio = 8;
inline constexpr int kMaxSubtitles = 32;
inline constexpr int kMaxChapters = 100;
inline constexpr int kLanguageCodeSize = 4;
inline constexpr int kLanguageNameSize = 64;

struct TDVDAudio {
    std::int32_t TypeCode;
    std::int32_t Id;
    std::int32_t SampleRate;
    std::int32_t Channels;
    char LanguageCode[kLanguageCodeSize];
    char LanguageName[kLanguageNameSize];
};

struct TDVDSubtitle {
    std::int32_t TypeCode;
    std::int32_t Id;
    char LanguageCode[kLanguageCodeSize];
    char LanguageName[kLanguageNameSize];
};

struct TDVDTitle {
    double Length;  // seconds
    std::int32_t VideoType;
    std::int32_t VideoId;
    std::int32_t Width;
    std::int32_t Height;
    std::int32_t Norm;    // 0 PAL, 1 NTSC
    std::int32_t Aspect;  // 0 4:3, 1 16:9
    std::int32_t AudioCount;
    TDVDAudio Audio[kMaxAudio];
    std::int32_t SubtitleCount;
    TDVDSubtitle Subtitles[kMaxSubtitles];
    std::int32_t ChapterCount;  // may exceed the lengths kept below
    std::int32_t Reserved1;
    double Chapters[kMaxChapters];  // seconds
    std::int32_t Valid;             // non-zero = valid
    std::int32_t Reserved2;
};

inline constexpr std::size_t kTitleRecordSize = 3960;

static_assert(sizeof(TDVDAudio) == 84);
static_assert(sizeof(TDVDSubtitle) == 76);
static_assert(sizeof(TDVDTitle) == kTitleRecordSize);
static_assert(offsetof(TDVDTitle, Length) == 0);
static_assert(offsetof(TDVDTitle, VideoType) == 8);
static_assert(offsetof(TDVDTitle, VideoId) == 12);
static_assert(offsetof(TDVDTitle, Width) == 16);
static_assert(offsetof(TDVDTitle, Height) == 20);
static_assert(offsetof(TDVDTitle, Norm) == 24);
static_assert(offsetof(TDVDTitle, Aspect) == 28);
static_assert(offsetof(TDVDTitle, AudioCount) == 32);
static_assert(offsetof(TDVDTitle, Audio) == 36);
static_assert(offsetof(TDVDTitle, SubtitleCount) == 708);
static_assert(offsetof(TDVDTitle, Subtitles) == 712);
static_assert(offsetof(TDVDTitle, ChapterCount) == 3144);
static_assert(offsetof(TDVDTitle, Chapters) == 3152);
static_assert(offsetof(TDVDTitle, Valid) == 3952);
static_assert(offsetof(TDVDAudio, LanguageCode) == 16);
static_assert(offsetof(TDVDAudio, LanguageName) == 20);
static_assert(offsetof(TDVDSubtitle, LanguageCode) == 8);
static_assert(offsetof(TDVDSubtitle, LanguageName) == 12);

}  // namespace mw::dvd
