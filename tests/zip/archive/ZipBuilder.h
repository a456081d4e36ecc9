#pragma once
// Assembles archives byte by byte from the record tables, independently of the component's
// own writer, with zlib as the deflate peer.
#include <cstdint>
#include <string>
#include <vector>

#include "zip/ZipTestSupport.h"

struct BuiltEntry {
    BuiltEntry(std::string n, Bytes d, uint16_t m = 0) : name(std::move(n)), data(std::move(d)), method(m) {}
    std::string name;
    Bytes data;                      // plain content
    uint16_t method;                 // 0 stored or 8 deflated (zlib)
    int64_t crcOverride = -1;
    int64_t sizeOverride = -1;       // uncompressed size to record instead
    bool useRaw = false;
    Bytes rawOverride;               // compressed bytes to store instead
    uint32_t dosTime = 0x5A210000;   // 2025-01-01 00:00
};

struct BuiltArchive {
    Bytes bytes;
    uint32_t centralOffset = 0;
    size_t endOffset = 0;
};

inline BuiltArchive BuildArchive(const std::vector<BuiltEntry>& entries, const std::string& comment = "")
{
    TLe archive, central;
    for (const auto& e : entries) {
        const Bytes c = e.useRaw ? e.rawOverride : e.method == 8 ? RawDeflate(e.data) : e.data;
        const uint32_t crc = e.crcOverride >= 0 ? uint32_t(e.crcOverride) : ZlibCrc(e.data);
        const uint32_t offset = uint32_t(archive.b.size());
        // Version, flags, method, time, CRC, sizes and name length are common to both records.
        const Bytes common = TLe().u16(20).u16(0).u16(e.method).u32(e.dosTime).u32(crc).u32(uint32_t(c.size()))
                                 .u32(uint32_t(e.sizeOverride >= 0 ? e.sizeOverride : int64_t(e.data.size()))).u16(uint32_t(e.name.size())).b;
        archive.u32(0x04034B50).raw(common).u16(0).str(e.name).raw(c);
        central.u32(0x02014B50).u16(20).raw(common).u16(0).u16(0).u16(0).u16(0).u32(0x20).u32(offset).str(e.name);
    }
    BuiltArchive a;
    a.centralOffset = uint32_t(archive.b.size());
    archive.raw(central.b);
    a.endOffset = archive.b.size();
    archive.u32(0x06054B50).u16(0).u16(0).u16(uint32_t(entries.size())).u16(uint32_t(entries.size()))
        .u32(uint32_t(central.b.size())).u32(a.centralOffset).u16(uint32_t(comment.size())).str(comment);
    a.bytes = archive.b;
    return a;
}
