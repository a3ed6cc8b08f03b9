#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/transcode/MuxOrder.h"
#include "engine/transcode/StageThread.h"

namespace mw {

// The threads of a transcode's stages: a decoder per decoded input stream (when decoding
// leaves the loop's thread), a filter stage and an encoder per encoded output stream, and
// the muxer with the order it writes in. Each stage's queue holds a few jobs only.
class StageSet {
public:
    // `encoded` tells, per output stream, whether it has filter and encoder stages.
    StageSet(std::size_t inputs, const std::vector<bool>& encoded, bool decodeThreads);
    // Stops the stages from the first to the last, so that none waits on one that ended.
    ~StageSet();
    StageSet(const StageSet&) = delete;
    StageSet& operator=(const StageSet&) = delete;

    MuxOrder& Order() { return m_order; }
    bool DecodeThreads() const { return m_decodeThreads; }
    // The stage's thread; null where the stage runs in its caller's thread. A decoder's
    // thread starts when it is first asked for, from the loop's thread only.
    StageThread* Decoder(std::size_t input);
    StageThread* Filter(std::size_t output) const { return m_filters[output].get(); }
    StageThread* Encoder(std::size_t output) const { return m_encoders[output].get(); }
    // Waits until the decoders, then the filter stages, have run what they were handed.
    void SettleDecoders();
    void SettleFilters();
    // Joins an input's decoder once its file is done (a join's earlier inputs).
    void FinishDecoder(std::size_t input);
    // Lets every stage run what it was handed, joins them in order; raises the first error.
    void Finish();
    // Drops what the stages were handed and joins them, from the first to the last. Their
    // jobs may still reach the run's stages while this runs.
    void Stop();

private:
    std::unique_ptr<StageThread> MakeStage(const char* name);

    MuxOrder m_order;
    const bool m_decodeThreads;
    std::vector<std::unique_ptr<StageThread>> m_decoders;
    std::vector<std::unique_ptr<StageThread>> m_filters;
    std::vector<std::unique_ptr<StageThread>> m_encoders;
};

}  // namespace mw
