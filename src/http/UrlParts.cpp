#include "UrlParts.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/UtilFuncs.h"

namespace mw {

namespace {

constexpr std::size_t kSchemeLimit = 32;
constexpr std::size_t kHostLimit = 256;
constexpr std::size_t kUserLimit = 128;
constexpr std::size_t kPasswordLimit = 128;
constexpr std::size_t kPathLimit = 2048;
constexpr std::size_t kExtraLimit = 2048;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f') {
        return lower - 'a' + 10;
    }
    return -1;
}

std::string Encode(std::string_view text, std::string_view alsoEscaped) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x80 || std::string_view(" #%*+<>").find(c) != std::string_view::npos ||
            alsoEscaped.find(c) != std::string_view::npos) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int DefaultPort(std::string_view scheme) {
    if (scheme == "https") {
        return 443;
    }
    if (scheme == "ftp") {
        return 21;
    }
    return scheme == "file" ? 0 : 80;
}

bool Fail(TUrlParts& parts) {
    parts = TUrlParts{};
    return false;
}

}  // namespace

std::string DecodeEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string EncodeExtraInfo(std::string_view extra) {
    return Encode(extra, "");
}

std::string EncodeUrlPath(std::string_view path) {
    return Encode(path, "?");
}

bool SplitUrl(std::string_view url, TUrlParts& parts) {
    parts = TUrlParts{};
    std::string full(url);
    if (full.find("://") == std::string::npos) {
        full = "http://" + full;
    }
    const std::size_t schemeEnd = full.find("://");
    const std::string scheme = LowerCase(full.substr(0, schemeEnd));
    if (scheme.empty() || scheme.size() > kSchemeLimit ||
        !std::all_of(scheme.begin(), scheme.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '+' || c == '-' || c == '.';
        })) {
        return Fail(parts);
    }
    const std::string rest = full.substr(schemeEnd + 3);
    const std::size_t pathStart = rest.find_first_of("/?#");
    const std::string authority = rest.substr(0, pathStart);
    const std::string tail = pathStart == std::string::npos ? "" : rest.substr(pathStart);
    const std::size_t extraStart = tail.find_first_of("?#");
    const std::string path = tail.substr(0, extraStart);
    const std::string extra = extraStart == std::string::npos ? "" : tail.substr(extraStart);

    std::string hostPort = authority;
    std::string user;
    std::string password;
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string credentials = authority.substr(0, at);
        hostPort = authority.substr(at + 1);
        const std::size_t colon = credentials.find(':');
        user = credentials.substr(0, colon);
        password = colon == std::string::npos ? "" : credentials.substr(colon + 1);
    }
    std::string host = hostPort;
    int port = DefaultPort(scheme);
    const std::size_t bracketEnd = hostPort.rfind(']');
    const std::size_t colon = hostPort.rfind(':');
    if (colon != std::string::npos && (bracketEnd == std::string::npos || colon > bracketEnd)) {
        host = hostPort.substr(0, colon);
        const std::string digits = hostPort.substr(colon + 1);
        if (!digits.empty()) {
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), port);
            if (error != std::errc() || end != digits.data() + digits.size() || port < 0 ||
                port > 65535) {
                return Fail(parts);
            }
        }
    }
    parts.Scheme = scheme;
    parts.HostName = DecodeEscapes(host);
    parts.Port = port;
    parts.UserName = DecodeEscapes(user);
    parts.Password = DecodeEscapes(password);
    parts.UrlPath = DecodeEscapes(path);
    parts.ExtraInfo = DecodeEscapes(extra);
    if ((parts.HostName.empty() && scheme != "file") || parts.HostName.size() > kHostLimit ||
        parts.UserName.size() > kUserLimit || parts.Password.size() > kPasswordLimit ||
        parts.UrlPath.size() > kPathLimit || parts.ExtraInfo.size() > kExtraLimit) {
        return Fail(parts);
    }
    return true;
}

}  // namespace mw
