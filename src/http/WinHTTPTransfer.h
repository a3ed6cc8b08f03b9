#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HttpStreams.h"
#include "ResponseHeaders.h"
#include "UrlParts.h"
#include "WinHTTP.h"

namespace mw {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
    void operator()(char* text) const { curl_free(text); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using CurlListPtr = std::unique_ptr<curl_slist, CurlDeleter>;
using CurlUrlPtr = std::unique_ptr<CURLU, CurlDeleter>;
using CurlTextPtr = std::unique_ptr<char, CurlDeleter>;

// The settings of the component as they were when the transfer started.
struct TTransferSettings {
    std::string AcceptTypes;
    std::vector<std::string> AddHeaders;
    std::string Agent;
    TWinHTTPProxy Proxy;
    std::string URL;
    std::string Username;
    std::string Password;
    TInternetOptions InternetOptions;
    std::string OutputFileName;
    TWinHTTPOutputFileAttributes OutputFileAttributes;
    std::string POSTData;
    TWinHTTPRange Range;
    std::string Referer;
    TWinHTTPRequestMethod RequestMethod = rmAutoDetect;
    TWinHTTPTimeouts Timeouts;
    std::int32_t TransferBufferSize = 4096;
    bool WorkOffline = false;
};

// The sockets libcurl opened for a transfer, so that a forced stop can wake a worker that
// waits for data.
class TSocketRegistry {
public:
    curl_socket_t Open(int domain, int type, int protocol);
    void Close(curl_socket_t socket);
    // Shuts every socket down now and refuses new ones.
    void WakeAll();

private:
    std::mutex m_mutex;
    std::vector<curl_socket_t> m_sockets;
    bool m_woken = false;
};

// What one transfer holds. The worker owns it while it runs; the main thread touches it
// only while the worker waits in a synchronized call or after it has ended.
struct TTransfer {
    TTransferSettings S;
    TUrlParts Url;
    std::string UserName;
    std::string Password;
    std::chrono::steady_clock::time_point StartTick;

    std::atomic<std::int32_t> StatusCode{-1};
    std::string ContentType;
    std::int64_t DataSize = 0;
    std::int64_t BytesRead = 0;
    std::int64_t FromByte = 0;
    std::int64_t ToByte = 0;
    bool Success = false;
    bool ContinueDownload = true;
    bool TryAgain = false;
    bool FileCreated = false;
    bool WriteFailed = false;
    bool BodyBroken = false;
    std::unique_ptr<TStream> Stream;
    std::vector<char> Buffer;
    std::size_t Buffered = 0;
    bool OverlapArmed = false;
    TFileStream* OutputFile = nullptr;

    CurlPtr Handle;
    CurlListPtr Headers;
    TResponseHeaders Response;
    TSocketRegistry Sockets;
    char ErrorBuffer[CURL_ERROR_SIZE] = {};
    std::string ErrorText;

    // What the callbacks of one send decided; read when it returns.
    bool ResponseFinal = false;
    bool RequeryingSize = false;
    std::int64_t RequeriedSize = 0;
    bool RequeryNeeded = false;
    bool RestartNeeded = false;
    bool RedirectRefused = false;
    bool StopRequested = false;
    std::exception_ptr CallbackError;

    std::atomic<bool> DeleteOnAbort{false};

    // The first of completion, stop and forced stop to claim the transfer reports its end.
    bool Claim() { return !m_claimed.exchange(true); }

private:
    std::atomic<bool> m_claimed{false};
};

}  // namespace mw
