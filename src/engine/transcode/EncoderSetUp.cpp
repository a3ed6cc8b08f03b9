#include "TranscodeRun.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "TypeNames.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/codecs/EncoderFit.h"
#include "engine/options/LegacyOptions.h"

namespace mw {

namespace {

// "start,end,q/start,end,-quality%" ranges of forced quantisers or quality factors.
void ParseRcOverride(const std::string& text, AVCodecContext* encoder) {
    std::vector<RcOverride> ranges;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        int first = 0, last = 0, q = 0;
        if (std::sscanf(text.substr(start, end - start).c_str(), "%d,%d,%d", &first, &last, &q) !=
            3) {
            throw EngineError("error parsing rc_override");
        }
        RcOverride range{};
        range.start_frame = first;
        range.end_frame = last;
        if (q > 0) {
            range.qscale = q;
            range.quality_factor = 1.0f;
        } else {
            range.qscale = 0;
            range.quality_factor = -static_cast<float>(q) / 100.0f;
        }
        ranges.push_back(range);
        start = end + 1;
    }
    encoder->rc_override =
        static_cast<RcOverride*>(av_malloc_array(ranges.size(), sizeof(RcOverride)));
    if (!encoder->rc_override) {
        throw EngineError("error parsing rc_override");
    }
    std::memcpy(encoder->rc_override, ranges.data(), ranges.size() * sizeof(RcOverride));
    encoder->rc_override_count = static_cast<int>(ranges.size());
}

std::uint16_t* CopyMatrix(const std::vector<std::uint16_t>& matrix) {
    auto* copy = static_cast<std::uint16_t*>(av_malloc(64 * sizeof(std::uint16_t)));
    if (copy) {
        std::memcpy(copy, matrix.data(), 64 * sizeof(std::uint16_t));
    }
    return copy;
}

}  // namespace

