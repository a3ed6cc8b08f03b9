#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace mw {

// The web pages every edition row may name, in the row's order.
enum class EditionPageKind { HelpContents, HowToVideos, HomePage, MoreTools, Updates, Support };

// The pages ship with the program, in the folder help/ of the program directory.
inline constexpr std::string_view kHelpFolderName = "help/";

// The file:// address of the help folder, with a trailing "/".
std::string SiteRoot();

// Per-edition facts keyed by the edition name (exact, case-sensitive).
struct EditionRow {
    std::string Name;
    std::string IconResource;
    bool CompactWindow = false;
    bool SimpleAbout = false;
    std::array<std::string, 6> Pages;  // empty for compact-window editions
};

std::span<const EditionRow> EditionRows();

// The row of an edition, or null when the name matches none.
const EditionRow* FindEdition(std::string_view name);

// The row's address of a page kind; empty for an unknown edition or one without pages.
std::string EditionPage(std::string_view name, EditionPageKind kind);

}  // namespace mw
