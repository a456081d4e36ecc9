// The in-place packer of the data file's payload: round trips, the exact layout, and what
// every kind of damaged input gives.
#include <gtest/gtest.h>

#include <filesystem>

#include "zip/ZipTestSupport.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "zip/LFNFileStream.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipStream.h"

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
    s.SetPosition(int64_t(archive.size() / 2));
    EXPECT_THROW(UnzipStreamInPlace(s, ""), E) << what;
    EXPECT_EQ(s.Bytes(), archive) << what;
    EXPECT_FALSE(ZipStreamActive) << what;
}

void PutLe(Bytes& b, size_t at, uint32_t value, int n)
{
    for (int i = 0; i < n; ++i)
        b[at + size_t(i)] = uint8_t(value >> (8 * i));
}

}  // namespace

TEST(Packer, RoundTripsSizesAndKinds)
{
    for (size_t n : {0, 1, 3, 32768, 65273, 65274, 65275, 1 << 20})
        for (const Bytes& payload : {PseudoText(n), RandomBytes(n, uint32_t(n)), Bytes(n, 0)})
            for (const std::string password : {"", "secret"})
                EXPECT_EQ(Unpack(Pack(payload, password), password), payload) << n << " " << password;
}

TEST(Packer, LayoutOfThePackedPayload)
{
    const Bytes payload = PseudoText(5000);
    TClockOverride clock(EncodeDate(2024, 3, 15) + EncodeTime(13, 45, 10, 0));
    const uint32_t dosTime = DateTimeToDosDateTime(EncodeDate(2024, 3, 15));   // the time of day is dropped
    for (const std::string password : {"", "pw"}) {
        const Bytes a = Pack(payload, password);
        const uint32_t csize = GetLe(a, 18, 4), central = 37 + csize;
        ASSERT_EQ(a.size(), central + 46 + 7 + 22);
        // Flags, method, time, CRC, sizes, name and extra lengths: the same in both records.
        const Bytes common = TLe().u16(password.empty() ? 0 : 1).u16(8).u32(dosTime).u32(ZlibCrc(payload)).u32(csize)
                                 .u32(uint32_t(payload.size())).u16(7).u16(0).b;
        const uint16_t internal = uint16_t(GetLe(a, central + 36, 2));
        const Bytes expected = TLe().u32(0x04034B50).u16(20).raw(common).str("ZIPDATA").raw(Slice(a, 37, csize))
                                   .u32(0x02014B50).u16(20).u16(20).raw(common).u16(0).u16(0).u16(internal).u32(0x20)
                                   .u32(0).str("ZIPDATA")
                                   .u32(0x06054B50).u16(0).u16(0).u16(1).u16(1).u32(53).u32(central).u16(0).b;
        EXPECT_EQ(a, expected) << password;
        Bytes inflated;
        EXPECT_TRUE(!password.empty() || (ZlibInflateRaw(Slice(a, 37, csize), payload.size(), inflated) &&
                                          inflated == payload)) << "zlib reads our deflate data back";
    }
}

TEST(Packer, EncryptionHeaderAndSizes)
{
    const Bytes payload = PseudoText(3000);
    const Bytes enc = Pack(payload, "pw");
    EXPECT_EQ(GetLe(enc, 18, 4), GetLe(Pack(payload), 18, 4) + 12);
    // Decrypt the 12-byte header with the application note's cipher, written out here.
    uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
    const auto crc1 = [](uint32_t c, uint8_t b) {
        c ^= b;
        for (int i = 0; i < 8; ++i)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        return c;
    };
    const auto update = [&](uint8_t p) {
        k0 = crc1(k0, p);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = crc1(k2, uint8_t(k1 >> 24));
    };
    update('p');
    update('w');
    uint8_t last = 0;
    for (int i = 0; i < 12; ++i) {
        const uint32_t t = (k2 | 2) & 0xFFFF;
        update(last = enc[37 + size_t(i)] ^ uint8_t((t * (t ^ 1)) >> 8));
    }
    EXPECT_EQ(last, uint8_t(ZlibCrc(payload) >> 24));
    EXPECT_NE(Pack(payload, "pw"), enc) << "the header's random bytes differ";
}

