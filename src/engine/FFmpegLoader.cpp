#include "engine/FFmpegLoader.h"

#include <array>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "core/UtilFuncs.h"
#include "engine/FFmpegLogger.h"

namespace mw {

namespace {

unsigned Bit(FFLibrary library) {
    return 1u << static_cast<unsigned>(library);
}

std::array<LibraryVersion, 6> MakeLinkedLibraries() {
    return {{
        {FFLibrary::AVCodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, avcodec_version()},
        {FFLibrary::AVFilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, avfilter_version()},
        {FFLibrary::AVFormat, "avformat", LIBAVFORMAT_VERSION_MAJOR, avformat_version()},
        {FFLibrary::AVUtil, "avutil", LIBAVUTIL_VERSION_MAJOR, avutil_version()},
        {FFLibrary::SwScale, "swscale", LIBSWSCALE_VERSION_MAJOR, swscale_version()},
        {FFLibrary::SwResample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, swresample_version()},
    }};
}

}  // namespace

std::span<const LibraryVersion> LinkedLibraries() {
    static const std::array<LibraryVersion, 6> libraries = MakeLinkedLibraries();
    return libraries;
}

std::string LibraryFileName(std::string_view name, unsigned major) {
    return "lib" + std::string(name) + ".so." + std::to_string(major);
}

TFFmpegLoader& TFFmpegLoader::Instance() {
    static TFFmpegLoader loader;
    return loader;
}

bool TFFmpegLoader::Load(std::string_view libraryPath) {
    return Load(libraryPath, LinkedLibraries());
}

bool TFFmpegLoader::Load(std::string_view libraryPath, std::span<const LibraryVersion> libraries) {
    m_libraryPath = std::string(libraryPath);
    unsigned loaded = 0;
    for (const LibraryVersion& library : libraries) {
        const unsigned runtimeMajor = AV_VERSION_MAJOR(library.RuntimeVersion);
        if (runtimeMajor != library.BuiltMajor) {
            m_lastError = "Load library " + WithTrailingBackslash(m_libraryPath) +
                          LibraryFileName(library.Name, library.BuiltMajor) +
                          " error: " + "version " + std::to_string(runtimeMajor) + " found, " +
                          std::to_string(library.BuiltMajor) + " expected";
            m_loadedMask = 0;
            return false;
        }
        loaded |= Bit(library.Library);
    }
    TFFLogger::Instance().Install();
    m_loadedMask = loaded;
    m_lastError.clear();
    return true;
}

bool TFFmpegLoader::Loaded() const {
    for (const LibraryVersion& library : LinkedLibraries()) {
        if (!Loaded(library.Library)) {
            return false;
        }
    }
    return true;
}

bool TFFmpegLoader::Loaded(FFLibrary library) const {
    return (m_loadedMask & Bit(library)) != 0;
}

void TFFmpegLoader::Unload() {
    m_loadedMask = 0;
}

bool LoadLibraries(std::string_view libraryPath) {
    return TFFmpegLoader::Instance().Load(libraryPath);
}

bool LibrariesLoaded() {
    return TFFmpegLoader::Instance().Loaded();
}

std::mutex& CodecLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace mw
