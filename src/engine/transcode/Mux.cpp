#include "TranscodeRun.h"

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/common/AVError.h"
#include "engine/files/OutputPlacement.h"

namespace mw {

void TranscodeRun::CopyPacket(InputStream& input, OutputStream& output, const AVPacket* packet,
                              const MuxOrder::SlotPtr& step) {
    if (output.Finished) {
        return;
    }
    const TCustomFFmpeg::OutputFile& file =
        *m_task.m_outputs[static_cast<std::size_t>(output.OutputFile)];
    const AVRational timeBase = input.Stream->time_base;
    auto toUs = [timeBase](std::int64_t time) {
        return time == AV_NOPTS_VALUE ? 0
                                      : av_rescale_q(time, timeBase, AVRational{1, AV_TIME_BASE});
    };
    const std::int64_t dtsUs = toUs(packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts);
    if (output.FramesWritten == 0) {
        if (!(packet->flags & AV_PKT_FLAG_KEY) && !m_settings.CopyInitialNonKeyframes &&
            output.Plan->Type == AVMEDIA_TYPE_VIDEO) {
            return;
        }
        // With a start time the copy starts at the first packet shown at or after it;
        // without one, packets shown before zero (the priming of audio encoders) are copied
        // too. Decoding times of reordered pictures lie before their presentation, so they
        // say nothing about what is shown.
        if (file.StartTime > 0 &&
            toUs(packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts) < file.StartTime) {
            return;
        }
    }
    if (file.RecordingTime != kUnlimited && dtsUs >= file.StartTime + file.RecordingTime) {
        output.Finished = true;
        return;
    }
    AVPtr<AVPacket> owned = MakePacket();
    AVPacket* copy = owned.get();
    if (!copy || av_packet_ref(copy, packet) < 0) {
        throw EngineError("Out of memory");
    }
    const std::int64_t startOffset =
        av_rescale_q(file.StartTime, AVRational{1, AV_TIME_BASE}, timeBase);
    if (copy->pts != AV_NOPTS_VALUE) {
        copy->pts -= startOffset;
    }
    if (copy->dts != AV_NOPTS_VALUE) {
        copy->dts -= startOffset;
    }
    av_packet_rescale_ts(copy, timeBase, output.Stream->time_base);
    copy->time_base = output.Stream->time_base;
    ++output.FramesWritten;
    output.SyncOpts = copy->pts != AV_NOPTS_VALUE ? copy->pts + copy->duration : output.SyncOpts;
    HandToMuxer(output, step, std::move(owned),
                OutputStream::Figures{output.FramesWritten, output.SyncOpts});
}

void TranscodeRun::WritePacket(OutputStream& output, AVPacket* packet) {
    if (output.Encoder && packet->time_base.num == 0) {
        packet->time_base = output.Encoder->time_base;
    }
    if (packet->time_base.num != 0 && av_cmp_q(packet->time_base, output.Stream->time_base) != 0) {
        av_packet_rescale_ts(packet, packet->time_base, output.Stream->time_base);
        packet->time_base = output.Stream->time_base;
    }
    packet->stream_index = output.Stream->index;
    if (output.Filters.empty()) {
        Mux(output, packet);
        return;
    }
    // Each packet passes the chain in order; a filter may hold it or give several back.
    std::vector<AVPtr<AVPacket>> pending;
    pending.emplace_back(av_packet_clone(packet));
    av_packet_unref(packet);
    for (AVPtr<AVBSFContext>& filter : output.Filters) {
        std::vector<AVPtr<AVPacket>> produced;
        for (AVPtr<AVPacket>& in : pending) {
            if (av_bsf_send_packet(filter.get(), in.get()) < 0) {
                Raise(Format("%s failed for stream %d, codec %s", filter->filter->name,
                             output.Stream->index,
                             output.Encoder ? output.Encoder->codec->name : "copy"));
                continue;
            }
            for (;;) {
                AVPtr<AVPacket> out = MakePacket();
                if (av_bsf_receive_packet(filter.get(), out.get()) < 0) {
                    break;
                }
                produced.push_back(std::move(out));
            }
        }
        pending = std::move(produced);
    }
    for (AVPtr<AVPacket>& out : pending) {
        out->stream_index = output.Stream->index;
        Mux(output, out.get());
    }
}

void TranscodeRun::Mux(OutputStream& output, AVPacket* packet) {
    if (output.Plan->Type == AVMEDIA_TYPE_VIDEO) {
        m_videoBytes += packet->size;
    } else if (output.Plan->Type == AVMEDIA_TYPE_AUDIO) {
        m_audioBytes += packet->size;
    }
    const std::int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (time != AV_NOPTS_VALUE) {
        const std::int64_t end = av_rescale_q(time + packet->duration, output.Stream->time_base,
                                              AVRational{1, AV_TIME_BASE});
        output.LastTime = output.LastTime == AV_NOPTS_VALUE ? end : std::max(output.LastTime, end);
    }
    const int written = av_interleaved_write_frame(output.Muxer, packet);
    if (written < 0) {
        throw EngineError("av_interleaved_write_frame(): " + AVErrorText(written));
    }
    // Muxers leave the errors of their file in the I/O context; a full disk ends the task.
    if (output.Muxer->pb && output.Muxer->pb->error < 0) {
        throw EngineError(
            WriteErrorText(m_task.m_outputs[static_cast<std::size_t>(output.OutputFile)]->FileName,
                           output.Muxer->pb->error));
    }
}

}  // namespace mw
