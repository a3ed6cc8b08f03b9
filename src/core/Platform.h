#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mw {

// The per-user folder the program knows by a shell-folder name: "AppData" is the
// configuration folder, "Personal" the documents folder. Unknown names and missing
// folders give the home folder. The result has no trailing separator.
std::string ShellFolderPath(std::string_view valueName);

// Hands a web address, a document or a folder to the desktop's default handler without
// waiting for it; whether that worked is not reported.
void OpenWithShell(std::string_view target);

// Puts a handler in the desktop's place for the life of the object: OpenWithShell then
// hands its target there instead (tests see what would open without starting a browser).
class ScopedShellHandler {
public:
    explicit ScopedShellHandler(std::function<void(const std::string&)> handler);
    ~ScopedShellHandler();
    ScopedShellHandler(const ScopedShellHandler&) = delete;
    ScopedShellHandler& operator=(const ScopedShellHandler&) = delete;

private:
    std::function<void(const std::string&)> m_previous;
};

// Starts playing a WAV file and returns at once; a file that cannot be played gives the
// terminal bell instead.
void PlaySoundFileAsync(std::string_view path);

// Asks the system (logind, else systemctl) to shut down and switch off. Gives the system's
// answer when it refused, empty when it took the request.
std::string PowerOffComputer();

// Gives the calling thread a scheduling niceness (-20 highest to 19 lowest) where the
// system permits it; otherwise the thread keeps its own.
void SetCurrentThreadNice(int nice);

}  // namespace mw
