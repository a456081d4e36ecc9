#pragma once
// The one support header of the ZIP tests: sample data, scratch folders, the peer tools, zlib
// and libdeflate as reference codecs, records and archives assembled byte by byte, runners for
// the encoder and the decoders, hand-made bit streams and a tracing inflater.
#include <gtest/gtest.h>
#include <libdeflate.h>
#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/Crc32.h"
#include "zip/DecoderState.h"
#include "zip/DeflateEncoder.h"
#include "zip/Inflate.h"
#include "zip/LegacyDecoders.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipHost.h"

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

// Archives assembled from the record tables, independently of the component's own writer,
// with zlib as the deflate peer.
struct BuiltEntry {
    BuiltEntry(std::string n, Bytes d, uint16_t m = 0) : name(std::move(n)), data(std::move(d)), method(m) {}
    std::string name;
    Bytes data;                      // plain content
    uint16_t method;                 // 0 stored or 8 deflated (zlib)
    int64_t crcOverride = -1;
    int64_t sizeOverride = -1;       // uncompressed size to record instead
    bool useRaw = false;
    Bytes rawOverride;               // compressed bytes to store instead
    uint32_t dosTime = 0x5A210000;   // 2025-01-01 00:00
};

struct BuiltArchive {
    Bytes bytes;
    uint32_t centralOffset = 0;
    size_t endOffset = 0;
};

inline BuiltArchive BuildArchive(const std::vector<BuiltEntry>& entries, const std::string& comment = "")
{
    TLe archive, central;
    for (const auto& e : entries) {
        const Bytes c = e.useRaw ? e.rawOverride : e.method == 8 ? RawDeflate(e.data) : e.data;
        const uint32_t crc = e.crcOverride >= 0 ? uint32_t(e.crcOverride) : ZlibCrc(e.data);
        const uint32_t offset = uint32_t(archive.b.size());
        // Version, flags, method, time, CRC, sizes and name length are common to both records.
        const Bytes common = TLe().u16(20).u16(0).u16(e.method).u32(e.dosTime).u32(crc).u32(uint32_t(c.size()))
                                 .u32(uint32_t(e.sizeOverride >= 0 ? e.sizeOverride : int64_t(e.data.size()))).u16(uint32_t(e.name.size())).b;
        archive.u32(0x04034B50).raw(common).u16(0).str(e.name).raw(c);
        central.u32(0x02014B50).u16(20).raw(common).u16(0).u16(0).u16(0).u16(0).u32(0x20).u32(offset).str(e.name);
    }
    BuiltArchive a;
    a.centralOffset = uint32_t(archive.b.size());
    archive.raw(central.b);
    a.endOffset = archive.b.size();
    archive.u32(0x06054B50).u16(0).u16(0).u16(uint32_t(entries.size())).u16(uint32_t(entries.size()))
        .u32(uint32_t(central.b.size())).u32(a.centralOffset).u16(uint32_t(comment.size())).str(comment);
    a.bytes = archive.b;
    return a;
}

// A memory stream that remembers the size of every write and may refuse bytes past a limit.
class TRecordingStream : public TMemoryStream {
public:
    std::vector<int64_t> Writes;
    int64_t Accept = -1;   // bytes it takes in all; -1 = no limit
    int64_t Write(const void* buffer, int64_t count) override
    {
        Writes.push_back(count);
        if (Accept >= 0)
            count = std::min(count, std::max<int64_t>(0, Accept - GetSize()));
        return TMemoryStream::Write(buffer, count);
    }
};

// The message of the exception of type E that f raises, or "no exception".
template <class E, class F>
std::string MessageOfThrown(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "no exception";
}

// A host that records what the component asks of the program and answers as scripted.
class TRecordingZipHost : public IZipHost {
public:
    std::vector<std::string> Asked;    // "caption: text" of every question and error box
    bool Answer = false;               // the answer to every Yes/No question
    std::function<bool(const std::string& initialDir, std::string& fileName)> Choose;
    std::function<void()> OnPump;
    int Pumps = 0;
    int HourGlass = 0;                 // nesting now
    std::vector<int> HourGlassAtPump;  // the nesting at each pump

