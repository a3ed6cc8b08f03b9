#include "TranscodeRun.h"

#include <cmath>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "core/UtilFuncs.h"

namespace mw {

namespace {

// The longest gap in a stream's time stamps that is filled (with silence, or by showing a
// picture longer); a larger jump is a damaged time stamp.
constexpr std::int64_t kLargestFilledGapUs = 60LL * AV_TIME_BASE;

std::string ScalerFlags(const std::vector<NamedOption>& options) {
    std::string flags = "flags=bicubic";
    for (const NamedOption& option : options) {
        flags += ":" + option.Name + "=" + option.Value;
    }
    return flags;
}

}  // namespace

TranscodeRun::PictureFit TranscodeRun::FitJoinedPicture(const OutputStream& output,
                                                        const AVFrame* frame,
                                                        const InputStream& input, int shownWidth,
                                                        int shownHeight) const {
    const int width = output.Encoder->width;
    const int height = output.Encoder->height;
    PictureFit fit{width - output.PadLeft - output.PadRight,
                   height - output.PadTop - output.PadBottom, output.PadLeft, output.PadTop};
    if (m_joined && CurrentGroup() > 0) {
        // The output frame was fitted to the first input; each later one is fitted into
        // it by its own shape.
        const AVRational frameSar = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio
                                    : input.Stream->sample_aspect_ratio.num > 0
                                        ? input.Stream->sample_aspect_ratio
                                        : AVRational{1, 1};
        const AVRational outputSar = output.Encoder->sample_aspect_ratio.num > 0
                                         ? output.Encoder->sample_aspect_ratio
                                         : AVRational{1, 1};
        const double inputShape = shownWidth * av_q2d(frameSar) / shownHeight;
        const double outputShape = width * av_q2d(outputSar) / height;
        fit.Width = width;
        fit.Height = height;
        if (inputShape > outputShape) {
            fit.Height = 2 * static_cast<int>(std::lround(height * outputShape / inputShape) / 2);
        } else {
            fit.Width = 2 * static_cast<int>(std::lround(width * inputShape / outputShape) / 2);
        }
        fit.Left = (width - fit.Width) / 2 / 2 * 2;
        fit.Top = (height - fit.Height) / 2 / 2 * 2;
    }
    if (fit.Width <= 0 || fit.Height <= 0) {
        fit = PictureFit{width, height, 0, 0};
    }
    return fit;
}

FilterGraphSetUp TranscodeRun::VideoGraphSetUp(const OutputStream& output, const AVFrame* frame,
                                               const InputStream& input) const {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    FilterGraphSetUp setUp;
    setUp.SourceFailure = "Error opening filters!";
    const TCustomFFmpeg::OutputFile& file =
        *m_task.m_outputs[static_cast<std::size_t>(output.OutputFile)];
    setUp.ScalerFlags = ScalerFlags(file.ScalerOptions);
    // A filter stage on a thread of its own shares the cores with the decoder's and the
    // encoders' threads; slices of its pictures on further threads only add switches between
    // them (720p to 320x240 on two cores: 28% more switches, 4% more processor time). The
    // pictures are the same either way.
    setUp.SliceThreads = !(m_stages && m_stages->DecodeThreads());
    const AVRational timeBase = input.Stream->time_base;
    const AVRational sar =
        frame->sample_aspect_ratio.num ? frame->sample_aspect_ratio : AVRational{0, 1};
    AVRational rate = input.Stream->avg_frame_rate.num > 0 ? input.Stream->avg_frame_rate
                                                           : input.Stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) {
        rate = AVRational{25, 1};
    }
    setUp.SourceArgs =
        Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d:frame_rate=%d/%d",
               frame->width, frame->height, frame->format, timeBase.num, timeBase.den, sar.num,
               sar.den ? sar.den : 1, rate.num, rate.den);
    std::string& chain = setUp.Chain;
    auto add = [&chain](const std::string& filter) {
        chain += (chain.empty() ? "" : ",") + filter;
    };
    if (plan.Deinterlace) {
        add("yadif");
    }
    const int cropWidth = frame->width - plan.CropLeft - plan.CropRight;
    const int cropHeight = frame->height - plan.CropTop - plan.CropBottom;
    if ((plan.CropLeft || plan.CropRight || plan.CropTop || plan.CropBottom) && cropWidth > 0 &&
        cropHeight > 0) {
        add(Format("crop=%d:%d:%d:%d", cropWidth, cropHeight, plan.CropLeft, plan.CropTop));
    }
    if (!plan.Filters.empty()) {
        add(plan.Filters);
    }
    const int width = output.Encoder->width;
    const int height = output.Encoder->height;
    const PictureFit fit =
        FitJoinedPicture(output, frame, input, cropWidth > 0 ? cropWidth : frame->width,
                         cropHeight > 0 ? cropHeight : frame->height);
    add(Format("scale=%d:%d", fit.Width, fit.Height));
    if (fit.Width != width || fit.Height != height) {
        const std::uint32_t c = plan.PadColor;
        add(Format("pad=%d:%d:%d:%d:0x%02X%02X%02X", width, height, fit.Left, fit.Top, c & 0xFF,
                   (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
    add(Format("format=pix_fmts=%s", av_get_pix_fmt_name(output.Encoder->pix_fmt)));
    return setUp;
}

FilterGraphSetUp TranscodeRun::AudioGraphSetUp(const OutputStream& output,
                                               const AVFrame* frame) const {
    const TCustomFFmpeg::OutputStreamPlan& plan = *output.Plan;
    const AVCodecContext* encoder = output.Encoder.get();
    FilterGraphSetUp setUp;
    setUp.Video = false;
    setUp.SourceFailure = Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                 frame->ch_layout.nb_channels, frame->sample_rate,
                                 encoder->ch_layout.nb_channels, encoder->sample_rate);
    char layout[128] = {};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        AVChannelLayout defaultLayout{};
        av_channel_layout_default(&defaultLayout, frame->ch_layout.nb_channels);
        av_channel_layout_describe(&defaultLayout, layout, sizeof layout);
        av_channel_layout_uninit(&defaultLayout);
    } else {
        av_channel_layout_describe(&frame->ch_layout, layout, sizeof layout);
    }
    setUp.SourceArgs =
        Format("time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", frame->sample_rate,
               frame->sample_rate,
               av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format)), layout);
    if (plan.Volume != 256) {
        setUp.Chain += Format("volume=%f,", plan.Volume / 256.0);
    }
    // The audio follows its time stamps: gaps (a shorter track, the seam between joined
    // inputs) become silence and overlaps are cut, so the sound stays with the picture. The
    // resampler counts its first time stamp in input samples.
    const int async = m_settings.AudioSync > 1 ? m_settings.AudioSync : 1;
    char encoderLayout[128] = {};
    av_channel_layout_describe(&encoder->ch_layout, encoderLayout, sizeof encoderLayout);
    setUp.Chain += Format(
        "aresample=%d:async=%d:min_hard_comp=0.010000:first_pts=%lld,"
        "aformat=sample_fmts=%s:sample_rates=%d:channel_layouts=%s",
        encoder->sample_rate, async,
        static_cast<long long>(
            av_rescale(output.SyncOpts, frame->sample_rate, encoder->sample_rate)),
        av_get_sample_fmt_name(encoder->sample_fmt), encoder->sample_rate, encoderLayout);
    if (encoder->frame_size > 0 &&
        !(encoder->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) {
        setUp.SinkFrameSize = static_cast<unsigned>(encoder->frame_size);
    }
    return setUp;
}

