#include "TranscodeRun.h"

namespace mw {

namespace {

// Converts between a picture and a BGR bitmap of the same size with a cached scaler.
bool Convert(AVPtr<SwsContext>& scaler, int width, int height, AVPixelFormat from, AVPixelFormat to,
             const std::uint8_t* const sourcePlanes[], const int sourceStrides[],
             std::uint8_t* const targetPlanes[], const int targetStrides[]) {
    scaler.reset(sws_getCachedContext(scaler.release(), width, height, from, width, height, to,
                                      SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler) {
        return false;
    }
    sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, height, targetPlanes, targetStrides);
    return true;
}

}  // namespace

void TranscodeRun::RunCustomHook(const std::function<void(THookInfo&)>& hook, AVFrame* frame,
                                 const AVStream* stream) {
    m_hookBitmap.Resize(frame->width, frame->height);
    std::uint8_t* bitmapPlanes[4] = {m_hookBitmap.Pixels.data(), nullptr, nullptr, nullptr};
    const int bitmapStrides[4] = {m_hookBitmap.Stride(), 0, 0, 0};
    const auto format = static_cast<AVPixelFormat>(frame->format);
    if (!Convert(m_hookToRgb, frame->width, frame->height, format, AV_PIX_FMT_BGR24, frame->data,
                 frame->linesize, bitmapPlanes, bitmapStrides)) {
        m_task.Log(llError, "Cannot initialize the toRGB conversion context");
        m_hookStopped = true;
        return;
    }
    THookInfo info;
    info.Picture = &m_hookBitmap;
    info.FrameNumber = static_cast<std::int32_t>(m_pictureCount);
    info.PTS = frame->pts == AV_NOPTS_VALUE
                   ? -1
                   : av_rescale_q(frame->pts, stream->time_base, AVRational{1, AV_TIME_BASE});
    try {
        hook(info);
    } catch (const std::exception& error) {
        m_task.Log(llError, std::string("Error occurs OnCustomHook: ") + error.what());
        return;
    }
    if (info.Update && av_frame_make_writable(frame) >= 0) {
        const std::uint8_t* sourcePlanes[4] = {m_hookBitmap.Pixels.data(), nullptr, nullptr,
                                               nullptr};
        if (!Convert(m_hookFromRgb, frame->width, frame->height, AV_PIX_FMT_BGR24, format,
                     sourcePlanes, bitmapStrides, frame->data, frame->linesize)) {
            m_task.Log(llError, "Cannot initialize the fromRGB conversion context");
            m_hookStopped = true;
            return;
        }
    }
    if (info.StopHook) {
        m_hookStopped = true;
    }
}

void TranscodeRun::Preview(const std::function<void(const TPreviewInfo&)>& preview,
                           OutputStream& output, const AVFrame* frame) {
    const std::int64_t now = Now();
    if (output.LastPreview != 0 && now - output.LastPreview < 100000) {
        return;
    }
    output.LastPreview = now == 0 ? 1 : now;
    m_previewBitmap.Resize(frame->width, frame->height);
    std::uint8_t* planes[4] = {m_previewBitmap.Pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {m_previewBitmap.Stride(), 0, 0, 0};
    if (!Convert(m_previewScaler, frame->width, frame->height,
                 static_cast<AVPixelFormat>(frame->format), AV_PIX_FMT_BGR24, frame->data,
                 frame->linesize, planes, strides)) {
        m_task.Log(llError, "Cannot initialize the toRGB conversion context");
        m_previewStopped = true;
        return;
    }
    TPreviewInfo info;
    info.Picture = &m_previewBitmap;
    info.FrameNumber = static_cast<std::int32_t>(m_pictureCount);
    info.PTS =
        av_rescale_q(output.SyncOpts, output.Encoder->time_base, AVRational{1, AV_TIME_BASE});
    preview(info);
}

}  // namespace mw