    bool AskYesNo(std::string_view text, std::string_view caption) override
    {
        Asked.push_back(std::string(caption) + ": " + std::string(text));
        return Answer;
    }
    void ShowError(std::string_view text, std::string_view caption) override
    {
        Asked.push_back(std::string(caption) + ": " + std::string(text));
    }
    bool ChooseFile(std::string_view title, std::string_view filter, const std::string& initialDir,
                    std::string& fileName) override
    {
        Asked.push_back(std::string(title) + ": " + std::string(filter));
        return Choose && Choose(initialDir, fileName);
    }
    int HourGlassShown = 0;            // BeginHourGlass calls
    void BeginHourGlass() override
    {
        ++HourGlass;
        ++HourGlassShown;
    }
    void EndHourGlass() override { --HourGlass; }
    void ProcessMessages() override
    {
        ++Pumps;
        HourGlassAtPump.push_back(HourGlass);
        if (OnPump)
            OnPump();
    }
};

// Installs a host for a scope.
class TZipHostScope {
public:
    explicit TZipHostScope(IZipHost& host) { SetZipHost(&host); }
    ~TZipHostScope() { SetZipHost(nullptr); }
    TZipHostScope(const TZipHostScope&) = delete;
    TZipHostScope& operator=(const TZipHostScope&) = delete;
};

// The component the decoders report to.
class TTestOwner : public TZipComponentBase {
public:
    std::function<TStream*(int)> NextDisk;
    bool Spans = false;
    bool SpansVolumes() const override { return Spans; }
    TStream* LoadNextDisk(int volumeNumber) override
    {
        TStream* s = NextDisk ? NextDisk(volumeNumber) : nullptr;
        if (s)
            ++CurrentDisk;
        return s;
    }
};

struct TDecodeResult {
    uint16_t Status = 0;
    Bytes Output;
    uint32_t Crc = 0;
    std::vector<int64_t> Writes;
};

// An uncompressed size that bounds nothing, for streams whose output is not known.
constexpr uint32_t UnknownSize = 0xFFFFFFFFu;

// Sets up a decoder state for one entry of compressedSize bytes read from archive.
inline void BeginEntry(TDecoderState& state, TTestOwner& owner, TStream& archive, TStream& out, uint32_t compressedSize,
                       uint16_t method = 8, uint16_t flags = 0, uint32_t uncompressedSize = UnknownSize)
{
    state.ArchiveStream = &archive;
    state.OutputStream = &out;
    owner.CurrentHeader->CompressionMethod = method;
    owner.CurrentHeader->GeneralPurposeFlag = flags;
    owner.CurrentHeader->CompressedSize = compressedSize;
    owner.CurrentHeader->UncompressedSize = uncompressedSize;
    owner.RunningCRC = 0xFFFFFFFFu;
    state.BeginEntry();
}

// Decodes one entry whose compressed bytes are data, through a fresh state. Output past
// uncompressedSize ends the run with DecodeOutputMismatch, as the extraction reports it.
inline TDecodeResult DecodeEntry(const Bytes& data, uint16_t method, uint16_t flags = 0,
                                 uint32_t uncompressedSize = UnknownSize, TTestOwner* owner = nullptr)
{
    TTestOwner localOwner;
    TTestOwner& o = owner ? *owner : localOwner;
    TMemoryStream archive{Bytes(data)};
    TRecordingStream out;
    TDecoderState state(&o);
    BeginEntry(state, o, archive, out, uint32_t(data.size()), method, flags, uncompressedSize);
    TDecodeResult r;
    try {
        switch (method) {
        case 0: CopyStored(state); break;
        case 1: r.Status = Unshrink(state); break;
        case 2: case 3: case 4: case 5: r.Status = Unreduce(state, method - 1); break;
        case 6: r.Status = Explode(state); break;
        default: r.Status = Inflate(state); break;
        }
    } catch (const EEntryPastSize&) {
        r.Status = DecodeOutputMismatch;
    }
    r.Output = out.Bytes();
    r.Crc = ~o.RunningCRC;
    r.Writes = out.Writes;
    return r;
}

inline TDecodeResult InflateBytes(const Bytes& data) { return DecodeEntry(data, 8); }

// Writes bits low bits first, as deflate and the older methods read them.
class TBitWriter {
public:
    Bytes Data;
    TBitWriter& Put(uint32_t value, int bits)
    {
        for (int i = 0; i < bits; ++i) {
            if (count_ == 0)
                Data.push_back(0);
            if ((value >> i) & 1)
                Data.back() |= uint8_t(1 << count_);
            count_ = (count_ + 1) & 7;
        }
        return *this;
    }
    // A prefix code, most significant bit first.
    TBitWriter& PutCode(uint32_t code, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            Put((code >> i) & 1, 1);
        return *this;
    }
    TBitWriter& Align()
    {
        count_ = 0;
        return *this;
    }

private:
    int count_ = 0;
};

