#include "zip/DeflateBlocks.h"

#include <algorithm>
#include <cstring>

#include "zip/ZipHeaderInfo.h"

static const uint8_t kExtraLengthBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
static const uint8_t kExtraDistanceBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
static const uint8_t kExtraCodeLengthBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
// The order in which the code-length code lengths are sent.
static const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
static const uint8_t kFixedDistanceLength[30] = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
                                                 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5};

static constexpr int kRepeatPrevious = 16;   // copy the previous length 3-6 times (2 extra bits)
static constexpr int kRepeatZero3 = 17;      // 3-10 zeros (3 extra bits)
static constexpr int kRepeatZero11 = 18;     // 11-138 zeros (7 extra bits)
static constexpr int kMaxBits = 15;
static constexpr int kMaxCodeLengthBits = 7;

static uint16_t reverseBits(unsigned code, int length)
{
    unsigned result = 0;
    for (int i = 0; i < length; ++i) {
        result = (result << 1) | (code & 1);
        code >>= 1;
    }
    return static_cast<uint16_t>(result);
}

// Canonical codes from the lengths, stored bit-reversed so they can be sent from bit 0 up.
static void generateCodes(const uint8_t* lengths, uint16_t* codes, int maxCode, const uint16_t* countPerLength)
{
    uint16_t nextCode[kMaxBits + 1];
    unsigned code = 0;
    for (int bits = 1; bits <= kMaxBits; ++bits) {
        code = (code + countPerLength[bits - 1]) << 1;
        nextCode[bits] = static_cast<uint16_t>(code);
    }
    for (int n = 0; n <= maxCode; ++n) {
        const int len = lengths[n];
        if (len != 0)
            codes[n] = reverseBits(nextCode[len]++, len);
    }
}

void TDeflateFixedTables::Clear()
{
    std::memset(LiteralCode, 0, sizeof LiteralCode);
    std::memset(LiteralLength, 0, sizeof LiteralLength);
    std::memset(DistanceCode, 0, sizeof DistanceCode);
    std::memset(LengthCodeOf, 0, sizeof LengthCodeOf);
    std::memset(DistanceCodeOf, 0, sizeof DistanceCodeOf);
    std::memset(BaseLength, 0, sizeof BaseLength);
    std::memset(BaseDistance, 0, sizeof BaseDistance);
    Ready = false;
}

void TDeflateFixedTables::Build()
{
    unsigned length = 0;
    for (int code = 0; code < 28; ++code) {
        BaseLength[code] = static_cast<uint16_t>(length);
        for (unsigned n = 0; n < (1u << kExtraLengthBits[code]); ++n)
            LengthCodeOf[length++] = static_cast<uint8_t>(code);
    }
    // Length 258 has a code of its own rather than code 27 with all extra bits set.
    BaseLength[28] = 255;
    LengthCodeOf[255] = 28;

    unsigned dist = 0;
    for (int code = 0; code < 16; ++code) {
        BaseDistance[code] = static_cast<uint16_t>(dist);
        for (unsigned n = 0; n < (1u << kExtraDistanceBits[code]); ++n)
            DistanceCodeOf[dist++] = static_cast<uint8_t>(code);
    }
    dist >>= 7;   // from here on the lookup works in steps of 128
    for (int code = 16; code < 30; ++code) {
        BaseDistance[code] = static_cast<uint16_t>(dist << 7);
        for (unsigned n = 0; n < (1u << (kExtraDistanceBits[code] - 7)); ++n)
            DistanceCodeOf[256 + dist++] = static_cast<uint8_t>(code);
    }

    uint16_t count[kMaxBits + 1] = {};
    for (int n = 0; n < 288; ++n) {
        LiteralLength[n] = n < 144 ? 8 : n < 256 ? 9 : n < 280 ? 7 : 8;
        ++count[LiteralLength[n]];
    }
    generateCodes(LiteralLength, LiteralCode, 287, count);
    for (int n = 0; n < 30; ++n)
        DistanceCode[n] = reverseBits(static_cast<unsigned>(n), 5);
    Ready = true;
}

