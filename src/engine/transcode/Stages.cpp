#include "TranscodeRun.h"

#include <algorithm>

#include "engine/EngineError.h"

namespace mw {

namespace {

std::shared_ptr<AVFrame> ShareFrame(const AVFrame* frame) {
    std::shared_ptr<AVFrame> copy(av_frame_clone(frame), [](AVFrame* f) { av_frame_free(&f); });
    if (!copy) {
        throw EngineError("Out of memory");
    }
    return copy;
}

std::shared_ptr<AVPacket> SharePacket(const AVPacket* packet) {
    std::shared_ptr<AVPacket> copy(av_packet_clone(packet),
                                   [](AVPacket* p) { av_packet_free(&p); });
    if (!copy) {
        throw EngineError("Out of memory");
    }
    return copy;
}

}  // namespace

bool TranscodeRun::StageThreadsFit() const {
    if (m_task.m_outputs.front()->LimitFileSize > 0) {
        return false;
    }
    return m_joined || m_settings.InputSync || m_task.InputCount() == 1;
}

bool TranscodeRun::DecodeThreadsFit() const {
    for (const std::unique_ptr<BurnIn>& burnIn : m_burnIns) {
        if (burnIn) {
            return false;
        }
    }
    for (const std::unique_ptr<TCustomFFmpeg::OutputFile>& file : m_task.m_outputs) {
        if (file->RecordingTime != kUnlimited) {
            return false;
        }
    }
    for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (output->Plan->MaxFrames != kUnlimited) {
            return false;
        }
    }
    return true;
}

void TranscodeRun::StartStages() {
    if (!m_task.StageThreads() || !StageThreadsFit()) {
        return;
    }
    std::vector<bool> encoded;
    for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
        encoded.push_back(!output->Copy && output->Encoder &&
                          output->Plan->Type != AVMEDIA_TYPE_SUBTITLE);
    }
    // A task that only copies packets has no work to spread: handing each packet to the
    // muxer's thread costs more than writing it.
    if (std::find(encoded.begin(), encoded.end(), true) == encoded.end()) {
        return;
    }
    m_stages = std::make_unique<StageSet>(m_inputStreams.size(), encoded, DecodeThreadsFit());
}

MuxOrder::SlotPtr TranscodeRun::OpenStep() {
    return m_stages ? m_stages->Order().Open() : nullptr;
}

void TranscodeRun::CloseStep(const MuxOrder::SlotPtr& step) {
    if (step) {
        m_stages->Order().Close(*step);
    }
}

void TranscodeRun::AtMux(const MuxOrder::SlotPtr& slot, std::function<void()> job) {
    if (!slot) {
        job();
        return;
    }
    m_stages->Order().Add(*slot, std::move(job));
}

void TranscodeRun::DecodeStep(InputStream& input, const MuxOrder::SlotPtr& slot,
                              const AVPacket* packet) {
    const std::int64_t offset = m_fileStates[static_cast<std::size_t>(input.File)].TsOffset;
    StageThread* thread =
        m_stages ? m_stages->Decoder(static_cast<std::size_t>(&input - m_inputStreams.data()))
                 : nullptr;
    if (!thread) {
        input.Slot = slot;
        input.WindowOffset = offset;
        DecodePacket(input, packet);
        return;
    }
    std::shared_ptr<AVPacket> copy = packet ? SharePacket(packet) : nullptr;
    MuxOrder::SlotPtr child = m_stages->Order().OpenChild(*slot);
    thread->Post([this, &input, child, copy, offset] {
        input.Slot = child;
        input.WindowOffset = offset;
        DecodePacket(input, copy.get());
        m_stages->Order().Close(*child);
    });
}

void TranscodeRun::FilterStep(OutputStream& output, const MuxOrder::SlotPtr& slot,
                              const AVFrame* frame, const InputStream& input) {
    if (m_stages && m_stages->Filter(output.Index)) {
        std::shared_ptr<AVFrame> copy = ShareFrame(frame);
        FilterStep(output, slot, [this, &output, &input, copy] {
            FilterFrame(output, copy.get(), input);
        });
        return;
    }
    // The frame may feed further outputs afterwards: the filter keeps it as it was given.
    FilterStep(output, slot, [this, &output, &input, frame] {
        FilterFrame(output, const_cast<AVFrame*>(frame), input);
    });
}

void TranscodeRun::FilterStep(OutputStream& output, const MuxOrder::SlotPtr& slot,
                              std::function<void()> step) {
    auto run = [this, &output, step = std::move(step)] {
        step();
        // Where the stream stands after the step, for a report made at this point.
        AtMux(output.FilterSlot,
              [&output, reached = OutputStream::Figures{output.FramesWritten, output.SyncOpts,
                                                        output.Duplicated, output.Dropped}] {
                  output.Reached = reached;
              });
    };
    StageThread* thread = m_stages ? m_stages->Filter(output.Index) : nullptr;
    if (!thread) {
        output.FilterSlot = slot;
        run();
        return;
    }
    MuxOrder::SlotPtr child = m_stages->Order().OpenChild(*slot);
    thread->Post([this, &output, child, run = std::move(run)] {
        output.FilterSlot = child;
        run();
        m_stages->Order().Close(*child);
    });
}

void TranscodeRun::HandToEncoder(OutputStream& output, const AVFrame* frame) {
    StageThread* thread = m_stages ? m_stages->Encoder(output.Index) : nullptr;
    if (!thread) {
        output.EncoderSlot = output.FilterSlot;
        SendToEncoder(output, frame);
        return;
    }
    std::shared_ptr<AVFrame> copy = frame ? ShareFrame(frame) : nullptr;
    MuxOrder::SlotPtr child = m_stages->Order().OpenChild(*output.FilterSlot);
    thread->Post([this, &output, child, copy] {
        output.EncoderSlot = child;
        SendToEncoder(output, copy.get());
        m_stages->Order().Close(*child);
    });
}

void TranscodeRun::HandToMuxer(OutputStream& output, const MuxOrder::SlotPtr& slot,
                               AVPtr<AVPacket> packet,
                               std::optional<OutputStream::Figures> reached) {
    const auto write = [this, &output, reached](AVPacket* written) {
        WritePacket(output, written);
        if (reached) {
            output.Reached = *reached;
        }
    };
    if (!slot) {
        write(packet.get());
        return;
    }
    std::shared_ptr<AVPacket> shared(std::move(packet));
    AtMux(slot, [write, shared] { write(shared.get()); });
}

void TranscodeRun::SettleStages() {
    if (m_stages) {
        m_stages->SettleDecoders();
        m_stages->SettleFilters();
    }
}

void TranscodeRun::SettleMuxer() {
    if (m_stages) {
        m_stages->Order().WaitIdle();
    }
}

void TranscodeRun::StopStages() {
    if (m_stages) {
        // The jobs still running reach the other stages through m_stages until they end.
        m_stages->Stop();
        m_stages.reset();
    }
}

void TranscodeRun::FinishStages() {
    if (m_stages) {
        m_stages->Finish();
        m_stages.reset();
        DeliverMadeReports();
    }
}

}  // namespace mw
