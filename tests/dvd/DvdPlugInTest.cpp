#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "DvdTestSupport.h"
#include "support/DvdFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using namespace mw::dvd;

// What lsdvd reports of one title.
struct LsdvdAudio {
    std::string Language;
    std::string Format;
    int Frequency = 0;
    int Channels = 0;
};
struct LsdvdTitle {
    double Length = 0;
    std::string Format;
    std::string Aspect;
    int Width = 0;
    int Height = 0;
    std::vector<LsdvdAudio> Audio;
    std::vector<double> Chapters;
    std::vector<std::string> Subtitles;  // language codes
    std::vector<int> SubtitleIds;
};

double Seconds(const std::string& hhmmss) {
    int h = 0, m = 0;
    double s = 0;
    std::sscanf(hhmmss.c_str(), "%d:%d:%lf", &h, &m, &s);
    return h * 3600 + m * 60 + s;
}

std::vector<LsdvdTitle> Lsdvd(const std::string& root) {
    const test::ProcessResult run = test::RunProcess({"lsdvd", "-x", root});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    std::vector<LsdvdTitle> titles;
    const std::regex title(R"(^Title: \d+, Length: ([\d:.]+) )");
    const std::regex video(R"(Format: (\w+), Aspect ratio: ([\d/]+), Width: (\d+), Height: (\d+))");
    const std::regex audio(
        R"(^\s+Audio: \d+, Language: (\w+) .*Format: (\w+)\s*, Frequency: (\d+), .*Channels: (\d+),)");
    const std::regex chapter(R"(^\s+Chapter: \d+, Length: ([\d:.]+),)");
    const std::regex subtitle(R"(^\s+Subtitle: \d+, Language: (\w+) .*Stream id: 0x([0-9a-f]+))");
    std::istringstream lines(run.Out);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, match, title)) {
            titles.emplace_back().Length = Seconds(match[1]);
        } else if (titles.empty()) {
            continue;
        } else if (std::regex_search(line, match, video)) {
            titles.back().Format = match[1];
            titles.back().Aspect = match[2];
            titles.back().Width = std::stoi(match[3]);
            titles.back().Height = std::stoi(match[4]);
        } else if (std::regex_search(line, match, audio)) {
            titles.back().Audio.push_back(
                {match[1], match[2], std::stoi(match[3]), std::stoi(match[4])});
        } else if (std::regex_search(line, match, chapter)) {
            titles.back().Chapters.push_back(Seconds(match[1]));
        } else if (std::regex_search(line, match, subtitle)) {
            titles.back().Subtitles.push_back(match[1]);
            titles.back().SubtitleIds.push_back(std::stoi(match[2], nullptr, 16));
        }
    }
    return titles;
}

// The stream ids (private-stream sub-ids and MPEG audio ids, low byte) that a title set's
// VOB really carries, by ffprobe.
std::vector<int> VobAudioIds(const std::string& vob) {
    const auto probe = test::FFprobe(vob);
    std::vector<int> ids;
    for (int i = 0; probe.contains("streams.stream." + std::to_string(i) + ".codec_type"); ++i) {
        const std::string prefix = "streams.stream." + std::to_string(i) + ".";
        if (probe.at(prefix + "codec_type") == "audio") {
            ids.push_back(std::stoi(probe.at(prefix + "id"), nullptr, 16) & 0xFF);
        }
    }
    return ids;
}

std::string LsdvdFormat(std::int32_t type) {
    switch (type) {
        case dstAC3:
            return "ac3";
        case dstLPCM:
            return "lpcm";
        case dstMPA:
            return "mpeg1";
        default:
            return "other";
    }
}

