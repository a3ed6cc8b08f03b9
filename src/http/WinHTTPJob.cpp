#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <charconv>
#include <cstring>

#include "CurlOptions.h"
#include "core/UtilFuncs.h"
#include "ProgressValues.h"
#include "WinHTTPTransfer.h"

namespace mw {

namespace {

// A local file opened for reading; closed with the object.
class LocalFile {
public:
    explicit LocalFile(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~LocalFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

std::optional<std::int64_t> ParseLength(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

bool IsBodyStatus(std::int32_t code) {
    return code == 200 || code == 206;
}

std::string SchemeOf(std::string_view url) {
    const std::size_t end = url.find("://");
    return LowerCase(url.substr(0, end == std::string_view::npos ? 0 : end));
}

// A Location header made absolute against the URL the answer came from.
std::string ResolveLocation(CURL* handle, const std::string& location) {
    char* effective = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective);
    CurlUrlPtr url(curl_url());
    if (!url || effective == nullptr || curl_url_set(url.get(), CURLUPART_URL, effective, 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return location;
    }
    char* text = nullptr;
    if (curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK) {
        return location;
    }
    const CurlTextPtr owned(text);
    return owned.get();
}

}  // namespace

// The steps of one transfer, run in the worker.
struct TTransferJob {
    TWinHTTP& Http;
    TTransfer& T;
    TCustomWinThread& Thread;
    bool Restart = false;

    void Run();

private:
    enum class Outcome { End, Restart };

    static TEventWinThread& Self() { return *TEventWinThread::Current(); }
    static bool StopNow() { return Self().Terminated(); }

    void Checkpoint();
    void AbortCleanup();
    void Status(std::int32_t status);
    void ReadLocalFile();
    Outcome Connect();
    Outcome Send();
    bool Perform();
    bool EndOfHeaderBlock();
    bool Respond();
    bool SetupOutput();
    bool Accept(const char* data, std::size_t count);
    bool ProcessChunk(const char* data, std::size_t count);
    void FlushChunk();
    void ReportHeaders();
    void ReportProgress();
    void Finish();

    template <class F>
    auto Guard(F&& body, decltype(body()) failed) {
        try {
            return body();
        } catch (...) {
            T.CallbackError = std::current_exception();
            return failed;
        }
    }

    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
    static int OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address);
    static int OnCloseSocket(void* user, curl_socket_t socket);
    static int OnPrerequest(void* user, char*, char*, int, int);
};

void TWinHTTP::Execute(TCustomWinThread& thread) {
    const std::shared_ptr<TTransfer> transfer = m_transfer;
    TTransferJob job{*this, *transfer, thread};
    job.Run();
}

void TTransferJob::Checkpoint() {
    Self().Checkpoint();
    if (!StopNow()) {
        return;
    }
    if (T.Claim()) {
        AbortCleanup();
    }
    // Ends the worker here: no completion follows a stop.
    Thread.Terminate(true);
}

void TTransferJob::AbortCleanup() {
    T.Handle.reset();
    const bool created = T.FileCreated;
    T.OutputFile = nullptr;
    T.Stream.reset();
    T.Buffer = {};
    T.FileCreated = false;
    if (created && T.DeleteOnAbort.load()) {
        ::unlink(T.S.OutputFileName.c_str());
    }
    Thread.Synchronize([this] {
        Http.m_busy = false;
        Http.Fire(Http.OnAborted);
    });
}

void TTransferJob::Status(std::int32_t status) {
    if (Http.OnStatus) {
        Http.OnStatus(Http, status, StatusText(status));
    }
}

void TTransferJob::Run() {
    T.StartTick = std::chrono::steady_clock::now();
    SplitUrl(T.S.URL, T.Url);
    T.UserName = T.Url.UserName.empty() ? T.S.Username : T.Url.UserName;
    T.Password = T.Url.Password.empty() ? T.S.Password : T.Url.Password;
    Checkpoint();
    if (T.Url.Scheme == "file") {
        ReadLocalFile();
        return;
    }
    if (T.Url.Scheme.empty() || T.S.WorkOffline) {
        // Nothing to connect to: a URL that could not be split, or no network wanted.
        T.ErrorText = T.S.WorkOffline ? "Working offline" : "The URL could not be split";
        return;
    }
    T.Handle.reset(curl_easy_init());
    if (!T.Handle) {
        return;
    }
    Status(60);
    CURL* handle = T.Handle.get();
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnWrite);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, &OnCloseSocket);
    // The handle may be closed after the job has returned: its socket callback must not
    // need the job.
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, &T.Sockets);
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &OnPrerequest);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, this);
    while (Connect() == Outcome::Restart) {
    }
}