void TranscodeRun::SetUpCopy(OutputStream& output) {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    if (plan.Type == AVMEDIA_TYPE_VIDEO) {
        if (m_task.OnCustomHook()) {
            throw EngineError(
                "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
        }
        if (m_task.OnPreviewBitmap()) {
            throw EngineError(
                "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
        }
    }
    if (plan.Type == AVMEDIA_TYPE_AUDIO && plan.Volume != 256) {
        throw EngineError("-acodec copy and -vol are incompatible (frames are not decoded)");
    }
    const InputStream& input = m_inputStreams[static_cast<std::size_t>(output.Sources[0])];
    AVCodecParameters* parameters = output.Stream->codecpar;
    if (avcodec_parameters_copy(parameters, input.Stream->codecpar) < 0) {
        throw EngineError("Could not copy the stream parameters");
    }
    unsigned tag = input.Stream->codecpar->codec_tag;
    const AVCodecTag* const* tags = output.Muxer->oformat->codec_tag;
    if (tag && tags) {
        unsigned muxerTag = 0;
        if (av_codec_get_id(tags, tag) != parameters->codec_id &&
            av_codec_get_tag2(tags, parameters->codec_id, &muxerTag)) {
            tag = 0;
        }
    }
    parameters->codec_tag = tag;
    if (!plan.Tag.empty()) {
        parameters->codec_tag = MKTAG(plan.Tag[0], plan.Tag[1], plan.Tag[2], plan.Tag[3]);
    }
    if (plan.Type == AVMEDIA_TYPE_AUDIO &&
        ((parameters->block_align == 1 && parameters->codec_id == AV_CODEC_ID_MP3) ||
         parameters->codec_id == AV_CODEC_ID_AC3)) {
        parameters->block_align = 0;
    }
    if (plan.SampleAspect.num > 0) {
        parameters->sample_aspect_ratio = plan.SampleAspect;
    }
    output.Stream->sample_aspect_ratio = parameters->sample_aspect_ratio;
    output.Stream->time_base = input.Stream->time_base;
    output.Stream->avg_frame_rate = input.Stream->avg_frame_rate;
    output.Stream->r_frame_rate = input.Stream->r_frame_rate;
    if (!av_dict_get(output.Stream->metadata, "language", nullptr, 0)) {
        if (const AVDictionaryEntry* language =
                av_dict_get(input.Stream->metadata, "language", nullptr, 0)) {
            av_dict_set(&output.Stream->metadata, "language", language->value, 0);
        }
    }
}

void TranscodeRun::SetUpEncoder(OutputStream& output) {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    const InputStream& input = m_inputStreams[static_cast<std::size_t>(output.Sources[0])];
    const AVCodec* codec = plan.Encoder;
    output.Encoder = AllocateCodec(codec);
    AVCodecContext* encoder = output.Encoder.get();
    if (!encoder) {
        throw EngineError("Could not allocate an encoder context");
    }
    if (std::strcmp(codec->name, "libx264") == 0) {
        ApplyOptions(encoder, LegacyX264Defaults(), false);
    }
    ApplyOptions(encoder, plan.CodecOptions, true);
    encoder->thread_count = 0;
    if (output.Muxer->oformat->flags & AVFMT_GLOBALHEADER ||
        (plan.Type == AVMEDIA_TYPE_VIDEO && m_settings.VideoGlobalHeader & 1)) {
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (!plan.Tag.empty()) {
        encoder->codec_tag = MKTAG(plan.Tag[0], plan.Tag[1], plan.Tag[2], plan.Tag[3]);
    }

    if (plan.Type == AVMEDIA_TYPE_VIDEO) {
        SetUpVideoEncoder(output, input);
    } else if (plan.Type == AVMEDIA_TYPE_AUDIO) {
        SetUpAudioEncoder(output);
    } else {
        SetUpSubtitleEncoder(output, input);
    }
    if (OpenCodec(encoder, codec) < 0) {
        throw EngineError(
            Format("Error while opening encoder for output stream #%d.%d (%s) - "
                   "maybe incorrect parameters such as bit_rate, rate, width or "
                   "height",
                   output.OutputFile, output.Stream->index, TypeName(plan.Type)));
    }
    if (avcodec_parameters_from_context(output.Stream->codecpar, encoder) < 0) {
        throw EngineError("Could not copy the encoder parameters");
    }
    output.Stream->time_base = encoder->time_base;
    if (plan.Type == AVMEDIA_TYPE_AUDIO && encoder->frame_size == 0 &&
        !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
        throw EngineError("frame_bytes invalid.");
    }
    if (!av_dict_get(output.Stream->metadata, "language", nullptr, 0)) {
        if (const AVDictionaryEntry* language =
                av_dict_get(input.Stream->metadata, "language", nullptr, 0)) {
            av_dict_set(&output.Stream->metadata, "language", language->value, 0);
        }
    }
    for (int i : output.Sources) {
        m_inputStreams[static_cast<std::size_t>(i)].DecodingNeeded = true;
    }
}

// The encoded picture size: as asked for, in square pixels where the file cannot tell their
// shape, and fitted to what the encoder and muxer accept; the pads follow the size.
void TranscodeRun::FitVideoSize(OutputStream& output, const InputStream& input) {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    const AVCodec* codec = plan.Encoder;
    AVCodecContext* encoder = output.Encoder.get();
    output.PadLeft = plan.PadLeft;
    output.PadRight = plan.PadRight;
    output.PadTop = plan.PadTop;
    output.PadBottom = plan.PadBottom;
    int width = plan.Width > 0 ? plan.Width : input.Stream->codecpar->width;
    int height = plan.Height > 0 ? plan.Height : input.Stream->codecpar->height;
    const int fullWidth = width;
    const int fullHeight = height;
    AVRational sampleAspect = plan.SampleAspect.num > 0 ? plan.SampleAspect
                              : input.Stream->sample_aspect_ratio.num > 0
                                  ? input.Stream->sample_aspect_ratio
                                  : input.Stream->codecpar->sample_aspect_ratio;
    // Where the file cannot tell the pixels' shape, the picture is scaled to square
    // pixels at the width it is shown.
    const bool squarePixels = !CarriesSampleAspect(codec, output.Muxer->oformat);
    if (squarePixels && sampleAspect.num > 0 && sampleAspect.den > 0 &&
        sampleAspect.num != sampleAspect.den) {
        width = 2 * static_cast<int>(std::lround(width * av_q2d(sampleAspect) / 2));
    }
    FitPictureSize(codec, output.Muxer->oformat, encoder->pix_fmt, width, height);
    if (width != fullWidth || height != fullHeight) {
        // The frame is shown as it would have been at the size asked for.
        if (sampleAspect.num <= 0 || sampleAspect.den <= 0) {
            sampleAspect = AVRational{1, 1};
        }
        av_reduce(&sampleAspect.num, &sampleAspect.den,
                  static_cast<std::int64_t>(sampleAspect.num) * fullWidth * height,
                  static_cast<std::int64_t>(sampleAspect.den) * fullHeight * width, 255);
        // The pads shrink or grow with the picture so that the shape is kept.
        auto scaleBand = [](int band, int newSize, int oldSize) {
            return oldSize > 0 ? band * newSize / oldSize / 2 * 2 : 0;
        };
        output.PadLeft = scaleBand(output.PadLeft, width, fullWidth);
        output.PadRight = scaleBand(output.PadRight, width, fullWidth);
        output.PadTop = scaleBand(output.PadTop, height, fullHeight);
        output.PadBottom = scaleBand(output.PadBottom, height, fullHeight);
    }
    encoder->width = width;
    encoder->height = height;
    encoder->sample_aspect_ratio = squarePixels ? AVRational{1, 1} : sampleAspect;
}

void TranscodeRun::SetUpVideoEncoder(OutputStream& output, const InputStream& input) {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    const AVCodec* codec = plan.Encoder;
    AVCodecContext* encoder = output.Encoder.get();
    AVRational rate = plan.FrameRate;
    if (!m_settings.ForceFps) {
        rate = FitFrameRate(codec, rate);
    }
    encoder->framerate = rate;
    encoder->time_base = av_inv_q(rate);
    const AVPixelFormat sourceFormat = static_cast<AVPixelFormat>(input.Stream->codecpar->format);
    encoder->pix_fmt =
        FitPixelFormat(codec, static_cast<AVPixelFormat>(plan.PixelFormat), sourceFormat);
    if (encoder->pix_fmt == AV_PIX_FMT_NONE) {
        throw EngineError("Video pixel format is unknown, stream cannot be encoded");
    }
    FitVideoSize(output, input);
    if (plan.Intra) {
        encoder->gop_size = 0;
    }
    if (plan.Qscale > 0 || plan.SameQuality) {
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality =
            static_cast<int>(FF_QP2LAMBDA * (plan.Qscale > 0 ? plan.Qscale : 2.0f));
    }
    if (plan.IntraMatrix.size() == 64) {
        encoder->intra_matrix = CopyMatrix(plan.IntraMatrix);
    }
    if (plan.InterMatrix.size() == 64) {
        encoder->inter_matrix = CopyMatrix(plan.InterMatrix);
    }
    if (!plan.RcOverride.empty()) {
        ParseRcOverride(plan.RcOverride, encoder);
    }
    encoder->intra_dc_precision = plan.IntraDcPrecision - 8;
    if (plan.Psnr) {
        encoder->flags |= AV_CODEC_FLAG_PSNR;
    }
    if (plan.Pass > 0) {
        SetUpTwoPass(output);
    }
    if (plan.TopFieldFirst >= 0) {
        encoder->field_order = plan.TopFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
    }
    output.Stream->sample_aspect_ratio = encoder->sample_aspect_ratio;
    output.Stream->avg_frame_rate = rate;
}

// Two-pass encoding: the first pass writes the encoder's statistics to the log, the second
// reads them back.
void TranscodeRun::SetUpTwoPass(OutputStream& output) {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    const AVCodec* codec = plan.Encoder;
    AVCodecContext* encoder = output.Encoder.get();
    const std::string logName =
        (plan.PassLogFile.empty() ? std::string("ffmpeg2pass") : plan.PassLogFile) + "-" +
        std::to_string(output.Stream->index) + ".log";
    if (std::strcmp(codec->name, "libx264") == 0) {
        av_opt_set(encoder->priv_data, "stats", logName.c_str(), 0);
    }
    if (plan.Pass == 1) {
        encoder->flags |= AV_CODEC_FLAG_PASS1;
        output.PassLog.reset(std::fopen(logName.c_str(), "wb"));
        if (!output.PassLog) {
            throw EngineError("Cannot write log file " + logName + " for pass-1 encoding");
        }
    } else {
        encoder->flags |= AV_CODEC_FLAG_PASS2;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> log(std::fopen(logName.c_str(), "rb"),
                                                            &std::fclose);
        if (!log) {
            throw EngineError("Cannot read log file " + logName + " for pass-2 encoding");
        }
        std::string stats;
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, log.get())) > 0) {
            stats.append(buffer, n);
        }
        encoder->stats_in = av_strdup(stats.c_str());
        if (!encoder->stats_in) {
            throw EngineError("Could not allocate log buffer");
        }
    }
}

