#pragma once
// Working state that the archive reader, the writer, the deflate encoder and the decoders
// share. The reader (TSuperUnZip) derives from this; the writer derives from the reader.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "zip/Crc32.h"
#include "zip/ZipCrypt.h"
#include "zip/ZipHeaderInfo.h"

class TStream;

using TPercentDoneEvent = std::function<void(TZipComponentBase* sender, int percent)>;

class TZipComponentBase {
public:
    TZipComponentBase() : CurrentHeader(std::make_unique<TZipHeaderInfo>()) {}
    virtual ~TZipComponentBase() = default;
    TZipComponentBase(const TZipComponentBase&) = delete;
    TZipComponentBase& operator=(const TZipComponentBase&) = delete;

    bool DoProcessMessages = true;       // let the application run between chunks
    bool AbortRequested = false;
    uint32_t RunningCRC = 0xFFFFFFFFu;
    TCryptKeys CryptKeys;
    std::unique_ptr<TZipHeaderInfo> CurrentHeader;   // the entry being worked on
    int64_t EntryBytesDone = 0;
    double TotalBytes = 0;
    double TotalBytesDone = 0;

    TPercentDoneEvent OnFilePercentDone;
    TPercentDoneEvent OnTotalPercentDone;

    // When DoProcessMessages is set: pump messages through the host, then raise EUserCanceled
    // "User Aborted Operation" (clearing the request) when an abort was asked for.
    void ProcessMessagesAndCheckAbort();

    // done * 100 / total, rounded, capped at 100; 0 when total is not above 0.
    static int Percent(double done, double total);

    void UpdateCRC32(const uint8_t* buffer, size_t count) { RunningCRC = ::UpdateCRC32(RunningCRC, buffer, count); }
    void CryptInitKeys(std::string_view passPhrase) { CryptKeys.Init(passPhrase); }
    void CryptUpdateKeys(uint8_t plainByte) { CryptKeys.Update(plainByte); }
    uint8_t CryptDecryptByte() const { return CryptKeys.StreamByte(); }
    void CryptDecryptBuffer(uint8_t* buffer, size_t count) { CryptKeys.DecryptBuffer(buffer, count); }
    uint8_t CryptEncryptByte(uint8_t plainByte) { return CryptKeys.EncryptByte(plainByte); }
    // Reads the 12-byte encryption header, takes 12 off CurrentHeader->CompressedSize, starts
    // the keys from the pass phrase and returns the last decrypted byte.
    uint8_t CryptCheckHeader(std::string_view passPhrase, TStream& stream);

    // Spanned archives: the reader overrides these. LoadNextDisk takes the 1-based number of
    // the next volume and returns its stream (owned by the component), or nullptr when the
    // user gave none.
    virtual bool SpansVolumes() const { return false; }
    virtual TStream* LoadNextDisk(int /*volumeNumber*/) { return nullptr; }
    // Whether data that run short go on in the next volume rather than being cut short.
    virtual bool ContinuesOnNextVolume() const { return SpansVolumes(); }
    int CurrentDisk = 0;   // 0-based volume being read
};
