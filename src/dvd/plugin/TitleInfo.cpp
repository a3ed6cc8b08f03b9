#include "TitleInfo.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "Languages.h"

namespace mw::dvd {

namespace {

constexpr int kVideoStreamId = 0xE0;
constexpr int kAc3Base = 0x80;
constexpr int kDtsBase = 0x88;
constexpr int kLpcmBase = 0xA0;
constexpr int kMpegAudioBase = 0xC0;
constexpr int kSubPictureBase = 0x20;

// libdvdread's audio_format values.
enum AudioFormat { afAC3 = 0, afMPEG1 = 2, afMPEG2 = 3, afLPCM = 4, afDTS = 6 };

int Bcd(std::uint8_t value) {
    return (value >> 4) * 10 + (value & 0x0F);
}

double FrameRate(std::uint8_t frameByte) {
    switch (frameByte >> 6) {
        case 1:
            return 25.0;
        case 3:
            return 30000.0 / 1001.0;
        default:
            return 0.0;
    }
}

// The language of a stream: the code as two lower-case letters and its name, or "" and
// "Unknown" when the disc names none or something that is not a code.
void SetLanguage(std::uint16_t code, bool named, char (&codeField)[kLanguageCodeSize],
                 char (&nameField)[kLanguageNameSize]) {
    const char first = static_cast<char>(code >> 8);
    const char second = static_cast<char>(code & 0xFF);
    const auto letter = [](char c) { return c >= 'a' && c <= 'z'; };
    std::string_view name = "Unknown";
    if (named && letter(first) && letter(second)) {
        codeField[0] = first;
        codeField[1] = second;
        const std::string_view known = LanguageName(std::string_view(codeField, 2));
        if (!known.empty()) {
            name = known;
        }
    }
    std::snprintf(nameField, sizeof nameField, "%.*s", static_cast<int>(name.size()), name.data());
}

void FillVideo(const video_attr_t& video, TDVDTitle& record) {
    record.VideoType = video.mpeg_version == 0 ? dstMPEG1 : dstMPEG2;
    record.VideoId = kVideoStreamId;
    // libdvdread counts NTSC as 0 and PAL as 1; the record has it the other way round.
    int fullHeight = 0;
    switch (video.video_format) {
        case 0:
            record.Norm = 1;
            fullHeight = 480;
            break;
        case 1:
            record.Norm = 0;
            fullHeight = 576;
            break;
        default:
            record.Norm = 2;
            break;
    }
    record.Aspect = video.display_aspect_ratio == 0 ? 0 : video.display_aspect_ratio == 3 ? 1 : 2;
    constexpr int kWidths[] = {720, 704, 352, 352};
    record.Width = kWidths[video.picture_size];
    record.Height = video.picture_size == 3 ? fullHeight / 2 : fullHeight;
}

void FillAudio(const pgc_t& pgc, const vtsi_mat_t& mat, TDVDTitle& record) {
    for (int i = 0; i < kMaxAudio; ++i) {
        const std::uint16_t control = pgc.audio_control[i];
        if ((control & 0x8000) == 0) {
            continue;
        }
        const int stream = (control >> 8) & 0x07;
        const audio_attr_t& attr = mat.vts_audio_attr[i];
        TDVDAudio& audio = record.Audio[record.AudioCount++];
        switch (attr.audio_format) {
            case afAC3:
                audio.TypeCode = dstAC3;
                audio.Id = kAc3Base + stream;
                break;
            case afMPEG1:
            case afMPEG2:
                audio.TypeCode = dstMPA;
                audio.Id = kMpegAudioBase + stream;
                break;
            case afLPCM:
                audio.TypeCode = dstLPCM;
                audio.Id = kLpcmBase + stream;
                break;
            case afDTS:
                audio.TypeCode = dstDTS;
                audio.Id = kDtsBase + stream;
                break;
            default:
                audio.TypeCode = 0;
                audio.Id = kAc3Base + stream;
                break;
        }
        audio.SampleRate = attr.sample_frequency == 0   ? 48000
                           : attr.sample_frequency == 1 ? 96000
                                                        : 0;
        audio.Channels = attr.channels + 1;
        SetLanguage(attr.lang_code, attr.lang_type == 1, audio.LanguageCode, audio.LanguageName);
    }
}

void FillSubtitles(const pgc_t& pgc, const vtsi_mat_t& mat, TDVDTitle& record) {
    const bool wide = record.Aspect == 1;
    for (int i = 0; i < kMaxSubtitles; ++i) {
        const std::uint32_t control = pgc.subp_control[i];
        if ((control & 0x80000000U) == 0) {
            continue;
        }
        const int stream = static_cast<int>((control >> (wide ? 16 : 24)) & 0x1F);
        const subp_attr_t& attr = mat.vts_subp_attr[i];
        TDVDSubtitle& subtitle = record.Subtitles[record.SubtitleCount++];
        subtitle.TypeCode = dstSUB;
        subtitle.Id = kSubPictureBase + stream;
        SetLanguage(attr.lang_code, attr.type == 1, subtitle.LanguageCode, subtitle.LanguageName);
    }
}

bool ChapterLength(const pgcit_t& pgcit, const ptt_info_t& ptt, double& seconds) {
    ChapterCells cells;
    if (!FindChapterCells(pgcit, ptt, cells)) {
        return false;
    }
    seconds = 0.0;
    for (int cell = cells.First; cell <= cells.Last; ++cell) {
        const cell_playback_t& playback = cells.Chain->cell_playback[cell - 1];
        if (PlaysInFirstAngle(playback)) {
            seconds += DvdTimeSeconds(playback.playback_time);
        }
    }
    return true;
}

}  // namespace

const pgc_t* ProgramChain(const pgcit_t& pgcit, int pgcn) {
    if (pgcn < 1 || pgcn > pgcit.nr_of_pgci_srp || pgcit.pgci_srp == nullptr) {
        return nullptr;
    }
    return pgcit.pgci_srp[pgcn - 1].pgc;
}

bool FindChapterCells(const pgcit_t& pgcit, const ptt_info_t& ptt, ChapterCells& cells) {
    const pgc_t* pgc = ProgramChain(pgcit, ptt.pgcn);
    if (pgc == nullptr || pgc->program_map == nullptr || pgc->cell_playback == nullptr ||
        ptt.pgn < 1 || ptt.pgn > pgc->nr_of_programs) {
        return false;
    }
    const int first = pgc->program_map[ptt.pgn - 1];
    const int last =
        ptt.pgn < pgc->nr_of_programs ? pgc->program_map[ptt.pgn] - 1 : pgc->nr_of_cells;
    if (first < 1 || last < first || last > pgc->nr_of_cells) {
        return false;
    }
    cells = {pgc, first, last};
    return true;
}

bool PlaysInFirstAngle(const cell_playback_t& cell) {
    return cell.block_type != BLOCK_TYPE_ANGLE_BLOCK || cell.block_mode == BLOCK_MODE_FIRST_CELL;
}

double DvdTimeSeconds(const dvd_time_t& time) {
    const double rate = FrameRate(time.frame_u);
    const double frames = rate > 0.0 ? Bcd(time.frame_u & 0x3F) / rate : 0.0;
    return Bcd(time.hour) * 3600.0 + Bcd(time.minute) * 60.0 + Bcd(time.second) + frames;
}

bool FillTitleRecord(const title_info_t& title, const ifo_handle_t& vts, TDVDTitle& record,
                     TitleStart& start, std::string& error) {
    const vts_ptt_srpt_t* parts = vts.vts_ptt_srpt;
    const pgcit_t* pgcit = vts.vts_pgcit;
    if (vts.vtsi_mat == nullptr || parts == nullptr || pgcit == nullptr ||
        parts->title == nullptr) {
        error = "the title set has no title tables";
        return false;
    }
    if (title.vts_ttn < 1 || title.vts_ttn > parts->nr_of_srpts) {
        error = "the title set has no title " + std::to_string(title.vts_ttn);
        return false;
    }
    const ttu_t& unit = parts->title[title.vts_ttn - 1];
    if (unit.nr_of_ptts < 1 || unit.ptt == nullptr) {
        error = "the title has no chapters";
        return false;
    }
    const pgc_t* pgc = ProgramChain(*pgcit, unit.ptt[0].pgcn);
    if (pgc == nullptr || pgc->cell_playback == nullptr || pgc->nr_of_cells < 1) {
        error = "the title's program chain is missing";
        return false;
    }

    record.Length = DvdTimeSeconds(pgc->playback_time);
    FillVideo(vts.vtsi_mat->vts_video_attr, record);
    FillAudio(*pgc, *vts.vtsi_mat, record);
    FillSubtitles(*pgc, *vts.vtsi_mat, record);

    record.ChapterCount = unit.nr_of_ptts;
    for (int chapter = 0; chapter < unit.nr_of_ptts; ++chapter) {
        double seconds = 0.0;
        if (!ChapterLength(*pgcit, unit.ptt[chapter], seconds)) {
            error = "chapter " + std::to_string(chapter + 1) + " points outside its program chain";
            return false;
        }
        if (chapter < kMaxChapters) {
            record.Chapters[chapter] = seconds;
        }
    }
    record.Valid = 1;
    start.FirstSector = pgc->cell_playback[0].first_sector;
    return true;
}

}  // namespace mw::dvd
