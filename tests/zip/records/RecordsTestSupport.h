#pragma once
// Temporary folders, peer tools and little-endian byte assembly for the record tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Stream.h"

class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zip-records-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TTempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void WriteFileBytes(const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(name).parent_path());
    std::ofstream(name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFileBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command inside dir; true when it exited with 0.
inline bool RunIn(const TTempDir& dir, const std::string& command)
{
    const std::string line = "cd '" + dir.Path().string() + "' && " + command + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

// Little-endian assembly of hand-made records.
struct TBytes {
    std::string s;
    TBytes& u8(uint8_t v) { s += static_cast<char>(v); return *this; }
    TBytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    TBytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
    TBytes& str(const std::string& v) { s += v; return *this; }
    TBytes& fill(size_t n, char c) { s.append(n, c); return *this; }
};

inline std::vector<uint8_t> ToVector(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
inline std::string ToString(const TMemoryStream& m) { return std::string(m.Bytes().begin(), m.Bytes().end()); }
