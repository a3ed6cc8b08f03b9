#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mw {

// What an encoder (and the muxer around it) accepts, and the nearest accepted value for a
// wish. Each function logs its adaptation once, at informational level, with the note.

AVRational FitFrameRate(const AVCodec* codec, AVRational rate);
int FitSampleRate(const AVCodec* codec, int rate);
std::int64_t FitBitRate(const AVCodec* codec, std::int64_t bitRate, int sampleRate);
AVPixelFormat FitPixelFormat(const AVCodec* codec, AVPixelFormat wanted, AVPixelFormat source);
AVSampleFormat FitSampleFormat(const AVCodec* codec, AVSampleFormat wanted);
// The channel layout an encoder takes for a wish of channels (and layout, 0 for default).
void FitChannelLayout(const AVCodec* codec, int channels, std::uint64_t mask,
                      AVChannelLayout& layout);

// A picture size the encoder and muxer take: the multiples a codec needs, its largest
// size and the sizes a muxer's packet limit allows, the shape kept when scaling down.
void FitPictureSize(const AVCodec* codec, const AVOutputFormat* muxer, AVPixelFormat format,
                    int& width, int& height);

// Whether a written file tells players the shape of its pixels: the codec's own stream
// does, or the container stores it beside.
bool CarriesSampleAspect(const AVCodec* codec, const AVOutputFormat* muxer);

}  // namespace mw
