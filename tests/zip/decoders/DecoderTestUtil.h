#pragma once
// Helpers of the decoder tests: an owner component, a stream that records its writes, a
// runner for one entry, a bit writer for hand-made streams and a local-header walker.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/Crc32.h"
#include "zip/DecoderState.h"
#include "zip/Inflate.h"
#include "zip/LegacyDecoders.h"
#include "zip/ZipComponentBase.h"

using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline std::string SharedLegacyDir() { return std::string(TOVRIN_SHARED_TESTDATA_DIR) + "/zip/legacy/"; }

// Text-like data: words from a small vocabulary, so that matches of every length occur.
inline Bytes MakeText(size_t size, unsigned seed = 1)
{
    static const char* words[] = {"the ",   "task ",  "place ", "outline ", "due ",  "next ", "of ",
                                  "and ",   "home ",  "office ", "call ",   "buy ",  "milk ", "\n",
                                  "report ", "weekly ", "goal ", "project ", "done ", "to "};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const char* w = words[rng() % std::size(words)];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(size);
    return out;
}

// Binary-like data: runs, random bytes and repeats at long distances.
inline Bytes MakeBinary(size_t size, unsigned seed = 2)
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
                const size_t from = out.size() - 1 - rng() % 32768;
                const size_t n = 3 + rng() % 300;
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

// An output stream that remembers the size of every write.
class TRecordingStream : public TMemoryStream {
public:
    std::vector<int64_t> Writes;
    int64_t Write(const void* buffer, int64_t count) override
    {
        Writes.push_back(count);
        return TMemoryStream::Write(buffer, count);
    }
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

struct TEntryInfo {
    uint16_t Method = 8;
    uint16_t Flags = 0;
    uint32_t UncompressedSize = 0;
};

// Decodes one entry whose compressed bytes are `data`, through a fresh state.
inline TDecodeResult DecodeEntry(const Bytes& data, TEntryInfo info, TTestOwner* owner = nullptr)
{
    TTestOwner localOwner;
    TTestOwner& o = owner ? *owner : localOwner;
    TMemoryStream archive{Bytes(data)};
    TRecordingStream out;
    TDecoderState state(&o);
    state.ArchiveStream = &archive;
    state.OutputStream = &out;
    o.CurrentHeader->CompressionMethod = info.Method;
    o.CurrentHeader->GeneralPurposeFlag = info.Flags;
    o.CurrentHeader->CompressedSize = static_cast<uint32_t>(data.size());
    o.CurrentHeader->UncompressedSize = info.UncompressedSize;
    o.RunningCRC = 0xFFFFFFFFu;
    state.BeginEntry();
    TDecodeResult r;
    switch (info.Method) {
    case 0: CopyStored(state); break;
    case 1: r.Status = Unshrink(state); break;
    case 2: case 3: case 4: case 5: r.Status = Unreduce(state, info.Method - 1); break;
    case 6: r.Status = Explode(state); break;
    default: r.Status = Inflate(state); break;
    }
    r.Output = out.Bytes();
    r.Crc = ~o.RunningCRC;
    r.Writes = out.Writes;
    return r;
}

inline TDecodeResult InflateBytes(const Bytes& data) { return DecodeEntry(data, {8, 0, 0}); }

// Writes bits low bits first, as deflate and the older methods read them.
class TBitWriter {
public:
    Bytes Data;
    void Put(uint32_t value, int bits)
    {
        for (int i = 0; i < bits; ++i) {
            if (count_ == 0)
                Data.push_back(0);
            if ((value >> i) & 1)
                Data.back() |= static_cast<uint8_t>(1 << count_);
            count_ = (count_ + 1) & 7;
        }
    }
    // A prefix code, most significant bit first.
    void PutCode(uint32_t code, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            Put((code >> i) & 1, 1);
    }
    void AlignToByte() { count_ = 0; }

private:
    int count_ = 0;
};

// One entry found by walking the local headers of an archive.
struct TLocalEntry {
    std::string Name;
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint32_t Crc = 0;
    uint32_t UncompressedSize = 0;
    Bytes Data;   // the compressed bytes
};

inline uint32_t Le(const Bytes& b, size_t at, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + i);
    return v;
}

// Walks "PK\3\4" records from the start; sizes come from the central directory when the
// local header defers them to a data descriptor.
inline std::vector<TLocalEntry> ReadLocalEntries(const Bytes& zip)
{
    std::vector<TLocalEntry> entries;
    // Central CRC and sizes by local-header offset, for entries with a data descriptor.
    struct TCentral { uint32_t Offset, Crc, CompressedSize, UncompressedSize; };
    std::vector<TCentral> central;
    for (size_t i = 0; i + 46 <= zip.size(); ++i)
        if (Le(zip, i, 4) == 0x02014B50)
            central.push_back({Le(zip, i + 42, 4), Le(zip, i + 16, 4), Le(zip, i + 20, 4), Le(zip, i + 24, 4)});
    size_t at = 0;
    while (at + 30 <= zip.size() && Le(zip, at, 4) == 0x04034B50) {
        TLocalEntry e;
        e.Flags = static_cast<uint16_t>(Le(zip, at + 6, 2));
        e.Method = static_cast<uint16_t>(Le(zip, at + 8, 2));
        e.Crc = Le(zip, at + 14, 4);
        uint32_t csize = Le(zip, at + 18, 4);
        e.UncompressedSize = Le(zip, at + 22, 4);
        const uint32_t nameLen = Le(zip, at + 26, 2), extraLen = Le(zip, at + 28, 2);
        if (e.Flags & 8) {
            for (const TCentral& c : central)
                if (c.Offset == at) {
                    e.Crc = c.Crc;
                    csize = c.CompressedSize;
                    e.UncompressedSize = c.UncompressedSize;
                }
        }
        e.Name.assign(zip.begin() + at + 30, zip.begin() + at + 30 + nameLen);
        const size_t data = at + 30 + nameLen + extraLen;
        if (data + csize > zip.size())
            break;
        e.Data.assign(zip.begin() + data, zip.begin() + data + csize);
        at = data + csize;
        if (e.Flags & 8)
            at += Le(zip, at, 4) == 0x08074B50 ? 16 : 12;
        entries.push_back(std::move(e));
    }
    return entries;
}

// Runs a shell command and returns its standard output.
inline bool RunCommand(const std::string& command, Bytes* output = nullptr)
{
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return false;
    Bytes out;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.insert(out.end(), buf, buf + n);
    const int rc = pclose(p);
    if (output)
        *output = std::move(out);
    return rc == 0;
}

inline bool HaveTool(const std::string& name) { return RunCommand("command -v " + name + " >/dev/null 2>&1"); }
