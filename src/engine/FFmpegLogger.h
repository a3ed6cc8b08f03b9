#pragma once

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace mw {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// The library level a TLogLevel stands for: (ordinal - 1) * 8.
int LibraryLevel(TLogLevel level);
// The TLogLevel of a library level: -8 and below quiet, -7 to 7 panic, 8 to 15 fatal, ...
TLogLevel LogLevelFromLibrary(int libraryLevel);

// Handler of delivered lines: sender, thread id, level, text.
using TLogEvent = std::function<void(const void* sender, std::uint32_t threadId, TLogLevel level,
                                     const std::string& text)>;

// The process-wide log collector. It receives the libraries' messages on any thread,
// assembles them per thread into complete lines and hands each line to OnLog, and it
// passes on the engine's own messages. With TriggerEventInMainThread a line logged on a
// worker is delivered on the main thread while the worker waits.
class TFFLogger {
public:
    // Fails with "Allow creating only one instance of TFFLogger." when one exists.
    TFFLogger();
    ~TFFLogger();
    TFFLogger(const TFFLogger&) = delete;
    TFFLogger& operator=(const TFFLogger&) = delete;

    // The logger of the process, or null.
    static TFFLogger* Current();
    // The logger of the process, created when there is none.
    static TFFLogger& Instance();

    // Routes the libraries' messages here and applies the level.
    void Install();

    TLogLevel LogLevel() const { return m_logLevel.load(); }
    void SetLogLevel(TLogLevel level);
    // "quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug" (any case),
    // or a library level as a number; false for anything else.
    bool SetLogLevelByName(std::string_view name);

    bool TriggerEventInMainThread() const { return m_triggerInMainThread.load(); }
    void SetTriggerEventInMainThread(bool value) { m_triggerInMainThread = value; }

    void SetOnLog(TLogEvent handler);

    // An engine message, passed on when its level is at most LogLevel (verbose messages
    // whenever LogLevel is not quiet).
    void Log(const void* sender, TLogLevel level, const std::string& text);
    void LogF(const void* sender, TLogLevel level, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    // One piece of library output of the calling thread; whole lines are delivered.
    void LibraryMessage(const void* context, int libraryLevel, const char* format, va_list args);

private:
    void Deliver(std::uint32_t threadId, TLogLevel level, const std::string& text);

    std::atomic<TLogLevel> m_logLevel;
    std::atomic<bool> m_triggerInMainThread{true};
    std::mutex m_handlerMutex;
    TLogEvent m_onLog;
    std::mutex m_pendingMutex;
    std::map<std::uint32_t, std::string> m_pending;
};

// An engine message for the process's logger, when there is one.
void LogEngineMessage(const void* sender, TLogLevel level, const std::string& text);

// The id the logger reports for the calling thread.
std::uint32_t CurrentThreadId();

// printf-style formatting into a string of any length.
std::string FormatV(const char* format, va_list args);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mw
