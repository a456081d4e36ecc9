// The data file with its payload packed by the program's own packer, checked against
// independent ZIP readers (Python's zipfile, Info-ZIP unzip).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "GoldenFile.h"
#include "platform/FileSizeLimit.h"
#include "RandomOutline.h"
#include "taskdb/PayloadPacking.h"
#include "zip/ZipExceptions.h"

namespace {

namespace fs = std::filesystem;

int32_t I32At(const std::vector<uint8_t>& b, size_t at)
{
    return int32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
}

std::vector<uint8_t> RunCapture(const std::string& command)
{
    std::vector<uint8_t> out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        out.insert(out.end(), buf, buf + n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

class PackedPayloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TRandomOutline random(7);
        random.Fill(db, 300);
        db.OutlookFolderPath = "\\\\Mailbox\\Tasks";
    }
    void TearDown() override { fs::remove(zipPath); }

    TClockOverride clock{45100.0};
    TTovrinDataBase db;
    fs::path zipPath = fs::temp_directory_path() /
                       ("tovrin-payload-" + std::to_string(::getpid()) + ".zip");
};

TEST_F(PackedPayloadTest, PayloadIsAOneEntryArchiveOfTheRecordsThatLoadsBack)
{
    std::vector<uint8_t> plain;
    {
        TPayloadPackingOverride passThrough;
        plain = SaveBytes(db);
    }
    const std::vector<uint8_t> packed = SaveBytes(db);
    const int32_t plainSize = I32At(plain, 22);
    const int32_t packedSize = I32At(packed, 22);
    ASSERT_GT(packedSize, 0);
    ASSERT_EQ(packed.size(), size_t(26) + size_t(packedSize) + (plain.size() - 26 - size_t(plainSize)));
    // Header and trailer are those of the unpacked file.
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 22, packed.begin()));
    EXPECT_TRUE(std::equal(plain.begin() + 26 + plainSize, plain.end(),
                           packed.begin() + 26 + packedSize));

    const std::vector<uint8_t> records(plain.begin() + 26, plain.begin() + 26 + plainSize);
    {
        TMemoryStream archive{std::vector<uint8_t>(packed.begin() + 26,
                                                   packed.begin() + 26 + packedSize)};
        archive.SaveToFile(zipPath.string());
    }
    const std::string name = zipPath.string();
    EXPECT_EQ(RunCapture("python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                         "assert z.namelist() == ['ZIPDATA'], z.namelist(); "
                         "sys.stdout.buffer.write(z.read('ZIPDATA'))\" '" + name + "'"),
              records);
    EXPECT_EQ(RunCapture("unzip -p '" + name + "' ZIPDATA"), records);

    TTovrinDataBase other;   // and our own reader unpacks it
    LoadBytes(other, packed);
    EXPECT_EQ(SaveBytes(other), packed);
}

TEST_F(PackedPayloadTest, DamagedArchiveIsReportedNotCrashed)
{
    const std::vector<uint8_t> good = SaveBytes(db);
    const int32_t n = I32At(good, 22);
    TTovrinDataBase other;
    for (int32_t at = 0; at < n; at += std::max(1, n / 97)) {
        std::vector<uint8_t> bytes = good;
        bytes[26 + static_cast<size_t>(at)] ^= 0x5A;
        try {
            LoadBytes(other, bytes);
        } catch (const ExInvalidFileFormat&) {
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Can not read the file. Invalid password?") << "at " << at;
        }
    }
}

TEST_F(PackedPayloadTest, CentralRecordsThatShareTheEntryAreRefusedBeforeUnpacking)
{
    // The one central record of the payload (53 bytes) three times, on volumes 0, 1 and 2;
    // each used to unpack the whole payload again.
    const std::vector<uint8_t> good = SaveBytes(db);
    const size_t n = size_t(I32At(good, 22)), central = 26 + n - 22 - 53;
    std::vector<uint8_t> archive(good.begin() + 26, good.begin() + long(central));
    for (uint8_t volume = 0; volume < 3; ++volume) {
        archive.insert(archive.end(), good.begin() + long(central), good.begin() + long(central) + 53);
        archive[archive.size() - 53 + 34] = volume;
    }
    archive.insert(archive.end(), good.begin() + long(central) + 53, good.begin() + 26 + long(n));
    uint8_t* end = archive.data() + archive.size() - 22;
    end[8] = end[10] = 3;   // entries on this volume and in all
    end[12] = 3 * 53;       // size of the central directory
    std::vector<uint8_t> bytes(good.begin(), good.begin() + 22);
    const int32_t size = int32_t(archive.size());
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(size >> (8 * i)));
    bytes.insert(bytes.end(), archive.begin(), archive.end());
    bytes.insert(bytes.end(), good.begin() + 26 + long(n), good.end());

    TTovrinDataBase other;
    try {
        LoadBytes(other, bytes);
        ADD_FAILURE() << "loaded";
    } catch (const ExInvalidFileFormat& e) {
        EXPECT_EQ(e.Message(), "Invalid file format: the file is damaged (Damaged central directory: ZIPDATA and "
                               "ZIPDATA overlap)");
    }
    EXPECT_EQ(other.Root->Children.Count(), 0);
}

TEST_F(PackedPayloadTest, AFullDiskDuringASaveNamesTheFileAndTheReason)
{
    const auto save = [this](const std::string& name) {
        return [this, name] {
            TFileStream file(name, TFileMode::fmCreate);   // the stream a save writes through
            db.SaveToStream(file, "", 3);
        };
    };
    try {
        save("/dev/full")();
        ADD_FAILURE() << "saved";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error: /dev/full: No space left on device");
    }
    const std::string limited = zipPath.string();
    EXPECT_EQ(MessageUnderFileSizeLimit(1000, save(limited)), "Stream write error: " + limited + ": File too large");
}

} // namespace
