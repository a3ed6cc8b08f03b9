#include "TranscodeRun.h"

#include <cmath>
#include <limits>
#include <thread>

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/files/OutputPlacement.h"

namespace mw {

int TranscodeRun::ChooseInput(bool& finished) {
    finished = false;
    int chosen = -1;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    bool anyOpen = false;
    for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
        // (Without a limit the count is not read: it is the filter stage's.)
        if (output->Plan->MaxFrames != kUnlimited &&
            output->FramesWritten >= output->Plan->MaxFrames) {
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
        // With stages on threads of their own there is one input to choose, or the join's
        // current one: the muxer's times are not read while it writes.
        std::int64_t time = m_settings.InputSync ? input.NextDts
                            : m_stages           ? 0
                                                 : output->LastTime;
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
    StartStages();
    try {
        while (!m_task.StopRequested() && Pass()) {
        }
        FinishLoop();
    } catch (...) {
        // No job may write into the files while the task cleans up after the error.
        StopStages();
        throw;
    }
}

void TranscodeRun::FinishLoop() {
    for (InputStream& input : m_inputStreams) {
        FlushDecoder(input);
    }
    // The graphs take the flushed frames first, the encoders the drained ones.
    SettleStages();
    for (std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (!output->Copy) {
            const MuxOrder::SlotPtr step = OpenStep();
            FilterStep(*output, step, [this, &output] { DrainGraph(*output, true); });
            CloseStep(step);
        }
    }
    FlushEncoders();
    FinishStages();
    for (std::size_t f = 0; f < m_muxers.size(); ++f) {
        const int written = av_write_trailer(m_muxers[f]);
        if (written < 0) {
            throw EngineError(WriteErrorText(m_task.m_outputs[f]->FileName, written));
        }
    }
    Report(true);
}

bool TranscodeRun::Pass() {
    if (m_stages) {
        DeliverMadeReports();
    }
    bool finished = false;
    const int file = ChooseInput(finished);
    if (finished) {
        return false;
    }
    if (file < 0) {
        return RetryWaitingInputs();
    }
    const TCustomFFmpeg::OutputFile& firstOutput = *m_task.m_outputs.front();
    if (firstOutput.LimitFileSize > 0 && m_muxers.front()->pb &&
        avio_tell(m_muxers.front()->pb) >= firstOutput.LimitFileSize) {
        return false;
    }
    AVFormatContext* context = m_task.InputContext(file);
    const int read = av_read_frame(context, m_packet.get());
    if (read == AVERROR(EAGAIN)) {
        m_fileStates[static_cast<std::size_t>(file)].NoPacket = true;
        return true;
    }
    if (read < 0) {
        EndOfInput(file);
        return !((!m_joined && m_settings.Shortest) || (m_joined && m_fileStates.back().Ended));
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
        return true;
    }
    InputStream& input = m_inputStreams[static_cast<std::size_t>(
        m_fileStreamBase[static_cast<std::size_t>(file)] + packet->stream_index)];
    if (!input.Used || input.Stream->discard == AVDISCARD_ALL || !FixTimestamps(input, packet)) {
        return true;
    }
    BurnIn* burnIn = BurnInOf(input);
    if (burnIn && packet->dts != AV_NOPTS_VALUE) {
        burnIn->Burner.ReadUntil(
            av_rescale_q(packet->dts, input.Stream->time_base, AVRational{1, AV_TIME_BASE}));
    }
    const MuxOrder::SlotPtr step = OpenStep();
    ProcessPacket(input, packet, step);
    if (burnIn) {
        ReleaseBurned(*burnIn, step, false);
    }
    CloseStep(step);
    if (Now() - m_lastReport >= m_task.m_progressInterval) {
        Report(false);
    }
    return true;
}

bool TranscodeRun::RetryWaitingInputs() {
    bool anyNoPacket = false;
    for (InputFileState& state : m_fileStates) {
        anyNoPacket = anyNoPacket || state.NoPacket;
    }
    if (m_joined || !anyNoPacket) {
        return false;
    }
    for (InputFileState& state : m_fileStates) {
        state.NoPacket = false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

bool TranscodeRun::FixTimestamps(InputStream& input, AVPacket* packet) {
    const std::size_t file = static_cast<std::size_t>(input.File);
    InputFileState& state = m_fileStates[file];
    const TCustomFFmpeg::InputFile& inputFile = m_task.m_inputs[file];
    const AVRational timeBase = input.Stream->time_base;
    const std::int64_t offset = av_rescale_q(state.TsOffset, AVRational{1, AV_TIME_BASE}, timeBase);
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
        (inputFile.Context->iformat->flags & AVFMT_TS_DISCONT) && !m_settings.CopyTs) {
        const std::int64_t dts = av_rescale_q(packet->dts, timeBase, AVRational{1, AV_TIME_BASE});
        const std::int64_t delta = dts - input.NextDts;
        if (std::llabs(delta) >
                static_cast<std::int64_t>(m_settings.DtsDeltaThreshold * AV_TIME_BASE) ||
            dts < input.NextDts - AV_TIME_BASE / 10) {
            state.TsOffset -= delta;
            const std::int64_t shift = av_rescale_q(delta, AVRational{1, AV_TIME_BASE}, timeBase);
            packet->dts -= shift;
            if (packet->pts != AV_NOPTS_VALUE) {
                packet->pts -= shift;
            }
            if (m_settings.Verbosity > 2) {
                m_task.Log(llVerbose, Format("timestamp discontinuity %lld, new offset= %lld",
                                             static_cast<long long>(delta),
                                             static_cast<long long>(state.TsOffset)));
            }
        }
    }
    const std::int64_t packetTime = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (packetTime != AV_NOPTS_VALUE) {
        const std::int64_t end =
            av_rescale_q(packetTime + packet->duration, timeBase, AVRational{1, AV_TIME_BASE});
        state.End = state.End == AV_NOPTS_VALUE ? end : std::max(state.End, end);
    }
    const TCustomFFmpeg::OutputFile& output = *m_task.m_outputs.front();
    if (output.RecordingTime != kUnlimited && packet->dts != AV_NOPTS_VALUE &&
        av_rescale_q(packet->dts, timeBase, AVRational{1, AV_TIME_BASE}) >=
            output.RecordingTime + output.StartTime) {
        input.PastRecordingTime = true;
        return false;
    }
    return true;
}

void TranscodeRun::EndOfInput(int file) {
    m_fileStates[static_cast<std::size_t>(file)].Ended = true;
    const int first = m_fileStreamBase[static_cast<std::size_t>(file)];
    const int count = static_cast<int>(m_task.InputContext(file)->nb_streams);
    for (int i = first; i < first + count; ++i) {
        FlushInput(i);
        if (m_stages && m_joined) {
            m_stages->FinishDecoder(static_cast<std::size_t>(i));
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
        end = m_fileStates[static_cast<std::size_t>(file)].TsOffset + start + context->duration;
    }
    if (end == AV_NOPTS_VALUE) {
        SettleMuxer();
        end = 0;
        for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
            if (output->LastTime != AV_NOPTS_VALUE) {
                end = std::max(end, output->LastTime);
            }
        }
    }
    // The stages read the current input (its group, its shape) as they work.
    SettleStages();
    ++m_currentFile;
    m_fileStates[static_cast<std::size_t>(m_currentFile)].TsOffset += end;
}

}  // namespace mw
