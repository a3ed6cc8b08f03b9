#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace mw::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mwtest-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = std::string(buffer.data()) + "/";
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

void WriteTextFile(const std::string& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : m_name(std::move(name)) {
    if (const char* previous = std::getenv(m_name.c_str())) {
        m_previous = previous;
    }
    if (value) {
        setenv(m_name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (m_previous) {
        setenv(m_name.c_str(), m_previous->c_str(), 1);
    } else {
        unsetenv(m_name.c_str());
    }
}

}  // namespace mw::test