TDeflateBlockCoder::TDeflateBlockCoder(TDeflateBuffers& buffers, TDeflateFixedTables& tables, TDeflateBitWriter& out,
                                       int packLevel, TZipHeaderInfo& header)
    : buffers_(buffers), tables_(tables), out_(out), packLevel_(packLevel), header_(header)
{
    if (!tables.Ready)
        tables.Build();
    literalDesc_ = {&literalTree_, tables.LiteralLength, kExtraLengthBits, EndOfBlock + 1, LiteralCodes, kMaxBits};
    distanceDesc_ = {&distanceTree_, kFixedDistanceLength, kExtraDistanceBits, 0, DistanceCodes, kMaxBits};
    codeLengthDesc_ = {&codeLengthTree_, nullptr, kExtraCodeLengthBits, 0, CodeLengthCodes, kMaxCodeLengthBits};
    std::memset(&literalTree_, 0, sizeof literalTree_);
    std::memset(&distanceTree_, 0, sizeof distanceTree_);
    std::memset(&codeLengthTree_, 0, sizeof codeLengthTree_);
    initBlock();
}

void TDeflateBlockCoder::initBlock()
{
    std::fill_n(literalTree_.Freq, LiteralCodes, 0u);
    std::fill_n(distanceTree_.Freq, DistanceCodes, 0u);
    std::fill_n(codeLengthTree_.Freq, CodeLengthCodes, 0u);
    literalTree_.Freq[EndOfBlock] = 1;
    dynamicBits_ = fixedBits_ = 0;
    symbols_ = matches_ = flagBytes_ = 0;
    flag_ = 0;
    flagBit_ = 1;
}

bool TDeflateBlockCoder::worthEarlyCut(int64_t position, int64_t blockStart) const
{
    // A block that codes far smaller than its input is cut early so that the next part of
    // the input gets codes of its own.
    int64_t estimate = static_cast<int64_t>(symbols_) * 8;
    for (int code = 0; code < DistanceCodes; ++code)
        estimate += static_cast<int64_t>(distanceTree_.Freq[code]) * (5 + kExtraDistanceBits[code]);
    estimate >>= 3;
    const int64_t blockBytes = position - blockStart;
    return matches_ < symbols_ / 2 && estimate < blockBytes / 2;
}

void TDeflateBlockCoder::setDataType()
{
    uint64_t binary = 0, text = 0;
    for (int n = 0; n < 7; ++n)
        binary += literalTree_.Freq[n];
    for (int n = 7; n < 128; ++n)
        text += literalTree_.Freq[n];
    for (int n = 128; n < 256; ++n)
        binary += literalTree_.Freq[n];
    header_.InternalFileAttributes = binary > text / 4 ? 0 : 1;
}

void TDeflateBlockCoder::sift(THuffmanTree& tree, int k)
{
    // Node a sorts before node b on lower frequency, then on depth not greater.
    auto smaller = [&](int a, int b) {
        return tree.Freq[a] < tree.Freq[b] || (tree.Freq[a] == tree.Freq[b] && depth_[a] <= depth_[b]);
    };
    const int v = heap_[k];
    int j = k << 1;
    while (j <= heapLen_) {
        if (j < heapLen_ && smaller(heap_[j + 1], heap_[j]))
            ++j;
        if (smaller(v, heap_[j]))
            break;
        heap_[k] = heap_[j];
        k = j;
        j <<= 1;
    }
    heap_[k] = v;
}

