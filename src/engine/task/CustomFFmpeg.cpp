#include "engine/task/CustomFFmpeg.h"

#include <unistd.h>

#include "engine/EngineError.h"
#include "engine/codecs/EncoderNames.h"
#include "engine/files/UnicodeProtocol.h"
#include "engine/task/TaskFiles.h"
#include "engine/transcode/TranscodeRun.h"

namespace mw {

TCustomFFmpeg::TCustomFFmpeg() = default;

TCustomFFmpeg::~TCustomFFmpeg() {
    Cleanup();
}

void TCustomFFmpeg::Reset() {
    Cleanup();
    m_settings = TaskSettings{};
    m_libraryOptions.Clear();
    m_errorText.clear();
    m_writtenFiles.clear();
    m_totalDuration = -1;
    m_joined = false;
    m_stopRequested = false;
    m_finished = false;
}

void TCustomFFmpeg::Log(TLogLevel level, const std::string& text) const {
    LogEngineMessage(this, level, text);
}

bool TCustomFFmpeg::Fail(const std::string& text) {
    m_errorText = text;
    return false;
}

std::string TCustomFFmpeg::PendingEncoder(AVMediaType type) const {
    const std::string& name = type == AVMEDIA_TYPE_VIDEO      ? m_settings.VideoCodecName
                              : type == AVMEDIA_TYPE_AUDIO    ? m_settings.AudioCodecName
                              : type == AVMEDIA_TYPE_SUBTITLE ? m_settings.SubtitleCodecName
                                                              : std::string();
    return name.empty() ? name : ResolveEncoderName(name);
}

AVFormatContext* TCustomFFmpeg::InputContext(int index) const {
    return index >= 0 && index < InputCount()
               ? m_inputs[static_cast<std::size_t>(index)].Context.get()
               : nullptr;
}

void TCustomFFmpeg::SetOnProgress(std::function<void(const TProgressInfo&)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onProgress = std::move(handler);
}

void TCustomFFmpeg::SetOnCustomHook(std::function<void(THookInfo&)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onCustomHook = std::move(handler);
}

void TCustomFFmpeg::SetOnPreviewBitmap(std::function<void(const TPreviewInfo&)> handler) {
    std::lock_guard guard(m_handlerLock);
    m_onPreviewBitmap = std::move(handler);
}

std::function<void(const TProgressInfo&)> TCustomFFmpeg::OnProgress() const {
    std::lock_guard guard(m_handlerLock);
    return m_onProgress;
}

std::function<void(THookInfo&)> TCustomFFmpeg::OnCustomHook() const {
    std::lock_guard guard(m_handlerLock);
    return m_onCustomHook;
}

std::function<void(const TPreviewInfo&)> TCustomFFmpeg::OnPreviewBitmap() const {
    std::lock_guard guard(m_handlerLock);
    return m_onPreviewBitmap;
}

void TCustomFFmpeg::Run() {
    if (m_outputs.empty()) {
        throw EngineError("At least one output file must be specified");
    }
    if (m_inputs.empty()) {
        throw EngineError("At least one input file must be specified");
    }
    m_finished = false;
    m_writtenFiles.clear();
    m_run = std::make_unique<TranscodeRun>(*this);
    OpenOutputFiles();
    m_run->Prepare();
    m_run->Loop();
    const bool stopped = m_stopRequested;
    if (!stopped) {
        CommitOutputs();
    }
    m_finished = !stopped;
}

void TCustomFFmpeg::CloseCodecs() {
    m_run.reset();
}

void TCustomFFmpeg::Cleanup() {
    m_run.reset();
    for (std::unique_ptr<OutputFile>& output : m_outputs) {
        output->Context.reset();
        if (!output->TemporaryPath.empty()) {
            unlink(output->TemporaryPath.c_str());
        }
    }
    m_outputs.clear();
    m_inputs.clear();
}

}  // namespace mw
