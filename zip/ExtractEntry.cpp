// The extraction side of the reader: the loop over the selected entries, one entry with its
// pass-phrase check, decoder and CRC test, and the output to files.
#include <algorithm>

#include "platform/FileUtils.h"
#include "platform/StrUtils.h"
#include "zip/DecoderState.h"
#include "zip/ExtractOutput.h"
#include "zip/Inflate.h"
#include "zip/LFNFileStream.h"
#include "zip/LegacyDecoders.h"
#include "zip/LittleEndian.h"
#include "zip/MatchesMask.h"
#include "zip/SuperUnZip.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipFileUtils.h"
#include "zip/ZipHost.h"

namespace {

// Stored data of a spanned archive may run on into the next volume; the chunk reader
// follows it there.
void CopyStoredAcrossVolumes(TDecoderState& state)
{
    while (state.Owner->CurrentHeader->CompressedSize > 0) {
        const int n = state.LoadChunk();
        state.CopyOut(state.InputBuffer.get(), static_cast<size_t>(n));
        state.InputCount = 0;
    }
    state.FlushOutput();
}

// Most bytes one compressed byte can stand for: a deflate match of 258 bytes in two bits.
constexpr int64_t MaxExpansion = 1032;

// A memory stream grown step by step holds its bytes up to three times over while it grows;
// room for the whole entry at once keeps them once. Only a size that the compressed bytes
// at hand can really reach is taken.
void ReserveForEntry(TStream& out, const TZipHeaderInfo& h, int64_t bytesAtHand)
{
    auto* memory = dynamic_cast<TMemoryStream*>(&out);
    const int64_t compressed = std::min<int64_t>(h.CompressedSize, bytesAtHand);
    if (!memory || int64_t(h.UncompressedSize) > compressed * MaxExpansion + 1024)
        return;
    memory->Bytes().reserve(static_cast<size_t>(memory->GetPosition() + int64_t(h.UncompressedSize)));
}

bool IsSupportedMethod(uint16_t method) { return method <= 6 || method == 8; }

// Sizes and offsets at their maximum stand for 64-bit values in an extra field: such an
// archive is refused before anything is read or allocated for it.
void RefuseZip64Entry(const TZipHeaderInfo& h, const std::string& entryName)
{
    if (h.CompressedSize == 0xFFFFFFFFu || h.UncompressedSize == 0xFFFFFFFFu ||
        h.RelativeOffsetOfLocalHeader == 0xFFFFFFFFu || h.DiskNumberStart == 0xFFFFu)
        throw EFatalUnzipError("ZIP64 archives are not supported: " + entryName);
}

std::string UnknownMethodText(const TZipHeaderInfo& h, const std::string& entryName)
{
    return Format("Unknown Compression Method %d%s in %s", int(h.CompressionMethod),
                  h.CompressionMethod == 99 ? " (AES encryption)" : "", entryName.c_str());
}

// Runs the decoder of the entry's method; returns its status.
uint16_t Decode(TDecoderState& state, uint16_t method)
{
    switch (method) {
    case 0:
        if (state.Owner->SpansVolumes())
            CopyStoredAcrossVolumes(state);
        else
            CopyStored(state);
        return DecodeOk;
    case 1: return Unshrink(state);
    case 2: case 3: case 4: case 5: return Unreduce(state, method - 1);
    case 6: return Explode(state);
    case 8: return Inflate(state);
    default: throw EFatalUnzipError("Unknown Compression Method");
    }
}

}  // namespace

int32_t TSuperUnZip::UnzipToStream(TStream& dst, const std::string& name)
{
    SingleStream = &dst;
    AbortRequested = false;
    SingleStreamMode = true;
    struct Leave {
        TSuperUnZip& self;
        ~Leave()
        {
            self.SingleStreamMode = false;
            self.CloseZip();
        }
    } leave{*this};
    // A failure leaves the caller's stream as it was.
    TStreamCheckpoint checkpoint(dst);
    try {
        OpenZip();
        FilesList.Clear();
        FilesList.Add(name);
        return ExtractMatching();
    } catch (...) {
        checkpoint.Restore();
        throw;
    }
}

