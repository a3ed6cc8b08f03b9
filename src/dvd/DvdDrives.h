#pragma once

#include <string>
#include <vector>

namespace mw::dvd {

// The optical drives the system reports, as roots the plug-in can open: the mount point of
// a mounted disc, otherwise the device itself ("/dev/sr0"). Sorted by device name.
std::vector<std::string> OpticalDriveRoots();

// The same from a block-device folder (/sys/block) and a mount table (/proc/self/mounts).
std::vector<std::string> OpticalDriveRoots(const std::string& blockFolder,
                                           const std::string& mountTable);

}  // namespace mw::dvd
