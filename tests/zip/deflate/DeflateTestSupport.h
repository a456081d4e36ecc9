#pragma once
// Running the encoder on a buffer, the decoders that judge its output, and the test inputs.
#include <libdeflate.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/DecoderState.h"
#include "zip/DeflateEncoder.h"
#include "zip/Inflate.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipTestSupport.h"

struct TDeflateResult {
    Bytes Out;
    int64_t Returned = 0;
    uint16_t Method = 0, Attributes = 0, Flags = 0;
    uint32_t Crc = 0;   // finished (inverted) CRC of the bytes read
};

// Prepares zip the way the archive writer does before an entry.
inline void PrepareEntry(TZipComponentBase& zip, size_t size)
{
    zip.RunningCRC = 0xFFFFFFFFu;
    zip.EntryBytesDone = 0;
    zip.CurrentHeader->UncompressedSize = uint32_t(size);
    zip.CurrentHeader->InternalFileAttributes = 2;
    zip.CurrentHeader->CompressionMethod = 8;
    zip.CurrentHeader->GeneralPurposeFlag = 0;
}

// Compresses data at level; zip, buffers and tables default to fresh ones.
inline TDeflateResult Compress(const Bytes& data, int level, TZipComponentBase* zip = nullptr, bool encrypt = false,
                               TDeflateBuffers* buffers = nullptr, TDeflateFixedTables* tables = nullptr)
{
    TZipComponentBase ownZip;
    if (zip == nullptr)
        zip = &ownZip;
    PrepareEntry(*zip, data.size());
    TMemoryStream source(data), output;
    TDeflateResult r;
    r.Returned = buffers && tables ? DeflateEntry(*zip, source, output, level, encrypt, *buffers, *tables)
                                   : DeflateEntry(*zip, source, output, level, encrypt);
    r.Out = output.Bytes();
    r.Method = zip->CurrentHeader->CompressionMethod;
    r.Attributes = zip->CurrentHeader->InternalFileAttributes;
    r.Flags = zip->CurrentHeader->GeneralPurposeFlag;
    r.Crc = ~zip->RunningCRC;
    return r;
}

// Peer and own decoders of a raw deflate stream: false when the stream is rejected or does
// not decode to exactly expectedSize bytes.
inline bool LibdeflateInflate(const Bytes& in, size_t expectedSize, Bytes& out)
{
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    out.assign(expectedSize, 0);
    size_t inUsed = 0, outSize = 0;
    const auto rc = libdeflate_deflate_decompress_ex(d, in.data(), in.size(), out.data(), out.size(), &inUsed, &outSize);
    libdeflate_free_decompressor(d);
    return rc == LIBDEFLATE_SUCCESS && outSize == expectedSize && inUsed == in.size();
}

inline bool OurInflate(const Bytes& in, size_t expectedSize, Bytes& out)
{
    TZipComponentBase zip;
    zip.DoProcessMessages = false;
    zip.CurrentHeader->CompressedSize = uint32_t(in.size());
    zip.CurrentHeader->UncompressedSize = uint32_t(expectedSize);
    zip.RunningCRC = 0xFFFFFFFFu;
    TMemoryStream archive(in), plain;
    TDecoderState state(&zip);
    state.ArchiveStream = &archive;
    state.OutputStream = &plain;
    state.BeginEntry();
    const uint16_t status = Inflate(state);
    out = plain.Bytes();
    return status == DecodeOk && out.size() == expectedSize;
}

// Runs of 1-2000 equal bytes.
inline Bytes LongRuns(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < size) {
        const size_t run = 1 + rng() % 2000;
        b.insert(b.end(), std::min(run, size - b.size()), uint8_t(rng() % 4));
    }
    return b;
}

// A real text of about 80 KB.
inline Bytes LegacyText() { return ReadFileBytes(LegacyDataDir() + "TESTDAT3.TXT"); }

// Empty when no binary is at hand.
inline Bytes ElfBinary(size_t maxBytes)
{
    for (const char* name : {"/usr/bin/cmake", "/usr/bin/ctest", "/bin/bash"}) {
        Bytes b = ReadFileBytes(name);
        if (b.size() > 4 && b[0] == 0x7F && b[1] == 'E') {
            b.resize(std::min(b.size(), maxBytes));
            return b;
        }
    }
    return {};
}

// A sequence in which no three consecutive bytes occur twice, over alphabetSize byte values
// from firstByte (at most alphabetSize^3 + 2 long): a greedy walk that always takes the
// largest symbol whose triple is new.
inline Bytes UniqueTriples(size_t size, unsigned alphabetSize, uint8_t firstByte)
{
    const size_t k = alphabetSize;
    std::vector<bool> seen(k * k * k);
    Bytes out = {firstByte, firstByte};
    while (out.size() < size) {
        const size_t ab = (size_t(out[out.size() - 2] - firstByte) * k + (out.back() - firstByte)) * k;
        size_t c = k;
        while (c-- > 0 && seen[ab + c]) {
        }
        if (c >= k)
            break;
        seen[ab + c] = true;
        out.push_back(uint8_t(firstByte + c));
    }
    return out;
}

// How many positions start a 3-byte string seen earlier in data.
inline size_t RepeatedTriples(const Bytes& data)
{
    std::vector<bool> seen(1u << 24);
    size_t repeats = 0;
    for (size_t i = 0; i + 2 < data.size(); ++i) {
        const size_t key = (size_t(data[i]) << 16) | (size_t(data[i + 1]) << 8) | data[i + 2];
        repeats += seen[key];
        seen[key] = true;
    }
    return repeats;
}
