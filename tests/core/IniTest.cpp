#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>

#include "core/Ini.h"
#include "core/UtilFuncs.h"
#include "support/TempDir.h"

namespace mw {
namespace {

TEST(IniNumbers, ParseIniInteger) {
    struct Case {
        const char* Text;
        std::optional<int> Value;
    };
    const Case cases[] = {
        {"42", 42},
        {" 42 ", 42},
        {"-7", -7},
        {"+7", 7},
        {"0x2", 2},
        {"0X1f", 31},
        {"$FF", 255},
        {"$ffffffff", -1},
        {"2147483647", 2147483647},
        {"-2147483648", INT_MIN},
        {"2147483648", std::nullopt},
        {"0x100000000", std::nullopt},
        {"yes", std::nullopt},
        {"", std::nullopt},
        {"12abc", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"1.5", std::nullopt},
        {"0x1G", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseIniInteger(c.Text), c.Value) << '"' << c.Text << '"';
    }
}

TEST(IniRead, HandWrittenFileFollowsTheConventions) {
    test::TempDir dir;
    const std::string path = dir.File("settings.ini");
    test::WriteTextFile(path,
                        "; a comment line\r\n"
                        "[system]\r\n"
                        "  outputFILEdir =   /home/u/Videos/  \r\n"
                        "OutputFormatClass=0x2\r\n"
                        "OutputMP3Preset = $A\r\n"
                        "PlayASoundWhenFinished=yes\r\n"
                        "ShutDownWhenFinished=2\r\n"
                        "Broken line without equals\r\n"
                        "Empty=\r\n"
                        "[Other]\r\n"
                        "OutputMP3Preset=99\r\n");
    const Ini ini(path);
    EXPECT_EQ(ini.ReadString("System", "OutputFileDir", "x"), "/home/u/Videos/");
    EXPECT_EQ(ini.ReadInteger("SYSTEM", "outputformatclass", 0), 2);
    EXPECT_EQ(ini.ReadInteger("System", "OutputMP3Preset", 0), 10);
    EXPECT_FALSE(ini.ReadBool("System", "PlayASoundWhenFinished", false));
    EXPECT_TRUE(ini.ReadBool("System", "ShutDownWhenFinished", false));
    EXPECT_EQ(ini.ReadString("System", "Empty", "default"), "");
    EXPECT_EQ(ini.ReadInteger("System", "Empty", 5), 5);
    EXPECT_EQ(ini.ReadString("System", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadString("Nowhere", "OutputFileDir", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("Other", "OutputMP3Preset", 0), 99);
    EXPECT_TRUE(ini.SectionExists("OTHER"));
    EXPECT_FALSE(ini.SectionExists("Form"));
}

TEST(IniRead, LongValuesAreCutAndReadingCreatesNothing) {
    test::TempDir dir;
    const std::string path = dir.File("long.ini");
    test::WriteTextFile(path, "[S]\nK=" + std::string(5000, 'v') + "\n");
    EXPECT_EQ(Ini(path).ReadString("S", "K", "").size(), Ini::kMaxValueLength);

    const std::string missing = dir.File("sub/missing.ini");
    const Ini absent(missing);
    EXPECT_EQ(absent.ReadInteger("S", "K", 17), 17);
    EXPECT_FALSE(PathExists(missing));
    EXPECT_FALSE(PathExists(dir.File("sub")));
}

TEST(IniRead, BinaryGarbageGivesDefaults) {
    test::TempDir dir;
    const std::string path = dir.File("garbage.ini");
    std::string junk;
    for (int i = 0; i < 4096; ++i) {
        junk += static_cast<char>((i * 7919) % 256);
    }
    test::WriteTextFile(path, junk);
    const Ini ini(path);
    EXPECT_EQ(ini.ReadString("System", "LastOpenDir", "default"), "default");
}

TEST(IniWrite, UpdatesInPlaceAppendsToSectionAndKeepsTheRest) {
    test::TempDir dir;
    const std::string path = dir.File("a.ini");
    test::WriteTextFile(path,
                        "[System]\r\n"
                        "A=1\r\n"
                        "Unknown=keep me\r\n"
                        "\r\n"
                        "[Foreign]\r\n"
                        "X = y\r\n");
    Ini ini(path);
    ini.WriteInteger("SYSTEM", "a", 5);         // in place, with the caller's spelling
    ini.WriteString("System", "B", "  two  ");  // appended to its section
    ini.WriteBool("Form", "maximized", true);   // new section at the end
    EXPECT_EQ(test::ReadTextFile(path),
              "[System]\r\n"
              "a=5\r\n"
              "Unknown=keep me\r\n"
              "B=  two  \r\n"
              "\r\n"
              "[Foreign]\r\n"
              "X = y\r\n"
              "[Form]\r\n"
              "maximized=1\r\n");
    EXPECT_EQ(ini.ReadString("system", "b", ""), "two");
    EXPECT_EQ(Ini(path).ReadInteger("System", "A", 0), 5);
}

TEST(IniWrite, CreatesTheFileAndKeepsValuesOnOneLine) {
    test::TempDir dir;
    const std::string path = dir.File("new.ini");
    Ini ini(path);
    ini.WriteString("S", "Folder", "/media/odd\nname");
    ini.WriteInteger("S", "N", -3);
    EXPECT_EQ(test::ReadTextFile(path), "[S]\nFolder=/media/odd name\nN=-3\n");
}

TEST(IniWrite, FailureLeavesTheOldFileAndNoDebris) {
    test::TempDir dir;
    // A "folder" that is a plain file cannot hold a settings file.
    test::WriteTextFile(dir.File("plain"), "");
    const std::string badPath = dir.File("plain/system.dat");
    Ini bad(badPath);
    try {
        bad.WriteString("System", "A", "1");
        FAIL() << "no error";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + badPath);
    }

    // A file that exists but cannot be read is never replaced by a partial one.
    const std::string folderPath = dir.File("folder.ini");
    std::filesystem::create_directory(folderPath);
    Ini folder(folderPath);
    EXPECT_THROW(folder.WriteString("S", "K", "v"), IniWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(folderPath));

    const std::string good = dir.File("good.ini");
    test::WriteTextFile(good, "[S]\nK=1\n");
    Ini(good).WriteString("S", "K", "2");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 3u);  // plain, folder.ini, good.ini: no temporary file left
}

TEST(IniWrite, WritesThroughASymlinkAndKeepsThePermissions) {
    test::TempDir dir;
    const std::string real = dir.File("real.ini");
    test::WriteTextFile(real, "[S]\nK=1\n");
    std::filesystem::permissions(
        real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string link = dir.File("link.ini");
    std::filesystem::create_symlink(real, link);

    Ini(link).WriteString("S", "K", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::ReadTextFile(real), "[S]\nK=2\n");
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(IniWrite, OneRewriteStoresWhatSeparateWritesWould) {
    test::TempDir dir;
    const std::string original =
        "; kept\r\n[System]\r\nB=old\r\n\r\n[Other]\r\nB=other\r\n[system]\r\nC=dup\r\n";
    const std::vector<IniEntry> entries = {
        {"A", "1"}, {"b", "new"}, {"Folder", "/x\ny"}, {"A", "2"}, {"D", ""}};
    const std::string separate = dir.File("separate.ini");
    const std::string together = dir.File("together.ini");
    for (const std::string& path : {separate, together}) {
        test::WriteTextFile(path, original);
    }
    Ini one(separate);
    for (const IniEntry& entry : entries) {
        one.WriteString("System", entry.Key, entry.Value);
    }
    Ini(together).WriteStrings("System", entries);
    EXPECT_EQ(test::ReadTextFile(together), test::ReadTextFile(separate));
    EXPECT_EQ(Ini(together).ReadString("SYSTEM", "A", ""), "2");
}

// Runs a read of a FIFO; one that blocks is released by writers that open and close the
// FIFO, so that the failure is reported instead of holding up the tests.
void ExpectNoBlock(const std::string& fifo, const std::function<void()>& read) {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "reading " << fifo << " blocked";
        while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        }
    }
    done.get();
}

TEST(IniRead, FilesThatAreNoTextFilesReadAsEmptyAndAreNeverReplaced) {
    test::TempDir dir;
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.File("zero.ini");
    std::filesystem::create_symlink("/dev/zero", zero);
    const std::string folder = dir.File("folder.ini");
    std::filesystem::create_directory(folder);
    // A valid file one byte past the limit; the file at the limit is read.
    const std::string text = "[S]\nK=v\n";
    const std::string atLimit = dir.File("limit.ini");
    test::WriteTextFile(atLimit, text + std::string(Ini::kMaxFileSize - text.size(), '\n'));
    const std::string large = dir.File("large.ini");
    test::WriteTextFile(large, text + std::string(Ini::kMaxFileSize - text.size() + 1, '\n'));

    EXPECT_EQ(Ini(atLimit).ReadString("S", "K", "default"), "v");
    for (const std::string& path : {fifo, zero, folder, large}) {
        SCOPED_TRACE(path);
        const auto before = std::filesystem::symlink_status(path);
        const std::uintmax_t size = before.type() == std::filesystem::file_type::regular
                                        ? std::filesystem::file_size(path)
                                        : 0;
        ExpectNoBlock(path, [&] {
            Ini ini(path);
            EXPECT_EQ(ini.ReadString("S", "K", "default"), "default");
            EXPECT_FALSE(ini.SectionExists("S"));
            EXPECT_THROW(ini.WriteString("S", "K", "w"), IniWriteError);
        });
        const auto after = std::filesystem::symlink_status(path);
        EXPECT_EQ(after.type(), before.type());
        if (after.type() == std::filesystem::file_type::regular) {
            EXPECT_EQ(std::filesystem::file_size(path), size);
        }
    }
    EXPECT_EQ(std::filesystem::read_symlink(zero), "/dev/zero");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
    }
}

}  // namespace
}  // namespace mw
