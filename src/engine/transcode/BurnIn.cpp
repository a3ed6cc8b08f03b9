#include "TranscodeRun.h"

namespace mw {

void TranscodeRun::SetUpBurnIn() {
    m_burnIns.resize(static_cast<std::size_t>(m_task.InputCount()));
    for (int file = 0; file < m_task.InputCount(); ++file) {
        const int burnStream = m_task.m_inputs[static_cast<std::size_t>(file)].BurnStream;
        if (burnStream < 0) {
            continue;
        }
        const int base = m_fileStreamBase[static_cast<std::size_t>(file)];
        int video = -1;
        for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
            if (output->Copy || output->Plan->Type != AVMEDIA_TYPE_VIDEO) {
                continue;
            }
            for (int source : output->Sources) {
                if (m_inputStreams[static_cast<std::size_t>(source)].File == file) {
                    video = source;
                }
            }
        }
        if (video < 0) {
            continue;
        }
        auto burnIn = std::make_unique<BurnIn>();
        burnIn->SubtitleStream = base + burnStream;
        burnIn->VideoStream = video;
        InputStream& subtitle = m_inputStreams[static_cast<std::size_t>(burnIn->SubtitleStream)];
        subtitle.Used = true;
        subtitle.DecodingNeeded = true;
        m_burnIns[static_cast<std::size_t>(file)] = std::move(burnIn);
    }
}

TranscodeRun::BurnIn* TranscodeRun::BurnInOf(const InputStream& input) {
    const std::size_t file = static_cast<std::size_t>(input.File);
    return file < m_burnIns.size() ? m_burnIns[file].get() : nullptr;
}

void TranscodeRun::ReleaseBurned(BurnIn& burnIn, const MuxOrder::SlotPtr& slot,
                                 bool inputEnded) {
    InputStream& video = m_inputStreams[static_cast<std::size_t>(burnIn.VideoStream)];
    video.Slot = slot;
    while (AVPtr<AVFrame> frame = burnIn.Burner.Next(inputEnded)) {
        FeedOutputs(video, frame.get());
    }
}

}  // namespace mw
