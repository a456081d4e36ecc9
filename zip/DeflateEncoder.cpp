#include "zip/DeflateEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "platform/Stream.h"
#include "platform/StrUtils.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipHeaderInfo.h"

const TDeflateConfig DeflateConfigTable[10] = {
    {0, 0, 0, 0, false},        // 0: greedy, first match, no chain limit
    {4, 4, 8, 4, false},
    {4, 5, 16, 8, false},
    {4, 6, 32, 32, false},
    {4, 4, 16, 16, true},       // 4-9: lazy
    {8, 16, 32, 32, true},
    {8, 16, 128, 128, true},
    {8, 32, 128, 256, true},
    {32, 128, 258, 1024, true},
    {32, 258, 258, 4096, true},
};

static const char* const kTooLarge = "Entry too large for a ZIP archive (4 GiB or more)";

static inline uint16_t load16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

static inline uint64_t load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

TDeflateEncoder::TDeflateEncoder(TZipComponentBase& zip, TStream& source, TStream& output, int packLevel,
                                 bool encrypt, TDeflateBuffers& buffers, TDeflateFixedTables& tables)
    : zip_(zip), source_(source), output_(output), packLevel_(std::clamp(packLevel, 0, 9)), encrypt_(encrypt),
      buffers_(buffers), window_(buffers.Window), prev_(buffers.Prev), head_(buffers.Head), bits_(*this),
      blocks_(buffers, tables, bits_, packLevel_, *zip.CurrentHeader), config_(DeflateConfigTable[packLevel_])
{
}

int64_t TDeflateEncoder::Deflate()
{
    const int64_t remaining = source_.GetSize() - source_.GetPosition();
    if (remaining > sizeLimit_)
        throw EZipError(kTooLarge);

    std::fill_n(head_, TDeflateBuffers::HashSize, uint16_t(0));
    TZipHeaderInfo& header = *zip_.CurrentHeader;
    if (packLevel_ <= 2)
        header.GeneralPurposeFlag |= 4;
    else if (packLevel_ >= 8)
        header.GeneralPurposeFlag |= 2;
    strStart_ = 0;
    blockStart_ = 0;
    matchStart_ = 0;
    endOfInput_ = false;

    const int n = ReadInputBuffer(window_, WindowHalf);
    if (n == 0) {
        endOfInput_ = true;
        lookahead_ = 0;
    } else {
        lookahead_ = static_cast<unsigned>(n);
        while (lookahead_ < MinLookahead && !endOfInput_)
            fillWindow();
    }
    hash_ = 0;
    hash_ = ((hash_ << 5) ^ window_[0]) & HashMask;
    hash_ = ((hash_ << 5) ^ window_[1]) & HashMask;
    return config_.Lazy ? deflateLazy() : deflateGreedy();
}

void TDeflateEncoder::fillWindow()
{
    do {
        unsigned more = TDeflateBuffers::WindowSize - lookahead_ - strStart_;
        if (strStart_ >= WindowHalf + MaxDistance) {
            // Slide: the upper half becomes history; positions that fall off become "none".
            std::memcpy(window_, window_ + WindowHalf, WindowHalf);
            matchStart_ -= static_cast<int>(WindowHalf);
            strStart_ -= WindowHalf;
            blockStart_ -= WindowHalf;
            for (unsigned i = 0; i < TDeflateBuffers::HashSize; ++i) {
                const unsigned h = head_[i];
                head_[i] = static_cast<uint16_t>(h >= WindowHalf ? h - WindowHalf : 0);
            }
            for (unsigned i = 0; i < TDeflateBuffers::HashSize; ++i) {
                const unsigned p = prev_[i];
                prev_[i] = static_cast<uint16_t>(p >= WindowHalf ? p - WindowHalf : 0);
            }
            more += WindowHalf;
        }
        if (endOfInput_)
            return;
        const int n = ReadInputBuffer(window_ + strStart_ + lookahead_, more);
        if (n == 0)
            endOfInput_ = true;
        else
            lookahead_ += static_cast<unsigned>(n);
    } while (lookahead_ < MinLookahead && !endOfInput_);
}

