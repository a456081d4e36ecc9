// Compression speed and size of our deflate encoder beside zlib (raw deflate, same levels)
// and libdeflate, on text, an ELF binary, random bytes and outline-like payloads.
// Counters: out_bytes is the compressed size, ratio_pct the size in percent of the input.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/DeflateEncoder.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipHeaderInfo.h"

using TBytes = std::vector<uint8_t>;

static TBytes pseudoText(size_t size, uint32_t seed)
{
    static const char* const words[] = {
        "the",   "of",     "and",    "task",    "place",    "due",      "to",       "a",     "in",      "is",
        "plan",  "week",   "month",  "project", "call",     "office",   "home",     "buy",   "write",   "report",
        "meet",  "review", "notes",  "garden",  "shopping", "estimate", "priority", "next",  "done",    "waiting",
        "draft", "send",   "budget", "travel",  "book",     "clean",    "fix",      "order", "compute", "outline"};
    std::mt19937 rng(seed);
    std::discrete_distribution<int> pick({40, 30, 25, 12, 10, 9, 9, 8, 8, 7, 6, 6, 5, 5, 5, 4, 4, 4, 4, 4,
                                          3, 3, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1});
    TBytes b;
    b.reserve(size + 16);
    while (b.size() < size) {
        const std::string w = words[pick(rng)];
        b.insert(b.end(), w.begin(), w.end());
        const unsigned r = rng() % 100;
        if (r < 6) {
            b.push_back('.');
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

// Task records as the data file's payload holds them: length-prefixed captions and notes,
// int32 ratings, flags and place lists, double dates.
static TBytes outlinePayload(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    TMemoryStream s;
    const TBytes words = pseudoText(1 << 20, seed + 1);
    size_t wordPos = 0;
    auto text = [&](size_t len) {
        if (wordPos + len > words.size())
            wordPos = 0;
        std::string t(words.begin() + long(wordPos), words.begin() + long(wordPos + len));
        wordPos += len;
        return t;
    };
    auto writeString = [&](const std::string& t) {
        s.WriteInt32(static_cast<int32_t>(t.size()));
        s.WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
    };
    // Places.
    s.WriteInt32(12);
    for (int p = 0; p < 12; ++p) {
        s.WriteInt32(p + 1);
        writeString(text(8 + rng() % 12));
        s.WriteInt32(static_cast<int32_t>(rng() % 3));
        s.WriteInt32(0);
    }
    int id = 1;
    while (static_cast<size_t>(s.GetSize()) < size) {
        writeString(text(12 + rng() % 40));                 // caption
        const int lines = rng() % 4 == 0 ? static_cast<int>(1 + rng() % 4) : 0;
        s.WriteInt32(lines);                                 // notes
        for (int l = 0; l < lines; ++l)
            writeString(text(20 + rng() % 60));
        s.WriteInt32(id++);
        for (int r = 0; r < 3; ++r)                          // importance, effort, satisfaction
            s.WriteInt32(rng() % 3 == 0 ? static_cast<int32_t>(rng() % 100) : 50);
        s.WriteDouble(44000.0 + rng() % 2000 + (rng() % 86400) / 86400.0);   // created
        s.WriteDouble(44000.0 + rng() % 2000 + (rng() % 86400) / 86400.0);   // modified
        s.WriteDouble(rng() % 5 == 0 ? 45000.0 + rng() % 400 : 0.0);        // due
        s.WriteDouble(1.0);                                                  // lead time
        s.WriteDouble(rng() % 6 == 0 ? 44500.0 + rng() % 900 : 0.0);        // completed
        s.WriteInt32(static_cast<int32_t>(rng() % 4));                       // goal
        s.WriteUInt8(static_cast<uint8_t>(rng() % 2));                       // flags
        s.WriteUInt8(0);
        s.WriteUInt8(static_cast<uint8_t>(rng() % 8 == 0));
        const int places = static_cast<int>(rng() % 3);
        s.WriteInt32(places);
        for (int p = 0; p < places; ++p)
            s.WriteInt32(static_cast<int32_t>(1 + rng() % 12));
        writeString(" ");                                    // no linked item
        s.WriteInt32(static_cast<int32_t>(rng() % 4 == 0 ? rng() % 6 : 0));   // children
    }
    TBytes b = s.Bytes();
    b.resize(size);
    return b;
}

static TBytes readFile(const char* name, size_t maxBytes)
{
    std::ifstream f(name, std::ios::binary);
    TBytes b(maxBytes);
    if (f)
        f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(maxBytes));
    b.resize(f ? maxBytes : static_cast<size_t>(f.gcount()));
    return b;
}

static const TBytes& dataSet(const std::string& name)
{
    static std::map<std::string, TBytes> cache;
    auto it = cache.find(name);
    if (it != cache.end())
        return it->second;
    TBytes b;
    if (name == "text")
        b = pseudoText(4 << 20, 1);
    else if (name == "elf")
        b = readFile("/usr/bin/cmake", 4 << 20);
    else if (name == "random") {
        std::mt19937 rng(3);
        b.resize(4 << 20);
        for (auto& x : b)
            x = static_cast<uint8_t>(rng());
    } else if (name == "outline10k")
        b = outlinePayload(10 * 1024, 4);
    else if (name == "outline200k")
        b = outlinePayload(200 * 1024, 5);
    else if (name == "outline5m")
        b = outlinePayload(5 << 20, 6);
    return cache.emplace(name, std::move(b)).first->second;
}

static void report(benchmark::State& state, size_t in, size_t out)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(in));
    state.counters["out_bytes"] = static_cast<double>(out);
    state.counters["ratio_pct"] = in ? 100.0 * static_cast<double>(out) / static_cast<double>(in) : 0;
}

