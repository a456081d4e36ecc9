#pragma once
// Shared helpers of the encoder tests: running the encoder on a buffer, the peer decoders,
// and the test inputs.
#include <cstdint>
#include <string>
#include <vector>

#include "zip/DeflateEncoder.h"
#include "zip/ZipComponentBase.h"

using TBytes = std::vector<uint8_t>;

struct TDeflateResult {
    TBytes Out;
    int64_t Returned = 0;
    uint16_t Method = 0;
    uint16_t Attributes = 0;
    uint16_t Flags = 0;
    uint32_t Crc = 0;        // finished (inverted) CRC of the bytes read
};

// Prepares zip the way the archive writer does before an entry.
void PrepareEntry(TZipComponentBase& zip, size_t size);

// Compresses data at level; zip, buffers and tables default to fresh ones.
TDeflateResult Compress(const TBytes& data, int level, TZipComponentBase* zip = nullptr, bool encrypt = false,
                        TDeflateBuffers* buffers = nullptr, TDeflateFixedTables* tables = nullptr);

// Peer decoders of a raw deflate stream. Each returns false when the stream is rejected or
// does not decode to exactly expectedSize bytes.
bool ZlibInflateRaw(const TBytes& in, size_t expectedSize, TBytes& out);
bool LibdeflateInflate(const TBytes& in, size_t expectedSize, TBytes& out);
bool OurInflate(const TBytes& in, size_t expectedSize, TBytes& out);

// Test inputs; all deterministic.
TBytes RandomBytes(size_t size, uint32_t seed);
TBytes PseudoText(size_t size, uint32_t seed);     // words, punctuation and line breaks
TBytes LongRuns(size_t size, uint32_t seed);       // runs of 1-2000 equal bytes
TBytes SharedText();                               // a real text of about 80 KB
TBytes ElfBinary(size_t maxBytes);                 // empty when no binary is at hand
// A sequence in which no three consecutive bytes occur twice, over alphabetSize byte values
// starting at firstByte (at most alphabetSize^3 + 2 long).
TBytes UniqueTriples(size_t size, unsigned alphabetSize, uint8_t firstByte);
// How many positions start a 3-byte string seen earlier in data.
size_t RepeatedTriples(const TBytes& data);
