#include "zip/DecoderState.h"

#include <algorithm>
#include <cstring>

#include "platform/Stream.h"
#include "zip/Inflate.h"
#include "zip/ZipComponentBase.h"
#include "zip/ZipExceptions.h"

const char* DecoderStatusMessage(uint16_t status)
{
    switch (status) {
    case DecodeOk: return "";
    case DecodeBadLengths: return "Corrupt compressed data: invalid block type or code lengths";
    case DecodeOutOfMemory: return "*** inflate out of memory ***";
    case DecodeBadTree: return "Corrupt compressed data: invalid tree description";
    case DecodeSizeMismatch: return "Corrupt compressed data: compressed size does not match";
    case DecodeInputEnded: return "Corrupt compressed data: unexpected end of data";
    case DecodeOutputMismatch: return "Corrupt compressed data: uncompressed size does not match";
    default: return "Corrupt compressed data";
    }
}

void CheckDecoderStatus(uint16_t status)
{
    if (status != DecodeOk)
        throw EFatalUnzipError(DecoderStatusMessage(status));
}

TDecoderState::TDecoderState(TZipComponentBase* owner)
    : Owner(owner),
      InputBuffer(std::make_unique<uint8_t[]>(BufferSize)),
      OutputBuffer(std::make_unique<uint8_t[]>(BufferSize)),
      WorkArea(std::make_unique<uint8_t[]>(WorkAreaSize))
{
}

TDecoderState::~TDecoderState() = default;

void TDecoderState::BeginEntry()
{
    CompressedLeft = Owner->CurrentHeader->CompressedSize;
    ExpectedSize = Owner->CurrentHeader->UncompressedSize;
    InputCount = 0;
    InputPos = 0;
    OutputCount = 0;
    BitBuffer = 0;
    BitCount = 0;
    EndOfData = false;
    Owner->EntryBytesDone = 0;
}

int TDecoderState::LoadChunk()
{
    Owner->ProcessMessagesAndCheckAbort();
    TZipHeaderInfo& header = *Owner->CurrentHeader;
    const uint32_t want = std::min<uint32_t>(header.CompressedSize, ChunkSize);
    header.CompressedSize -= want;
    int64_t got = std::max<int64_t>(ArchiveStream->Read(InputBuffer.get(), want), 0);
    while (got < want) {
        if (!Owner->ContinuesOnNextVolume())
            throw EFatalUnzipError("Premature end of file reached");
        TStream* next = Owner->LoadNextDisk(Owner->CurrentDisk + 2);
        if (next == nullptr)
            throw EUserCanceled("User Aborted Operation");
        ArchiveStream = next;
        const int64_t more = next->Read(InputBuffer.get() + got, want - got);
        // A volume that gives nothing would have us ask for volumes forever.
        if (more <= 0)
            throw EFatalUnzipError("Premature end of file reached");
        got += more;
    }
    if (header.IsEncrypted())
        Owner->CryptDecryptBuffer(InputBuffer.get(), want);
    InputPos = 0;
    InputCount = static_cast<uint16_t>(want);
    return static_cast<int>(want);
}

int TDecoderState::ReadInputChunk(uint16_t& b)
{
    if (CompressedLeft <= 0) {
        --CompressedLeft;
        return 0;
    }
    --CompressedLeft;
    if (InputCount == 0 && LoadChunk() == 0)
        return 0;
    b = InputBuffer[InputPos++];
    --InputCount;
    return 8;
}

int TDecoderState::FlushOutput()
{
    if (OutputCount == 0)
        return 0;
    WriteOutput(OutputBuffer.get(), OutputCount);
    OutputCount = 0;
    return 0;
}

void TDecoderState::WriteOutput(const uint8_t* data, uint16_t count)
{
    if (Owner->EntryBytesDone + count > ExpectedSize)
        throw EEntryPastSize();
    OutputStream->WriteBuffer(data, count);
    Owner->UpdateCRC32(data, count);
    Owner->EntryBytesDone += count;
    if (Owner->OnFilePercentDone)
        Owner->OnFilePercentDone(Owner, TZipComponentBase::Percent(static_cast<double>(Owner->EntryBytesDone),
                                                                  Owner->CurrentHeader->UncompressedSize));
    if (Owner->OnTotalPercentDone) {
        Owner->TotalBytesDone += count;
        Owner->OnTotalPercentDone(Owner, TZipComponentBase::Percent(Owner->TotalBytesDone, Owner->TotalBytes));
    }
}

void TDecoderState::CopyOut(const uint8_t* source, size_t n)
{
    while (n > 0) {
        const size_t room = std::min<size_t>(n, ChunkSize - OutputCount);
        std::memcpy(OutputBuffer.get() + OutputCount, source, room);
        OutputCount = static_cast<uint16_t>(OutputCount + room);
        source += room;
        n -= room;
        if (OutputCount == ChunkSize)
            FlushOutput();
    }
}

bool TDecoderState::NeedBits(int n)
{
    if (BitCount < n) {
        uint16_t b = 0;
        while (BitCount < 25 && ReadInputChunk(b) != 0) {
            BitBuffer |= uint32_t(b) << BitCount;
            BitCount = static_cast<uint16_t>(BitCount + 8);
        }
    }
    // A code cut short by the end of the data counts as no code at all.
    EndOfData = BitCount < n;
    return !EndOfData;
}

TBitInput::TBitInput(TDecoderState& state)
    : In(state.InputBuffer.get() + state.InputPos),
      End(state.InputBuffer.get() + state.InputPos + state.InputCount),
      state_(state),
      synced_(In)
{
}

void TBitInput::Sync()
{
    const auto taken = static_cast<uint16_t>(In - synced_);
    state_.InputPos = static_cast<uint16_t>(state_.InputPos + taken);
    state_.InputCount = static_cast<uint16_t>(state_.InputCount - taken);
    state_.CompressedLeft -= taken;
    synced_ = In;
}

bool TBitInput::LoadMore()
{
    Sync();
    if (state_.CompressedLeft <= 0)
        return false;
    const int n = state_.LoadChunk();
    In = synced_ = state_.InputBuffer.get();
    End = In + n;
    return n > 0;
}

bool TBitInput::Refill()
{
    if (Overrun())
        return false;
    // Bits above Count may hold bytes a fast refill looked at; they come in again below.
    Bits &= (uint64_t(1) << Count) - 1;
    while (Count < 56) {
        if (In == End && !LoadMore()) {
            ++Phantom;
            --state_.CompressedLeft;
            Count += 8;
            continue;
        }
        Bits |= uint64_t(*In++) << Count;
        Count += 8;
    }
    return true;
}
