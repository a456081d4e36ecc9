#pragma once
// Assembles archives byte by byte from the record tables, independently of the component's
// own writer, with zlib as the deflate peer.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveTestUtil.h"

namespace archive_test {

inline void Put16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
inline uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (uint32_t(Get16(b, at + 2)) << 16); }

inline Bytes RawDeflate(const Bytes& data, int level = 6)
{
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, data.size()) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline Bytes RawInflate(const Bytes& data, size_t expected)
{
    z_stream z{};
    inflateInit2(&z, -15);
    Bytes out(expected + 1);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        out.push_back(0xEE);   // makes a comparison fail visibly
    return out;
}

inline uint32_t Crc(const Bytes& data) { return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))); }

struct BuiltEntry {
    BuiltEntry(std::string n, Bytes d, uint16_t m = 0) : name(std::move(n)), data(std::move(d)), method(m) {}
    std::string name;
    Bytes data;               // plain content
    uint16_t method;          // 0 stored or 8 deflated (zlib)
    int64_t crcOverride = -1;
    Bytes rawOverride;        // compressed bytes to store instead
    bool useRaw = false;
    uint16_t flags = 0;
    uint32_t dosTime = 0x5A210000;   // 2025-01-01 00:00
};

struct BuiltArchive {
    Bytes bytes;
    std::vector<uint32_t> localOffsets;
    uint32_t centralOffset = 0;
    size_t endOffset = 0;
};

inline BuiltArchive BuildArchive(const std::vector<BuiltEntry>& entries, const std::string& comment = "")
{
    BuiltArchive a;
    std::vector<Bytes> compressed;
    for (const auto& e : entries) {
        Bytes c = e.useRaw ? e.rawOverride : e.method == 8 ? RawDeflate(e.data) : e.data;
        compressed.push_back(c);
        a.localOffsets.push_back(static_cast<uint32_t>(a.bytes.size()));
        const uint32_t crc = e.crcOverride >= 0 ? static_cast<uint32_t>(e.crcOverride) : Crc(e.data);
        Put32(a.bytes, 0x04034B50);
        Put16(a.bytes, 20);
        Put16(a.bytes, e.flags);
        Put16(a.bytes, e.method);
        Put32(a.bytes, e.dosTime);
        Put32(a.bytes, crc);
        Put32(a.bytes, static_cast<uint32_t>(c.size()));
        Put32(a.bytes, static_cast<uint32_t>(e.data.size()));
        Put16(a.bytes, static_cast<uint32_t>(e.name.size()));
        Put16(a.bytes, 0);
        a.bytes.insert(a.bytes.end(), e.name.begin(), e.name.end());
        a.bytes.insert(a.bytes.end(), c.begin(), c.end());
    }
    a.centralOffset = static_cast<uint32_t>(a.bytes.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        const uint32_t crc = e.crcOverride >= 0 ? static_cast<uint32_t>(e.crcOverride) : Crc(e.data);
        Put32(a.bytes, 0x02014B50);
        Put16(a.bytes, 20);
        Put16(a.bytes, 20);
        Put16(a.bytes, e.flags);
        Put16(a.bytes, e.method);
        Put32(a.bytes, e.dosTime);
        Put32(a.bytes, crc);
        Put32(a.bytes, static_cast<uint32_t>(compressed[i].size()));
        Put32(a.bytes, static_cast<uint32_t>(e.data.size()));
        Put16(a.bytes, static_cast<uint32_t>(e.name.size()));
        Put16(a.bytes, 0);
        Put16(a.bytes, 0);
        Put16(a.bytes, 0);
        Put16(a.bytes, 0);
        Put32(a.bytes, 0x20);
        Put32(a.bytes, a.localOffsets[i]);
        a.bytes.insert(a.bytes.end(), e.name.begin(), e.name.end());
    }
    const uint32_t centralSize = static_cast<uint32_t>(a.bytes.size()) - a.centralOffset;
    a.endOffset = a.bytes.size();
    Put32(a.bytes, 0x06054B50);
    Put16(a.bytes, 0);
    Put16(a.bytes, 0);
    Put16(a.bytes, static_cast<uint32_t>(entries.size()));
    Put16(a.bytes, static_cast<uint32_t>(entries.size()));
    Put32(a.bytes, centralSize);
    Put32(a.bytes, a.centralOffset);
    Put16(a.bytes, static_cast<uint32_t>(comment.size()));
    a.bytes.insert(a.bytes.end(), comment.begin(), comment.end());
    return a;
}

inline TMemoryStream StreamOf(const Bytes& b) { return TMemoryStream(b); }

}  // namespace archive_test
