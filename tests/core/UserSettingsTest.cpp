#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "core/EditionConfig.h"
#include "core/Ini.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"
#include "support/TempDir.h"

namespace mw {
namespace {

UserSettings Defaults(const EditionConfig& edition = {}) {
    UserSettings settings;
    AssignDefaultSettings(settings, edition, "/home/u/Documents");
    return settings;
}

std::vector<std::string> KeysOf(const std::string& text) {
    std::vector<std::string> keys;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (const std::size_t eq = line.find('='); eq != std::string::npos) {
            keys.push_back(line.substr(0, eq));
        }
    }
    return keys;
}

TEST(UserSettings, DefaultsComeFromTheTableTheEditionAndPersonal) {
    EditionConfig edition;
    edition.DefaultClass = 2;
    edition.DefaultAudio = 3;
    edition.DefaultVideo = 6;
    edition.DefaultDevice = 4;
    const UserSettings s = Defaults(edition);
    EXPECT_EQ(s.LastOpenDir, "/home/u/Documents");
    EXPECT_EQ(s.OutputFileDir, "/home/u/Documents");
    EXPECT_EQ(s.OutputURLDir, "/home/u/Documents");
    EXPECT_EQ(s.OutputFormatClass, 2);
    EXPECT_EQ(s.OutputAudioFormat, 3);
    EXPECT_EQ(s.OutputVideoFormat, 6);
    EXPECT_EQ(s.OutputDeviceFormat, 4);

    const std::pair<const char*, int> presets[] = {
        {"OutputWAVPreset", 3},        {"OutputMP3Preset", 2},         {"OutputWMAPreset", 1},
        {"OutputOGGPreset", 3},        {"OutputAACPreset", 3},         {"OutputM4APreset", 0},
        {"OutputFLACPreset", 5},       {"OutputMP2Preset", 0},         {"OutputAVIPreset", 3},
        {"OutputMP4Preset", 3},        {"OutputFLVPreset", 1},         {"OutputSWFPreset", 1},
        {"OutputMPEGPreset", 5},       {"OutputRMPreset", 1},          {"OutputWMVPreset", 16},
        {"OutputMOVPreset", 7},        {"Output3GPPreset", 2},         {"OutputiPodPreset", 5},
        {"OutputiPhonePreset", 1},     {"OutputAppleTVPreset", 1},     {"OutputPSPPreset", 1},
        {"OutputBlackBerryPreset", 1}, {"OutputMobilePhonePreset", 1}, {"OutputiPadPreset", 0},
    };
    for (const auto& [key, value] : presets) {
        ASSERT_NE(s.PresetIndex(key), nullptr) << key;
        EXPECT_EQ(*s.PresetIndex(key), value) << key;
    }
    EXPECT_EQ(s.PresetIndex("OutputNonsensePreset"), nullptr);
    EXPECT_FALSE(s.PlayASoundWhenFinished);
    EXPECT_FALSE(s.ShutDownWhenFinished);
    EXPECT_TRUE(s.PreferYouTubeQuality);
    EXPECT_EQ(s.PreferYouTube, (std::array<std::uint8_t, 8>{1, 2, 3, 0, 4, 5, 6, 7}));
}

TEST(UserSettings, MissingFileIsCreatedWithTheDefaultsInOrder) {
    test::TempDir dir;
    const std::string path = dir.File("system.dat");
    UserSettings s = Defaults();
    EXPECT_FALSE(LoadSettings(s, path));
    ASSERT_TRUE(PathExists(path));

    std::vector<std::string> expected = {
        "LastOpenDir",       "OutputFileDir",     "OutputURLDir",      "OutputFormatClass",
        "OutputAudioFormat", "OutputVideoFormat", "OutputDeviceFormat"};
    for (std::string_view key : PresetIndexKeys()) {
        expected.emplace_back(key);
    }
    for (const char* key :
         {"PlayASoundWhenFinished", "ShutDownWhenFinished", "PreferYouTubeQuality",
          "PreferYouTube1", "PreferYouTube2", "PreferYouTube3", "PreferYouTube4", "PreferYouTube5",
          "PreferYouTube6", "PreferYouTube7", "PreferYouTube18"}) {
        expected.emplace_back(key);
    }
    const std::string text = test::ReadTextFile(path);
    EXPECT_TRUE(text.starts_with("[System]\n")) << text;
    EXPECT_EQ(KeysOf(text), expected);
    EXPECT_EQ(PresetIndexKeys()[4], "OutputM4APreset");  // M4A precedes AAC in the file

    UserSettings reloaded = Defaults();
    EXPECT_TRUE(LoadSettings(reloaded, path));
}

TEST(UserSettings, PartialAndOddValues) {
    test::TempDir dir;
    const std::string path = dir.File("system.dat");
    test::WriteTextFile(path,
                        "[System]\n"
                        "OutputWMVPreset=4\n"
                        "PlayASoundWhenFinished=yes\n"
                        "ShutDownWhenFinished=2\n"
                        "OutputFormatClass=0x2\n"
                        "OutputVideoFormat=258\n"
                        "PreferYouTube18=$0A\n"
                        "OutputMP3Preset=-1\n");
    UserSettings s = Defaults();
    EXPECT_TRUE(LoadSettings(s, path));
    EXPECT_EQ(s.OutputWMVPreset, 4);
    EXPECT_FALSE(s.PlayASoundWhenFinished);  // not a number: the default
    EXPECT_TRUE(s.ShutDownWhenFinished);
    EXPECT_EQ(s.OutputFormatClass, 2);
    EXPECT_EQ(s.OutputVideoFormat, 2);  // an 8-bit field keeps the low byte
    EXPECT_EQ(s.PreferYouTube[7], 10);
    EXPECT_EQ(s.OutputMP3Preset, -1);
    EXPECT_EQ(s.OutputAVIPreset, 3);
    EXPECT_EQ(s.LastOpenDir, "/home/u/Documents");
    // Loading never writes to an existing file.
    EXPECT_EQ(KeysOf(test::ReadTextFile(path)).size(), 7u);
}

TEST(UserSettings, SaveRoundTripsAndKeepsForeignContent) {
    test::TempDir dir;
    const std::string path = dir.File("system.dat");
    test::WriteTextFile(path,
                        "[Form]\nx=10\n[System]\nLegacyKey=keep\nOutputMP3Preset=1\n"
                        "[Plugins]\nfoo=bar\n");
    UserSettings s = Defaults();
    s.OutputFileDir = "/data/out put/";
    s.OutputFormatClass = 1;
    s.OutputiPadPreset = 3;
    s.PlayASoundWhenFinished = true;
    s.PreferYouTube = {7, 6, 5, 4, 3, 2, 1, 0};
    SaveSettings(s, path);

    UserSettings loaded = Defaults();
    ASSERT_TRUE(LoadSettings(loaded, path));
    EXPECT_EQ(loaded.OutputFileDir, "/data/out put/");
    EXPECT_EQ(loaded.OutputFormatClass, 1);
    EXPECT_EQ(loaded.OutputiPadPreset, 3);
    EXPECT_EQ(loaded.OutputMP3Preset, 2);
    EXPECT_TRUE(loaded.PlayASoundWhenFinished);
    EXPECT_EQ(loaded.PreferYouTube, s.PreferYouTube);

    const Ini ini(path);
    EXPECT_EQ(ini.ReadString("System", "LegacyKey", ""), "keep");
    EXPECT_EQ(ini.ReadString("Plugins", "foo", ""), "bar");
    EXPECT_EQ(ini.ReadInteger("Form", "x", 0), 10);
}

TEST(UserSettings, UnwritableFileRaisesTheWriteText) {
    test::TempDir dir;
    test::WriteTextFile(dir.File("blocker"), "");
    const std::string path = dir.File("blocker/system.dat");
    UserSettings s = Defaults();
    try {
        LoadSettings(s, path);
        FAIL() << "no error";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
}

// A record that differs from the defaults in every field.
UserSettings EveryFieldChanged() {
    UserSettings s = Defaults();
    s.LastOpenDir = "/b/open/";
    s.OutputFileDir = "/b/out/";
    s.OutputURLDir = "/b/url/";
    s.OutputFormatClass = 1;
    s.OutputAudioFormat = 5;
    s.OutputVideoFormat = 6;
    s.OutputDeviceFormat = 4;
    for (std::string_view key : PresetIndexKeys()) {
        *s.PresetIndex(key) += 10;
    }
    s.PlayASoundWhenFinished = true;
    s.ShutDownWhenFinished = true;
    s.PreferYouTubeQuality = false;
    s.PreferYouTube = {7, 6, 5, 4, 3, 2, 1, 0};
    return s;
}

std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(".system.dat.tmp")) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

TEST(UserSettings, ASaveKilledAtAnyMomentLeavesAWholeVersion) {
    test::TempDir dir;
    const UserSettings first = Defaults();
    const UserSettings second = EveryFieldChanged();
    SaveSettings(first, dir.File("first.dat"));
    SaveSettings(second, dir.File("second.dat"));
    const std::string firstText = test::ReadTextFile(dir.File("first.dat"));
    const std::string secondText = test::ReadTextFile(dir.File("second.dat"));
    ASSERT_NE(firstText, secondText);

    const std::string path = dir.File("system.dat");
    SaveSettings(first, path);
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int started[2];
        ASSERT_EQ(pipe(started), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(started[0]);
            const char ready = 1;
            const bool told = write(started[1], &ready, 1) == 1;
            try {
                for (unsigned i = 0; told; ++i) {
                    SaveSettings(i % 2 == 0 ? second : first, path);
                }
            } catch (...) {
            }
            _exit(1);
        }
        close(started[1]);
        char ready = 0;
        EXPECT_EQ(read(started[0], &ready, 1), 1);
        close(started[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the saving child ended by itself";

        const std::string text = test::ReadTextFile(path);
        ASSERT_TRUE(text == firstText || text == secondText) << text;
        SaveSettings(first, path);
        ASSERT_EQ(Temporaries(dir.Path()), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace mw