void TTransferJob::ReadLocalFile() {
    for (;;) {
        LocalFile file(T.Url.UrlPath);
        std::int64_t start = 0;
        if (file.Fd() < 0) {
            T.StatusCode = 404;
            T.DataSize = 0;
        } else {
            T.StatusCode = 200;
            const std::int64_t size = ::lseek(file.Fd(), 0, SEEK_END);
            start = T.FromByte != 0 ? T.FromByte : T.S.Range.StartRange;
            start = std::clamp<std::int64_t>(start, 0, size);
            // The size still to come, as a server answers a range.
            T.DataSize = size - start;
            ::lseek(file.Fd(), start, SEEK_SET);
        }
        Checkpoint();
        if (!SetupOutput()) {
            if (T.RestartNeeded) {
                T.RestartNeeded = false;
                T.FromByte = 0;
                continue;
            }
            return;
        }
        std::vector<char> chunk(static_cast<std::size_t>(T.S.TransferBufferSize));
        for (;;) {
            Checkpoint();
            if (file.Fd() < 0) {
                break;
            }
            const ssize_t n = ::read(file.Fd(), chunk.data(), chunk.size());
            if (n <= 0) {
                break;
            }
            if (!ProcessChunk(chunk.data(), static_cast<std::size_t>(n))) {
                break;
            }
        }
        if (T.RestartNeeded) {
            T.RestartNeeded = false;
            T.Stream.reset();
            T.OutputFile = nullptr;
            T.FromByte = 0;
            continue;
        }
        Finish();
        return;
    }
}

TTransferJob::Outcome TTransferJob::Connect() {
    Checkpoint();
    Checkpoint();
    const std::string range =
        RangeLine(T.FromByte, T.ToByte, T.S.Range.StartRange, T.S.Range.EndRange);
    ApplyRequestOptions(T, range);
    Checkpoint();
    if (Http.OnBeforeSendRequest) {
        Http.OnBeforeSendRequest(Http, T.Handle.get());
    }
    return Send();
}

TTransferJob::Outcome TTransferJob::Send() {
    do {
        Checkpoint();
        T.TryAgain = false;
        if (!Perform()) {
            return Outcome::End;
        }
        if (T.RequeryNeeded) {
            T.RequeryNeeded = false;
            T.RequeryingSize = true;
            ApplyRequestOptions(T, "RANGE: bytes=0-\r\n");
            Perform();
            T.RequeryingSize = false;
            Checkpoint();
            if (T.RequeriedSize == T.FromByte) {
                // Already complete: the job ends with no output stream.
                T.Success = true;
                return Outcome::End;
            }
            T.StatusCode = -1;
            T.FromByte = 0;
            return Outcome::Restart;
        }
        if (T.TryAgain) {
            ApplyRequestOptions(T, RangeLine(T.FromByte, T.ToByte, T.S.Range.StartRange,
                                             T.S.Range.EndRange));
        }
    } while (T.TryAgain);
    if (T.RestartNeeded) {
        T.RestartNeeded = false;
        T.OutputFile = nullptr;
        T.Stream.reset();
        T.StatusCode = -1;
        T.FromByte = 0;
        return Outcome::Restart;
    }
    if (T.ResponseFinal && T.ContinueDownload && T.Stream) {
        Finish();
    }
    return Outcome::End;
}

// One request on the wire; false when no response came back.
bool TTransferJob::Perform() {
    T.Response.Clear();
    T.ResponseFinal = false;
    T.RedirectRefused = false;
    T.Buffered = 0;
    T.ErrorBuffer[0] = '\0';
    const CURLcode result = curl_easy_perform(T.Handle.get());
    if (T.CallbackError) {
        std::rethrow_exception(std::exchange(T.CallbackError, nullptr));
    }
    Checkpoint();
    Status(100);
    if (result != CURLE_OK && T.ResponseFinal && T.Stream && !T.RestartNeeded && !T.WriteFailed) {
        // The body broke off: whatever its length header said, it is not complete.
        T.BodyBroken = true;
    }
    if (!T.ResponseFinal && !T.RedirectRefused) {
        T.ErrorText = T.ErrorBuffer[0] != '\0' ? T.ErrorBuffer : curl_easy_strerror(result);
        return false;
    }
    return true;
}

