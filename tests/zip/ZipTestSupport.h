#pragma once
// Shared by the ZIP test binaries: sample data, scratch folders, the peer tools, zlib as the
// reference deflate and CRC, and little-endian assembly of records.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Stream.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
inline Bytes Slice(const Bytes& b, size_t from, size_t count)
{
    return Bytes(b.begin() + long(from), b.begin() + long(from + count));
}

inline Bytes RandomBytes(size_t size, uint32_t seed = 1)
{
    std::mt19937 rng(seed);
    Bytes b(size);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

// Words with a skewed frequency, punctuation and line breaks. The encoder's regression
// outputs depend on this exact sequence.
inline Bytes PseudoText(size_t size, uint32_t seed = 2)
{
    static const char* const words[] = {
        "the",   "of",     "and",    "task",    "place",    "due",      "to",       "a",     "in",      "is",
        "plan",  "week",   "month",  "project", "call",     "office",   "home",     "buy",   "write",   "report",
        "meet",  "review", "notes",  "garden",  "shopping", "estimate", "priority", "next",  "done",    "waiting",
        "draft", "send",   "budget", "travel",  "book",     "clean",    "fix",      "order", "compute", "outline"};
    static const unsigned weights[] = {40, 30, 25, 12, 10, 9, 9, 8, 8, 7, 6, 6, 5, 5, 5, 4, 4, 4, 4, 4,
                                       3,  3,  3,  3,  3,  3, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1};
    unsigned total = 0;
    for (unsigned w : weights)
        total += w;
    std::mt19937 rng(seed);
    Bytes b;
    bool capital = true;
    while (b.size() < size) {
        unsigned x = rng() % total, i = 0;
        while (x >= weights[i])
            x -= weights[i++];
        std::string w = words[i];
        if (capital)
            w[0] = static_cast<char>(w[0] - 'a' + 'A');
        capital = false;
        b.insert(b.end(), w.begin(), w.end());
        const unsigned r = rng() % 100;
        if (r < 6) {
            b.push_back('.');
            capital = true;
            b.push_back(r < 2 ? '\n' : ' ');
        } else if (r < 10) {
            b.push_back(',');
            b.push_back(' ');
        } else if (r < 12) {
            const std::string n = " " + std::to_string(rng() % 1000) + " ";
            b.insert(b.end(), n.begin(), n.end());
        } else {
            b.push_back(' ');
        }
    }
    b.resize(size);
    return b;
}

// Runs of equal bytes, random stretches and repeats at long distances.
inline Bytes BinaryLike(size_t size, uint32_t seed = 3)
{
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        switch (rng() % 4) {
        case 0: out.insert(out.end(), 1 + rng() % 300, static_cast<uint8_t>(rng())); break;
        case 1:
            for (int i = 0, n = 1 + rng() % 64; i < n; ++i)
                out.push_back(static_cast<uint8_t>(rng()));
            break;
        default:
            if (out.size() > 40000) {
                const size_t from = out.size() - 1 - rng() % 32768, n = 3 + rng() % 300;
                for (size_t i = 0; i < n; ++i)
                    out.push_back(out[from + i]);
            } else {
                out.push_back(static_cast<uint8_t>(rng() % 16));
            }
        }
    }
    out.resize(size);
    return out;
}

inline Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& path, const Bytes& data)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// Archives of the older methods from other ZIP programs, with their original files.
inline std::string LegacyDataDir() { return std::string(TOVRIN_TESTDATA_DIR) + "/zip/"; }

// A fresh folder, removed with everything in it.
class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tovrin-zip-XXXXXX").string();
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
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command; returns its exit status and, when asked, its standard output.
inline int RunCommand(const std::string& command, std::string* output = nullptr)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string all;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        all.append(buf, n);
    const int status = ::pclose(pipe);
    if (output)
        *output = std::move(all);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool HaveTool(const std::string& name) { return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0; }

#define REQUIRE_TOOLS(...)                                      \
    for (const char* tool_ : {__VA_ARGS__})                    \
        if (!HaveTool(tool_))                                  \
            GTEST_SKIP() << tool_ << " not installed"

inline uint32_t ZlibCrc(const Bytes& b) { return uint32_t(crc32(0, b.data(), uInt(b.size()))); }

inline Bytes RawDeflate(const Bytes& in, int level = 6, int windowBits = 15, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -windowBits, 8, strategy), Z_OK);
    Bytes out(deflateBound(&z, in.size()) + 16);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// zlib's raw inflate: true when the stream ends exactly at its last byte with expectedSize bytes.
inline bool ZlibInflateRaw(const Bytes& in, size_t expectedSize, Bytes& out)
{
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        return false;
    out.assign(expectedSize + 1, 0);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    const bool usedAll = z.avail_in == 0;
    inflateEnd(&z);
    return rc == Z_STREAM_END && out.size() == expectedSize && usedAll;
}

// Little-endian assembly of records as the application note lays them out.
struct TLe {
    Bytes b;
    TLe& u8(uint8_t v) { b.push_back(v); return *this; }
    TLe& u16(uint32_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    TLe& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    TLe& str(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); return *this; }
    TLe& raw(const Bytes& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
};

inline uint32_t GetLe(const Bytes& b, size_t at, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + size_t(i));
    return v;
}

// The length and distance codes of deflate.
inline constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                           33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                           6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
