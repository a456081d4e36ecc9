#include "zip/HuftBuild.h"

#include <algorithm>
#include <new>

#include "zip/ZipHost.h"

namespace {

constexpr int MaxCodeBits = 16;

unsigned Reverse(unsigned code, int bits)
{
    unsigned r = 0;
    for (int i = 0; i < bits; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}

// Tables are given up, and the user told, when memory for one cannot be had.
int OutOfMemory(THuftTable& table)
{
    table.Free();
    ZipHost().ShowError("*** inflate out of memory ***", "Error");
    return 3;
}

THuft SlotFor(int symbol, int bits, int simpleCount, const uint16_t* bases, const uint8_t* extraBits)
{
    if (symbol < simpleCount)
        return THuft{symbol == 256 ? HuftEndOfBlock : HuftLiteral, static_cast<uint8_t>(bits),
                     static_cast<uint16_t>(symbol)};
    return THuft{extraBits[symbol - simpleCount], static_cast<uint8_t>(bits), bases[symbol - simpleCount]};
}

}  // namespace

int HuftBuild(const uint8_t* lengths, int count, int simpleCount, const uint16_t* bases,
              const uint8_t* extraBits, int lookupBits, THuftTable& table)
{
    table.Free();
    int counts[MaxCodeBits + 1] = {};
    for (int i = 0; i < count; ++i) {
        if (lengths[i] > MaxCodeBits)
            return 2;
        ++counts[lengths[i]];
    }
    const THuft invalid{HuftInvalid, 1, 0};
    try {
        if (counts[0] == count) {
            // No codes: every lookup finds an invalid slot.
            table.Entries.assign(1, invalid);
            return 0;
        }
        int minLen = 1;
        while (counts[minLen] == 0)
            ++minLen;
        int maxLen = MaxCodeBits;
        while (counts[maxLen] == 0)
            --maxLen;
        const int root = std::clamp(lookupBits, minLen, maxLen);

        int left = 1;
        for (int len = 1; len <= MaxCodeBits; ++len) {
            left = (left << 1) - counts[len];
            if (left < 0)
                return 2;
        }

        // Symbols in canonical order (by length, then value) and their first codes.
        int offsets[MaxCodeBits + 2] = {};
        for (int len = 1; len <= MaxCodeBits; ++len)
            offsets[len + 1] = offsets[len] + counts[len];
        std::vector<uint16_t> sorted(static_cast<size_t>(offsets[MaxCodeBits + 1]));
        {
            int next[MaxCodeBits + 2];
            std::copy(std::begin(offsets), std::end(offsets), next);
            for (int i = 0; i < count; ++i)
                if (lengths[i] != 0)
                    sorted[static_cast<size_t>(next[lengths[i]]++)] = static_cast<uint16_t>(i);
        }
        // Canonical codes: consecutive within a length, doubled on to the next length.
        std::vector<unsigned> codes(sorted.size());
        {
            unsigned code = 0;
            size_t k = 0;
            for (int len = 1; len <= MaxCodeBits; ++len) {
                for (int c = 0; c < counts[len]; ++c)
                    codes[k++] = code++;
                code <<= 1;
            }
        }

        table.Entries.assign(size_t(1) << root, invalid);
        table.LookupBits = root;
        size_t i = 0;
        const size_t n = sorted.size();
        for (; i < n && lengths[sorted[i]] <= root; ++i) {
            const int len = lengths[sorted[i]];
            const THuft slot = SlotFor(sorted[i], len, simpleCount, bases, extraBits);
            for (unsigned at = Reverse(codes[i], len); at < (1u << root); at += 1u << len)
                table.Entries[at] = slot;
        }
        while (i < n) {
            // Codes sharing their first root bits go into one further table, sized for the
            // longest of them (the last, in canonical order).
            const unsigned prefix = codes[i] >> (lengths[sorted[i]] - root);
            size_t j = i;
            while (j < n && (codes[j] >> (lengths[sorted[j]] - root)) == prefix)
                ++j;
            const int subBits = lengths[sorted[j - 1]] - root;
            const size_t start = table.Entries.size();
            if (start > 0xFFFF)
                return OutOfMemory(table);
            table.Entries.resize(start + (size_t(1) << subBits), invalid);
            table.Entries[Reverse(prefix, root)] =
                THuft{static_cast<uint8_t>(HuftLiteral + subBits), static_cast<uint8_t>(root),
                      static_cast<uint16_t>(start)};
            for (; i < j; ++i) {
                const int rest = lengths[sorted[i]] - root;
                const THuft slot = SlotFor(sorted[i], rest, simpleCount, bases, extraBits);
                const unsigned low = codes[i] & ((1u << rest) - 1);
                for (unsigned at = Reverse(low, rest); at < (1u << subBits); at += 1u << rest)
                    table.Entries[start + at] = slot;
            }
        }
        return (left > 0 && maxLen > 1) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return OutOfMemory(table);
    }
}
