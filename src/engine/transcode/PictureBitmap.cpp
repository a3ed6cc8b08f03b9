#include "engine/transcode/PictureBitmap.h"

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

bool PictureBitmap::Take(const AVFrame* frame) {
    m_bitmap.Resize(frame->width, frame->height);
    std::uint8_t* planes[4] = {m_bitmap.Pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {m_bitmap.Stride(), 0, 0, 0};
    return Convert(m_toRgb, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                   AV_PIX_FMT_BGR24, frame->data, frame->linesize, planes, strides);
}

bool PictureBitmap::PutBack(AVFrame* frame) {
    const std::uint8_t* planes[4] = {m_bitmap.Pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {m_bitmap.Stride(), 0, 0, 0};
    return Convert(m_fromRgb, frame->width, frame->height, AV_PIX_FMT_BGR24,
                   static_cast<AVPixelFormat>(frame->format), planes, strides, frame->data,
                   frame->linesize);
}

}  // namespace mw
