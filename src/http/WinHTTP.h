#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HttpDates.h"
#include "HttpStreams.h"
#include "WinHTTPTypes.h"
#include "WinThread.h"

namespace mw {

class TWinHTTP;
struct TTransfer;

using TNotifyEvent = std::function<void(TWinHTTP& sender)>;
// hRequest is the transfer's libcurl easy handle (CURL*), open for options.
using TWinHTTPBeforeSendRequest = std::function<void(TWinHTTP& sender, void* hRequest)>;
using TWinHTTPHeaderInfoEvent = std::function<void(
    TWinHTTP& sender, std::int32_t errorCode, const std::string& rawHeadersCRLF,
    const std::string& contentType, const std::string& contentLanguage,
    const std::string& contentEncoding, std::int64_t contentLength, const std::string& location,
    TDateTime date, TDateTime lastModified, TDateTime expires, const std::string& eTag,
    bool& continueDownload)>;
using TWinHTTPProgressEvent = std::function<void(
    TWinHTTP& sender, const std::string& contentType, std::int64_t dataSize,
    std::int64_t bytesRead, std::int32_t elapsedTime, std::int32_t estimatedTimeLeft,
    std::uint8_t percentsDone, float transferRate, TStream* stream)>;
using TWinHTTPRedirected = std::function<void(TWinHTTP& sender, const std::string& newURL)>;
using TWinHTTPPasswordRequestEvent =
    std::function<void(TWinHTTP& sender, const std::string& realm, bool& tryAgain)>;
using TWinHTTPProxyAuthenticationEvent = std::function<void(
    TWinHTTP& sender, std::string& proxyUsername, std::string& proxyPassword, bool& tryAgain)>;
using TWinHTTPDoneEvent = std::function<void(TWinHTTP& sender, const std::string& contentType,
                                             std::int64_t fileSize, TStream* stream)>;
using TWinHTTPConnLostEvent =
    std::function<void(TWinHTTP& sender, const std::string& contentType, std::int64_t fileSize,
                       std::int64_t bytesRead, TStream* stream)>;
using TWinHTTPErrorEvent =
    std::function<void(TWinHTTP& sender, std::int32_t errorCode, TStream* stream)>;
using TWinHTTPWaitTimeoutExpired = std::function<void(TWinHTTP& sender, bool& terminateThread)>;
using TWinHTTPStatusEvent =
    std::function<void(TWinHTTP& sender, std::int32_t status, const std::string& text)>;

// Fetches one URL at a time over HTTP or HTTPS (or reads a local file given as a file: URL)
// in a worker thread and reports through events. The body goes to OutputFileName, or into a
// memory stream handed to the completion event when no file name is set.
class TWinHTTP {
public:
    static constexpr std::int32_t kMinTransferBufferSize = 255;

    TWinHTTP();
    ~TWinHTTP();
    TWinHTTP(const TWinHTTP&) = delete;
    TWinHTTP& operator=(const TWinHTTP&) = delete;

    bool Read(bool forceWait = false);
    // fromByte resumes there; toByte ends the range (0 = to the end).
    bool ReadRange(std::int64_t fromByte, std::int64_t toByte, bool forceWait = false);
    void Abort(bool deleteOutputFile, bool force);

    bool Busy() const { return m_busy.load(); }
    std::int32_t StatusCode() const;
    // What the network layer said about the last transfer that failed without a response.
    const std::string& ErrorText() const { return m_errorText; }

    std::int32_t TransferBufferSize() const { return m_transferBufferSize; }
    void SetTransferBufferSize(std::int32_t size);

    std::string AcceptTypes = "text/html, */*";
    std::vector<std::string> AddHeaders;
    std::string Agent = "MediaWizard HTTP";
    TWinHTTPProxy Proxy;
    std::string URL;
    std::string Username;
    std::string Password;
    TCacheOptions CacheOptions{coReloadIfNoExpireInformation, coReloadUpdatedObjects,
                               coCreateTempFilesIfCantCache};
    TInternetOptions InternetOptions{ioKeepConnection};
    std::string OutputFileName;
    TWinHTTPOutputFileAttributes OutputFileAttributes;
    std::string POSTData;
    TWinHTTPRange Range;
    std::string Referer;
    bool ShowGoOnlineMessage = false;
    TWinHTTPRequestMethod RequestMethod = rmAutoDetect;
    TWinHTTPTimeouts Timeouts;
    TThreadPriority ThreadPriority = tpNormal;
    bool WaitThread = false;
    std::int32_t WaitTimeout = 0;
    bool WorkOffline = false;

    TWinHTTPBeforeSendRequest OnBeforeSendRequest;
    TWinHTTPHeaderInfoEvent OnHeaderInfo;
    TWinHTTPProgressEvent OnProgress;
    TWinHTTPRedirected OnRedirected;
    TWinHTTPPasswordRequestEvent OnPasswordRequest;
    TWinHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;
    TWinHTTPDoneEvent OnDone;
    TNotifyEvent OnDoneInterrupted;
    TWinHTTPConnLostEvent OnConnLost;
    TWinHTTPErrorEvent OnHTTPError;
    TNotifyEvent OnHostUnreachable;
    TNotifyEvent OnOutputFileError;
    TNotifyEvent OnAnyError;
    TNotifyEvent OnAborted;
    TWinHTTPWaitTimeoutExpired OnWaitTimeoutExpired;
    TWinHTTPStatusEvent OnStatus;

private:
    friend struct TTransferJob;

    void Execute(TCustomWinThread& thread);
    void Complete();
    void ReportJobException();
    void Release(bool deleteFile);
    void Fire(const TNotifyEvent& event);

    std::unique_ptr<TCustomWinThread> m_thread;
    std::shared_ptr<TTransfer> m_transfer;
    std::atomic<bool> m_busy{false};
    std::int32_t m_lastStatusCode = -1;
    std::string m_errorText;
    std::int32_t m_transferBufferSize = 4096;
};

}  // namespace mw
