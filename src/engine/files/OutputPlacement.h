#pragma once

#include <string>

namespace mw {

// Whether two names lead to one file (device and inode), whatever links or spellings
// they use; false when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// Creates an empty file under a fresh hidden name in the folder of finalPath and returns
// that name; raises EngineError with the system's reason when the folder refuses it.
std::string CreateTemporaryBeside(const std::string& finalPath);

// Moves a finished temporary file to finalPath, or to the first free "name(N).ext" when
// another file holds that name; an existing file is never replaced. Returns the name the
// file now has; raises EngineError with the system's reason on failure.
std::string ClaimFinalName(const std::string& temporaryPath, const std::string& finalPath);

// "Could not write 'NAME': REASON" for a library error code.
std::string WriteErrorText(const std::string& fileName, int error);

}  // namespace mw