TEST(DvdPlugIn, RecordsOfTheFixtureAgreeWithLsdvdAndTheVobs) {
    const std::string root = test::DvdFixtureRoot();
    DVDPlugIn plugIn = test::ProgramPlugIn();
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
    const std::vector<LsdvdTitle> oracle = Lsdvd(root);
    ASSERT_EQ(plugIn.DVDEnumTitle(root), 3);
    ASSERT_EQ(oracle.size(), 3u);
    const char* vobs[] = {"VTS_01_1.VOB", "VTS_01_1.VOB", "VTS_02_1.VOB"};

    for (int t = 0; t < 3; ++t) {
        SCOPED_TRACE("title " + std::to_string(t + 1));
        TDVDTitle record;
        ASSERT_TRUE(plugIn.DVDGetTitle(t, record)) << plugIn.LastTitleError();
        const LsdvdTitle& want = oracle[static_cast<std::size_t>(t)];
        EXPECT_NEAR(record.Length, want.Length, 0.0015);
        EXPECT_EQ(record.Norm, want.Format == "PAL" ? 0 : 1);
        EXPECT_EQ(record.Aspect, want.Aspect == "16/9" ? 1 : 0);
        EXPECT_EQ(record.Width, want.Width);
        EXPECT_EQ(record.Height, want.Height);
        EXPECT_EQ(record.VideoType, dstMPEG2);
        EXPECT_EQ(record.VideoId, 0xE0);
        EXPECT_EQ(record.Valid, 1);

        ASSERT_EQ(record.ChapterCount, static_cast<int>(want.Chapters.size()));
        for (int c = 0; c < record.ChapterCount; ++c) {
            EXPECT_NEAR(record.Chapters[c], want.Chapters[static_cast<std::size_t>(c)], 0.0015);
        }

        ASSERT_EQ(record.AudioCount, static_cast<int>(want.Audio.size()));
        std::vector<int> ids;
        for (int a = 0; a < record.AudioCount; ++a) {
            const TDVDAudio& audio = record.Audio[a];
            const LsdvdAudio& wantAudio = want.Audio[static_cast<std::size_t>(a)];
            EXPECT_EQ(audio.LanguageCode, wantAudio.Language);
            EXPECT_EQ(LsdvdFormat(audio.TypeCode), wantAudio.Format);
            EXPECT_EQ(audio.SampleRate, wantAudio.Frequency);
            EXPECT_EQ(audio.Channels, wantAudio.Channels);
            ids.push_back(audio.Id);
        }
        // lsdvd derives an audio id from the stream's position in the list; the id that
        // the VOB's packets carry comes from the stream number in the control word, which
        // is what the program must demultiplex by (title 3's LPCM stream is 0xA0, not 0xA1).
        std::vector<int> carried = VobAudioIds(test::DvdFixtureRoot() + "VIDEO_TS/" + vobs[t]);
        EXPECT_THAT(carried, ::testing::IsSupersetOf(ids));

        ASSERT_EQ(record.SubtitleCount, static_cast<int>(want.Subtitles.size()));
        for (int s = 0; s < record.SubtitleCount; ++s) {
            EXPECT_EQ(record.Subtitles[s].LanguageCode,
                      want.Subtitles[static_cast<std::size_t>(s)]);
            EXPECT_EQ(record.Subtitles[s].Id, want.SubtitleIds[static_cast<std::size_t>(s)]);
            EXPECT_EQ(record.Subtitles[s].TypeCode, dstSUB);
        }
    }
}

