#include "TranscodeRun.h"

#include <algorithm>

namespace mw {

AVFrame* TranscodeRun::FitToWindow(InputStream& input, AVFrame* frame) {
    const std::vector<SourceWindow>& windows =
        m_task.m_inputs[static_cast<std::size_t>(input.File)].Windows;
    if (frame->pkt_pos >= 0) {
        input.FramePos = frame->pkt_pos;
    }
    const std::int64_t position = input.FramePos;
    if (windows.empty() || position < 0 || frame->pts == AV_NOPTS_VALUE) {
        return frame;
    }
    const auto window = std::find_if(windows.begin(), windows.end(), [&](const SourceWindow& w) {
        return position >= w.FirstByte && position < w.EndByte;
    });
    if (window == windows.end()) {
        return frame;
    }
    // The frame's time stamps carry the file's offset by now.
    const AVRational base = input.Stream->time_base;
    const std::int64_t offset = input.WindowOffset;
    const std::int64_t start = av_rescale_q(window->StartUs + offset, AV_TIME_BASE_Q, base);
    const std::int64_t end = av_rescale_q(window->EndUs + offset, AV_TIME_BASE_Q, base);
    if (input.Stream->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
        // A picture belongs where it starts; a millisecond covers rounding of the clocks.
        const std::int64_t slack = av_rescale_q(1000, AV_TIME_BASE_Q, base);
        return frame->pts >= start - slack && frame->pts < end - slack ? frame : nullptr;
    }
    if (frame->sample_rate <= 0 || frame->nb_samples <= 0) {
        return frame;
    }
    const AVRational sampleBase{1, frame->sample_rate};
    const std::int64_t skip =
        frame->pts < start ? av_rescale_q(start - frame->pts, base, sampleBase) : 0;
    const std::int64_t keep =
        std::min<std::int64_t>(frame->nb_samples,
                               av_rescale_q(end - frame->pts, base, sampleBase)) -
        skip;
    if (keep <= 0) {
        return nullptr;
    }
    if (skip == 0) {
        frame->nb_samples = static_cast<int>(keep);
        frame->pkt_duration = av_rescale_q(keep, sampleBase, base);
        return frame;
    }
    AVFrame* trimmed = input.Trimmed.get();
    av_frame_unref(trimmed);
    trimmed->format = frame->format;
    trimmed->sample_rate = frame->sample_rate;
    trimmed->nb_samples = static_cast<int>(keep);
    if (av_channel_layout_copy(&trimmed->ch_layout, &frame->ch_layout) < 0 ||
        av_frame_get_buffer(trimmed, 0) < 0 || av_frame_copy_props(trimmed, frame) < 0) {
        return nullptr;
    }
    av_samples_copy(trimmed->extended_data, frame->extended_data, 0, static_cast<int>(skip),
                    static_cast<int>(keep), frame->ch_layout.nb_channels,
                    static_cast<AVSampleFormat>(frame->format));
    trimmed->pts = frame->pts + av_rescale_q(skip, sampleBase, base);
    trimmed->pkt_duration = av_rescale_q(keep, sampleBase, base);
    return trimmed;
}

}  // namespace mw
