#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "core/UtilFuncs.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(PathHelpers, TrailingSeparatorNamesAndExtensions) {
    EXPECT_EQ(WithTrailingBackslash("/home/u/Music/"), "/home/u/Music/");
    EXPECT_EQ(WithTrailingBackslash("/home/u/Music"), "/home/u/Music/");
    EXPECT_EQ(WithTrailingBackslash(""), "");  // never the root folder

    struct Case {
        const char* Path;
        const char* WithoutExt;
        const char* Extension;
    };
    const Case cases[] = {
        {"/a/b/clip.mp4", "/a/b/clip", ".mp4"},
        {"/a/b.d/clip", "/a/b.d/clip", ""},  // the only dot is in a folder name
        {"clip.tar.gz", "clip.tar", ".gz"},
        {"clip", "clip", ""},
        {"/a/.hidden", "/a/", ".hidden"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileNameWithoutExt(c.Path), c.WithoutExt) << c.Path;
        EXPECT_EQ(FileExtension(c.Path), c.Extension) << c.Path;
    }
    EXPECT_EQ(ExtractFileName("/a/b/clip.mp4"), "clip.mp4");
    EXPECT_EQ(ExtractFilePath("/a/b/clip.mp4"), "/a/b/");
    EXPECT_EQ(ExtractFilePath("clip.mp4"), "");
}

TEST(PathHelpers, FileUrlEncodesWhatAnAddressCannotHold) {
    EXPECT_EQ(FileUrl("/usr/lib/mediawizard/help/"), "file:///usr/lib/mediawizard/help/");
    EXPECT_EQ(FileUrl("/home/ana/My Apps/50%#1?/\xc3\xa9t\xc3\xa9~_.-/"),
              "file:///home/ana/My%20Apps/50%25%231%3F/%C3%A9t%C3%A9~_.-/");
}

TEST(PathHelpers, ProgramDirIsTheExecutablesFolder) {
    const std::string dir = ProgramDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(PathExists(dir + "core_tests"));
}

TEST(FileNames, ValidityAndSanitizing) {
    EXPECT_TRUE(HasAnyChar("abc", "xyc"));
    EXPECT_FALSE(HasAnyChar("abc", "xyz"));
    EXPECT_FALSE(HasAnyChar("", "xyz"));

    struct Case {
        const char* Name;
        bool Valid;
        const char* Sanitized;
    };
    const Case cases[] = {
        {"AC/DC: live?", false, "AC_DC_ live_"},    {"", false, ""},
        {"plain name.mp3", true, "plain name.mp3"}, {"a\\b*c\"d<e>f|g", false, "a_b_c_d_e_f_g"},
        {"100% pure", true, "100% pure"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidFileName(c.Name), c.Valid) << c.Name;
        EXPECT_EQ(SanitizeFileName(c.Name), c.Sanitized) << c.Name;
    }
}

TEST(FileNames, UniqueFileNameCountsPastExistingNames) {
    test::TempDir dir;
    EXPECT_EQ(UniqueFileName("a.mp3", dir.Path()), "a.mp3");

    test::WriteTextFile(dir.File("a(1).mp3"), "");
    EXPECT_EQ(UniqueFileName("a.mp3", dir.Path()), "a.mp3");  // a.mp3 itself is free

    test::WriteTextFile(dir.File("a.mp3"), "");
    EXPECT_EQ(UniqueFileName("a.mp3", dir.Path()), "a(2).mp3");

    test::WriteTextFile(dir.File("clip"), "");
    EXPECT_EQ(UniqueFileName("clip", dir.Path()), "clip(1)");

    // The folder may come without its separator; "%" is text, not a format.
    test::WriteTextFile(dir.File("100%d.wav"), "");
    std::string folder = dir.Path();
    folder.pop_back();
    EXPECT_EQ(UniqueFileName("100%d.wav", folder), "100%d(1).wav");
}

TEST(FileNames, UniqueFileNameCountsDanglingLinksAsTaken) {
    test::TempDir dir;
    ASSERT_EQ(symlink("/nonexistent/target", dir.File("x.mp3").c_str()), 0);
    EXPECT_EQ(UniqueFileName("x.mp3", dir.Path()), "x(1).mp3");
}

TEST(TimeFormats, AllThreeFormats) {
    EXPECT_EQ(FormatSecondsShort(3725), "1:02:05");
    EXPECT_EQ(FormatSecondsShort(0), "0:00:00");
    EXPECT_EQ(FormatSecondsShort(100 * 3600), "100:00:00");
    EXPECT_EQ(FormatSecondsLong(3725), "01:02:05");
    EXPECT_EQ(FormatSecondsLong(59), "00:00:59");

    struct Case {
        std::int64_t Microseconds;
        const char* Text;
    };
    const Case cases[] = {
        {0, "00:00:00.000"},
        {3725500000LL, "01:02:05.500"},
        {100LL * 3600 * 1000000, "100:00:00.000"},
        {999, "00:00:00.000"},
        {1999, "00:00:00.001"},
        // Past 32 bits of microseconds (71 minutes) and of seconds.
        {5000LL * 1000000, "01:23:20.000"},
        {INT64_C(3000000000) * 1000000, "833333:20:00.000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatMicroseconds(c.Microseconds), c.Text) << c.Microseconds;
    }
}

TEST(Layout, GridCellRect) {
    struct Case {
        int PageWidth, Top, Left, Index, CellWidth, CellHeight, VGap, HGap;
        CellRect Expected;
    };
    const Case cases[] = {
        // 7 columns; index 8 is the second cell of the second row.
        {500, 5, 10, 8, 62, 57, 3, 2, {74, 65, 138, 125}},
        {500, 5, 10, 0, 62, 57, 3, 2, {10, 5, 74, 65}},
        // Too narrow for one column: one column all the same.
        {40, 135, 18, 2, 171, 32, 0, 0, {18, 199, 189, 231}},
        // Class buttons on a wide page: one row.
        {560, 135, 18, 2, 171, 32, 0, 0, {360, 135, 531, 167}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GridCellRect(c.PageWidth, c.Top, c.Left, c.Index, c.CellWidth, c.CellHeight,
                               c.VGap, c.HGap),
                  c.Expected)
            << "index " << c.Index << " width " << c.PageWidth;
    }
}

TEST(MediaFiles, ExtensionList) {
    for (const char* yes : {".mp3", ".MP3", ".Flac", ".rmvb", ".ifo", ".swf", ".ts", ".WebM",
                            ".opus", ".aiff", ".m4v", ".m2ts", ".oga", ".ogv", ".3g2"}) {
        EXPECT_TRUE(IsMediaExtension(yes)) << yes;
    }
    for (const char* no : {".mpeg", "mp3", "", ".txt", ".mp33", "."}) {
        EXPECT_FALSE(IsMediaExtension(no)) << no;
    }
}

TEST(Text, CaseAndTrim) {
    EXPECT_TRUE(SameText("OutputMP3Preset", "outputmp3PRESET"));
    EXPECT_FALSE(SameText("abc", "abd"));
    EXPECT_EQ(Trim("  \t value \r"), "value");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(LowerCase("AbC.MP3"), "abc.mp3");
    EXPECT_EQ(UpperCase("mpeg"), "MPEG");
}

}  // namespace
}  // namespace mw
