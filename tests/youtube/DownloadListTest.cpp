#include <gtest/gtest.h>

#include "youtube/DownloadList.h"

namespace mw {
namespace {

TEST(LinkTest, SiteLinksInAnyCaseNeedHttpAndTheDomain) {
    const struct {
        const char* Text;
        bool Link;
    } cases[] = {
        {"http://www.youtube.com/watch?v=abc", true},
        {"HTTP://WWW.YOUTUBE.COM/WATCH?V=ABC", true},
        {"  https://youtube.com/watch?v=abc", true},
        {"www.youtube.com/watch?v=abc", false},
        {"http://www.example.com/watch?v=abc", false},
        {"http://youtu.be/abc", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsYouTubeLink(c.Text), c.Link) << c.Text;
    }
}

TEST(PasteTest, LinesEndAtCrOrLfKeepSpacesAndQuotedBreaks) {
    const struct {
        const char* Text;
        std::vector<std::string> Lines;
    } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\n\n a \r\n\r\n\tb", {" a ", "\tb"}},
        {"x \"one\ntwo\" y\nz", {"x \"one\ntwo\" y", "z"}},
        {"'a\r\nb'\n'c", {"'a\r\nb'", "'c"}},
        {"\"mixed'\nquote\"", {"\"mixed'\nquote\""}},
        {"open \"quote\nnext", {"open \"quote", "next"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitPastedLines(c.Text), c.Lines) << c.Text;
    }
}

struct Asked {
    std::vector<std::string> Messages;
    std::vector<bool> Answers;  // OK for each question, OK when they run out

    DownloadList::AskFunction Ask() {
        return [this](const std::string& message) {
            Messages.push_back(message);
            return Messages.size() > Answers.size() || Answers[Messages.size() - 1];
        };
    }
};

const std::string kA = "http://www.youtube.com/watch?v=a";
const std::string kB = "http://www.youtube.com/watch?v=b";
const std::string kC = "http://www.youtube.com/watch?v=c";

TEST(PasteTest, ForeignLinesAndDuplicatesAskAndCancelStops) {
    {
        DownloadList list;
        Asked asked;
        list.Paste(kA + "\nhttp://example.com/x\n" + kC, asked.Ask());
        EXPECT_EQ(list.Links(), (std::vector<std::string>{kA, kC}));
        ASSERT_EQ(asked.Messages.size(), 1u);
        EXPECT_EQ(asked.Messages[0],
                  "http://example.com/x\n\r\n\rThis is not a YouTube video link.");
    }
    {
        DownloadList list;
        Asked asked{{}, {false}};
        list.Paste(kA + "\nnot a link\n" + kC, asked.Ask());
        EXPECT_EQ(list.Links(), (std::vector<std::string>{kA}));
    }
    {
        DownloadList list;
        Asked asked{{}, {false}};
        list.Paste(kA + "\n" + kB, asked.Ask());
        list.Paste(kB + "\n" + kC, asked.Ask());
        EXPECT_EQ(list.Links(), (std::vector<std::string>{kA, kB}));
        ASSERT_EQ(asked.Messages.size(), 1u);
        EXPECT_EQ(asked.Messages[0], kB + "\n\r\n\rThis video is already in the download list.");
    }
    {
        DownloadList list;
        Asked asked;
        const std::string upper = "http://www.youtube.com/watch?v=A";
        list.Paste(kA + "\n" + upper + "\n  " + kA, asked.Ask());
        EXPECT_EQ(list.Links(), (std::vector<std::string>{kA, upper, "  " + kA}));
        EXPECT_TRUE(asked.Messages.empty());
    }
}

TEST(RemoveTest, SelectionMovesToTheRowThatTookThePlace) {
    const struct {
        int Count;
        std::set<int> Removed;
        int Selected;
        int Left;
    } cases[] = {
        {5, {4}, 3, 4},     // the last of five: the fourth, now the last
        {5, {1}, 1, 4},     // the second: the link that moved into its place
        {5, {0, 4}, 0, 3},  // several: the lowest position
        {1, {0}, -1, 0},    // the only one: nothing to select
        {3, {}, -1, 3},     // nothing selected
        {3, {7}, -1, 3},    // a row that does not exist
    };
    for (const auto& c : cases) {
        DownloadList list;
        Asked asked;
        for (int i = 0; i < c.Count; ++i) {
            list.AddLink(kA + std::to_string(i), asked.Ask());
        }
        EXPECT_EQ(list.Remove(c.Removed), c.Selected) << c.Count;
        EXPECT_EQ(static_cast<int>(list.Links().size()), c.Left);
    }
}

}  // namespace
}  // namespace mw
