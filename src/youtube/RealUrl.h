#pragma once

#include <string>
#include <string_view>

namespace mw {

// The site's host name in media addresses.
inline constexpr std::string_view kYouTubeHost = "www.youtube.com";

// The video's title from the page's title meta tag, its entities decoded; empty without
// the tag.
std::string PageTitle(std::string_view page);

// "http://HOST/get_video?" followed by the page's "video_id=...&" and "&t=...&" parts (each
// empty when the page lacks it); a quality parameter is appended to it as it stands.
std::string MediaUrl(std::string_view page);

// &amp; &gt; &lt; &quot; &nbsp; replaced in that order, each wherever it occurs.
std::string DecodeEntities(std::string title);

// The title as the list shows it: its first "&" doubled.
std::string ItemCaption(std::string title);

}  // namespace mw
