// The in-place packer of the data file's payload: round trips, the exact layout, and what
// every kind of damaged input gives.
#include <gtest/gtest.h>

#include <filesystem>

#include "ArchiveTestUtil.h"
#include "ZipBuilder.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "zip/LFNFileStream.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipStream.h"

using namespace archive_test;

namespace {

Bytes Pack(const Bytes& payload, const std::string& password = "")
{
    TMemoryStream s(payload);
    ZipStreamInPlace(s, password);
    EXPECT_EQ(s.GetPosition(), 0);
    return s.Bytes();
}

Bytes Unpack(const Bytes& archive, const std::string& password = "")
{
    TMemoryStream s(archive);
    UnzipStreamInPlace(s, password);
    EXPECT_EQ(s.GetPosition(), 0);
    return s.Bytes();
}

// The bytes stay as they were when unpacking raises.
template <class E>
void ExpectUnpackFails(const Bytes& archive, const std::string& what)
{
    TMemoryStream s(archive);
    s.SetPosition(static_cast<int64_t>(archive.size() / 2));
    EXPECT_THROW(UnzipStreamInPlace(s, ""), E) << what;
    EXPECT_EQ(s.Bytes(), archive) << what;
    EXPECT_FALSE(ZipStreamActive) << what;
}

}  // namespace

TEST(Packer, RoundTripsSizesAndKinds)
{
    const size_t sizes[] = {0, 1, 3, 32768, 65273, 65274, 65275, 1 << 20};
    for (size_t n : sizes) {
        const Bytes kinds[] = {TextBytes(n), RandomBytes(n, static_cast<uint32_t>(n)), Bytes(n, 0)};
        for (const Bytes& payload : kinds) {
            for (const std::string password : {"", "secret"}) {
                const Bytes archive = Pack(payload, password);
                EXPECT_EQ(Unpack(archive, password), payload) << n << " " << password;
            }
        }
    }
}

TEST(Packer, LayoutOfThePackedPayload)
{
    const Bytes payload = TextBytes(5000);
    TClockOverride clock(EncodeDate(2024, 3, 15) + EncodeTime(13, 45, 10, 0));
    for (const std::string password : {"", "pw"}) {
        const Bytes a = Pack(payload, password);
        const bool enc = !password.empty();
        ASSERT_GE(a.size(), 30u + 7 + 46 + 7 + 22);
        EXPECT_EQ(Get32(a, 0), 0x04034B50u);
        EXPECT_EQ(Get16(a, 4), 20);                       // version needed
        EXPECT_EQ(Get16(a, 6), enc ? 1 : 0);              // flags
        EXPECT_EQ(Get16(a, 8), 8);                        // deflated
        EXPECT_EQ(Get32(a, 10), DateTimeToDosDateTime(EncodeDate(2024, 3, 15)));   // time 00:00:00
        EXPECT_EQ(Get32(a, 14), Crc(payload));
        EXPECT_EQ(Get32(a, 22), payload.size());
        EXPECT_EQ(Get16(a, 26), 7);
        EXPECT_EQ(Get16(a, 28), 0);
        EXPECT_EQ(std::string(a.begin() + 30, a.begin() + 37), "ZIPDATA");
        const uint32_t csize = Get32(a, 18);
        const size_t central = 37 + csize;
        EXPECT_EQ(Get32(a, central), 0x02014B50u);
        EXPECT_EQ(Get16(a, central + 4), 20);             // made by
        EXPECT_EQ(Get32(a, central + 20), csize);
        EXPECT_EQ(Get16(a, central + 32), 0);             // no comment
        EXPECT_EQ(Get32(a, central + 38), 0x20u);         // external attributes
        EXPECT_EQ(Get32(a, central + 42), 0u);            // local header at 0
        const size_t end = central + 46 + 7;
        ASSERT_EQ(a.size(), end + 22);
        EXPECT_EQ(Get32(a, end), 0x06054B50u);
        EXPECT_EQ(Get16(a, end + 4), 0);
        EXPECT_EQ(Get16(a, end + 6), 0);
        EXPECT_EQ(Get16(a, end + 8), 1);
        EXPECT_EQ(Get16(a, end + 10), 1);
        EXPECT_EQ(Get32(a, end + 12), 53u);
        EXPECT_EQ(Get32(a, end + 16), central);
        EXPECT_EQ(Get16(a, end + 20), 0);
        if (!enc) {
            // zlib reads our deflate data back.
            EXPECT_EQ(RawInflate(Bytes(a.begin() + 37, a.begin() + 37 + csize), payload.size()), payload);
        }
    }
}

