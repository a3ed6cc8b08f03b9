#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

extern "C" {
#include <libavutil/time.h>
}

#include "AVError.h"
#include "EngineError.h"
#include "OutputPlacement.h"
#include "TranscodeRun.h"

namespace mw {

namespace {

const char* TypeText(AVMediaType type) {
    const char* text = av_get_media_type_string(type);
    return text ? text : "unknown";
}

}  // namespace

int TranscodeRun::ChooseInput(bool& finished) {
    finished = false;
    int chosen = -1;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    bool anyOpen = false;
    for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (output->FramesWritten >= output->Plan->MaxFrames) {
            if (!m_joined || output->OutputFile == 0) {
                finished = true;
                return -1;
            }
        }
        if (output->Finished) {
            continue;
        }
        anyOpen = true;
        const int source = output->Sources[static_cast<std::size_t>(CurrentGroup())];
        const InputStream& input = m_inputStreams[static_cast<std::size_t>(source)];
        if (m_joined) {
            return m_currentFile;
        }
        const InputFileState& state = m_fileStates[static_cast<std::size_t>(input.File)];
        if (state.Ended || state.NoPacket) {
            continue;
        }
        std::int64_t time = m_settings.InputSync ? input.NextDts : output->LastTime;
        if (time == AV_NOPTS_VALUE) {
            time = std::numeric_limits<std::int64_t>::min();
        }
        if (chosen < 0 || time < best) {
            best = time;
            chosen = input.File;
        }
    }
    if (!anyOpen) {
        finished = true;
    }
    return chosen;
}

