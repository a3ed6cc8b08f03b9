#include "engine/FFmpegLogger.h"

#include <unistd.h>

#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "core/Ini.h"
#include "core/MainThread.h"
#include "core/UtilFuncs.h"
#include "engine/EngineError.h"
#include "engine/FFmpegLoader.h"

namespace mw {

namespace {

std::atomic<TFFLogger*> g_logger{nullptr};
std::atomic<int> g_libraryLevel{AV_LOG_INFO};

void LibraryCallback(void* context, int level, const char* format, va_list args) {
    if (TFFLogger* logger = g_logger.load()) {
        logger->LibraryMessage(context, level, format, args);
    }
}

}  // namespace

int LibraryLevel(TLogLevel level) {
    return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LogLevelFromLibrary(int libraryLevel) {
    int value = libraryLevel;
    if (value < 0) {
        value += 7;
    }
    if (value < -8) {
        return llQuiet;
    }
    if (value < 48) {
        // Shifting a negative value rounds toward minus infinity, as the mapping needs.
        return static_cast<TLogLevel>((value >> 3) + 1);
    }
    return llDebug;
}

void LogEngineMessage(const void* sender, TLogLevel level, const std::string& text) {
    if (TFFLogger* logger = g_logger.load()) {
        logger->Log(sender, level, text);
    }
}

std::uint32_t CurrentThreadId() {
    return static_cast<std::uint32_t>(gettid());
}

std::string FormatV(const char* format, va_list args) {
    char small[2048];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) {
        return std::string();
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        return std::string(small, static_cast<std::size_t>(length));
    }
    std::vector<char> large(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, args);
    return std::string(large.data(), static_cast<std::size_t>(length));
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

TFFLogger::TFFLogger() : m_logLevel(LogLevelFromLibrary(g_libraryLevel.load())) {
    TFFLogger* expected = nullptr;
    if (!g_logger.compare_exchange_strong(expected, this)) {
        throw EngineError("Allow creating only one instance of TFFLogger.");
    }
}

TFFLogger::~TFFLogger() {
    TFFLogger* self = this;
    g_logger.compare_exchange_strong(self, nullptr);
}

TFFLogger* TFFLogger::Current() {
    return g_logger.load();
}

TFFLogger& TFFLogger::Instance() {
    // A logger nobody created lives as long as the process.
    static std::mutex creation;
    std::lock_guard guard(creation);
    if (TFFLogger* logger = g_logger.load()) {
        return *logger;
    }
    static TFFLogger* processLogger = nullptr;
    processLogger = new TFFLogger();
    return *processLogger;
}

void TFFLogger::Install() {
    av_log_set_callback(LibraryCallback);
    const int level = LibraryLevel(m_logLevel.load());
    g_libraryLevel = level;
    av_log_set_level(level);
}

void TFFLogger::SetLogLevel(TLogLevel level) {
    if (m_logLevel.exchange(level) == level) {
        return;
    }
    if (TFFmpegLoader::Instance().Loaded(FFLibrary::AVUtil)) {
        g_libraryLevel = LibraryLevel(level);
        av_log_set_level(g_libraryLevel);
    }
}

bool TFFLogger::SetLogLevelByName(std::string_view name) {
    static constexpr std::pair<std::string_view, int> kNames[] = {
        {"quiet", -8},   {"panic", 0}, {"fatal", 8},    {"error", 16},
        {"warning", 24}, {"info", 32}, {"verbose", 40}, {"debug", 48},
    };
    for (const auto& [levelName, level] : kNames) {
        if (SameText(name, levelName)) {
            SetLogLevel(LogLevelFromLibrary(level));
            return true;
        }
    }
    const std::optional<int> level = ParseIniInteger(name);
    if (!level) {
        return false;
    }
    SetLogLevel(LogLevelFromLibrary(*level));
    return true;
}

void TFFLogger::SetOnLog(TLogEvent handler) {
    std::lock_guard guard(m_handlerMutex);
    m_onLog = std::move(handler);
}

void TFFLogger::Log(const void* sender, TLogLevel level, const std::string& text) {
    (void)sender;
    const TLogLevel limit = m_logLevel.load();
    if (level <= limit || (level == llVerbose && limit != llQuiet)) {
        Deliver(CurrentThreadId(), level, text);
    }
}

void TFFLogger::LogF(const void* sender, TLogLevel level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    Log(sender, level, text);
}

void TFFLogger::LibraryMessage(const void* context, int libraryLevel, const char* format,
                               va_list args) {
    if (libraryLevel >= 0) {
        libraryLevel &= 0xFF;  // the upper bits carry a colour hint
    }
    if (libraryLevel > g_libraryLevel.load()) {
        return;
    }
    std::string prefix;
    if (context) {
        const AVClass* avClass = *static_cast<const AVClass* const*>(context);
        if (avClass && avClass->item_name) {
            prefix = Format("[%s @ %p]", avClass->item_name(const_cast<void*>(context)), context);
        }
    }
    const std::string message = FormatV(format, args);
    const std::uint32_t threadId = CurrentThreadId();

    std::vector<std::string> lines;
    {
        std::lock_guard guard(m_pendingMutex);
        std::string& pending = m_pending[threadId];
        if (pending.empty()) {
            pending = prefix;
        }
        pending += message;
        std::size_t lineEnd;
        while ((lineEnd = pending.find('\n')) != std::string::npos) {
            lines.push_back(pending.substr(0, lineEnd));
            pending.erase(0, lineEnd + 1);
        }
        if (pending.empty()) {
            m_pending.erase(threadId);
        }
    }
    const TLogLevel level = LogLevelFromLibrary(libraryLevel);
    for (const std::string& line : lines) {
        Deliver(threadId, level, line);
    }
}

void TFFLogger::Deliver(std::uint32_t threadId, TLogLevel level, const std::string& text) {
    TLogEvent handler;
    {
        std::lock_guard guard(m_handlerMutex);
        handler = m_onLog;
    }
    if (!handler) {
        return;
    }
    MainThread* mainThread = MainThread::Instance();
    if (m_triggerInMainThread.load() && mainThread && !mainThread->IsMainThread()) {
        mainThread->Invoke([&] { handler(this, threadId, level, text); });
    } else {
        handler(this, threadId, level, text);
    }
}

}  // namespace mw
