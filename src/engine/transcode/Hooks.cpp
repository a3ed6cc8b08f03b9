#include "TranscodeRun.h"

namespace mw {

namespace {

// What the hook and the preview are told of a picture besides the bitmap.
template <class Info>
Info PictureInfo(Bitmap& bitmap, std::int64_t pictureCount, std::int64_t pts) {
    Info info;
    info.Picture = &bitmap;
    info.FrameNumber = static_cast<std::int32_t>(pictureCount);
    info.PTS = pts;
    return info;
}

}  // namespace

bool TranscodeRun::TakeBitmap(PictureBitmap& bitmap, const AVFrame* frame, bool& stopped) {
    if (bitmap.Take(frame)) {
        return true;
    }
    m_task.Log(llError, "Cannot initialize the toRGB conversion context");
    stopped = true;
    return false;
}

void TranscodeRun::RunCustomHook(const std::function<void(THookInfo&)>& hook, AVFrame* frame,
                                 const AVStream* stream) {
    if (!TakeBitmap(m_hookBitmap, frame, m_hookStopped)) {
        return;
    }
    THookInfo info = PictureInfo<THookInfo>(
        m_hookBitmap.Picture(), m_pictureCount,
        frame->pts == AV_NOPTS_VALUE
            ? -1
            : av_rescale_q(frame->pts, stream->time_base, AVRational{1, AV_TIME_BASE}));
    try {
        hook(info);
    } catch (const std::exception& error) {
        m_task.Log(llError, std::string("Error occurs OnCustomHook: ") + error.what());
        return;
    }
    if (info.Update && av_frame_make_writable(frame) >= 0 && !m_hookBitmap.PutBack(frame)) {
        m_task.Log(llError, "Cannot initialize the fromRGB conversion context");
        m_hookStopped = true;
        return;
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
    if (!TakeBitmap(m_previewBitmap, frame, m_previewStopped)) {
        return;
    }
    preview(PictureInfo<TPreviewInfo>(
        m_previewBitmap.Picture(), m_pictureCount,
        av_rescale_q(output.SyncOpts, output.Encoder->time_base, AVRational{1, AV_TIME_BASE})));
}

}  // namespace mw
