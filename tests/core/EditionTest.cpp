#include <gtest/gtest.h>

#include <set>

#include "core/EditionConfig.h"
#include "core/EditionTable.h"
#include "core/UtilFuncs.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(EditionConfig, MissingFileGivesEveryDefault) {
    test::TempDir dir;
    const EditionConfig c = LoadEditionConfig(dir.File("lame.dll"));
    EXPECT_EQ(c.Name, "");
    EXPECT_TRUE(c.Download);
    EXPECT_TRUE(c.DVD);
    EXPECT_FALSE(c.Merge);
    EXPECT_EQ(c.Skin, "0");
    EXPECT_EQ(c.SkinNumber(), 0);
    EXPECT_EQ(c.DefaultClass, 0);
    for (bool enabled : c.VideoFormats)
        EXPECT_FALSE(enabled);
    for (bool enabled : c.AudioFormats)
        EXPECT_FALSE(enabled);
    EXPECT_EQ(FindEdition(c.Name), nullptr);
    EXPECT_EQ(EditionPage(c.Name, EditionPageKind::HomePage), "");
}

TEST(EditionConfig, KeysAndTheirRules) {
    test::TempDir dir;
    const std::string path = dir.File("lame.dll");
    test::WriteTextFile(path,
                        "[system]\n"
                        "name = My Edition \n"
                        "Version=2.1\nCopyright=Someone\n"
                        "Download=0\nDVD=0\nMerge=1\nRes=2\n"
                        "mp3=1\nFLAC=$1\n3gp=1\nipad=7\n"
                        "DefaultClass=5\nDefaultAudio=259\nDefaultVideo=0x108\n"
                        "DefaultDevice=-1\nSkin= 3 \n");
    const EditionConfig c = LoadEditionConfig(path);
    EXPECT_EQ(c.Name, "My Edition");
    EXPECT_EQ(c.Version, "2.1");
    EXPECT_EQ(c.Copyright, "Someone");
    EXPECT_FALSE(c.Download);
    EXPECT_FALSE(c.DVD);
    EXPECT_TRUE(c.Merge);
    EXPECT_EQ(c.Res, "2");
    EXPECT_EQ(c.AudioFormats,
              (std::array<bool, 8>{false, true, false, false, false, false, true, false}));
    EXPECT_TRUE(c.VideoFormats[8]);
    EXPECT_TRUE(c.DeviceFormats[6]);
    EXPECT_EQ(c.DefaultClass, 0);  // out of range: Video
    EXPECT_EQ(c.DefaultAudio, 3);  // low 8 bits
    EXPECT_EQ(c.DefaultVideo, 8);
    EXPECT_EQ(c.DefaultDevice, 255);
    EXPECT_EQ(c.SkinNumber(), 3);
}

TEST(EditionConfig, SkinThatIsNoNumberIsAnError) {
    EditionConfig c;
    c.Skin = "x";
    try {
        c.SkinNumber();
        FAIL() << "no error";
    } catch (const ConvertError& error) {
        EXPECT_STREQ(error.what(), "'x' is not a valid integer value");
    }
    c.Skin = "2";
    EXPECT_EQ(c.SkinNumber(), 2);
}

TEST(EditionConfig, ShippedEditionFileEnablesEverything) {
    const EditionConfig c = LoadEditionConfig(MW_SOURCE_DIR "/assets/lame.dll");
    for (bool enabled : c.VideoFormats)
        EXPECT_TRUE(enabled);
    for (bool enabled : c.DeviceFormats)
        EXPECT_TRUE(enabled);
    for (bool enabled : c.AudioFormats)
        EXPECT_TRUE(enabled);
    EXPECT_TRUE(c.Download);
    EXPECT_TRUE(c.DVD);
    EXPECT_FALSE(c.Merge);
    EXPECT_NO_THROW(c.SkinNumber());
    ASSERT_FALSE(EditionRows().empty());
    EXPECT_EQ(c.Name, EditionRows()[0].Name);
}

TEST(EditionTable, RowsFormOneCoherentFamily) {
    const auto rows = EditionRows();
    ASSERT_EQ(rows.size(), 36u);
    std::set<std::string> names;
    int compact = 0;
    int simple = 0;
    int pattern = 0;
    const std::string root = SiteRoot();
    EXPECT_EQ(root, FileUrl(ProgramDir() + "help/"));
    for (const EditionRow& row : rows) {
        EXPECT_TRUE(names.insert(row.Name).second) << "duplicate " << row.Name;
        EXPECT_FALSE(row.IconResource.empty()) << row.Name;
        EXPECT_EQ(FindEdition(row.Name), &row);
        if (row.CompactWindow) {
            ++compact;
            for (const std::string& page : row.Pages)
                EXPECT_EQ(page, "") << row.Name;
            continue;
        }
        for (const std::string& page : row.Pages) {
            EXPECT_TRUE(page.starts_with(root)) << page;
        }
        EXPECT_EQ(row.Pages[2], root + "index.html");
        EXPECT_EQ(row.Pages[5], root + "support/index.html");
        if (row.SimpleAbout) {
            ++simple;
            continue;
        }
        ++pattern;
        const std::string folder = row.Pages[0].substr(0, row.Pages[0].rfind("help/"));
        EXPECT_EQ(row.Pages[0], folder + "help/Help_Content.html");
        EXPECT_EQ(row.Pages[1], folder + "help/HowTosVideoDemo.html");
        EXPECT_EQ(row.Pages[3], folder + "help/MoreFreeTools.html");
        EXPECT_EQ(row.Pages[4], folder + "help/CheckForUpdates.html");
    }
    EXPECT_EQ(compact, 2);
    EXPECT_EQ(simple, 10);
    EXPECT_EQ(pattern, 24);
}

TEST(EditionTable, LookUpIsExactAndCaseSensitive) {
    const std::string name = EditionRows()[1].Name;
    EXPECT_NE(FindEdition(name), nullptr);
    std::string lower = name;
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(FindEdition(lower), nullptr);
    EXPECT_EQ(FindEdition(name + " "), nullptr);
    EXPECT_EQ(EditionPage("No Such Edition", EditionPageKind::Support), "");
    EXPECT_EQ(EditionPage(name, EditionPageKind::Updates), EditionRows()[1].Pages[4]);
}

}  // namespace
}  // namespace mw