TEST(DvdPlugIn, ReportsTheFixtureAsTheDialogShowsIt) {
    DVDPlugIn plugIn = test::ProgramPlugIn();
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
    const std::string root = test::DvdFixtureRoot();
    const std::optional<DvdDisc> disc = ReadDvdRoot(plugIn, root);
    ASSERT_TRUE(disc);
    EXPECT_THAT(test::Captions(*disc),
                ElementsAre("Title #1 Length: 0:00:06", "Title #2 Length: 0:00:04",
                            "Title #3 Length: 0:00:03"));
    EXPECT_FALSE(disc->Encrypted);
    ASSERT_FALSE(disc->Log.empty());
    EXPECT_EQ(disc->Log.front(), "There are 3 title(s) in " + root);
    const std::vector<std::string> title1(disc->Log.begin() + 1, disc->Log.begin() + 14);
    EXPECT_THAT(title1,
                ElementsAre("Title #1 Length: 6.00",
                            "  Video Type[MPEG-2], ID[0xE0], Frame Size[720x576], Norm[PAL], "
                            "Aspect[HDTV(16:9)]",
                            "  AduioCount: 2",
                            "    Audio #0 Type[MPA], ID[0xC0], SampleRate[48000], Channels[2], "
                            "Language[en, English]",
                            "    Audio #1 Type[MPA], ID[0xC1], SampleRate[48000], Channels[2], "
                            "Language[de, German]",
                            "  SubtitleCount: 2",
                            "    Subtitle #0 Type[SUB], ID[0x20], Language[en, English]",
                            "    Subtitle #1 Type[SUB], ID[0x21], Language[fr, French]",
                            "  ChapterCount: 3", "    Chapter #1 Length: 1.80",
                            "    Chapter #2 Length: 2.40", "    Chapter #3 Length: 1.80",
                            "  IsValid: True"));
    const std::vector<std::string> title3(disc->Log.end() - 9, disc->Log.end());
    EXPECT_THAT(title3,
                ElementsAre("Title #3 Length: 3.00",
                            "  Video Type[MPEG-2], ID[0xE0], Frame Size[720x480], Norm[NTSC], "
                            "Aspect[TV(4:3)]",
                            "  AduioCount: 2",
                            "    Audio #0 Type[AC3], ID[0x80], SampleRate[48000], Channels[1], "
                            "Language[ja, Japanese]",
                            "    Audio #1 Type[LPCM], ID[0xA0], SampleRate[48000], Channels[1], "
                            "Language[es, Spanish]",
                            "  SubtitleCount: 0", "  ChapterCount: 1",
                            "    Chapter #1 Length: 3.00", "  IsValid: True"));
}

// Offsets into the information files (big-endian sector numbers of their tables).
constexpr std::uintmax_t kTitleTableSector = 0xC4;  // VIDEO_TS.IFO: tt_srpt
constexpr std::uintmax_t kPartTableSector = 0xC8;   // VTS_xx_0.IFO: vts_ptt_srpt
constexpr std::uintmax_t kBlock = 2048;

// Both the information file and its backup, which the disc library falls back to.
void ForBoth(const std::string& videoTs, const std::string& name,
             const std::function<void(const std::string&)>& change) {
    change(videoTs + name + ".IFO");
    change(videoTs + name + ".BUP");
}

// Sets the scrambling bits of every PES packet in the VOB, as an undecrypted CSS disc has
// them (the payload stays as it was: only the marking is looked at).
void MarkScrambled(const std::string& vob) {
    const std::string target = std::filesystem::read_symlink(vob).string();
    std::filesystem::remove(vob);
    std::filesystem::copy_file(target, vob);
    const auto size = std::filesystem::file_size(vob);
    for (std::uintmax_t at = 0; at + kBlock <= size; at += kBlock) {
        const std::string head = test::ReadBytes(vob, at, 24);
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(head[i]); };
        if (byte(0) != 0 || byte(1) != 0 || byte(2) != 1 || byte(3) != 0xBA) {
            continue;
        }
        const std::size_t pes = 14 + (byte(13) & 7);
        const unsigned char id = byte(pes + 3);
        if (id == 0xBD || (id >= 0xC0 && id <= 0xEF)) {
            test::WriteBytes(vob, at + pes + 6,
                             std::string(1, static_cast<char>(byte(pes + 6) | 0x10)));
        }
    }
}

struct DamageCase {
    const char* Name;
    std::function<void(const std::string& videoTs)> Damage;
    std::vector<std::string> Captions;  // empty: no titles
    bool Encrypted = false;
};

const std::string kTitle1 = "Title #1 Length: 0:00:06";
const std::string kTitle2 = "Title #2 Length: 0:00:04";
const std::string kTitle3 = "Title #3 Length: 0:00:03";

