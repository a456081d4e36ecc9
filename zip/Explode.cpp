#include <algorithm>

#include "zip/DecoderState.h"
#include "zip/HuftBuild.h"
#include "zip/LegacyDecoders.h"
#include "zip/ZipComponentBase.h"

namespace {

constexpr uint32_t ExplodeWindow = 32768;

// Reads a tree description: a count byte, then bytes of (codes - 1) << 4 | (bits - 1).
uint16_t ReadTree(TBitInput& in, uint8_t* lengths, int codes)
{
    if (!in.Need(8))
        return DecodeInputEnded;
    const int bytes = static_cast<int>(in.Take(8)) + 1;
    int filled = 0;
    for (int i = 0; i < bytes; ++i) {
        if (!in.Need(8))
            return DecodeInputEnded;
        const uint32_t b = in.Take(8);
        const int count = static_cast<int>(b >> 4) + 1;
        if (filled + count > codes)
            return DecodeBadTree;
        std::fill(lengths + filled, lengths + filled + count, static_cast<uint8_t>((b & 15) + 1));
        filled += count;
    }
    if (in.Overrun())
        return DecodeInputEnded;
    return filled == codes ? DecodeOk : DecodeBadTree;
}

// Looks a code up on the complemented input, as the format stores its codes inverted.
bool Decode(TBitInput& in, const THuftTable& table, THuft& result)
{
    THuft e = table.Entries[~in.Bits & ((uint64_t(1) << table.LookupBits) - 1)];
    if (e.Op == HuftInvalid)
        return false;
    if (e.Op > HuftLiteral) {
        in.Drop(e.Bits);
        e = table.Entries[e.Value + (~in.Bits & ((uint64_t(1) << (e.Op - HuftLiteral)) - 1))];
        if (e.Op == HuftInvalid)
            return false;
    }
    in.Drop(e.Bits);
    result = e;
    return true;
}

}  // namespace

uint16_t Explode(TDecoderState& state)
{
    const uint16_t flags = state.Owner->CurrentHeader->GeneralPurposeFlag;
    const bool bigWindow = (flags & 2) != 0;
    const bool literalTree = (flags & 4) != 0;
    const int distLookup = state.CompressedLeft < 200001 ? 7 : 8;

    uint16_t lengthBase[64], distBase[64];
    uint8_t lengthExtra[64] = {}, distExtra[64] = {};
    for (int i = 0; i < 64; ++i) {
        lengthBase[i] = static_cast<uint16_t>(i + (literalTree ? 3 : 2));
        distBase[i] = static_cast<uint16_t>(1 + i * (bigWindow ? 128 : 64));
    }
    lengthExtra[63] = 8;

    TBitInput in(state);
    THuftTable lit, len, dist;
    uint8_t lengths[256];
    uint16_t status;
    if (literalTree) {
        if ((status = ReadTree(in, lengths, 256)) != DecodeOk)
            return status;
        if ((status = static_cast<uint16_t>(HuftBuild(lengths, 256, 256, nullptr, nullptr, 9, lit))) != DecodeOk)
            return status;
    }
    if ((status = ReadTree(in, lengths, 64)) != DecodeOk)
        return status;
    if ((status = static_cast<uint16_t>(HuftBuild(lengths, 64, 0, lengthBase, lengthExtra, 7, len))) != DecodeOk)
        return status;
    if ((status = ReadTree(in, lengths, 64)) != DecodeOk)
        return status;
    if ((status = static_cast<uint16_t>(HuftBuild(lengths, 64, 0, distBase, distExtra, distLookup, dist))) != DecodeOk)
        return status;

    uint8_t* const window = state.WorkArea.get();
    uint32_t pos = 0;
    bool firstPass = true;
    int64_t remaining = state.ExpectedSize;
    const unsigned lowBits = bigWindow ? 7 : 6;
    THuft e;
    while (remaining > 0) {
        // One literal or match takes at most 1 + 16 + 8 bits, or 1 + 7 + 16 + 16 + 8.
        if (in.CanRefillFast())
            in.RefillFast();
        else if (!in.Refill())
            return DecodeInputEnded;
        if (in.Take(1)) {
            uint8_t b;
            if (literalTree) {
                if (!Decode(in, lit, e))
                    return DecodeBadData;
                b = static_cast<uint8_t>(e.Value);
            } else {
                b = static_cast<uint8_t>(in.Take(8));
            }
            if (in.Overrun())
                return DecodeInputEnded;
            window[pos++] = b;
            --remaining;
            if (pos == ExplodeWindow) {
                state.CopyOut(window, ExplodeWindow);
                pos = 0;
                firstPass = false;
            }
        } else {
            const uint32_t low = in.Take(lowBits);
            if (!Decode(in, dist, e))
                return DecodeBadData;
            const uint32_t distance = e.Value + low;
            if (!Decode(in, len, e))
                return DecodeBadData;
            uint32_t length = e.Value;
            if (e.Op != 0)
                length += in.Take(e.Op);
            if (in.Overrun())
                return DecodeInputEnded;
            const auto count = static_cast<uint32_t>(std::min<int64_t>(length, remaining));
            remaining -= count;
            LegacyWindowCopy(state, window, ExplodeWindow, pos, firstPass, distance, count);
        }
    }
    state.CopyOut(window, pos);
    state.FlushOutput();
    in.Sync();
    const int64_t left = state.CompressedLeft + in.HeldBytes();
    return left == 0 ? DecodeOk : DecodeSizeMismatch;
}
