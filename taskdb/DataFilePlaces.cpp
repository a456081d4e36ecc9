// The places list record of the data file, with each place and its open/close schedule.
#include <unordered_set>

#include "platform/Stream.h"
#include "taskdb/DataFileStream.h"
#include "taskdb/TaskPlace.h"

namespace {

void WriteSchedule(TRecordWriter& w, const TTaskPlaceOpenCloseSchedule& s, int version)
{
    if (version < 2)
        return;
    w.Boolean(s.Enabled());
    if (!s.Enabled())
        return;
    w.Boolean(s.Flag);
    const auto& ranges = *s.Ranges();
    w.Int32(static_cast<int32_t>(ranges.size()));
    for (const auto& range : ranges) {
        w.Int32(range.Code);
        w.Double(range.StartTime);
        w.Double(range.EndTime);
    }
}

void ReadSchedule(TRecordReader& r, TTaskPlaceOpenCloseSchedule& s, int version)
{
    if (version < 2)
        return;
    const bool enabled = r.Boolean();
    s.SetEnabled(enabled);
    if (!enabled)
        return;
    s.Flag = r.Boolean();
    const int32_t n = r.Count(kTimeRangeSize);
    auto& ranges = *s.Ranges();
    ranges.reserve(ranges.size() + static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        TTimeRange range;
        range.Code = r.Int32();
        range.StartTime = r.Double();
        range.EndTime = r.Double();
        ranges.push_back(range);
    }
}

void WritePlace(TRecordWriter& w, const TTaskPlace& p, int version)
{
    w.Int32(p.PlaceID);
    w.String(p.Caption);
    w.IntList(p.IncludedPlaces);
    if (version >= 2) {
        WriteSchedule(w, p.OpenCloseSchedule, version);
        w.String(p.PlaceNote);
    }
}

void ReadPlace(TRecordReader& r, TTaskPlace& p, int version)
{
    p.PlaceID = r.Int32();
    p.Caption = r.String();
    r.IntList(p.IncludedPlaces);
    if (version >= 2) {
        ReadSchedule(r, p.OpenCloseSchedule, version);
        p.PlaceNote = r.String();
    }
}

} // namespace

void TTaskPlaceOpenCloseSchedule::WriteToStream(TStream& stream, int version) const
{
    TRecordWriter w(stream);
    WriteSchedule(w, *this, version);
    w.Flush();
}

void TTaskPlaceOpenCloseSchedule::ReadFromStream(TStream& stream, int version)
{
    TRecordReader r(stream);
    ReadSchedule(r, *this, version);
}

void TTaskPlace::WriteToStream(TStream& stream, int version) const
{
    TRecordWriter w(stream);
    WritePlace(w, *this, version);
    w.Flush();
}

void TTaskPlace::ReadFromStream(TStream& stream, int version)
{
    TRecordReader r(stream);
    ReadPlace(r, *this, version);
}

void TTaskPlacesList::WriteToStream(TStream& stream, int version) const
{
    TRecordWriter w(stream);
    w.Int32(NextPlaceID);
    w.Int32(Count());
    for (const auto& place : FItems)
        WritePlace(w, *place, version);
    w.Flush();
}

void TTaskPlacesList::ReadFromStream(TStream& stream, int version)
{
    Clear();
    // Includes that name no place of the list are dropped, also when the read stops half-way,
    // so that the places read so far only name each other.
    struct TDropUnknownIncludes {
        TItems& items;
        ~TDropUnknownIncludes()
        {
            std::unordered_set<int32_t> ids;
            for (const auto& place : items)
                ids.insert(place->PlaceID);
            for (const auto& place : items) {
                auto& included = place->IncludedPlaces;
                for (size_t i = included.size(); i-- > 0;)
                    if (!ids.count(included[i]))
                        included.erase(included.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    } dropUnknown{FItems};

    TRecordReader r(stream);
    NextPlaceID = r.Int32();
    const int32_t n = r.Count(version >= 2 ? kMinPlaceRecordSizeV2 : kMinPlaceRecordSizeV1);
    FItems.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        auto place = std::make_unique<TTaskPlace>();
        ReadPlace(r, *place, version);
        FItems.push_back(std::move(place));
    }
}
