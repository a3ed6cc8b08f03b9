#include "UtilFuncs.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>

namespace mw {

namespace {

constexpr std::string_view kInvalidFileNameChars = "\\/:*?\"<>|";

char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Index of the dot that starts the extension of the file-name part, or npos.
std::size_t ExtensionDot(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos) {
        return dot;
    }
    const std::size_t sep = path.find_last_of(kPathSeparator);
    if (sep != std::string_view::npos && sep > dot) {
        return std::string_view::npos;
    }
    return dot;
}

}  // namespace

std::string WithTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && result.back() != kPathSeparator) {
        result += kPathSeparator;
    }
    return result;
}

std::string ProgramDir() {
    std::string buffer(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return "./";
    }
    buffer.resize(static_cast<std::size_t>(length));
    return ExtractFilePath(buffer);
}

std::string FileUrl(std::string_view path) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char ch : path) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool plain = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                           (ch >= '0' && ch <= '9') ||
                           std::string_view("/-._~").find(ch) != std::string_view::npos;
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0f];
        }
    }
    return url;
}

std::string FileNameWithoutExt(std::string_view path) {
    return std::string(path.substr(0, ExtensionDot(path)));
}

std::string FileExtension(std::string_view path) {
    const std::size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t sep = path.find_last_of(kPathSeparator);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const std::size_t sep = path.find_last_of(kPathSeparator);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

bool HasAnyChar(std::string_view text, std::string_view chars) {
    return text.find_first_of(chars) != std::string_view::npos;
}

bool IsValidFileName(std::string_view name) {
    return !name.empty() && !HasAnyChar(name, kInvalidFileNameChars);
}

std::string SanitizeFileName(std::string_view name) {
    std::string result(name);
    for (char& c : result) {
        if (kInvalidFileNameChars.find(c) != std::string_view::npos) {
            c = '_';
        }
    }
    return result;
}

bool PathExists(std::string_view path) {
    struct stat info {};
    return lstat(std::string(path).c_str(), &info) == 0;
}

std::string NumberedFileName(std::string_view fileName, int number) {
    if (number == 0) {
        return std::string(fileName);
    }
    return FileNameWithoutExt(fileName) + "(" + std::to_string(number) + ")" +
           FileExtension(fileName);
}

std::string UniqueFileName(std::string_view fileName, std::string_view folder,
                           const std::function<bool(const std::string&)>& alsoTaken) {
    const std::string dir = WithTrailingBackslash(folder);
    const auto taken = [&](const std::string& path) {
        return PathExists(path) || (alsoTaken && alsoTaken(path));
    };
    for (int i = 0; i <= kLastFileNumber; ++i) {
        std::string candidate = NumberedFileName(fileName, i);
        if (!taken(dir + candidate)) {
            return candidate;
        }
    }
    return NumberedFileName(fileName, kLastFileNumber + 1);
}

void RemoveStaleTemporaries(const std::string& folder, std::string_view marker) {
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.c_str()), &closedir);
    if (!listing) {
        return;
    }
    const std::string dir = WithTrailingBackslash(folder);
    while (const dirent* entry = readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        const std::size_t at = name.rfind(marker);
        if (!name.starts_with(".") || at == std::string_view::npos) {
            continue;
        }
        const std::string_view rest = name.substr(at + marker.size());
        long long pid = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
        const bool tagged = error == std::errc() && end != rest.data() &&
                            end != rest.data() + rest.size() && *end == '-' && pid > 0;
        if (tagged && pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            unlink((dir + std::string(name)).c_str());
        }
    }
}

std::string FormatSecondsShort(std::int64_t seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1" PRId64 ":%.2" PRId64 ":%.2" PRId64, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    return text;
}

std::string FormatSecondsLong(std::int64_t seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    return text;
}

std::string FormatMicroseconds(std::int64_t microseconds) {
    const std::int64_t seconds = microseconds / 1000000;
    const std::int64_t milliseconds = microseconds % 1000000 * 1000 / 1000000;
    char text[80];
    std::snprintf(text, sizeof text, "%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64 ".%.3" PRId64,
                  seconds / 60 / 60, seconds / 60 % 60, seconds % 60, milliseconds);
    return text;
}

CellRect GridCellRect(int pageWidth, int topOrigin, int leftOrigin, int cellIndex, int cellWidth,
                      int cellHeight, int verticalGap, int horizontalGap) {
    int columns = cellWidth > 0 ? (pageWidth - leftOrigin - horizontalGap) / cellWidth : 0;
    if (columns <= 0) {
        columns = 1;
    }
    const int column = cellIndex % columns;
    const int row = cellIndex / columns;
    CellRect rect;
    rect.Left = leftOrigin + column * (cellWidth + horizontalGap);
    rect.Top = topOrigin + row * (cellHeight + verticalGap);
    rect.Right = rect.Left + cellWidth + horizontalGap;
    rect.Bottom = rect.Top + cellHeight + verticalGap;
    return rect;
}

bool IsMediaExtension(std::string_view extension) {
    static constexpr std::array<std::string_view, 49> kMediaExtensions = {
        ".mp3",  ".aac",  ".wav", ".wma", ".cda",  ".flac", ".m4a",  ".mid", ".mka",  ".mp2",
        ".mpa",  ".mpc",  ".ape", ".ofr", ".ogg",  ".ra",   ".wv",   ".tta", ".ac3",  ".dts",
        ".opus", ".aiff", ".oga", ".avi", ".avm",  ".asf",  ".wmv",  ".avs", ".flv",  ".mkv",
        ".mov",  ".3gp",  ".mp4", ".mpg", ".dat",  ".ogm",  ".vob",  ".rm",  ".rmvb", ".ts",
        ".tp",   ".ifo",  ".nsv", ".swf", ".webm", ".m4v",  ".m2ts", ".ogv", ".3g2"};
    const std::string lower = LowerCase(extension);
    for (std::string_view known : kMediaExtensions) {
        if (lower == known) {
            return true;
        }
    }
    return false;
}

std::string LowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerChar(c);
    }
    return result;
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = UpperChar(c);
    }
    return result;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

}  // namespace mw
