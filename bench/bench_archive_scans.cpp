// Archives built to make the scans of the reader and of the update slow: the time must grow
// with the size, not with its square.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/Crc32.h"
#include "zip/SuperZip.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// One stored entry with flag bit 3 and no directory: its data hold, every 16 bytes, a
// descriptor whose sizes fit and which a local header follows, but whose CRC is one off.
Bytes CandidateEveryBlock(int64_t size)
{
    Bytes a;
    Put32(a, 0x04034B50);
    Put16(a, 20);
    Put16(a, 8);
    Put16(a, 0);
    Put32(a, 0x5A210000);
    for (int i = 0; i < 3; ++i)
        Put32(a, 0);
    Put16(a, 7);
    Put16(a, 0);
    a.insert(a.end(), {'b', 'i', 'g', '.', 'b', 'i', 'n'});
    const size_t dataStart = a.size();
    uint32_t crc = 0xFFFFFFFFu;
    for (int64_t at = 0; at + 16 <= size; at += 16) {
        Put32(a, ~crc ^ 1u);
        Put32(a, uint32_t(at));
        Put32(a, uint32_t(at));
        Put32(a, 0x04034B50);
        crc = UpdateCRC32(crc, a.data() + dataStart + at, 16);
    }
    const uint32_t length = uint32_t(a.size() - dataStart);
    Put32(a, 0x08074B50);
    Put32(a, ~crc);
    Put32(a, length);
    Put32(a, length);
    return a;
}

// Entries of one byte each whose central records run from the last local header to the first;
// their names run backwards too.
Bytes DirectoryBackwards(int64_t size)
{
    Bytes a, central;
    const int64_t count = size / 88;
    std::vector<uint32_t> offsets;
    for (int64_t i = 0; i < count; ++i) {
        offsets.push_back(uint32_t(a.size()));
        const std::string name = std::to_string(100000000 + count - 1 - i);
        const uint8_t byte = uint8_t(i);
        Put32(a, 0x04034B50);
        Put16(a, 20);
        Put16(a, 0);
        Put16(a, 0);
        Put32(a, 0x5A210000);
        Put32(a, Crc32Of(&byte, 1));
        Put32(a, 1);
        Put32(a, 1);
        Put16(a, uint32_t(name.size()));
        Put16(a, 0);
        a.insert(a.end(), name.begin(), name.end());
        a.push_back(byte);
    }
    for (int64_t i = count - 1; i >= 0; --i) {
        const std::string name = std::to_string(100000000 + count - 1 - i);
        const uint8_t byte = uint8_t(i);
        Put32(central, 0x02014B50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0x5A210000);
        Put32(central, Crc32Of(&byte, 1));
        Put32(central, 1);
        Put32(central, 1);
        Put16(central, uint32_t(name.size()));
        for (int k = 0; k < 4; ++k)
            Put16(central, 0);
        Put32(central, 0x20);
        Put32(central, offsets[size_t(i)]);
        central.insert(central.end(), name.begin(), name.end());
    }
    const uint32_t centralAt = uint32_t(a.size());
    a.insert(a.end(), central.begin(), central.end());
    Put32(a, 0x06054B50);
    Put32(a, 0);
    Put16(a, uint32_t(count) & 0xFFFF);   // counted modulo 65536: every record up to the end record is read
    Put16(a, uint32_t(count) & 0xFFFF);
    Put32(a, uint32_t(central.size()));
    Put32(a, centralAt);
    Put16(a, 0);
    return a;
}

std::map<std::pair<void*, int64_t>, std::string>& ScratchFiles()
{
    static std::map<std::pair<void*, int64_t>, std::string> files;
    return files;
}

