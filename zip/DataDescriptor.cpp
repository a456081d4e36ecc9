#include "zip/DataDescriptor.h"

#include "zip/Crc32.h"
#include "zip/EndCentral.h"
#include "zip/LittleEndian.h"
#include "zip/ZipHeaderInfo.h"

namespace {

// What may follow an entry: the next entry, the directory or the end record.
bool RecordOrEndAt(const uint8_t* data, int64_t size, int64_t at)
{
    if (at == size)
        return true;
    if (at + 4 > size)
        return false;
    const uint32_t signature = Get32(data + at);
    return signature == LocalHeaderSignature || signature == CentralHeaderSignature ||
           signature == EndCentralSignature;
}

// The descriptor's values for the entry's data [dataStart, end).
struct TDescriptor {
    uint32_t Crc, Compressed, Uncompressed;
};

// The CRC of the data from their start up to a place, carried forward as the search moves on:
// working it out from the start at every place would take time with the square of the size.
class TRunningCrc {
public:
    TRunningCrc(const uint8_t* data, int64_t start) : data_(data), upTo_(start) {}
    uint32_t Upto(int64_t end)
    {
        register_ = UpdateCRC32(register_, data_ + upTo_, size_t(end - upTo_));
        upTo_ = end;
        return ~register_;
    }

private:
    const uint8_t* data_;
    int64_t upTo_;
    uint32_t register_ = 0xFFFFFFFFu;
};

bool Fits(int64_t dataStart, int64_t end, const TZipHeaderInfo& h, const TDescriptor& d, TRunningCrc& crc)
{
    if (d.Compressed != uint64_t(end - dataStart))
        return false;
    if (h.CompressionMethod != 0)
        return true;
    if (h.IsEncrypted())
        return uint64_t(d.Uncompressed) + 12 == d.Compressed;
    return d.Uncompressed == d.Compressed && crc.Upto(end) == d.Crc;
}

}  // namespace

int DataDescriptorLength(const uint8_t* data, int64_t size, int64_t at, uint32_t crc, uint32_t compressedSize)
{
    if (at < 0 || at + 4 > size || Get32(data + at) != DataDescriptorSignature)
        return 12;
    if (crc != DataDescriptorSignature)
        return 16;
    return at + 12 <= size && Get32(data + at + 4) == crc && Get32(data + at + 8) == compressedSize ? 16 : 12;
}

int64_t FindDataDescriptor(const uint8_t* data, int64_t size, int64_t dataStart, TZipHeaderInfo& header)
{
    TRunningCrc crc(data, dataStart);
    for (int64_t at = dataStart; at + 12 <= size && at - dataStart <= 0xFFFFFFFFll; ++at) {
        // With the signature first, then without: a CRC may look like the signature.
        for (const int length : {16, 12}) {
            const uint8_t* p = data + at + (length - 12);
            if (at + length > size || (length == 16 && Get32(data + at) != DataDescriptorSignature))
                continue;
            const TDescriptor d{Get32(p), Get32(p + 4), Get32(p + 8)};
            if (RecordOrEndAt(data, size, at + length) && Fits(dataStart, at, header, d, crc)) {
                header.Crc32 = d.Crc;
                header.CompressedSize = d.Compressed;
                header.UncompressedSize = d.Uncompressed;
                return at + length;
            }
        }
    }
    return -1;
}