void TDeflateBlockCoder::buildTree(TTreeDescriptor& desc)
{
    THuffmanTree& tree = *desc.Tree;
    const int elems = desc.Elems;
    int maxCode = -1;
    heapLen_ = 0;
    heapMax_ = HeapSize;
    for (int n = 0; n < elems; ++n) {
        if (tree.Freq[n] != 0) {
            heap_[++heapLen_] = maxCode = n;
            depth_[n] = 0;
        } else {
            tree.Len[n] = 0;
        }
    }
    // Every code must be at least one bit long: give a lone code a partner that is never sent.
    while (heapLen_ < 2) {
        const int node = heap_[++heapLen_] = maxCode < 2 ? ++maxCode : 0;
        tree.Freq[node] = 1;
        depth_[node] = 0;
        --dynamicBits_;
        if (desc.FixedLength)
            fixedBits_ -= desc.FixedLength[node];
    }
    desc.MaxCode = maxCode;

    for (int n = heapLen_ / 2; n >= 1; --n)
        sift(tree, n);

    int node = elems;   // inner nodes are numbered from the leaf count up
    do {
        const int n = heap_[1];
        heap_[1] = heap_[heapLen_--];
        sift(tree, 1);
        const int m = heap_[1];
        heap_[--heapMax_] = n;
        heap_[--heapMax_] = m;
        tree.Freq[node] = tree.Freq[n] + tree.Freq[m];
        depth_[node] = static_cast<uint8_t>(std::max(depth_[n], depth_[m]) + 1);
        tree.Dad[n] = tree.Dad[m] = static_cast<uint16_t>(node);
        heap_[1] = node++;
        sift(tree, 1);
    } while (heapLen_ >= 2);
    heap_[--heapMax_] = heap_[1];

    genBitLengths(desc);
    generateCodes(tree.Len, tree.Code, maxCode, bitLengthCount_);
}

void TDeflateBlockCoder::genBitLengths(TTreeDescriptor& desc)
{
    THuffmanTree& tree = *desc.Tree;
    const int maxLength = desc.MaxLength;
    const int maxCode = desc.MaxCode;
    std::fill_n(bitLengthCount_, kMaxBits + 1, uint16_t(0));

    // Walk from the root down: each node is one bit deeper than its parent.
    tree.Len[heap_[heapMax_]] = 0;
    int overflow = 0;
    for (int h = heapMax_ + 1; h < HeapSize; ++h) {
        const int n = heap_[h];
        int bits = tree.Len[tree.Dad[n]] + 1;
        if (bits > maxLength) {
            bits = maxLength;
            ++overflow;
        }
        tree.Len[n] = static_cast<uint8_t>(bits);
        if (n > maxCode)
            continue;   // inner node
        ++bitLengthCount_[bits];
        const int xbits = n >= desc.ExtraBase ? desc.ExtraBits[n - desc.ExtraBase] : 0;
        const int64_t f = tree.Freq[n];
        dynamicBits_ += f * (bits + xbits);
        if (desc.FixedLength)
            fixedBits_ += f * (desc.FixedLength[n] + xbits);
    }
    if (overflow == 0)
        return;

    // Too deep: move codes from the cap level up until the counts describe a complete code
    // within the limit, then hand the lengths out again, longest to the least frequent.
    do {
        int bits = maxLength - 1;
        while (bitLengthCount_[bits] == 0)
            --bits;
        --bitLengthCount_[bits];
        bitLengthCount_[bits + 1] += 2;
        --bitLengthCount_[maxLength];
        overflow -= 2;
    } while (overflow > 0);

    int h = HeapSize;
    for (int bits = maxLength; bits != 0; --bits) {
        int n = bitLengthCount_[bits];
        while (n != 0) {
            const int m = heap_[--h];
            if (m > maxCode)
                continue;
            if (tree.Len[m] != bits) {
                dynamicBits_ += (static_cast<int64_t>(bits) - tree.Len[m]) * tree.Freq[m];
                tree.Len[m] = static_cast<uint8_t>(bits);
            }
            --n;
        }
    }
}

