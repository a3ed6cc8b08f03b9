#include "engine/files/OutputPlacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/error.h>
}

#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/common/AVError.h"

namespace mw {

namespace {

// Temporary outputs are named ".NAME.part-PID-XXXXXX" after the process writing them.
constexpr std::string_view kPartMarker = ".part-";

std::string SystemReason(int error) {
    return std::strerror(error);
}

// Moves from to to unless to exists. Filesystems without the no-replace rename get a hard
// link, which fails on an existing name just the same, and an unlink.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    unlink(from.c_str());
    return 0;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string CreateTemporaryBeside(const std::string& finalPath) {
    const std::string folder = ExtractFilePath(finalPath);
    RemoveStaleTemporaries(folder.empty() ? "." : folder, kPartMarker);
    const std::string pattern = folder + "." + ExtractFileName(finalPath) +
                                std::string(kPartMarker) + std::to_string(getpid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        throw EngineError("Could not open '" + finalPath + "': " + SystemReason(errno));
    }
    close(fd);
    return name.data();
}

std::string ClaimFinalName(const std::string& temporaryPath, const std::string& finalPath) {
    const std::string folder = ExtractFilePath(finalPath);
    const std::string fileName = ExtractFileName(finalPath);
    for (int number = 0;; ++number) {
        const std::string candidate = folder + NumberedFileName(fileName, number);
        const int error = MoveWithoutReplacing(temporaryPath, candidate);
        if (error == 0) {
            return candidate;
        }
        if (error != EEXIST || number >= kLastFileNumber) {
            throw EngineError("Could not write '" + finalPath + "': " + SystemReason(error));
        }
    }
}

std::string WriteErrorText(const std::string& fileName, int error) {
    return "Could not write '" + fileName + "': " + AVErrorText(error);
}

}  // namespace mw