TEST(Packer, EmptyInputAndToForms)
{
    const Bytes a = Pack({});
    EXPECT_EQ(GetLe(a, 8, 2), 0u);   // stored whole
    EXPECT_EQ(GetLe(a, 18, 4), 0u);
    EXPECT_EQ(a.size(), 30u + 7 + 46 + 7 + 22);
    EXPECT_TRUE(Unpack(a).empty());
    TMemoryStream empty;
    UnzipStreamInPlace(empty, "x");
    EXPECT_EQ(empty.GetSize(), 0);

    // The To forms leave the source alone; an empty archive leaves the target alone.
    const Bytes payload = PseudoText(777);
    TMemoryStream src(payload), archive, back, untouched(Bytes{1, 2, 3});
    ZipStreamTo(src, archive, "");
    EXPECT_EQ(src.Bytes(), payload);
    UnzipStreamTo(archive, back, "");
    EXPECT_EQ(back.Bytes(), payload);
    UnzipStreamTo(empty, untouched, "");
    EXPECT_EQ(untouched.Bytes(), (Bytes{1, 2, 3}));
}

TEST(Packer, PassPhrases)
{
    const Bytes payload = PseudoText(20000);
    EXPECT_EQ(Unpack(Pack(payload), "whatever"), payload) << "packed without: any pass phrase reads it";
    // A wrong pass phrase gives the empty result, whether or not the check byte agrees.
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(Unpack(Pack(payload, "right"), "wrong" + std::to_string(i)).empty()) << i;
    EXPECT_TRUE(Unpack(Pack(payload, "right"), "").empty());
}

TEST(Packer, FailureTable)
{
    const Bytes text = PseudoText(4000);
    // Without an end record: 1 to 21 bytes, and bytes with no signature at all.
    for (size_t n = 1; n <= 21; ++n)
        ExpectUnpackFails<EIncompleteZip>(Bytes(n, 'x'), "short " + std::to_string(n));
    ExpectUnpackFails<EIncompleteZip>(RandomBytes(100000), "noise");

    EXPECT_TRUE(Unpack(BuildArchive({{"other.txt", text}}).bytes).empty()) << "no ZIPDATA";
    EXPECT_EQ(Unpack(BuildArchive({{"ZIPDATA", text, 8}}).bytes, "pw"), text) << "not encrypted, any pass phrase";

    const BuiltArchive one = BuildArchive({{"ZIPDATA", text, 8}});
    // A central directory offset that points elsewhere: rebuilt from the local headers.
    Bytes moved = one.bytes;
    moved[one.endOffset + 16] ^= 0x01;
    EXPECT_EQ(Unpack(moved), text);
    // Two central records for one local header.
    BuiltArchive twice = BuildArchive({{"ZIPDATA", text, 8}, {"ZIPDATA", text, 8}});
    PutLe(twice.bytes, twice.centralOffset + 46 + 7 + 42, GetLe(twice.bytes, twice.centralOffset + 42, 2), 2);
    ExpectUnpackFails<EListError>(twice.bytes, "duplicate");
    // A directory that claims more records than it holds.
    Bytes claims = one.bytes;
    PutLe(claims, one.endOffset + 8, 0x00020002, 4);
    ExpectUnpackFails<EFatalUnzipError>(claims, "short directory");
    // A central record that points at no local header.
    Bytes pointsNowhere = one.bytes;
    pointsNowhere[one.centralOffset + 42] = 5;
    ExpectUnpackFails<EFatalUnzipError>(pointsNowhere, "bad local offset");
    // Compressed data cut short: the size claims more than the archive holds.
    Bytes cut = one.bytes;
    for (size_t at : {size_t(18), size_t(one.centralOffset + 20)})
        PutLe(cut, at, GetLe(one.bytes, 18, 4) + 100000, 4);
    ExpectUnpackFails<EFatalUnzipError>(cut, "cut short");
    // Output past the recorded size and ZIP64 markers are refused, saying why; the markers
    // before any decoding. An entry of an unknown method (99 is AES, whose entries are also
    // marked encrypted) is shown in a box and left out: the stream comes back empty.
    const BuiltArchive stored = BuildArchive({{"ZIPDATA", text, 0}});
    Bytes method12 = stored.bytes, aes = stored.bytes, zip64Size = stored.bytes, zip64Offset = stored.bytes;
    method12[8] = method12[stored.centralOffset + 10] = 12;
    aes[8] = aes[stored.centralOffset + 10] = 99;
    aes[6] = aes[stored.centralOffset + 8] = 1;
    PutLe(zip64Size, stored.centralOffset + 24, 0xFFFFFFFFu, 4);
    PutLe(zip64Offset, stored.endOffset + 16, 0xFFFFFFFFu, 4);
    BuiltEntry pastSize{"ZIPDATA", Bytes(1 << 20, 0), 8};
    pastSize.sizeOverride = 10;
    const std::pair<Bytes, std::string> refused[] = {
        {BuildArchive({pastSize}).bytes, "Corrupt compressed data: uncompressed size does not match in ZIPDATA"},
        {zip64Size, "ZIP64 archives are not supported: ZIPDATA"},
        {zip64Offset, "ZIP64 archives are not supported"}};
    for (const auto& [bytes, message] : refused) {
        TMemoryStream s(bytes);
        try {
            UnzipStreamInPlace(s, "pw");
            ADD_FAILURE() << message;
        } catch (const EFatalUnzipError& e) {
            EXPECT_EQ(e.Message(), message);
            EXPECT_EQ(s.Bytes(), bytes) << message;
        }
    }
    for (const auto& [bytes, message] : {std::pair{method12, "Unknown Compression Method 12 in ZIPDATA"},
                                         std::pair{aes, "Unknown Compression Method 99 (AES encryption) in ZIPDATA"}}) {
        TRecordingZipHost host;
        TZipHostScope scope(host);
        EXPECT_TRUE(Unpack(bytes, "pw").empty()) << message;
        EXPECT_EQ(host.Asked, std::vector<std::string>{std::string("Zip Error: ") + message});
    }
    // An end record that names another volume, with nobody to give one.
    Bytes volume = one.bytes;
    volume[one.endOffset + 4] = 3;
    ExpectUnpackFails<EUserCanceled>(volume, "volume");

    // Bytes that decode to another CRC, and corrupt deflate data: errors, never success with bad bytes.
    BuiltEntry crc{"ZIPDATA", text, 8}, storedCrc{"ZIPDATA", text, 0}, corrupt{"ZIPDATA", text, 8},
        type3{"ZIPDATA", Bytes{}, 8};
    crc.crcOverride = ZlibCrc(text) ^ 1;
    storedCrc.crcOverride = 0;
    corrupt.useRaw = type3.useRaw = true;
    corrupt.rawOverride = RawDeflate(text);
    corrupt.rawOverride[corrupt.rawOverride.size() / 2] ^= 0x5A;
    corrupt.rawOverride[corrupt.rawOverride.size() / 2 + 1] ^= 0xA5;
    type3.rawOverride = Bytes{0x07};
    // Recorded sizes that the data pass or fall short of, whatever the CRC says.
    BuiltEntry past{"ZIPDATA", text, 8}, storedPast{"ZIPDATA", text, 0}, shortOf{"ZIPDATA", text, 8},
        storedShort{"ZIPDATA", text, 0};
    past.sizeOverride = storedPast.sizeOverride = 10;
    shortOf.sizeOverride = storedShort.sizeOverride = int64_t(text.size()) + 1;
    const std::pair<const char*, BuiltEntry> bad[] = {
        {"crc", crc}, {"stored crc", storedCrc}, {"corrupt", corrupt}, {"block type 3", type3},
        {"past size", past}, {"stored past size", storedPast}, {"short of size", shortOf},
        {"stored short of size", storedShort}};
    for (const auto& [what, e] : bad)
        ExpectUnpackFails<EFatalUnzipError>(BuildArchive({e}).bytes, what);
}

