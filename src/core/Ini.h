#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// A write that could not reach the file; the text is "Unable to write to <path>".
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string& path);
};

// Decimal, or hexadecimal after "0x" or "$", with an optional sign; nothing else.
std::optional<int> ParseIniInteger(std::string_view text);

// A key and its value as stored: integers in decimal, booleans as "1" or "0".
struct IniEntry {
    std::string_view Key;
    std::string Value;
};

std::string IniBoolText(bool value);

// Reader and writer of the program's INI files. Section and key names compare without
// regard to case; anything missing yields the caller's default and reading never creates
// anything. A file that is not a regular file, or larger than kMaxFileSize, reads as empty
// and is never replaced. Every write reaches the disk at once: the whole file is rewritten
// into a temporary file beside it that then replaces it, so a failure never leaves half a
// file, and a temporary file that a killed process left is removed by the next write.
class Ini {
public:
    static constexpr std::size_t kMaxValueLength = 2047;
    static constexpr std::size_t kMaxFileSize = 1024 * 1024;

    explicit Ini(std::string path);

    const std::string& Path() const { return m_path; }
    // Whether the file was there and read as text when the object was made.
    bool Loaded() const { return m_loaded; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool SectionExists(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Every entry in one rewrite of the file, each as WriteString would store it.
    void WriteStrings(std::string_view section, const std::vector<IniEntry>& entries);

private:
    struct Document {
        std::vector<std::string> Lines;
        std::string LineEnd = "\n";
        bool ByteOrderMark = false;
    };

    static bool LoadDocument(const std::string& path, Document& document);
    static void SetValue(Document& document, std::string_view section, const IniEntry& entry);
    std::optional<std::string> FindValue(std::string_view section, std::string_view key) const;
    void SaveDocument(const Document& document) const;

    std::string m_path;
    Document m_document;
    bool m_loaded = false;
};

}  // namespace mw
