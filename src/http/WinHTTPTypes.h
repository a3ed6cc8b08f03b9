#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace mw {

enum TCacheOption {
    coAlwaysReload,
    coReloadIfNoExpireInformation,
    coReloadUpdatedObjects,
    coPragmaNoCache,
    coNoCacheWrite,
    coCreateTempFilesIfCantCache,
    coUseCacheIfNetFail
};
using TCacheOptions = std::set<TCacheOption>;

enum TInternetOption {
    ioIgnoreCertificateInvalid,
    ioIgnoreCertificateDateInvalid,
    ioIgnoreUnknownCertificateAuthority,
    ioIgnoreRedirectToHTTP,
    ioIgnoreRedirectToHTTPS,
    ioKeepConnection,
    ioNoAuthentication,
    ioNoAutoRedirect,
    ioNoCookies
};
using TInternetOptions = std::set<TInternetOption>;

enum TWinHTTPAccessType { atPreconfig, atDirect, atUseProxy };
enum TWinHTTPRequestMethod { rmAutoDetect, rmGET, rmPOST };

enum TWinHTTPFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
using TWinHTTPFileAttributes = std::set<TWinHTTPFileAttribute>;

// The sum of the attributes' values as the file system of the original platform spells them.
std::uint32_t FileAttributeValue(const TWinHTTPFileAttributes& attributes);

struct TWinHTTPProxy {
    TWinHTTPAccessType AccessType = atPreconfig;
    std::int32_t ProxyPort = 8080;
    std::string ProxyServer;
    std::string ProxyBypass = "127.0.0.1;";
    std::string ProxyUsername;
    std::string ProxyPassword;
};

struct TWinHTTPRange {
    std::uint32_t StartRange = 0;
    std::uint32_t EndRange = 0;
};

struct TWinHTTPTimeouts {
    std::uint32_t ConnectTimeout = 0;
    std::uint32_t ReceiveTimeout = 0;
    std::uint32_t SendTimeout = 0;
};

struct TWinHTTPOutputFileAttributes {
    TWinHTTPFileAttributes Complete{atrArchive};
    TWinHTTPFileAttributes Incomplete{atrArchive, atrTemporary};
};

}  // namespace mw