TEST(Packer, EncryptionHeaderAndSizes)
{
    const Bytes payload = TextBytes(3000);
    const Bytes plain = Pack(payload);
    const Bytes enc = Pack(payload, "pw");
    EXPECT_EQ(Get32(enc, 18), Get32(plain, 18) + 12);
    // Decrypt the 12-byte header with the application note's cipher, written out here.
    uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
    auto crc1 = [](uint32_t c, uint8_t b) {
        c ^= b;
        for (int i = 0; i < 8; ++i)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        return c;
    };
    auto update = [&](uint8_t p) {
        k0 = crc1(k0, p);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = crc1(k2, static_cast<uint8_t>(k1 >> 24));
    };
    for (char c : std::string("pw"))
        update(static_cast<uint8_t>(c));
    uint8_t last = 0;
    for (int i = 0; i < 12; ++i) {
        const uint32_t t = (k2 | 2) & 0xFFFF;
        last = enc[37 + i] ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8);
        update(last);
    }
    EXPECT_EQ(last, static_cast<uint8_t>(Crc(payload) >> 24));
    // Two packs of the same payload differ in their random header bytes.
    EXPECT_NE(Pack(payload, "pw"), enc);
}

TEST(Packer, EmptyInputGivesOneEmptyEntry)
{
    const Bytes a = Pack({});
    EXPECT_EQ(Get16(a, 8), 0);     // stored whole
    EXPECT_EQ(Get32(a, 18), 0u);
    EXPECT_EQ(a.size(), 30u + 7 + 46 + 7 + 22);
    EXPECT_TRUE(Unpack(a).empty());
    TMemoryStream empty;
    UnzipStreamInPlace(empty, "x");
    EXPECT_EQ(empty.GetSize(), 0);
    EXPECT_EQ(empty.GetPosition(), 0);
}

TEST(Packer, PassPhrases)
{
    const Bytes payload = TextBytes(20000);
    // Packed without a pass phrase: any pass phrase reads it.
    EXPECT_EQ(Unpack(Pack(payload), "whatever"), payload);
    // A wrong pass phrase gives the empty result, whether or not the check byte agrees.
    int empties = 0;
    for (int i = 0; i < 300; ++i) {
        const Bytes got = Unpack(Pack(payload, "right"), "wrong" + std::to_string(i));
        EXPECT_TRUE(got.empty()) << i;
        empties += got.empty();
    }
    EXPECT_EQ(empties, 300);
    EXPECT_TRUE(Unpack(Pack(payload, "right"), "").empty());
}

TEST(Packer, ToFormsLeaveTheSourceAlone)
{
    const Bytes payload = TextBytes(777);
    TMemoryStream src(payload), archive, back;
    ZipStreamTo(src, archive, "");
    EXPECT_EQ(src.Bytes(), payload);
    UnzipStreamTo(archive, back, "");
    EXPECT_EQ(back.Bytes(), payload);
    TMemoryStream empty, untouched(Bytes{1, 2, 3});
    UnzipStreamTo(empty, untouched, "");
    EXPECT_EQ(untouched.Bytes(), (Bytes{1, 2, 3}));
}

