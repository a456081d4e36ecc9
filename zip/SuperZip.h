#pragma once
// The archive writer component: writes a new archive, or updates an existing one, from a
// list of files, or packs one stream as one entry.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "zip/SuperUnZip.h"

class TSuperZip;
class TLFNFileStream;
struct TDeflateBuffers;
struct TDeflateFixedTables;

enum class TZipAction { zaUpdate, zaReplace, zaFreshen };

using TStartZipInfo =
    std::function<void(TSuperZip* sender, int numFiles, int64_t totalBytes, TEndCentral& endCentralRecord, bool& stopNow)>;
using TStartZip = std::function<void(TSuperZip* sender, const std::string& fname, TZipHeaderInfo& zipHeader, bool& skip)>;
using TEndZip = std::function<void(TSuperZip* sender, const std::string& fname, int64_t uncompressedSize,
                                   int64_t compressedSize, int64_t currentZipSize)>;
using TNoSuchFile = std::function<void(TSuperZip* sender, const std::string& fname)>;
using TDisposeFile = std::function<void(TSuperZip* sender, const std::string& fname, bool& skip)>;

class TSuperZip : public TSuperUnZip {
public:
    TSuperZip();
    ~TSuperZip() override;

    // Published properties.
    int PackLevel() const { return packLevel_; }
    void SetPackLevel(int value) { packLevel_ = value < 0 ? 0 : value > 9 ? 9 : value; }
    bool Recurse = false;
    bool Dispose = false;   // kept for callers; nothing depends on it
    bool StorePaths() const { return storePaths_; }
    void SetStorePaths(bool value);
    bool RelativePaths() const { return relativePaths_; }
    void SetRelativePaths(bool value);
    bool StoreVolumes() const { return storeVolumes_; }
    void SetStoreVolumes(bool value);
    TZipAction ZipAction = TZipAction::zaUpdate;
    bool Store83Names = false;
    int32_t VolumeSize = 1457600;   // stored only: archives are written as one volume

    TStartZipInfo OnStartZipInfo;
    TStartZip OnStartZip;
    TEndZip OnEndZip;
    TNoSuchFile OnNoSuchFile;
    TDisposeFile OnDisposeFile;   // declared for callers; never called
    TDisposeFile OnDeleteEntry;   // declared for callers; never called

    // Writes the archive ZipName from FilesList; returns the entries written in this run.
    int Zip();
    // Writes changed comments into the old archive before another name is taken.
    void SetZipName(const std::string& value) override;

    // Zips one stream as the one entry entryName (single-stream mode).
    int32_t ZipOneStream(TStream& src, const std::string& entryName);
    // Stream mode: the archive name "ZIPSTREAM" stands for dst (writing) or src (reading).
    void ZipToStream(TStream& src, TStream& dst);
    void UnzipFromStream(TStream& src, TStream& dst);

    bool Busy() const { return busy_; }

    // The most entries one archive holds: the end record counts them in 16 bits.
    static constexpr int MaxEntries = 0xFFFF;

protected:
    // The most bytes an archive written here may take: what the format addresses.
    virtual int64_t ArchiveSizeLimit() const;

private:
    bool AddEntry(const std::string& fname);
    void PrecomputeCRC(TStream& input);
    void WriteCryptHeader(const std::string& password);
    void ExpandFileList();
    void UpdateExistingEntries();
    // How many bytes stand before the old archive's first entry (a script or a self-extractor);
    // raises for an archive whose entries are gone, which is no stub to keep.
    int64_t BytesInFront();
    void CopyEntryRaw(const TZipHeaderInfo& entry);
    void AcceptHeader(std::unique_ptr<TZipHeaderInfo> header);
    // The stored directory ('\' separated, maybe empty) and name of a file to add.
    std::string StoredDirectory(const std::string& fname) const;
    std::string StoredName(const std::string& fname) const;
    uint32_t FileDosDate(const std::string& fname) const;
    static void StoreFileAttributes(TZipHeaderInfo& h, const std::string& fname);

    int packLevel_ = 6;
    bool storePaths_ = false;
    bool relativePaths_ = false;
    bool storeVolumes_ = false;
    bool busy_ = false;

    std::unique_ptr<TDeflateFixedTables> tables_;
    // State of one run.
    std::unique_ptr<TDeflateBuffers> buffers_;
    TLFNFileStream* output_ = nullptr;
    std::unique_ptr<TSortedZip> byName_;
    std::unique_ptr<TSortedZip> written_;
    std::unique_ptr<TEndCentral> newEnd_;
    int64_t totalToCompress_ = 0;
    int entriesWritten_ = 0;
};
