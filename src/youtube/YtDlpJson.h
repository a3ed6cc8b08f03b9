#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// One encoding a resolver found: where to fetch it and how.
struct ResolvedMedia {
    std::string Url;
    std::vector<std::string> Headers;  // "Name: value", sent with the request
    std::string Extension;             // with its dot, from the encoding's "ext"
};

// What a resolver made of a watch link.
struct Resolution {
    std::string Title;
    // The encodings by the format code of their quality type (18, 22, ...).
    std::map<int, ResolvedMedia> Formats;
    // The best encoding that holds sound and picture in one file: the default quality.
    std::optional<ResolvedMedia> Default;
};

// The answer of "yt-dlp --dump-single-json"; none when the text is no such answer, with the
// reason in problem.
std::optional<Resolution> ParseYtDlpJson(std::string_view text, std::string& problem);

}  // namespace mw
