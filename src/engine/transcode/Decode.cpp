#include "TranscodeRun.h"

#include <cstring>
#include <utility>

extern "C" {
#include <libavutil/time.h>
}

#include "TypeNames.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"

namespace mw {

void TranscodeRun::ProcessPacket(InputStream& input, const AVPacket* packet,
                                 const MuxOrder::SlotPtr& step) {
    if (packet && packet->dts != AV_NOPTS_VALUE) {
        input.NextDts = av_rescale_q(packet->dts + packet->duration, input.Stream->time_base,
                                     AVRational{1, AV_TIME_BASE});
    }
    if (packet && m_settings.RateEmulation && packet->dts != AV_NOPTS_VALUE) {
        const std::int64_t due =
            av_rescale_q(packet->dts, input.Stream->time_base, AVRational{1, AV_TIME_BASE});
        const std::int64_t elapsed = av_gettime_relative() - input.RealTimeStart;
        if (due > elapsed) {
            av_usleep(static_cast<unsigned>(std::min<std::int64_t>(due - elapsed, 1000000)));
        }
    }
    if (input.DecodingNeeded && input.Decoder) {
        DecodeStep(input, step, packet);
    }
    if (!packet) {
        return;
    }
    for (int o : input.Outputs) {
        OutputStream& output = *m_outputStreams[static_cast<std::size_t>(o)];
        if (output.Copy) {
            CopyPacket(input, output, packet, step);
        }
    }
}

void TranscodeRun::FlushDecoder(InputStream& input) {
    if (input.DecodingNeeded && !input.Flushed) {
        input.Flushed = true;
        const MuxOrder::SlotPtr step = OpenStep();
        ProcessPacket(input, nullptr, step);
        CloseStep(step);
    }
}

void TranscodeRun::FlushInput(int stream) {
    InputStream& input = m_inputStreams[static_cast<std::size_t>(stream)];
    FlushDecoder(input);
    // The graphs take the flushed frames first.
    SettleStages();
    for (int o : input.Outputs) {
        OutputStream& output = *m_outputStreams[static_cast<std::size_t>(o)];
        if (output.Copy) {
            continue;
        }
        const MuxOrder::SlotPtr step = OpenStep();
        FilterStep(output, step, [this, &output, stream] {
            if (output.Graph.Input() == stream) {
                DrainGraph(output, true);
            }
        });
        CloseStep(step);
    }
}

void TranscodeRun::DecodePacket(InputStream& input, const AVPacket* packet) {
    if (input.DecodingNeeded && input.Decoder) {
        const AVMediaType type = input.Stream->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_SUBTITLE) {
            DecodeSubtitle(input, packet);
        } else {
            const int sent = avcodec_send_packet(input.Decoder.get(), packet);
            if (sent < 0 && sent != AVERROR_EOF) {
                Raise(Format("Error while decoding stream #%d.%d (%s)", input.File,
                             input.Stream->index, TypeText(type)));
            }
            AVFrame* frame = input.Frame.get();
            for (;;) {
                const int received = avcodec_receive_frame(input.Decoder.get(), frame);
                if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
                    break;
                }
                if (received < 0) {
                    Raise(Format("Error while decoding stream #%d.%d (%s)", input.File,
                                 input.Stream->index, TypeText(type)));
                    break;
                }
                if (type == AVMEDIA_TYPE_VIDEO) {
                    DecodeVideo(input, frame);
                } else if (type == AVMEDIA_TYPE_AUDIO) {
                    DecodeAudio(input, frame);
                }
                av_frame_unref(frame);
            }
        }
    }
    if (!packet) {
        BurnIn* burnIn = BurnInOf(input);
        if (burnIn && burnIn->VideoStream == static_cast<int>(&input - m_inputStreams.data())) {
            ReleaseBurned(*burnIn, input.Slot, true);
        }
    }
}

