// What the component asks of the program: the overwrite question, the hourglass and message
// pumping around a directory rebuild, and none of it while the data file is packed. Archives
// come from Info-ZIP zip and Python's zipfile.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "zip/ZipTestSupport.h"
#include "platform/Stream.h"
#include "zip/SuperUnZip.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipStream.h"

namespace {

using Strings = std::vector<std::string>;

void PutLe(Bytes& b, size_t at, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

size_t EndRecordAt(const Bytes& b) { return b.size() - 22; }

// One deflated entry written by Python's zipfile.
Bytes PythonZip(TTempDir& dir, const std::string& entry, const Bytes& content)
{
    WriteFileBytes(dir / "content.bin", content);
    const std::string script = "import zipfile,sys\n"
                               "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                               " z.write(sys.argv[2], sys.argv[3])\n";
    WriteFileBytes(dir / "make.py", ToBytes(script));
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "make.py") + " " + Quote(dir / "py.zip") + " " +
                         Quote(dir / "content.bin") + " " + Quote(entry)),
              0);
    return ReadFileBytes(dir / "py.zip");
}

}  // namespace

TEST(ZipHost, OverwriteQuestionWhenNoHandlerIsSet)
{
    REQUIRE_TOOLS("zip");
    TTempDir dir;
    WriteFileBytes(dir / "src/sub/f.txt", ToBytes("new"));
    ASSERT_EQ(RunCommand("cd " + Quote(dir / "src") + " && zip -qrD ../z.zip ."), 0);

    const struct {
        const char* what;
        TUZOverwriteMode mode;
        bool handler;
        bool answer;
        bool asked;
        const char* content;
    } rows[] = {
        {"prompt, No", TUZOverwriteMode::Prompt, false, false, true, "old"},
        {"prompt, Yes", TUZOverwriteMode::Prompt, false, true, true, "new"},
        {"handler answers", TUZOverwriteMode::Prompt, true, false, false, "new"},
        {"always", TUZOverwriteMode::Always, false, false, false, "new"},
        {"never", TUZOverwriteMode::Never, false, true, false, "old"},
    };
    for (const auto& r : rows) {
        WriteFileBytes(dir / "dest/sub/f.txt", ToBytes("old"));
        TRecordingZipHost host;
        host.Answer = r.answer;
        TZipHostScope scope(host);
        TSuperUnZip z;
        z.SetZipName(dir / "z.zip");
        z.SetDestDir(dir / "dest");
        z.RecreateDirs = true;
        z.OverwriteMode = r.mode;
        if (r.handler)
            z.OnPromptForOverwrite = [](TSuperUnZip*, bool& yes, int, std::string&) { yes = true; };
        z.FilesList.Add("*");
        z.OpenZip();
        EXPECT_EQ(z.ExtractMatching(), std::string(r.content) == "new" ? 1 : 0) << r.what;
        EXPECT_EQ(ReadFileBytes(dir / "dest/sub/f.txt"), ToBytes(r.content)) << r.what;
        EXPECT_EQ(host.Asked, r.asked ? Strings{"File Exists Alert: Replace existing file sub/f.txt?"} : Strings{})
            << r.what;
    }
}

TEST(ZipHost, HourGlassAndPumpsWhileADamagedDirectoryIsRebuilt)
{
    REQUIRE_TOOLS("python3");
    TTempDir dir;
    const Bytes text = PseudoText(5000, 8);
    // A stub before the archive, its offsets not adjusted, and a directory size that is wrong
    // too: the directory is found neither where the end record says nor where it would end,
    // and the scan for the first local header runs over 30000 stub bytes.
    const std::string name = dir / "stubbed.zip";
    Bytes stubbed = Concat({Bytes(30000, 'x'), PythonZip(dir, "a.txt", text)});
    PutLe(stubbed, EndRecordAt(stubbed) + 12, 1, 4);
    WriteFileBytes(name, stubbed);

    for (bool pump : {true, false}) {
        TRecordingZipHost host;
        TZipHostScope scope(host);
        TSuperUnZip z;
        z.DoProcessMessages = pump;
        z.SetZipName(name);
        z.OpenZip();
        EXPECT_TRUE(z.DirectoryRebuilt);
        EXPECT_EQ(host.HourGlassShown, 1);
        EXPECT_EQ(host.HourGlass, 0);
        EXPECT_EQ(host.Pumps, pump ? 2 : 0);
        EXPECT_TRUE(std::all_of(host.HourGlassAtPump.begin(), host.HourGlassAtPump.end(), [](int n) { return n == 1; }));
        TMemoryStream out;
        EXPECT_EQ(z.UnzipToStream(out, "a.txt"), 1);
        EXPECT_EQ(out.Bytes(), text);
    }

    // An abort asked for while the scan pumps ends the rebuild; the cursor comes back.
    TRecordingZipHost host;
    TZipHostScope scope(host);
    TSuperUnZip z;
    host.OnPump = [&] { z.AbortRequested = true; };
    z.SetZipName(name);
    EXPECT_EQ(MessageOfThrown<EUserCanceled>([&] { z.OpenZip(); }), "User Aborted Operation");
    EXPECT_EQ(host.Pumps, 1);
    EXPECT_EQ(host.HourGlass, 0);
    EXPECT_FALSE(z.AbortRequested);
}

