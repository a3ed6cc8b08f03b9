#include "engine/codecs/EncoderFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "engine/FFmpegLogger.h"

namespace mw {

namespace {

void Note(const std::string& text) {
    LogEngineMessage(nullptr, llInfo, text);
}

bool IsNamed(const AVCodec* codec, const char* name) {
    return codec && std::strcmp(codec->name, name) == 0;
}

struct BitRateRange {
    const char* Codec;
    std::int64_t Min;
    std::int64_t Max;
};

// Bit rates outside these ranges make the encoder refuse to open or cap silently.
constexpr std::array<BitRateRange, 7> kBitRates = {{
    {"wmav1", 24000, 0},
    {"wmav2", 24000, 0},
    {"libmp3lame", 8000, 320000},
    {"mp2", 8000, 384000},
    {"ac3", 32000, 640000},
    {"aac", 0, 512000},
    {"libvorbis", 0, 500000},
}};

int NearestMultiple(int value, int multiple) {
    const int rounded = (value + multiple / 2) / multiple * multiple;
    return rounded < multiple ? multiple : rounded;
}

}  // namespace

AVRational FitFrameRate(const AVCodec* codec, AVRational rate) {
    if (!codec || !codec->supported_framerates || rate.den == 0) {
        return rate;
    }
    const int index = av_find_nearest_q_idx(rate, codec->supported_framerates);
    const AVRational fitted = codec->supported_framerates[index];
    if (av_cmp_q(fitted, rate) != 0) {
        Note(Format("Frame rate %d/%d is not supported by %s; using %d/%d", rate.num, rate.den,
                    codec->name, fitted.num, fitted.den));
    }
    return fitted;
}

int FitSampleRate(const AVCodec* codec, int rate) {
    if (!codec || !codec->supported_samplerates) {
        return rate;
    }
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (std::abs(*r - rate) < std::abs(best - rate)) {
            best = *r;
        }
    }
    if (best != rate) {
        Note(Format("Sample rate %d Hz is not supported by %s; using %d Hz", rate, codec->name,
                    best));
    }
    return best;
}

std::int64_t FitBitRate(const AVCodec* codec, std::int64_t bitRate, int sampleRate) {
    if (!codec || bitRate <= 0) {
        return bitRate;
    }
    for (const BitRateRange& range : kBitRates) {
        if (!IsNamed(codec, range.Codec)) {
            continue;
        }
        // MPEG audio at the half sample rates (16 to 24 kHz) has its own, lower table.
        const bool halfRate = sampleRate > 0 && sampleRate < 32000 && IsNamed(codec, "mp2");
        const std::int64_t max = halfRate ? 160000 : range.Max;
        std::int64_t fitted = bitRate;
        if (range.Min > 0 && fitted < range.Min) {
            fitted = range.Min;
        }
        if (max > 0 && fitted > max) {
            fitted = max;
        }
        if (fitted != bitRate) {
            Note(Format("Bit rate %lld is out of the range of %s; using %lld",
                        static_cast<long long>(bitRate), codec->name,
                        static_cast<long long>(fitted)));
        }
        return fitted;
    }
    return bitRate;
}

AVPixelFormat FitPixelFormat(const AVCodec* codec, AVPixelFormat wanted, AVPixelFormat source) {
    if (!codec || !codec->pix_fmts) {
        return wanted != AV_PIX_FMT_NONE ? wanted : source;
    }
    AVPixelFormat candidate = wanted != AV_PIX_FMT_NONE ? wanted : source;
    // MJPEG wants the full range of the JPEG variants.
    if (codec->id == AV_CODEC_ID_MJPEG) {
        if (candidate == AV_PIX_FMT_YUV420P)
            candidate = AV_PIX_FMT_YUVJ420P;
        if (candidate == AV_PIX_FMT_YUV422P)
            candidate = AV_PIX_FMT_YUVJ422P;
        if (candidate == AV_PIX_FMT_YUV444P)
            candidate = AV_PIX_FMT_YUVJ444P;
    }
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == candidate) {
            return candidate;
        }
    }
    const AVPixelFormat fitted =
        candidate == AV_PIX_FMT_NONE
            ? codec->pix_fmts[0]
            : avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, candidate, 0, nullptr);
    if (wanted != AV_PIX_FMT_NONE && fitted != wanted) {
        const char* wantedName = av_get_pix_fmt_name(wanted);
        Note(Format("Pixel format %s is not supported by %s; using %s",
                    wantedName ? wantedName : "?", codec->name, av_get_pix_fmt_name(fitted)));
    }
    return fitted;
}

AVSampleFormat FitSampleFormat(const AVCodec* codec, AVSampleFormat wanted) {
    if (!codec || !codec->sample_fmts) {
        return wanted != AV_SAMPLE_FMT_NONE ? wanted : AV_SAMPLE_FMT_S16;
    }
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == wanted) {
            return wanted;
        }
    }
    // Prefer a format of the same sample type, planar or packed.
    if (wanted != AV_SAMPLE_FMT_NONE) {
        const AVSampleFormat packed = av_get_packed_sample_fmt(wanted);
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
            if (av_get_packed_sample_fmt(*f) == packed) {
                return *f;
            }
        }
    }
    return codec->sample_fmts[0];
}

