#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "zip/SortedZip.h"

namespace {

TZipHeaderInfo* Entry(const std::string& name, uint32_t offset = 0, uint32_t csize = 0, uint32_t usize = 0)
{
    auto* h = new TZipHeaderInfo;
    h->SetFullName(name);
    h->RelativeOffsetOfLocalHeader = offset;
    h->CompressedSize = csize;
    h->UncompressedSize = usize;
    return h;
}

std::vector<std::string> Names(const TSortedZip& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list[i]->Directory() + list[i]->FileName());
    return names;
}

uint32_t Dos(int year, int month, int day, int hour)
{
    return (uint32_t(((year - 1980) << 9) | (month << 5) | day) << 16) | uint32_t(hour << 11);
}

}  // namespace

TEST(SortedZip, Rate)
{
    TZipHeaderInfo h;
    EXPECT_EQ(TSortedZip::Rate(h), 0);
    h.UncompressedSize = 200;
    h.CompressedSize = 50;
    EXPECT_EQ(TSortedZip::Rate(h), 25);
    h.CompressedSize = 260;
    EXPECT_EQ(TSortedZip::Rate(h), 100) << "an entry that grew";
    h.UncompressedSize = 8;
    h.CompressedSize = 1;   // 12.5
    EXPECT_EQ(TSortedZip::Rate(h), 12);
    h.CompressedSize = 3;   // 37.5
    EXPECT_EQ(TSortedZip::Rate(h), 38);
    h.UncompressedSize = 0xFFFFFFFFu;
    h.CompressedSize = 0x7FFFFFFFu;
    EXPECT_EQ(TSortedZip::Rate(h), 50);
}

TEST(SortedZip, ArchiveOrderAndDuplicates)
{
    TSortedZip list(dupError);
    EXPECT_EQ(list.SortMode, TZipSortMode::ByNone);
    list.Add(Entry("c", 100));
    list.Add(Entry("a", 0));
    list.Add(Entry("b", 50));
    TZipHeaderInfo* far = Entry("far", 0x90000000u);
    list.Add(far);
    TZipHeaderInfo* otherDisk = Entry("disk1", 10);
    otherDisk->DiskNumberStart = 1;
    list.Add(otherDisk);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c", "far", "disk1"}));

    std::unique_ptr<TZipHeaderInfo> twin(Entry("twin", 50));
    try {
        list.Add(twin.get());
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "Duplicate Object index");
    }
    int index = -1;
    EXPECT_TRUE(list.Find(twin.get(), index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(list.Count(), 5);
}

TEST(SortedZip, NamesAscendIgnoringCase)
{
    TSortedZip byName(dupAccept);
    byName.SortMode = TZipSortMode::ByName;
    for (const char* n : {"B", "a", "C", "dir\\a", "Dir\\0"})
        byName.Add(Entry(n));
    EXPECT_EQ(Names(byName), (std::vector<std::string>{"a", "B", "C", "Dir\\0", "dir\\a"}));

    TSortedZip byFile(dupAccept);
    byFile.SortMode = TZipSortMode::ByFileName;
    for (const char* n : {"x\\b", "y\\A", "a\\c"})
        byFile.Add(Entry(n));
    EXPECT_EQ(Names(byFile), (std::vector<std::string>{"y\\A", "x\\b", "a\\c"}));

    TSortedZip byDir(dupAccept);
    byDir.SortMode = TZipSortMode::ByDirectoryName;
    for (const char* n : {"Z\\1", "a\\2", "3"})
        byDir.Add(Entry(n));
    EXPECT_EQ(Names(byDir), (std::vector<std::string>{"3", "a\\2", "Z\\1"}));

    // Ignoring duplicates by name drops a name that differs only in case.
    TSortedZip unique(dupIgnore);
    unique.SortMode = TZipSortMode::ByName;
    unique.Add(Entry("readme.txt"));
    std::unique_ptr<TZipHeaderInfo> same(Entry("README.TXT"));
    EXPECT_EQ(unique.Add(same.get()), -1);
    EXPECT_EQ(unique.Count(), 1);
}

TEST(SortedZip, SizesDescendAndKeepInsertionOrderOfEquals)
{
    TSortedZip list(dupError);   // sizes never compare equal, so no duplicate error
    list.SortMode = TZipSortMode::ByCompressedSize;
    list.Add(Entry("ten", 0, 10));
    list.Add(Entry("thirty", 0, 30));
    list.Add(Entry("twenty", 0, 20));
    list.Add(Entry("twenty-2", 0, 20));
    list.Add(Entry("huge", 0, 0x90000000u));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"huge", "thirty", "twenty", "twenty-2", "ten"}));

    TSortedZip byOriginal(dupAccept);
    byOriginal.SortMode = TZipSortMode::ByUnCompressedSize;
    byOriginal.Add(Entry("small", 0, 0, 1));
    byOriginal.Add(Entry("big", 0, 0, 0xFFFFFFF0u));
    byOriginal.Add(Entry("mid", 0, 0, 500));
    EXPECT_EQ(Names(byOriginal), (std::vector<std::string>{"big", "mid", "small"}));
}

TEST(SortedZip, DatesNewestFirstAndRatesHighestFirst)
{
    TSortedZip byDate(dupAccept);
    byDate.SortMode = TZipSortMode::ByDate;
    TZipHeaderInfo* old = Entry("old");
    old->LastModFileTimeDate = Dos(1999, 1, 1, 0);
    TZipHeaderInfo* fresh = Entry("new");
    fresh->LastModFileTimeDate = Dos(2024, 6, 1, 12);
    TZipHeaderInfo* broken = Entry("broken");
    broken->LastModFileTimeDate = 0xFFFFFFFFu;   // month 15: no date, counts as 0
    TZipHeaderInfo* sameDay = Entry("new-2");
    sameDay->LastModFileTimeDate = Dos(2024, 6, 1, 12);
    for (TZipHeaderInfo* h : {old, broken, fresh, sameDay})
        byDate.Add(h);
    EXPECT_EQ(Names(byDate), (std::vector<std::string>{"new", "new-2", "old", "broken"}));

    TSortedZip byRate(dupAccept);
    byRate.SortMode = TZipSortMode::ByRate;
    byRate.Add(Entry("r25", 0, 50, 200));
    byRate.Add(Entry("r0", 0, 0, 0));
    byRate.Add(Entry("r100", 0, 300, 200));
    byRate.Add(Entry("r50", 0, 100, 200));
    EXPECT_EQ(Names(byRate), (std::vector<std::string>{"r100", "r50", "r25", "r0"}));
}
