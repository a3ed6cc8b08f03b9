#include "engine/options/LibraryOptions.h"

extern "C" {
#include <libavutil/opt.h>
}

#include "core/UtilFuncs.h"
#include "engine/FFmpegLogger.h"
#include "engine/codecs/EncoderNames.h"

namespace mw {

namespace {

constexpr std::array<AVMediaType, 5> kTypes = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO,
                                               AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_SUBTITLE,
                                               AVMEDIA_TYPE_ATTACHMENT};

int TypeFlag(AVMediaType type) {
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            return AV_OPT_FLAG_VIDEO_PARAM;
        case AVMEDIA_TYPE_AUDIO:
            return AV_OPT_FLAG_AUDIO_PARAM;
        case AVMEDIA_TYPE_SUBTITLE:
            return AV_OPT_FLAG_SUBTITLE_PARAM;
        default:
            return 0;
    }
}

int TypeIndex(AVMediaType type) {
    for (std::size_t i = 0; i < kTypes.size(); ++i) {
        if (kTypes[i] == type) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

void LogInvalid(const std::string& name, const std::string& value) {
    LogEngineMessage(nullptr, llError,
                     "Invalid value \"" + value + "\" for option \"" + name + "\"\n");
}

}  // namespace

void OptionList::Set(std::string_view name, std::string_view value) {
    for (NamedOption& entry : m_entries) {
        if (entry.Name == name) {
            entry.Value = std::string(value);
            return;
        }
    }
    m_entries.push_back({std::string(name), std::string(value)});
}

LibraryOptions::LibraryOptions() : m_formatContext(avformat_alloc_context()) {
    for (auto& context : m_codecContexts) {
        context.reset(avcodec_alloc_context3(nullptr));
    }
}

void LibraryOptions::Clear() {
    for (std::size_t i = 0; i < m_codecContexts.size(); ++i) {
        m_codecContexts[i].reset(avcodec_alloc_context3(nullptr));
        m_codec[i].Clear();
    }
    m_formatContext.reset(avformat_alloc_context());
    m_scalerContext.reset();
    m_format.Clear();
    m_scaler.Clear();
    m_deferred.Clear();
    m_legacy = LegacyOptionState{};
    m_debugRequested = false;
}

const OptionList& LibraryOptions::Codec(AVMediaType type) const {
    return m_codec[static_cast<std::size_t>(TypeIndex(type))];
}

std::int64_t LibraryOptions::BitRate(AVMediaType type) const {
    return m_codecContexts[static_cast<std::size_t>(TypeIndex(type))]->bit_rate;
}

AVCodecContext* LibraryOptions::ScratchEncoder(const std::string& name) {
    auto found = m_scratchEncoders.find(name);
    if (found == m_scratchEncoders.end()) {
        const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
        AVPtr<AVCodecContext> context(codec ? avcodec_alloc_context3(codec) : nullptr);
        found = m_scratchEncoders.emplace(name, std::move(context)).first;
    }
    return found->second.get();
}

LibraryOptions::Result LibraryOptions::Set(std::string_view name, std::string_view value,
                                           const PendingEncoder& pending) {
    const std::string trimmedName(Trim(name));
    const std::string trimmedValue(Trim(value));
    if (trimmedName.empty() || trimmedValue.empty()) {
        return Result::Unknown;
    }
    Result overall = Result::Unknown;
    for (const NamedOption& option : MapLegacyOption(trimmedName, trimmedValue, m_legacy)) {
        const Result result = SetOne(option.Name, option.Value, pending);
        if (result == Result::Invalid) {
            return result;
        }
        if (result == Result::Set) {
            overall = Result::Set;
        }
    }
    return overall;
}

LibraryOptions::Result LibraryOptions::SetInCodecType(int typeIndex, const std::string& name,
                                                      const std::string& value,
                                                      const PendingEncoder& pending, bool& found) {
    const AVMediaType type = kTypes[static_cast<std::size_t>(typeIndex)];
    AVCodecContext* context = m_codecContexts[static_cast<std::size_t>(typeIndex)].get();
    const int flag = TypeFlag(type);
    void* target = nullptr;
    if (flag != 0 && av_opt_find(context, name.c_str(), nullptr, flag, 0)) {
        target = context;
    } else if (const std::string encoder = pending ? pending(type) : std::string();
               !encoder.empty()) {
        AVCodecContext* scratch = ScratchEncoder(encoder);
        if (scratch && scratch->priv_data &&
            av_opt_find(scratch->priv_data, name.c_str(), nullptr, 0, 0)) {
            target = scratch->priv_data;
        }
    }
    if (!target) {
        return Result::Unknown;
    }
    found = true;
    if (av_opt_set(target, name.c_str(), value.c_str(), 0) < 0) {
        LogInvalid(name, value);
        return Result::Invalid;
    }
    m_codec[static_cast<std::size_t>(typeIndex)].Set(name, value);
    if (name == "debug") {
        m_debugRequested = true;
    }
    return Result::Set;
}

LibraryOptions::Result LibraryOptions::SetOne(const std::string& name, const std::string& value,
                                              const PendingEncoder& pending) {
    bool found = false;
    for (int i = 0; i < static_cast<int>(kTypes.size()); ++i) {
        if (SetInCodecType(i, name, value, pending, found) == Result::Invalid) {
            return Result::Invalid;
        }
    }
    if (found) {
        return Result::Set;
    }
    if (av_opt_find(m_formatContext.get(), name.c_str(), nullptr, 0, 0)) {
        if (av_opt_set(m_formatContext.get(), name.c_str(), value.c_str(), 0) < 0) {
            LogInvalid(name, value);
            return Result::Invalid;
        }
        m_format.Set(name, value);
        m_debugRequested = m_debugRequested || name == "fdebug";
        return Result::Set;
    }
    const AVClass* scalerClass = sws_get_class();
    if (av_opt_find(&scalerClass, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ)) {
        if (!m_scalerContext) {
            m_scalerContext.reset(sws_alloc_context());
        }
        if (!m_scalerContext ||
            av_opt_set(m_scalerContext.get(), name.c_str(), value.c_str(), 0) < 0) {
            LogInvalid(name, value);
            return Result::Invalid;
        }
        m_scaler.Set(name, value);
        return Result::Set;
    }
    // "ab" is "b" of the audio options, "vtag"-like names of the others likewise.
    const char prefix = name.front();
    if (name.size() > 1 && (prefix == 'a' || prefix == 'v' || prefix == 's')) {
        const int typeIndex = TypeIndex(prefix == 'a'   ? AVMEDIA_TYPE_AUDIO
                                        : prefix == 'v' ? AVMEDIA_TYPE_VIDEO
                                                        : AVMEDIA_TYPE_SUBTITLE);
        const Result result = SetInCodecType(typeIndex, name.substr(1), value, pending, found);
        if (found) {
            return result;
        }
    }
    // Private options of an encoder or muxer chosen later may know the name.
    m_deferred.Set(name, value);
    return Result::Unknown;
}

void ApplyOptions(void* object, const std::vector<NamedOption>& options, bool logInvalid) {
    for (const NamedOption& option : options) {
        if (!av_opt_find(object, option.Name.c_str(), nullptr, 0, AV_OPT_SEARCH_CHILDREN)) {
            continue;
        }
        if (av_opt_set(object, option.Name.c_str(), option.Value.c_str(), AV_OPT_SEARCH_CHILDREN) <
                0 &&
            logInvalid) {
            LogInvalid(option.Name, option.Value);
        }
    }
}

}  // namespace mw
