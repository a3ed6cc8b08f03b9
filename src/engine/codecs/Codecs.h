#pragma once

#include <memory>

#include "engine/common/AVPtr.h"

namespace mw {

// A codec context that may have been opened: it is closed under CodecLock, as it was opened.
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const;
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

// A fresh context for a codec; empty when memory is short.
CodecContextPtr AllocateCodec(const AVCodec* codec);

// Opens an allocated context under CodecLock; the library's result.
int OpenCodec(AVCodecContext* context, const AVCodec* codec);

// A decoder of a stream, with the stream's parameters and time base, opened; empty when it
// cannot be opened. sliceThreadsOnly keeps every picture from waiting for frame threads;
// threads is the decoder's thread count (0: the library's choice).
CodecContextPtr OpenDecoder(const AVCodec* codec, const AVStream& stream, bool sliceThreadsOnly,
                            int threads = 0);

}  // namespace mw
