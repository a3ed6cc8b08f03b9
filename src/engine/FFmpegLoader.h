#pragma once

#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace mw {

// The FFmpeg libraries the program uses, in the loader's order.
// The device library is left out: the engine converts files, and capture devices (screen,
// camera, sound card, filter-graph sources) are nothing a file name or an option may open.
enum class FFLibrary { AVCodec, AVFilter, AVFormat, AVUtil, SwScale, SwResample };

// One library as the build expects it and as the running process has it.
struct LibraryVersion {
    FFLibrary Library;
    std::string_view Name;  // "avcodec"
    unsigned BuiltMajor;    // the major version the build was made for
    unsigned RuntimeVersion;
};

// The versions of the libraries linked into this process.
std::span<const LibraryVersion> LinkedLibraries();

// The shared-object name of a library of a major version: "libavcodec.so.59".
std::string LibraryFileName(std::string_view name, unsigned major);

// The process-wide loader. The libraries are linked into the program; loading checks that
// the ones present at run time have the major versions the build was made for, installs
// the log collector and records which libraries are usable.
class TFFmpegLoader {
public:
    static TFFmpegLoader& Instance();

    // Checks the given libraries (all linked ones by default). On a mismatch LastError
    // reads "Load library <folder/file> error: <reason>" and nothing counts as loaded.
    bool Load(std::string_view libraryPath);
    bool Load(std::string_view libraryPath, std::span<const LibraryVersion> libraries);
    bool Loaded() const;
    bool Loaded(FFLibrary library) const;
    void Unload();

    const std::string& LibraryPath() const { return m_libraryPath; }
    const std::string& LastError() const { return m_lastError; }

private:
    TFFmpegLoader() = default;

    std::string m_libraryPath;
    std::string m_lastError;
    unsigned m_loadedMask = 0;
};

// The engine's library loading: the folder is remembered; the result tells whether every
// library the engine needs is usable. LastError holds the reason of a failure.
bool LoadLibraries(std::string_view libraryPath);
bool LibrariesLoaded();

// Serialises codec open and close and stream analysis across the process.
std::mutex& CodecLock();

}  // namespace mw
