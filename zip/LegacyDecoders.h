#pragma once
// Decoders of the older ZIP methods: 1 (shrunk), 2-5 (reduced with factors 1-4), 6 (imploded).
// Each decodes the current entry of the state (after BeginEntry) through the output layer and
// returns DecodeOk or a status of DecoderState.h; the output written so far stays.
#include <cstdint>

struct TDecoderState;

// Stops at the end of the compressed bytes; rejects code sizes above 13 and broken code
// chains, and reports DecodeOutputMismatch when the output is not the entry's size.
uint16_t Unshrink(TDecoderState& state);
// factor 1-4 is the method (2-5) minus 1; stops on the expected size.
uint16_t Unreduce(TDecoderState& state, int factor);
// Stops on the expected size; flag bit 1 selects the 8 KB dictionary, bit 2 the literal tree.
uint16_t Explode(TDecoderState& state);

// The window copy of reduce and explode: count bytes from distance back, split at the
// window's end (which is then copied out); sources before the start of the output read as
// zeros until the window first wraps.
void LegacyWindowCopy(TDecoderState& state, uint8_t* window, uint32_t windowSize, uint32_t& pos, bool& firstPass,
                      uint32_t distance, uint32_t count);
