#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// The domain a link must name to be taken as a video of the site.
inline constexpr std::string_view kYouTubeDomain = "youtube.com";

// Whether the text names a video of the site: it holds "http" and the site's domain, in
// any letter case.
bool IsYouTubeLink(std::string_view text);

// The lines of pasted text: CR or LF ends a line and empty lines are dropped; text between
// a pair of equal quotes (single or double) stays on one line, quotes included. Lines keep
// their spaces.
std::vector<std::string> SplitPastedLines(std::string_view text);

// "This is not a YouTube video link." and the duplicate notice, after the link and a blank
// line, as Add link shows them.
std::string NotALinkMessage(const std::string& link);
std::string DuplicateLinkMessage(const std::string& link);

// The links waiting for a download run, each exactly as pasted.
class DownloadList {
public:
    // Shows a message with OK and Cancel; true when the user answers OK.
    using AskFunction = std::function<bool(const std::string& message)>;

    // Adds the link unless it is no video link or listed already (the user is told and
    // decides whether further lines go on). Returns whether to go on.
    bool AddLink(const std::string& text, const AskFunction& ask);
    // Adds every line of pasted text until the user stops.
    void Paste(std::string_view text, const AskFunction& ask);
    // Deletes the rows and gives the row to select afterwards: the lowest deleted position,
    // or the last row when that is past the end; -1 when the list is empty or nothing was
    // deleted.
    int Remove(const std::set<int>& rows);
    void Clear() { m_links.clear(); }

    const std::vector<std::string>& Links() const { return m_links; }
    bool Empty() const { return m_links.empty(); }

private:
    std::vector<std::string> m_links;
};

}  // namespace mw