void TranscodeRun::SetUpAudioEncoder(OutputStream& output) {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    const AVCodec* codec = plan.Encoder;
    AVCodecContext* encoder = output.Encoder.get();
    encoder->sample_rate = FitSampleRate(codec, plan.SampleRate);
    FitChannelLayout(codec, plan.Channels, plan.ChannelLayoutMask, encoder->ch_layout);
    encoder->sample_fmt = FitSampleFormat(codec, static_cast<AVSampleFormat>(plan.SampleFormat));
    encoder->time_base = AVRational{1, encoder->sample_rate};
    encoder->bit_rate = FitBitRate(codec, encoder->bit_rate, encoder->sample_rate);
    if (plan.Quality > -99999.0f) {
        encoder->flags |= AV_CODEC_FLAG_QSCALE;
        encoder->global_quality = static_cast<int>(FF_QP2LAMBDA * plan.Quality);
    }
}

void TranscodeRun::SetUpSubtitleEncoder(OutputStream& output, const InputStream& input) {
    AVCodecContext* encoder = output.Encoder.get();
    encoder->time_base = AVRational{1, AV_TIME_BASE};
    if (input.Stream->codecpar->extradata_size > 0) {
        encoder->subtitle_header =
            static_cast<std::uint8_t*>(av_mallocz(input.Stream->codecpar->extradata_size + 1));
        if (encoder->subtitle_header) {
            std::memcpy(encoder->subtitle_header, input.Stream->codecpar->extradata,
                        static_cast<std::size_t>(input.Stream->codecpar->extradata_size));
            encoder->subtitle_header_size = input.Stream->codecpar->extradata_size;
        }
    }
    if (input.Stream->codecpar->width > 0) {
        encoder->width = input.Stream->codecpar->width;
        encoder->height = input.Stream->codecpar->height;
    }
}

