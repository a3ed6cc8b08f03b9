#include "engine/files/UnicodeProtocol.h"

#include "core/UtilFuncs.h"

namespace mw {

namespace {

constexpr std::string_view kFileMark = "file:";
constexpr std::string_view kWebProtocols = "http,https,tcp,tls,httpproxy";

// What the libraries would read as a protocol name: letters, digits, "+", "-", ".".
bool LooksLikeProtocol(std::string_view prefix) {
    if (prefix.empty()) {
        return false;
    }
    for (char c : prefix) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

bool IsUnicodeForm(std::string_view name) {
    return name.size() >= kUnicodePrefix.size() &&
           SameText(name.substr(0, kUnicodePrefix.size()), kUnicodePrefix);
}

}  // namespace

bool IsAddress(std::string_view name) {
    const std::size_t separator = name.find("://");
    return separator != std::string_view::npos && LooksLikeProtocol(name.substr(0, separator));
}

std::string ToLibraryName(std::string_view name) {
    std::string_view file = name;
    if (IsUnicodeForm(name)) {
        file = name.substr(kUnicodePrefix.size());
    } else if (IsAddress(name)) {
        return std::string(name);
    }
    if (file.find(':') != std::string_view::npos) {
        return std::string(kFileMark) + std::string(file);
    }
    return std::string(file);
}

std::string AllowedProtocols(std::string_view libraryName) {
    if (!IsAddress(libraryName)) {
        return "file";
    }
    const std::string scheme = LowerCase(libraryName.substr(0, libraryName.find("://")));
    return scheme == "http" || scheme == "https" ? std::string(kWebProtocols) : std::string();
}

std::string LocalFilePath(std::string_view name) {
    if (IsUnicodeForm(name)) {
        return std::string(name.substr(kUnicodePrefix.size()));
    }
    return IsAddress(name) ? std::string() : std::string(name);
}

std::string FromLibraryName(std::string_view name) {
    if (name.size() > kUnicodePrefix.size() && IsUnicodeForm(name)) {
        return std::string(name.substr(kUnicodePrefix.size()));
    }
    if (name.starts_with(kFileMark)) {
        return std::string(name.substr(kFileMark.size()));
    }
    return std::string(name);
}

}  // namespace mw
