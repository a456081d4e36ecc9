#include <algorithm>
#include <cstring>

#include "zip/DecoderState.h"
#include "zip/LegacyDecoders.h"

namespace {

constexpr uint32_t ReduceWindow = 16384;
constexpr int FollowerOffset = 16384;
constexpr uint8_t Escape = 144;

const uint8_t LengthMask[5] = {0, 127, 63, 31, 15};
const uint8_t DistanceShift[5] = {0, 7, 6, 5, 4};
const uint8_t DistanceMask[5] = {0, 1, 3, 7, 15};

// Bits that index a follower set of the given size (8 for an empty set: a plain byte).
int FollowerBits(int size)
{
    if (size == 0)
        return 8;
    int bits = 1;
    while ((1 << bits) < size)
        ++bits;
    return bits;
}

}  // namespace

void LegacyWindowCopy(TDecoderState& state, uint8_t* window, uint32_t windowSize, uint32_t& pos, bool& firstPass,
                      uint32_t distance, uint32_t count)
{
    while (count > 0) {
        const bool before = firstPass && distance > pos;   // source before the output's start
        const uint32_t src = (pos + windowSize - distance) % windowSize;
        const uint32_t n = std::min({count, windowSize - pos, before ? distance - pos : windowSize - src});
        if (before) {
            std::memset(window + pos, 0, n);
        } else if (src < pos && pos - src >= n) {
            std::memcpy(window + pos, window + src, n);
        } else {
            for (uint32_t i = 0; i < n; ++i)
                window[pos + i] = window[src + i];
        }
        pos += n;
        count -= n;
        if (pos == windowSize) {
            state.CopyOut(window, windowSize);
            pos = 0;
            firstPass = false;
        }
    }
}

uint16_t Unreduce(TDecoderState& state, int factor)
{
    factor = std::clamp(factor, 1, 4);
    uint8_t* const window = state.WorkArea.get();
    uint8_t* const followers = window + FollowerOffset;
    uint8_t setSize[256];

    for (int set = 255; set >= 0; --set) {
        if (!state.NeedBits(6))
            return DecodeInputEnded;
        setSize[set] = static_cast<uint8_t>(state.TakeBits(6));
        for (int i = 0; i < setSize[set]; ++i) {
            if (!state.NeedBits(8))
                return DecodeInputEnded;
            followers[set * 64 + i] = static_cast<uint8_t>(state.TakeBits(8));
        }
    }

    uint8_t last = 0;
    int machine = 0;
    unsigned v = 0, length = 0;
    int64_t remaining = state.ExpectedSize;
    uint32_t pos = 0;
    bool firstPass = true;

    auto put = [&](uint8_t b) {
        window[pos++] = b;
        if (pos == ReduceWindow) {
            state.CopyOut(window, ReduceWindow);
            pos = 0;
            firstPass = false;
        }
    };

    while (remaining > 0) {
        uint8_t c;
        const int size = setSize[last];
        if (size == 0) {
            if (!state.NeedBits(8))
                return DecodeInputEnded;
            c = static_cast<uint8_t>(state.TakeBits(8));
        } else {
            if (!state.NeedBits(1))
                return DecodeInputEnded;
            if (state.TakeBits(1)) {
                if (!state.NeedBits(8))
                    return DecodeInputEnded;
                c = static_cast<uint8_t>(state.TakeBits(8));
            } else {
                const int bits = FollowerBits(size);
                if (!state.NeedBits(bits))
                    return DecodeInputEnded;
                const uint32_t index = state.TakeBits(bits);
                if (index >= static_cast<uint32_t>(size))
                    return DecodeBadData;
                c = followers[last * 64 + index];
            }
        }

        switch (machine) {
        case 0:
            if (c == Escape) {
                machine = 1;
            } else {
                put(c);
                --remaining;
            }
            break;
        case 1:
            if (c == 0) {
                put(Escape);
                --remaining;
                machine = 0;
            } else {
                v = c;
                length = v & LengthMask[factor];
                machine = length == LengthMask[factor] ? 2 : 3;
            }
            break;
        case 2:
            length += c;
            machine = 3;
            break;
        default: {
            const uint32_t distance = ((v >> DistanceShift[factor]) & DistanceMask[factor]) * 256 + c + 1;
            // A match never writes past the entry's size; the CRC judges the rest.
            uint32_t count = static_cast<uint32_t>(std::min<int64_t>(length + 3, remaining));
            remaining -= count;
            LegacyWindowCopy(state, window, ReduceWindow, pos, firstPass, distance, count);
            machine = 0;
            break;
        }
        }
        last = c;
    }
    state.CopyOut(window, pos);
    state.FlushOutput();
    return DecodeOk;
}
