#include "engine/transcode/StageSet.h"

namespace mw {

namespace {

// Top-level steps of the loop in flight: enough to keep every stage busy, few enough that
// the frames and packets waiting stay a handful.
constexpr std::size_t kStepsInFlight = 48;
// Jobs waiting in each stage's queue.
constexpr std::size_t kStageQueueLength = 8;

}  // namespace

StageSet::StageSet(std::size_t inputs, const std::vector<bool>& encoded, bool decodeThreads)
    : m_order(kStepsInFlight), m_decodeThreads(decodeThreads), m_decoders(inputs) {
    for (const bool stream : encoded) {
        m_filters.push_back(stream && decodeThreads ? MakeStage("mw-filter") : nullptr);
        m_encoders.push_back(stream ? MakeStage("mw-encode") : nullptr);
    }
}

StageSet::~StageSet() { Stop(); }

void StageSet::Stop() {
    m_decoders.clear();
    m_filters.clear();
    m_encoders.clear();
    m_order.Stop();
}

std::unique_ptr<StageThread> StageSet::MakeStage(const char* name) {
    return std::make_unique<StageThread>(
        name, kStageQueueLength, [this](std::exception_ptr error) { m_order.Abort(error); });
}

StageThread* StageSet::Decoder(std::size_t input) {
    if (!m_decodeThreads) {
        return nullptr;
    }
    if (!m_decoders[input]) {
        m_decoders[input] = MakeStage("mw-decode");
    }
    return m_decoders[input].get();
}

void StageSet::SettleDecoders() {
    for (std::unique_ptr<StageThread>& decoder : m_decoders) {
        if (decoder) {
            decoder->Drain();
        }
    }
}

void StageSet::SettleFilters() {
    for (std::unique_ptr<StageThread>& filter : m_filters) {
        if (filter) {
            filter->Drain();
        }
    }
}

void StageSet::FinishDecoder(std::size_t input) {
    if (m_decoders[input]) {
        m_decoders[input]->Finish();
        m_decoders[input].reset();
    }
}

void StageSet::Finish() {
    for (auto* stages : {&m_decoders, &m_filters, &m_encoders}) {
        for (std::unique_ptr<StageThread>& stage : *stages) {
            if (stage) {
                stage->Finish();
                stage.reset();
            }
        }
    }
    m_order.Finish();
}

}  // namespace mw
