#include <gtest/gtest.h>

#include "youtube/RealUrl.h"

namespace mw {
namespace {

std::string TitlePage(const std::string& tag) {
    return "<html><head>\n" + tag + "\n</head></html>";
}

TEST(RealUrlTest, TitleFromTheMetaTagWithEntitiesDecoded) {
    const struct {
        std::string Page;
        std::string Title;
    } cases[] = {
        {TitlePage(R"(<meta name="title" content="Tom &amp; Jerry">)"), "Tom & Jerry"},
        {TitlePage(R"(<meta name="title" content="&lt;b&gt; &quot;q&quot;&nbsp;x">)"),
         "<b> \"q\" x"},
        // &amp; goes first, so an entity encoded twice is decoded twice; &amp;amp; once.
        {TitlePage(R"(<meta name="title" content="a &amp;lt; b &amp;amp; c">)"), "a < b &amp; c"},
        {TitlePage(R"(<meta name="title" content="two
lines">)"),
         "two\nlines"},
        // The greedy value runs to the last quote and ">" before a "<".
        {TitlePage(R"(<meta name="title" content="say "hi">">)"), "say \"hi\">"},
        {TitlePage(R"(<meta name="TITLE" content="x">)"), ""},
        {TitlePage(R"(<meta content="x" name="title">)"), ""},
        {TitlePage(R"(<meta name="title" content="">)"), ""},
        {TitlePage(R"(<meta name="title" content="a<b">)"), ""},
        {TitlePage(R"(<meta name="title" content="broken<meta name="title" content="second">)"),
         "second"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PageTitle(c.Page), c.Title) << c.Page;
    }
}

TEST(RealUrlTest, CaptionDoublesTheFirstAmpersandOnly) {
    EXPECT_EQ(ItemCaption(PageTitle(TitlePage(R"(<meta name="title" content="Tom &amp; Jerry">)"))),
              "Tom && Jerry");
    EXPECT_EQ(ItemCaption("a & b & c"), "a && b & c");
    EXPECT_EQ(ItemCaption("none"), "none");
}

TEST(RealUrlTest, MediaAddressFromTheIdAndTheToken) {
    const std::string base = "http://www.youtube.com/get_video?";
    const struct {
        std::string Page;
        std::string Url;
    } cases[] = {
        {"x video_id=abc123&l=1&t=xyz789&y", base + "video_id=abc123&&t=xyz789&"},
        {"&t=xyz789& then video_id=abc123&", base + "video_id=abc123&&t=xyz789&"},
        {"video_id=abc123&only", base + "video_id=abc123&"},
        {"&t=tok& only", base + "&t=tok&"},
        {"nothing here", base},
        // The shortest value wins, and it may hold a line break.
        {"video_id=a\nb&c=d&", base + "video_id=a\nb&"},
        {"video_id=&empty", base + "video_id=&"},
        {"video_id=never ends", base},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MediaUrl(c.Page), c.Url) << c.Page;
    }
}

TEST(RealUrlTest, HugeHostilePagesGiveNoValueAndNoCrash) {
    const std::string endless(8 << 20, 'a');
    EXPECT_EQ(PageTitle(R"(<meta name="title" content=")" + endless + "\">"), "");
    EXPECT_EQ(MediaUrl("video_id=" + endless + "&&t=" + endless + "&"),
              "http://www.youtube.com/get_video?");
    // A long page with normal values far in still resolves.
    const std::string page = endless + R"(<meta name="title" content="far">video_id=id&&t=t&)";
    EXPECT_EQ(PageTitle(page), "far");
    EXPECT_EQ(MediaUrl(page), "http://www.youtube.com/get_video?video_id=id&&t=t&");
}

}  // namespace
}  // namespace mw