void TranscodeRun::DecodeVideo(InputStream& input, AVFrame* decoded) {
    decoded->pts = decoded->best_effort_timestamp;
    AVFrame* frame = FitToWindow(input, decoded);
    if (!frame) {
        return;
    }
    {
        std::lock_guard guard(m_pictureLock);
        if (const auto hook = m_hookStopped ? nullptr : m_task.OnCustomHook()) {
            RunCustomHook(hook, frame, input.Stream);
        }
        ++m_pictureCount;
    }
    BurnIn* burnIn = BurnInOf(input);
    if (burnIn && burnIn->VideoStream == static_cast<int>(&input - m_inputStreams.data())) {
        burnIn->Burner.Hold(*frame, frame->pts == AV_NOPTS_VALUE
                                        ? AV_NOPTS_VALUE
                                        : av_rescale_q(frame->pts, input.Stream->time_base,
                                                       AVRational{1, AV_TIME_BASE}));
        return;
    }
    FeedOutputs(input, frame);
}

void TranscodeRun::DecodeAudio(InputStream& input, AVFrame* decoded) {
    decoded->pts = decoded->best_effort_timestamp;
    if (AVFrame* frame = FitToWindow(input, decoded)) {
        FeedOutputs(input, frame);
    }
}

void TranscodeRun::FeedOutputs(InputStream& input, AVFrame* frame) {
    const int index = static_cast<int>(&input - m_inputStreams.data());
    for (int o : input.Outputs) {
        OutputStream& output = *m_outputStreams[static_cast<std::size_t>(o)];
        if (output.Copy || output.Finished ||
            output.Sources[static_cast<std::size_t>(CurrentGroup())] != index) {
            continue;
        }
        FilterStep(output, input.Slot, frame, input);
    }
}

void TranscodeRun::DecodeSubtitle(InputStream& input, const AVPacket* packet) {
    if (!packet) {
        return;
    }
    BurnIn* burnIn = BurnInOf(input);
    if (burnIn && burnIn->SubtitleStream != static_cast<int>(&input - m_inputStreams.data())) {
        burnIn = nullptr;
    }
    // A sub-picture split over packets is timed by its first one, the one with a time.
    if (burnIn && packet->pts != AV_NOPTS_VALUE) {
        burnIn->PendingPts = packet->pts;
    }
    OwnedSubtitle subtitle;
    int got = 0;
    if (avcodec_decode_subtitle2(input.Decoder.get(), subtitle.get(), &got,
                                 const_cast<AVPacket*>(packet)) < 0) {
        Raise(Format("Error while decoding stream #%d.%d (%s)", input.File, input.Stream->index,
                     "subtitle"));
        return;
    }
    if (!got) {
        return;
    }
    if (burnIn) {
        const std::int64_t pts = std::exchange(burnIn->PendingPts, AV_NOPTS_VALUE);
        if (pts != AV_NOPTS_VALUE) {
            burnIn->Burner.Show(*subtitle.get(), av_rescale_q(pts, input.Stream->time_base,
                                                              AVRational{1, AV_TIME_BASE}));
        }
        return;
    }
    if (packet->pts == AV_NOPTS_VALUE) {
        Raise("Subtitle packets must have a pts");
        return;
    }
    subtitle->pts = av_rescale_q(packet->pts, input.Stream->time_base, AVRational{1, AV_TIME_BASE});
    for (int o : input.Outputs) {
        OutputStream& output = *m_outputStreams[static_cast<std::size_t>(o)];
        if (output.Copy || !output.Encoder || output.Finished) {
            continue;
        }
        std::vector<std::uint8_t> buffer(1024 * 1024);
        const int size = avcodec_encode_subtitle(output.Encoder.get(), buffer.data(),
                                                 static_cast<int>(buffer.size()), subtitle.get());
        if (size < 0) {
            throw EngineError("Subtitle encoding failed");
        }
        AVPtr<AVPacket> owned = MakePacket();
        AVPacket* encoded = owned.get();
        if (!encoded || av_new_packet(encoded, size) < 0) {
            throw EngineError("Subtitle encoding failed");
        }
        std::memcpy(encoded->data, buffer.data(), static_cast<std::size_t>(size));
        encoded->pts = encoded->dts = subtitle->pts + subtitle->start_display_time * 1000LL;
        encoded->duration = (subtitle->end_display_time - subtitle->start_display_time) * 1000LL;
        encoded->time_base = AVRational{1, AV_TIME_BASE};
        HandToMuxer(output, input.Slot, std::move(owned));
    }
}

}  // namespace mw
