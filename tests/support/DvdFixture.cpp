#include "support/DvdFixture.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/Process.h"

namespace mw::test {

const std::string& DvdFixtureRoot() {
    static const std::string root = [] {
        const ProcessResult made = RunProcess({"bash", MW_DVD_FIXTURE_SCRIPT, MW_DVD_FIXTURE_DIR});
        if (made.ExitCode != 0) {
            throw std::runtime_error("the DVD fixture could not be made: " + made.Err);
        }
        return std::string(MW_DVD_FIXTURE_DIR) + "/";
    }();
    return root;
}

std::string CopyDvdFixture(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path from = fs::path(DvdFixtureRoot()) / "VIDEO_TS";
    const fs::path to = fs::path(folder) / "VIDEO_TS";
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        const fs::path target = to / entry.path().filename();
        if (entry.path().extension() == ".VOB") {
            fs::create_symlink(entry.path(), target);
        } else {
            fs::copy_file(entry.path(), target);
        }
    }
    return to.string() + "/";
}

void TruncateFile(const std::string& path, std::uintmax_t size) {
    std::filesystem::resize_file(path, size);
}

void WriteBytes(const std::string& path, std::uintmax_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadBytes(const std::string& path, std::uintmax_t offset, std::size_t size) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(size, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return bytes;
}

std::uint32_t ReadBigEndian(const std::string& path, std::uintmax_t offset, int size) {
    const std::string bytes = ReadBytes(path, offset, static_cast<std::size_t>(size));
    std::uint32_t value = 0;
    for (const char byte : bytes) {
        value = (value << 8) | static_cast<unsigned char>(byte);
    }
    return value;
}

void WriteBigEndian(const std::string& path, std::uintmax_t offset, int size, std::uint32_t value) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (int i = size - 1; i >= 0; --i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    WriteBytes(path, offset, bytes);
}

}  // namespace mw::test
