#include "zip/SortedZip.h"

#include <cmath>

#include "platform/DateTime.h"
#include "platform/StrUtils.h"

namespace {

TDateTime EntryDate(const TZipHeaderInfo& entry)
{
    TDateTime result;
    return TryDosDateTimeToDateTime(entry.LastModFileTimeDate, result) ? result : 0;
}

// +1 when the placed key is above the list's item, else -1: never equal. Sizes compare as
// the unsigned values they are, so entries beyond 2 GiB still order by size.
int Descending(uint32_t listed, uint32_t placed) { return placed > listed ? 1 : -1; }

}  // namespace

int TSortedZip::Rate(const TZipHeaderInfo& entry)
{
    if (entry.UncompressedSize == 0)
        return 0;
    const double rate = std::nearbyint(double(entry.CompressedSize) * 100.0 / double(entry.UncompressedSize));
    return rate > 100 ? 100 : static_cast<int>(rate);
}

int TSortedZip::Compare(const TZipHeaderInfo* key1, const TZipHeaderInfo* key2) const
{
    switch (SortMode) {
    case TZipSortMode::ByName:
        return CompareText(key1->Directory() + key1->FileName(), key2->Directory() + key2->FileName());
    case TZipSortMode::ByFileName:
        return CompareText(key1->FileName(), key2->FileName());
    case TZipSortMode::ByDirectoryName:
        return CompareText(key1->Directory(), key2->Directory());
    case TZipSortMode::ByDate:
        return EntryDate(*key2) > EntryDate(*key1) ? 1 : -1;
    case TZipSortMode::ByCompressedSize:
        return Descending(key1->CompressedSize, key2->CompressedSize);
    case TZipSortMode::ByUnCompressedSize:
        return Descending(key1->UncompressedSize, key2->UncompressedSize);
    case TZipSortMode::ByRate:
        return Rate(*key2) - Rate(*key1);
    case TZipSortMode::ByNone:
        if (key1->DiskNumberStart != key2->DiskNumberStart)
            return int(key1->DiskNumberStart) - int(key2->DiskNumberStart);
        // Offsets are unsigned: archive order holds beyond 2 GiB too.
        if (key1->RelativeOffsetOfLocalHeader == key2->RelativeOffsetOfLocalHeader)
            return 0;
        return key1->RelativeOffsetOfLocalHeader < key2->RelativeOffsetOfLocalHeader ? -1 : 1;
    }
    return -1;
}