TEST(Packer, FailureTable)
{
    const Bytes text = TextBytes(4000);
    // Without an end record: 1 to 21 bytes, and bytes with no signature at all.
    for (size_t n = 1; n <= 21; ++n)
        ExpectUnpackFails<EIncompleteZip>(Bytes(n, 'x'), "short " + std::to_string(n));
    ExpectUnpackFails<EIncompleteZip>(RandomBytes(100000), "noise");

    // An archive without ZIPDATA: empty result.
    EXPECT_TRUE(Unpack(BuildArchive({{"other.txt", text}}).bytes).empty());
    // Unencrypted entry, any pass phrase.
    EXPECT_EQ(Unpack(BuildArchive({{"ZIPDATA", text, 8}}).bytes, "pw"), text);

    // A central directory offset that points elsewhere: rebuilt from the local headers.
    {
        BuiltArchive a = BuildArchive({{"ZIPDATA", text, 8}});
        a.bytes[a.endOffset + 16] ^= 0x01;
        EXPECT_EQ(Unpack(a.bytes), text);
    }
    // Two central records for one local header.
    {
        BuiltArchive a = BuildArchive({{"ZIPDATA", text, 8}, {"ZIPDATA", text, 8}});
        const size_t second = a.centralOffset + 46 + 7;
        a.bytes[second + 42] = a.bytes[a.centralOffset + 42];
        a.bytes[second + 43] = a.bytes[a.centralOffset + 43];
        ExpectUnpackFails<EListError>(a.bytes, "duplicate");
    }
    // A directory that claims more records than it holds.
    {
        BuiltArchive a = BuildArchive({{"ZIPDATA", text, 8}});
        a.bytes[a.endOffset + 8] = 2;
        a.bytes[a.endOffset + 10] = 2;
        ExpectUnpackFails<EFatalUnzipError>(a.bytes, "short directory");
    }
    // A central record that points at no local header.
    {
        BuiltArchive a = BuildArchive({{"ZIPDATA", text, 8}});
        a.bytes[a.centralOffset + 42] = 5;
        ExpectUnpackFails<EFatalUnzipError>(a.bytes, "bad local offset");
    }
    // Compressed data cut short: the size claims more than the archive holds.
    {
        BuiltArchive a = BuildArchive({{"ZIPDATA", text, 8}});
        const uint32_t big = Get32(a.bytes, 18) + 100000;
        for (size_t at : {size_t(18), size_t(a.centralOffset + 20)})
            for (int i = 0; i < 4; ++i)
                a.bytes[at + i] = static_cast<uint8_t>(big >> (8 * i));
        ExpectUnpackFails<EFatalUnzipError>(a.bytes, "cut short");
    }
    // Bytes that decode fine but to another CRC, and corrupt deflate data: errors, never
    // success with bad bytes.
    {
        BuiltEntry e{"ZIPDATA", text, 8};
        e.crcOverride = Crc(text) ^ 1;
        ExpectUnpackFails<EFatalUnzipError>(BuildArchive({e}).bytes, "crc");
        BuiltEntry s{"ZIPDATA", text, 0};
        s.crcOverride = 0;
        ExpectUnpackFails<EFatalUnzipError>(BuildArchive({s}).bytes, "stored crc");
        BuiltEntry c{"ZIPDATA", text, 8};
        c.rawOverride = RawDeflate(text);
        c.useRaw = true;
        c.rawOverride[c.rawOverride.size() / 2] ^= 0x5A;
        c.rawOverride[c.rawOverride.size() / 2 + 1] ^= 0xA5;
        ExpectUnpackFails<EFatalUnzipError>(BuildArchive({c}).bytes, "corrupt deflate");
        BuiltEntry t{"ZIPDATA", Bytes{}, 8};
        t.rawOverride = Bytes{0x07};   // block type 3
        t.useRaw = true;
        ExpectUnpackFails<EFatalUnzipError>(BuildArchive({t}).bytes, "bad block type");
    }
    // An unknown method.
    {
        BuiltEntry e{"ZIPDATA", text, 0};
        BuiltArchive a = BuildArchive({e});
        a.bytes[8] = 12;
        a.bytes[a.centralOffset + 10] = 12;
        ExpectUnpackFails<EFatalUnzipError>(a.bytes, "method 12");
    }
    // An end record that names another volume, with nobody to give one.
    {
        BuiltArchive a = BuildArchive({{"ZIPDATA", text, 8}});
        a.bytes[a.endOffset + 4] = 3;
        ExpectUnpackFails<EUserCanceled>(a.bytes, "volume");
    }
}

