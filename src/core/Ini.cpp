#include "Ini.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "UtilFuncs.h"

namespace mw {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct ParsedLine {
    enum class Kind { Other, Section, Key } LineKind = Kind::Other;
    std::string_view Name;
    std::string_view Value;
};

ParsedLine ParseLine(std::string_view line) {
    ParsedLine parsed;
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') {
        return parsed;
    }
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        parsed.LineKind = ParsedLine::Kind::Section;
        parsed.Name =
            Trim(text.substr(1, close == std::string_view::npos ? text.size() - 1 : close - 1));
        return parsed;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.Name = Trim(text.substr(0, equals));
    if (parsed.Name.empty()) {
        return parsed;
    }
    parsed.LineKind = ParsedLine::Kind::Key;
    parsed.Value = Trim(text.substr(equals + 1));
    return parsed;
}

// Line breaks inside a value would cut the file into new lines of their own.
std::string SingleLine(std::string_view value) {
    std::string line(value);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

// An open file descriptor, closed at the end of its scope.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() { close(m_fd); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

private:
    int m_fd;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The text of an INI file, or nothing for one that is missing or unreadable, that is not a
// regular file (a FIFO would block the reader, a device never ends) or that is larger than
// any INI file of the program.
std::optional<std::string> ReadIniText(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const FileHandle file(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > Ini::kMaxFileSize) {
        return std::nullopt;
    }
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        // The file may grow after it was measured.
        if (text.size() > Ini::kMaxFileSize) {
            return std::nullopt;
        }
    }
}

// The temporary files of a save are named ".NAME.tmpPID-N" beside the file; those of
// processes that no longer run are left-overs of a save that was killed.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) {
            continue;
        }
        const char* const digits = name.c_str() + prefix.size();
        const char* const end = name.c_str() + name.size();
        pid_t pid = 0;
        const auto [afterPid, parsed] = std::from_chars(digits, end, pid);
        unsigned counter = 0;
        if (parsed != std::errc() || pid <= 0 || afterPid == end || *afterPid != '-' ||
            std::from_chars(afterPid + 1, end, counter).ptr != end || pid == getpid()) {
            continue;
        }
        if (kill(pid, 0) != 0 && errno == ESRCH) {
            unlink((folder + name).c_str());
        }
    }
}

// Writes the whole text to a new file beside the target, then renames it over the target.
bool ReplaceFileContents(const std::string& path, const std::string& text) {
    static std::atomic<unsigned> counter{0};
    std::string target = path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return false;
    }

    const std::string folder = ExtractFilePath(target);
    const std::string prefix = "." + ExtractFileName(target) + ".tmp";
    const std::string temp =
        folder + prefix + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        written += ok ? static_cast<std::size_t>(n) : 0;
    }
    if (ok && exists) {
        ok = fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    RemoveStaleTemporaries(folder, prefix);
    return true;
}

}  // namespace

std::string IniBoolText(bool value) {
    return value ? "1" : "0";
}

IniWriteError::IniWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + path) {}

std::optional<int> ParseIniInteger(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    long long value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        value = value * base + digit;
        // Hexadecimal covers the full 32-bit pattern ($FFFFFFFF is -1), decimal the signed range.
        const long long limit = base == 16 ? 0xFFFFFFFFLL : (negative ? -1LL * INT_MIN : INT_MAX);
        if (value > limit) {
            return std::nullopt;
        }
    }
    if (base == 16) {
        value = static_cast<long long>(static_cast<int>(static_cast<unsigned>(value)));
    }
    return static_cast<int>(negative ? -value : value);
}

Ini::Ini(std::string path) : m_path(std::move(path)) {
    m_loaded = LoadDocument(m_path, m_document);
}

bool Ini::LoadDocument(const std::string& path, Document& document) {
    document = Document{};
    std::optional<std::string> read = ReadIniText(path);
    if (!read) {
        return false;
    }
    std::string text = std::move(*read);
    if (text.starts_with(kByteOrderMark)) {
        document.ByteOrderMark = true;
        text.erase(0, kByteOrderMark.size());
    }
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
        document.LineEnd = "\r\n";
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        document.Lines.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

std::optional<std::string> Ini::FindValue(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const std::string& line : m_document.Lines) {
        const ParsedLine parsed = ParseLine(line);
        if (parsed.LineKind == ParsedLine::Kind::Section) {
            if (inSection) {
                return std::nullopt;
            }
            inSection = SameText(parsed.Name, section);
        } else if (inSection && parsed.LineKind == ParsedLine::Kind::Key &&
                   SameText(parsed.Name, key)) {
            return std::string(parsed.Value.substr(0, kMaxValueLength));
        }
    }
    return std::nullopt;
}

std::string Ini::ReadString(std::string_view section, std::string_view key,
                            std::string_view defaultValue) const {
    std::optional<std::string> value = FindValue(section, key);
    return value ? *value : std::string(defaultValue);
}

int Ini::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const std::optional<std::string> value = FindValue(section, key);
    if (!value) {
        return defaultValue;
    }
    return ParseIniInteger(*value).value_or(defaultValue);
}

bool Ini::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool Ini::SectionExists(std::string_view section) const {
    for (const std::string& line : m_document.Lines) {
        const ParsedLine parsed = ParseLine(line);
        if (parsed.LineKind == ParsedLine::Kind::Section && SameText(parsed.Name, section)) {
            return true;
        }
    }
    return false;
}

void Ini::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    WriteStrings(section, {{key, std::string(value)}});
}

void Ini::WriteStrings(std::string_view section, const std::vector<IniEntry>& entries) {
    // Merge into what the file holds now, so that changes made by others are kept; a file
    // that exists but cannot be read is never replaced.
    Document document;
    if (!LoadDocument(m_path, document) && PathExists(m_path)) {
        throw IniWriteError(m_path);
    }
    for (const IniEntry& entry : entries) {
        SetValue(document, section, entry);
    }
    SaveDocument(document);
    m_document = std::move(document);
}

void Ini::SetValue(Document& document, std::string_view section, const IniEntry& entry) {
    const std::string newLine = std::string(entry.Key) + "=" + SingleLine(entry.Value);
    std::optional<std::size_t> sectionLine;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < document.Lines.size(); ++i) {
        const ParsedLine parsed = ParseLine(document.Lines[i]);
        if (parsed.LineKind == ParsedLine::Kind::Section) {
            if (sectionLine) {
                break;
            }
            if (SameText(parsed.Name, section)) {
                sectionLine = i;
                insertAt = i + 1;
            }
        } else if (sectionLine) {
            if (parsed.LineKind == ParsedLine::Kind::Key && SameText(parsed.Name, entry.Key)) {
                document.Lines[i] = newLine;
                return;
            }
            if (!Trim(document.Lines[i]).empty()) {
                insertAt = i + 1;
            }
        }
    }
    if (sectionLine) {
        document.Lines.insert(document.Lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                              newLine);
    } else {
        document.Lines.push_back("[" + std::string(section) + "]");
        document.Lines.push_back(newLine);
    }
}

void Ini::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void Ini::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, IniBoolText(value));
}

void Ini::SaveDocument(const Document& document) const {
    std::string text;
    if (document.ByteOrderMark) {
        text += kByteOrderMark;
    }
    for (const std::string& line : document.Lines) {
        text += line;
        text += document.LineEnd;
    }
    if (!ReplaceFileContents(m_path, text)) {
        throw IniWriteError(m_path);
    }
}

}  // namespace mw
