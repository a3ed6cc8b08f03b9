#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "DvdTestSupport.h"
#include "support/DvdFixture.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using namespace mw::dvd;
namespace fs = std::filesystem;

// A program directory of its own: the real reader beside a lib folder holding the named
// plug-in (a faulty variant, the real one, or none).
class ProgramFolder {
public:
    ProgramFolder() {
        fs::create_symlink(MW_PROGRAM_DIR + std::string(kReaderFileName),
                           m_folder.File(kReaderFileName));
        fs::create_directory(m_folder.File("lib"));
    }
    void Install(const std::string& library) {
        fs::copy_file(library, LibraryPath(), fs::copy_options::overwrite_existing);
    }
    void InstallFaulty(const std::string& variant) {
        Install(MW_FAULTY_PLUGINS + variant + "/" + kPlugInFileName);
    }
    std::string LibraryPath() const { return m_folder.File("lib/") + kPlugInFileName; }
    const std::string& Path() const { return m_folder.Path(); }

private:
    test::TempDir m_folder;
};

TEST(DvdPlugInLoading, FailuresCarryTheirTextsAndAreTriedAgain) {
    ProgramFolder program;
    DVDPlugIn plugIn(program.Path());

    EXPECT_FALSE(plugIn.Load());
    EXPECT_FALSE(plugIn.Loaded());
    EXPECT_THAT(plugIn.LastErrorMessage(),
                HasSubstr("Load library " + program.LibraryPath() + " error: "));
    EXPECT_THAT(plugIn.LastErrorMessage(), HasSubstr("No such file"));

    program.InstallFaulty("no_version");
    EXPECT_FALSE(plugIn.Load());
    EXPECT_THAT(plugIn.LastErrorMessage(),
                HasSubstr("Load function DVDGetLibVersion@libdvddec.so error: "));
    EXPECT_THAT(plugIn.LastErrorMessage(), HasSubstr("undefined symbol"));

    program.InstallFaulty("init");
    EXPECT_FALSE(plugIn.Load());
    EXPECT_THAT(plugIn.LastErrorMessage(), HasSubstr("could not initialize"));
    EXPECT_EQ(plugIn.DVDEnumTitle(test::DvdFixtureRoot()), 0);

    program.Install(MW_PROGRAM_DIR "lib/" + std::string(kPlugInFileName));
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
    EXPECT_TRUE(plugIn.Loaded());
    EXPECT_EQ(plugIn.DVDEnumTitle(test::DvdFixtureRoot()), 3);
}

TEST(DvdPlugInLoading, AMissingReaderIsALoadFailure) {
    test::TempDir empty;
    DVDPlugIn plugIn(empty.Path());
    EXPECT_FALSE(plugIn.Load());
    EXPECT_THAT(plugIn.LastErrorMessage(), HasSubstr("mediawizard-dvdreader cannot be started"));
}

TEST(DvdReader, ACrashOnOneTitleLeavesTheOthersReadable) {
    ProgramFolder program;
    program.InstallFaulty("crash");
    DVDPlugIn plugIn(program.Path());
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();

    const std::optional<DvdDisc> disc = ReadDvdRoot(plugIn, "/any/root/");
    ASSERT_TRUE(disc);
    EXPECT_THAT(
        test::Captions(*disc),
        ElementsAre("Title #1 Length: 0:00:10", "Title #2 is invalid", "Title #3 Length: 0:00:30"));
    EXPECT_EQ(std::count(disc->Log.begin(), disc->Log.end(), "Calling DVDGetTitle(#1) failed."), 1);
    EXPECT_EQ(plugIn.ReaderCrashes(), 1);
    EXPECT_TRUE(plugIn.Loaded());
}

TEST(DvdReader, AHungReaderIsKilledAtTheTimeLimit) {
    ProgramFolder program;
    program.InstallFaulty("hang");
    DVDPlugIn plugIn(program.Path(), std::chrono::seconds(2));
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();

    const std::optional<DvdDisc> disc = ReadDvdRoot(plugIn, "/any/root/");
    ASSERT_TRUE(disc);
    EXPECT_THAT(
        test::Captions(*disc),
        ElementsAre("Title #1 is invalid", "Title #2 Length: 0:00:20", "Title #3 Length: 0:00:30"));
    EXPECT_EQ(plugIn.ReaderCrashes(), 0);
}

TEST(DvdReader, CancelEndsTheRequestUnderWay) {
    ProgramFolder program;
    program.InstallFaulty("hang");
    DVDPlugIn plugIn(program.Path(), std::chrono::hours(1));
    ASSERT_TRUE(plugIn.Load()) << plugIn.LastErrorMessage();
    ASSERT_EQ(plugIn.DVDEnumTitle("/any/root/"), 3);

    std::thread worker([&] {
        TDVDTitle record;
        EXPECT_FALSE(plugIn.DVDGetTitle(0, record));
    });
    // The worker is blocked in its request for as long as it takes; cancelling ends it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    plugIn.Cancel();
    worker.join();
    EXPECT_FALSE(ReadDvdRoot(plugIn, "/any/root/"));

    plugIn.ClearCancel();
    TDVDTitle record;
    EXPECT_TRUE(plugIn.DVDGetTitle(1, record));
    EXPECT_EQ(record.Length, 20.0);
}

}  // namespace
}  // namespace mw
