#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/EditionTable.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

// The help folder of the built program directory, where the addresses lead at run time.
const fs::path kHelp = fs::path(MW_PROGRAM_DIR) / "help";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The addresses a page leads to, as written in its href and src attributes, without the
// part after "#" and without the links within the page.
std::vector<std::string> LinksOf(const std::string& page) {
    static const std::regex kLink(R"re((?:href|src)="([^"]*)")re");
    std::vector<std::string> links;
    for (auto match = std::sregex_iterator(page.begin(), page.end(), kLink);
         match != std::sregex_iterator(); ++match) {
        std::string link = (*match)[1];
        link = link.substr(0, link.find('#'));
        if (!link.empty()) {
            links.push_back(link);
        }
    }
    return links;
}

// Every page address of every edition, relative to the help folder.
std::vector<std::string> EditionPagePaths() {
    const std::string root = SiteRoot();
    std::vector<std::string> paths;
    for (const EditionRow& row : EditionRows()) {
        for (const std::string& page : row.Pages) {
            if (page.empty()) {
                continue;
            }
            EXPECT_TRUE(page.starts_with(root)) << page;
            paths.push_back(page.substr(root.size()));
        }
    }
    return paths;
}

TEST(HelpPages, EveryPageOfEveryEditionIsThere) {
    const std::vector<std::string> paths = EditionPagePaths();
    ASSERT_FALSE(paths.empty());
    for (const std::string& path : paths) {
        std::error_code error;
        EXPECT_TRUE(fs::is_regular_file(kHelp / path, error)) << path;
    }
}

TEST(HelpPages, EveryLinkOfThePagesLeadsToAFileThatIsThere) {
    // A browser resolves a link against the address it shows, not against the file a shared
    // page really is; so the walk resolves lexically, from every address of every edition.
    std::deque<fs::path> pending;
    for (const std::string& path : EditionPagePaths()) {
        pending.push_back(fs::path(path).lexically_normal());
    }
    std::set<fs::path> visited;
    while (!pending.empty()) {
        const fs::path page = pending.front();
        pending.pop_front();
        if (!visited.insert(page).second) {
            continue;
        }
        const std::string text = ReadFile(kHelp / page);
        ASSERT_FALSE(text.empty()) << page;
        EXPECT_NE(text.find("<title>"), std::string::npos) << page;
        for (const std::string& link : LinksOf(text)) {
            const fs::path target = (page.parent_path() / link).lexically_normal();
            EXPECT_FALSE(target.string().starts_with(".."))
                << page << " leaves the folder: " << link;
            std::error_code error;
            EXPECT_TRUE(fs::is_regular_file(kHelp / target, error)) << page << " links to " << link;
            if (target.extension() == ".html" && fs::is_regular_file(kHelp / target, error)) {
                pending.push_back(target);
            }
        }
    }
    // The walk reaches the generated page of formats too.
    EXPECT_TRUE(visited.count("formats.html"));
}

}  // namespace
}  // namespace mw