int32_t TSuperUnZip::ExtractMatching()
{
    TDecoderState state(this);
    struct Run {
        TSuperUnZip& self;
        TZipSortMode savedSort;
        bool restoreSort = false;
        ~Run()
        {
            self.decoder_ = nullptr;
            if (restoreSort)
                self.SetSortMode(savedSort);
        }
    } run{*this, sortMode_};
    decoder_ = &state;
    RefuseOverlappingEntries();

    // Output paths are built on DestDir; the process's current directory is left alone.
    if (!SingleStreamMode && !destDir_.empty()) {
        const int error = CreateDirectories(destDir_);
        if (error != 0)
            throw EFCreateError(CannotCreateText("directory", destDir_, error));
    }
    if (SpansVolumes() && sortMode_ != TZipSortMode::ByNone) {
        run.restoreSort = true;
        SetSortMode(TZipSortMode::ByNone);
    }

    TotalBytes = 0;
    TotalBytesDone = 0;
    extractCount_ = Count();
    std::vector<std::string> masks;
    for (const std::string& line : FilesList) {
        std::string mask = LowerCase(line);
        BackslashSeparators(mask);
        masks.push_back(std::move(mask));
    }
    for (int i = 0; i < Count(); ++i) {
        TZipHeaderInfo& entry = *SortedView->GetItem(i);
        entry.Selected = DoAll;
        if (entry.FileName().empty() && !RecreateDirs) {
            entry.Selected = false;
        } else {
            for (const std::string& mask : masks) {
                const std::string name =
                    LowerCase(mask.find('\\') != std::string::npos ? entry.Directory() + entry.FileName() : entry.FileName());
                if (MatchesMask(mask, name)) {
                    entry.Selected = true;
                    break;
                }
            }
        }
        if (entry.Selected)
            TotalBytes += entry.UncompressedSize;
        else
            --extractCount_;
    }

    bool stopNow = false;
    if (OnStartUnZipInfo)
        OnStartUnZipInfo(this, extractCount_, TotalBytes, stopNow);
    if (extractCount_ > 0 && !stopNow) {
        for (int i = 0; i < Count(); ++i) {
            if (!SortedView->GetItem(i)->Selected)
                continue;
            do
                ExtractEntry(i);
            while (retryRequest_);
        }
    }
    return extractCount_;
}