void TranscodeRun::FilterFrame(OutputStream& output, AVFrame* frame, const InputStream& input) {
    const int inputIndex = static_cast<int>(&input - m_inputStreams.data());
    const bool video = output.Plan->Type == AVMEDIA_TYPE_VIDEO;
    FilterGraph& graph = output.Graph;
    bool changed = !graph.Built() || graph.Input() != inputIndex;
    if (!changed && graph.ShapeChanged(frame)) {
        if (video) {
            const char* format = av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame->format));
            m_task.Log(llQuiet, Format("Input Stream #%d.%d frame size changed to %dx%d, %s",
                                       input.File, input.Stream->index, frame->width, frame->height,
                                       format ? format : "none"));
        }
        changed = true;
    }
    if (changed) {
        if (graph.Built()) {
            DrainGraph(output, true);
        }
        graph.Build(video ? VideoGraphSetUp(output, frame, input) : AudioGraphSetUp(output, frame),
                    frame, inputIndex);
    }
    KeepInLine(output, frame, input);
    // The audio source counts in samples; the frame may feed further outputs afterwards.
    const std::int64_t pts = frame->pts;
    if (!video && pts != AV_NOPTS_VALUE) {
        frame->pts = av_rescale_q(pts, input.Stream->time_base, AVRational{1, frame->sample_rate});
    }
    const int written = graph.Push(frame);
    frame->pts = pts;
    if (written < 0) {
        Raise("Error while filtering");
        return;
    }
    DrainGraph(output, false);
}

void TranscodeRun::KeepInLine(OutputStream& output, AVFrame* frame, const InputStream& input) {
    if (frame->pts == AV_NOPTS_VALUE) {
        return;
    }
    const AVRational timeBase = input.Stream->time_base;
    const AVRational microseconds{1, AV_TIME_BASE};
    std::int64_t time = av_rescale_q(frame->pts, timeBase, microseconds);
    // A frame far from where its stream stands carries a damaged time stamp, or follows a
    // seam set by one: it goes on where the stream stands, so that no hour of silence or
    // of repeated pictures fills the gap.
    if (output.NextInputTime != AV_NOPTS_VALUE &&
        std::llabs(time - output.NextInputTime) > kLargestFilledGapUs) {
        if (m_settings.Verbosity > 2) {
            m_task.Log(llVerbose, Format("timestamp discontinuity %lld, frame moved to %lld",
                                         static_cast<long long>(time - output.NextInputTime),
                                         static_cast<long long>(output.NextInputTime)));
        }
        time = output.NextInputTime;
        frame->pts = av_rescale_q(time, microseconds, timeBase);
    }
    std::int64_t duration = 0;
    if (output.Plan->Type == AVMEDIA_TYPE_AUDIO) {
        duration = frame->sample_rate > 0
                       ? av_rescale(frame->nb_samples, AV_TIME_BASE, frame->sample_rate)
                       : 0;
    } else if (frame->pkt_duration > 0) {
        duration = av_rescale_q(frame->pkt_duration, timeBase, microseconds);
    } else if (input.Stream->avg_frame_rate.num > 0) {
        duration = av_rescale_q(1, av_inv_q(input.Stream->avg_frame_rate), microseconds);
    }
    output.NextInputTime = time + duration;
}

void TranscodeRun::DrainGraph(OutputStream& output, bool endOfStream) {
    FilterGraph& graph = output.Graph;
    if (!graph.Built()) {
        return;
    }
    if (endOfStream && graph.PushEnd() < 0) {
        Raise("Error while filtering");
    }
    AVFrame* filtered = output.Filtered.get();
    while (graph.Pull(filtered) >= 0) {
        if (output.Plan->Type == AVMEDIA_TYPE_VIDEO) {
            EncodeVideo(output, filtered);
        } else {
            EncodeAudio(output, filtered);
        }
        av_frame_unref(filtered);
    }
    if (endOfStream) {
        graph.Reset();
    }
}

}  // namespace mw
