#include <gtest/gtest.h>

#include <filesystem>

#include "core/Platform.h"
#include "core/SettingsFolder.h"
#include "core/UtilFuncs.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(ShellFolders, XdgMapping) {
    test::TempDir home;
    const std::string homeDir = home.Path().substr(0, home.Path().size() - 1);
    test::ScopedEnv homeEnv("HOME", homeDir);
    {
        test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(ShellFolderPath("AppData"), homeDir + "/.config");
        EXPECT_EQ(ShellFolderPath("Personal"), homeDir);  // no user-dirs.dirs
        EXPECT_EQ(ShellFolderPath("NoSuchFolder"), homeDir);
    }
    {
        test::ScopedEnv config("XDG_CONFIG_HOME", "relative/is/ignored");
        EXPECT_EQ(ShellFolderPath("AppData"), homeDir + "/.config");
    }
    test::ScopedEnv config("XDG_CONFIG_HOME", home.File("cfg/"));
    EXPECT_EQ(ShellFolderPath("appdata"), home.File("cfg"));

    std::filesystem::create_directories(home.File("cfg"));
    test::WriteTextFile(home.File("cfg/user-dirs.dirs"),
                        "# written by xdg-user-dirs-update\n"
                        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                        "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(ShellFolderPath("Personal"), homeDir + "/Dokumente");

    test::WriteTextFile(home.File("cfg/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n");
    EXPECT_EQ(ShellFolderPath("Personal"), "/srv/docs");

    test::WriteTextFile(home.File("cfg/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
    EXPECT_EQ(ShellFolderPath("Personal"), homeDir);
}

TEST(SettingsFolder, NamedAfterTheEditionAndCreated) {
    test::TempDir appData;
    struct Case {
        const char* Title;
        const char* Folder;  // relative to the application-data folder
    };
    const Case cases[] = {
        {"MediaWizard", "MediaWizard/"},
        {"Audio/Video Converter", "Audio Video Converter/"},
        {"", ""},
        {"..", ""},
    };
    for (const Case& c : cases) {
        const std::string folder = PrepareSettingsFolder(appData.Path(), c.Title);
        EXPECT_EQ(folder, appData.File(c.Folder)) << c.Title;
        EXPECT_TRUE(std::filesystem::is_directory(folder)) << c.Title;
    }
    // A missing configuration folder is created along with the settings folder.
    const std::string nested = PrepareSettingsFolder(appData.File("fresh/.config"), "Edition");
    EXPECT_EQ(nested, appData.File("fresh/.config/Edition/"));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
}

TEST(SettingsFolder, FallsBackToTheApplicationDataFolder) {
    test::TempDir appData;
    test::WriteTextFile(appData.File("Taken"), "a file, not a folder");
    std::string base = appData.Path();
    base.pop_back();
    EXPECT_EQ(PrepareSettingsFolder(base, "Taken"), appData.Path());
}

}  // namespace
}  // namespace mw
