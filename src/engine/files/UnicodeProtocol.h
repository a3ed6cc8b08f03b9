#pragma once

#include <string>
#include <string_view>

namespace mw {

inline constexpr std::string_view kUnicodePrefix = "unicode:utf8:";

// Whether a name is an address the libraries open through a protocol: it starts with a
// scheme and "://" ("http://host/a.flv"). Every other name is a local file, whatever
// colons or commas it holds.
bool IsAddress(std::string_view name);

// The name handed to the libraries for a file name of the program. Names are UTF-8 on
// this system and reach the libraries as they are; a name in the "unicode:utf8:" form is
// decoded to the file it names; a local name with a ":" is marked as a file, so that no
// part of it is taken for a protocol or for a protocol's options.
std::string ToLibraryName(std::string_view name);

// The protocols the libraries may use for a library name, as their allow-list: "file" for
// a local file, the web's for an http or https address, empty for an address of any other
// protocol, which the engine does not open.
std::string AllowedProtocols(std::string_view libraryName);

// The local file a name of the program stands for, or empty for an address.
std::string LocalFilePath(std::string_view name);

// The file name a library name stands for: the "unicode:utf8:" form decoded, the mark of
// a local file removed.
std::string FromLibraryName(std::string_view name);

}  // namespace mw
