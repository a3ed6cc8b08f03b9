#pragma once

#include <string>
#include <string_view>

namespace mw {

inline constexpr std::string_view kUnicodePrefix = "unicode:utf8:";

// Whether a name starts with a protocol the libraries must see unchanged
// (unicode, stream, gopher, http, pipe, rtp, tcp, udp).
bool HasProtocolPrefix(std::string_view name);

// The name handed to the libraries for a file name of the program. Names are UTF-8 on
// this system and reach the libraries as they are; a name in the "unicode:utf8:" form is
// decoded to the file it names; a local name whose first ":" would make the libraries take
// its start for a protocol is marked as a file.
std::string ToLibraryName(std::string_view name);

// The local file a name of the program stands for, or empty for an address the libraries
// open themselves.
std::string LocalFilePath(std::string_view name);

// The file name a library name stands for: the "unicode:utf8:" form decoded.
std::string FromLibraryName(std::string_view name);

}  // namespace mw
