// Completes the help folder of a program directory at build time: mw-helppages <help folder>.
// It writes the page of formats and presets from the catalogue, so that the page always
// says what the program does, and makes every edition's page addresses lead to the shipped
// pages, which belong to the first row of each kind of edition.
#include <cstdio>
#include <filesystem>
#include <fstream>
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

std::string FormatsPage() {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Formats and presets - MediaWizard</title>\n"
        "<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n<header>\n"
        "<a class=\"site\" href=\"index.html\">MediaWizard</a>\n"
        "<nav><a href=\"mediawizard/help/Help_Content.html\">User guide</a>\n"
        "<a href=\"mediawizard/help/HowTosVideoDemo.html\">How to</a>\n"
        "<a href=\"formats.html\">Formats and presets</a>\n"
        "<a href=\"mediawizard/help/CheckForUpdates.html\">Updates</a>\n"
        "<a href=\"support/index.html\">Support</a></nav>\n</header>\n<main>\n"
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
    page += "</main>\n<footer>MediaWizard help pages</footer>\n</body>\n</html>\n";
    return page;
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
    if (argc != 2) {
        std::fprintf(stderr, "usage: mw-helppages <help folder>\n");
        return 2;
    }
    const fs::path help(argv[1]);
    std::ofstream formats(help / "formats.html", std::ios::binary | std::ios::trunc);
    formats << FormatsPage();
    formats.close();
    if (!formats) {
        std::fprintf(stderr, "mw-helppages: cannot write %s\n", (help / "formats.html").c_str());
        return 1;
    }
    return LinkEditionPages(help) ? 0 : 1;
}