bool TTransferJob::EndOfHeaderBlock() {
    CURL* handle = T.Handle.get();
    long code = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
    if (code < 200) {
        Status(120);
        T.Response.Clear();
        return true;
    }
    const std::optional<std::string> location = T.Response.Value("Location");
    const bool follows = T.S.InternetOptions.count(ioNoAutoRedirect) == 0;
    if (code / 100 == 3 && code != 304 && follows && location) {
        const std::string target = ResolveLocation(handle, *location);
        const std::string scheme = SchemeOf(target);
        const bool downgrade = T.Url.Scheme == "https" && scheme == "http" &&
                               T.S.InternetOptions.count(ioIgnoreRedirectToHTTP) == 0;
        if ((scheme != "http" && scheme != "https") || downgrade) {
            T.StatusCode = static_cast<std::int32_t>(code);
            T.RedirectRefused = true;
            T.ErrorText = "Redirect refused: " + target;
            return false;
        }
        Status(110);
        if (Http.OnRedirected) {
            Http.OnRedirected(Http, target);
        }
        T.Url.Scheme = scheme;
        T.Response.Clear();
        return true;
    }
    T.StatusCode = static_cast<std::int32_t>(code);
    T.ResponseFinal = true;
    Status(41);
    if (T.RequeryingSize) {
        T.RequeriedSize =
            IsBodyStatus(T.StatusCode) ? ParseLength(T.Response.Value("Content-Length")).value_or(0) : 0;
        return false;
    }
    if (code == 416 && T.FromByte != 0) {
        T.RequeryNeeded = true;
        return false;
    }
    if (code == 401 && Http.OnPasswordRequest) {
        const std::optional<std::string> authenticate = T.Response.Value("WWW-Authenticate");
        const std::string realm = authenticate ? RealmOf(*authenticate) : "";
        Thread.Synchronize([&] {
            Http.OnPasswordRequest(Http, realm, T.TryAgain);
            T.UserName = Http.Username;
            T.Password = Http.Password;
        });
        if (T.TryAgain) {
            return false;
        }
    }
    if (code == 407 && Http.OnProxyAuthenticationRequest) {
        Thread.Synchronize([&] {
            Http.OnProxyAuthenticationRequest(Http, T.S.Proxy.ProxyUsername,
                                              T.S.Proxy.ProxyPassword, T.TryAgain);
        });
        if (T.TryAgain) {
            return false;
        }
    }
    return Respond();
}

bool TTransferJob::Respond() {
    if (StopNow()) {
        return false;
    }
    if (std::optional<std::string> type = T.Response.Value("Content-Type")) {
        T.ContentType = *type;
    }
    const std::optional<std::int64_t> length = ParseLength(T.Response.Value("Content-Length"));
    T.DataSize = length.value_or(0);
    T.Success = length.has_value();
    if (!T.Response.Value("Content-Range")) {
        T.FromByte = 0;
    }
    if (Http.OnHeaderInfo) {
        ReportHeaders();
        if (!T.ContinueDownload) {
            return false;
        }
    }
    if (StopNow()) {
        return false;
    }
    return SetupOutput();
}

void TTransferJob::ReportHeaders() {
    const TResponseHeaders& r = T.Response;
    const std::string raw = r.RawCRLF();
    const std::string language = r.Text("Content-Language");
    const std::string encoding = r.Text("Content-Encoding");
    const std::string location = r.Text("Location");
    const std::string eTag = r.Text("ETag");
    const TDateTime date = HttpDateToDateTime(r.Text("Date"));
    const TDateTime lastModified = HttpDateToDateTime(r.Text("Last-Modified"));
    const TDateTime expires = HttpDateToDateTime(r.Text("Expires"));
    Thread.Synchronize([&] {
        Http.OnHeaderInfo(Http, T.StatusCode, raw, T.ContentType, language, encoding,
                          T.DataSize + T.FromByte, location, date, lastModified, expires, eTag,
                          T.ContinueDownload);
    });
}

bool TTransferJob::SetupOutput() {
    Checkpoint();
    T.BytesRead = 0;
    T.Buffered = 0;
    T.Buffer.assign(static_cast<std::size_t>(T.S.TransferBufferSize), '\0');
    if (IsBodyStatus(T.StatusCode) && !T.S.OutputFileName.empty()) {
        std::unique_ptr<TFileStream> file = TFileStream::Open(T.S.OutputFileName, T.FromByte == 0);
        if (file) {
            // Seeking beyond the end would leave a hole in the file: start over instead.
            if (T.FromByte != 0 && !file->Seek(T.FromByte)) {
                T.StatusCode = -1;
                T.RestartNeeded = true;
                return false;
            }
            if (T.S.OutputFileAttributes.Incomplete != TWinHTTPFileAttributes{atrArchive}) {
                file->SetAttributes(T.S.OutputFileAttributes.Incomplete);
            }
            T.FileCreated = true;
            T.OverlapArmed = T.FromByte != 0;
            T.OutputFile = file.get();
            T.Stream = std::move(file);
            return true;
        }
        if (T.Success) {
            T.Stream.reset();
            return false;
        }
    }
    auto memory = std::make_unique<TMemoryStream>();
    if (T.Success) {
        memory->Presize(T.DataSize);
    }
    T.OutputFile = nullptr;
    T.Stream = std::move(memory);
    return true;
}