void TranscodeRun::Loop() {
    bool endLoop = false;
    while (!m_task.StopRequested() && !endLoop) {
        bool finished = false;
        const int file = ChooseInput(finished);
        if (finished) {
            break;
        }
        if (file < 0) {
            bool anyNoPacket = false;
            for (InputFileState& state : m_fileStates) {
                anyNoPacket = anyNoPacket || state.NoPacket;
            }
            if (m_joined || !anyNoPacket) {
                break;
            }
            for (InputFileState& state : m_fileStates) {
                state.NoPacket = false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        const TCustomFFmpeg::OutputFile& firstOutput = *m_task.m_outputs.front();
        if (firstOutput.LimitFileSize > 0 && m_muxers.front()->pb &&
            avio_tell(m_muxers.front()->pb) >= firstOutput.LimitFileSize) {
            break;
        }
        AVFormatContext* context = m_task.InputContext(file);
        const int read = av_read_frame(context, m_packet.get());
        if (read == AVERROR(EAGAIN)) {
            m_fileStates[static_cast<std::size_t>(file)].NoPacket = true;
            continue;
        }
        if (read < 0) {
            EndOfInput(file);
            if ((!m_joined && m_settings.Shortest) || (m_joined && m_fileStates.back().Ended)) {
                endLoop = true;
            }
            continue;
        }
        for (InputFileState& state : m_fileStates) {
            state.NoPacket = false;
        }
        PacketUnref unref(m_packet.get());
        AVPacket* packet = m_packet.get();
        if (m_settings.PacketDump) {
            av_pkt_dump_log2(nullptr, AV_LOG_INFO, packet, m_settings.HexDump,
                             context->streams[packet->stream_index]);
        }
        if (packet->stream_index >= static_cast<int>(context->nb_streams)) {
            continue;
        }
        InputStream& input = m_inputStreams[static_cast<std::size_t>(
            m_fileStreamBase[static_cast<std::size_t>(file)] + packet->stream_index)];
        if (!input.Used || input.Stream->discard == AVDISCARD_ALL) {
            continue;
        }
        TCustomFFmpeg::InputFile& inputFile = m_task.m_inputs[static_cast<std::size_t>(file)];
        const AVRational timeBase = input.Stream->time_base;
        const std::int64_t offset =
            av_rescale_q(inputFile.TsOffset, AVRational{1, AV_TIME_BASE}, timeBase);
        if (packet->dts != AV_NOPTS_VALUE) {
            packet->dts += offset;
        }
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts += offset;
        }
        if (auto scale = inputFile.TsScale.find(packet->stream_index);
            scale != inputFile.TsScale.end()) {
            if (packet->dts != AV_NOPTS_VALUE) {
                packet->dts = std::llround(static_cast<double>(packet->dts) * scale->second);
            }
            if (packet->pts != AV_NOPTS_VALUE) {
                packet->pts = std::llround(static_cast<double>(packet->pts) * scale->second);
            }
        }
        // A jump in the time stamps of a container that allows them moves the file's offset.
        if (packet->dts != AV_NOPTS_VALUE && input.NextDts != AV_NOPTS_VALUE &&
            (context->iformat->flags & AVFMT_TS_DISCONT) && !m_settings.CopyTs) {
            const std::int64_t dts =
                av_rescale_q(packet->dts, timeBase, AVRational{1, AV_TIME_BASE});
            const std::int64_t delta = dts - input.NextDts;
            if (std::llabs(delta) >
                    static_cast<std::int64_t>(m_settings.DtsDeltaThreshold * AV_TIME_BASE) ||
                dts < input.NextDts - AV_TIME_BASE / 10) {
                inputFile.TsOffset -= delta;
                const std::int64_t shift =
                    av_rescale_q(delta, AVRational{1, AV_TIME_BASE}, timeBase);
                packet->dts -= shift;
                if (packet->pts != AV_NOPTS_VALUE) {
                    packet->pts -= shift;
                }
                if (m_settings.Verbosity > 2) {
                    m_task.Log(llVerbose, Format("timestamp discontinuity %lld, new offset= %lld",
                                                 static_cast<long long>(delta),
                                                 static_cast<long long>(inputFile.TsOffset)));
                }
            }
        }
        const std::int64_t packetTime = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (packetTime != AV_NOPTS_VALUE) {
            std::int64_t& fileEnd = m_fileStates[static_cast<std::size_t>(file)].End;
            const std::int64_t end =
                av_rescale_q(packetTime + packet->duration, timeBase, AVRational{1, AV_TIME_BASE});
            fileEnd = fileEnd == AV_NOPTS_VALUE ? end : std::max(fileEnd, end);
        }
        const TCustomFFmpeg::OutputFile& output = *m_task.m_outputs.front();
        if (output.RecordingTime != kUnlimited && packet->dts != AV_NOPTS_VALUE &&
            av_rescale_q(packet->dts, timeBase, AVRational{1, AV_TIME_BASE}) >=
                output.RecordingTime + output.StartTime) {
            input.PastRecordingTime = true;
            continue;
        }
        ProcessPacket(input, packet);
        if (Now() - m_lastReport >= m_task.m_progressInterval) {
            Report(false);
        }
    }
    for (InputStream& input : m_inputStreams) {
        if (input.DecodingNeeded && !input.Flushed) {
            input.Flushed = true;
            ProcessPacket(input, nullptr);
        }
    }
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (!output->Copy) {
            DrainGraph(*output, true);
        }
    }
    FlushEncoders();
    for (std::size_t f = 0; f < m_muxers.size(); ++f) {
        const int written = av_write_trailer(m_muxers[f]);
        if (written < 0) {
            throw EngineError(WriteErrorText(m_task.m_outputs[f]->FileName, written));
        }
    }
    Report(true);
}