// One entry found by walking the local headers of an archive.
struct TLocalEntry {
    std::string Name;
    uint16_t Flags = 0, Method = 0;
    uint32_t Crc = 0, UncompressedSize = 0;
    Bytes Data;   // the compressed bytes
};

// Walks "PK\3\4" records from the start; sizes come from the central directory when the
// local header defers them to a data descriptor.
inline std::vector<TLocalEntry> ReadLocalEntries(const Bytes& zip)
{
    struct TCentral { uint32_t Offset, Crc, CompressedSize, UncompressedSize; };
    std::vector<TCentral> central;
    for (size_t i = 0; i + 46 <= zip.size(); ++i)
        if (GetLe(zip, i, 4) == 0x02014B50)
            central.push_back({GetLe(zip, i + 42, 4), GetLe(zip, i + 16, 4), GetLe(zip, i + 20, 4), GetLe(zip, i + 24, 4)});
    std::vector<TLocalEntry> entries;
    size_t at = 0;
    while (at + 30 <= zip.size() && GetLe(zip, at, 4) == 0x04034B50) {
        TLocalEntry e;
        e.Flags = uint16_t(GetLe(zip, at + 6, 2));
        e.Method = uint16_t(GetLe(zip, at + 8, 2));
        e.Crc = GetLe(zip, at + 14, 4);
        uint32_t csize = GetLe(zip, at + 18, 4);
        e.UncompressedSize = GetLe(zip, at + 22, 4);
        const uint32_t nameLen = GetLe(zip, at + 26, 2), extraLen = GetLe(zip, at + 28, 2);
        for (const TCentral& c : central)
            if ((e.Flags & 8) && c.Offset == at)
                e.Crc = c.Crc, csize = c.CompressedSize, e.UncompressedSize = c.UncompressedSize;
        e.Name.assign(zip.begin() + long(at + 30), zip.begin() + long(at + 30 + nameLen));
        const size_t data = at + 30 + nameLen + extraLen;
        if (data + csize > zip.size())
            break;
        e.Data = Slice(zip, data, csize);
        at = data + csize;
        if (e.Flags & 8)
            at += GetLe(zip, at, 4) == 0x08074B50 ? 16 : 12;
        entries.push_back(std::move(e));
    }
    return entries;
}

// Running the encoder on a buffer, the decoders that judge its output, and the test inputs.
struct TDeflateResult {
    Bytes Out;
    int64_t Returned = 0;
    uint16_t Method = 0, Attributes = 0, Flags = 0;
    uint32_t Crc = 0;   // finished (inverted) CRC of the bytes read
};

// Prepares zip the way the archive writer does before an entry.
inline void PrepareEntry(TZipComponentBase& zip, size_t size)
{
    zip.RunningCRC = 0xFFFFFFFFu;
    zip.EntryBytesDone = 0;
    zip.CurrentHeader->UncompressedSize = uint32_t(size);
    zip.CurrentHeader->InternalFileAttributes = 2;
    zip.CurrentHeader->CompressionMethod = 8;
    zip.CurrentHeader->GeneralPurposeFlag = 0;
}

// Compresses data at level; zip, buffers and tables default to fresh ones.
inline TDeflateResult Compress(const Bytes& data, int level, TZipComponentBase* zip = nullptr, bool encrypt = false,
                               TDeflateBuffers* buffers = nullptr, TDeflateFixedTables* tables = nullptr)
{
    TZipComponentBase ownZip;
    if (zip == nullptr)
        zip = &ownZip;
    PrepareEntry(*zip, data.size());
    TMemoryStream source(data), output;
    TDeflateResult r;
    r.Returned = buffers && tables ? DeflateEntry(*zip, source, output, level, encrypt, *buffers, *tables)
                                   : DeflateEntry(*zip, source, output, level, encrypt);
    r.Out = output.Bytes();
    r.Method = zip->CurrentHeader->CompressionMethod;
    r.Attributes = zip->CurrentHeader->InternalFileAttributes;
    r.Flags = zip->CurrentHeader->GeneralPurposeFlag;
    r.Crc = ~zip->RunningCRC;
    return r;
}

// libdeflate's raw inflate: false when the stream is rejected or does not decode to exactly
// expectedSize bytes.
inline bool LibdeflateInflate(const Bytes& in, size_t expectedSize, Bytes& out)
{
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    out.assign(expectedSize, 0);
    size_t inUsed = 0, outSize = 0;
    const auto rc = libdeflate_deflate_decompress_ex(d, in.data(), in.size(), out.data(), out.size(), &inUsed, &outSize);
    libdeflate_free_decompressor(d);
    return rc == LIBDEFLATE_SUCCESS && outSize == expectedSize && inUsed == in.size();
}


