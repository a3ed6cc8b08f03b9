#include "PlugInLibrary.h"

#include <dlfcn.h>

#include <filesystem>

#include "dvd/Printf.h"

namespace mw::dvd {

namespace {

constexpr const char* kInitializeText = "mediawizard";

std::string LastDlError() {
    const char* error = dlerror();
    return error != nullptr ? error : "unknown error";
}

}  // namespace

PlugInLibrary::~PlugInLibrary() {
    Unload();
}

void PlugInLibrary::Unload() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
    m_handle = nullptr;
    m_enumTitle = nullptr;
    m_getTitle = nullptr;
    m_titleError = nullptr;
    m_openChapters = nullptr;
    m_readChapters = nullptr;
    m_chapterWindows = nullptr;
}

std::string PlugInLibrary::Load(const std::string& path) {
    Unload();
    dlerror();
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        return Printf("Load library %s error: %s", path.c_str(), LastDlError().c_str());
    }
    const std::string libraryName = std::filesystem::path(path).filename().string();
    std::string error;
    const auto resolve = [&](const char* name) -> void* {
        if (!error.empty()) {
            return nullptr;
        }
        dlerror();
        void* entry = dlsym(m_handle, name);
        if (entry == nullptr) {
            error = Printf("Load function %s@%s error: %s", name, libraryName.c_str(),
                           LastDlError().c_str());
        }
        return entry;
    };
    const auto initialize = reinterpret_cast<Initialize>(resolve("DVDInitialize"));
    if (initialize != nullptr && initialize(kInitializeText) == 0) {
        error = "The DVD plug-in " + path + " could not initialize.";
    }
    m_enumTitle = reinterpret_cast<EnumTitleFn>(resolve("DVDEnumTitle"));
    m_getTitle = reinterpret_cast<GetTitleFn>(resolve("DVDGetTitle"));
    resolve("DVDSetParam");
    resolve("DVDGetLibVersion");
    if (!error.empty()) {
        Unload();
        return error;
    }
    // Not every plug-in tells why a title failed.
    m_titleError = reinterpret_cast<TitleErrorFn>(dlsym(m_handle, "DVDGetTitleError"));
    m_openChapters = reinterpret_cast<OpenChaptersFn>(dlsym(m_handle, "DVDOpenChapters"));
    m_readChapters = reinterpret_cast<ReadChaptersFn>(dlsym(m_handle, "DVDReadChapters"));
    m_chapterWindows = reinterpret_cast<ChapterWindowsFn>(dlsym(m_handle, "DVDGetChapterWindows"));
    return {};
}

std::int32_t PlugInLibrary::EnumTitle(const std::string& root) const {
    return m_enumTitle(root.c_str());
}

std::int32_t PlugInLibrary::GetTitle(std::int32_t index, void* record) const {
    return m_getTitle(index, record);
}

std::int32_t PlugInLibrary::TitleError(std::string& text) const {
    text.clear();
    if (m_titleError == nullptr) {
        return 0;
    }
    char buffer[512] = {};
    const std::int32_t code = m_titleError(buffer, sizeof buffer);
    text = buffer;
    return code;
}

bool PlugInLibrary::OpenChapters(std::int32_t index, std::int32_t from, std::int32_t to, void* info,
                                 std::string& text) const {
    text.clear();
    if (m_openChapters == nullptr || m_readChapters == nullptr || m_chapterWindows == nullptr) {
        text = "the DVD plug-in cannot read titles";
        return false;
    }
    if (m_openChapters(index, from, to, info) != 0) {
        return true;
    }
    TitleError(text);
    return false;
}

std::int32_t PlugInLibrary::ReadChapters(std::int32_t first, std::int32_t count,
                                         void* buffer) const {
    return m_readChapters ? m_readChapters(first, count, buffer) : -1;
}

std::int32_t PlugInLibrary::ChapterWindows(void* windows, std::int32_t count) const {
    return m_chapterWindows ? m_chapterWindows(windows, count) : 0;
}

}  // namespace mw::dvd
