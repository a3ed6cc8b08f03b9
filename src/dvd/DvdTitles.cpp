#include "DvdTitles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "DVDPlugIn.h"
#include "Printf.h"
#include "core/UtilFuncs.h"

namespace mw::dvd {

namespace {

// A character field of the record up to its first zero byte, never past its end.
template <std::size_t N>
std::string Field(const char (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

const char* TypeName(std::int32_t code) {
    constexpr const char* kNames[] = {"MPEG-1", "MPEG-2", "MPA", "AC3", "DTS", "LPCM", "SUB"};
    return code >= 1 && code <= 7 ? kNames[code - 1] : "Unknown";
}

const char* NormName(std::int32_t norm) {
    return norm == 0 ? "PAL" : norm == 1 ? "NTSC" : "Unknown";
}

const char* AspectName(std::int32_t aspect) {
    return aspect == 0 ? "TV(4:3)" : aspect == 1 ? "HDTV(16:9)" : "Unknown";
}

int AudioLines(const TDVDTitle& record) {
    return std::clamp(record.AudioCount, 0, kMaxAudio);
}

int SubtitleLines(const TDVDTitle& record) {
    return std::clamp(record.SubtitleCount, 0, kMaxSubtitles);
}

}  // namespace

std::string TitleCaption(int index, const TDVDTitle& record) {
    const double seconds = std::isfinite(record.Length) ? std::max(record.Length, 0.0) : 0.0;
    return Printf("Title #%d Length: %s", index + 1,
                  FormatSecondsShort(static_cast<std::int64_t>(seconds)).c_str());
}

std::string InvalidTitleCaption(int index) {
    return "Title #" + std::to_string(index + 1) + " is invalid";
}

std::vector<std::string> TitleReport(int number, const TDVDTitle& record) {
    std::vector<std::string> lines;
    lines.push_back(Printf("Title #%d Length: %.2f", number, record.Length));
    lines.push_back(Printf("  Video Type[%s], ID[0x%X], Frame Size[%dx%d], Norm[%s], Aspect[%s]",
                           TypeName(record.VideoType), record.VideoId, record.Width, record.Height,
                           NormName(record.Norm), AspectName(record.Aspect)));
    lines.push_back(Printf("  AduioCount: %d", record.AudioCount));
    for (int i = 0; i < AudioLines(record); ++i) {
        const TDVDAudio& audio = record.Audio[i];
        lines.push_back(Printf(
            "    Audio #%d Type[%s], ID[0x%X], SampleRate[%d], Channels[%d], Language[%s, %s]", i,
            TypeName(audio.TypeCode), audio.Id, audio.SampleRate, audio.Channels,
            Field(audio.LanguageCode).c_str(), Field(audio.LanguageName).c_str()));
    }
    lines.push_back(Printf("  SubtitleCount: %d", record.SubtitleCount));
    for (int i = 0; i < SubtitleLines(record); ++i) {
        const TDVDSubtitle& subtitle = record.Subtitles[i];
        lines.push_back(Printf("    Subtitle #%d Type[%s], ID[0x%X], Language[%s, %s]", i,
                               TypeName(subtitle.TypeCode), subtitle.Id,
                               Field(subtitle.LanguageCode).c_str(),
                               Field(subtitle.LanguageName).c_str()));
    }
    lines.push_back(Printf("  ChapterCount: %d", record.ChapterCount));
    if (record.ChapterCount < kMaxChapters) {
        for (int i = 0; i < record.ChapterCount; ++i) {
            lines.push_back(Printf("    Chapter #%d Length: %.2f", i + 1, record.Chapters[i]));
        }
    }
    lines.push_back(record.Valid != 0 ? "  IsValid: True" : "  IsValid: False");
    return lines;
}

std::optional<DvdDisc> ReadDvdRoot(DVDPlugIn& plugIn, const std::string& root) {
    const int count = plugIn.DVDEnumTitle(root);
    if (count <= 0 || plugIn.Cancelled()) {
        return std::nullopt;
    }
    DvdDisc disc;
    disc.Root = root;
    disc.Log.push_back(Printf("There are %d title(s) in %s", count, root.c_str()));
    for (int i = 0; i < count; ++i) {
        TDVDTitle record;
        if (plugIn.DVDGetTitle(i, record)) {
            disc.Titles.push_back({TitleCaption(i, record), record});
            const std::vector<std::string> report = TitleReport(i + 1, record);
            disc.Log.insert(disc.Log.end(), report.begin(), report.end());
            continue;
        }
        if (plugIn.Cancelled()) {
            return std::nullopt;
        }
        disc.Titles.push_back({InvalidTitleCaption(i), std::nullopt});
        disc.Log.push_back(Printf("Calling DVDGetTitle(#%d) failed.", i));
        if (!plugIn.LastTitleError().empty()) {
            disc.Log.push_back("  Reason: " + plugIn.LastTitleError());
        }
        disc.Encrypted = disc.Encrypted || plugIn.LastTitleProblem() == TitleProblem::Encrypted;
    }
    return disc;
}

namespace {

template <typename Stream>
std::vector<StreamChoice> Choices(const Stream* streams, int count) {
    std::vector<StreamChoice> choices;
    for (int i = 0; i < count; ++i) {
        choices.push_back(
            {Printf("%s[0x%X]", Field(streams[i].LanguageName).c_str(), streams[i].Id),
             streams[i].Id});
    }
    choices.push_back({"Disable", 0});
    return choices;
}

}  // namespace

std::vector<StreamChoice> AudioChoices(const TDVDTitle& record) {
    return Choices(record.Audio, AudioLines(record));
}

std::vector<StreamChoice> SubtitleChoices(const TDVDTitle& record) {
    return Choices(record.Subtitles, SubtitleLines(record));
}

ChapterRange ChapterRange::Whole(int count) {
    return {count, 1, count};
}

void ChapterRange::SetFrom(int from) {
    From = std::clamp(from, 1, std::max(Count, 1));
    To = std::max(To, From);
}

void ChapterRange::SetTo(int to) {
    To = std::clamp(to, 1, std::max(Count, 1));
    From = std::min(From, To);
}

DvdRowTexts DvdRowCaption(const DvdTitleChoice& choice) {
    return {"DVD Root: " + choice.Root + "; Title: " + std::to_string(choice.TitleIndex + 1),
            Printf("Chapter from %d to %d", choice.ChapterFrom + 1, choice.ChapterTo + 1),
            "Audio ID: " + choice.AudioText, "Subtitle ID: " + choice.SubtitleText};
}

}  // namespace mw::dvd
