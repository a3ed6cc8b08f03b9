#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/AVPtr.h"
#include "engine/options/LegacyOptions.h"

namespace mw {

// An ordered list of options where setting a name again replaces its value in place.
class OptionList {
public:
    void Set(std::string_view name, std::string_view value);
    const std::vector<NamedOption>& Entries() const { return m_entries; }
    bool Empty() const { return m_entries.empty(); }
    void Clear() { m_entries.clear(); }

private:
    std::vector<NamedOption> m_entries;
};

// The fall-through of the option dispatcher: names the libraries know. A name is checked
// against the generic codec options of each media type, the private options of the encoder
// a stream of that type will use, the generic muxer options and the scaler options; the
// value is checked at once and remembered for the moment the real codec, muxer or scaler
// is set up. Old x264 option names are mapped to their current equivalents first.
class LibraryOptions {
public:
    enum class Result { Set, Invalid, Unknown };

    // The encoder a media type's next stream will use, when known ("libx264"), else empty.
    using PendingEncoder = std::function<std::string(AVMediaType)>;

    LibraryOptions();

    Result Set(std::string_view name, std::string_view value, const PendingEncoder& pending);

    // Options for an encoder of a media type: what was set for that type, plus the names no
    // context knew at the time (the encoder's private options may know them).
    const OptionList& Codec(AVMediaType type) const;
    const OptionList& Format() const { return m_format; }
    const OptionList& Scaler() const { return m_scaler; }
    const OptionList& Deferred() const { return m_deferred; }

    // The bit rate the option context of a media type holds.
    std::int64_t BitRate(AVMediaType type) const;
    // Whether a "debug" option of codec or muxer was set.
    bool DebugRequested() const { return m_debugRequested; }

    void Clear();

private:
    Result SetOne(const std::string& name, const std::string& value, const PendingEncoder& pending);
    Result SetInCodecType(int typeIndex, const std::string& name, const std::string& value,
                          const PendingEncoder& pending, bool& found);
    AVCodecContext* ScratchEncoder(const std::string& name);

    std::array<AVPtr<AVCodecContext>, 5> m_codecContexts;
    std::array<OptionList, 5> m_codec;
    AVPtr<AVFormatContext> m_formatContext;
    OptionList m_format;
    // Made when the first scaler option is set: a scaler context is large, and a long batch
    // holds the options of every queued task.
    AVPtr<SwsContext> m_scalerContext;
    OptionList m_scaler;
    OptionList m_deferred;
    std::map<std::string, AVPtr<AVCodecContext>> m_scratchEncoders;
    LegacyOptionState m_legacy;
    bool m_debugRequested = false;
};

// Sets each option on an object with AVOptions (searching its children, such as a codec's
// private options); names the object does not know are skipped, invalid values are logged.
void ApplyOptions(void* object, const std::vector<NamedOption>& options, bool logInvalid);

}  // namespace mw
