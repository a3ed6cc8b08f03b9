#pragma once

#include <cstdint>

// The entry points of the DVD plug-in, with C linkage.
extern "C" {

// Non-zero when the plug-in is ready; the text is free for the caller.
std::int32_t DVDInitialize(const char* text);
// Opens a DVD root (a folder holding VIDEO_TS, a device or an image) and returns its
// number of titles; 0 when it is not a DVD.
std::int32_t DVDEnumTitle(const char* root);
// Fills the 3960-byte title record of a title (0-based) of the root last enumerated;
// non-zero when the record was filled.
std::int32_t DVDGetTitle(std::int32_t index, void* record);
std::int32_t DVDSetParam(std::int32_t param, std::int32_t value);
std::int32_t DVDGetLibVersion();

// Why the last DVDGetTitle failed, as a code of TitleProblem and a text written into
// text (size bytes, zero-terminated). Callers that do not know it lose nothing.
std::int32_t DVDGetTitleError(char* text, std::int32_t size);
}
