#include "outlooksync/VdirTaskStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "outlooksync/VdirFolderScan.h"
#include "platform/Exceptions.h"
#include "platform/StrUtils.h"

namespace {

namespace fs = std::filesystem;

// What one connection keeps: one look at each folder it works on, and where the outline
// keeps what it saw of them.
struct TVdirSession {
    std::string StateFile;
    std::map<std::string, std::shared_ptr<TVdirFolderScan>> Scans;

    std::shared_ptr<TVdirFolderScan> ScanOf(const fs::path& dir)
    {
        std::shared_ptr<TVdirFolderScan>& scan = Scans[dir.string()];
        if (!scan) {
            scan = std::make_shared<TVdirFolderScan>(dir);
            scan->SetStateFile(StateFile);
        }
        return scan;
    }
};

// The folder's items as a pass sees them: taken at the first look, so items saved during the
// walk are not met.
class TVdirItems : public IOutlookItems {
public:
    explicit TVdirItems(std::shared_ptr<TVdirFolderScan> scan) : scan_(std::move(scan)) {}

    int32_t Count() override
    {
        Take();
        return static_cast<int32_t>(items_.size());
    }
    std::shared_ptr<IOutlookTaskItem> Item(int32_t Index) override
    {
        Take();
        if (Index < 1 || Index > static_cast<int32_t>(items_.size()))
            throw EOutlookError("Array index out of bounds.");
        return items_[static_cast<size_t>(Index - 1)];
    }
    std::shared_ptr<IOutlookTaskItem> Add() override
    {
        return std::make_shared<TVdirTaskItem>(scan_);
    }
    std::vector<TEarlierLink> EarlierLinks() override { return scan_->EarlierLinks(); }

private:
    void Take()
    {
        if (!taken_)
            items_ = scan_->Items();
        taken_ = true;
    }

    std::shared_ptr<TVdirFolderScan> scan_;
    bool taken_ = false;
    std::vector<std::shared_ptr<TVdirTaskItem>> items_;
};

class TVdirFolders : public IOutlookFolders {
public:
    TVdirFolders(const fs::path& dir, std::shared_ptr<TVdirSession> session)
        : session_(std::move(session))
    {
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code isDir;
            const std::string name = it->path().filename().string();
            if (!name.empty() && name[0] != '.' && it->is_directory(isDir))
                dirs_.push_back(it->path());
        }
        if (ec)
            throw EOutlookError("Can not read folder \"" + dir.string() + "\": " + ec.message());
        std::sort(dirs_.begin(), dirs_.end());
    }
    int32_t Count() override { return static_cast<int32_t>(dirs_.size()); }
    std::shared_ptr<IOutlookFolder> Item(int32_t Index) override;

private:
    std::vector<fs::path> dirs_;
    std::shared_ptr<TVdirSession> session_;
};

class TVdirFolder : public IOutlookFolder {
public:
    TVdirFolder(fs::path dir, std::shared_ptr<TVdirSession> session)
        : dir_(std::move(dir)), session_(std::move(session))
    {
    }

    std::string Name() override { return dir_.filename().string(); }
    // A folder of calendar files is a task folder when it holds any task, or nothing else.
    int32_t DefaultItemType() override
    {
        return session_->ScanOf(dir_)->HoldsTasks() ? olTaskItem : 1;
    }
    std::string EntryID() override
    {
        struct stat st {};
        if (::stat(dir_.c_str(), &st) != 0)
            throw EOutlookError("Can not read folder \"" + dir_.string() + "\": " +
                                std::strerror(errno));
        return Format("%016llX%016llX", static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
    }
    std::string StoreID() override { return dir_.string(); }
    std::shared_ptr<IOutlookFolders> Folders() override
    {
        return std::make_shared<TVdirFolders>(dir_, session_);
    }
    std::shared_ptr<IOutlookItems> Items() override
    {
        return std::make_shared<TVdirItems>(session_->ScanOf(dir_));
    }

private:
    fs::path dir_;
    std::shared_ptr<TVdirSession> session_;
};

std::shared_ptr<IOutlookFolder> TVdirFolders::Item(int32_t Index)
{
    if (Index < 1 || Index > Count())
        throw EOutlookError("Array index out of bounds.");
    return std::make_shared<TVdirFolder>(dirs_[static_cast<size_t>(Index - 1)], session_);
}

class TVdirNameSpace : public IOutlookNameSpace {
public:
    explicit TVdirNameSpace(fs::path root) : root_(std::move(root)) {}

    std::shared_ptr<IOutlookFolders> Folders() override
    {
        return std::make_shared<TVdirFolders>(root_, session_);
    }
    // The store of an item is the folder that holds it.
    std::shared_ptr<IOutlookTaskItem> GetItemFromID(const std::string& EntryID,
                                                    const std::string& StoreID) override
    {
        if (auto item = session_->ScanOf(fs::path(StoreID))->FindByID(EntryID))
            return item;
        throw EOutlookError("The operation failed. An object could not be found.");
    }
    void UseStateFile(const std::string& Path) override
    {
        session_->StateFile = Path;
        for (auto& [dir, scan] : session_->Scans)
            scan->SetStateFile(Path);
    }
    std::vector<std::string> EndRun() override
    {
        std::vector<std::string> warnings;
        for (auto& [dir, scan] : session_->Scans)
            for (std::string& w : scan->EndRun())
                warnings.push_back(std::move(w));
        return warnings;
    }
    std::vector<std::string> UnsavedEntryIDs() override
    {
        std::vector<std::string> ids;
        for (auto& [dir, scan] : session_->Scans)
            ids.insert(ids.end(), scan->Unsaved().begin(), scan->Unsaved().end());
        return ids;
    }

private:
    fs::path root_;
    std::shared_ptr<TVdirSession> session_ = std::make_shared<TVdirSession>();
};

class TVdirApplication : public IOutlookApplication {
public:
    explicit TVdirApplication(fs::path root) : root_(std::move(root)) {}
    std::shared_ptr<IOutlookNameSpace> GetNameSpace(const std::string& Type) override
    {
        if (!SameText(Type, "MAPI"))
            throw EOutlookError("Unknown namespace type.");
        return std::make_shared<TVdirNameSpace>(root_);
    }

private:
    fs::path root_;
};

} // namespace

std::shared_ptr<IOutlookApplication> CreateVdirApplication(const std::string& RootDirectory)
{
    std::error_code ec;
    if (!fs::is_directory(RootDirectory, ec))
        throw EOutlookError("The task store folder \"" + RootDirectory + "\" does not exist.");
    return std::make_shared<TVdirApplication>(RootDirectory);
}

TOutlookApplicationFactory VdirApplicationFactory(const std::string& RootDirectory)
{
    return [RootDirectory] { return CreateVdirApplication(RootDirectory); };
}

std::string FolderPathFromDirectory(const std::string& Directory)
{
    std::string path;
    for (char c : Directory)
        path += c == '/' ? '\\' : c;
    return path;
}