// Stream mode being off after a failure is checked by every failing case above.
TEST(Packer, StreamModeIgnoresAFileOfItsName)
{
    TTempDir dir;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    WriteFileBytes(dir / "ZIPSTREAM", ToBytes("not an archive"));
    const Bytes payload = PseudoText(999);
    EXPECT_EQ(Unpack(Pack(payload)), payload);
    EXPECT_EQ(ReadFileBytes(dir / "ZIPSTREAM"), ToBytes("not an archive"));
    std::filesystem::current_path(cwd);
}

TEST(Packer, TwoZipdataEntriesInDifferentDirectories)
{
    const Bytes one = ToBytes("first part;"), two = ToBytes("second part");
    const BuiltArchive a = BuildArchive({{"a/ZIPDATA", one, 8}, {"other.bin", ToBytes("x")}, {"b/zipdata", two, 0}});
    EXPECT_EQ(Unpack(a.bytes), Concat({one, two}));
}

TEST(Packer, DamagedArchivesFailCleanly)
{
    // Random damage anywhere: either the right bytes, an empty result or one of the
    // component's exceptions; never a crash or success with other bytes.
    const Bytes payload = PseudoText(6000);
    const Bytes plain = Pack(payload), encrypted = Pack(payload, "pw");
    std::mt19937 rng(42);
    int errors = 0;
    for (int round = 0; round < 1500; ++round) {
        const bool enc = round % 3 == 0;
        Bytes damaged = enc ? encrypted : plain;
        for (int i = 0, flips = 1 + int(rng() % 4); i < flips; ++i)
            damaged[rng() % damaged.size()] ^= uint8_t(1 + rng() % 255);
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
