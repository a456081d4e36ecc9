#pragma once
// The archive reader component: opens an archive by name, keeps its directory and extracts
// the entries that match a list of names or masks.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/DateTime.h"
#include "platform/StringList.h"
#include "zip/EndCentral.h"
#include "zip/SortedZip.h"
#include "zip/ZipComponentBase.h"

class TStream;
class TLFNFileStream;
class TSuperUnZip;
struct TDecoderState;

enum class TUZOverwriteMode { Prompt, Always, Never };
enum class TIncompleteZipMode { izAssumeMulti, izAssumeBad };
// srUnsafePath: a stored name that would land outside the destination directory.
enum class TSkipReason { srBadPassword, srNoOverwrite, srUnsafePath };

using TStartUnzipInfo = std::function<void(TSuperUnZip* sender, int numFiles, double totalBytes, bool& stopNow)>;
using TStartUnZipEvent = std::function<void(TSuperUnZip* sender, int fileIndex, const std::string& fname, bool& skip)>;
using TEndUnZipEvent = std::function<void(TSuperUnZip* sender, int fileIndex, const std::string& fname)>;
using TPromptForOverwrite = std::function<void(TSuperUnZip* sender, bool& overwriteIt, int fileIndex, std::string& fname)>;
using TSkippingFile = std::function<void(TSuperUnZip* sender, TSkipReason reason, int fileIndex)>;
using TBadPassword = std::function<void(TSuperUnZip* sender, int fileIndex, std::string& newPassword)>;
using TBadCRC = std::function<void(TSuperUnZip* sender, uint32_t calcCRC, uint32_t storedCRC, int fileIndex)>;
using TIncompleteZip = std::function<void(TSuperUnZip* sender, TIncompleteZipMode& incompleteMode)>;
using TGetNextDisk = std::function<void(TSuperUnZip* sender, int nextDisk, std::string& fname)>;

class TSuperUnZip : public TZipComponentBase {
public:
    TSuperUnZip();
    ~TSuperUnZip() override;

    // Published properties.
    int ThisVersion() const { return 210; }
    void SetThisVersion(int) {}   // read-only in effect
    const std::string& ZipName() const { return zipName_; }
    virtual void SetZipName(const std::string& value);
    const std::string& DestDir() const { return destDir_; }
    void SetDestDir(const std::string& value);
    const std::string& RootDir() const { return rootDir_; }
    void SetRootDir(const std::string& value);
    TZipSortMode SortMode() const { return sortMode_; }
    void SetSortMode(TZipSortMode mode);
    bool RecreateDirs = false;
    TUZOverwriteMode OverwriteMode = TUZOverwriteMode::Prompt;
    TStringList FilesList;
    void SetFilesList(const TStringList& list) { FilesList.Assign(list); }
    bool DoAll = false;
    TIncompleteZipMode IncompleteZipMode = TIncompleteZipMode::izAssumeMulti;
    bool KeepZipOpen = false;
    bool RetainAttributes = true;

    TStartUnzipInfo OnStartUnZipInfo;
    TStartUnZipEvent OnStartUnZip;
    TEndUnZipEvent OnEndUnZip;
    TPromptForOverwrite OnPromptForOverwrite;
    TSkippingFile OnSkippingFile;
    TBadPassword OnBadPassword;
    TBadCRC OnBadCRC;
    TIncompleteZip OnInCompleteZip;
    TGetNextDisk OnGetNextDisk;

    // Public state.
    std::string Password;
    int32_t VolumeCount = 1;
    virtual bool GetCheckVolumeLabels() const { return checkVolumeLabels_; }
    virtual void SetCheckVolumeLabels(bool value) { checkVolumeLabels_ = value; }
    virtual uint8_t GetSpanMode() const { return spanMode_; }
    virtual void SetSpanMode(uint8_t value) { spanMode_ = value; }

    void OpenZip();
    void CloseZip();
    void ResetZip();
    int Count() const;
    std::string GetFileName(int index) const;
    TDateTime GetFileDate(int index) const;
    std::string GetFileComment(int index);
    void SetFileComment(int index, const std::string& text);
    std::string GetZipComment();
    void SetZipComment(const std::string& text);

    // The entry at index in the sorted view (raises EListError when outside).
    TZipHeaderInfo& Entry(int index) const;

    // Extracts the entries whose names match name into dst; returns the extraction count.
    int32_t UnzipToStream(TStream& dst, const std::string& name);
    // The extraction loop over FilesList; returns the extraction count.
    int32_t ExtractMatching();

    TStream* LoadNextDisk(int nextDisk) override;
    bool SpansVolumes() const override { return EndRecord->NumberOfThisDisk != 0; }
    // Only a handler can name the next volume; without one, data that run short are cut short.
    bool ContinuesOnNextVolume() const override { return SpansVolumes() && OnGetNextDisk; }
    bool CheckVolumeLabel(int nextDisk);

    // Directory state.
    TDateTime DirectoryDay = 0;
    bool DirectoryRebuilt = false;
    std::unique_ptr<TSortedZip> EntryList;      // archive order, owns the headers
    TSortedZip* SortedView = nullptr;           // EntryList itself for ByNone
    std::unique_ptr<TLFNFileStream> ArchiveStream;
    std::unique_ptr<TEndCentral> EndRecord;
    TStream* SingleStream = nullptr;
    bool SingleStreamMode = false;

protected:
    void ReadDirectory();
    bool RebuildDirectory();
    // Positions the archive at the first central record: where the end record says, or, for
    // an archive behind a stub, where the directory ends less its size (prefix_ then holds
    // the stub's length). False when neither holds one.
    bool SeekCentralDirectory();
    bool AtCentralRecord(int64_t position);
    // Another central record stands before the end record.
    bool MoreCentralRecords();
    void ExtractEntry(int index);
    // Raises EFatalUnzipError when two entries share bytes of the archive: such an archive is
    // damaged (or built to unpack one entry many times over) and nothing of it is extracted.
    void RefuseOverlappingEntries();
    void FreeDirectory();
    void SetCurrentHeaderFromEntry(int index);
    void CheckIndex(int index) const;
    // The entry's comment, read from its central record when not yet held.
    const std::string& LoadComment(TZipHeaderInfo& entry);
    // The archive stream, opened when needed.
    TLFNFileStream& Archive();

    std::string zipName_;
    std::string destDir_;
    std::string rootDir_;
    TZipSortMode sortMode_ = TZipSortMode::ByNone;
    bool checkVolumeLabels_ = true;
    uint8_t spanMode_ = 0;

private:
    std::unique_ptr<TSortedZip> separateView_;
    int64_t prefix_ = 0;   // bytes in front of the archive that its offsets leave out
    // State of one extraction run.
    TDecoderState* decoder_ = nullptr;
    int32_t extractCount_ = 0;
    bool retryRequest_ = false;
};
