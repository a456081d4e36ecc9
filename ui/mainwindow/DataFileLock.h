#pragma once
// Holds the current data file so that a second copy of the program cannot open it while it is
// the current outline. The lock is an exclusive flock on the file's inode.
#include <memory>
#include <string>

class TFileLock;

class TDataFileLock {
public:
    TDataFileLock();
    ~TDataFileLock();
    TDataFileLock(const TDataFileLock&) = delete;
    TDataFileLock& operator=(const TDataFileLock&) = delete;

    // Takes the lock on fileName, dropping any lock held before. Raises EFOpenError (with the
    // class library's "Cannot open file" wording) when the file cannot be opened or another
    // holder has it; the lock held before is then already gone.
    void Lock(const std::string& fileName);
    // Takes the lock on a file about to be replaced by a save, which need not be writable: when
    // another copy of the program holds it, raises what Lock raises for it, naming shownName. A
    // file that cannot be opened is left to the save to report.
    void LockForReplace(const std::string& fileName, const std::string& shownName);
    // Whether the lock is on the file that fileName names now.
    bool Holds(const std::string& fileName) const;
    void Unlock();
    bool Held() const;
    // The name the lock was taken for; a save moves the lock to its new file under this name.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    void Swap(TDataFileLock& other) noexcept;

private:
    std::unique_ptr<TFileLock> lock_;
    std::string fileName_;
};
