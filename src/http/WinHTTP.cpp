#include "WinHTTP.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "WinHTTPTransfer.h"

namespace mw {

namespace {

void InitCurlOnce() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

}  // namespace

TWinHTTP::TWinHTTP() : m_thread(std::make_unique<TCustomWinThread>()) {
    InitCurlOnce();
    m_thread->SetOnExecute([this](TCustomWinThread& thread, std::intptr_t) { Execute(thread); });
    m_thread->SetOnFinish([this](TCustomWinThread&, std::intptr_t) { Complete(); });
    m_thread->SetOnException([this] { ReportJobException(); });
    m_thread->OnWaitTimeoutExpired = [this](TCustomWinThread&, bool& terminateThread) {
        if (OnWaitTimeoutExpired) {
            OnWaitTimeoutExpired(*this, terminateThread);
        }
        if (terminateThread && m_transfer) {
            m_transfer->Sockets.WakeAll();
        }
    };
}

TWinHTTP::~TWinHTTP() {
    m_thread->BeginDestroy();
    if (m_transfer) {
        m_transfer->Sockets.WakeAll();
    }
    m_thread.reset();
}

void TWinHTTP::SetTransferBufferSize(std::int32_t size) {
    m_transferBufferSize = std::max(size, kMinTransferBufferSize);
}

std::int32_t TWinHTTP::StatusCode() const {
    return m_transfer ? m_transfer->StatusCode.load() : m_lastStatusCode;
}

bool TWinHTTP::Read(bool forceWait) {
    return ReadRange(0, 0, forceWait);
}

bool TWinHTTP::ReadRange(std::int64_t fromByte, std::int64_t toByte, bool forceWait) {
    if (m_busy.load()) {
        return false;
    }
    auto transfer = std::make_shared<TTransfer>();
    TTransferSettings& s = transfer->S;
    s.AcceptTypes = AcceptTypes;
    s.AddHeaders = AddHeaders;
    s.Agent = Agent;
    s.Proxy = Proxy;
    s.URL = URL;
    s.Username = Username;
    s.Password = Password;
    s.InternetOptions = InternetOptions;
    s.OutputFileName = OutputFileName;
    s.OutputFileAttributes = OutputFileAttributes;
    s.POSTData = POSTData;
    s.Range = Range;
    s.Referer = Referer;
    s.RequestMethod = RequestMethod;
    s.Timeouts = Timeouts;
    s.TransferBufferSize = m_transferBufferSize;
    s.WorkOffline = WorkOffline;
    transfer->FromByte = fromByte;
    transfer->ToByte = toByte;
    m_transfer = transfer;
    m_errorText.clear();
    m_busy = true;

    m_thread->SetPriority(ThreadPriority);
    m_thread->WaitThread = forceWait || WaitThread;
    m_thread->WaitTimeout = WaitTimeout;
    const bool started = m_thread->Start();
    if (!started && transfer->Claim()) {
        // The blocking read ran out of time and its worker was stopped: no event follows.
        m_lastStatusCode = transfer->StatusCode.load();
        m_transfer.reset();
        m_busy = false;
    }
    return started;
}

void TWinHTTP::Abort(bool deleteOutputFile, bool force) {
    const std::shared_ptr<TTransfer> transfer = m_transfer;
    if (!m_thread->Executing() || !transfer) {
        return;
    }
    transfer->DeleteOnAbort = deleteOutputFile;
    if (!force) {
        m_thread->Terminate(false);
        return;
    }
    if (!transfer->Claim()) {
        return;
    }
    transfer->Sockets.WakeAll();
    m_thread->Terminate(true);
    // The worker has left the job (or leaves it as soon as the call it waits in returns).
    const bool created = transfer->FileCreated;
    m_lastStatusCode = transfer->StatusCode.load();
    m_transfer.reset();
    if (created && deleteOutputFile) {
        ::unlink(transfer->S.OutputFileName.c_str());
    }
    m_busy = false;
    if (!m_thread->Destroying()) {
        Fire(OnAborted);
    }
}

void TWinHTTP::Fire(const TNotifyEvent& event) {
    if (event) {
        event(*this);
    }
}

void TWinHTTP::ReportJobException() {
    try {
        Fire(OnAnyError);
    } catch (...) {
        // A handler's own failure ends with it.
    }
}

void TWinHTTP::Complete() {
    const std::shared_ptr<TTransfer> transfer = m_transfer;
    if (!transfer || !transfer->Claim()) {
        return;
    }
    TTransfer& t = *transfer;
    t.Handle.reset();
    if (t.Stream) {
        t.Stream->Seek(0);
    }
    m_lastStatusCode = t.StatusCode.load();
    m_errorText = t.ErrorText;
    const std::int64_t fileSize = t.BytesRead + t.FromByte;
    bool deleteFile = false;
    try {
        if (!t.ContinueDownload) {
            Release(false);
            Fire(OnDoneInterrupted);
            return;
        }
        if (t.Success && !t.Stream) {
            Fire(OnAnyError);
            Fire(OnOutputFileError);
            Release(false);
            return;
        }
        if (t.Success && t.FileCreated) {
            t.OutputFile = nullptr;
            t.Stream.reset();
            const TWinHTTPOutputFileAttributes& attributes = t.S.OutputFileAttributes;
            if (attributes.Complete != attributes.Incomplete) {
                ApplyFileAttributes(t.S.OutputFileName, attributes.Complete);
            }
            if (OnDone) {
                OnDone(*this, t.ContentType, fileSize, nullptr);
            }
        } else if (t.Success) {
            if (OnDone) {
                OnDone(*this, t.ContentType, fileSize, t.Stream.get());
            }
        } else if (t.WriteFailed) {
            Fire(OnOutputFileError);
            Fire(OnAnyError);
        } else {
            const std::int32_t code = t.StatusCode.load();
            if (code == 200 || code == 206) {
                if (OnConnLost) {
                    OnConnLost(*this, t.ContentType, t.DataSize + t.FromByte, fileSize, t.Stream.get());
                }
            } else if (code == -1) {
                Fire(OnHostUnreachable);
            } else {
                if (OnHTTPError) {
                    OnHTTPError(*this, code, t.Stream.get());
                }
                deleteFile = t.FileCreated;
            }
            Fire(OnAnyError);
        }
    } catch (...) {
        ReportJobException();
    }
    Release(deleteFile);
}

void TWinHTTP::Release(bool deleteFile) {
    const std::shared_ptr<TTransfer> transfer = std::exchange(m_transfer, nullptr);
    if (transfer) {
        transfer->OutputFile = nullptr;
        transfer->Stream.reset();
        transfer->Buffer = {};
        if (deleteFile) {
            ::unlink(transfer->S.OutputFileName.c_str());
        }
    }
    m_busy = false;
}

}  // namespace mw
