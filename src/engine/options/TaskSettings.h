#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
}

#include "engine/input/InputSource.h"

namespace mw {

inline constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

struct StreamMap {
    int File = 0;
    int Stream = 0;
    int SyncFile = 0;
    int SyncStream = 0;
};

struct MetadataMap {
    int OutputFile = 0;
    int InputFile = 0;
};

// The settings options leave for the next input, output or stream, as the command-line
// tool keeps them; opening an input or creating an output or stream consumes them.
struct TaskSettings {
    InputSourcePtr Source;  // the next input is read from it, not from its name
    std::string FileFormat;
    std::string VideoCodecName;
    std::string AudioCodecName;
    std::string SubtitleCodecName;
    bool VideoCopy = false;
    bool AudioCopy = false;
    bool SubtitleCopy = false;

    int FrameWidth = 0;
    int FrameHeight = 0;
    double FrameAspect = 0.0;
    int PixelFormat = -1;
    int SampleFormat = -1;
    int CropTop = 0;
    int CropBottom = 0;
    int CropLeft = 0;
    int CropRight = 0;
    int PadTop = 0;
    int PadBottom = 0;
    int PadLeft = 0;
    int PadRight = 0;
    std::uint32_t PadColor = 0;  // 0x00BBGGRR, the colour the YUV values came from
    int PadColorY = 16;
    int PadColorU = 128;
    int PadColorV = 128;

    std::int64_t MaxVideoFrames = kUnlimited;
    std::int64_t MaxAudioFrames = kUnlimited;
    std::int64_t MaxDataFrames = kUnlimited;
    AVRational FrameRate{0, 0};
    int SampleRate = 44100;
    int Channels = 2;
    std::uint64_t ChannelLayoutMask = 0;  // native layout; 0: the default for Channels
    float AudioQuality = -99999.0f;
    float MuxPreload = 0.5f;
    float MuxMaxDelay = 0.7f;
    std::int64_t RecordingTime = kUnlimited;  // microseconds
    std::int64_t StartTime = 0;
    std::int64_t InputTsOffset = 0;
    std::int64_t LimitFileSize = 0;
    std::int64_t RecordingTimestamp = 0;  // seconds since 1970
    int Volume = 256;
    int IntraDcPrecision = 8;
    int LoopOutput = -1;
    int VideoSync = -1;
    int AudioSync = 0;
    float AudioDriftThreshold = 0.1f;
    float DtsDeltaThreshold = 10.0f;
    int Verbosity = 1;

    std::vector<std::pair<std::string, std::string>> Metadata;
    std::vector<StreamMap> StreamMaps;
    std::vector<MetadataMap> MetadataMaps;
    std::map<int, double> TsScale;  // stream index -> scale, for the next input

    bool CopyTs = false;
    bool Shortest = false;
    bool InputSync = false;
    bool ExitOnError = false;
    bool PacketDump = false;
    bool HexDump = false;
    bool RateEmulation = false;
    bool LoopInput = false;
    int CopyInitialNonKeyframes = 0;
    int ProgramId = -1;
    bool Intra = false;
    bool VideoDisable = false;
    bool AudioDisable = false;
    bool SubtitleDisable = false;
    int VideoDiscard = 0;
    float VideoQscale = 0.0f;
    bool SameQuality = false;
    int Pass = 0;
    std::string PassLogFile;
    bool Deinterlace = false;
    bool Psnr = false;
    std::string VstatsFile;
    std::string VideoFilters;
    std::string RcOverride;
    std::vector<std::uint16_t> IntraMatrix;
    std::vector<std::uint16_t> InterMatrix;
    int TopFieldFirst = -1;
    std::string VideoTag;
    std::string AudioTag;
    std::string SubtitleTag;
    std::string VideoLanguage;
    std::string AudioLanguage;
    std::string SubtitleLanguage;
    bool QpHistogram = false;
    bool ForceFps = false;
    int VideoGlobalHeader = 0;
    int VideoChannel = 0;
    std::string TvStandard;
    int MeThreshold = 0;
    std::vector<std::string> VideoBitstreamFilters;
    std::vector<std::string> AudioBitstreamFilters;
    std::vector<std::string> SubtitleBitstreamFilters;
};

}  // namespace mw
