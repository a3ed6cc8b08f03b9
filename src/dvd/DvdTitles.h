#pragma once

#include <optional>
#include <string>
#include <vector>

#include "DvdTitleChoice.h"
#include "TitleRecord.h"

namespace mw::dvd {

class DVDPlugIn;

inline constexpr const char* kNoTitlesMessage = "No DVD title(s) found. Maybe not a valid DVD.";
inline constexpr const char* kEncryptedMessage =
    "This DVD is encrypted (CSS), so its titles cannot be read. Reading it needs the "
    "libdvdcss library, which is not installed on this computer.";

// One entry of the title list: its caption and, when the plug-in could read the title,
// its record.
struct DvdTitleEntry {
    std::string Caption;
    std::optional<TDVDTitle> Record;
};

// What opening a root found.
struct DvdDisc {
    std::string Root;
    std::vector<DvdTitleEntry> Titles;
    std::vector<std::string> Log;  // the report, one line each
    bool Encrypted = false;        // some title could not be read because it is encrypted
};

// Asks the plug-in for the titles of a root and describes each. Nothing when the root has
// no titles (or the request was cancelled).
std::optional<DvdDisc> ReadDvdRoot(DVDPlugIn& plugIn, const std::string& root);

// "Title #1 Length: 0:01:30" of the title list.
std::string TitleCaption(int index, const TDVDTitle& record);
std::string InvalidTitleCaption(int index);
// The report lines of one title, numbered from 1.
std::vector<std::string> TitleReport(int number, const TDVDTitle& record);

// An entry of the audio or subtitle list: "English[0xC0]" with its stream id, or
// "Disable" with 0.
struct StreamChoice {
    std::string Text;
    int Id = 0;
};
std::vector<StreamChoice> AudioChoices(const TDVDTitle& record);
std::vector<StreamChoice> SubtitleChoices(const TDVDTitle& record);

// The chapter range: 1-based numbers within 1 .. Count with From <= To.
struct ChapterRange {
    int Count = 0;
    int From = 0;
    int To = 0;

    static ChapterRange Whole(int count);
    // Raising From above To moves To up with it; lowering To below From moves From down.
    void SetFrom(int from);
    void SetTo(int to);
};

// The input row of a chosen title: its column texts, as the list shows them.
struct DvdRowTexts {
    std::string FileMinName;
    std::string Duration;
    std::string BitRate;
    std::string Dimension;
};
DvdRowTexts DvdRowCaption(const DvdTitleChoice& choice);

}  // namespace mw::dvd
