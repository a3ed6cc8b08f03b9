#pragma once

#include <string>

extern "C" {
#include <libavutil/dict.h>
}

namespace mw {

// Why the engine must not open a name at all, or empty when it may: an address of a
// protocol other than http and https.
std::string AddressRefusal(const std::string& fileName);

// Why a media input must not be opened, or empty when it may: a refused address, or a
// local file that is neither a regular file, a folder (which the open refuses) nor a
// block device: a FIFO would block the open, a character device never ends.
std::string ReadRefusal(const std::string& fileName);

// Adds the allow-list of protocols a library name may use to the options of an open.
void RestrictProtocols(AVDictionary** options, const std::string& libraryName);

}  // namespace mw
