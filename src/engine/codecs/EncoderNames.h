#pragma once

#include <string>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mw {

// The encoder that serves for a name the presets use. Names this FFmpeg lacks go through
// one alias table ("libfaac" becomes "libfdk_aac" when present, else "aac").
std::string ResolveEncoderName(std::string_view name);
const AVCodec* FindEncoderByName(std::string_view name);

// The encoder a muxer uses for a media type when none is named: its default when that
// encoder is present, else the first present encoder the muxer accepts for that type.
// Muxers of picture sequences choose by the output's file name.
const AVCodec* DefaultEncoder(const AVOutputFormat* format, const std::string& fileName,
                              AVMediaType type);

}  // namespace mw
