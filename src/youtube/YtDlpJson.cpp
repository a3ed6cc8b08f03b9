#include "YtDlpJson.h"

#include <nlohmann/json.hpp>

#include "QualityPreference.h"

namespace mw {

namespace {

using nlohmann::json;

std::string StringField(const json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// A codec the answer names as "none" is missing; a missing or null one counts as present,
// as the generic extractor leaves them out.
bool HasCodec(const json& format, const char* key) {
    const auto it = format.find(key);
    return it == format.end() || !it->is_string() || it->get<std::string>() != "none";
}

ResolvedMedia MediaOf(const json& format) {
    ResolvedMedia media;
    media.Url = StringField(format, "url");
    const std::string ext = StringField(format, "ext");
    if (!ext.empty()) {
        media.Extension = "." + ext;
    }
    const auto headers = format.find("http_headers");
    if (headers != format.end() && headers->is_object()) {
        for (const auto& [name, value] : headers->items()) {
            if (value.is_string()) {
                media.Headers.push_back(name + ": " + value.get<std::string>());
            }
        }
    }
    return media;
}

// The format code of a quality of the table; none for other ids ("140", "hls-720", "0").
std::optional<int> FormatCode(const json& format) {
    const std::string id = StringField(format, "format_id");
    if (id.empty() || id.size() > 4 || id.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int code = std::stoi(id);
    return QualityTypeOfFmt(code) ? std::optional<int>(code) : std::nullopt;
}

}  // namespace

std::optional<Resolution> ParseYtDlpJson(std::string_view text, std::string& problem) {
    const json answer = json::parse(text, nullptr, false);
    if (answer.is_discarded() || !answer.is_object()) {
        problem = "yt-dlp printed no JSON object";
        return std::nullopt;
    }
    const auto formats = answer.find("formats");
    if (formats == answer.end() || !formats->is_array()) {
        problem = "yt-dlp's answer lists no formats";
        return std::nullopt;
    }
    Resolution resolution;
    resolution.Title = StringField(answer, "title");
    // yt-dlp lists the formats from the worst to the best.
    for (const json& format : *formats) {
        if (!format.is_object() || StringField(format, "url").empty()) {
            continue;
        }
        if (const std::optional<int> code = FormatCode(format)) {
            resolution.Formats[*code] = MediaOf(format);
        }
        if (HasCodec(format, "acodec") && HasCodec(format, "vcodec")) {
            resolution.Default = MediaOf(format);
        }
    }
    if (resolution.Formats.empty() && !resolution.Default) {
        problem = "yt-dlp's answer has no format with an address";
        return std::nullopt;
    }
    return resolution;
}

}  // namespace mw
