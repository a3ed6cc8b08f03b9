#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Path, file-name and time helpers shared by every layer. Paths are UTF-8 and use the
// native separator; folder names handed around by the program end with one.
namespace mw {

inline constexpr char kPathSeparator = '/';

// Appends the native separator unless the path already ends with one. An empty path stays
// empty: an output-folder box the user left blank must not turn into the root folder.
std::string WithTrailingBackslash(std::string_view path);

// The folder of the running executable, with a trailing separator.
std::string ProgramDir();

// The file:// address of an absolute path, its bytes percent-encoded where an address needs it.
std::string FileUrl(std::string_view path);

// The path minus the extension of its file-name part; a dot in a folder name is no extension.
std::string FileNameWithoutExt(std::string_view path);

// The extension of the file-name part, dot included, or empty.
std::string FileExtension(std::string_view path);

// The file-name part of a path.
std::string ExtractFileName(std::string_view path);

// The folder part of a path with its trailing separator, or empty.
std::string ExtractFilePath(std::string_view path);

bool HasAnyChar(std::string_view text, std::string_view chars);

// False for an empty name or one holding any of \ / : * ? " < > |
bool IsValidFileName(std::string_view name);

// Replaces each character IsValidFileName refuses with "_".
std::string SanitizeFileName(std::string_view name);

// The last number a free name is looked for with.
inline constexpr int kLastFileNumber = 32767;

// The numbered form of a name: "clip.mp3" and 2 give "clip(2).mp3"; 0 gives the name itself.
std::string NumberedFileName(std::string_view fileName, int number);

// A name (without folder) that does not exist in the folder yet: name, name(1), name(2)...
// alsoTaken, when given, rules out further full paths (names handed out but not written).
std::string UniqueFileName(std::string_view fileName, std::string_view folder,
                           const std::function<bool(const std::string&)>& alsoTaken = nullptr);

// Removes the hidden temporary files of processes that no longer run from a folder: names
// that start with "." and hold marker followed by the writer's process id and "-".
void RemoveStaleTemporaries(const std::string& folder, std::string_view marker);

// True when something (a file, a folder, even a dangling link) has this name.
bool PathExists(std::string_view path);

// 3725 s -> "1:02:05".
std::string FormatSecondsShort(std::int64_t seconds);
// 3725 s -> "01:02:05".
std::string FormatSecondsLong(std::int64_t seconds);
// 3'725'500'000 us -> "01:02:05.500".
std::string FormatMicroseconds(std::int64_t microseconds);

struct CellRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// The rectangle of one cell of a left-to-right, top-to-bottom button grid.
CellRect GridCellRect(int pageWidth, int topOrigin, int leftOrigin, int cellIndex, int cellWidth,
                      int cellHeight, int verticalGap, int horizontalGap);

// Whether a dropped file's extension (with its dot, any case) names a media file.
bool IsMediaExtension(std::string_view extension);

std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
std::string_view Trim(std::string_view text);

}  // namespace mw