__attribute__((always_inline)) inline unsigned TDeflateEncoder::longestMatch(unsigned candidate, unsigned prevLength)
{
    uint16_t chain = config_.MaxChain;   // 16 bits: 0 wraps on the first step, so no limit
    if (prevLength >= config_.GoodLength)
        chain = static_cast<uint16_t>(chain >> 2);
    const unsigned maxLen = std::min(MaxMatch, lookahead_);   // never compare past the input
    unsigned best = prevLength;
    if (best >= maxLen)
        return best;
    const unsigned nice = config_.NiceLength;
    const uint8_t* const window = window_;
    const uint16_t* const prev = prev_;
    const uint8_t* const scan = window + strStart_;
    const unsigned limit = strStart_ > MaxDistance ? strStart_ - MaxDistance : 0;
    unsigned cur = candidate;
    int bestStart = -1;

    if (std::endian::native == std::endian::little && maxLen >= 8) {
        // A candidate can only beat the best if it agrees up to and including byte best; the
        // 8 bytes ending there (or all of them, while best is short) reject most candidates.
        // The walk is bound by the latency of each prev[] step, so the loop keeps its state
        // in registers: one pointer for the probe, a plain counter for the chain.
        unsigned steps = chain == 0 ? 0x10000u : chain;   // the 16-bit count: 0 wraps to no limit
        const uint8_t* probe;
        uint64_t mask, scanEnd;
        auto setEnd = [&] {
            const unsigned endOffset = best >= 7 ? best - 7 : 0;
            mask = best >= 7 ? ~uint64_t(0) : (uint64_t(1) << (8 * (best + 1))) - 1;
            scanEnd = load64(scan + endOffset) & mask;
            probe = window + endOffset;
        };
        setEnd();
        do {
            if ((load64(probe + cur) & mask) != scanEnd)
                continue;
            const uint8_t* const match = window + cur;
            unsigned len = 0;
            for (;;) {
                if (len + 8 > maxLen) {
                    while (len < maxLen && scan[len] == match[len])
                        ++len;
                    break;
                }
                const uint64_t diff = load64(scan + len) ^ load64(match + len);
                if (diff != 0) {
                    len += static_cast<unsigned>(std::countr_zero(diff)) >> 3;
                    break;
                }
                len += 8;
            }
            if (len > best) {
                bestStart = static_cast<int>(cur);
                best = len;
                if (len >= nice || len >= maxLen)
                    break;
                setEnd();
            }
        } while ((cur = prev[cur & HashMask]) > limit && --steps != 0);
    } else {
        // Near the end of the input (and on big-endian machines): byte by byte.
        do {
            const uint8_t* const match = window + cur;
            if (match[best] != scan[best] || match[best - 1] != scan[best - 1] || match[0] != scan[0] ||
                match[1] != scan[1])
                continue;
            unsigned len = 2;
            while (len < maxLen && scan[len] == match[len])
                ++len;
            if (len > best) {
                bestStart = static_cast<int>(cur);
                best = len;
                if (len >= nice || len >= maxLen)
                    break;
            }
        } while ((cur = prev[cur & HashMask]) > limit && --chain != 0);
    }
    if (bestStart >= 0)
        matchStart_ = bestStart;
    return best;
}

// The lazy loop calls it out of line: inlined there, its chain walk lost its registers to the
// loop's. The greedy loop, with its short chains, keeps it inline.
unsigned TDeflateEncoder::longestMatchOutOfLine(unsigned candidate, unsigned prevLength)
{
    return longestMatch(candidate, prevLength);
}

