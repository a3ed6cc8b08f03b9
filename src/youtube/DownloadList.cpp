#include "DownloadList.h"

#include <algorithm>
#include <cctype>

namespace mw {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

bool IsYouTubeLink(std::string_view text) {
    const std::string lower = Lower(text);
    return lower.find("http") != std::string::npos &&
           lower.find(kYouTubeDomain) != std::string::npos;
}

std::vector<std::string> SplitPastedLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (!line.empty()) {
                lines.push_back(std::move(line));
            }
            line.clear();
            continue;
        }
        if (c == '"' || c == '\'') {
            const std::size_t close = text.find(c, i + 1);
            if (close != std::string_view::npos) {
                line.append(text.substr(i, close - i + 1));
                i = close;
                continue;
            }
        }
        line.push_back(c);
    }
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string NotALinkMessage(const std::string& link) {
    return link + "\n\r\n\rThis is not a YouTube video link.";
}

std::string DuplicateLinkMessage(const std::string& link) {
    return link + "\n\r\n\rThis video is already in the download list.";
}

bool DownloadList::AddLink(const std::string& text, const AskFunction& ask) {
    if (!IsYouTubeLink(text)) {
        return ask(NotALinkMessage(text));
    }
    // Captions that differ only in letter case are different links.
    if (std::find(m_links.begin(), m_links.end(), text) != m_links.end()) {
        return ask(DuplicateLinkMessage(text));
    }
    m_links.push_back(text);
    return true;
}

void DownloadList::Paste(std::string_view text, const AskFunction& ask) {
    for (const std::string& line : SplitPastedLines(text)) {
        if (!AddLink(line, ask)) {
            return;
        }
    }
}

int DownloadList::Remove(const std::set<int>& rows) {
    int lowest = -1;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it >= 0 && *it < static_cast<int>(m_links.size())) {
            m_links.erase(m_links.begin() + *it);
            lowest = *it;
        }
    }
    if (lowest < 0 || m_links.empty()) {
        return -1;
    }
    return std::min(lowest, static_cast<int>(m_links.size()) - 1);
}

}  // namespace mw