void FitChannelLayout(const AVCodec* codec, int channels, std::uint64_t mask,
                      AVChannelLayout& layout) {
    av_channel_layout_uninit(&layout);
    if (mask != 0 && av_popcount64(mask) == channels) {
        av_channel_layout_from_mask(&layout, mask);
    } else {
        av_channel_layout_default(&layout, channels > 0 ? channels : 2);
    }
    if (!codec || !codec->ch_layouts) {
        return;
    }
    const AVChannelLayout* best = nullptr;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
        if (av_channel_layout_compare(l, &layout) == 0) {
            return;
        }
        if (!best || std::abs(l->nb_channels - channels) < std::abs(best->nb_channels - channels)) {
            best = l;
        }
    }
    if (best) {
        Note(Format("%d channels are not supported by %s; using %d", channels, codec->name,
                    best->nb_channels));
        av_channel_layout_uninit(&layout);
        av_channel_layout_copy(&layout, best);
    }
}

void FitPictureSize(const AVCodec* codec, const AVOutputFormat* muxer, AVPixelFormat format,
                    int& width, int& height) {
    const int originalWidth = width;
    const int originalHeight = height;
    if (width <= 0 || height <= 0 || !codec) {
        return;
    }
    // The largest picture: the codec's own limit, and for RealMedia the size whose key
    // pictures stay below the muxer's 64 kB packet limit.
    int maxWidth = std::numeric_limits<int>::max();
    int maxHeight = std::numeric_limits<int>::max();
    if (codec->id == AV_CODEC_ID_MPEG1VIDEO || codec->id == AV_CODEC_ID_SVQ1) {
        maxWidth = maxHeight = 4095;
    }
    if (codec->id == AV_CODEC_ID_MPEG2VIDEO || codec->id == AV_CODEC_ID_MPEG4 ||
        codec->id == AV_CODEC_ID_MSMPEG4V3 || codec->id == AV_CODEC_ID_WMV1 ||
        codec->id == AV_CODEC_ID_WMV2 || codec->id == AV_CODEC_ID_FLV1) {
        maxWidth = maxHeight = 8191;
    }
    if (muxer && std::strcmp(muxer->name, "rm") == 0) {
        maxWidth = 1280;
        maxHeight = 720;
    }
    if (width > maxWidth || height > maxHeight) {
        const double scale = std::min(static_cast<double>(maxWidth) / width,
                                      static_cast<double>(maxHeight) / height);
        width = static_cast<int>(width * scale);
        height = static_cast<int>(height * scale);
    }
    if (codec->id == AV_CODEC_ID_H263) {
        // H.263 knows five picture sizes: the one nearest to the wish in area.
        static constexpr std::array<std::pair<int, int>, 5> kSizes = {
            {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}}};
        const long long area = static_cast<long long>(width) * height;
        std::pair<int, int> chosen = kSizes.front();
        for (const auto& size : kSizes) {
            const long long candidate = static_cast<long long>(size.first) * size.second;
            const long long best = static_cast<long long>(chosen.first) * chosen.second;
            if (std::llabs(candidate - area) < std::llabs(best - area)) {
                chosen = size;
            }
        }
        width = chosen.first;
        height = chosen.second;
    } else {
        int multiple = 1;
        if (codec->id == AV_CODEC_ID_RV10) {
            multiple = 16;
        } else if (codec->id == AV_CODEC_ID_RV20 || codec->id == AV_CODEC_ID_SVQ1) {
            multiple = 4;
        }
        const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
        if (descriptor) {
            multiple = std::max(multiple, 1 << descriptor->log2_chroma_w);
            multiple = std::max(multiple, 1 << descriptor->log2_chroma_h);
        }
        if (multiple > 1) {
            width = std::min(NearestMultiple(width, multiple), maxWidth / multiple * multiple);
            height = std::min(NearestMultiple(height, multiple), maxHeight / multiple * multiple);
        }
    }
    if (width != originalWidth || height != originalHeight) {
        Note(Format("Picture size %dx%d does not suit %s; using %dx%d", originalWidth,
                    originalHeight, codec->name, width, height));
    }
}

bool CarriesSampleAspect(const AVCodec* codec, const AVOutputFormat* muxer) {
    static constexpr std::array kCodecs = {
        AV_CODEC_ID_H264,       AV_CODEC_ID_HEVC, AV_CODEC_ID_MPEG4, AV_CODEC_ID_MPEG1VIDEO,
        AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_VP8,  AV_CODEC_ID_VP9,   AV_CODEC_ID_THEORA};
    static constexpr std::array<std::string_view, 3> kMuxersWithout = {"flv", "swf", "rm"};
    if (codec && std::find(kCodecs.begin(), kCodecs.end(), codec->id) != kCodecs.end()) {
        return true;
    }
    return !muxer || std::find(kMuxersWithout.begin(), kMuxersWithout.end(),
                               std::string_view(muxer->name)) == kMuxersWithout.end();
}

}  // namespace mw
