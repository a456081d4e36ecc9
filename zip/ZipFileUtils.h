#pragma once
// Small file, path and string utilities of the ZIP component. Disk paths are this platform's
// ('/' separated); entry names in memory use '\' and are written with '/'.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Exceptions.h"

// The platform's input/output error: a directory or block-copy failure.
class EInOutError : public Exception { using Exception::Exception; };

// part * 100 / whole rounded (halves to even), at most 100; 0 when whole is below 1.
int Percentage(int whole, int part);
// done * 100 / whole rounded, at most 100; 0 when whole is not above 0.
int Percentage64(int64_t whole, int64_t done);

// Separator conversion in place.
void SlashSeparators(std::string& name);
void BackslashSeparators(std::string& name);

// True when s holds one of '*', '?', '[', ']'.
bool HasWildcards(std::string_view s);

// The current date with time 0, whatever the name.
TDateTime FileDateOf(const std::string& fileName);

// The process's current directory; there are no drives here, so the drive number is ignored.
void GetCurrentDir(int drive, std::string& dir);
// Raises EInOutError when the directory cannot be made current.
void ChangeDir(const std::string& dir);

// Copies source over target in blocks of 2048 bytes. An open, read or write failure, a
// short write included, raises EInOutError.
void CopyFileBlocks(const std::string& source, const std::string& target);

// Volumes have no labels here: always empty.
std::string GetVolumeLabel(const std::string& path);

// Names here have no separate short form: with toLong false the path comes back unchanged;
// with toLong true each part that does not exist on disk is dropped.
std::string ShortOrLongPath(const std::string& path, bool toLong);

// One entry of a directory search.
struct TZipSearchRec {
    std::string Name;
    int64_t Size = 0;
    bool IsDirectory = false;
    uint32_t Attr = 0;   // 0x10 directory or 0x20 archive, plus 0x01 read-only
};

// One level of a directory search: the entries of Dir in name order.
class TSearchData {
public:
    TSearchData(const std::string& dir, const std::string& mask);

    const std::string& Dir() const { return dir_; }   // always ends in '/'
    const std::string& Mask() const { return mask_; }
    bool HasEntry() const { return index_ < entries_.size(); }
    const TZipSearchRec& Entry() const { return entries_[index_]; }
    void FindNext() { if (index_ < entries_.size()) ++index_; }
    bool NothingFound() const { return entries_.empty(); }

private:
    std::string dir_;
    std::string mask_;
    std::vector<TZipSearchRec> entries_;
    size_t index_ = 0;
};

// A walk over a directory tree for files whose names match a mask (MatchesMask). A file
// name without an extension is matched with a '.' added, so a mask ending in '.' selects
// the names without one. Directories whose names begin with '.' and symbolic links to
// directories are not entered; the walk goes at most 20 levels below its start.
class TDirSearch {
public:
    static constexpr int MaxLevels = 21;

    TDirSearch(const std::string& dir, bool recurse, const std::string& mask);

    // The next matching file: its search record and full name; an empty name ends the walk.
    void NextFile(TZipSearchRec& searchRecord, std::string& fileName);

private:
    std::vector<std::unique_ptr<TSearchData>> levels_;
    std::string mask_;
    bool recurse_;
};
