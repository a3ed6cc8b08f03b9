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

// Opens chapters from..to (0-based) of a title (0-based) of the root last enumerated as one
// MPEG program stream, closing the one open before, and fills info (a TDVDChapterStream);
// non-zero when it is open. DVDGetTitleError tells why not.
std::int32_t DVDOpenChapters(std::int32_t index, std::int32_t from, std::int32_t to, void* info);
// Reads count 2048-byte sectors from sector first of the open stream into buffer; the
// number read, 0 at its end, negative when the disc could not be read.
std::int32_t DVDReadChapters(std::int32_t first, std::int32_t count, void* buffer);
std::int32_t DVDCloseChapters();
// Copies up to count windows (TDVDStreamWindow) of the open stream; the number it has.
std::int32_t DVDGetChapterWindows(void* windows, std::int32_t count);
}
