#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "ChapterStreamInfo.h"
#include "ReaderProtocol.h"
#include "TitleProblem.h"
#include "TitleRecord.h"

namespace mw::dvd {

inline constexpr const char* kPlugInFileName = "libdvddec.so";
inline constexpr const char* kReaderFileName = "mediawizard-dvdreader";

// The program's binding to the DVD plug-in lib/libdvddec.so.
//
// The plug-in runs in a reader process of its own (mediawizard-dvdreader beside the
// program): the disc library it uses can crash on damaged title information, and a disc
// must never take the program down. Each request waits at most the time limit; a reader
// that crashed, hung or was cancelled is killed and reaped, the request fails, and the next
// request starts a new reader (which loads the plug-in and enumerates the last root again).
//
// Requests come from one thread at a time, normally a worker; Cancel may come from any.
class DVDPlugIn {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{30000};

    // programDir holds the reader and the lib folder, with a trailing separator.
    explicit DVDPlugIn(std::string programDir,
                       std::chrono::milliseconds timeLimit = kDefaultTimeLimit);
    ~DVDPlugIn();
    DVDPlugIn(const DVDPlugIn&) = delete;
    DVDPlugIn& operator=(const DVDPlugIn&) = delete;

    // Loads the plug-in unless it is loaded; false with LastErrorMessage when that fails
    // ("Load library %s error: %s", "Load function %s@%s error: %s"). A failed load is
    // tried again on the next call.
    bool Load();
    bool Loaded() const { return m_loaded; }
    const std::string& LastErrorMessage() const { return m_lastError; }
    std::string LibraryPath() const;

    // The number of titles of a root; 0 or less when it is not a DVD (or the reader failed).
    int DVDEnumTitle(const std::string& root);
    // Fills the record (zeroed first) of a title of the root last enumerated; false when
    // the plug-in could not read it, with LastTitleProblem and LastTitleError telling why.
    bool DVDGetTitle(int index, TDVDTitle& record);
    TitleProblem LastTitleProblem() const { return m_titleProblem; }
    const std::string& LastTitleError() const { return m_titleError; }

    // Opens chapters from..to (0-based) of a title of the root last enumerated as one MPEG
    // program stream; false with LastTitleError telling why.
    bool DVDOpenChapters(int index, int from, int to, TDVDChapterStream& info);
    // Reads count sectors (at most kMaxReadSectors) from sector first of the open stream
    // into buffer: the number read, 0 at its end, -1 on failure. A reader that had to be
    // started anew opens the chapters again.
    int DVDReadChapters(std::uint32_t first, int count, char* buffer);
    // The windows of the stream opened last; empty when the reader cannot tell.
    std::vector<TDVDStreamWindow> DVDGetChapterWindows();

    // Ends the request under way, and every later one until ClearCancel.
    void Cancel();
    void ClearCancel();
    bool Cancelled() const { return m_cancelled; }

    // How often a reader ended by itself (crashed) on the data it was given.
    int ReaderCrashes() const { return m_readerCrashes; }

private:
    enum class Outcome { Answered, ReaderFailed };

    bool StartReader();
    void StopReader();
    Outcome Exchange(const ReaderRequest& request, ReaderReply& reply);
    // Starts a reader when none runs, loads the plug-in into it and enumerates the root.
    bool EnsureReader(bool enumerateRoot);

    std::string m_programDir;
    std::chrono::milliseconds m_timeLimit;
    bool m_loaded = false;
    std::string m_lastError;
    std::string m_root;
    bool m_rootEnumerated = false;
    struct OpenedChapters {
        int Index = -1, From = 0, To = 0;
    };
    OpenedChapters m_chapters;
    bool m_chaptersOpen = false;  // in the reader that runs now
    TitleProblem m_titleProblem = TitleProblem::None;
    std::string m_titleError;

    std::mutex m_processLock;  // guards m_pid and m_socket against Cancel
    pid_t m_pid = -1;
    int m_socket = -1;
    std::atomic<bool> m_cancelled{false};
    int m_readerCrashes = 0;
};

}  // namespace mw::dvd
