#include "RealUrl.h"

#include <regex>

namespace mw {

namespace {

// The library's matcher recurses once per character it takes, so a value of a hostile
// page that runs on for megabytes would exhaust the stack. Each pattern is therefore tried
// only on the stretch a match could cover (from the pattern's fixed beginning to the
// character that ends its value), and values longer than any real page holds are passed over.
constexpr std::size_t kLongestValue = 4096;

struct PagePattern {
    std::regex Expression;
    std::string_view Beginning;  // the fixed text the pattern starts with
    char ValueEnd;               // the value cannot run past this character
    bool EndIncluded;            // whether the match takes that character
};

// "." of the patterns matches line breaks too, written as [\s\S] because the library's
// "." stops at them.
const PagePattern& TitlePattern() {
    static const PagePattern pattern{std::regex(R"re(<meta name="title" content="([^<]+)">)re"),
                                     R"(<meta name="title" content=")", '<', false};
    return pattern;
}

const PagePattern& VideoIdPattern() {
    static const PagePattern pattern{std::regex(R"re(video_id=([\s\S]*?)&)re"), "video_id=", '&',
                                     true};
    return pattern;
}

const PagePattern& TokenPattern() {
    static const PagePattern pattern{std::regex(R"re(&t=([\s\S]*?)&)re"), "&t=", '&', true};
    return pattern;
}

// The whole text of the first match of the pattern in the page, or empty.
std::string FirstMatch(std::string_view page, const PagePattern& pattern) {
    for (std::size_t at = page.find(pattern.Beginning); at != std::string_view::npos;
         at = page.find(pattern.Beginning, at + 1)) {
        const std::size_t valueStart = at + pattern.Beginning.size();
        std::size_t end = page.find(pattern.ValueEnd, valueStart);
        if (end == std::string_view::npos) {
            if (pattern.EndIncluded) {
                return {};  // the value never ends here nor at any later beginning
            }
            end = page.size();
        } else if (pattern.EndIncluded) {
            ++end;
        }
        if (end - valueStart > kLongestValue) {
            continue;
        }
        const std::string_view stretch = page.substr(at, end - at);
        std::match_results<std::string_view::const_iterator> match;
        if (std::regex_search(stretch.begin(), stretch.end(), match, pattern.Expression,
                              std::regex_constants::match_continuous)) {
            return match.str(0);
        }
    }
    return {};
}

void RemoveFirst(std::string& text, std::string_view part) {
    const std::size_t at = text.find(part);
    if (at != std::string::npos) {
        text.erase(at, part.size());
    }
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::string result;
    std::size_t done = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, done)) {
        result.append(text, done, at - done).append(to);
        done = at + from.size();
    }
    text = result.append(text, done);
}

}  // namespace

std::string DecodeEntities(std::string title) {
    ReplaceAll(title, "&amp;", "&");
    ReplaceAll(title, "&gt;", ">");
    ReplaceAll(title, "&lt;", "<");
    ReplaceAll(title, "&quot;", "\"");
    ReplaceAll(title, "&nbsp;", " ");
    return title;
}

std::string PageTitle(std::string_view page) {
    std::string tag = FirstMatch(page, TitlePattern());
    RemoveFirst(tag, TitlePattern().Beginning);
    RemoveFirst(tag, "\">");
    return DecodeEntities(std::move(tag));
}

std::string MediaUrl(std::string_view page) {
    return "http://" + std::string(kYouTubeHost) + "/get_video?" +
           FirstMatch(page, VideoIdPattern()) + FirstMatch(page, TokenPattern());
}

std::string ItemCaption(std::string title) {
    const std::size_t at = title.find('&');
    return at == std::string::npos ? title : title.substr(0, at + 1) + title.substr(at);
}

}  // namespace mw
