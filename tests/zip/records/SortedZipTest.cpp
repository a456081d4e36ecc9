#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "zip/SortedZip.h"

namespace {

struct TRow {
    std::string Name;
    uint32_t Offset = 0, CompressedSize = 0, UncompressedSize = 0, Time = 0;
    uint16_t Disk = 0;
};

TZipHeaderInfo* Entry(const TRow& s)
{
    auto* h = new TZipHeaderInfo;
    h->SetFullName(s.Name);
    h->RelativeOffsetOfLocalHeader = s.Offset;
    h->CompressedSize = s.CompressedSize;
    h->UncompressedSize = s.UncompressedSize;
    h->LastModFileTimeDate = s.Time;
    h->DiskNumberStart = s.Disk;
    return h;
}

std::vector<std::string> Sorted(TZipSortMode mode, const std::vector<TRow>& rows, uint8_t dups = dupAccept)
{
    TSortedZip list(dups);
    list.SortMode = mode;
    for (const TRow& s : rows)
        list.Add(Entry(s));
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list[i]->Directory() + list[i]->FileName());
    return names;
}

uint32_t Dos(int year, int month, int day, int hour)
{
    return (uint32_t(((year - 1980) << 9) | (month << 5) | day) << 16) | uint32_t(hour << 11);
}

using Names = std::vector<std::string>;

}  // namespace

TEST(SortedZip, RateRoundsHalfToEvenAndCapsAt100)
{
    const uint32_t cases[][3] = {{0, 0, 0},   {200, 50, 25}, {200, 260, 100}, {8, 1, 12},
                                 {8, 3, 38}, {0xFFFFFFFFu, 0x7FFFFFFFu, 50}};
    for (const auto& c : cases) {
        TZipHeaderInfo h;
        h.UncompressedSize = c[0];
        h.CompressedSize = c[1];
        EXPECT_EQ(TSortedZip::Rate(h), int(c[2])) << c[0] << "/" << c[1];
    }
}

TEST(SortedZip, ArchiveOrderAndDuplicates)
{
    TSortedZip list(dupError);
    EXPECT_EQ(list.SortMode, TZipSortMode::ByNone);
    for (const TRow& s : std::vector<TRow>{{"c", 100}, {"a", 0}, {"b", 50}, {"far", 0x90000000u}, {"disk1", 10, 0, 0, 0, 1}})
        list.Add(Entry(s));
    Names names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(list[i]->FileName());
    EXPECT_EQ(names, (Names{"a", "b", "c", "far", "disk1"}));

    std::unique_ptr<TZipHeaderInfo> twin(Entry({"twin", 50}));
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

    // Ignoring duplicates by name drops a name that differs only in case.
    TSortedZip unique(dupIgnore);
    unique.SortMode = TZipSortMode::ByName;
    unique.Add(Entry({"readme.txt"}));
    std::unique_ptr<TZipHeaderInfo> same(Entry({"README.TXT"}));
    EXPECT_EQ(unique.Add(same.get()), -1);
    EXPECT_EQ(unique.Count(), 1);
}

TEST(SortedZip, SortModes)
{
    using M = TZipSortMode;
    EXPECT_EQ(Sorted(M::ByName, {{"B"}, {"a"}, {"C"}, {"dir\\a"}, {"Dir\\0"}}), (Names{"a", "B", "C", "Dir\\0", "dir\\a"}));
    EXPECT_EQ(Sorted(M::ByFileName, {{"x\\b"}, {"y\\A"}, {"a\\c"}}), (Names{"y\\A", "x\\b", "a\\c"}));
    EXPECT_EQ(Sorted(M::ByDirectoryName, {{"Z\\1"}, {"a\\2"}, {"3"}}), (Names{"3", "a\\2", "Z\\1"}));
    // Sizes, dates and rates descend; equal keys keep their insertion order (sizes never
    // compare equal, so not even a list that refuses duplicates complains).
    EXPECT_EQ(Sorted(M::ByCompressedSize, {{"ten", 0, 10}, {"thirty", 0, 30}, {"twenty", 0, 20}, {"twenty-2", 0, 20},
                                           {"huge", 0, 0x90000000u}}, dupError),
              (Names{"huge", "thirty", "twenty", "twenty-2", "ten"}));
    EXPECT_EQ(Sorted(M::ByUnCompressedSize, {{"small", 0, 0, 1}, {"big", 0, 0, 0xFFFFFFF0u}, {"mid", 0, 0, 500}}),
              (Names{"big", "mid", "small"}));
    // 0xFFFFFFFF has month 15: no date, counts as 0.
    EXPECT_EQ(Sorted(M::ByDate, {{"old", 0, 0, 0, Dos(1999, 1, 1, 0)}, {"broken", 0, 0, 0, 0xFFFFFFFFu},
                                 {"new", 0, 0, 0, Dos(2024, 6, 1, 12)}, {"new-2", 0, 0, 0, Dos(2024, 6, 1, 12)}}),
              (Names{"new", "new-2", "old", "broken"}));
    EXPECT_EQ(Sorted(M::ByRate, {{"r25", 0, 50, 200}, {"r0"}, {"r100", 0, 300, 200}, {"r50", 0, 100, 200}}),
              (Names{"r100", "r50", "r25", "r0"}));
}
