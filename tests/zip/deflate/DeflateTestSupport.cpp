#include "DeflateTestSupport.h"

#include <libdeflate.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "platform/Stream.h"
#include "zip/DecoderState.h"
#include "zip/Inflate.h"

void PrepareEntry(TZipComponentBase& zip, size_t size)
{
    zip.RunningCRC = 0xFFFFFFFFu;
    zip.EntryBytesDone = 0;
    zip.CurrentHeader->UncompressedSize = static_cast<uint32_t>(size);
    zip.CurrentHeader->InternalFileAttributes = 2;
    zip.CurrentHeader->CompressionMethod = 8;
    zip.CurrentHeader->GeneralPurposeFlag = 0;
}

TDeflateResult Compress(const TBytes& data, int level, TZipComponentBase* zip, bool encrypt,
                        TDeflateBuffers* buffers, TDeflateFixedTables* tables)
{
    TZipComponentBase ownZip;
    if (zip == nullptr)
        zip = &ownZip;
    PrepareEntry(*zip, data.size());
    TMemoryStream source(data);
    TMemoryStream output;
    TDeflateResult r;
    if (buffers != nullptr && tables != nullptr)
        r.Returned = DeflateEntry(*zip, source, output, level, encrypt, *buffers, *tables);
    else
        r.Returned = DeflateEntry(*zip, source, output, level, encrypt);
    r.Out = output.Bytes();
    r.Method = zip->CurrentHeader->CompressionMethod;
    r.Attributes = zip->CurrentHeader->InternalFileAttributes;
    r.Flags = zip->CurrentHeader->GeneralPurposeFlag;
    r.Crc = ~zip->RunningCRC;
    return r;
}

bool ZlibInflateRaw(const TBytes& in, size_t expectedSize, TBytes& out)
{
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK)
        return false;
    out.assign(expectedSize + 1, 0);
    zs.next_in = const_cast<Bytef*>(in.data());
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&zs, Z_FINISH);
    const size_t produced = zs.total_out;
    const bool usedAll = zs.avail_in == 0;
    inflateEnd(&zs);
    out.resize(produced);
    return rc == Z_STREAM_END && produced == expectedSize && usedAll;
}

bool LibdeflateInflate(const TBytes& in, size_t expectedSize, TBytes& out)
{
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    out.assign(expectedSize, 0);
    size_t inUsed = 0, outSize = 0;
    const auto rc = libdeflate_deflate_decompress_ex(d, in.data(), in.size(), out.data(), out.size(), &inUsed, &outSize);
    libdeflate_free_decompressor(d);
    return rc == LIBDEFLATE_SUCCESS && outSize == expectedSize && inUsed == in.size();
}

bool OurInflate(const TBytes& in, size_t expectedSize, TBytes& out)
{
    TZipComponentBase zip;
    zip.DoProcessMessages = false;
    zip.CurrentHeader->CompressedSize = static_cast<uint32_t>(in.size());
    zip.CurrentHeader->UncompressedSize = static_cast<uint32_t>(expectedSize);
    zip.CurrentHeader->CompressionMethod = 8;
    zip.CurrentHeader->GeneralPurposeFlag = 0;
    zip.RunningCRC = 0xFFFFFFFFu;
    TMemoryStream archive(in);
    TMemoryStream plain;
    TDecoderState state(&zip);
    state.ArchiveStream = &archive;
    state.OutputStream = &plain;
    state.BeginEntry();
    const uint16_t status = Inflate(state);
    out = plain.Bytes();
    return status == DecodeOk && out.size() == expectedSize;
}

TBytes RandomBytes(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    TBytes b(size);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

TBytes PseudoText(size_t size, uint32_t seed)
{
    static const char* const words[] = {
        "the",   "of",     "and",    "task",    "place",    "due",      "to",       "a",     "in",      "is",
        "plan",  "week",   "month",  "project", "call",     "office",   "home",     "buy",   "write",   "report",
        "meet",  "review", "notes",  "garden",  "shopping", "estimate", "priority", "next",  "done",    "waiting",
        "draft", "send",   "budget", "travel",  "book",     "clean",    "fix",      "order", "compute", "outline"};
    std::mt19937 rng(seed);
    TBytes b;
    b.reserve(size + 16);
    // Zipf-like: the first words come up far more often. (Drawn by hand rather than with a
    // standard distribution, whose algorithm differs between libraries.)
    static const unsigned weights[] = {40, 30, 25, 12, 10, 9, 9, 8, 8, 7, 6, 6, 5, 5, 5, 4, 4, 4, 4, 4,
                                       3,  3,  3,  3,  3,  3, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1};
    unsigned total = 0;
    for (unsigned w : weights)
        total += w;
    auto pick = [&](std::mt19937& r) {
        unsigned x = r() % total, i = 0;
        while (x >= weights[i])
            x -= weights[i++];
        return i;
    };
    bool capital = true;
    while (b.size() < size) {
        std::string w = words[pick(rng)];
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

TBytes LongRuns(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    TBytes b;
    b.reserve(size);
    while (b.size() < size) {
        const size_t run = 1 + rng() % 2000;
        b.insert(b.end(), std::min(run, size - b.size()), static_cast<uint8_t>(rng() % 4));
    }
    return b;
}

static TBytes readFile(const std::string& name, size_t maxBytes)
{
    std::ifstream f(name, std::ios::binary);
    if (!f)
        return {};
    TBytes b(maxBytes);
    f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(maxBytes));
    b.resize(static_cast<size_t>(f.gcount()));
    return b;
}

TBytes SharedText()
{
    return readFile(std::string(TOVRIN_SHARED_TESTDATA_DIR) + "/zip/legacy/TESTDAT3.TXT", 1 << 20);
}

TBytes ElfBinary(size_t maxBytes)
{
    for (const char* name : {"/usr/bin/cmake", "/usr/bin/ctest", "/bin/bash"}) {
        TBytes b = readFile(name, maxBytes);
        if (b.size() > 4 && b[0] == 0x7F && b[1] == 'E')
            return b;
    }
    return {};
}

TBytes UniqueTriples(size_t size, unsigned alphabetSize, uint8_t firstByte)
{
    // Greedy walk that always takes the largest symbol whose triple is new.
    const unsigned k = alphabetSize;
    std::vector<bool> seen(static_cast<size_t>(k) * k * k);
    std::vector<unsigned> s = {0, 0};
    while (s.size() < size) {
        const unsigned a = s[s.size() - 2], b = s[s.size() - 1];
        bool extended = false;
        for (unsigned c = k; c-- > 0;) {
            const size_t key = (static_cast<size_t>(a) * k + b) * k + c;
            if (!seen[key]) {
                seen[key] = true;
                s.push_back(c);
                extended = true;
                break;
            }
        }
        if (!extended)
            break;
    }
    TBytes out(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = static_cast<uint8_t>(firstByte + s[i]);
    return out;
}

size_t RepeatedTriples(const TBytes& data)
{
    std::vector<bool> seen(1u << 24);
    size_t repeats = 0;
    for (size_t i = 0; i + 2 < data.size(); ++i) {
        const size_t key = (size_t(data[i]) << 16) | (size_t(data[i + 1]) << 8) | data[i + 2];
        if (seen[key])
            ++repeats;
        seen[key] = true;
    }
    return repeats;
}