void TDeflateEncoder::CheckMatch(int start, int match, unsigned length) const
{
    // After a slide a pending match may start just before the window; compare what is left.
    const int skip = match < 0 ? -match : 0;
    if (start < 0 || start + static_cast<int>(length) > static_cast<int>(TDeflateBuffers::WindowSize) ||
        match + static_cast<int>(length) > static_cast<int>(TDeflateBuffers::WindowSize) ||
        skip > static_cast<int>(length) ||
        std::memcmp(window_ + match + skip, window_ + start + skip, length - static_cast<unsigned>(skip)) != 0)
        throw EInvalidMatch(Format("Start: %d, Match: %d, Length: %d", start, match, static_cast<int>(length)));
}

int64_t TDeflateEncoder::flushBlock(bool last)
{
    const uint8_t* data = blockStart_ >= 0 ? window_ + blockStart_ : nullptr;
    return blocks_.FlushBlock(data, static_cast<int64_t>(strStart_) - blockStart_, last);
}

int64_t TDeflateEncoder::deflateGreedy()
{
    const unsigned maxInsert = config_.MaxLazy;
    unsigned matchLength = MinMatch - 1;
    while (lookahead_ > 0) {
        // Positions whose three hashed bytes run past the input are not entered.
        const unsigned insertLimit = strStart_ + lookahead_ - MinMatch;
        unsigned candidate = 0;
        if (lookahead_ >= MinMatch)
            candidate = insertString(strStart_);
        if (candidate != 0 && strStart_ - candidate <= MaxDistance)
            matchLength = std::min(longestMatch(candidate, MinMatch - 1), lookahead_);
        bool cut;
        if (matchLength >= MinMatch) {
            CheckMatch(static_cast<int>(strStart_), matchStart_, matchLength);
            cut = blocks_.RecordMatch(strStart_ - static_cast<unsigned>(matchStart_), matchLength, strStart_,
                                      blockStart_);
            lookahead_ -= matchLength;
            if (matchLength <= maxInsert) {
                for (--matchLength; matchLength != 0; --matchLength) {
                    ++strStart_;
                    if (strStart_ <= insertLimit)
                        insertString(strStart_);
                }
                ++strStart_;
            } else {
                strStart_ += matchLength;
                matchLength = 0;
                hash_ = window_[strStart_];
                hash_ = ((hash_ << 5) ^ window_[strStart_ + 1]) & HashMask;
            }
        } else {
            cut = blocks_.RecordLiteral(window_[strStart_], strStart_, blockStart_);
            --lookahead_;
            ++strStart_;
        }
        if (cut) {
            flushBlock(false);
            blockStart_ = strStart_;
        }
        if (lookahead_ < MinLookahead)
            fillWindow();
    }
    return flushBlock(true);
}

int64_t TDeflateEncoder::deflateLazy()
{
    const unsigned maxLazy = config_.MaxLazy;
    unsigned matchLength = MinMatch - 1;
    bool literalPending = false;
    while (lookahead_ > 0) {
        const unsigned insertLimit = strStart_ + lookahead_ - MinMatch;
        unsigned candidate = 0;
        if (lookahead_ >= MinMatch)
            candidate = insertString(strStart_);
        const unsigned prevLength = matchLength;
        const int prevMatch = matchStart_;
        matchLength = MinMatch - 1;
        if (candidate != 0 && prevLength < maxLazy && strStart_ - candidate <= MaxDistance) {
            matchLength = std::min(longestMatchOutOfLine(candidate, prevLength), lookahead_);
            // A far 3-byte match costs more than its three literals.
            if (matchLength == MinMatch && static_cast<int>(strStart_) - matchStart_ > static_cast<int>(TooFar))
                matchLength = MinMatch - 1;
        }
        if (prevLength >= MinMatch && matchLength <= prevLength) {
            // The match found one position back is at least as good: take it.
            const int start = static_cast<int>(strStart_) - 1;
            CheckMatch(start, prevMatch, prevLength);
            const bool cut = blocks_.RecordMatch(static_cast<unsigned>(start - prevMatch), prevLength, strStart_,
                                                 blockStart_);
            lookahead_ -= prevLength - 1;
            for (unsigned k = prevLength - 2; k != 0; --k) {
                ++strStart_;
                if (strStart_ <= insertLimit)
                    insertString(strStart_);
            }
            ++strStart_;
            literalPending = false;
            matchLength = MinMatch - 1;
            if (cut) {
                flushBlock(false);
                blockStart_ = strStart_;
            }
        } else if (literalPending) {
            if (blocks_.RecordLiteral(window_[strStart_ - 1], strStart_, blockStart_)) {
                flushBlock(false);
                blockStart_ = strStart_;
            }
            ++strStart_;
            --lookahead_;
        } else {
            literalPending = true;
            ++strStart_;
            --lookahead_;
        }
        if (lookahead_ < MinLookahead)
            fillWindow();
    }
    if (literalPending)
        blocks_.RecordLiteral(window_[strStart_ - 1], strStart_, blockStart_);
    return flushBlock(true);
}

