#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/version.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ChapterStream.h"
#include "DvdReadPtr.h"
#include "PlugInApi.h"
#include "Scrambling.h"
#include "TitleInfo.h"
#include "TitleTable.h"
#include "dvd/TitleProblem.h"

namespace {

using namespace mw::dvd;

// How much of a title's start is looked at for scrambled packs.
constexpr int kCheckedBlocks = 16;

// The library's own messages would only reach the terminal of whoever started the reader.
void Quiet(void*, dvd_logger_level_t, const char*, va_list) {}
const dvd_logger_cb kQuietLogger = {Quiet};

// The root last enumerated: the disc, its title table and the title set read last.
struct Disc {
    DvdReaderPtr Reader;
    std::vector<title_info_t> Titles;
    int TitleSetNumber = 0;
    IfoPtr TitleSet;

    ChapterStream Chapters;

    void Close() {
        Chapters.Close();
        TitleSet.reset();
        TitleSetNumber = 0;
        Titles.clear();
        Reader.reset();
    }
};

Disc g_disc;
TitleProblem g_problem = TitleProblem::None;
std::string g_error;

std::int32_t Fail(TitleProblem problem, std::string text) {
    g_problem = problem;
    g_error = std::move(text);
    return 0;
}

std::string TitleSetFile(int number, int part) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_%d.%s", number, part, part == 0 ? "IFO" : "VOB");
    return name;
}

const ifo_handle_t* OpenTitleSet(int number) {
    if (g_disc.TitleSetNumber != number) {
        g_disc.Chapters.Close();
        g_disc.TitleSet.reset();
        g_disc.TitleSet.reset(ifoOpen(g_disc.Reader.get(), number));
        g_disc.TitleSetNumber = g_disc.TitleSet ? number : 0;
    }
    return g_disc.TitleSet.get();
}

// The start of a call about one title: clears the last problem, then gives the title of the
// disc read last, with its title set opened into titleSet; nullptr with the problem recorded
// when there is no answer to fill, no such title, or its title set cannot be read.
const title_info_t* OpenTitle(std::int32_t index, const void* answer,
                              const ifo_handle_t*& titleSet) {
    g_problem = TitleProblem::None;
    g_error.clear();
    if (answer == nullptr || index < 0 || static_cast<std::size_t>(index) >= g_disc.Titles.size()) {
        Fail(TitleProblem::Unreadable, "there is no such title");
        return nullptr;
    }
    const title_info_t& title = g_disc.Titles[static_cast<std::size_t>(index)];
    // Title set 0 would be the video manager itself.
    titleSet = title.title_set_nr == 0 ? nullptr : OpenTitleSet(title.title_set_nr);
    if (titleSet == nullptr) {
        Fail(TitleProblem::Unreadable, TitleSetFile(title.title_set_nr, 0) + " cannot be read");
        return nullptr;
    }
    return &title;
}

enum class Scrambled { No, Yes, Unreadable };

Scrambled CheckScrambling(int titleSet, std::uint32_t firstSector) {
    const DvdFilePtr file(DVDOpenFile(g_disc.Reader.get(), titleSet, DVD_READ_TITLE_VOBS));
    if (!file) {
        return Scrambled::Unreadable;
    }
    std::vector<unsigned char> blocks(kCheckedBlocks * kDvdBlockSize);
    const ssize_t read =
        DVDReadBlocks(file.get(), static_cast<int>(firstSector), kCheckedBlocks, blocks.data());
    if (read <= 0) {
        return Scrambled::Unreadable;
    }
    for (ssize_t block = 0; block < read; ++block) {
        if (PackIsScrambled(blocks.data() + block * kDvdBlockSize, kDvdBlockSize)) {
            return Scrambled::Yes;
        }
    }
    return Scrambled::No;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) std::int32_t DVDInitialize(const char*) {
    return 1;
}

