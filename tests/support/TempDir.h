#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, with a trailing separator.
    const std::string& Path() const { return m_path; }
    std::string File(std::string_view name) const { return m_path + std::string(name); }

private:
    std::string m_path;
};

void WriteTextFile(const std::string& path, std::string_view text);
std::string ReadTextFile(const std::string& path);

// The files in a folder, hidden ones included, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// Sets (or with nullopt unsets) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

}  // namespace mw::test
