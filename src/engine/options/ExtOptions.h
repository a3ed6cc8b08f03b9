#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mw {

// The groups the lines of an option text fall into; each is applied at its own moment.
enum class OptionGroup { NewStreams, Presets, CodecNames, FrameSize, Filters, Other };

struct OptionLine {
    std::string Name;  // lower-cased
    std::string Value;
};

// The lines of an option text: the text is trimmed, CR LF, CR and "<CRLF>" end lines like
// LF, each line splits at its first "=" (a line without one has an empty value).
std::vector<OptionLine> ParseExtOptions(std::string_view text);

OptionGroup GroupOf(std::string_view name);

}  // namespace mw