__attribute__((visibility("default"))) std::int32_t DVDEnumTitle(const char* root) {
    g_disc.Close();
    if (root == nullptr || *root == '\0') {
        return 0;
    }
    g_disc.Reader.reset(DVDOpen2(nullptr, &kQuietLogger, root));
    if (!g_disc.Reader) {
        return 0;
    }
    g_disc.Titles = ReadTitleTable(g_disc.Reader.get());
    if (g_disc.Titles.empty()) {
        g_disc.Close();
        return 0;
    }
    return static_cast<std::int32_t>(g_disc.Titles.size());
}

__attribute__((visibility("default"))) std::int32_t DVDGetTitle(std::int32_t index, void* record) {
    const ifo_handle_t* titleSet = nullptr;
    const title_info_t* found = OpenTitle(index, record, titleSet);
    if (found == nullptr) {
        return 0;
    }
    const title_info_t& title = *found;
    TDVDTitle filled{};
    TitleStart start;
    std::string error;
    if (!FillTitleRecord(title, *titleSet, filled, start, error)) {
        return Fail(TitleProblem::Unreadable, TitleSetFile(title.title_set_nr, 0) + ": " + error);
    }
    switch (CheckScrambling(title.title_set_nr, start.FirstSector)) {
        case Scrambled::Yes:
            return Fail(TitleProblem::Encrypted, "the title is encrypted (CSS)");
        case Scrambled::Unreadable:
            return Fail(
                TitleProblem::Unreadable,
                "the title's video (" + TitleSetFile(title.title_set_nr, 1) + ") cannot be read");
        case Scrambled::No:
            break;
    }
    std::memcpy(record, &filled, sizeof filled);
    return 1;
}

__attribute__((visibility("default"))) std::int32_t DVDSetParam(std::int32_t, std::int32_t) {
    return 0;
}

__attribute__((visibility("default"))) std::int32_t DVDGetLibVersion() {
    return DVDREAD_VERSION;
}

__attribute__((visibility("default"))) std::int32_t DVDGetTitleError(char* text,
                                                                     std::int32_t size) {
    if (text != nullptr && size > 0) {
        std::snprintf(text, static_cast<std::size_t>(size), "%s", g_error.c_str());
    }
    return static_cast<std::int32_t>(g_problem);
}

__attribute__((visibility("default"))) std::int32_t DVDOpenChapters(std::int32_t index,
                                                                    std::int32_t from,
                                                                    std::int32_t to, void* info) {
    g_disc.Chapters.Close();
    const ifo_handle_t* titleSet = nullptr;
    const title_info_t* found = OpenTitle(index, info, titleSet);
    if (found == nullptr) {
        return 0;
    }
    const title_info_t& title = *found;
    TDVDChapterStream opened{};
    std::string error;
    if (!g_disc.Chapters.Open(g_disc.Reader.get(), title, *titleSet, from, to, opened, error)) {
        return Fail(TitleProblem::Unreadable, error);
    }
    std::memcpy(info, &opened, sizeof opened);
    return 1;
}

__attribute__((visibility("default"))) std::int32_t DVDReadChapters(std::int32_t first,
                                                                    std::int32_t count,
                                                                    void* buffer) {
    if (first < 0 || buffer == nullptr) {
        return -1;
    }
    return g_disc.Chapters.Read(static_cast<std::uint32_t>(first), count,
                                static_cast<unsigned char*>(buffer));
}

__attribute__((visibility("default"))) std::int32_t DVDGetChapterWindows(void* windows,
                                                                         std::int32_t count) {
    const std::vector<TDVDStreamWindow>& open = g_disc.Chapters.Windows();
    const std::size_t copied = std::min(open.size(), static_cast<std::size_t>(std::max(count, 0)));
    if (windows != nullptr && copied > 0) {
        std::memcpy(windows, open.data(), copied * sizeof(TDVDStreamWindow));
    }
    return static_cast<std::int32_t>(open.size());
}

__attribute__((visibility("default"))) std::int32_t DVDCloseChapters() {
    g_disc.Chapters.Close();
    return 1;
}
}
