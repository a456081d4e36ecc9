#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/FileUtils.h"
#include "zip/ZipFileUtils.h"
#include "zip/ZipTestSupport.h"

namespace {

std::vector<std::string> Walk(const std::string& dir, bool recurse, const std::string& mask)
{
    TDirSearch search(dir, recurse, mask);
    std::vector<std::string> names;
    TZipSearchRec rec;
    std::string name;
    for (search.NextFile(rec, name); !name.empty(); search.NextFile(rec, name)) {
        EXPECT_EQ(rec.Name, std::filesystem::path(name).filename().string());
        names.push_back(name.substr(dir.size() + 1));
    }
    search.NextFile(rec, name);
    EXPECT_TRUE(name.empty()) << "once over, the walk stays over";
    return names;
}

}  // namespace

TEST(ZipFileUtils, PercentagesRoundHalfToEven)
{
    const int64_t cases[][3] = {{0, 5, 0}, {-3, 5, 0}, {2, 3, 100}, {3, 1, 33}, {8, 1, 12}, {8, 3, 38}};
    for (const auto& c : cases)
        EXPECT_EQ(Percentage(int(c[0]), int(c[1])), c[2]) << c[0] << " " << c[1];
    EXPECT_EQ(Percentage64(0, 1), 0);
    EXPECT_EQ(Percentage64(int64_t(1) << 40, int64_t(1) << 39), 50);
    EXPECT_EQ(Percentage64(10, 11), 100);

    TClockOverride clock(EncodeDate(2024, 3, 9) + EncodeTime(15, 45, 0, 0));
    EXPECT_EQ(FileDateOf("anything at all"), EncodeDate(2024, 3, 9)) << "today at midnight";
}

TEST(ZipFileUtils, DirectoriesAndPaths)
{
    TTempDir dir;
    EXPECT_TRUE(ForceDirectories(dir / "a/b/c")) << "extraction creates missing parents with it";
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    std::string current;
    EXPECT_THROW(ChangeDir(dir / "missing"), EInOutError);
    GetCurrentDir(0, current);
    EXPECT_EQ(current, std::filesystem::current_path().string());

    EXPECT_EQ(ShortOrLongPath(dir / "a/nope/b", false), dir / "a/nope/b");
    EXPECT_EQ(ShortOrLongPath(dir / "a/nope/b/", true), dir / "a/b/") << "missing parts are dropped";
    EXPECT_EQ(ShortOrLongPath(dir / "a/b/c", true), dir / "a/b/c");
}

TEST(ZipFileUtils, BlockCopy)
{
    TTempDir dir;
    WriteFileBytes(dir / "empty", {});
    CopyFileBlocks(dir / "empty", dir / "empty.copy");
    EXPECT_TRUE(std::filesystem::exists(dir / "empty.copy"));
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.copy"), 0u);

    const Bytes data = RandomBytes(5000);
    WriteFileBytes(dir / "data", data);
    WriteFileBytes(dir / "data.copy", Bytes(9000, 'x'));   // replaced whole
    CopyFileBlocks(dir / "data", dir / "data.copy");
    EXPECT_EQ(ReadFileBytes(dir / "data.copy"), data);

    EXPECT_THROW(CopyFileBlocks(dir / "missing", dir / "out"), EInOutError);
    EXPECT_THROW(CopyFileBlocks(dir / "data", dir / "no/such/dir/out"), EInOutError);
    // A device that takes no bytes: the short write is an error, not a quiet stop.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_THROW(CopyFileBlocks(dir / "data", "/dev/full"), EInOutError);
    }
}

TEST(ZipFileUtils, DirectorySearch)
{
    TTempDir dir;
    const std::string root = dir / "tree";
    for (const char* f : {"b.txt", "a.TXT", "README", "notes.md", "sub/c.txt", "sub/Makefile", "sub/inner/d.txt",
                          ".hidden/e.txt", "z/f.txt"})
        WriteFileBytes(root + "/" + f, ToBytes(f));
    std::filesystem::create_directories(root + "/emptydir");

    EXPECT_EQ(Walk(root, true, "*.txt"),
              (std::vector<std::string>{"a.TXT", "b.txt", "sub/c.txt", "sub/inner/d.txt", "z/f.txt"}));
    EXPECT_EQ(Walk(root, false, "*.txt"), (std::vector<std::string>{"a.TXT", "b.txt"}));
    // A mask ending in '.' selects exactly the names without an extension.
    EXPECT_EQ(Walk(root, true, "*."), (std::vector<std::string>{"README", "sub/Makefile"}));
    EXPECT_EQ(Walk(root, false, "*.*").size(), 4u);
    EXPECT_EQ(Walk(root + "/emptydir", true, "*.*"), std::vector<std::string>{});
    EXPECT_EQ(Walk(root + "/missing", true, "*.*"), std::vector<std::string>{});
    EXPECT_EQ(TSearchData(root, "*.*").Dir(), root + "/");
    EXPECT_TRUE(TSearchData(root + "/emptydir/", "*.*").NothingFound());

    // The walk goes twenty levels down and no further.
    std::string path = dir / "deep";
    for (int level = 0; level <= 24; ++level, path += "/d")
        WriteFileBytes(path + "/f" + std::to_string(level) + ".txt", ToBytes("x"));
    std::set<std::string> names;
    for (const auto& f : Walk(dir / "deep", true, "*.txt"))
        names.insert(std::filesystem::path(f).filename().string());
    EXPECT_EQ(names.size(), 21u);
    EXPECT_TRUE(names.count("f0.txt") && names.count("f20.txt"));
}
