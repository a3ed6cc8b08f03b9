#include "CurlOptions.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "WinHTTPTransfer.h"

namespace mw {

namespace {

constexpr long kMaxRedirects = 20;

bool Has(const TInternetOptions& options, TInternetOption option) {
    return options.count(option) != 0;
}

std::string NoProxyList(const std::string& bypass) {
    std::string list = bypass;
    std::replace(list.begin(), list.end(), ';', ',');
    while (!list.empty() && (list.back() == ',' || list.back() == ' ')) {
        list.pop_back();
    }
    return list;
}

const char* Verb(const TTransferSettings& s) {
    switch (s.RequestMethod) {
        case rmGET:
            return "GET";
        case rmPOST:
            return "POST";
        default:
            return s.POSTData.empty() ? "GET" : "POST";
    }
}

void ApplyProxy(CURL* handle, const TTransferSettings& s) {
    switch (s.Proxy.AccessType) {
        case atPreconfig:
            // libcurl reads http_proxy, https_proxy and no_proxy itself.
            break;
        case atDirect:
            curl_easy_setopt(handle, CURLOPT_PROXY, "");
            break;
        case atUseProxy: {
            const std::string proxy = s.Proxy.ProxyServer + ":" + std::to_string(s.Proxy.ProxyPort);
            curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
            if (!s.Proxy.ProxyBypass.empty()) {
                curl_easy_setopt(handle, CURLOPT_NOPROXY, NoProxyList(s.Proxy.ProxyBypass).c_str());
            }
            break;
        }
    }
    if (s.Proxy.AccessType != atDirect && !s.Proxy.ProxyUsername.empty() &&
        !s.Proxy.ProxyPassword.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, s.Proxy.ProxyUsername.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, s.Proxy.ProxyPassword.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
}

void ApplyTimeouts(CURL* handle, const TWinHTTPTimeouts& timeouts) {
    if (timeouts.ConnectTimeout != 0) {
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.ConnectTimeout));
    }
    // Receiving and sending have no limits of their own: both become a stall limit, the
    // time without a byte moving, in whole seconds.
    std::uint32_t stallMs = 0;
    for (std::uint32_t limit : {timeouts.ReceiveTimeout, timeouts.SendTimeout}) {
        if (limit != 0) {
            stallMs = stallMs == 0 ? limit : std::min(stallMs, limit);
        }
    }
    if (stallMs != 0) {
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>((stallMs + 999) / 1000));
    }
}

}  // namespace

std::string StatusText(std::int32_t status) {
    static const std::pair<std::int32_t, const char*> kTexts[] = {
        {10, "Resolving name"},        {11, "Name resolved"},
        {20, "Connecting to server"},  {21, "Connected"},
        {30, "Sending Request"},       {31, "Request sent"},
        {40, "Receiving response"},    {41, "Response received"},
        {42, "CTL Response received"}, {43, "Prefetch"},
        {50, "Closing connection"},    {51, "Connection closed"},
        {60, "Handle created"},        {70, "Handle closing"},
        {100, "Request complete"},     {110, "Redirect"},
        {120, "Intermediate response"}, {200, "State change"},
    };
    for (const auto& [number, text] : kTexts) {
        if (number == status) {
            return text;
        }
    }
    return "Unknown status";
}

std::string RequestUrl(const TUrlParts& parts) {
    const bool ipv6 = parts.HostName.find(':') != std::string::npos && parts.HostName.front() != '[';
    std::string url = parts.Scheme + "://" + (ipv6 ? "[" + parts.HostName + "]" : parts.HostName);
    url += ":" + std::to_string(parts.Port);
    url += parts.UrlPath.empty() ? "/" : EncodeUrlPath(parts.UrlPath);
    url += EncodeExtraInfo(parts.ExtraInfo);
    return url;
}

std::string RangeLine(std::int64_t fromByte, std::int64_t toByte, std::uint32_t startRange,
                      std::uint32_t endRange) {
    std::int64_t start = 0;
    std::int64_t end = 0;
    if (fromByte != 0 || toByte != 0) {
        start = fromByte;
        end = toByte;
    } else if (startRange != 0 || endRange != 0) {
        start = startRange;
        end = endRange;
    } else {
        return "";
    }
    return "RANGE: bytes=" + std::to_string(start) + "-" + (end != 0 ? std::to_string(end) : "") +
           "\r\n";
}

curl_socket_t TSocketRegistry::Open(int domain, int type, int protocol) {
    std::lock_guard lock(m_mutex);
    if (m_woken) {
        return CURL_SOCKET_BAD;
    }
    const curl_socket_t socket = ::socket(domain, type | SOCK_CLOEXEC, protocol);
    if (socket != CURL_SOCKET_BAD) {
        m_sockets.push_back(socket);
    }
    return socket;
}

void TSocketRegistry::Close(curl_socket_t socket) {
    std::lock_guard lock(m_mutex);
    m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), socket), m_sockets.end());
    ::close(socket);
}

void TSocketRegistry::WakeAll() {
    std::lock_guard lock(m_mutex);
    m_woken = true;
    for (curl_socket_t socket : m_sockets) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

void ApplyRequestOptions(TTransfer& t, const std::string& rangeLine) {
    CURL* handle = t.Handle.get();
    const TTransferSettings& s = t.S;
    const std::string url = RequestUrl(t.Url);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // A server may send the transfer elsewhere on the web, never to a local file or
    // another kind of service.
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, Has(s.InternetOptions, ioNoAutoRedirect) ? 0L : 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, s.Agent.c_str());
    if (!s.Referer.empty()) {
        curl_easy_setopt(handle, CURLOPT_REFERER, s.Referer.c_str());
    }
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // libcurl receives in pieces of its own; the job cuts its chunks from them.
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE,
                     static_cast<long>(std::clamp<std::int32_t>(s.TransferBufferSize, CURL_MAX_WRITE_SIZE,
                                                                CURL_MAX_READ_SIZE)));
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, t.ErrorBuffer);

    const bool post = std::string_view(Verb(s)) == "POST";
    if (post) {
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, s.POSTData.c_str());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(s.POSTData.size()));
    } else {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }

    ApplyProxy(handle, s);
    ApplyTimeouts(handle, s.Timeouts);

    if (!Has(s.InternetOptions, ioNoAuthentication) && (!t.UserName.empty() || !t.Password.empty())) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, t.UserName.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, t.Password.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
    // Certificate checks stay on; each flag relaxes exactly its own check.
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER,
                     Has(s.InternetOptions, ioIgnoreUnknownCertificateAuthority) ? 0L : 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST,
                     Has(s.InternetOptions, ioIgnoreCertificateInvalid) ? 0L : 2L);
    if (!Has(s.InternetOptions, ioNoCookies)) {
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    }
    curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, Has(s.InternetOptions, ioKeepConnection) ? 0L : 1L);

    curl_slist* list = nullptr;
    list = curl_slist_append(list, ("Accept: " + s.AcceptTypes).c_str());
    for (const std::string& line : s.AddHeaders) {
        if (!line.empty()) {
            list = curl_slist_append(list, line.c_str());
        }
    }
    if (!rangeLine.empty()) {
        list = curl_slist_append(list, rangeLine.substr(0, rangeLine.size() - 2).c_str());
    }
    if (post) {
        list = curl_slist_append(list, "Content-Type: application/x-www-form-urlencoded");
    }
    t.Headers.reset(list);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, list);
}

}  // namespace mw