// Runs of 1-2000 equal bytes.
inline Bytes LongRuns(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < size) {
        const size_t run = 1 + rng() % 2000;
        b.insert(b.end(), std::min(run, size - b.size()), uint8_t(rng() % 4));
    }
    return b;
}

// A real text of about 80 KB.
inline Bytes LegacyText() { return ReadFileBytes(LegacyDataDir() + "TESTDAT3.TXT"); }

// Empty when no binary is at hand.
inline Bytes ElfBinary(size_t maxBytes)
{
    for (const char* name : {"/usr/bin/cmake", "/usr/bin/ctest", "/bin/bash"}) {
        Bytes b = ReadFileBytes(name);
        if (b.size() > 4 && b[0] == 0x7F && b[1] == 'E') {
            b.resize(std::min(b.size(), maxBytes));
            return b;
        }
    }
    return {};
}

// A sequence in which no three consecutive bytes occur twice, over alphabetSize byte values
// from firstByte (at most alphabetSize^3 + 2 long): a greedy walk that always takes the
// largest symbol whose triple is new.
inline Bytes UniqueTriples(size_t size, unsigned alphabetSize, uint8_t firstByte)
{
    const size_t k = alphabetSize;
    std::vector<bool> seen(k * k * k);
    Bytes out = {firstByte, firstByte};
    while (out.size() < size) {
        const size_t ab = (size_t(out[out.size() - 2] - firstByte) * k + (out.back() - firstByte)) * k;
        size_t c = k;
        while (c-- > 0 && seen[ab + c]) {
        }
        if (c >= k)
            break;
        seen[ab + c] = true;
        out.push_back(uint8_t(firstByte + c));
    }
    return out;
}

// How many positions start a 3-byte string seen earlier in data.
inline size_t RepeatedTriples(const Bytes& data)
{
    std::vector<bool> seen(1u << 24);
    size_t repeats = 0;
    for (size_t i = 0; i + 2 < data.size(); ++i) {
        const size_t key = (size_t(data[i]) << 16) | (size_t(data[i + 1]) << 8) | data[i + 2];
        repeats += seen[key];
        seen[key] = true;
    }
    return repeats;
}

// A small, slow inflater that keeps what it decodes: each block's type and code lengths and
// every match. Lets the tests see the encoder's choices, not only its result.
struct TTraceSymbol {
    uint16_t Length = 0;   // 0: a literal
    uint16_t Distance = 0;
    size_t Offset = 0;     // where in the output the symbol starts
};

struct TTraceBlock {
    int Type = 0;          // 0 stored, 1 fixed, 2 dynamic
    size_t StoredLength = 0;
    Bytes LiteralLengths, DistanceLengths;   // dynamic blocks: as sent
    Bytes CodeLengthLengths;                 // in symbol order 0-18
    std::vector<TTraceSymbol> Symbols;
};

struct TTrace {
    std::vector<TTraceBlock> Blocks;
    Bytes Output;
    size_t BytesUsed = 0;   // compressed bytes up to the end of the last block

    size_t MatchCount() const
    {
        size_t n = 0;
        for (const auto& b : Blocks)
            for (const auto& s : b.Symbols)
                n += s.Length != 0;
        return n;
    }
    // The symbol that starts at an output offset, or nullptr when a match covers it.
    const TTraceSymbol* SymbolAt(size_t offset) const
    {
        for (const auto& b : Blocks)
            for (const auto& s : b.Symbols)
                if (s.Offset == offset)
                    return &s;
        return nullptr;
    }
};

[[noreturn]] inline void TraceFail(const char* what) { throw std::runtime_error(what); }

struct TTraceBits {
    const Bytes& in;
    size_t pos = 0;
    unsigned bit = 0;
    unsigned take(unsigned n)
    {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i, bit = (bit + 1) & 7, pos += bit == 0) {
            if (pos >= in.size())
                TraceFail("input ended");
            v |= ((in[pos] >> bit) & 1u) << i;
        }
        return v;
    }
    void align() { pos += bit != 0, bit = 0; }
};

