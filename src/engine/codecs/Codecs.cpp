#include "engine/codecs/Codecs.h"

#include <mutex>

#include "engine/FFmpegLoader.h"

namespace mw {

void CodecContextDeleter::operator()(AVCodecContext* context) const {
    std::lock_guard guard(CodecLock());
    avcodec_free_context(&context);
}

CodecContextPtr AllocateCodec(const AVCodec* codec) {
    return CodecContextPtr(avcodec_alloc_context3(codec));
}

int OpenCodec(AVCodecContext* context, const AVCodec* codec) {
    std::lock_guard guard(CodecLock());
    return avcodec_open2(context, codec, nullptr);
}

CodecContextPtr OpenDecoder(const AVCodec* codec, const AVStream& stream, bool sliceThreadsOnly,
                            int threads) {
    CodecContextPtr decoder = AllocateCodec(codec);
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0) {
        return nullptr;
    }
    decoder->pkt_timebase = stream.time_base;
    decoder->thread_count = threads;
    if (sliceThreadsOnly) {
        decoder->thread_type = FF_THREAD_SLICE;
    }
    if (OpenCodec(decoder.get(), codec) < 0) {
        return nullptr;
    }
    return decoder;
}

}  // namespace mw
