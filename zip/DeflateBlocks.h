#pragma once
// Block coding of the deflate encoder: records the matcher's literals and matches, decides
// when to cut a block, chooses stored, fixed or dynamic codes from size estimates, builds the
// Huffman codes and sends everything through the bit writer.
#include <cstdint>

#include "zip/DeflateBitWriter.h"
#include "zip/DeflateBuffers.h"

class TZipHeaderInfo;

// The fixed codes and lookup tables. The writer keeps one set for its lifetime and builds it
// at its first deflate.
struct TDeflateFixedTables {
    bool Ready = false;                // built
    uint16_t LiteralCode[288];         // fixed literal/length codes, bit-reversed
    uint8_t LiteralLength[288];
    uint16_t DistanceCode[30];         // fixed distance codes (5 bits), bit-reversed
    uint8_t LengthCodeOf[256];         // match length minus 3 -> length code 0-28
    uint8_t DistanceCodeOf[512];       // see DistanceCodeFor
    uint16_t BaseLength[29];           // of each length code, as length minus 3
    uint16_t BaseDistance[30];         // of each distance code, as distance minus 1

    TDeflateFixedTables() { Clear(); }
    void Build();
    void Clear();

    unsigned DistanceCodeFor(unsigned distanceMinus1) const
    {
        return distanceMinus1 < 256 ? DistanceCodeOf[distanceMinus1]
                                    : DistanceCodeOf[256 + (distanceMinus1 >> 7)];
    }
};

class TDeflateBlockCoder {
public:
    static constexpr int LiteralCodes = 286;      // 0-255, end of block, 29 length codes
    static constexpr int DistanceCodes = 30;
    static constexpr int CodeLengthCodes = 19;
    static constexpr int HeapSize = 2 * LiteralCodes + 1;
    static constexpr int EndOfBlock = 256;
    static constexpr unsigned MaxBlockSymbols = TDeflateBuffers::LiteralBufferSize - 1;

    // Builds the fixed tables when they are not ready yet.
    TDeflateBlockCoder(TDeflateBuffers& buffers, TDeflateFixedTables& tables, TDeflateBitWriter& out,
                       int packLevel, TZipHeaderInfo& header);

    // Each answers whether the block must be cut now. position and blockStart are the
    // matcher's, for the size test.
    bool RecordLiteral(uint8_t c, int64_t position, int64_t blockStart)
    {
        buffers_.LiteralBuffer[symbols_] = c;
        ++literalTree_.Freq[c];
        return afterSymbol(position, blockStart);
    }
    bool RecordMatch(unsigned distance, unsigned length, int64_t position, int64_t blockStart)
    {
        const unsigned lc = length - 3;
        const unsigned dist = distance - 1;
        buffers_.LiteralBuffer[symbols_] = static_cast<uint8_t>(lc);
        buffers_.DistanceBuffer[matches_++] = static_cast<uint16_t>(dist);
        ++literalTree_.Freq[tables_.LengthCodeOf[lc] + EndOfBlock + 1];
        ++distanceTree_.Freq[tables_.DistanceCodeFor(dist)];
        flag_ |= flagBit_;
        return afterSymbol(position, blockStart);
    }

    // Sends the recorded symbols as one block. data holds the block's input bytes (nullptr
    // when they have left the window), storedLength their count. Returns the bytes emitted
    // for the entry so far; after the last block, the entry's compressed size.
    int64_t FlushBlock(const uint8_t* data, int64_t storedLength, bool last);

    uint64_t BitsEmitted() const { return bitsEmitted_; }

private:
    struct THuffmanTree {
        uint32_t Freq[HeapSize];    // leaf frequency; inner nodes hold sums while building
        uint16_t Dad[HeapSize];
        uint8_t Len[HeapSize];      // code length in bits, 0 = unused
        uint16_t Code[HeapSize];    // bit-reversed code of a leaf
    };
    struct TTreeDescriptor {
        THuffmanTree* Tree;
        const uint8_t* FixedLength;  // nullptr: no fixed code
        const uint8_t* ExtraBits;
        int ExtraBase;               // first code with extra bits
        int Elems;
        int MaxLength;
        int MaxCode = -1;            // largest code in use
    };

    bool afterSymbol(int64_t position, int64_t blockStart)
    {
        ++symbols_;
        flagBit_ = static_cast<uint8_t>(flagBit_ << 1);
        if ((symbols_ & 7) == 0) {
            buffers_.FlagBuffer[flagBytes_++] = flag_;
            flag_ = 0;
            flagBit_ = 1;
        }
        if (packLevel_ > 2 && (symbols_ & 0xFFF) == 0 && worthEarlyCut(position, blockStart))
            return true;
        return symbols_ == MaxBlockSymbols || matches_ == TDeflateBuffers::DistanceBufferSize;
    }
    bool worthEarlyCut(int64_t position, int64_t blockStart) const;

    void initBlock();
    void setDataType();
    void buildTree(TTreeDescriptor& desc);
    void sift(THuffmanTree& tree, int k);
    void genBitLengths(TTreeDescriptor& desc);
    void scanTree(const THuffmanTree& tree, int maxCode);
    void sendTree(const THuffmanTree& tree, int maxCode);
    int buildCodeLengthTree();
    void sendAllTrees(int lcodes, int dcodes, int blcodes);
    void compressBlock(const uint16_t* literalCode, const uint8_t* literalLength, const uint16_t* distanceCode,
                       const uint8_t* distanceLength);
    void sendStored(const uint8_t* data, int64_t length);
    void sendCode(int code, const THuffmanTree& tree) { out_.PutBits(tree.Code[code], tree.Len[code]); }

    TDeflateBuffers& buffers_;
    const TDeflateFixedTables& tables_;
    TDeflateBitWriter& out_;
    const int packLevel_;
    TZipHeaderInfo& header_;

    THuffmanTree literalTree_;
    THuffmanTree distanceTree_;
    THuffmanTree codeLengthTree_;
    TTreeDescriptor literalDesc_;
    TTreeDescriptor distanceDesc_;
    TTreeDescriptor codeLengthDesc_;

    int heap_[HeapSize];
    int heapLen_ = 0;
    int heapMax_ = 0;
    uint8_t depth_[HeapSize];
    uint16_t bitLengthCount_[16];

    unsigned symbols_ = 0;     // in the block
    unsigned matches_ = 0;
    unsigned flagBytes_ = 0;
    uint8_t flag_ = 0;
    uint8_t flagBit_ = 1;

    int64_t dynamicBits_ = 0;  // estimate of the block with dynamic codes
    int64_t fixedBits_ = 0;    // estimate with fixed codes
    uint64_t bitsEmitted_ = 0; // for the entry
};
