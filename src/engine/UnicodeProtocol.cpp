#include "UnicodeProtocol.h"

#include "core/UtilFuncs.h"

namespace mw {

namespace {

constexpr std::string_view kPassThroughProtocols = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";

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

}  // namespace

bool HasProtocolPrefix(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const std::string needle = ":" + LowerCase(name.substr(0, colon)) + ":";
    return kPassThroughProtocols.find(needle) != std::string_view::npos;
}

std::string ToLibraryName(std::string_view name) {
    std::string_view file = name;
    if (name.size() >= kUnicodePrefix.size() &&
        SameText(name.substr(0, kUnicodePrefix.size()), kUnicodePrefix)) {
        file = name.substr(kUnicodePrefix.size());
    } else if (HasProtocolPrefix(name)) {
        return std::string(name);
    }
    const std::size_t colon = file.find(':');
    if (colon != std::string_view::npos && LooksLikeProtocol(file.substr(0, colon))) {
        return "file:" + std::string(file);
    }
    return std::string(file);
}

std::string LocalFilePath(std::string_view name) {
    const std::string library = ToLibraryName(name);
    if (library.starts_with("file:")) {
        return library.substr(5);
    }
    return HasProtocolPrefix(library) ? std::string() : library;
}

std::string FromLibraryName(std::string_view name) {
    if (name.size() >= 14 && SameText(name.substr(0, kUnicodePrefix.size()), kUnicodePrefix)) {
        return std::string(name.substr(kUnicodePrefix.size()));
    }
    return std::string(name);
}

}  // namespace mw
