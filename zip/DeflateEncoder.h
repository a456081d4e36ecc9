#pragma once
// The ZIP component's compressor: turns one entry's bytes into a raw deflate stream (ZIP
// method 8). The archive writer owns the work buffers and the fixed tables and calls
// DeflateEntry once per entry.
#include <cstdint>
#include <vector>

#include "zip/DeflateBitWriter.h"
#include "zip/DeflateBlocks.h"
#include "zip/DeflateBuffers.h"
#include "zip/ZipExceptions.h"

class TStream;
class TZipComponentBase;

// A match whose bytes differ from those at the string start.
class EInvalidMatch : public EZipError { using EZipError::EZipError; };

struct TDeflateConfig {
    uint16_t GoodLength;   // previous match at least this long: search a quarter of the chain
    uint16_t MaxLazy;      // lazy: no search after a match this long; greedy: longest match whose positions are hashed
    uint16_t NiceLength;   // stop searching at a match this long
    uint16_t MaxChain;     // chain candidates per search; 0 = no limit
    bool Lazy;
};

// One row per PackLevel 0-9.
extern const TDeflateConfig DeflateConfigTable[10];

// Compresses source from its position to its end into output at packLevel (0-9) and returns
// the bytes written for the entry (without an encryption header, which the caller writes).
// The caller presets zip.RunningCRC to all ones, zip.EntryBytesDone to 0, and in
// zip.CurrentHeader the InternalFileAttributes to 2 and the CompressionMethod to 8.
// Afterwards RunningCRC covers every byte read, InternalFileAttributes is 1 (text) or 0
// (binary), GeneralPurposeFlag carries the level bits (4 at levels 0-2, 2 at 8-9), and
// CompressionMethod is 0 when the entry was stored whole. With encrypt set, every byte
// written is encrypted with zip.CryptKeys, continuing their state.
// Raises EZipError for entries of 4 GiB or more, EUserCanceled on an abort request seen
// between output writes, and passes the streams' exceptions through.
int64_t DeflateEntry(TZipComponentBase& zip, TStream& source, TStream& output, int packLevel, bool encrypt,
                     TDeflateBuffers& buffers, TDeflateFixedTables& tables);
// The same with buffers and tables of its own (for one-off use).
int64_t DeflateEntry(TZipComponentBase& zip, TStream& source, TStream& output, int packLevel, bool encrypt);

class TDeflateEncoder : private TDeflateOutputHook {
public:
    // The largest entry a ZIP archive without ZIP64 can describe; 0xFFFFFFFF itself is the
    // marker that tells readers to look for ZIP64 fields.
    static constexpr int64_t MaxEntrySize = 0xFFFFFFFEll;

    TDeflateEncoder(TZipComponentBase& zip, TStream& source, TStream& output, int packLevel, bool encrypt,
                    TDeflateBuffers& buffers, TDeflateFixedTables& tables);

    int64_t Deflate();

    // Input hook: reads up to size bytes, advancing the CRC and the progress counters.
    int ReadInputBuffer(uint8_t* buffer, unsigned size);
    // Output hook: writes size * count bytes, encrypted when asked, then lets messages run.
    int64_t WriteOutputBuffer(const uint8_t* buffer, size_t size, size_t count) override;
    // Raises EInvalidMatch unless the length bytes at window position match equal those at
    // start. A pending match may begin one byte before the window after a slide; that byte
    // is gone and is not compared.
    void CheckMatch(int start, int match, unsigned length) const;

    // Lowers the size limit (tests only; a real 4 GiB entry takes too long to feed).
    void SetSizeLimitForTesting(int64_t limit) { sizeLimit_ = limit; }

private:
    static constexpr unsigned WindowHalf = 32768;
    static constexpr unsigned HashMask = 0x7FFF;
    static constexpr unsigned MinMatch = 3;
    static constexpr unsigned MaxMatch = 258;
    static constexpr unsigned MinLookahead = MaxMatch + MinMatch + 1;   // 262
    static constexpr unsigned MaxDistance = WindowHalf - MinLookahead;  // 32506
    static constexpr unsigned TooFar = 4096;

    void fillWindow();
    unsigned insertString(unsigned p)
    {
        hash_ = ((hash_ << 5) ^ window_[p + 2]) & HashMask;
        const unsigned candidate = head_[hash_];
        prev_[p & HashMask] = static_cast<uint16_t>(candidate);
        head_[hash_] = static_cast<uint16_t>(p);
        return candidate;
    }
    unsigned longestMatch(unsigned candidate, unsigned prevLength);
    __attribute__((noinline)) unsigned longestMatchOutOfLine(unsigned candidate, unsigned prevLength);
    int64_t deflateGreedy();
    int64_t deflateLazy();
    int64_t flushBlock(bool last);
    void checkOutputSize(int64_t written) const;

    TZipComponentBase& zip_;
    TStream& source_;
    TStream& output_;
    const int packLevel_;
    const bool encrypt_;
    TDeflateBuffers& buffers_;
    uint8_t* const window_;
    uint16_t* const prev_;
    uint16_t* const head_;
    TDeflateBitWriter bits_;
    TDeflateBlockCoder blocks_;
    TDeflateConfig config_;

    // Matcher state of one run.
    unsigned strStart_ = 0;      // current window position
    unsigned lookahead_ = 0;     // valid bytes from strStart_
    int64_t blockStart_ = 0;     // negative once the block's first bytes have slid out
    int matchStart_ = 0;         // may turn negative when the window slides
    unsigned hash_ = 0;
    bool endOfInput_ = false;

    int64_t bytesRead_ = 0;
    int64_t bytesWritten_ = 0;
    int64_t sizeLimit_ = MaxEntrySize;
    std::vector<uint8_t> cipherCopy_;   // encrypted bytes on their way out
};
