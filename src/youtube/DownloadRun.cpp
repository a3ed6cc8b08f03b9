#include "DownloadRun.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "QualityPreference.h"
#include "RealUrl.h"
#include "core/UtilFuncs.h"
#include "engine/files/OutputPlacement.h"

namespace mw {

namespace {

constexpr const char* kAgent = "[MediaWizard]";
// Each progress event waits for the main thread; large chunks keep a fast transfer from
// being bound by those hand-offs, and the body goes to the file chunk by chunk.
constexpr std::int32_t kMediaChunkBytes = 256 * 1024;

void SetUpInstance(TWinHTTP& http) {
    http.AcceptTypes = "*/*";
    http.Agent = kAgent;
    // Certificates are checked: a download is only worth having from the site it names.
    http.InternetOptions = {ioKeepConnection};
    http.ShowGoOnlineMessage = true;
}

std::string StreamText(TStream* stream) {
    std::string text;
    if (stream == nullptr) {
        return text;
    }
    text.resize(static_cast<std::size_t>(stream->Size()));
    stream->Seek(0);
    text.resize(stream->Read(text.data(), text.size()));
    return text;
}

std::string SpeedText(std::int64_t bytesRead, std::int32_t elapsedSeconds) {
    return FormatTwoDecimals(static_cast<double>(bytesRead) / 1024.0 / elapsedSeconds) + " KB/s";
}

}  // namespace

std::string FormatTwoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

DownloadRun::DownloadRun(PostFunction post, DownloadRunObserver& observer)
    : m_post(std::move(post)), m_observer(observer) {
    SetUpInstance(m_page);
    SetUpInstance(m_download);
    m_download.SetTransferBufferSize(kMediaChunkBytes);

    m_page.OnProgress = [this](TWinHTTP&, const std::string&, std::int64_t dataSize,
                               std::int64_t bytesRead, std::int32_t elapsed, std::int32_t,
                               std::uint8_t, float,
                               TStream*) { PageProgress(dataSize, bytesRead, elapsed); };
    m_page.OnDone = [this](TWinHTTP&, const std::string&, std::int64_t, TStream* stream) {
        PageDone(stream);
    };
    m_page.OnAnyError = [this](TWinHTTP&) {
        if (!m_destroying && m_running) {
            m_cancelled ? EndRun() : ItemFailed();
        }
    };
    m_page.OnAborted = [this](TWinHTTP&) { TransferAborted(); };

    m_download.OnProgress = [this](TWinHTTP&, const std::string&, std::int64_t dataSize,
                                   std::int64_t bytesRead, std::int32_t elapsed,
                                   std::int32_t timeLeft, std::uint8_t percent, float, TStream*) {
        DownloadProgress(dataSize, bytesRead, elapsed, timeLeft, percent);
    };
    m_download.OnDone = [this](TWinHTTP&, const std::string&, std::int64_t, TStream*) {
        DownloadDone();
    };
    m_download.OnAnyError = [this](TWinHTTP&) { DownloadError(AttemptFailure()); };
    m_download.OnAborted = [this](TWinHTTP&) { TransferAborted(); };
}

DownloadRun::~DownloadRun() {
    m_destroying = true;
    m_ytdlp.Cancel();
    m_page.Abort(true, true);
    m_download.Abort(true, true);
    RemovePartialFile();
}

void DownloadRun::Post(void (DownloadRun::*step)()) {
    const std::weak_ptr<int> generation = m_generation;
    const int posted = *m_generation;
    m_post([this, generation, posted, step] {
        const std::shared_ptr<int> current = generation.lock();
        if (current && *current == posted && m_running && !m_cancelled) {
            (this->*step)();
        }
    });
}

void DownloadRun::Start(const std::vector<std::string>& links, const std::string& folder,
                        bool preferHighQuality, std::vector<int> order) {
    if (m_running) {
        return;
    }
    ++*m_generation;
    m_rows.clear();
    for (const std::string& link : links) {
        m_rows.emplace_back().Name = link;
    }
    m_status = {};
    m_folder = WithTrailingBackslash(folder);
    m_preferHighQuality = preferHighQuality && !order.empty();
    m_order = std::move(order);
    m_downloadedFiles.clear();
    m_total = static_cast<int>(m_rows.size());
    m_current = 0;
    m_succeeded = 0;
    m_position = 0;
    m_cancelled = false;
    m_running = true;
    Changed();
    if (m_rows.empty()) {
        EndRun();
        return;
    }
    Post(&DownloadRun::NextItem);
}

void DownloadRun::Cancel() {
    if (!m_running || m_cancelled) {
        return;
    }
    m_cancelled = true;
    // A resolution under way reports nothing once cancelled.
    m_ytdlp.Cancel();
    bool transferring = false;
    for (TWinHTTP* http : {&m_page, &m_download}) {
        if (http->Busy()) {
            transferring = true;
            http->Abort(false, false);
        }
    }
    // Between two transfers nothing would report back: the run ends here.
    if (!transferring) {
        RemovePartialFile();
        EndRun();
    }
}

void DownloadRun::NextItem() {
    if (m_current > m_total - 1) {
        return;
    }
    const DownloadItem& item = m_rows[static_cast<std::size_t>(m_current)];
    m_status.CurrentFile = item.Name;
    Changed();
    m_observer.ItemStarted(static_cast<std::size_t>(m_current));
    m_resolution.reset();
    const std::string ytdlp = FindYtDlp();
    if (ytdlp.empty()) {
        ReadPage();
        return;
    }
    m_ytdlp.Start(ytdlp, item.Name,
                  [this](const std::optional<Resolution>& answer, const std::string& problem) {
                      YtDlpDone(answer, problem);
                  });
}

void DownloadRun::ReadPage() {
    const DownloadItem& item = m_rows[static_cast<std::size_t>(m_current)];
    m_page.URL = item.Name;
    if (!m_page.Read()) {
        ItemFailed();
    }
}

void DownloadRun::YtDlpDone(const std::optional<Resolution>& answer, const std::string& problem) {
    if (m_destroying || !m_running) {
        return;
    }
    const auto row = static_cast<std::size_t>(m_current);
    if (!answer) {
        m_observer.ResolverReport(
            row, "yt-dlp did not resolve the link (" + problem + "); reading the watch page");
        ReadPage();
        return;
    }
    m_observer.ResolverReport(row, "Resolved by yt-dlp");
    m_resolution = answer;
    DownloadItem& item = m_rows[row];
    // The URL column shows the watch link itself: each quality has its own address.
    item.URL = item.Name;
    item.Name = ItemCaption(answer->Title);
    m_status.CurrentFile = item.Name;
    RowUpdate("Analyzing finished, ready to download...", 0, 0, 0, 0, "");
    ResetProgress();
    m_observer.ItemResolved(row);
    FirstAttempt();
}

void DownloadRun::PageProgress(std::int64_t dataSize, std::int64_t bytesRead,
                               std::int32_t elapsed) {
    if (m_destroying || elapsed == 0) {
        return;
    }
    RowUpdate("Getting real YouTube URLs, please wait...", dataSize, 0, 0, 0,
              SpeedText(bytesRead, elapsed));
}

void DownloadRun::PageDone(TStream* stream) {
    if (m_destroying || !m_running) {
        return;
    }
    if (m_cancelled) {
        EndRun();
        return;
    }
    const std::string page = StreamText(stream);
    DownloadItem& item = m_rows[static_cast<std::size_t>(m_current)];
    m_observer.ResolverReport(static_cast<std::size_t>(m_current), "Resolved from the watch page");
    item.Name = ItemCaption(PageTitle(page));
    item.URL = MediaUrl(page);
    m_status.CurrentFile = item.Name;
    RowUpdate("Analyzing finished, ready to download...", 0, 0, 0, 0, "");
    ResetProgress();
    m_observer.ItemResolved(static_cast<std::size_t>(m_current));
    FirstAttempt();
}

void DownloadRun::FirstAttempt() {
    m_position = m_preferHighQuality ? 1 : 0;
    m_status.Quality = m_preferHighQuality ? QualityDescription(QualityTag(m_order, 1))
                                           : std::string(kDefaultQualityTag);
    StartAttempt();
}

void DownloadRun::StartAttempt() {
    const DownloadItem& item = m_rows[static_cast<std::size_t>(m_current)];
    const int type = m_position == 0 ? -1 : m_order[static_cast<std::size_t>(m_position - 1)];
    std::string url = item.URL + FmtParameter(type);
    std::string extension = QualityExtension(m_order, m_position);
    std::vector<std::string> headers;
    const ResolvedMedia* media = nullptr;
    if (m_resolution) {
        if (m_position == 0) {
            media = m_resolution->Default ? &*m_resolution->Default : nullptr;
        } else if (const std::optional<int> code = FmtCode(type)) {
            const auto found = m_resolution->Formats.find(*code);
            media = found == m_resolution->Formats.end() ? nullptr : &found->second;
        }
        if (media != nullptr) {
            url = media->Url;
            headers = media->Headers;
            if (m_position == 0 && !media->Extension.empty()) {
                extension = media->Extension;
            }
        }
    }
    m_finalPath = m_folder + SanitizeFileName(item.Name + extension);
    Changed();
    m_observer.AttemptStarted(static_cast<std::size_t>(m_current));
    if (m_resolution && media == nullptr) {
        DownloadError("yt-dlp lists no such format");
        return;
    }
    try {
        m_partialPath = CreateTemporaryBeside(m_finalPath);
    } catch (const std::exception& error) {
        DownloadError(error.what());
        return;
    }
    m_download.URL = url;
    m_download.AddHeaders = headers;
    m_download.OutputFileName = m_partialPath;
    if (!m_download.Read()) {
        DownloadError("the download could not start");
    }
}

void DownloadRun::DownloadProgress(std::int64_t dataSize, std::int64_t bytesRead,
                                   std::int32_t elapsed, std::int32_t timeLeft, int percent) {
    if (m_destroying || !m_running) {
        return;
    }
    m_status.Quality = QualityDescription(QualityTag(m_order, m_position));
    if (elapsed == 0) {
        Changed();
        return;
    }
    RowUpdate("Downloading...", dataSize, timeLeft, elapsed, percent,
              SpeedText(bytesRead, elapsed));
}

void DownloadRun::DownloadDone() {
    if (m_destroying || !m_running) {
        return;
    }
    std::string saved;
    try {
        saved = ClaimFinalName(m_partialPath, m_finalPath);
    } catch (const std::exception& error) {
        DownloadError(error.what());
        return;
    }
    m_partialPath.clear();
    m_downloadedFiles.push_back(saved);
    // A transfer over within its first second had no progress shown: the finished row tells
    // its whole size and 100% rather than "0 KB" and "0%".
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(saved, unknown);
    RowUpdate("Finish.", unknown ? 0 : static_cast<std::int64_t>(size), 0, 0, 100, "");
    ++m_succeeded;
    ItemEnded(saved);
}

void DownloadRun::DownloadError(const std::string& reason) {
    if (m_destroying || !m_running) {
        return;
    }
    RemovePartialFile();
    m_observer.AttemptFailed(static_cast<std::size_t>(m_current), reason);
    if (m_cancelled) {
        EndRun();
    } else if (m_preferHighQuality) {
        Post(&DownloadRun::NextQuality);
    } else {
        ItemFailed();
    }
}

void DownloadRun::NextQuality() {
    const int previous = m_position++;
    if (m_position > static_cast<int>(m_order.size())) {
        ItemFailed();
        return;
    }
    m_status.Quality =
        QualityTag(m_order, previous) + " failed, try next: " + QualityTag(m_order, m_position);
    ResetProgress();
    StartAttempt();
}

void DownloadRun::ItemFailed() {
    RowUpdate("Failed.", 0, 0, 0, 0, "");
    ItemEnded("");
}

void DownloadRun::ItemEnded(const std::string& savedPath) {
    m_observer.ItemEnded(static_cast<std::size_t>(m_current), savedPath);
    ++m_current;
    if (m_cancelled || m_current > m_total - 1) {
        EndRun();
    } else {
        Post(&DownloadRun::NextItem);
    }
}

void DownloadRun::TransferAborted() {
    if (m_destroying || !m_running) {
        return;
    }
    RemovePartialFile();
    EndRun();
}

void DownloadRun::EndRun() {
    m_running = false;
    m_status = {};
    ++*m_generation;
    Changed();
    m_observer.RunEnded();
}

void DownloadRun::RowUpdate(const std::string& status, std::int64_t size, std::int32_t timeLeft,
                            std::int32_t elapsed, int percent, const std::string& speed) {
    if (m_current < 0 || m_current >= static_cast<int>(m_rows.size())) {
        return;
    }
    DownloadItem& row = m_rows[static_cast<std::size_t>(m_current)];
    if (!status.empty()) {
        row.Status = status;
        m_status.Status = status;
    }
    if (size != 0) {
        row.Size = FormatTwoDecimals(static_cast<double>(size) / 1048576.0) + "MB";
    }
    if (!speed.empty()) {
        row.Speed = speed;
        m_status.Speed = speed;
    }
    if (percent != 0) {
        row.Progress = std::to_string(percent) + "%";
        m_status.Percent = percent;
    }
    if (elapsed != 0) {
        m_status.ElapsedTime = FormatSecondsLong(elapsed);
    }
    if (timeLeft != 0) {
        m_status.TimeLeft = FormatSecondsLong(timeLeft);
    }
    Changed();
}

void DownloadRun::ResetProgress() {
    m_status.Percent = 0;
    Changed();
}

void DownloadRun::RemovePartialFile() {
    if (!m_partialPath.empty()) {
        ::unlink(m_partialPath.c_str());
        m_partialPath.clear();
    }
}

std::string DownloadRun::AttemptFailure() const {
    const std::int32_t code = m_download.StatusCode();
    if (code == 200 || code == 206) {
        return "the transfer ended early or could not be written";
    }
    if (code > 0) {
        return "HTTP status " + std::to_string(code);
    }
    return m_download.ErrorText().empty() ? "no answer" : m_download.ErrorText();
}

void DownloadRun::Changed() {
    if (!m_destroying) {
        m_observer.RunChanged();
    }
}

}  // namespace mw