static void BM_Ours(benchmark::State& state, const std::string& set, int level)
{
    const TBytes& data = dataSet(set);
    if (data.empty()) {
        state.SkipWithError("no data");
        return;
    }
    TZipComponentBase zip;
    zip.DoProcessMessages = false;
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    TMemoryStream source(data);
    TMemoryStream output;
    int64_t out = 0;
    for (auto _ : state) {
        source.SetPosition(0);
        output.SetSize(0);
        output.SetPosition(0);
        zip.RunningCRC = 0xFFFFFFFFu;
        zip.CurrentHeader->UncompressedSize = static_cast<uint32_t>(data.size());
        zip.CurrentHeader->InternalFileAttributes = 2;
        zip.CurrentHeader->CompressionMethod = 8;
        out = DeflateEntry(zip, source, output, level, false, *buffers, tables);
        benchmark::DoNotOptimize(output.Memory());
    }
    report(state, data.size(), static_cast<size_t>(out));
}

static void BM_Zlib(benchmark::State& state, const std::string& set, int level)
{
    const TBytes& data = dataSet(set);
    if (data.empty()) {
        state.SkipWithError("no data");
        return;
    }
    z_stream zs{};
    deflateInit2(&zs, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    TBytes out(compressBound(static_cast<uLong>(data.size())));
    size_t outSize = 0;
    for (auto _ : state) {
        deflateReset(&zs);
        zs.next_in = const_cast<Bytef*>(data.data());
        zs.avail_in = static_cast<uInt>(data.size());
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        deflate(&zs, Z_FINISH);
        outSize = zs.total_out;
        benchmark::DoNotOptimize(out.data());
    }
    deflateEnd(&zs);
    report(state, data.size(), outSize);
}

static void BM_Libdeflate(benchmark::State& state, const std::string& set, int level)
{
    const TBytes& data = dataSet(set);
    if (data.empty()) {
        state.SkipWithError("no data");
        return;
    }
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    TBytes out(libdeflate_deflate_compress_bound(c, data.size()));
    size_t outSize = 0;
    for (auto _ : state) {
        outSize = libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    libdeflate_free_compressor(c);
    report(state, data.size(), outSize);
}

static void registerAll()
{
    for (const char* set : {"outline10k", "outline200k", "outline5m", "text", "elf", "random"}) {
        for (int level : {1, 6, 9}) {
            benchmark::RegisterBenchmark(("ours/" + std::string(set) + "/L" + std::to_string(level)).c_str(), BM_Ours,
                                         std::string(set), level)->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("zlib/" + std::string(set) + "/L" + std::to_string(level)).c_str(), BM_Zlib,
                                         std::string(set), level)->Unit(benchmark::kMillisecond);
        }
        for (int level : {1, 6, 9, 12})
            benchmark::RegisterBenchmark(("libdeflate/" + std::string(set) + "/L" + std::to_string(level)).c_str(),
                                         BM_Libdeflate, std::string(set), level)->Unit(benchmark::kMillisecond);
    }
}

int main(int argc, char** argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
