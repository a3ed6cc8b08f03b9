#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "YtDlpResolver.h"
#include "http/WinHTTP.h"

namespace mw {

// One row of the download list.
struct DownloadItem {
    std::string Name;  // the link, then the video's title as the list shows it
    std::string Status = "Waiting...";
    std::string Size = "0 KB";
    std::string Speed = "0 KB/s";
    std::string Progress = "0%";
    std::string URL = "...";  // the media address without quality code
};

// The texts of the status group while a run goes on.
struct DownloadStatus {
    std::string CurrentFile = "...";
    std::string Status = "...";
    std::string Speed = "...";
    std::string ElapsedTime = "...";
    std::string TimeLeft = "...";
    std::string Quality = "...";
    int Percent = 0;
};

// What a view of the run hears. Everything is called on the main thread.
class DownloadRunObserver {
public:
    virtual ~DownloadRunObserver() = default;
    // A row or a text of the status group changed.
    virtual void RunChanged() {}
    // The item's page is about to be read; its row holds the link.
    virtual void ItemStarted(std::size_t /*row*/) {}
    // The item's page was read; its row holds the title now.
    virtual void ItemResolved(std::size_t /*row*/) {}
    // A download of the item starts with the quality the status group names.
    virtual void AttemptStarted(std::size_t /*row*/) {}
    // A line for the log: which resolver answered for the item, or why yt-dlp did not.
    virtual void ResolverReport(std::size_t /*row*/, const std::string& /*line*/) {}
    // A download attempt failed; reason says why.
    virtual void AttemptFailed(std::size_t /*row*/, const std::string& /*reason*/) {}
    // The item was saved (savedPath) or failed (savedPath empty).
    virtual void ItemEnded(std::size_t /*row*/, const std::string& /*savedPath*/) {}
    // The run is over, finished or cancelled; the summary counts are final.
    virtual void RunEnded() {}
};

// "0.00" of a number: two decimals.
std::string FormatTwoDecimals(double value);

// Downloads the links one after the other: each watch page is read for the title and the
// media address, then the media is fetched in the qualities of the user's order until one
// works, into a hidden partial file in the output folder that only a complete download
// turns into the final file. Runs on the main thread; the steps that start a transfer again
// are posted, so that the component has finished reporting first.
class DownloadRun {
public:
    // Queues a call to run on the main thread after the current one has returned.
    using PostFunction = std::function<void(std::function<void()>)>;

    DownloadRun(PostFunction post, DownloadRunObserver& observer);
    // A download under way is stopped and its partial file removed; no summary follows.
    ~DownloadRun();
    DownloadRun(const DownloadRun&) = delete;
    DownloadRun& operator=(const DownloadRun&) = delete;

    // folder: where the files go, with its trailing separator. order: the quality types to
    // try in turn when preferHighQuality is set; otherwise only the site's default encoding.
    void Start(const std::vector<std::string>& links, const std::string& folder,
               bool preferHighQuality, std::vector<int> order);
    // Stops the transfer under way; the run then ends with its summary. Items not saved
    // count as failed.
    void Cancel();
    bool Running() const { return m_running; }

    const std::vector<DownloadItem>& Rows() const { return m_rows; }
    const DownloadStatus& Status() const { return m_status; }
    int Total() const { return m_total; }
    int Succeeded() const { return m_succeeded; }
    int Failed() const { return m_total - m_succeeded; }
    bool Cancelled() const { return m_cancelled; }
    // Full paths of the files saved by the last run, in order.
    const std::vector<std::string>& DownloadedFiles() const { return m_downloadedFiles; }

    TWinHTTP& WinHTTPGetRealURL() { return m_page; }
    // Asked first for each link while a yt-dlp program is on the PATH.
    YtDlpResolver& YtDlp() { return m_ytdlp; }
    TWinHTTP& WinHTTPDownload() { return m_download; }

private:
    void Post(void (DownloadRun::*step)());
    void NextItem();
    void ReadPage();
    void YtDlpDone(const std::optional<Resolution>& answer, const std::string& problem);
    void PageProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int32_t elapsed);
    void PageDone(TStream* stream);
    void FirstAttempt();
    void StartAttempt();
    void DownloadProgress(std::int64_t dataSize, std::int64_t bytesRead, std::int32_t elapsed,
                          std::int32_t timeLeft, int percent);
    void DownloadDone();
    void DownloadError(const std::string& reason);
    void NextQuality();
    void ItemFailed();
    void ItemEnded(const std::string& savedPath);
    void TransferAborted();
    void EndRun();
    void RowUpdate(const std::string& status, std::int64_t size, std::int32_t timeLeft,
                   std::int32_t elapsed, int percent, const std::string& speed);
    void ResetProgress();
    void RemovePartialFile();
    std::string AttemptFailure() const;
    void Changed();

    PostFunction m_post;
    DownloadRunObserver& m_observer;
    TWinHTTP m_page;
    TWinHTTP m_download;
    YtDlpResolver m_ytdlp;
    // What yt-dlp found of the current item; none when its page was read instead.
    std::optional<Resolution> m_resolution;
    // Posted steps hold it weakly and run only for the run they were posted in.
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
    bool m_destroying = false;

    std::vector<DownloadItem> m_rows;
    DownloadStatus m_status;
    std::string m_folder;
    bool m_preferHighQuality = true;
    std::vector<int> m_order;
    bool m_running = false;
    bool m_cancelled = false;
    int m_total = 0;
    int m_current = 0;
    int m_succeeded = 0;
    int m_position = 0;
    std::string m_finalPath;
    std::string m_partialPath;
    std::vector<std::string> m_downloadedFiles;
};

}  // namespace mw
