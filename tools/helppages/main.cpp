// Lays out the help folder of a program directory at build time:
// mw-helppages <page sources> <help folder> <version>.
// Every page gets the one frame (head, style sheet, navigation, footer) around its written
// content, in which @VERSION@ names the version; the page of formats and presets is made
// from the catalogue, so that it always says what the program does; and every edition's
// page addresses lead to the shipped pages, which belong to the first row of each kind of
// edition.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <string>
#include <system_error>
#include <vector>

#include "core/EditionTable.h"
#include "formats/FormatCatalog.h"
#include "formats/PresetCatalog.h"

namespace fs = std::filesystem;

namespace {

constexpr mw::FormatClass kClasses[] = {mw::FormatClass::Video, mw::FormatClass::Device,
                                        mw::FormatClass::Audio};

std::string Html(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += ch;
        }
    }
    return out;
}

// The pages every page links to, relative to the help folder.
struct NavigationEntry {
    const char* Caption;
    const char* Page;
};
constexpr NavigationEntry kNavigation[] = {
    {"User guide", "mediawizard/help/Help_Content.html"},
    {"How to", "mediawizard/help/HowTosVideoDemo.html"},
    {"Formats and presets", "formats.html"},
    {"Updates", "mediawizard/help/CheckForUpdates.html"},
    {"Support", "support/index.html"},
};

// The whole page around its content, for a page at that path of the help folder; the title
// is the content's first heading.
std::string Framed(const fs::path& page, const std::string& content) {
    std::string up;
    const fs::path folder = page.parent_path();
    for (auto part = folder.begin(); part != folder.end(); ++part) {
        up += "../";
    }
    const std::size_t open = content.find("<h1>");
    const std::size_t close = content.find("</h1>");
    std::string title = "MediaWizard";
    if (open != std::string::npos && close != std::string::npos && close > open) {
        const std::string heading = content.substr(open + 4, close - open - 4);
        if (heading != title) {
            title = heading + " - " + title;
        }
    }
    std::string text =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
        "</title>\n<link rel=\"stylesheet\" href=\"" + up +
        "style.css\">\n</head>\n<body>\n<header>\n<a class=\"site\" href=\"" + up +
        "index.html\">MediaWizard</a>\n<nav>";
    for (const NavigationEntry& entry : kNavigation) {
        text += "<a href=\"" + up + entry.Page + "\">" + entry.Caption + "</a>\n";
    }
    text += "</nav>\n</header>\n<main>\n" + content +
            "</main>\n<footer>MediaWizard help pages</footer>\n</body>\n</html>\n";
    return text;
}

std::string FormatsContent() {
    std::string page =
        "<h1>Formats and presets</h1>\n"
        "<p>Every output format of the program with its presets, in the order of the preset "
        "lists on step 2. The preset in bold is the one chosen until you choose another. "
        "Your edition shows the formats it is made for.</p>\n<p>";
    for (const mw::FormatClass formatClass : kClasses) {
        const std::string name = Html(mw::ClassName(formatClass));
        page += "<a href=\"#" + name + "\">" + name + "</a> ";
    }
    page += "</p>\n";
    for (const mw::FormatClass formatClass : kClasses) {
        const std::string name = Html(mw::ClassName(formatClass));
        page += "<h2 id=\"" + name + "\">" + name + "</h2>\n";
        page += "<table>\n<tr><th>Format</th><th>File</th><th>Presets</th></tr>\n";
        for (const mw::OutputFormat& format : mw::OutputFormatsOf(formatClass)) {
            page += "<tr><td id=\"" + Html(format.EditionKey) + "\">" + Html(format.Name) +
                    "</td><td><code>" + Html(format.Extension) + "</code></td><td><ol>";
            const auto& rows = mw::PresetsOf(format).Rows;
            for (std::size_t row = 0; row < rows.size(); ++row) {
                const std::string label = Html(rows[row].Label);
                const bool chosen = static_cast<int>(row) == format.DefaultRow;
                page +=
                    chosen ? "<li><strong>" + label + "</strong></li>" : "<li>" + label + "</li>";
            }
            page += "</ol></td></tr>\n";
        }
        page += "</table>\n";
    }
    return page;
}

bool WriteFile(const fs::path& path, const std::string& text) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "mw-helppages: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WithVersion(std::string text, const std::string& version) {
    constexpr std::string_view kPlaceholder = "@VERSION@";
    for (std::size_t at = text.find(kPlaceholder); at != std::string::npos;
         at = text.find(kPlaceholder, at + version.size())) {
        text.replace(at, kPlaceholder.size(), version);
    }
    return text;
}

// The written pages framed, everything else (the style sheet) as it is.
bool LayOutPages(const fs::path& sources, const fs::path& help, const std::string& version) {
    bool ok = true;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sources)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path page = entry.path().lexically_relative(sources);
        const std::string text = ReadFile(entry.path());
        ok &= WriteFile(help / page, page.extension() == ".html"
                                         ? Framed(page, WithVersion(text, version))
                                         : text);
    }
    return ok && WriteFile(help / "formats.html", Framed("formats.html", FormatsContent()));
}

std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string_view::npos;
         start = slash + 1, slash = path.find('/', start)) {
        parts.emplace_back(path.substr(start, slash - start));
    }
    parts.emplace_back(path.substr(start));
    return parts;
}

// Makes the page at `page` lead to the shipped page at `shipped` (both relative to the help
// folder): the first part of the path where they differ becomes a link to its sibling.
bool LinkPage(const fs::path& help, const std::string& page, const std::string& shipped) {
    const std::vector<std::string> own = Components(page);
    const std::vector<std::string> theirs = Components(shipped);
    fs::path link = help;
    for (std::size_t i = 0; i < own.size() && i < theirs.size(); ++i) {
        link /= own[i];
        if (own[i] == theirs[i]) {
            continue;
        }
        std::error_code error;
        if (!fs::exists(fs::symlink_status(link, error))) {
            fs::create_symlink(theirs[i], link, error);
            if (error) {
                std::fprintf(stderr, "mw-helppages: cannot link %s: %s\n", link.c_str(),
                             error.message().c_str());
                return false;
            }
        }
        return true;
    }
    return own == theirs;
}

bool LinkEditionPages(const fs::path& help) {
    const std::string root = mw::SiteRoot();
    const auto rows = mw::EditionRows();
    bool ok = true;
    for (const mw::EditionRow& row : rows) {
        if (row.Pages[0].empty()) {
            continue;
        }
        const mw::EditionRow* shipped = nullptr;
        for (const mw::EditionRow& candidate : rows) {
            if (!candidate.Pages[0].empty() && candidate.SimpleAbout == row.SimpleAbout) {
                shipped = &candidate;
                break;
            }
        }
        for (std::size_t kind = 0; kind < row.Pages.size(); ++kind) {
            ok &= LinkPage(help, row.Pages[kind].substr(root.size()),
                           shipped->Pages[kind].substr(root.size()));
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: mw-helppages <page sources> <help folder> <version>\n");
        return 2;
    }
    const fs::path help(argv[2]);
    const bool laidOut = LayOutPages(argv[1], help, argv[3]);
    return laidOut && LinkEditionPages(help) ? 0 : 1;
}
