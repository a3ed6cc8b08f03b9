#include <cinttypes>
#include <cstring>
#include <mutex>

#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"
#include "engine/probe/AVProbe.h"

namespace mw {

namespace {

constexpr int kSeekFlagMask =
    AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE | AVSEEK_FLAG_ANY | AVSEEK_FLAG_FRAME;
constexpr const char* kNotOwned = "file cannot be seeked, handle is readonly.";

}  // namespace

TAVProbe::TAVProbe() : m_decoded(MakeFrame()), m_picture(MakeFrame()), m_packet(MakePacket()) {}

TAVProbe::~TAVProbe() {
    CloseDecoder();
}

void TAVProbe::Close() {
    CloseDecoder();
    ClearPicture();
    m_previousPictureTime = AV_NOPTS_VALUE;
    m_previousPicturePosition = -1;
    m_scaler.reset();
    m_selectedStream = -1;
    m_seekStreamIndex = -1;
    m_seekStartOffset = 0;
    m_endOfStream = false;
    m_draining = false;
    m_awaitingKey = false;
    TCustomAVProbe::Close();
}

void TAVProbe::ContextReady() {
    m_seekStreamIndex = VideoStreamIndex() >= 0 ? VideoStreamIndex() : AudioStreamIndex();
    const std::int64_t start = m_seekStreamIndex >= 0
                                   ? Context()->streams[m_seekStreamIndex]->start_time
                                   : Context()->start_time;
    m_seekStartOffset = start == AV_NOPTS_VALUE ? 0 : start;
}

bool TAVProbe::IsImage2() const {
    // A single picture file is read by "image2" or, when recognised by its content, by one
    // of the per-format picture demuxers ("png_pipe", "jpeg_pipe", ...).
    if (!Context() || !Context()->iformat) {
        return false;
    }
    const std::string_view name = Context()->iformat->name;
    return name == "image2" || (name.ends_with("_pipe") && name != "image2pipe");
}

bool TAVProbe::RequireOwnedContext() {
    if (!Loaded()) {
        Report(llWarning, "file not loaded.");
        return false;
    }
    if (!OwnsContext()) {
        Report(llError, kNotOwned);
        throw EngineError(kNotOwned);
    }
    return true;
}

void TAVProbe::CloseDecoder() {
    m_decoder.reset();
    m_decoderStream = -1;
    m_draining = false;
}

void TAVProbe::ClearPicture() {
    m_previousPictureTime = m_pictureTime;
    m_previousPicturePosition = m_picturePosition;
    m_pictureTime = AV_NOPTS_VALUE;
    m_picturePosition = -1;
    m_pictureReady = false;
    av_frame_unref(m_picture.get());
}

bool TAVProbe::Seek(int flags, std::int64_t position) {
    if (!RequireOwnedContext()) {
        return false;
    }
    if (IsImage2()) {
        Report(llInfo, "\"image2\" format cannot to be seeked.");
        return false;
    }
    AVFormatContext* context = Context();
    if (context->pb) {
        Report(llDebug, Format("currunt position %" PRId64 " bytes", avio_tell(context->pb)));
    }
    flags &= kSeekFlagMask;
    position = std::max<std::int64_t>(position, 0);
    std::int64_t target = position;
    if (!(flags & AVSEEK_FLAG_BYTE)) {
        if (m_seekStreamIndex >= 0) {
            target = av_rescale_q(target, AVRational{1, AV_TIME_BASE},
                                  context->streams[m_seekStreamIndex]->time_base);
        }
        if (m_seekStartOffset > 0) {
            target += m_seekStartOffset;
        }
    }
    if (m_decoder) {
        avcodec_flush_buffers(m_decoder.get());
    }
    m_draining = false;
    m_endOfStream = false;
    m_awaitingKey = false;
    ClearPicture();

    int result;
    if (position > 0) {
        result = av_seek_frame(context, m_seekStreamIndex, target, flags);
    } else {
        result = av_seek_frame(context, m_seekStreamIndex, 0, flags | AVSEEK_FLAG_BACKWARD);
        if (result < 0) {
            result =
                av_seek_frame(context, m_seekStreamIndex, target, flags & ~AVSEEK_FLAG_BACKWARD);
        }
        // Streams without time stamps to seek by (raw elementary streams) can still be
        // rewound to their first byte.
        if (result < 0 && !(context->iformat->flags & AVFMT_NO_BYTE_SEEK)) {
            result = av_seek_frame(context, -1, 0, AVSEEK_FLAG_BYTE | AVSEEK_FLAG_BACKWARD);
        }
    }
    m_awaitingKey = result >= 0 && position > 0;
    if (result < 0) {
        Report(llError, (flags & AVSEEK_FLAG_BYTE)
                            ? Format("could not seek to position %" PRId64 " bytes", position)
                            : Format("could not seek to position %0.3f seconds",
                                     static_cast<double>(position) / 1000000.0));
    }
    if (context->pb) {
        Report(llDebug, Format("seek to position %" PRId64 " bytes", avio_tell(context->pb)));
        if (avio_feof(context->pb)) {
            if (result >= 0) {
                Report(llInfo, "stream eof reached.");
            }
            m_endOfStream = true;
            return false;
        }
    }
    return result >= 0;
}

bool TAVProbe::OpenDecoder(int streamIndex) {
    if (m_decoder && m_decoderStream == streamIndex) {
        return true;
    }
    CloseDecoder();
    const AVStream* stream = Context()->streams[streamIndex];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width == 0 || parameters->height == 0) {
        Report(llError, "frame size of codec is invalid.");
        return false;
    }
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) {
        Report(llError, Format("Unsupported codec (id=%d) for input file stream #%d",
                               static_cast<int>(parameters->codec_id), streamIndex));
        return false;
    }
    // One picture at a time: frame threads would only delay it.
    CodecContextPtr decoder = mw::OpenDecoder(codec, *stream, true);
    if (!decoder) {
        Report(llError, Format("Error while opening codec for input file stream #%d", streamIndex));
        return false;
    }
    m_decoder = std::move(decoder);
    m_decoderStream = streamIndex;
    return true;
}

