#include "engine/options/OutputFields.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "core/Ini.h"

namespace mw {

namespace {

using Field =
    std::variant<std::string TOutputOptions::*, std::int32_t TOutputOptions::*,
                 std::uint32_t TOutputOptions::*, std::int64_t TOutputOptions::*,
                 float TOutputOptions::*, bool TOutputOptions::*, std::string TStreamInfo::*,
                 std::int32_t TStreamInfo::*, double TStreamInfo::*>;

struct NamedField {
    std::string_view Name;
    Field Member;
};

#define MW_FIELD(name)               \
    NamedField {                     \
#name, &TOutputOptions::name \
    }
#define MW_META(name)             \
    NamedField {                  \
#name, &TStreamInfo::name \
    }

const NamedField kFields[] = {
    MW_FIELD(FileExt),
    MW_FIELD(FileFormat),
    MW_FIELD(PacketSize),
    MW_FIELD(MuxRate),
    MW_FIELD(MuxDelay),
    MW_FIELD(MuxPreload),
    MW_FIELD(AudioCodec),
    MW_FIELD(AudioPreset),
    MW_FIELD(DisableAudio),
    MW_FIELD(AudioVolume),
    MW_FIELD(AudioChannels),
    MW_FIELD(AudioSampleRate),
    MW_FIELD(AudioBitRate),
    MW_FIELD(AudioBitRateTolerance),
    MW_FIELD(AudioLanguage),
    MW_FIELD(AudioSync),
    MW_FIELD(AudioTag),
    MW_FIELD(VideoCodec),
    MW_FIELD(VideoPreset),
    MW_FIELD(DisableVideo),
    MW_FIELD(FrameRate),
    MW_FIELD(FrameSize),
    MW_FIELD(AspectRatio),
    MW_FIELD(CropTop),
    MW_FIELD(CropBottom),
    MW_FIELD(CropLeft),
    MW_FIELD(CropRight),
    MW_FIELD(PadTop),
    MW_FIELD(PadBottom),
    MW_FIELD(PadLeft),
    MW_FIELD(PadRight),
    MW_FIELD(PadColor),
    MW_FIELD(GOPSize),
    MW_FIELD(VideoBitRate),
    MW_FIELD(MaxRate),
    MW_FIELD(MinRate),
    MW_FIELD(VideoBitRateTolerance),
    MW_FIELD(BufferSize),
    MW_FIELD(VideoSync),
    MW_FIELD(VideoTag),
    MW_FIELD(VideoFilters),
    MW_FIELD(VideoLanguage),
    MW_FIELD(SubtitleCodec),
    MW_FIELD(SubtitlePreset),
    MW_FIELD(DisableSubtitle),
    MW_FIELD(SubtitleLanguage),
    MW_FIELD(InputSync),
    MW_FIELD(CopyTimestamps),
    MW_FIELD(StartTime),
    MW_FIELD(RecordingTime),
    MW_FIELD(TargetType),
    MW_FIELD(TargetNorm),
    MW_FIELD(TargetDefaultNorm),
    MW_FIELD(CustomHook),
    MW_FIELD(Join),
    MW_FIELD(ExtOptions),
    MW_META(Timestamp),
    MW_META(Year),
    MW_META(Track),
    MW_META(Title),
    MW_META(Author),
    MW_META(Copyright),
    MW_META(Comment),
    MW_META(Album),
    MW_META(Genre),
};

#undef MW_FIELD
#undef MW_META

bool ParseNumber(std::string_view text, long long& value) {
    const std::string copy(text);
    if (const std::optional<int> small = ParseIniInteger(copy)) {
        value = *small;
        return true;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(copy.c_str(), &end, 10);
    return !copy.empty() && *end == '\0' && errno == 0;
}

bool ParseReal(std::string_view text, double& value) {
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && *end == '\0';
}

template <typename Value>
std::string Text(const Value& value) {
    if constexpr (std::is_same_v<Value, std::string>) {
        return value;
    } else if constexpr (std::is_same_v<Value, bool>) {
        return value ? "1" : "0";
    } else if constexpr (std::is_floating_point_v<Value>) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
        return text;
    } else {
        return std::to_string(value);
    }
}

}  // namespace

std::vector<OutputFieldValue> ChangedOutputFields(const TOutputOptions& options) {
    const TOutputOptions defaults;
    std::vector<OutputFieldValue> changed;
    for (const NamedField& field : kFields) {
        std::visit(
            [&](auto member) {
                using Member = decltype(member);
                if constexpr (std::is_member_object_pointer_v<Member> &&
                              std::is_same_v<Member, std::string TStreamInfo::*>) {
                    if (options.Metadata.*member != defaults.Metadata.*member) {
                        changed.push_back(
                            {std::string(field.Name), Text(options.Metadata.*member), false});
                    }
                } else if constexpr (std::is_same_v<Member, std::int32_t TStreamInfo::*> ||
                                     std::is_same_v<Member, double TStreamInfo::*>) {
                    if (options.Metadata.*member != defaults.Metadata.*member) {
                        changed.push_back(
                            {std::string(field.Name), Text(options.Metadata.*member), true});
                    }
                } else {
                    if (options.*member != defaults.*member) {
                        using Value = std::remove_cvref_t<decltype(options.*member)>;
                        changed.push_back({std::string(field.Name), Text(options.*member),
                                           !std::is_same_v<Value, std::string>});
                    }
                }
            },
            field.Member);
    }
    return changed;
}

bool SetOutputField(TOutputOptions& options, std::string_view name, std::string_view value,
                    std::string& error) {
    for (const NamedField& field : kFields) {
        if (field.Name != name) {
            continue;
        }
        long long number = 0;
        double real = 0;
        bool ok = true;
        std::visit(
            [&](auto member) {
                using Member = decltype(member);
                if constexpr (std::is_same_v<Member, std::string TOutputOptions::*>) {
                    options.*member = std::string(value);
                } else if constexpr (std::is_same_v<Member, std::string TStreamInfo::*>) {
                    options.Metadata.*member = std::string(value);
                } else if constexpr (std::is_same_v<Member, bool TOutputOptions::*>) {
                    ok = ParseNumber(value, number);
                    options.*member = number != 0;
                } else if constexpr (std::is_same_v<Member, float TOutputOptions::*>) {
                    ok = ParseReal(value, real);
                    options.*member = static_cast<float>(real);
                } else if constexpr (std::is_same_v<Member, double TStreamInfo::*>) {
                    ok = ParseReal(value, real);
                    options.Metadata.*member = real;
                } else if constexpr (std::is_same_v<Member, std::int32_t TStreamInfo::*>) {
                    ok = ParseNumber(value, number);
                    options.Metadata.*member = static_cast<std::int32_t>(number);
                } else if constexpr (std::is_same_v<Member, std::int32_t TOutputOptions::*>) {
                    ok = ParseNumber(value, number);
                    options.*member = static_cast<std::int32_t>(number);
                } else if constexpr (std::is_same_v<Member, std::uint32_t TOutputOptions::*>) {
                    ok = ParseNumber(value, number);
                    options.*member = static_cast<std::uint32_t>(number);
                } else {
                    ok = ParseNumber(value, number);
                    options.*member = static_cast<std::int64_t>(number);
                }
            },
            field.Member);
        if (!ok) {
            error = "the field " + std::string(name) + " takes a number, not '" +
                    std::string(value) + "'";
        }
        return ok;
    }
    error = "no output field is named " + std::string(name);
    return false;
}

}  // namespace mw