void TranscodeRun::OpenBitstreamFilters(OutputStream& output) {
    for (const std::string& entry : output.Plan->BitstreamFilters) {
        const std::size_t equals = entry.find('=');
        const std::string name = entry.substr(0, equals);
        const AVBitStreamFilter* filter = av_bsf_get_by_name(name.c_str());
        AVBSFContext* raw = nullptr;
        if (!filter || av_bsf_alloc(filter, &raw) < 0) {
            throw EngineError("Unknown bitstream filter " + name);
        }
        AVPtr<AVBSFContext> context(raw);
        const AVCodecParameters* in =
            output.Filters.empty() ? output.Stream->codecpar : output.Filters.back()->par_out;
        avcodec_parameters_copy(context->par_in, in);
        context->time_base_in = output.Stream->time_base;
        if (equals != std::string::npos) {
            av_opt_set_from_string(context->priv_data, entry.substr(equals + 1).c_str(), nullptr,
                                   "=", ":");
        }
        if (av_bsf_init(context.get()) < 0) {
            throw EngineError("Unknown bitstream filter " + name);
        }
        output.Filters.push_back(std::move(context));
    }
    if (!output.Filters.empty()) {
        avcodec_parameters_copy(output.Stream->codecpar, output.Filters.back()->par_out);
    }
}

}  // namespace mw
