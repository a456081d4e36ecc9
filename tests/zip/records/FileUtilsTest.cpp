#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "RecordsTestSupport.h"
#include "platform/DateTime.h"
#include "zip/ZipFileUtils.h"

namespace {

std::vector<std::string> Walk(const std::string& dir, bool recurse, const std::string& mask)
{
    TDirSearch search(dir, recurse, mask);
    std::vector<std::string> names;
    TZipSearchRec rec;
    std::string name;
    for (;;) {
        search.NextFile(rec, name);
        if (name.empty())
            break;
        EXPECT_EQ(rec.Name, std::filesystem::path(name).filename().string());
        names.push_back(name.substr(dir.size() + 1));
    }
    // Once over, the walk stays over.
    search.NextFile(rec, name);
    EXPECT_TRUE(name.empty());
    return names;
}

}  // namespace

TEST(ZipFileUtils, PercentagesAndStringParts)
{
    EXPECT_EQ(Percentage(0, 5), 0);
    EXPECT_EQ(Percentage(-3, 5), 0);
    EXPECT_EQ(Percentage(2, 3), 100);
    EXPECT_EQ(Percentage(3, 1), 33);
    EXPECT_EQ(Percentage(8, 1), 12);   // 12.5 to even
    EXPECT_EQ(Percentage(8, 3), 38);   // 37.5 to even
    EXPECT_EQ(Percentage64(0, 1), 0);
    EXPECT_EQ(Percentage64(int64_t(1) << 40, int64_t(1) << 39), 50);
    EXPECT_EQ(Percentage64(10, 11), 100);

    EXPECT_EQ(RightStr("abc", 5), "abc");
    EXPECT_EQ(RightStr("abcdef", 2), "ef");
    EXPECT_EQ(LeftStr("abc", 0), "");
    EXPECT_EQ(LeftStr("abc", 2), "ab");

    for (const char* s : {"*.txt", "a?c", "[ab]", "x]"})
        EXPECT_TRUE(HasWildcards(s)) << s;
    EXPECT_FALSE(HasWildcards("plain.name"));

    char buffer[] = "a\\b/c";
    SlashSeparators(buffer);
    EXPECT_STREQ(buffer, "a/b/c");
    BackslashSeparators(buffer);
    EXPECT_STREQ(buffer, "a\\b\\c");
    EXPECT_TRUE(MemoryEqual(nullptr, nullptr, 0));
    EXPECT_EQ(GetVolumeLabel("/"), "");
}

TEST(ZipFileUtils, FileDateIsTodayAtMidnight)
{
    TClockOverride clock(EncodeDate(2024, 3, 9) + EncodeTime(15, 45, 0, 0));
    EXPECT_EQ(FileDateOf("anything at all"), EncodeDate(2024, 3, 9));
}

TEST(ZipFileUtils, DirectoriesAndPaths)
{
    TTempDir dir;
    EXPECT_TRUE(CreateDirectories(dir / "a/b/c"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    std::string current;
    GetCurrentDir(0, current);
    EXPECT_EQ(current, std::filesystem::current_path().string());
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
    WriteFileBytes(dir / "empty", "");
    CopyFileBlocks(dir / "empty", dir / "empty.copy");
    EXPECT_TRUE(std::filesystem::exists(dir / "empty.copy"));
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.copy"), 0u);

    std::string data;
    for (int i = 0; i < 5000; ++i)
        data += static_cast<char>(i * 7);
    WriteFileBytes(dir / "data", data);
    WriteFileBytes(dir / "data.copy", std::string(9000, 'x'));   // replaced whole
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
    const std::string root = (dir / "tree");
    for (const char* f : {"b.txt", "a.TXT", "README", "notes.md", "sub/c.txt", "sub/Makefile", "sub/inner/d.txt",
                          ".hidden/e.txt", "z/f.txt"})
        WriteFileBytes(root + "/" + f, f);
    std::filesystem::create_directories(root + "/emptydir");

    EXPECT_EQ(Walk(root, true, "*.txt"),
              (std::vector<std::string>{"a.TXT", "b.txt", "sub/c.txt", "sub/inner/d.txt", "z/f.txt"}));
    EXPECT_EQ(Walk(root, false, "*.txt"), (std::vector<std::string>{"a.TXT", "b.txt"}));
    // A mask ending in '.' selects exactly the names without an extension, returned without it.
    EXPECT_EQ(Walk(root, true, "*."), (std::vector<std::string>{"README", "sub/Makefile"}));
    EXPECT_EQ(Walk(root, false, "*.*").size(), 4u);
    EXPECT_EQ(Walk(root + "/emptydir", true, "*.*"), std::vector<std::string>{});
    EXPECT_EQ(Walk(root + "/missing", true, "*.*"), std::vector<std::string>{});

    TSearchData level(root, "*.*");
    EXPECT_EQ(level.Dir(), root + "/");
    EXPECT_FALSE(level.NothingFound());
    TSearchData none(root + "/emptydir/", "*.*");
    EXPECT_TRUE(none.NothingFound());
    EXPECT_FALSE(none.HasEntry());
}

TEST(ZipFileUtils, DirectorySearchGoesTwentyLevelsDown)
{
    TTempDir dir;
    std::string path = dir / "deep";
    for (int level = 0; level <= 24; ++level) {
        WriteFileBytes(path + "/f" + std::to_string(level) + ".txt", "x");
        path += "/d";
    }
    const auto found = Walk(dir / "deep", true, "*.txt");
    std::set<std::string> names;
    for (const auto& f : found)
        names.insert(std::filesystem::path(f).filename().string());
    EXPECT_EQ(found.size(), 21u);
    EXPECT_TRUE(names.count("f0.txt") && names.count("f20.txt"));
    EXPECT_FALSE(names.count("f21.txt"));
}
