// Plug-ins that misbehave in the ways the reader process must survive, one per build
// variant: FAULT_NO_VERSION lacks DVDGetLibVersion, FAULT_INIT refuses to initialise,
// FAULT_CRASH crashes on the second of three titles, FAULT_HANG never answers for the first.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dvd/TitleRecord.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t DVDInitialize(const char*) {
#ifdef FAULT_INIT
    return 0;
#else
    return 1;
#endif
}

EXPORT std::int32_t DVDEnumTitle(const char*) {
    return 3;
}

EXPORT std::int32_t DVDGetTitle(std::int32_t index, void* record) {
#ifdef FAULT_CRASH
    if (index == 1) {
        std::abort();
    }
#endif
#ifdef FAULT_HANG
    if (index == 0) {
        for (;;) {
            pause();
        }
    }
#endif
    mw::dvd::TDVDTitle title;
    std::memset(&title, 0, sizeof title);
    title.Length = 10.0 * (index + 1);
    title.ChapterCount = 1;
    title.Chapters[0] = title.Length;
    title.Valid = 1;
    std::memcpy(record, &title, sizeof title);
    return 1;
}

EXPORT std::int32_t DVDSetParam(std::int32_t, std::int32_t) {
    return 0;
}

#ifndef FAULT_NO_VERSION
EXPORT std::int32_t DVDGetLibVersion() {
    return 1;
}
#endif
