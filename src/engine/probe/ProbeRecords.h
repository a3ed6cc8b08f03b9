#pragma once

#include <cstdint>
#include <string>

namespace mw {

// File-level facts of an opened media file. Times in microseconds, -1 when unknown.
struct TFileStreamInfo {
    std::int64_t StartTime = -1;
    std::int64_t Duration = -1;
    std::int32_t BitRate = -1;
    std::int64_t Timestamp = -1;  // creation time, seconds since 1970-01-01 UTC
    std::int32_t Year = -1;
    std::int32_t Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

// The leading fields that audio and video stream records share.
struct TStreamInfoCommon {
    std::string Language;
    std::string CodecName;
    std::int64_t RawStartTime = -1;  // stream time base
    std::int64_t StartTime = -1;     // microseconds
    std::int64_t RawDuration = -1;
    std::int64_t Duration = -1;
    std::int32_t BitRate = -1;
};

struct TAudioStreamInfo : TStreamInfoCommon {
    std::int32_t Channels = -1;
    std::int32_t SampleRate = -1;
    std::int32_t SampleFormat = -1;
};

struct TVideoStreamInfo : TStreamInfoCommon {
    std::int32_t Height = -1;
    std::int32_t Width = -1;
    float DisplayAspectRatio = -1.0f;
    std::int32_t PixelFormat = -1;
    std::int32_t FrameRateNum = -1;
    std::int32_t FrameRateDen = -1;
};

}  // namespace mw
