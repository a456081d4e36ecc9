// Inflate throughput (MB/s of output) of our decoder beside zlib's and libdeflate's on the same
// raw deflate streams: text, an ELF binary, an outline-like payload, random bytes (stored
// blocks) and a 10 KB outline payload, each made by zlib at level 6 (the level of the data
// file). Our decoder writes through the output layer, which
// also keeps the CRC-32; the "+crc" peers add their own CRC-32 so that the work is the same.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/DecoderState.h"
#include "zip/Inflate.h"
#include "zip/ZipComponentBase.h"

using TBytes = std::vector<uint8_t>;

namespace {

TBytes Text(size_t size)
{
    static const char* const words[] = {"the ",  "of ",     "and ",    "task ",  "place ",   "due ",  "to ",
                                        "a ",    "plan ",   "week ",   "month ", "project ", "call ", "office ",
                                        "home ", "report ", "review ", "notes ", "next ",    "done ", ".\n",
                                        ", ",    "budget ", "travel ", "outline ", "waiting "};
    std::mt19937 rng(1);
    std::geometric_distribution<int> pick(0.15);
    TBytes b;
    while (b.size() < size) {
        const std::string w = words[pick(rng) % std::size(words)];
        b.insert(b.end(), w.begin(), w.end());
        if (rng() % 20 == 0) {
            const std::string n = std::to_string(rng() % 10000) + " ";
            b.insert(b.end(), n.begin(), n.end());
        }
    }
    b.resize(size);
    return b;
}

TBytes Binary(size_t size)
{
    std::ifstream f("/usr/bin/cmake", std::ios::binary);
    TBytes b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < size) {   // no such file: a stand-in of code-like bytes
        std::mt19937 rng(2);
        while (b.size() < size)
            b.push_back(static_cast<uint8_t>(rng() % 7 == 0 ? rng() : rng() % 16));
    }
    b.resize(size);
    return b;
}

// Task records the way the data file's payload holds them: length-prefixed strings, int32
// ratings and flags, double dates.
TBytes Outline(size_t size)
{
    std::mt19937 rng(3);
    const TBytes words = Text(1 << 20);
    size_t at = 0;
    TMemoryStream s;
    auto str = [&](size_t len) {
        if (at + len > words.size())
            at = 0;
        s.WriteInt32(static_cast<int32_t>(len));
        s.WriteBuffer(words.data() + at, static_cast<int64_t>(len));
        at += len;
    };
    while (s.GetSize() < static_cast<int64_t>(size)) {
        str(10 + rng() % 40);                                   // caption
        str(rng() % 4 == 0 ? 50 + rng() % 400 : 0);             // notes
        for (int i = 0; i < 3; ++i)
            s.WriteInt32(static_cast<int32_t>(rng() % 100));    // ratings
        s.WriteDouble(45000.0 + rng() % 2000 + (rng() % 1440) / 1440.0);   // dates
        s.WriteDouble(rng() % 3 == 0 ? 45000.0 + rng() % 2000 : 0.0);
        s.WriteDouble(1.0);
        s.WriteInt32(static_cast<int32_t>(rng() % 4));
        s.WriteInt32(static_cast<int32_t>(rng() % 3));          // places
        s.WriteInt32(-10);
        s.WriteInt32(0);
    }
    TBytes b = s.Bytes();
    b.resize(size);
    return b;
}

TBytes Deflate(const TBytes& in)
{
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    TBytes out(deflateBound(&z, in.size()));
    z.next_in = const_cast<uint8_t*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct TCase {
    TBytes Plain;
    TBytes Packed;
};

TBytes Random(size_t size)
{
    std::mt19937 rng(4);
    TBytes b(size);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

constexpr int CaseCount = 5;

const TCase& Case(int which)
{
    constexpr size_t size = 8 << 20;
    static const TCase cases[CaseCount] = {
        {Text(size), {}}, {Binary(size), {}}, {Outline(size), {}}, {Random(size), {}}, {Outline(10 * 1024), {}}};
    static bool packed = false;
    if (!packed) {
        for (auto& c : const_cast<TCase(&)[CaseCount]>(cases))
            c.Packed = Deflate(c.Plain);
        packed = true;
    }
    return cases[which];
}

const char* const Names[CaseCount] = {"text", "binary", "outline", "stored", "outline10k"};

void Finish(benchmark::State& state, const TCase& c)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.Plain.size()));
    state.SetLabel(Names[state.range(0)]);
    state.counters["ratio_pct"] = 100.0 * static_cast<double>(c.Packed.size()) / static_cast<double>(c.Plain.size());
}

void BM_Tovrin(benchmark::State& state)
{
    const TCase& c = Case(static_cast<int>(state.range(0)));
    TZipComponentBase owner;
    owner.DoProcessMessages = false;
    TDecoderState decoder(&owner);
    TMemoryStream archive{TBytes(c.Packed)};
    TMemoryStream out;
    out.SetSize(static_cast<int64_t>(c.Plain.size()));
    decoder.ArchiveStream = &archive;
    decoder.OutputStream = &out;
    auto run = [&] {
        archive.SetPosition(0);
        out.SetPosition(0);
        owner.CurrentHeader->CompressedSize = static_cast<uint32_t>(c.Packed.size());
        owner.CurrentHeader->UncompressedSize = static_cast<uint32_t>(c.Plain.size());
        owner.RunningCRC = 0xFFFFFFFFu;
        decoder.BeginEntry();
        return Inflate(decoder);
    };
    if (run() != DecodeOk || out.Bytes() != c.Plain) {
        state.SkipWithError("inflate failed");
        return;
    }
    for (auto _ : state) {
        run();
        benchmark::DoNotOptimize(owner.RunningCRC);
    }
    Finish(state, c);
}

void Zlib(benchmark::State& state, bool withCrc)
{
    const TCase& c = Case(static_cast<int>(state.range(0)));
    TBytes out(c.Plain.size());
    z_stream z{};
    inflateInit2(&z, -15);
    for (auto _ : state) {
        inflateReset(&z);
        z.next_in = const_cast<uint8_t*>(c.Packed.data());
        z.avail_in = static_cast<uInt>(c.Packed.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) {
            state.SkipWithError("zlib failed");
            break;
        }
        if (withCrc)
            benchmark::DoNotOptimize(crc32(0, out.data(), static_cast<uInt>(out.size())));
        benchmark::DoNotOptimize(out.data());
    }
    inflateEnd(&z);
    Finish(state, c);
}

void Libdeflate(benchmark::State& state, bool withCrc)
{
    const TCase& c = Case(static_cast<int>(state.range(0)));
    TBytes out(c.Plain.size());
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        if (libdeflate_deflate_decompress(d, c.Packed.data(), c.Packed.size(), out.data(), out.size(), nullptr) !=
            LIBDEFLATE_SUCCESS) {
            state.SkipWithError("libdeflate failed");
            break;
        }
        if (withCrc)
            benchmark::DoNotOptimize(libdeflate_crc32(0, out.data(), out.size()));
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_decompressor(d);
    Finish(state, c);
}

void BM_Zlib(benchmark::State& state) { Zlib(state, false); }
void BM_ZlibCrc(benchmark::State& state) { Zlib(state, true); }
void BM_Libdeflate(benchmark::State& state) { Libdeflate(state, false); }
void BM_LibdeflateCrc(benchmark::State& state) { Libdeflate(state, true); }

}  // namespace

BENCHMARK(BM_Tovrin)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Zlib)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibCrc)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Libdeflate)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LibdeflateCrc)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