TEST(Packer, StreamModeIsOffAfterAnException)
{
    TMemoryStream bad(Bytes(10, 'x'));
    EXPECT_THROW(UnzipStreamInPlace(bad, ""), EIncompleteZip);
    EXPECT_FALSE(ZipStreamActive);
    const Bytes payload = TextBytes(1234);
    EXPECT_EQ(Unpack(Pack(payload)), payload);
}

TEST(Packer, AFileNamedZipstreamHasNoEffect)
{
    ScratchDir dir;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const Bytes junk = ToBytes("not an archive");
    Spit(dir / "ZIPSTREAM", junk);
    const Bytes payload = TextBytes(999);
    const Bytes archive = Pack(payload);
    EXPECT_EQ(Unpack(archive), payload);
    EXPECT_EQ(Slurp(dir / "ZIPSTREAM"), junk);
    std::filesystem::current_path(cwd);
}

TEST(Packer, TwoZipdataEntriesInDifferentDirectories)
{
    const Bytes one = ToBytes("first part;"), two = ToBytes("second part");
    BuiltArchive a = BuildArchive({{"a/ZIPDATA", one, 8}, {"other.bin", ToBytes("x")}, {"b/zipdata", two, 0}});
    Bytes both = one;
    both.insert(both.end(), two.begin(), two.end());
    EXPECT_EQ(Unpack(a.bytes), both);
}

TEST(Packer, PythonReadsThePayloadArchive)
{
    if (!HaveTool("python3"))
        GTEST_SKIP() << "python3 missing";
    ScratchDir dir;
    const Bytes payload = TextBytes(100000);
    Spit(dir / "p.zip", Pack(payload));
    Spit(dir / "p.bin", payload);
    std::string out;
    const std::string script =
        "import zipfile,sys\n"
        "z=zipfile.ZipFile(sys.argv[1])\n"
        "assert z.testzip() is None\n"
        "assert z.namelist()==['ZIPDATA']\n"
        "assert z.read('ZIPDATA')==open(sys.argv[2],'rb').read()\n"
        "print('ok')\n";
    Spit(dir / "check.py", ToBytes(script));
    EXPECT_EQ(RunCommand("python3 " + Quote(dir / "check.py") + " " + Quote(dir / "p.zip") + " " + Quote(dir / "p.bin"), &out), 0)
        << out;
}

TEST(Packer, DamagedArchivesFailCleanly)
{
    // Random damage anywhere: either the right bytes, an empty result or one of the
    // component's exceptions; never a crash or success with other bytes.
    const Bytes payload = TextBytes(6000);
    const Bytes plain = Pack(payload), encrypted = Pack(payload, "pw");
    std::mt19937 rng(42);
    int errors = 0;
    for (int round = 0; round < 1500; ++round) {
        const bool enc = round % 3 == 0;
        Bytes damaged = enc ? encrypted : plain;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips; ++i)
            damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        if (round % 7 == 0)
            damaged.resize(rng() % damaged.size());
        TMemoryStream s(damaged);
        try {
            UnzipStreamInPlace(s, enc ? "pw" : "");
            EXPECT_TRUE(s.GetSize() == 0 || s.Bytes() == payload) << round;
        } catch (const Exception&) {
            ++errors;
            EXPECT_EQ(s.Bytes(), damaged) << round;
        }
        EXPECT_FALSE(ZipStreamActive);
    }
    EXPECT_GT(errors, 0);
}
