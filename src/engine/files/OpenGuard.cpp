#include "engine/files/OpenGuard.h"

#include <sys/stat.h>

#include "engine/files/UnicodeProtocol.h"

namespace mw {

std::string AddressRefusal(const std::string& fileName) {
    if (AllowedProtocols(ToLibraryName(fileName)).empty()) {
        return fileName + ": not opened; only files and http or https addresses are";
    }
    return std::string();
}

std::string ReadRefusal(const std::string& fileName) {
    if (std::string refusal = AddressRefusal(fileName); !refusal.empty()) {
        return refusal;
    }
    const std::string path = LocalFilePath(fileName);
    struct stat info {};
    // An address, or a name the open itself reports on: a missing file, a folder.
    if (path.empty() || stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return std::string();
    }
    if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) {
        return fileName + ": not a regular file";
    }
    return std::string();
}

void RestrictProtocols(AVDictionary** options, const std::string& libraryName) {
    av_dict_set(options, "protocol_whitelist", AllowedProtocols(libraryName).c_str(), 0);
}

}  // namespace mw
