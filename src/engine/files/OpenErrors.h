#pragma once

#include <string>

namespace mw {

// The message for a failed open of an input: error is the library's code, fileName the
// name as the caller gave it, libraryName the name the library was handed.
std::string OpenErrorText(int error, const std::string& fileName, const std::string& libraryName);

}  // namespace mw
