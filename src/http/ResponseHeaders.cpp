#include "ResponseHeaders.h"

#include "core/UtilFuncs.h"

namespace mw {

namespace {

std::string_view StripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

bool TResponseHeaders::AddLine(std::string_view line) {
    line = StripLineEnd(line);
    if (line.empty()) {
        return true;
    }
    if (line.substr(0, 5) == "HTTP/") {
        m_lines.clear();
    }
    m_lines.emplace_back(line);
    return false;
}

void TResponseHeaders::Clear() {
    m_lines.clear();
}

std::optional<std::string> TResponseHeaders::Value(std::string_view name) const {
    for (const std::string& line : m_lines) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || !SameText(Trim(std::string_view(line).substr(0, colon)), name)) {
            continue;
        }
        const std::string_view value = Trim(std::string_view(line).substr(colon + 1));
        if (value.size() + 1 > kQueryBufferSize) {
            return std::nullopt;
        }
        return std::string(value);
    }
    return std::nullopt;
}

std::string TResponseHeaders::RawCRLF() const {
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string RealmOf(std::string_view authenticate) {
    const std::size_t quote = authenticate.find("=\"");
    if (quote == std::string_view::npos) {
        return std::string(authenticate);
    }
    std::string_view realm = authenticate.substr(quote + 2);
    if (!realm.empty()) {
        realm.remove_suffix(1);
    }
    return std::string(realm);
}

}  // namespace mw
