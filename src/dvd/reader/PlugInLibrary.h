#pragma once

#include <cstdint>
#include <string>

namespace mw::dvd {

// The DVD plug-in loaded into this process, with its entry points.
class PlugInLibrary {
public:
    PlugInLibrary() = default;
    ~PlugInLibrary();
    PlugInLibrary(const PlugInLibrary&) = delete;
    PlugInLibrary& operator=(const PlugInLibrary&) = delete;

    // Loads the library, resolves and calls DVDInitialize, then resolves the other entry
    // points. On failure the library is unloaded again and the reason returned; empty on
    // success.
    std::string Load(const std::string& path);
    bool Loaded() const { return m_handle != nullptr; }

    std::int32_t EnumTitle(const std::string& root) const;
    std::int32_t GetTitle(std::int32_t index, void* record) const;
    // Why the last GetTitle or OpenChapters failed, when the plug-in can tell (0 otherwise).
    std::int32_t TitleError(std::string& text) const;

    // A title's chapters as one program stream, for plug-ins that offer it: false (with
    // text) when this one does not or the chapters cannot be opened.
    bool OpenChapters(std::int32_t index, std::int32_t from, std::int32_t to, void* info,
                      std::string& text) const;
    std::int32_t ReadChapters(std::int32_t first, std::int32_t count, void* buffer) const;
    std::int32_t ChapterWindows(void* windows, std::int32_t count) const;

private:
    using Initialize = std::int32_t (*)(const char*);
    using EnumTitleFn = std::int32_t (*)(const char*);
    using GetTitleFn = std::int32_t (*)(std::int32_t, void*);
    using TitleErrorFn = std::int32_t (*)(char*, std::int32_t);
    using OpenChaptersFn = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, void*);
    using ReadChaptersFn = std::int32_t (*)(std::int32_t, std::int32_t, void*);
    using ChapterWindowsFn = std::int32_t (*)(void*, std::int32_t);

    void Unload();

    void* m_handle = nullptr;
    EnumTitleFn m_enumTitle = nullptr;
    GetTitleFn m_getTitle = nullptr;
    TitleErrorFn m_titleError = nullptr;
    OpenChaptersFn m_openChapters = nullptr;
    ReadChaptersFn m_readChapters = nullptr;
    ChapterWindowsFn m_chapterWindows = nullptr;
};

}  // namespace mw::dvd
