#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// Owning pointers for the FFmpeg structures: one deleter that calls the matching free
// function, so logic code never frees a library object by hand.
namespace mw {

namespace detail {

inline void FreeAV(AVFrame* p) {
    av_frame_free(&p);
}
inline void FreeAV(AVPacket* p) {
    av_packet_free(&p);
}
inline void FreeAV(AVCodecContext* p) {
    avcodec_free_context(&p);
}
inline void FreeAV(SwsContext* p) {
    sws_freeContext(p);
}
inline void FreeAV(SwrContext* p) {
    swr_free(&p);
}
inline void FreeAV(AVFilterGraph* p) {
    avfilter_graph_free(&p);
}
inline void FreeAV(AVFilterInOut* p) {
    avfilter_inout_free(&p);
}
inline void FreeAV(AVAudioFifo* p) {
    av_audio_fifo_free(p);
}
inline void FreeAV(AVDictionary* p) {
    av_dict_free(&p);
}
inline void FreeAV(AVIOContext* p) {
    avio_closep(&p);
}
inline void FreeAV(AVFormatContext* p) {
    avformat_free_context(p);
}
inline void FreeAV(AVBSFContext* p) {
    av_bsf_free(&p);
}

}  // namespace detail

struct AVDeleter {
    template <typename T>
    void operator()(T* p) const {
        detail::FreeAV(p);
    }
};

template <typename T>
using AVPtr = std::unique_ptr<T, AVDeleter>;

// A demuxer context from avformat_open_input: closed with avformat_close_input. (A plain
// AVPtr<AVFormatContext> only frees a context that never opened anything.)
struct InputContextDeleter {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;

// A muxer context: its file (when it has one) is closed, then the context is freed.
struct OutputContextDeleter {
    void operator()(AVFormatContext* p) const {
        if (p->oformat && !(p->oformat->flags & AVFMT_NOFILE)) {
            avio_closep(&p->pb);
        }
        avformat_free_context(p);
    }
};
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;

inline AVPtr<AVFrame> MakeFrame() {
    return AVPtr<AVFrame>(av_frame_alloc());
}
inline AVPtr<AVPacket> MakePacket() {
    return AVPtr<AVPacket>(av_packet_alloc());
}

// A decoded subtitle: its rectangles are freed when it leaves scope.
class OwnedSubtitle {
public:
    OwnedSubtitle() = default;
    ~OwnedSubtitle() { avsubtitle_free(&m_subtitle); }
    OwnedSubtitle(const OwnedSubtitle&) = delete;
    OwnedSubtitle& operator=(const OwnedSubtitle&) = delete;

    AVSubtitle* get() { return &m_subtitle; }
    AVSubtitle* operator->() { return &m_subtitle; }

private:
    AVSubtitle m_subtitle{};
};

// Unreferences a packet when it leaves scope, whatever path the loop takes.
class PacketUnref {
public:
    explicit PacketUnref(AVPacket* packet) : m_packet(packet) {}
    ~PacketUnref() { av_packet_unref(m_packet); }
    PacketUnref(const PacketUnref&) = delete;
    PacketUnref& operator=(const PacketUnref&) = delete;

private:
    AVPacket* m_packet;
};

}  // namespace mw
