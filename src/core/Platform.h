#pragma once

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

// Starts playing a WAV file and returns at once; a file that cannot be played gives the
// terminal bell instead.
void PlaySoundFileAsync(std::string_view path);

// Asks the system (logind) to shut down and switch off; a refusal is not reported.
void PowerOffComputer();

// Gives the calling thread a scheduling niceness (-20 highest to 19 lowest) where the
// system permits it; otherwise the thread keeps its own.
void SetCurrentThreadNice(int nice);

}  // namespace mw
