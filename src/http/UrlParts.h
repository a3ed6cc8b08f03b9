#pragma once

#include <string>
#include <string_view>

namespace mw {

// A URL split into its parts, escape sequences decoded.
struct TUrlParts {
    std::string Scheme;
    std::string HostName;
    int Port = 0;
    std::string UserName;
    std::string Password;
    std::string UrlPath;
    std::string ExtraInfo;  // query and fragment, with the "?" or "#" that starts them
};

// Splits a URL ("http://" assumed when it has no "://"). False, with every part empty, when
// the URL is malformed or a part is longer than its limit (scheme 32, host 256, user name and
// password 128, path and extra part 2048).
bool SplitUrl(std::string_view url, TUrlParts& parts);

// The extra part as it is sent: a space, "#", "%", "*", "+", "<", ">", control characters
// and bytes of 0x80 and above become "%XX"; everything else, "&", "=" and "?" among it,
// stays.
std::string EncodeExtraInfo(std::string_view extra);

// The path as it is sent: encoded like the extra part, and "?" as well so that it stays in
// the path.
std::string EncodeUrlPath(std::string_view path);

// Decodes "%XX" escapes; a "%" without two hex digits stays as it is.
std::string DecodeEscapes(std::string_view text);

}  // namespace mw
