#pragma once
// The data descriptor behind an entry's data, which holds its CRC and sizes when flag bit 3
// left them out of the local header: 12 bytes, or 16 with its optional signature in front.
#include <cstdint>

class TZipHeaderInfo;

constexpr uint32_t DataDescriptorSignature = 0x08074B50u;

// The length of the descriptor at `at` of an entry with this CRC and compressed size. A CRC
// may equal the signature, so the signature counts only when the CRC and size behind it are
// the entry's.
int DataDescriptorLength(const uint8_t* data, int64_t size, int64_t at, uint32_t crc, uint32_t compressedSize);

// Finds the descriptor of an entry whose data start at dataStart when only its local header is
// known: the first place where a descriptor names the bytes before it as the compressed size
// and another record (or the archive's end) follows; stored data must also match its CRC and
// size. Takes the CRC and sizes into header and returns where the descriptor ends, or -1.
int64_t FindDataDescriptor(const uint8_t* data, int64_t size, int64_t dataStart, TZipHeaderInfo& header);
