#pragma once
// Helpers of the decoder tests: an owner component, a runner for one entry, a bit writer for
// hand-made streams and a local-header walker.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/Crc32.h"
#include "zip/DecoderState.h"
#include "zip/Inflate.h"
#include "zip/LegacyDecoders.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipTestSupport.h"

// An output stream that remembers the size of every write.
class TRecordingStream : public TMemoryStream {
public:
    std::vector<int64_t> Writes;
    int64_t Write(const void* buffer, int64_t count) override
    {
        Writes.push_back(count);
        return TMemoryStream::Write(buffer, count);
    }
};

// The component the decoders report to.
class TTestOwner : public TZipComponentBase {
public:
    std::function<TStream*(int)> NextDisk;
    bool Spans = false;
    bool SpansVolumes() const override { return Spans; }
    TStream* LoadNextDisk(int volumeNumber) override
    {
        TStream* s = NextDisk ? NextDisk(volumeNumber) : nullptr;
        if (s)
            ++CurrentDisk;
        return s;
    }
};

struct TDecodeResult {
    uint16_t Status = 0;
    Bytes Output;
    uint32_t Crc = 0;
    std::vector<int64_t> Writes;
};

// An uncompressed size that bounds nothing, for streams whose output is not known.
constexpr uint32_t UnknownSize = 0xFFFFFFFFu;

// Sets up a decoder state for one entry of compressedSize bytes read from archive.
inline void BeginEntry(TDecoderState& state, TTestOwner& owner, TStream& archive, TStream& out, uint32_t compressedSize,
                       uint16_t method = 8, uint16_t flags = 0, uint32_t uncompressedSize = UnknownSize)
{
    state.ArchiveStream = &archive;
    state.OutputStream = &out;
    owner.CurrentHeader->CompressionMethod = method;
    owner.CurrentHeader->GeneralPurposeFlag = flags;
    owner.CurrentHeader->CompressedSize = compressedSize;
    owner.CurrentHeader->UncompressedSize = uncompressedSize;
    owner.RunningCRC = 0xFFFFFFFFu;
    state.BeginEntry();
}

// Decodes one entry whose compressed bytes are data, through a fresh state. Output past
// uncompressedSize ends the run with DecodeOutputMismatch, as the extraction reports it.
inline TDecodeResult DecodeEntry(const Bytes& data, uint16_t method, uint16_t flags = 0,
                                 uint32_t uncompressedSize = UnknownSize, TTestOwner* owner = nullptr)
{
    TTestOwner localOwner;
    TTestOwner& o = owner ? *owner : localOwner;
    TMemoryStream archive{Bytes(data)};
    TRecordingStream out;
    TDecoderState state(&o);
    BeginEntry(state, o, archive, out, uint32_t(data.size()), method, flags, uncompressedSize);
    TDecodeResult r;
    try {
        switch (method) {
        case 0: CopyStored(state); break;
        case 1: r.Status = Unshrink(state); break;
        case 2: case 3: case 4: case 5: r.Status = Unreduce(state, method - 1); break;
        case 6: r.Status = Explode(state); break;
        default: r.Status = Inflate(state); break;
        }
    } catch (const EEntryPastSize&) {
        r.Status = DecodeOutputMismatch;
    }
    r.Output = out.Bytes();
    r.Crc = ~o.RunningCRC;
    r.Writes = out.Writes;
    return r;
}

inline TDecodeResult InflateBytes(const Bytes& data) { return DecodeEntry(data, 8); }

// Writes bits low bits first, as deflate and the older methods read them.
class TBitWriter {
public:
    Bytes Data;
    TBitWriter& Put(uint32_t value, int bits)
    {
        for (int i = 0; i < bits; ++i) {
            if (count_ == 0)
                Data.push_back(0);
            if ((value >> i) & 1)
                Data.back() |= uint8_t(1 << count_);
            count_ = (count_ + 1) & 7;
        }
        return *this;
    }
    // A prefix code, most significant bit first.
    TBitWriter& PutCode(uint32_t code, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            Put((code >> i) & 1, 1);
        return *this;
    }
    TBitWriter& Align()
    {
        count_ = 0;
        return *this;
    }

private:
    int count_ = 0;
};

// One entry found by walking the local headers of an archive.
struct TLocalEntry {
    std::string Name;
    uint16_t Flags = 0, Method = 0;
    uint32_t Crc = 0, UncompressedSize = 0;
    Bytes Data;   // the compressed bytes
};

// Walks "PK\3\4" records from the start; sizes come from the central directory when the
// local header defers them to a data descriptor.
inline std::vector<TLocalEntry> ReadLocalEntries(const Bytes& zip)
{
    struct TCentral { uint32_t Offset, Crc, CompressedSize, UncompressedSize; };
    std::vector<TCentral> central;
    for (size_t i = 0; i + 46 <= zip.size(); ++i)
        if (GetLe(zip, i, 4) == 0x02014B50)
            central.push_back({GetLe(zip, i + 42, 4), GetLe(zip, i + 16, 4), GetLe(zip, i + 20, 4), GetLe(zip, i + 24, 4)});
    std::vector<TLocalEntry> entries;
    size_t at = 0;
    while (at + 30 <= zip.size() && GetLe(zip, at, 4) == 0x04034B50) {
        TLocalEntry e;
        e.Flags = uint16_t(GetLe(zip, at + 6, 2));
        e.Method = uint16_t(GetLe(zip, at + 8, 2));
        e.Crc = GetLe(zip, at + 14, 4);
        uint32_t csize = GetLe(zip, at + 18, 4);
        e.UncompressedSize = GetLe(zip, at + 22, 4);
        const uint32_t nameLen = GetLe(zip, at + 26, 2), extraLen = GetLe(zip, at + 28, 2);
        for (const TCentral& c : central)
            if ((e.Flags & 8) && c.Offset == at)
                e.Crc = c.Crc, csize = c.CompressedSize, e.UncompressedSize = c.UncompressedSize;
        e.Name.assign(zip.begin() + long(at + 30), zip.begin() + long(at + 30 + nameLen));
        const size_t data = at + 30 + nameLen + extraLen;
        if (data + csize > zip.size())
            break;
        e.Data = Slice(zip, data, csize);
        at = data + csize;
        if (e.Flags & 8)
            at += GetLe(zip, at, 4) == 0x08074B50 ? 16 : 12;
        entries.push_back(std::move(e));
    }
    return entries;
}
