#include "SubPictureBurner.h"

#include <algorithm>
#include <limits>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace mw {

namespace {

constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

std::uint8_t Clip(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// 8-bit planar YUV with chroma subsampled by at most two in each direction.
bool Blendable(const AVFrame& frame) {
    const AVPixFmtDescriptor* format =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    return format && (format->flags & AV_PIX_FMT_FLAG_PLANAR) &&
           !(format->flags & AV_PIX_FMT_FLAG_RGB) && format->nb_components >= 3 &&
           format->comp[0].depth == 8 && format->log2_chroma_w <= 1 && format->log2_chroma_h <= 1;
}

}  // namespace

void SubPictureBurner::Show(const AVSubtitle& subtitle, std::int64_t ptsUs) {
    Shown shown;
    shown.Start = ptsUs + std::int64_t{subtitle.start_display_time} * 1000;
    // Without an end of its own a sub-picture shows until the next one.
    shown.End = subtitle.end_display_time > subtitle.start_display_time &&
                        subtitle.end_display_time < std::numeric_limits<std::uint32_t>::max() / 2
                    ? ptsUs + std::int64_t{subtitle.end_display_time} * 1000
                    : kForever;
    for (unsigned r = 0; r < subtitle.num_rects; ++r) {
        const AVSubtitleRect& source = *subtitle.rects[r];
        if (source.type != SUBTITLE_BITMAP || source.w <= 0 || source.h <= 0 || !source.data[0] ||
            !source.data[1]) {
            continue;
        }
        Rect rect;
        rect.X = source.x;
        rect.Y = source.y;
        rect.Width = source.w;
        rect.Height = source.h;
        rect.Indices.resize(static_cast<std::size_t>(source.w) *
                            static_cast<std::size_t>(source.h));
        for (int y = 0; y < source.h; ++y) {
            std::copy_n(source.data[0] + static_cast<std::ptrdiff_t>(y) * source.linesize[0],
                        source.w, rect.Indices.begin() + static_cast<std::ptrdiff_t>(y) * source.w);
        }
        const auto* palette = reinterpret_cast<const std::uint32_t*>(source.data[1]);
        for (int i = 0; i < std::min(source.nb_colors, 256); ++i) {
            const int a = static_cast<int>(palette[i] >> 24);
            const int red = static_cast<int>((palette[i] >> 16) & 0xFF);
            const int green = static_cast<int>((palette[i] >> 8) & 0xFF);
            const int blue = static_cast<int>(palette[i] & 0xFF);
            // Studio-range BT.601, as DVD pictures are.
            rect.Y8[i] = Clip(16 + (66 * red + 129 * green + 25 * blue + 128) / 256);
            rect.U8[i] = Clip(128 + (-38 * red - 74 * green + 112 * blue + 128) / 256);
            rect.V8[i] = Clip(128 + (112 * red - 94 * green - 18 * blue + 128) / 256);
            rect.Alpha[i] = static_cast<std::uint8_t>(a);
        }
        shown.Rects.push_back(std::move(rect));
    }
    // A sub-picture replaces every one that starts at its time or later.
    while (!m_shown.empty() && m_shown.back().Start >= shown.Start) {
        m_shown.pop_back();
    }
    if (!m_shown.empty()) {
        m_shown.back().End = std::min(m_shown.back().End, shown.Start);
    }
    m_shown.push_back(std::move(shown));
}

void SubPictureBurner::Hold(const AVFrame& frame, std::int64_t timeUs) {
    Waiting waiting;
    waiting.Frame.reset(av_frame_clone(&frame));
    waiting.TimeUs = timeUs;
    if (waiting.Frame) {
        m_waiting.push_back(std::move(waiting));
    }
}

void SubPictureBurner::ReadUntil(std::int64_t timeUs) {
    if (m_readUntil == AV_NOPTS_VALUE || timeUs > m_readUntil) {
        m_readUntil = timeUs;
    }
}

AVPtr<AVFrame> SubPictureBurner::Next(bool inputEnded) {
    if (m_waiting.empty()) {
        return nullptr;
    }
    Waiting& first = m_waiting.front();
    const bool due = inputEnded || m_waiting.size() > kMaxWaiting ||
                     first.TimeUs == AV_NOPTS_VALUE ||
                     (m_readUntil != AV_NOPTS_VALUE && m_readUntil >= first.TimeUs + kLookAheadUs);
    if (!due) {
        return nullptr;
    }
    AVPtr<AVFrame> frame = std::move(first.Frame);
    const std::int64_t time = first.TimeUs;
    m_waiting.pop_front();
    if (time != AV_NOPTS_VALUE) {
        Burn(*frame, time);
        // What ended before this picture shows on no later one.
        while (!m_shown.empty() && m_shown.front().End <= time) {
            m_shown.pop_front();
        }
    }
    return frame;
}

void SubPictureBurner::Burn(AVFrame& frame, std::int64_t timeUs) {
    const Shown* current = nullptr;
    for (const Shown& shown : m_shown) {
        if (shown.Start <= timeUs && timeUs < shown.End) {
            current = &shown;
        }
    }
    if (!current || current->Rects.empty() || !Blendable(frame) ||
        av_frame_make_writable(&frame) < 0) {
        return;
    }
    const AVPixFmtDescriptor* format =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    const int shiftX = format->log2_chroma_w;
    const int shiftY = format->log2_chroma_h;
    for (const Rect& rect : current->Rects) {
        const int left = std::max(rect.X, 0);
        const int top = std::max(rect.Y, 0);
        const int right = std::min(rect.X + rect.Width, frame.width);
        const int bottom = std::min(rect.Y + rect.Height, frame.height);
        for (int y = top; y < bottom; ++y) {
            const std::uint8_t* indices =
                rect.Indices.data() + static_cast<std::ptrdiff_t>(y - rect.Y) * rect.Width - rect.X;
            std::uint8_t* luma = frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0];
            const bool chromaRow = (y & ((1 << shiftY) - 1)) == 0;
            std::uint8_t* u =
                frame.data[1] + static_cast<std::ptrdiff_t>(y >> shiftY) * frame.linesize[1];
            std::uint8_t* v =
                frame.data[2] + static_cast<std::ptrdiff_t>(y >> shiftY) * frame.linesize[2];
            for (int x = left; x < right; ++x) {
                const std::uint8_t index = indices[x];
                const int a = rect.Alpha[index];
                if (a == 0) {
                    continue;
                }
                luma[x] =
                    static_cast<std::uint8_t>((luma[x] * (255 - a) + rect.Y8[index] * a) / 255);
                if (chromaRow && (x & ((1 << shiftX) - 1)) == 0) {
                    std::uint8_t& cu = u[x >> shiftX];
                    std::uint8_t& cv = v[x >> shiftX];
                    cu = static_cast<std::uint8_t>((cu * (255 - a) + rect.U8[index] * a) / 255);
                    cv = static_cast<std::uint8_t>((cv * (255 - a) + rect.V8[index] * a) / 255);
                }
            }
        }
    }
}

}  // namespace mw
