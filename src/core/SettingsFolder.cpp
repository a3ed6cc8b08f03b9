#include "SettingsFolder.h"

#include <filesystem>
#include <system_error>

#include "UtilFuncs.h"

namespace mw {

std::string PrepareSettingsFolder(std::string_view appDataFolder, std::string_view title) {
    const std::string base = WithTrailingBackslash(appDataFolder);
    std::string folderName(title);
    for (char& c : folderName) {
        if (c == '/') {
            c = ' ';
        }
    }
    // An empty title, "." or ".." would name the base itself or its parent.
    if (folderName.empty() || folderName == "." || folderName == "..") {
        return base;
    }
    const std::string folder = base + folderName + "/";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        // A fresh account may lack the configuration folder too: create the parents as well.
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::is_directory(folder, error)) {
            return base;
        }
    }
    return folder;
}

}  // namespace mw