std::vector<DamageCase> DamageCases() {
    return {
        {"manager cut after its header",
         [](const std::string& v) {
             ForBoth(v, "VIDEO_TS", [](const std::string& f) { test::TruncateFile(f, 1024); });
         },
         {},
         false},
        {"manager cut after its first sector, its backup whole",
         [](const std::string& v) { test::TruncateFile(v + "VIDEO_TS.IFO", kBlock + 100); },
         {kTitle1, kTitle2, kTitle3},
         false},
        {"manager cut after its first sector, its backup's title 3 naming title set 0",
         [](const std::string& v) {
             test::TruncateFile(v + "VIDEO_TS.IFO", kBlock + 100);
             const std::string backup = v + "VIDEO_TS.BUP";
             const std::uintmax_t table =
                 test::ReadBigEndian(backup, kTitleTableSector, 4) * kBlock;
             test::WriteBigEndian(backup, table + 8 + 2 * 12 + 6, 1, 0);
         },
         {kTitle1, kTitle2, "Title #3 is invalid"},
         false},
        {"no manager at all",
         [](const std::string& v) {
             ForBoth(v, "VIDEO_TS", [](const std::string& f) { std::filesystem::remove(f); });
         },
         {},
         false},
        {"title set 1 cut to its first sector",
         [](const std::string& v) {
             ForBoth(v, "VTS_01_0", [](const std::string& f) { test::TruncateFile(f, kBlock); });
         },
         {"Title #1 is invalid", "Title #2 is invalid", kTitle3},
         false},
        {"title 2's chapter names a program chain that is not there",
         [](const std::string& v) {
             ForBoth(v, "VTS_01_0", [](const std::string& f) {
                 const std::uintmax_t table = test::ReadBigEndian(f, kPartTableSector, 4) * kBlock;
                 const std::uint32_t title2 = test::ReadBigEndian(f, table + 8 + 4, 4);
                 test::WriteBigEndian(f, table + title2, 2, 99);
             });
         },
         {kTitle1, "Title #2 is invalid", kTitle3},
         false},
        {"title 3 names title set 9",
         [](const std::string& v) {
             ForBoth(v, "VIDEO_TS", [](const std::string& f) {
                 const std::uintmax_t table = test::ReadBigEndian(f, kTitleTableSector, 4) * kBlock;
                 test::WriteBigEndian(f, table + 8 + 2 * 12 + 6, 1, 9);
             });
         },
         {kTitle1, kTitle2, "Title #3 is invalid"},
         false},
        {"title set 2 encrypted",
         [](const std::string& v) { MarkScrambled(v + "VTS_02_1.VOB"); },
         {kTitle1, kTitle2, "Title #3 is invalid"},
         true},
    };
}

TEST(DvdPlugIn, DamagedDiscsListInvalidTitlesOrNone) {
    for (const DamageCase& damage : DamageCases()) {
        SCOPED_TRACE(damage.Name);
        test::TempDir folder;
        const std::string videoTs = test::CopyDvdFixture(folder.Path());
        damage.Damage(videoTs);

        DVDPlugIn plugIn = test::ProgramPlugIn();
        ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
        const std::optional<DvdDisc> disc = ReadDvdRoot(plugIn, folder.Path());
        // Damaged data is refused by the reader, never a reason for it to stop.
        EXPECT_EQ(plugIn.ReaderCrashes(), 0);
        const test::ProcessResult cli =
            test::RunProcess({MW_PROGRAM_DIR "mediawizard-cli", "dvd", folder.Path()});
        if (damage.Captions.empty()) {
            EXPECT_FALSE(disc);
            EXPECT_EQ(cli.ExitCode, 1);
            EXPECT_THAT(cli.Err, HasSubstr(kNoTitlesMessage));
            continue;
        }
        ASSERT_TRUE(disc);
        EXPECT_THAT(test::Captions(*disc), ElementsAreArray(damage.Captions));
        EXPECT_EQ(disc->Encrypted, damage.Encrypted);
        for (std::size_t i = 0; i < damage.Captions.size(); ++i) {
            const bool invalid = damage.Captions[i].ends_with("is invalid");
            EXPECT_EQ(!disc->Titles[i].Record, invalid);
            const std::string failed = "Calling DVDGetTitle(#" + std::to_string(i) + ") failed.";
            EXPECT_EQ(std::count(disc->Log.begin(), disc->Log.end(), failed), invalid ? 1 : 0);
        }
        EXPECT_EQ(cli.ExitCode, 0);
        std::string log;
        for (const std::string& line : disc->Log) {
            log += line + "\n";
        }
        EXPECT_EQ(cli.Out, log);
        if (damage.Encrypted) {
            EXPECT_THAT(cli.Err, HasSubstr(kEncryptedMessage));
        }
    }
}

}  // namespace
}  // namespace mw
