#include "DvdChoice.h"

#include <charconv>
#include <cstdio>

#include "core/UtilFuncs.h"
#include "dvd/DVDPlugIn.h"
#include "dvd/DvdTitles.h"

namespace mw::cli {

namespace {

std::optional<int> Number(std::string_view text, int base = 10) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// A stream id as the title report writes it (0x81) or in decimal.
std::optional<int> StreamId(std::string_view text) {
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    const std::optional<int> id = hex ? Number(text.substr(2), 16) : Number(text);
    return id && *id >= 0 && *id <= 0xFF ? id : std::nullopt;
}

std::string IdText(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id);
    return text;
}

// The entry of a list with the id, or nothing.
std::optional<dvd::StreamChoice> Find(const std::vector<dvd::StreamChoice>& choices, int id) {
    for (const dvd::StreamChoice& choice : choices) {
        if (choice.Id == id) {
            return choice;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<DvdNumbers> ParseDvdOptions(const DvdOptions& options, std::string& problem) {
    DvdNumbers numbers;
    if (options.Root.empty()) {
        problem = options.Title || options.Chapters || options.Audio || options.Subtitle ||
                          options.Deinterlace
                      ? "the title options need --dvd ROOT"
                      : "a DVD root is needed";
        return std::nullopt;
    }
    const std::optional<int> title = options.Title ? Number(*options.Title) : std::nullopt;
    if (!title || *title < 1) {
        problem = "--title takes a title number from 1";
        return std::nullopt;
    }
    numbers.Title = *title;
    if (options.Chapters) {
        const std::string& text = *options.Chapters;
        const std::size_t dash = text.find('-');
        numbers.ChapterFrom = Number(text.substr(0, dash));
        numbers.ChapterTo =
            dash == std::string::npos ? numbers.ChapterFrom : Number(text.substr(dash + 1));
        if (!numbers.ChapterFrom || !numbers.ChapterTo || *numbers.ChapterFrom < 1 ||
            *numbers.ChapterTo < *numbers.ChapterFrom) {
            problem = "--chapters takes FIRST-LAST, chapter numbers from 1";
            return std::nullopt;
        }
    }
    for (const auto& [text, id, name] :
         {std::tuple{&options.Audio, &numbers.AudioId, "--audio"},
          std::tuple{&options.Subtitle, &numbers.SubtitleId, "--subtitle"}}) {
        if (*text) {
            *id = StreamId(**text);
            if (!*id) {
                problem = std::string(name) + " takes a stream id such as 0x81 or 129 (0: none)";
                return std::nullopt;
            }
        }
    }
    return numbers;
}

bool ChooseDvdTitle(const std::string& programDir, const std::string& root,
                    const DvdNumbers& numbers, bool deinterlace, DvdTitleChoice& choice,
                    std::string& message) {
    dvd::DVDPlugIn plugIn(programDir);
    if (!plugIn.Load()) {
        message = plugIn.LastErrorMessage();
        return false;
    }
    const std::optional<dvd::DvdDisc> disc = dvd::ReadDvdRoot(plugIn, root);
    if (!disc) {
        message = dvd::kNoTitlesMessage;
        return false;
    }
    const int count = static_cast<int>(disc->Titles.size());
    if (numbers.Title > count) {
        message = root + " has titles 1 to " + std::to_string(count);
        return false;
    }
    const std::optional<dvd::TDVDTitle>& record = disc->Titles[numbers.Title - 1].Record;
    if (!record) {
        message =
            disc->Encrypted ? dvd::kEncryptedMessage : dvd::InvalidTitleCaption(numbers.Title - 1);
        return false;
    }
    const int chapters = record->ChapterCount;
    const int from = numbers.ChapterFrom.value_or(1);
    const int to = numbers.ChapterTo.value_or(chapters);
    if (to > chapters) {
        message = "title " + std::to_string(numbers.Title) + " has chapters 1 to " +
                  std::to_string(chapters);
        return false;
    }
    const std::vector<dvd::StreamChoice> audio = dvd::AudioChoices(*record);
    const std::vector<dvd::StreamChoice> subtitles = dvd::SubtitleChoices(*record);
    const std::optional<dvd::StreamChoice> chosenAudio =
        Find(audio, numbers.AudioId.value_or(audio.front().Id));
    const std::optional<dvd::StreamChoice> chosenSubtitle =
        Find(subtitles, numbers.SubtitleId.value_or(0));
    for (const auto& [found, id, kind] :
         {std::tuple{&chosenAudio, numbers.AudioId, "audio"},
          std::tuple{&chosenSubtitle, numbers.SubtitleId, "subtitle"}}) {
        if (!*found) {
            message = "title " + std::to_string(numbers.Title) + " has no " + kind + " stream " +
                      IdText(id.value_or(0));
            return false;
        }
    }
    choice = DvdTitleChoice{};
    choice.Root = root;
    choice.TitleIndex = numbers.Title - 1;
    choice.ChapterFrom = from - 1;
    choice.ChapterTo = to - 1;
    choice.AudioId = chosenAudio->Id;
    choice.AudioText = chosenAudio->Text;
    choice.SubtitleId = chosenSubtitle->Id;
    choice.SubtitleText = chosenSubtitle->Text;
    choice.Deinterlace = deinterlace;
    return true;
}

}  // namespace mw::cli