// The archive of this kind and size, written once into a scratch file.
const std::string& ArchiveFile(Bytes (*build)(int64_t), int64_t size)
{
    std::string& name = ScratchFiles()[{reinterpret_cast<void*>(build), size}];
    if (name.empty()) {
        char path[] = "/tmp/tovrin-bench-XXXXXX";
        const int fd = mkstemp(path);
        const Bytes bytes = build(size);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
            std::abort();
        close(fd);
        name = path;
    }
    return name;
}

void Read(benchmark::State& state, Bytes (*build)(int64_t), const char* entry, TZipSortMode mode = TZipSortMode::ByNone)
{
    const int64_t size = state.range(0);
    const std::string& name = ArchiveFile(build, size);
    int extracted = 0;
    for (auto _ : state) {
        TSuperUnZip z;
        z.DoProcessMessages = false;
        z.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
        z.SetZipName(name);
        z.SetSortMode(mode);
        TMemoryStream out;
        extracted = z.UnzipToStream(out, entry);
        benchmark::DoNotOptimize(out.GetSize());
    }
    if (extracted != 1)
        state.SkipWithError("the entry was not extracted");
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_RebuildDescriptorCandidates(benchmark::State& state) { Read(state, CandidateEveryBlock, "big.bin"); }
void BM_DirectoryBackwards(benchmark::State& state) { Read(state, DirectoryBackwards, "100000000"); }
void BM_NameViewBackwards(benchmark::State& state)
{
    Read(state, DirectoryBackwards, "100000000", TZipSortMode::ByName);
}

void WriteBytes(const std::string& name, const Bytes& bytes)
{
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes ReadBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// An update that adds one file to the crafted descriptor archive: the old entry is found by
// the rebuild and copied with its descriptor.
void BM_UpdateDescriptorCandidates(benchmark::State& state)
{
    const int64_t size = state.range(0);
    const Bytes original = ReadBytes(ArchiveFile(CandidateEveryBlock, size));
    const std::string dir = std::filesystem::temp_directory_path() / ("tovrin-bench-update-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    WriteBytes(dir + "/added.txt", Bytes(100, 'a'));
    for (auto _ : state) {
        state.PauseTiming();
        WriteBytes(dir + "/u.zip", original);
        state.ResumeTiming();
        TSuperZip zip;
        zip.DoProcessMessages = false;
        zip.IncompleteZipMode = TIncompleteZipMode::izAssumeBad;
        zip.SetZipName(dir + "/u.zip");
        zip.FilesList.Add(dir + "/added.txt");
        if (zip.Zip() != 1)
            state.SkipWithError("the file was not added");
    }
    std::filesystem::remove_all(dir);
    state.SetBytesProcessed(state.iterations() * size);
}

// An update that lists every file the archive holds again, none of them newer.
void BM_UpdateEveryEntryListed(benchmark::State& state)
{
    const int count = int(state.range(0));
    const std::string dir = std::filesystem::temp_directory_path() / ("tovrin-bench-listed-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir + "/src");
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(dir + "/src/f" + std::to_string(i) + ".txt");
        WriteBytes(files.back(), Bytes(10, uint8_t('a' + i % 26)));
    }
    const auto update = [&] {
        TSuperZip zip;
        zip.DoProcessMessages = false;
        zip.SetZipName(dir + "/l.zip");
        for (const std::string& f : files)
            zip.FilesList.Add(f);
        return zip.Zip();
    };
    update();
    for (auto _ : state)
        if (update() != 0)
            state.SkipWithError("an entry was replaced");
    std::filesystem::remove_all(dir);
    state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(BM_UpdateDescriptorCandidates)->Arg(1600000)->Arg(6400000)->Arg(25600000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateEveryEntryListed)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildDescriptorCandidates)->Arg(1600000)->Arg(6400000)->Arg(25600000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameViewBackwards)->Arg(1600000)->Arg(6400000)->Arg(25600000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectoryBackwards)->Arg(1600000)->Arg(6400000)->Arg(25600000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& [key, name] : ScratchFiles())
        std::remove(name.c_str());
    return 0;
}
