#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/DvdFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

test::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), MW_PROGRAM_DIR "mediawizard-cli");
    return test::RunProcess(args);
}

TEST(DvdCommand, ExitStatusTellsWhatWasFound) {
    test::TempDir empty;
    struct Case {
        std::vector<std::string> Args;
        int Exit;
        std::string Err;
    };
    const Case cases[] = {
        {{"dvd", test::DvdFixtureRoot()}, 0, ""},
        {{"dvd", empty.Path()}, 1, "No DVD title(s) found. Maybe not a valid DVD."},
        {{"dvd", empty.File("missing")}, 1, "No DVD title(s) found. Maybe not a valid DVD."},
        {{"dvd"}, 2, "usage: mediawizard-cli dvd ROOT"},
        {{"dvd", "a", "b"}, 2, "usage: mediawizard-cli dvd ROOT"},
    };
    for (const Case& c : cases) {
        const test::ProcessResult run = Cli(c.Args);
        SCOPED_TRACE(c.Args.size() > 1 ? c.Args[1] : "(no root)");
        EXPECT_EQ(run.ExitCode, c.Exit) << run.Err;
        EXPECT_THAT(run.Err, HasSubstr(c.Err));
    }
    const test::ProcessResult listed = Cli({"dvd", test::DvdFixtureRoot()});
    EXPECT_THAT(listed.Out, StartsWith("There are 3 title(s) in " + test::DvdFixtureRoot() +
                                       "\n"
                                       "Title #1 Length: 6.00\n"));
}

TEST(DvdCommand, AnImageOfTheDiscReadsLikeTheFolder) {
    test::TempDir folder;
    const std::string image = folder.File("disc.iso");
    const test::ProcessResult made = test::RunProcess(
        {"genisoimage", "-quiet", "-dvd-video", "-o", image, test::DvdFixtureRoot()});
    ASSERT_EQ(made.ExitCode, 0) << made.Err;
    const test::ProcessResult fromFolder = Cli({"dvd", test::DvdFixtureRoot()});
    const test::ProcessResult fromImage = Cli({"dvd", image});
    ASSERT_EQ(fromImage.ExitCode, 0) << fromImage.Err;
    const auto report = [](const std::string& out) { return out.substr(out.find('\n')); };
    EXPECT_EQ(report(fromImage.Out), report(fromFolder.Out));
}

}  // namespace
}  // namespace mw
