#include "EditionTable.h"

#include <vector>

#include "UtilFuncs.h"

namespace mw {

namespace {

enum class RowKind { Standard, Simple, Compact };

struct RowSource {
    std::string_view Name;
    std::string_view Icon;
    RowKind Kind;
    std::string_view Folder;  // the edition's folder on the site, or its product page
};

// clang-format off
constexpr RowSource kRowSources[] = {
    {"MediaWizard",                        "ICON_MEDIAWIZARD", RowKind::Standard, "mediawizard"},
    {"MediaWizard Video Converter",        "ICON_VIDEO",       RowKind::Standard, "video-converter"},
    {"MediaWizard Audio Converter",        "ICON_AUDIO",       RowKind::Standard, "audio-converter"},
    {"MediaWizard MP3 Converter",          "ICON_AUDIO",       RowKind::Standard, "mp3-converter"},
    {"MediaWizard WMA Converter",          "ICON_AUDIO",       RowKind::Standard, "wma-converter"},
    {"MediaWizard AVI Converter",          "ICON_VIDEO",       RowKind::Standard, "avi-converter"},
    {"MediaWizard MP4 Converter",          "ICON_VIDEO",       RowKind::Standard, "mp4-converter"},
    {"MediaWizard FLV Converter",          "ICON_VIDEO",       RowKind::Standard, "flv-converter"},
    {"MediaWizard WMV Converter",          "ICON_VIDEO",       RowKind::Standard, "wmv-converter"},
    {"MediaWizard MOV Converter",          "ICON_VIDEO",       RowKind::Standard, "mov-converter"},
    {"MediaWizard MPEG Converter",         "ICON_VIDEO",       RowKind::Standard, "mpeg-converter"},
    {"MediaWizard 3GP Converter",          "ICON_MOBILE",      RowKind::Standard, "3gp-converter"},
    {"MediaWizard iPod Converter",         "ICON_DEVICE",      RowKind::Standard, "ipod-converter"},
    {"MediaWizard iPhone Converter",       "ICON_DEVICE",      RowKind::Standard, "iphone-converter"},
    {"MediaWizard iPad Converter",         "ICON_DEVICE",      RowKind::Standard, "ipad-converter"},
    {"MediaWizard Apple TV Converter",     "ICON_DEVICE",      RowKind::Standard, "appletv-converter"},
    {"MediaWizard PSP Converter",          "ICON_DEVICE",      RowKind::Standard, "psp-converter"},
    {"MediaWizard BlackBerry Converter",   "ICON_MOBILE",      RowKind::Standard, "blackberry-converter"},
    {"MediaWizard Mobile Phone Converter", "ICON_MOBILE",      RowKind::Standard, "mobile-converter"},
    {"MediaWizard Video Joiner",           "ICON_JOINER",      RowKind::Standard, "video-joiner"},
    {"MediaWizard Audio Joiner",           "ICON_JOINER",      RowKind::Standard, "audio-joiner"},
    {"MediaWizard YouTube Downloader",     "ICON_YOUTUBE",     RowKind::Standard, "youtube-downloader"},
    {"MediaWizard YouTube to MP3",         "ICON_YOUTUBE",     RowKind::Standard, "youtube-to-mp3"},
    {"MediaWizard DVD Converter",          "ICON_DVD",         RowKind::Standard, "dvd-converter"},
    {"MediaWizard OGG Converter",          "ICON_AUDIO",       RowKind::Simple,   "ogg-converter"},
    {"MediaWizard FLAC Converter",         "ICON_AUDIO",       RowKind::Simple,   "flac-converter"},
    {"MediaWizard AAC Converter",          "ICON_AUDIO",       RowKind::Simple,   "aac-converter"},
    {"MediaWizard M4A Converter",          "ICON_AUDIO",       RowKind::Simple,   "m4a-converter"},
    {"MediaWizard WAV Converter",          "ICON_AUDIO",       RowKind::Simple,   "wav-converter"},
    {"MediaWizard MP2 Converter",          "ICON_AUDIO",       RowKind::Simple,   "mp2-converter"},
    {"MediaWizard SWF Converter",          "ICON_VIDEO",       RowKind::Simple,   "swf-converter"},
    {"MediaWizard RM Converter",           "ICON_VIDEO",       RowKind::Simple,   "rm-converter"},
    {"MediaWizard Video to Audio",         "ICON_AUDIO",       RowKind::Simple,   "video-to-audio"},
    {"MediaWizard Ringtone Maker",         "ICON_MOBILE",      RowKind::Simple,   "ringtone-maker"},
    {"MediaWizard Quick MP3",              "ICON_AUDIO",       RowKind::Compact,  ""},
    {"MediaWizard Quick Joiner",           "ICON_JOINER",      RowKind::Compact,  ""},
};
// clang-format on

EditionRow MakeRow(const RowSource& source) {
    EditionRow row;
    row.Name = source.Name;
    row.IconResource = source.Icon;
    row.CompactWindow = source.Kind == RowKind::Compact;
    row.SimpleAbout = source.Kind == RowKind::Simple;
    const std::string root = SiteRoot();
    // A folder address would open a file manager, not a page: the home page is the index.
    const std::string home = root + "index.html";
    const std::string support = root + "support/index.html";
    if (source.Kind == RowKind::Standard) {
        const std::string folder = root + std::string(source.Folder) + "/help/";
        row.Pages = {folder + "Help_Content.html",  folder + "HowTosVideoDemo.html", home,
                     folder + "MoreFreeTools.html", folder + "CheckForUpdates.html", support};
    } else if (source.Kind == RowKind::Simple) {
        // Small editions have one product page that serves for help and updates alike.
        const std::string product = root + "products/" + std::string(source.Folder) + ".html";
        row.Pages = {product, product, home, home, product, support};
    }
    return row;
}

const std::vector<EditionRow>& Rows() {
    static const std::vector<EditionRow> rows = [] {
        std::vector<EditionRow> built;
        for (const RowSource& source : kRowSources) {
            built.push_back(MakeRow(source));
        }
        return built;
    }();
    return rows;
}

}  // namespace

std::string SiteRoot() {
    return FileUrl(ProgramDir() + std::string(kHelpFolderName));
}

std::span<const EditionRow> EditionRows() {
    return Rows();
}

const EditionRow* FindEdition(std::string_view name) {
    for (const EditionRow& row : Rows()) {
        if (row.Name == name) {
            return &row;
        }
    }
    return nullptr;
}

std::string EditionPage(std::string_view name, EditionPageKind kind) {
    const EditionRow* row = FindEdition(name);
    return row ? row->Pages[static_cast<std::size_t>(kind)] : std::string();
}

}  // namespace mw
