#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "dvd/DvdDrives.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(DvdDrives, MountedDrivesGiveTheirMountPointOthersTheirDevice) {
    test::TempDir sys;
    for (const char* name : {"sr1", "sda", "sr0", "loop0"}) {
        std::filesystem::create_directory(sys.File(name));
    }
    test::WriteTextFile(sys.File("mounts"),
                        "/dev/sda1 / ext4 rw 0 0\n"
                        "/dev/sr1 /media/user/MY\\040DISC udf ro 0 0\n");
    EXPECT_THAT(dvd::OpticalDriveRoots(sys.Path(), sys.File("mounts")),
                ElementsAre("/dev/sr0", "/media/user/MY DISC"));
}

TEST(DvdDrives, NoOpticalDrivesGiveNoRoots) {
    test::TempDir sys;
    std::filesystem::create_directory(sys.File("sda"));
    EXPECT_THAT(dvd::OpticalDriveRoots(sys.Path(), sys.File("missing")), IsEmpty());
}

}  // namespace
}  // namespace mw
