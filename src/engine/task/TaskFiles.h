#pragma once

#include <string>
#include <vector>

#include "engine/task/CustomFFmpeg.h"

namespace mw {

// What an output stream was created with: the pending settings at that moment.
struct TCustomFFmpeg::OutputStreamPlan {
    AVMediaType Type = AVMEDIA_TYPE_UNKNOWN;
    AVStream* Stream = nullptr;
    bool Copy = false;
    const AVCodec* Encoder = nullptr;
    std::vector<NamedOption> CodecOptions;
    std::string Language;
    std::string Tag;
    std::vector<std::string> BitstreamFilters;
    std::int64_t MaxFrames = kUnlimited;

    // Video: the encoded size includes the pad bands around the scaled picture.
    int Width = 0;
    int Height = 0;
    int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;
    int PadTop = 0, PadBottom = 0, PadLeft = 0, PadRight = 0;
    std::uint32_t PadColor = 0;
    int PixelFormat = -1;
    AVRational FrameRate{25, 1};
    AVRational SampleAspect{0, 1};
    std::string Filters;
    bool Deinterlace = false;
    float Qscale = 0.0f;
    bool SameQuality = false;
    bool Intra = false;
    int Pass = 0;
    std::string PassLogFile;
    int IntraDcPrecision = 8;
    int TopFieldFirst = -1;
    std::vector<std::uint16_t> IntraMatrix;
    std::vector<std::uint16_t> InterMatrix;
    std::string RcOverride;
    bool Psnr = false;

    // Audio.
    int SampleRate = 44100;
    int Channels = 2;
    std::uint64_t ChannelLayoutMask = 0;
    int SampleFormat = -1;
    float Quality = -99999.0f;
    int Volume = 256;
};

struct TCustomFFmpeg::OutputFile {
    OutputContextPtr Context;
    std::string FileName;
    std::string LibraryName;
    // The local file the output becomes (empty for an address the libraries open), the
    // temporary file it is written to while the task runs, and the name it got at the end.
    std::string Path;
    std::string TemporaryPath;
    std::string WrittenPath;
    std::vector<OutputStreamPlan> Streams;
    std::int64_t RecordingTime = kUnlimited;
    std::int64_t StartTime = 0;
    std::int64_t LimitFileSize = 0;
    std::vector<NamedOption> FormatOptions;
    std::vector<NamedOption> ScalerOptions;
};

}  // namespace mw
