#include "zip/DecoderState.h"
#include "zip/LegacyDecoders.h"

namespace {

constexpr int FirstFree = 257;
constexpr int CodeLimit = 8192;             // codes 0-8192 have table slots
constexpr int MaxCodeSize = 13;
constexpr uint16_t FreeCode = 0xFFFF;
constexpr uint16_t Mark = 0x8000;
constexpr int SuffixOffset = 16390;
constexpr int StackEnd = 32777;
constexpr int StackSize = 8192;

// Frees every code below nextFree that is no other code's prefix (the leaves).
void PartialClear(uint16_t* prefix, int& nextFree)
{
    for (int c = FirstFree; c < nextFree; ++c)
        prefix[c] |= Mark;
    for (int c = FirstFree; c < nextFree; ++c) {
        if (prefix[c] == FreeCode)
            continue;
        const int p = prefix[c] & ~Mark;
        if (p >= FirstFree && p < nextFree && prefix[p] != FreeCode)
            prefix[p] &= ~Mark;
    }
    for (int c = FirstFree; c < nextFree; ++c)
        if (prefix[c] & Mark)
            prefix[c] = FreeCode;
    nextFree = FirstFree;
    while (nextFree < CodeLimit && prefix[nextFree] != FreeCode)
        ++nextFree;
}

}  // namespace

uint16_t Unshrink(TDecoderState& state)
{
    uint8_t* const work = state.WorkArea.get();
    auto* const prefix = reinterpret_cast<uint16_t*>(work);
    uint8_t* const suffix = work + SuffixOffset;
    uint8_t* const stack = work + StackEnd - StackSize;

    for (int c = 0; c < 256; ++c) {
        prefix[c] = 0;
        suffix[c] = static_cast<uint8_t>(c);
    }
    for (int c = 256; c <= CodeLimit; ++c) {
        prefix[c] = FreeCode;
        suffix[c] = 0;
    }
    int codeSize = 9;
    int nextFree = FirstFree;
    int64_t written = 0;

    if (state.NeedBits(codeSize)) {
        int oldCode = static_cast<int>(state.TakeBits(codeSize));
        if (oldCode > 255)
            return DecodeBadData;
        uint8_t lastChar = static_cast<uint8_t>(oldCode);
        state.StoreByte(lastChar);
        written = 1;
        for (;;) {
            if (!state.NeedBits(codeSize))
                break;
            int code = static_cast<int>(state.TakeBits(codeSize));
            while (code == 256) {
                if (!state.NeedBits(codeSize))
                    goto done;
                const uint32_t sub = state.TakeBits(codeSize);
                if (sub == 1) {
                    if (++codeSize > MaxCodeSize)
                        return DecodeBadData;
                } else if (sub == 2) {
                    PartialClear(prefix, nextFree);
                }
                if (!state.NeedBits(codeSize))
                    goto done;
                code = static_cast<int>(state.TakeBits(codeSize));
            }
            const int incoming = code;
            // Walk the prefix chain onto the stack; a chain longer than the stack is a loop.
            int sp = StackSize;
            while (code >= FirstFree) {
                if (sp == 0)
                    return DecodeBadData;
                if (prefix[code] == FreeCode) {
                    // A code not yet defined: the previous string plus its own first byte.
                    stack[--sp] = lastChar;
                    code = oldCode;
                } else {
                    stack[--sp] = suffix[code];
                    code = prefix[code];
                    if (code > CodeLimit)
                        return DecodeBadData;
                }
            }
            if (sp == 0)
                return DecodeBadData;
            lastChar = suffix[code];
            stack[--sp] = lastChar;
            state.CopyOut(stack + sp, static_cast<size_t>(StackSize - sp));
            written += StackSize - sp;

            if (nextFree < CodeLimit) {
                prefix[nextFree] = static_cast<uint16_t>(oldCode);
                suffix[nextFree] = lastChar;
                do
                    ++nextFree;
                while (nextFree < CodeLimit && prefix[nextFree] != FreeCode);
            }
            oldCode = incoming;
        }
    }
done:
    state.FlushOutput();
    return written == state.ExpectedSize ? DecodeOk : DecodeOutputMismatch;
}
