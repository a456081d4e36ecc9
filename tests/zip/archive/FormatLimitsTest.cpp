// What the format cannot hold without ZIP64: more than 65535 entries and 4 GiB. Archives of
// many entries come from Python's zipfile; large files are sparse, so nothing big is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "zip/LFNFileStream.h"
#include "zip/SuperZip.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipStream.h"
#include "zip/ZipTestSupport.h"

namespace fs = std::filesystem;

namespace {

// An archive of count empty entries written by Python. With wrapCount the end record counts
// them modulo 65536 and holds no ZIP64 records, as a writer without ZIP64 that goes on past
// the limit leaves it.
std::string PythonArchive(TTempDir& dir, int count, bool wrapCount)
{
    const std::string name = dir / ("many" + std::to_string(count) + ".zip");
    WriteFileBytes(dir / "many.py", ToBytes("import zipfile,sys,struct\n"
                                            "n=int(sys.argv[2])\n"
                                            "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                                            "  for i in range(n): z.writestr('f%05d'%i,b'')\n"
                                            "if sys.argv[3]=='1':\n"
                                            "  b=open(sys.argv[1],'rb').read()\n"
                                            "  end=bytearray(b[b.rfind(b'PK\\x05\\x06'):])\n"
                                            "  struct.pack_into('<HH',end,8,n%65536,n%65536)\n"
                                            "  open(sys.argv[1],'wb').write(b[:b.rfind(b'PK\\x06\\x06')]+end)\n"));
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "many.py") + " " + Quote(name) + " " + std::to_string(count) +
                         (wrapCount ? " 1" : " 0")),
              0);
    return name;
}

// A writer whose archives may not pass a small size, so that the limit is met cheaply.
class TSmallLimitZip : public TSuperZip {
protected:
    int64_t ArchiveSizeLimit() const override { return 100000; }
};

}  // namespace

TEST(FormatLimits, ADirectoryBeyondItsSixteenBitCountIsReadWhole)
{
    REQUIRE_TOOLS("python3");
    TTempDir dir;
    TSuperUnZip z;
    z.SetZipName(PythonArchive(dir, 65540, true));
    TMemoryStream out;
    EXPECT_EQ(z.UnzipToStream(out, "*"), 65540);
    EXPECT_EQ(z.Count(), 65540);
    EXPECT_EQ(z.GetFileName(65539), "f65539");
}

TEST(FormatLimits, TheWriterRefusesAnEntryPast65535)
{
    REQUIRE_TOOLS("python3", "unzip");
    TTempDir dir;
    const std::string archive = PythonArchive(dir, 65534, false);
    WriteFileBytes(dir / "add/x1.txt", ToBytes("one"));
    WriteFileBytes(dir / "add/x2.txt", ToBytes("two"));
    const auto add = [&](const std::string& file) {
        TSuperZip zip;
        zip.SetZipName(archive);
        zip.FilesList.Add(dir / file);
        return zip.Zip();
    };
    EXPECT_EQ(add("add/x1.txt"), 1);   // the last one the format holds
    const Bytes full = ReadFileBytes(archive);
    EXPECT_EQ(MessageOfThrown<EZipError>([&] { add("add/x2.txt"); }),
              "Too many entries for the zip format (at most 65535): " + archive);
    EXPECT_EQ(ReadFileBytes(archive), full) << "the archive stays as it was";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 3) << "no temporary file left beside it";
    TSuperUnZip reader;
    reader.SetZipName(archive);
    reader.OpenZip();
    EXPECT_EQ(reader.Count(), 65535);
    EXPECT_EQ(reader.GetFileName(65534), "x1.txt");
    std::string listing;
    EXPECT_EQ(RunCommand("unzip -Z1 " + Quote(archive) + " | wc -l", &listing), 0);
    EXPECT_EQ(listing, "65535\n");
}

TEST(FormatLimits, ArchivesOfFourGibibytesAreRefusedBeforeReading)
{
    TTempDir dir;
    // Sparse files: no byte of them is written, and the reader must not read them either.
    for (const int64_t size : {MaxArchiveSize + 1, int64_t(5) << 30}) {
        const std::string name = dir / ("big" + std::to_string(size) + ".zip");
        { TFileStream(name, TFileMode::fmCreate).SetSize(size); }
        TSuperUnZip z;
        z.SetZipName(name);
        EXPECT_EQ(MessageOfThrown<EFatalUnzipError>([&] { z.OpenZip(); }), "Archive too large for the zip format: " + name);
        TFileStream payload(name, TFileMode::fmOpenRead);   // the same as a data file's payload
        EXPECT_EQ(MessageOfThrown<EFatalUnzipError>([&] { UnzipStreamInPlace(payload, ""); }),
                  "Archive too large for the zip format: ZIPSTREAM");
    }
    // The archive stream at the real limit: a write that would pass it keeps nothing.
    TLFNFileStream out(dir / "out.zip", TFileMode::fmCreate);
    out.SetPosition(MaxArchiveSize);
    EXPECT_EQ(MessageOfThrown<EZipError>([&] { out.WriteBuffer("x", 1); }),
              "Archive too large for the zip format: " + dir / "out.zip");
    EXPECT_EQ(out.GetSize(), 0);
    // Up to the limit itself is kept.
    TLFNFileStream small(dir / "small.zip", TFileMode::fmCreate, 4);
    small.WriteBuffer("1234", 4);
    EXPECT_THROW(small.WriteBuffer("5", 1), EZipError);
    EXPECT_EQ(small.GetSize(), 4);
}

TEST(FormatLimits, WritingStopsAsSoonAsTheArchivePassesTheLimit)
{
    TTempDir dir;
    for (const char* name : {"a.bin", "b.bin", "c.bin"})
        WriteFileBytes(dir / name, RandomBytes(60000, uint32_t(name[0])));
    WriteFileBytes(dir / "small.txt", ToBytes("small"));
    for (const bool updating : {false, true}) {
        const std::string archive = dir / "out.zip";
        fs::remove(archive);
        if (updating) {
            TSuperZip first;
            first.SetZipName(archive);
            first.FilesList.Add(dir / "small.txt");
            ASSERT_EQ(first.Zip(), 1);
        }
        const Bytes before = updating ? ReadFileBytes(archive) : Bytes{};
        TSmallLimitZip zip;
        zip.SetZipName(archive);
        std::vector<std::string> started, ended;
        zip.OnStartZip = [&](TSuperZip*, const std::string& f, TZipHeaderInfo&, bool&) { started.push_back(f); };
        zip.OnEndZip = [&](TSuperZip*, const std::string& f, int64_t, int64_t, int64_t) { ended.push_back(f); };
        for (const char* name : {"a.bin", "b.bin", "c.bin"})
            zip.FilesList.Add(dir / name);
        EXPECT_EQ(MessageOfThrown<EZipError>([&] { zip.Zip(); }), "Archive too large for the zip format: " + archive);
        EXPECT_EQ(started, (std::vector<std::string>{dir / "a.bin", dir / "b.bin"})) << updating;
        EXPECT_EQ(ended, std::vector<std::string>{dir / "a.bin"}) << updating;
        EXPECT_EQ(fs::exists(archive) ? ReadFileBytes(archive) : Bytes{}, before) << updating;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), updating ? 5 : 4) << updating;
    }
}
