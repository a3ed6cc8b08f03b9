#include "engine/codecs/EncoderNames.h"

#include <array>
#include <utility>

namespace mw {

namespace {

struct Alias {
    std::string_view Name;
    std::array<std::string_view, 2> Candidates;
};

constexpr std::array<Alias, 4> kAliases = {{
    {"libfaac", {"libfdk_aac", "aac"}},
    {"libvo_aacenc", {"libfdk_aac", "aac"}},
    {"libamr_nb", {"libopencore_amrnb", "aac"}},
    {"libxvid", {"libxvid", "mpeg4"}},
}};

bool Accepts(const AVOutputFormat* format, AVCodecID id) {
    return avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) == 1;
}

}  // namespace

std::string ResolveEncoderName(std::string_view name) {
    for (const Alias& alias : kAliases) {
        if (alias.Name == name) {
            for (std::string_view candidate : alias.Candidates) {
                if (avcodec_find_encoder_by_name(std::string(candidate).c_str())) {
                    return std::string(candidate);
                }
            }
        }
    }
    return std::string(name);
}

const AVCodec* FindEncoderByName(std::string_view name) {
    return avcodec_find_encoder_by_name(ResolveEncoderName(name).c_str());
}

const AVCodec* DefaultEncoder(const AVOutputFormat* format, const std::string& fileName,
                              AVMediaType type) {
    const AVCodecID preferred = av_guess_codec(format, nullptr, fileName.c_str(), nullptr, type);
    if (preferred != AV_CODEC_ID_NONE) {
        if (const AVCodec* codec = avcodec_find_encoder(preferred)) {
            return codec;
        }
    }
    void* state = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&state)) {
        if (av_codec_is_encoder(codec) && codec->type == type &&
            !(codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && Accepts(format, codec->id)) {
            return codec;
        }
    }
    return nullptr;
}

}  // namespace mw