// Walks one length sequence as code-length symbols: emit(symbol, extraBits, extraValue) for
// each, with extraBits 0 for a plain length. Counting and sending share it so their runs agree.
template <typename Emit>
static void forEachCodeLengthSymbol(const uint8_t* len, int maxCode, Emit emit)
{
    constexpr int kNone = 0x100;   // after the last length: equals no length
    int prevLen = -1;
    int nextLen = len[0];
    int count = 0;
    int maxCount = 7, minCount = 4;
    if (nextLen == 0)
        maxCount = 138, minCount = 3;
    for (int n = 0; n <= maxCode; ++n) {
        const int curLen = nextLen;
        nextLen = n < maxCode ? len[n + 1] : kNone;
        if (++count < maxCount && curLen == nextLen)
            continue;
        if (count < minCount) {
            do
                emit(curLen, 0, 0);
            while (--count != 0);
        } else if (curLen != 0) {
            if (curLen != prevLen) {
                emit(curLen, 0, 0);
                --count;
            }
            emit(kRepeatPrevious, 2, count - 3);
        } else if (count <= 10) {
            emit(kRepeatZero3, 3, count - 3);
        } else {
            emit(kRepeatZero11, 7, count - 11);
        }
        count = 0;
        prevLen = curLen;
        if (nextLen == 0)
            maxCount = 138, minCount = 3;
        else if (curLen == nextLen)
            maxCount = 6, minCount = 3;
        else
            maxCount = 7, minCount = 4;
    }
}

// Counts the code-length symbols one length sequence needs.
void TDeflateBlockCoder::scanTree(const THuffmanTree& tree, int maxCode)
{
    uint32_t* freq = codeLengthTree_.Freq;
    forEachCodeLengthSymbol(tree.Len, maxCode, [freq](int symbol, int, int) { ++freq[symbol]; });
}

void TDeflateBlockCoder::sendTree(const THuffmanTree& tree, int maxCode)
{
    forEachCodeLengthSymbol(tree.Len, maxCode, [this](int symbol, int extraBits, int extraValue) {
        sendCode(symbol, codeLengthTree_);
        if (extraBits > 0)
            out_.PutBits(static_cast<uint32_t>(extraValue), static_cast<unsigned>(extraBits));
    });
}

// Builds the code-length tree and returns the index, in sending order, of the last
// code-length length to send (at least 3).
int TDeflateBlockCoder::buildCodeLengthTree()
{
    scanTree(literalTree_, literalDesc_.MaxCode);
    scanTree(distanceTree_, distanceDesc_.MaxCode);
    buildTree(codeLengthDesc_);
    int maxIndex;
    for (maxIndex = CodeLengthCodes - 1; maxIndex >= 3; --maxIndex)
        if (codeLengthTree_.Len[kCodeLengthOrder[maxIndex]] != 0)
            break;
    dynamicBits_ += 3 * (maxIndex + 1) + 5 + 5 + 4;
    return maxIndex;
}

void TDeflateBlockCoder::sendAllTrees(int lcodes, int dcodes, int blcodes)
{
    out_.PutBits(static_cast<uint32_t>(lcodes - 257), 5);
    out_.PutBits(static_cast<uint32_t>(dcodes - 1), 5);
    out_.PutBits(static_cast<uint32_t>(blcodes - 4), 4);
    for (int rank = 0; rank < blcodes; ++rank)
        out_.PutBits(codeLengthTree_.Len[kCodeLengthOrder[rank]], 3);
    sendTree(literalTree_, lcodes - 1);
    sendTree(distanceTree_, dcodes - 1);
}