void TranscodeRun::EndOfInput(int file) {
    m_fileStates[static_cast<std::size_t>(file)].Ended = true;
    const int first = m_fileStreamBase[static_cast<std::size_t>(file)];
    const int count = static_cast<int>(m_task.InputContext(file)->nb_streams);
    for (int i = first; i < first + count; ++i) {
        InputStream& input = m_inputStreams[static_cast<std::size_t>(i)];
        if (input.DecodingNeeded && !input.Flushed) {
            input.Flushed = true;
            ProcessPacket(input, nullptr);
        }
        for (int o : input.Outputs) {
            OutputStream& output = *m_outputStreams[static_cast<std::size_t>(o)];
            if (!output.Copy && output.GraphInput == i) {
                DrainGraph(output, true);
            }
        }
    }
    if (!m_joined || file != m_currentFile || file + 1 >= m_task.InputCount()) {
        return;
    }
    // The next input continues where this one ended: where its container says it ends,
    // else at the end of its latest packet. (The output streams' own times would add up
    // a frame of rounding, and audio packets their padding, at every seam.)
    const AVFormatContext* context = m_task.InputContext(file);
    std::int64_t end = m_fileStates[static_cast<std::size_t>(file)].End;
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
        const std::int64_t start = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
        end = m_task.m_inputs[static_cast<std::size_t>(file)].TsOffset + start + context->duration;
    }
    if (end == AV_NOPTS_VALUE) {
        end = 0;
        for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
            if (output->LastTime != AV_NOPTS_VALUE) {
                end = std::max(end, output->LastTime);
            }
        }
    }
    ++m_currentFile;
    TCustomFFmpeg::InputFile& next = m_task.m_inputs[static_cast<std::size_t>(m_currentFile)];
    next.TsOffset += end;
}

void TranscodeRun::ProcessPacket(InputStream& input, const AVPacket* packet) {
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
        const AVMediaType type = input.Stream->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_SUBTITLE) {
            DecodeSubtitle(input, packet);
        } else {
            const int sent = avcodec_send_packet(input.Decoder.get(), packet);
            if (sent < 0 && sent != AVERROR_EOF) {
                Raise(Format("Error while decoding stream #%d.%d (%s)", input.File,
                             input.Stream->index, TypeText(type)));
            }
            for (;;) {
                const int received = avcodec_receive_frame(input.Decoder.get(), m_frame.get());
                if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
                    break;
                }
                if (received < 0) {
                    Raise(Format("Error while decoding stream #%d.%d (%s)", input.File,
                                 input.Stream->index, TypeText(type)));
                    break;
                }
                if (type == AVMEDIA_TYPE_VIDEO) {
                    DecodeVideo(input, m_frame.get());
                } else if (type == AVMEDIA_TYPE_AUDIO) {
                    DecodeAudio(input, m_frame.get());
                }
                av_frame_unref(m_frame.get());
            }
        }
    }
    if (!packet) {
        return;
    }
    for (int o : input.Outputs) {
        OutputStream& output = *m_outputStreams[static_cast<std::size_t>(o)];
        if (output.Copy) {
            CopyPacket(input, output, packet);
        }
    }
}

void TranscodeRun::DecodeSubtitle(InputStream& input, const AVPacket* packet) {
    if (!packet) {
        return;
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
        AVPacket* encoded = m_encoded.get();
        if (av_new_packet(encoded, size) < 0) {
            throw EngineError("Subtitle encoding failed");
        }
        std::memcpy(encoded->data, buffer.data(), static_cast<std::size_t>(size));
        encoded->pts = encoded->dts = subtitle->pts + subtitle->start_display_time * 1000LL;
        encoded->duration = (subtitle->end_display_time - subtitle->start_display_time) * 1000LL;
        encoded->time_base = AVRational{1, AV_TIME_BASE};
        WritePacket(output, encoded);
    }
}

void TranscodeRun::CopyPacket(InputStream& input, OutputStream& output, const AVPacket* packet) {
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
    AVPacket* copy = m_encoded.get();
    if (av_packet_ref(copy, packet) < 0) {
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
    WritePacket(output, copy);
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

void TranscodeRun::FlushEncoders() {
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (output->Encoder && output->Plan->Type != AVMEDIA_TYPE_SUBTITLE) {
            SendToEncoder(*output, nullptr);
        }
    }
}

}  // namespace mw
