#pragma once
// An archive's directory: entry headers kept in one of several orders.
#include <cstdint>

#include "zip/ObjectList.h"
#include "zip/ZipHeaderInfo.h"

enum class TZipSortMode : uint8_t {
    ByName,              // Directory + FileName, ascending, ignoring ASCII case
    ByFileName,
    ByDirectoryName,
    ByDate,              // newest first
    ByCompressedSize,    // largest first
    ByUnCompressedSize,  // largest first
    ByRate,              // highest first
    ByNone               // archive order: volume, then local-header offset
};

class TSortedZip : public TSortedObjectList<TZipHeaderInfo> {
public:
    explicit TSortedZip(uint8_t duplicates) : TSortedObjectList<TZipHeaderInfo>(duplicates) {}

    TZipSortMode SortMode = TZipSortMode::ByNone;

    // key1 is the list's item, key2 the one being placed. ByDate and the sizes never report
    // equality, so a new item goes after those equal to it.
    int Compare(const TZipHeaderInfo* key1, const TZipHeaderInfo* key2) const override;

    // Compressed size as a percentage of the original: 0 for an empty entry, at most 100,
    // halves rounded to even.
    static int Rate(const TZipHeaderInfo& entry);
};
