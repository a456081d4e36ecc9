#pragma once
// Method 8 (deflate, RFC 1951) and method 0 (stored), plus skipping an entry's data.
#include <cstdint>

struct TDecoderState;

// Decodes the current entry's deflate stream into the output layer. Returns DecodeOk, or the
// status of the failing step (DecoderState.h); on failure the output written so far stays.
uint16_t Inflate(TDecoderState& state);

// Copies a stored entry's bytes (decrypting them when the entry is encrypted) in chunks of
// 16000. Raises EFatalUnzipError "Premature end of file reached" when the archive ends early.
void CopyStored(TDecoderState& state);

// Moves the archive stream past the current entry's compressed bytes and takes one off the
// extraction loop's count of extracted entries.
void SkipEntryData(TDecoderState& state, int32_t& extractionCount);
