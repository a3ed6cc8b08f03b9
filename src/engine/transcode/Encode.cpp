#include "TranscodeRun.h"

#include <cmath>

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"

namespace mw {

void TranscodeRun::EncodeVideo(OutputStream& output, AVFrame* frame) {
    if (output.Finished || frame->pts == AV_NOPTS_VALUE) {
        return;
    }
    const TCustomFFmpeg::OutputFile& file =
        *m_task.m_outputs[static_cast<std::size_t>(output.OutputFile)];
    AVCodecContext* encoder = output.Encoder.get();
    const AVRational sinkBase = output.Graph.TimeBase();
    const double seconds = static_cast<double>(frame->pts) * av_q2d(sinkBase) -
                           static_cast<double>(file.StartTime) / AV_TIME_BASE;
    if (seconds < 0) {
        return;
    }
    if (file.RecordingTime != kUnlimited &&
        seconds >= static_cast<double>(file.RecordingTime) / AV_TIME_BASE) {
        output.Finished = true;
        return;
    }
    const double syncIpts = seconds / av_q2d(encoder->time_base);
    const double delta = syncIpts - static_cast<double>(output.SyncOpts);
    std::int64_t copies = 1;
    const int vsync = m_settings.VideoSync;
    const bool variableRate = output.Muxer->oformat->flags & AVFMT_VARIABLE_FPS;
    if (vsync == 0) {
        const std::int64_t slot = std::llround(syncIpts);
        if (slot < output.SyncOpts) {
            copies = 0;
        } else {
            output.SyncOpts = slot;
        }
    } else if (delta < -1.1) {
        copies = 0;
    } else if (vsync == 2 || (vsync < 0 && variableRate)) {
        if (delta <= -0.6) {
            copies = 0;
        } else if (delta > 0.6) {
            output.SyncOpts = std::llround(syncIpts);
        }
    } else {
        // A constant-rate output shows each picture in the slots its time span covers, so
        // the number of pictures follows the input's duration within half a picture.
        double span = 0.0;
        if (frame->pkt_duration > 0) {
            span = static_cast<double>(frame->pkt_duration) * av_q2d(sinkBase) /
                   av_q2d(encoder->time_base);
        } else if (const AVRational rate = output.Graph.FrameRate(); rate.num > 0) {
            span = av_q2d(av_inv_q(rate)) / av_q2d(encoder->time_base);
        }
        copies = span > 0 ? std::llround(syncIpts + span) - output.SyncOpts
                          : (delta < -1.1  ? 0
                             : delta > 1.1 ? std::llround(delta)
                                           : 1);
    }
    copies = std::min(copies, output.Plan->MaxFrames - output.FramesWritten);
    if (copies <= 0) {
        ++output.Dropped;
        if (m_settings.Verbosity > 2) {
            m_task.Log(llVerbose, "*** drop!");
        }
        return;
    }
    if (copies > 1) {
        output.Duplicated += copies - 1;
        if (m_settings.Verbosity > 2) {
            m_task.Log(llVerbose, Format("*** %lld dup!", static_cast<long long>(copies - 1)));
        }
    }
    {
        std::lock_guard guard(m_pictureLock);
        if (const auto preview = m_previewStopped ? nullptr : m_task.OnPreviewBitmap()) {
            Preview(preview, output, frame);
        }
    }
    for (std::int64_t i = 0; i < copies; ++i) {
        frame->pts = output.SyncOpts++;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        HandToEncoder(output, frame);
        ++output.FramesWritten;
    }
}

void TranscodeRun::EncodeAudio(OutputStream& output, AVFrame* frame) {
    if (output.Finished) {
        return;
    }
    const TCustomFFmpeg::OutputFile& file =
        *m_task.m_outputs[static_cast<std::size_t>(output.OutputFile)];
    AVCodecContext* encoder = output.Encoder.get();
    const std::int64_t pts = frame->pts != AV_NOPTS_VALUE ? frame->pts : output.SyncOpts;
    const std::int64_t startSamples =
        av_rescale(file.StartTime, encoder->sample_rate, AV_TIME_BASE);
    if (pts < startSamples) {
        return;
    }
    if (file.RecordingTime != kUnlimited &&
        pts - startSamples >= av_rescale(file.RecordingTime, encoder->sample_rate, AV_TIME_BASE)) {
        output.Finished = true;
        return;
    }
    if (output.FramesWritten >= output.Plan->MaxFrames) {
        return;
    }
    frame->pts = std::max(pts - startSamples, output.SyncOpts);
    output.SyncOpts = frame->pts + frame->nb_samples;
    HandToEncoder(output, frame);
    ++output.FramesWritten;
}

void TranscodeRun::SendToEncoder(OutputStream& output, const AVFrame* frame) {
    AVCodecContext* encoder = output.Encoder.get();
    const int sent = avcodec_send_frame(encoder, frame);
    if (sent < 0 && sent != AVERROR_EOF) {
        throw EngineError(output.Plan->Type == AVMEDIA_TYPE_VIDEO ? "Video encoding failed"
                                                                  : "Audio encoding failed");
    }
    for (;;) {
        AVPtr<AVPacket> packet = MakePacket();
        const int received = packet ? avcodec_receive_packet(encoder, packet.get()) : AVERROR(ENOMEM);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            break;
        }
        if (received < 0) {
            throw EngineError(output.Plan->Type == AVMEDIA_TYPE_VIDEO ? "Video encoding failed"
                                                                      : "Audio encoding failed");
        }
        if (output.PassLog && encoder->stats_out) {
            std::fputs(encoder->stats_out, output.PassLog.get());
        }
        packet->time_base = encoder->time_base;
        std::shared_ptr<AVPacket> shared(std::move(packet));
        AtMux(output.EncoderSlot, [this, &output, shared] {
            NoteQuality(output, shared.get());
            WritePacket(output, shared.get());
        });
    }
}

void TranscodeRun::NoteQuality(OutputStream& output, const AVPacket* packet) {
    std::size_t statsSize = 0;
    if (const std::uint8_t* stats =
            av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &statsSize);
        stats && statsSize >= 4) {
        const int lambda = stats[0] | stats[1] << 8 | stats[2] << 16 | stats[3] << 24;
        output.LastQuality = static_cast<float>(lambda) / FF_QP2LAMBDA;
    }
}

void TranscodeRun::FlushEncoders() {
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (output->Encoder && output->Plan->Type != AVMEDIA_TYPE_SUBTITLE) {
            const MuxOrder::SlotPtr step = OpenStep();
            FilterStep(*output, step, [this, &output] { HandToEncoder(*output, nullptr); });
            CloseStep(step);
        }
    }
}

}  // namespace mw
