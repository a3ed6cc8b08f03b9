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
    // Why the last GetTitle failed, when the plug-in can tell (0 otherwise).
    std::int32_t TitleError(std::string& text) const;

private:
    using Initialize = std::int32_t (*)(const char*);
    using EnumTitleFn = std::int32_t (*)(const char*);
    using GetTitleFn = std::int32_t (*)(std::int32_t, void*);
    using TitleErrorFn = std::int32_t (*)(char*, std::int32_t);

    void Unload();

    void* m_handle = nullptr;
    EnumTitleFn m_enumTitle = nullptr;
    GetTitleFn m_getTitle = nullptr;
    TitleErrorFn m_titleError = nullptr;
};

}  // namespace mw::dvd