bool TTransferJob::Accept(const char* data, std::size_t count) {
    const std::size_t chunk = T.Buffer.size();
    while (count > 0) {
        if (T.Buffered == 0 && count >= chunk) {
            if (!ProcessChunk(data, chunk)) {
                return false;
            }
            data += chunk;
            count -= chunk;
            continue;
        }
        const std::size_t n = std::min(count, chunk - T.Buffered);
        std::memcpy(T.Buffer.data() + T.Buffered, data, n);
        T.Buffered += n;
        data += n;
        count -= n;
        if (T.Buffered == chunk) {
            T.Buffered = 0;
            if (!ProcessChunk(T.Buffer.data(), chunk)) {
                return false;
            }
        }
    }
    return true;
}

void TTransferJob::FlushChunk() {
    if (T.Buffered > 0) {
        const std::size_t n = std::exchange(T.Buffered, 0);
        ProcessChunk(T.Buffer.data(), n);
    }
}

bool TTransferJob::ProcessChunk(const char* data, std::size_t count) {
    T.BytesRead += static_cast<std::int64_t>(count);
    if (T.OverlapArmed) {
        T.OverlapArmed = false;
        std::vector<char> existing(count);
        if (T.OutputFile->Read(existing.data(), count) != count ||
            std::memcmp(existing.data(), data, count) != 0) {
            // The file on disk is not the start of this body: fetch it all again.
            T.StatusCode = -1;
            T.RestartNeeded = true;
            return false;
        }
    } else if (!T.Stream->Write(data, count)) {
        T.WriteFailed = true;
        return false;
    }
    if (Http.OnProgress) {
        ReportProgress();
    }
    return !StopNow();
}

void TTransferJob::ReportProgress() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - T.StartTick)
                             .count();
    const TProgressValues values = ComputeProgress(T.DataSize, T.BytesRead, T.FromByte, elapsed);
    Thread.Synchronize([&] {
        Http.OnProgress(Http, T.ContentType, T.DataSize + T.FromByte, T.BytesRead + T.FromByte,
                        values.ElapsedTime, values.EstimatedTimeLeft, values.PercentsDone,
                        values.TransferRate, T.Stream.get());
    });
}

void TTransferJob::Finish() {
    FlushChunk();
    if (T.CallbackError) {
        std::rethrow_exception(std::exchange(T.CallbackError, nullptr));
    }
    Checkpoint();
    T.Buffer = {};
    T.Success = IsBodyStatus(T.StatusCode) && !T.BodyBroken && !T.WriteFailed &&
                (T.DataSize == 0 || !T.Stream || T.BytesRead == T.DataSize);
}

std::size_t TTransferJob::OnWrite(char* data, std::size_t size, std::size_t count, void* user) {
    auto& job = *static_cast<TTransferJob*>(user);
    const std::size_t total = size * count;
    if (StopNow()) {
        return 0;
    }
    if (!job.T.Stream) {
        // The body of an answer the job does not keep (a redirect libcurl follows).
        return total;
    }
    return job.Guard([&] { return job.Accept(data, total); }, false) ? total : 0;
}

std::size_t TTransferJob::OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& job = *static_cast<TTransferJob*>(user);
    const std::size_t total = size * count;
    if (StopNow()) {
        return 0;
    }
    return job.Guard(
               [&] {
                   const std::string_view line(data, total);
                   if (line.substr(0, 5) == "HTTP/") {
                       job.Status(31);
                       job.Status(40);
                   }
                   return !job.T.Response.AddLine(line) || job.EndOfHeaderBlock();
               },
               false)
               ? total
               : 0;
}

int TTransferJob::OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& job = *static_cast<TTransferJob*>(user);
    return job.Guard(
        [&] {
            Self().Checkpoint();
            return StopNow() ? 1 : 0;
        },
        1);
}

curl_socket_t TTransferJob::OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto& job = *static_cast<TTransferJob*>(user);
    job.Guard(
        [&] {
            job.Status(11);
            job.Status(20);
            return true;
        },
        false);
    return job.T.Sockets.Open(address->family, address->socktype, address->protocol);
}

int TTransferJob::OnCloseSocket(void* user, curl_socket_t socket) {
    static_cast<TSocketRegistry*>(user)->Close(socket);
    return 0;
}

int TTransferJob::OnPrerequest(void* user, char*, char*, int, int) {
    auto& job = *static_cast<TTransferJob*>(user);
    return job.Guard(
        [&] {
            job.Status(21);
            job.Status(30);
            return CURL_PREREQFUNC_OK;
        },
        CURL_PREREQFUNC_ABORT);
}

}  // namespace mw