void TDeflateBlockCoder::compressBlock(const uint16_t* literalCode, const uint8_t* literalLength,
                                       const uint16_t* distanceCode, const uint8_t* distanceLength)
{
    const uint8_t* lbuf = buffers_.LiteralBuffer;
    const uint16_t* dbuf = buffers_.DistanceBuffer;
    const uint8_t* fbuf = buffers_.FlagBuffer;
    unsigned dx = 0, fx = 0;
    unsigned flag = 0;
    for (unsigned lx = 0; lx < symbols_; ++lx) {
        if ((lx & 7) == 0)
            flag = fbuf[fx++];
        const unsigned lc = lbuf[lx];
        if ((flag & 1) == 0) {
            out_.PutBits(literalCode[lc], literalLength[lc]);
        } else {
            // Code and extra bits go out together.
            unsigned code = tables_.LengthCodeOf[lc];
            const unsigned sym = code + EndOfBlock + 1;
            unsigned extra = kExtraLengthBits[code];
            out_.PutBits(literalCode[sym] | ((lc - tables_.BaseLength[code]) << literalLength[sym]),
                         literalLength[sym] + extra);
            const unsigned dist = dbuf[dx++];
            code = tables_.DistanceCodeFor(dist);
            extra = kExtraDistanceBits[code];
            out_.PutBits(distanceCode[code] | ((dist - tables_.BaseDistance[code]) << distanceLength[code]),
                         distanceLength[code] + extra);
        }
        flag >>= 1;
    }
    out_.PutBits(literalCode[EndOfBlock], literalLength[EndOfBlock]);
}

void TDeflateBlockCoder::sendStored(const uint8_t* data, int64_t length)
{
    out_.PutRawBytes(data, static_cast<size_t>(length));
}

int64_t TDeflateBlockCoder::FlushBlock(const uint8_t* data, int64_t storedLength, bool last)
{
    buffers_.FlagBuffer[flagBytes_] = flag_;
    if (header_.InternalFileAttributes == 2)
        setDataType();

    buildTree(literalDesc_);
    buildTree(distanceDesc_);
    const int maxIndex = buildCodeLengthTree();

    int64_t bestBytes = (dynamicBits_ + 3 + 7) >> 3;
    const int64_t fixedBytes = (fixedBits_ + 3 + 7) >> 3;
    if (fixedBytes <= bestBytes)
        bestBytes = fixedBytes;
    const unsigned lastBit = last ? 1 : 0;

    if (last && bitsEmitted_ == 0 && data != nullptr && storedLength <= bestBytes) {
        // The whole entry in one block that does not shrink: store the entry itself.
        sendStored(data, storedLength);
        bitsEmitted_ = static_cast<uint64_t>(storedLength) << 3;
        header_.CompressionMethod = 0;
    } else if (data != nullptr && storedLength + 4 <= bestBytes && storedLength <= 0xFFFF) {
        out_.PutBits(lastBit, 3);   // type 00: stored
        bitsEmitted_ = ((bitsEmitted_ + 3 + 7) & ~uint64_t(7)) + (static_cast<uint64_t>(storedLength) + 4) * 8;
        out_.AlignToByte();
        out_.PutAlignedUInt16(static_cast<uint16_t>(storedLength));
        out_.PutAlignedUInt16(static_cast<uint16_t>(~storedLength));
        sendStored(data, storedLength);
    } else if (bestBytes == fixedBytes) {
        out_.PutBits(lastBit + (1u << 1), 3);
        compressBlock(tables_.LiteralCode, tables_.LiteralLength, tables_.DistanceCode, kFixedDistanceLength);
        bitsEmitted_ += 3 + static_cast<uint64_t>(fixedBits_);
    } else {
        out_.PutBits(lastBit + (2u << 1), 3);
        sendAllTrees(literalDesc_.MaxCode + 1, distanceDesc_.MaxCode + 1, maxIndex + 1);
        compressBlock(literalTree_.Code, literalTree_.Len, distanceTree_.Code, distanceTree_.Len);
        bitsEmitted_ += 3 + static_cast<uint64_t>(dynamicBits_);
    }
    initBlock();

    if (last) {
        // Leave no input behind in memory once the entry is done.
        std::memset(buffers_.Window, 0, sizeof buffers_.Window);
        out_.AlignToByte();
        out_.FlushBuffer();
        bitsEmitted_ += 7;
    }
    return static_cast<int64_t>(bitsEmitted_ >> 3);
}
