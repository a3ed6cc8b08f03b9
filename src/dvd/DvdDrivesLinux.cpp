#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "DvdDrives.h"

namespace mw::dvd {

namespace {

// Mount tables write a space as \040, a tab as \011 and so on.
std::string UnescapeMountField(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// Device -> first mount point.
std::map<std::string, std::string> MountPoints(const std::string& mountTable) {
    std::map<std::string, std::string> points;
    std::ifstream table(mountTable);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string point;
        if (fields >> device >> point) {
            points.emplace(UnescapeMountField(device), UnescapeMountField(point));
        }
    }
    return points;
}

}  // namespace

std::vector<std::string> OpticalDriveRoots(const std::string& blockFolder,
                                           const std::string& mountTable) {
    std::vector<std::string> devices;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(blockFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("sr")) {
            devices.push_back("/dev/" + name);
        }
    }
    std::sort(devices.begin(), devices.end());
    const std::map<std::string, std::string> points = MountPoints(mountTable);
    std::vector<std::string> roots;
    for (const std::string& device : devices) {
        const auto mounted = points.find(device);
        roots.push_back(mounted != points.end() ? mounted->second : device);
    }
    return roots;
}

std::vector<std::string> OpticalDriveRoots() {
    return OpticalDriveRoots("/sys/block", "/proc/self/mounts");
}

}  // namespace mw::dvd