void TSuperUnZip::ExtractEntry(int index)
{
    retryRequest_ = false;
    CurrentHeader->Assign(Entry(index));
    TZipHeaderInfo& h = *CurrentHeader;
    const std::string entryName = h.Directory() + h.FileName();
    RefuseZip64Entry(h, entryName);
    // An entry that cannot be written is reported and counts as failed; the others go on.
    const auto fail = [this](const std::string& message) {
        ZipHost().ShowError(message, "Zip Error");
        --extractCount_;
    };
    if (!IsSupportedMethod(h.CompressionMethod)) {
        fail(UnknownMethodText(h, entryName));
        return;
    }

    if (SpansVolumes() && h.DiskNumberStart != CurrentDisk)
        LoadNextDisk(h.DiskNumberStart + 1);
    TLFNFileStream& archive = Archive();
    decoder_->ArchiveStream = &archive;

    // The directory may point anywhere: only a real local header is followed.
    uint8_t local[LocalHeaderSize];
    archive.SetPosition(h.RelativeOffsetOfLocalHeader);
    if (archive.Read(local, LocalHeaderSize) != LocalHeaderSize || Get32(local) != LocalHeaderSignature)
        throw EFatalUnzipError("Local header of " + entryName + " not found");
    archive.Seek(int64_t(Get16(local + 26)) + Get16(local + 28), TSeekOrigin::soCurrent);
    if (archive.GetPosition() > archive.GetSize())
        throw EFatalUnzipError("Premature end of file reached");

    const auto skipData = [&] {
        archive.Seek(h.CompressedSize, TSeekOrigin::soCurrent);
        --extractCount_;
    };

    // Where the bytes go.
    std::string fileName;
    if (!SingleStreamMode) {
        std::string relative;
        if (!SafeOutputName(h, RecreateDirs, rootDir_, relative)) {
            if (OnSkippingFile)
                OnSkippingFile(this, TSkipReason::srUnsafePath, index);
            skipData();
            return;
        }
        fileName = destDir_.empty() ? relative : destDir_ + '/' + relative;
        if (h.FileName().empty()) {
            if (RecreateDirs) {
                bool skip = false;
                if (OnStartUnZip)
                    OnStartUnZip(this, index, fileName, skip);
                const int error = skip ? 0 : CreateDirectories(fileName);
                if (error != 0)
                    fail(CannotCreateText("directory", fileName, error));
            }
            return;
        }
        if (FileExists(fileName) || DirectoryExists(fileName)) {
            bool overwrite = OverwriteMode == TUZOverwriteMode::Always;
            if (OverwriteMode == TUZOverwriteMode::Prompt) {
                if (OnPromptForOverwrite) {
                    OnPromptForOverwrite(this, overwrite, index, fileName);
                } else {
                    std::string shown = entryName;
                    SlashSeparators(shown);
                    overwrite = ZipHost().AskYesNo("Replace existing file " + shown + "?", "File Exists Alert");
                }
            }
            // Without an answer the file is kept.
            if (!overwrite || DirectoryExists(fileName)) {
                if (OnSkippingFile)
                    OnSkippingFile(this, TSkipReason::srNoOverwrite, index);
                skipData();
                return;
            }
        }
    }

    if (h.IsEncrypted()) {
        for (;;) {
            if (h.CompressedSize < 12 || archive.Remaining() < 12)
                throw EFatalUnzipError("Premature end of file reached");
            const uint8_t expected =
                h.HasDataDescriptor() ? static_cast<uint8_t>(h.LastModFileTimeDate >> 8) : static_cast<uint8_t>(h.Crc32 >> 24);
            if (CryptCheckHeader(Password, archive) == expected)
                break;
            std::string newPassword = Password;
            if (OnBadPassword)
                OnBadPassword(this, index, newPassword);
            if (OnBadPassword && newPassword != Password) {
                Password = newPassword;
                archive.Seek(-12, TSeekOrigin::soCurrent);
                h.CompressedSize += 12;
                continue;
            }
            if (OnSkippingFile)
                OnSkippingFile(this, TSkipReason::srBadPassword, index);
            skipData();
            return;
        }
    }

    RunningCRC = 0xFFFFFFFFu;
    EntryBytesDone = 0;
    bool skip = false;
    if (OnStartUnZip)
        OnStartUnZip(this, index, fileName, skip);
    if (skip) {
        skipData();
        return;
    }

    std::unique_ptr<TExtractFile> file;
    TStream* out = SingleStream;
    if (!SingleStreamMode) {
        try {
            file = std::make_unique<TExtractFile>(fileName);
        } catch (const EFCreateError& e) {
            fail(e.Message());
            return;
        }
        out = &file->Stream();
    } else {
        ReserveForEntry(*out, h, archive.Remaining());
    }
    TStreamCheckpoint checkpoint(*out);
    decoder_->OutputStream = out;
    decoder_->BeginEntry();
    uint16_t status;
    try {
        status = Decode(*decoder_, h.CompressionMethod);
    } catch (const EEntryPastSize&) {
        status = DecodeOutputMismatch;
    } catch (const EWriteError&) {
        checkpoint.Restore();
        // The temporary name means nothing to the user; the file being extracted does.
        if (file)
            throw EWriteError(StreamWriteErrorText(fileName, file->Stream().LastWriteError()));
        throw;
    } catch (...) {
        checkpoint.Restore();   // a file that is not committed is removed with it
        throw;
    }
    // Data that end before the recorded size are as damaged as data that run past it.
    if (status == DecodeOk && EntryBytesDone != h.UncompressedSize)
        status = DecodeOutputMismatch;
    RunningCRC = ~RunningCRC;

    if (status == DecodeOk && RunningCRC == h.Crc32) {
        if (file) {
            try {
                file->Commit(h, RetainAttributes);
            } catch (const EFCreateError& e) {
                fail(e.Message());
                return;
            }
        }
        if (OnEndUnZip)
            OnEndUnZip(this, index, fileName);
        return;
    }

    // Nothing of a bad entry stays behind.
    checkpoint.Restore();
    file.reset();
    if (h.IsEncrypted()) {
        // A wrong pass phrase that passed the one check byte decodes to garbage.
        std::string newPassword = Password;
        if (OnBadPassword)
            OnBadPassword(this, index, newPassword);
        if (OnBadPassword && newPassword != Password) {
            Password = newPassword;
            retryRequest_ = true;
            return;
        }
        if (OnSkippingFile)
            OnSkippingFile(this, TSkipReason::srBadPassword, index);
        --extractCount_;
        return;
    }
    if (status != DecodeOk)
        throw EFatalUnzipError(std::string(DecoderStatusMessage(status)) + " in " + entryName);
    if (OnBadCRC)
        OnBadCRC(this, RunningCRC, h.Crc32, index);
    throw EFatalUnzipError(Format("CRC error in %s: stored %08X, computed %08X", entryName.c_str(), h.Crc32, RunningCRC));
}