TEST(ZipHost, PackerNeitherPumpsNorAsksButShowsTheHourGlassForARebuild)
{
    TRecordingZipHost host;
    TZipHostScope scope(host);
    host.OnPump = [] { ADD_FAILURE() << "messages pumped while packing"; };
    const Bytes payload = PseudoText(200000, 9);
    TMemoryStream stream{payload};
    ZipStreamInPlace(stream, "");
    Bytes packed = stream.Bytes();
    UnzipStreamInPlace(stream, "");
    EXPECT_EQ(stream.Bytes(), payload);
    EXPECT_EQ(host.HourGlassShown, 0);

    PutLe(packed, EndRecordAt(packed) + 16, 1, 4);   // directory offset into the local header
    TMemoryStream damaged{packed};
    UnzipStreamInPlace(damaged, "");
    EXPECT_EQ(damaged.Bytes(), payload);
    EXPECT_EQ(host.HourGlassShown, 1);
    EXPECT_EQ(host.HourGlass, 0);
    EXPECT_EQ(host.Pumps, 0);
    EXPECT_TRUE(host.Asked.empty());
}

TEST(ZipHost, DataCutShortInASpannedArchiveIsAPrematureEnd)
{
    REQUIRE_TOOLS("python3");
    TTempDir dir;
    // Small enough that the first chunk already runs short.
    Bytes archive = PythonZip(dir, "ZIPDATA", PseudoText(20000, 10));
    const size_t end = EndRecordAt(archive);
    const uint32_t central = GetLe(archive, end + 16, 4);
    // The entry claims more compressed bytes than the archive holds.
    PutLe(archive, central + 20, GetLe(archive, central + 20, 4) + 100000, 4);
    const Bytes single = archive;
    // The same, as the last volume of a spanned set.
    PutLe(archive, end + 4, 1, 2);       // number of this disk
    PutLe(archive, end + 6, 1, 2);       // disk with the central directory
    PutLe(archive, central + 34, 1, 2);  // the entry's disk
    const Bytes spanned = archive;

    const struct {
        const char* what;
        const Bytes* bytes;
        bool nextDiskHandler;
        const char* message;
    } rows[] = {
        {"single volume", &single, false, "Premature end of file reached"},
        {"spanned, no handler", &spanned, false, "Premature end of file reached"},
        {"spanned, handler gives no volume", &spanned, true, "User canceled loading new disk."},
    };
    for (const auto& r : rows) {
        WriteFileBytes(dir / "cut.zip", *r.bytes);
        TSuperUnZip z;
        z.SetZipName(dir / "cut.zip");
        if (r.nextDiskHandler)
            z.OnGetNextDisk = [](TSuperUnZip*, int, std::string& fname) { fname.clear(); };
        TMemoryStream out;
        std::string message = "no exception";
        try {
            z.UnzipToStream(out, "ZIPDATA");
        } catch (const EZipError& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, r.message) << r.what;
        EXPECT_EQ(out.GetSize(), 0) << r.what;
    }

    // The data-file unpacker takes the same road.
    TMemoryStream packed{spanned};
    EXPECT_EQ(MessageOfThrown<EFatalUnzipError>([&] { UnzipStreamInPlace(packed, ""); }),
              "Premature end of file reached");
}
