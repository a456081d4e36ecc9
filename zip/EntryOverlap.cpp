// Entries that share bytes of the archive: central records that point into one local entry
// would unpack the same data again for every record.
#include <algorithm>
#include <vector>

#include "zip/DataDescriptor.h"
#include "zip/LFNFileStream.h"
#include "zip/LittleEndian.h"
#include "zip/SuperUnZip.h"
#include "zip/ZipExceptions.h"

namespace {

// The bytes of one entry on its volume: [Start, End).
struct TSpan {
    uint32_t Volume;
    int64_t Start;
    int64_t End;
    int Index;   // in the directory
};

}  // namespace

void TSuperUnZip::RefuseOverlappingEntries()
{
    // The local headers of a spanned archive lie on other volumes: its spans are taken from
    // the central records alone, which never make an entry longer than it is.
    const bool spanned = SpansVolumes();
    const uint8_t* data = nullptr;
    int64_t size = 0;
    if (!spanned) {
        TLFNFileStream& archive = Archive();
        data = archive.Memory();
        size = archive.GetSize();
    }
    std::vector<TSpan> spans;
    spans.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
        const TZipHeaderInfo& h = *EntryList->GetItem(i);
        const int64_t start = h.RelativeOffsetOfLocalHeader;
        int64_t end = start + LocalHeaderSize + h.FileNameLength + h.ExtraFieldLength + h.CompressedSize;
        if (h.HasDataDescriptor())
            end += 12;
        if (!spanned && start + LocalHeaderSize <= size && Get32(data + start) == LocalHeaderSignature) {
            end = start + LocalHeaderSize + Get16(data + start + 26) + Get16(data + start + 28) + h.CompressedSize;
            if (h.HasDataDescriptor())
                end += DataDescriptorLength(data, size, end, h.Crc32, h.CompressedSize);
        }
        // In one file the volume number of a record means nothing: every record points into it.
        spans.push_back({spanned ? h.DiskNumberStart : 0u, start, end, i});
    }

    std::sort(spans.begin(), spans.end(), [](const TSpan& a, const TSpan& b) {
        return a.Volume != b.Volume ? a.Volume < b.Volume : a.Start != b.Start ? a.Start < b.Start : a.Index < b.Index;
    });
    const auto name = [this](int index) {
        const TZipHeaderInfo& h = *EntryList->GetItem(index);
        return h.Directory() + h.FileName();
    };
    const TSpan* reach = nullptr;   // the span reaching furthest so far on this volume
    for (const TSpan& span : spans) {
        if (reach && reach->Volume == span.Volume && span.Start < reach->End) {
            const int first = std::min(reach->Index, span.Index), second = std::max(reach->Index, span.Index);
            throw EFatalUnzipError("Damaged central directory: " + name(first) + " and " + name(second) + " overlap");
        }
        if (!reach || reach->Volume != span.Volume || span.End > reach->End)
            reach = &span;
    }
}