int TDeflateEncoder::ReadInputBuffer(uint8_t* buffer, unsigned size)
{
    size &= 0xFFFF;
    const int64_t n = source_.Read(buffer, size);
    if (n <= 0)
        return 0;
    bytesRead_ += n;
    if (bytesRead_ > sizeLimit_)
        throw EZipError(kTooLarge);
    if (zip_.OnFilePercentDone) {
        zip_.EntryBytesDone += n;
        const double entrySize = zip_.CurrentHeader->UncompressedSize;
        zip_.OnFilePercentDone(&zip_, entrySize < 1 ? 0 : TZipComponentBase::Percent(zip_.EntryBytesDone, entrySize));
    }
    if (zip_.OnTotalPercentDone) {
        zip_.TotalBytesDone += n;
        zip_.OnTotalPercentDone(&zip_, TZipComponentBase::Percent(zip_.TotalBytesDone, zip_.TotalBytes));
    }
    zip_.UpdateCRC32(buffer, static_cast<size_t>(n));
    return static_cast<int>(n);
}

void TDeflateEncoder::checkOutputSize(int64_t written) const
{
    // The compressed size field also counts the 12-byte encryption header.
    if (written + (encrypt_ ? 12 : 0) > sizeLimit_)
        throw EZipError(kTooLarge);
}

int64_t TDeflateEncoder::WriteOutputBuffer(const uint8_t* buffer, size_t size, size_t count)
{
    const size_t n = size * count;
    checkOutputSize(bytesWritten_ + static_cast<int64_t>(n));
    const uint8_t* out = buffer;
    if (encrypt_) {
        // Encrypt a copy: a stored block's bytes are window bytes that later matches read.
        if (cipherCopy_.size() < n)
            cipherCopy_.resize(n);
        for (size_t i = 0; i < n; ++i)
            cipherCopy_[i] = zip_.CryptEncryptByte(buffer[i]);
        out = cipherCopy_.data();
    }
    // A short write (a full disk) must not pass for success.
    output_.WriteBuffer(out, static_cast<int64_t>(n));
    bytesWritten_ += static_cast<int64_t>(n);
    zip_.ProcessMessagesAndCheckAbort();
    return static_cast<int64_t>(n);
}

int64_t DeflateEntry(TZipComponentBase& zip, TStream& source, TStream& output, int packLevel, bool encrypt,
                     TDeflateBuffers& buffers, TDeflateFixedTables& tables)
{
    TDeflateEncoder encoder(zip, source, output, packLevel, encrypt, buffers, tables);
    return encoder.Deflate();
}

int64_t DeflateEntry(TZipComponentBase& zip, TStream& source, TStream& output, int packLevel, bool encrypt)
{
    auto buffers = std::make_unique<TDeflateBuffers>();
    TDeflateFixedTables tables;
    return DeflateEntry(zip, source, output, packLevel, encrypt, *buffers, tables);
}
