#include "engine/options/ExtOptions.h"

#include "core/UtilFuncs.h"

namespace mw {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimControls(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankOrControl(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::vector<OptionLine> ParseExtOptions(std::string_view text) {
    text = TrimControls(text);
    std::vector<OptionLine> lines;
    if (text.empty()) {
        return lines;
    }
    std::string normalised;
    normalised.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            normalised += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else if (text.substr(i, 6) == "<CRLF>") {
            normalised += '\n';
            i += 5;
        } else {
            normalised += text[i];
        }
    }
    std::size_t start = 0;
    while (start <= normalised.size()) {
        std::size_t end = normalised.find('\n', start);
        if (end == std::string::npos) {
            end = normalised.size();
        }
        const std::string_view line = std::string_view(normalised).substr(start, end - start);
        const std::size_t equals = line.find('=');
        OptionLine option;
        option.Name = LowerCase(line.substr(0, equals));
        if (equals != std::string_view::npos) {
            option.Value = std::string(line.substr(equals + 1));
        }
        lines.push_back(std::move(option));
        start = end + 1;
    }
    return lines;
}

OptionGroup GroupOf(std::string_view name) {
    if (name == "newvideo" || name == "newaudio" || name == "newsubtitle") {
        return OptionGroup::NewStreams;
    }
    if (name == "apre" || name == "vpre" || name == "spre") {
        return OptionGroup::Presets;
    }
    if (name == "acodec" || name == "vcodec" || name == "scodec") {
        return OptionGroup::CodecNames;
    }
    if (name == "s") {
        return OptionGroup::FrameSize;
    }
    if (name == "vfilters") {
        return OptionGroup::Filters;
    }
    return OptionGroup::Other;
}

}  // namespace mw
