#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "engine/input/InputSource.h"

namespace mw {

// A time that is not set in an option record.
inline constexpr std::int64_t kNoPts = std::numeric_limits<std::int64_t>::min();

// How a task reads one input file.
struct TInputOptions {
    std::string FileName;             // empty: the file name argument
    std::string FileFormat;           // forced demuxer ("f")
    std::int64_t StartTime = kNoPts;  // microseconds ("ss")
    std::int32_t ProgramID = -1;      // "programid" when >= 0
    std::string ExtOptions;           // name=value lines
    InputSourcePtr Source;            // read instead of the file name when set
    std::int32_t Reserved1 = 0;
    std::int32_t Reserved2 = 0;
};

// The output's metadata.
struct TStreamInfo {
    double Timestamp = -1.0;  // days since 1899-12-30, local time; 0: now
    std::int32_t Year = -1;
    std::int32_t Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

// How a task writes one output file. Each field is applied under its own condition.
struct TOutputOptions {
    std::string FileName;
    std::string FileExt;
    std::string FileFormat;
    std::int32_t PacketSize = -1;
    std::int32_t MuxRate = -1;
    float MuxDelay = -1.0f;
    float MuxPreload = -1.0f;
    std::string AudioCodec;
    std::string AudioPreset;
    bool DisableAudio = false;
    std::int32_t AudioVolume = -1;
    std::int32_t AudioChannels = -1;
    std::int32_t AudioSampleRate = -1;
    std::int32_t AudioBitRate = -1;
    std::int32_t AudioBitRateTolerance = -1;
    std::string AudioLanguage;
    std::int32_t AudioSync = 0;
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string AspectRatio;
    std::int32_t CropTop = -1;
    std::int32_t CropBottom = -1;
    std::int32_t CropLeft = -1;
    std::int32_t CropRight = -1;
    std::int32_t PadTop = -1;
    std::int32_t PadBottom = -1;
    std::int32_t PadLeft = -1;
    std::int32_t PadRight = -1;
    std::uint32_t PadColor = 0;  // 0x00BBGGRR
    std::int32_t GOPSize = -1;
    std::int32_t VideoBitRate = -1;
    std::int32_t MaxRate = -1;
    std::int32_t MinRate = -1;
    std::int32_t VideoBitRateTolerance = -1;
    std::int32_t BufferSize = -1;
    std::int32_t VideoSync = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false;
    bool CopyTimestamps = false;
    std::int64_t StartTime = kNoPts;
    std::int64_t RecordingTime = kNoPts;
    TStreamInfo Metadata;
    std::int32_t TargetType = 0;  // 1 vcd, 2 svcd, 3 dvd
    std::int32_t TargetNorm = 0;  // 0 automatic, 1 pal, 2 ntsc
    std::int32_t TargetDefaultNorm = 1;
    bool CustomHook = false;
    bool Join = false;
    std::string ExtOptions;
    std::int32_t Reserved1 = 0;
    std::int32_t Reserved2 = 0;
};

void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

}  // namespace mw