bool TAVProbe::EndOfStream() {
    Report(llInfo, "stream eof reached.");
    m_endOfStream = true;
    return false;
}

bool TAVProbe::DecodeNextFrame(int videoIndex) {
    if (!RequireOwnedContext()) {
        return false;
    }
    int index = videoIndex;
    if (index < 0) {
        index = m_selectedStream >= 0 ? m_selectedStream : VideoStreamIndex();
    }
    if (index < 0) {
        Report(llError, "no video stream.");
        return false;
    }
    if (index >= StreamCount()) {
        Report(llError, Format("stream index #%d is invalid.", index));
        return false;
    }
    AVStream* stream = Context()->streams[index];
    if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) {
        Report(llError, Format("stream #%d is not video stream.", index));
        return false;
    }
    if (index != m_selectedStream) {
        ClearPicture();
        m_selectedStream = index;
    }
    if (m_pictureReady && IsImage2()) {
        return true;
    }
    if (m_endOfStream) {
        return EndOfStream();
    }
    if (!OpenDecoder(index)) {
        return false;
    }
    AVFormatContext* context = Context();
    const std::int64_t bytePosition = context->pb ? avio_tell(context->pb) : -1;
    for (;;) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
        if (received >= 0) {
            StorePicture(stream, bytePosition);
            return true;
        }
        if (received == AVERROR_EOF) {
            return EndOfStream();
        }
        if (m_draining) {
            // A decoder that fails while draining has nothing more to give.
            return EndOfStream();
        }
        if (av_read_frame(context, m_packet.get()) < 0) {
            // Pictures still held by the decoder come out before the end is reported.
            m_draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        PacketUnref unref(m_packet.get());
        if (m_packet->stream_index != index) {
            continue;
        }
        if (m_awaitingKey && !(m_packet->flags & AV_PKT_FLAG_KEY)) {
            continue;
        }
        m_awaitingKey = false;
        // A damaged packet is skipped; the next ones may decode.
        avcodec_send_packet(m_decoder.get(), m_packet.get());
    }
}

void TAVProbe::StorePicture(AVStream* stream, std::int64_t bytePosition) {
    AVFrame* frame = m_decoded.get();
    Report(llDebug, Format("pkt.st_idx=%d, dts=%" PRId64 ", pts=%" PRId64 ", flags=%d, "
                           "pict_type=%d",
                           stream->index, frame->pkt_dts, frame->pts, frame->key_frame,
                           static_cast<int>(frame->pict_type)));
    std::int64_t time = frame->best_effort_timestamp;
    if (time == AV_NOPTS_VALUE) {
        time = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->pkt_dts;
    }
    if (time != AV_NOPTS_VALUE) {
        if (stream->start_time != AV_NOPTS_VALUE) {
            time -= stream->start_time;
        }
        time = av_rescale_q(time, stream->time_base, AVRational{1, AV_TIME_BASE});
        Report(llDebug, Format("decode PTS: %0.3f\n", static_cast<double>(time) / 1000000.0));
    }
    m_previousPictureTime = m_pictureTime;
    m_previousPicturePosition = m_picturePosition;
    m_pictureTime = time;
    m_picturePosition = bytePosition;
    av_frame_unref(m_picture.get());
    av_frame_move_ref(m_picture.get(), frame);
    m_pictureReady = true;
}

bool TAVProbe::CopyToBitmap(Bitmap& bitmap) {
    if (!m_pictureReady) {
        Report(llError, "picture not ready, please decode first");
        return false;
    }
    const AVFrame* picture = m_picture.get();
    Bitmap converted;
    converted.Resize(picture->width, picture->height);
    const auto format = static_cast<AVPixelFormat>(picture->format);
    if (format == AV_PIX_FMT_BGR24 && picture->width % 2 == 0 && picture->height % 2 == 0 &&
        picture->linesize[0] == converted.Stride()) {
        std::memcpy(converted.Pixels.data(), picture->data[0], converted.Pixels.size());
        bitmap = std::move(converted);
        return true;
    }
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), picture->width, picture->height, format,
                                        picture->width, picture->height, AV_PIX_FMT_BGR24,
                                        SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_scaler) {
        bitmap = std::move(converted);
        Report(llError, "convert picture to bitmap failed\n");
        return false;
    }
    std::uint8_t* planes[4] = {converted.Pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {converted.Stride(), 0, 0, 0};
    sws_scale(m_scaler.get(), picture->data, picture->linesize, 0, picture->height, planes,
              strides);
    bitmap = std::move(converted);
    return true;
}

}  // namespace mw