// Canonical decoding: counts per length and symbols in code order.
struct TTraceHuffman {
    uint16_t count[16] = {};
    std::vector<uint16_t> symbol;
    TTraceHuffman(const Bytes& lengths)
    {
        for (uint8_t l : lengths)
            ++count[l];
        count[0] = 0;
        for (int len = 1, left = 1; len < 16; ++len)
            if ((left = left * 2 - count[len]) < 0)
                TraceFail("over-subscribed code");
        uint16_t offs[16] = {};
        for (int len = 1; len < 15; ++len)
            offs[len + 1] = uint16_t(offs[len] + count[len]);
        symbol.resize(lengths.size());
        for (size_t i = 0; i < lengths.size(); ++i)
            if (lengths[i] != 0)
                symbol[offs[lengths[i]]++] = uint16_t(i);
    }
    int decode(TTraceBits& bits) const
    {
        for (int len = 1, code = 0, first = 0, index = 0; len < 16; ++len, first = (first + count[len - 1]) << 1, code <<= 1) {
            code |= int(bits.take(1));
            if (code - first < count[len])
                return symbol[size_t(index + code - first)];
            index += count[len];
        }
        TraceFail("invalid code");
    }
};

// Raises std::runtime_error on data that is not a valid raw deflate stream.
inline TTrace TraceDeflate(const Bytes& compressed)
{
    TTrace trace;
    TTraceBits bits{compressed};
    Bytes& out = trace.Output;
    for (bool last = false; !last;) {
        TTraceBlock block;
        last = bits.take(1) != 0;
        block.Type = int(bits.take(2));
        if (block.Type == 0) {
            bits.align();
            const unsigned len = bits.take(16);
            if (len != (~bits.take(16) & 0xFFFF) || bits.pos + len > compressed.size())
                TraceFail("bad stored block");
            out.insert(out.end(), compressed.begin() + long(bits.pos), compressed.begin() + long(bits.pos + len));
            bits.pos += len;
            block.StoredLength = len;
        } else if (block.Type == 3) {
            TraceFail("block type 3");
        } else {
            Bytes litLengths(288, 8), distLengths(30, 5);
            std::fill(litLengths.begin() + 144, litLengths.begin() + 256, 9);
            std::fill(litLengths.begin() + 256, litLengths.begin() + 280, 7);
            if (block.Type == 2) {
                static constexpr uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
                const unsigned nlen = bits.take(5) + 257, ndist = bits.take(5) + 1, ncode = bits.take(4) + 4;
                block.CodeLengthLengths.assign(19, 0);
                for (unsigned i = 0; i < ncode; ++i)
                    block.CodeLengthLengths[order[i]] = uint8_t(bits.take(3));
                const TTraceHuffman code(block.CodeLengthLengths);
                Bytes lengths;
                while (lengths.size() < nlen + ndist) {
                    const int sym = code.decode(bits);
                    if (sym == 16 && lengths.empty())
                        TraceFail("repeat with no length");
                    if (sym < 16)
                        lengths.push_back(uint8_t(sym));
                    else
                        lengths.insert(lengths.end(), sym == 16 ? 3 + bits.take(2) : sym == 17 ? 3 + bits.take(3) : 11 + bits.take(7),
                                       sym == 16 ? lengths.back() : 0);
                }
                if (lengths.size() != nlen + ndist || lengths[256] == 0)
                    TraceFail("bad code lengths");
                litLengths = block.LiteralLengths = Slice(lengths, 0, nlen);
                distLengths = block.DistanceLengths = Slice(lengths, nlen, ndist);
            }
            const TTraceHuffman lit(litLengths), dist(distLengths);
            for (int sym = lit.decode(bits); sym != 256; sym = lit.decode(bits)) {
                TTraceSymbol s;
                s.Offset = out.size();
                if (sym < 256) {
                    out.push_back(uint8_t(sym));
                } else {
                    if (sym > 285)
                        TraceFail("bad length code");
                    s.Length = uint16_t(kLengthBase[sym - 257] + bits.take(kLengthExtra[sym - 257]));
                    const int dsym = dist.decode(bits);
                    if (dsym > 29)
                        TraceFail("bad distance code");
                    s.Distance = uint16_t(kDistBase[dsym] + bits.take(kDistExtra[dsym]));
                    if (s.Distance > out.size())
                        TraceFail("distance too far back");
                    for (unsigned i = 0; i < s.Length; ++i)
                        out.push_back(out[out.size() - s.Distance]);
                }
                block.Symbols.push_back(s);
            }
        }
        trace.Blocks.push_back(std::move(block));
    }
    bits.align();
    trace.BytesUsed = bits.pos;
    return trace;
}
