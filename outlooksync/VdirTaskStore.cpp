#include "outlooksync/VdirTaskStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "outlooksync/ICalendar.h"
#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"

namespace {

namespace fs = std::filesystem;

const char* const kProdID = "-//Tovrin//Tovrin Planner//EN";

std::u16string Wide(const std::string& s)
{
    return s.empty() ? std::u16string() : MultiByteToWide(s, CP_UTF8);
}

std::string Utf8(const std::u16string& w)
{
    return w.empty() ? std::string() : WideToMultiByte(w, CP_UTF8);
}

std::string SystemError(const std::string& what, const fs::path& path)
{
    return what + " \"" + path.string() + "\": " + std::strerror(errno);
}

std::string ReadTextFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EOutlookError(SystemError("Can not read file", path));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw EOutlookError(SystemError("Can not read file", path));
    return text.str();
}

// Writes the whole file beside the old one and then puts it in its place, so that a reader
// (or a failure) never meets half a file.
void ReplaceTextFile(const fs::path& path, const std::string& text)
{
    // Written beside the item and forced to disk before it takes the name, so a crash leaves
    // either the old item or the new one.
    const fs::path temp = path.string() + ".tmp";
    try {
        TFileStream out(temp.string(), TFileMode::fmCreate);
        out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        out.FlushToDisk();
    } catch (const Exception&) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw EOutlookError(SystemError("Can not write file", temp));
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw EOutlookError("Can not write file \"" + path.string() + "\": " + ec.message());
    }
}

bool IsCalendarFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_regular_file(ec) && SameText(entry.path().extension().string(), ".ics");
}

std::vector<fs::path> CalendarFiles(const fs::path& dir)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (IsCalendarFile(*it))
            files.push_back(it->path());
    if (ec)
        throw EOutlookError("Can not read folder \"" + dir.string() + "\": " + ec.message());
    std::sort(files.begin(), files.end());
    return files;
}

TICalComponent* FindCalendar(std::vector<TICalComponent>& file)
{
    for (TICalComponent& c : file)
        if (SameText(c.Name, "VCALENDAR"))
            return &c;
    return nullptr;
}

// The task of a file: its first VTODO that is no override of one occurrence.
TICalComponent* FindTodo(std::vector<TICalComponent>& file)
{
    TICalComponent* calendar = FindCalendar(file);
    if (!calendar)
        return nullptr;
    for (TICalComponent& c : calendar->Components)
        if (SameText(c.Name, "VTODO") && !c.Find("RECURRENCE-ID"))
            return &c;
    return nullptr;
}

std::string NewUid()
{
    static std::random_device device;
    std::string uid;
    for (int i = 0; i < 4; ++i)
        uid += Format("%08X", static_cast<unsigned>(device()));
    return uid + "@tovrin";
}

std::string SafeFileStem(const std::string& uid)
{
    std::string stem;
    for (char c : uid) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '@';
        stem += keep ? c : '_';
    }
    if (stem.empty() || stem[0] == '.')
        stem.insert(0, "item");
    return stem;
}

TDateTime FileTime(const fs::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return UtcToLocal(UnixToDateTime(st.st_mtime));
}

bool PropertyDate(const TICalComponent& todo, const char* name, TDateTime& value)
{
    const TICalProperty* p = todo.Find(name);
    bool isDate = false;
    return p && ParseICalDateTime(p->Value, value, isDate);
}

class TVdirTaskItem : public IOutlookTaskItem {
public:
    // A new item of the folder Dir.
    explicit TVdirTaskItem(fs::path Dir) : dir_(std::move(Dir)) {}

    // An item stored in File; a file that cannot be read makes every call fail.
    static std::shared_ptr<TVdirTaskItem> Load(const fs::path& File, bool& IsTask)
    {
        auto item = std::make_shared<TVdirTaskItem>(File.parent_path());
        item->fileName_ = File.filename().string();
        IsTask = true;
        try {
            item->file_ = ParseICalendar(ReadTextFile(File));
        } catch (const std::exception& e) {
            item->loadError_ = e.what();
            return item;
        }
        TICalComponent* todo = FindTodo(item->file_);
        if (!todo) {
            IsTask = false;
            return item;
        }
        item->ReadFields(*todo, File);
        return item;
    }

    std::string EntryID() override
    {
        if (!loadError_.empty() || deleted_)
            Check();
        if (!uid_.empty())
            return uid_;
        return fileName_.empty() ? std::string() : fs::path(fileName_).stem().string();
    }
    std::u16string Subject() override { Check(); return Wide(summary_); }
    void SetSubject(const std::u16string& Value) override { Check(); summary_ = Utf8(Value); }
    std::u16string Body() override
    {
        Check();
        std::string body;
        for (char c : description_) {
            if (c == '\n')
                body += '\r';
            body += c;
        }
        return Wide(body);
    }
    void SetBody(const std::u16string& Value) override
    {
        Check();
        std::string body;
        const std::string text = Utf8(Value);
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                body += '\n';
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
            } else {
                body += text[i];
            }
        }
        description_ = body;
    }
    std::u16string Categories() override
    {
        Check();
        std::string joined;
        for (const std::string& c : categories_)
            joined += (joined.empty() ? "" : ", ") + c;
        return Wide(joined);
    }
    void SetCategories(const std::u16string& Value) override
    {
        Check();
        categories_.clear();
        const std::string text = Utf8(Value);
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == ',') {
                const std::string name = Trim(text.substr(start, i - start));
                if (!name.empty())
                    categories_.push_back(name);
                start = i + 1;
            }
        }
    }
    TDateTime DueDate() override { Check(); return due_; }
    void SetDueDate(TDateTime Value) override { Check(); due_ = Value; }
    TDateTime StartDate() override { Check(); return start_; }
    void SetStartDate(TDateTime Value) override { Check(); start_ = Value; }
    TDateTime DateCompleted() override
    {
        Check();
        if (completed_ != OutlookNoDate || !complete_)
            return completed_;
        return lastModified_ != 0 ? lastModified_ : Now();
    }
    void SetDateCompleted(TDateTime Value) override { Check(); completed_ = Value; }
    TDateTime LastModificationTime() override
    {
        Check();
        return lastModified_ != 0 ? lastModified_ : TruncateToSecond(Now());
    }
    bool Complete() override { Check(); return complete_; }
    void SetComplete(bool Value) override
    {
        Check();
        complete_ = Value;
        if (!Value)
            completed_ = OutlookNoDate;
    }
    bool IsRecurring() override { Check(); return recurring_; }

    void Save() override
    {
        Check();
        if (fileName_.empty())
            CreateFile();
        TICalComponent* todo = FindTodo(file_);
        if (uid_.empty())
            uid_ = fs::path(fileName_).stem().string();
        if (!todo->Find("UID"))
            todo->Set("UID", "", EscapeICalText(uid_));
        WriteFields(*todo);

        const TDateTime stamp = TruncateToSecond(Now());
        todo->Set("LAST-MODIFIED", "", FormatICalUtcDateTime(stamp));
        todo->Set("DTSTAMP", "", FormatICalUtcDateTime(stamp));
        ReplaceTextFile(dir_ / fileName_, WriteICalendar(file_));
        // What the file now says, so that a fresh read gives the same values.
        ReadFields(*todo, dir_ / fileName_);
    }

    void Delete() override
    {
        Check();
        if (!fileName_.empty()) {
            std::error_code ec;
            if (!fs::remove(dir_ / fileName_, ec) || ec)
                throw EOutlookError("Can not delete file \"" + (dir_ / fileName_).string() +
                                    "\": " + (ec ? ec.message() : "not found"));
        }
        deleted_ = true;
    }

private:
    void Check() const
    {
        if (deleted_)
            throw EOutlookError("The item has been moved or deleted.");
        if (!loadError_.empty())
            throw EOutlookError(loadError_);
    }

    void CreateFile()
    {
        uid_ = NewUid();
        const std::string stem = SafeFileStem(uid_);
        std::string name = stem + ".ics";
        for (int n = 1; fs::exists(dir_ / name); ++n)
            name = stem + "-" + std::to_string(n) + ".ics";
        TICalComponent calendar{"VCALENDAR", {}, {}};
        calendar.Set("VERSION", "", "2.0");
        calendar.Set("PRODID", "", kProdID);
        TICalComponent todo{"VTODO", {}, {}};
        todo.Set("UID", "", EscapeICalText(uid_));
        calendar.Components.push_back(todo);
        file_ = {calendar};
        fileName_ = name;
    }

    void ReadFields(const TICalComponent& todo, const fs::path& file)
    {
        const TICalProperty* p = todo.Find("UID");
        uid_ = p ? Trim(UnescapeICalText(p->Value)) : std::string();
        p = todo.Find("SUMMARY");
        summary_ = p ? UnescapeICalText(p->Value) : std::string();
        p = todo.Find("DESCRIPTION");
        description_ = p ? UnescapeICalText(p->Value) : std::string();
        categories_.clear();
        for (const TICalProperty& prop : todo.Properties)
            if (!prop.Raw && SameText(prop.Name, "CATEGORIES"))
                for (const std::string& c : SplitICalTextList(prop.Value))
                    if (!Trim(c).empty())
                        categories_.push_back(Trim(c));

        start_ = OutlookNoDate;
        due_ = OutlookNoDate;
        TDateTime value = 0;
        if (PropertyDate(todo, "DTSTART", value))
            start_ = value;
        double days = 0;
        if (PropertyDate(todo, "DUE", value))
            due_ = value;
        else if (start_ != OutlookNoDate && todo.Find("DURATION") &&
                 ParseICalDuration(todo.Find("DURATION")->Value, days))
            due_ = RoundToSecond(start_ + days);

        p = todo.Find("STATUS");
        const std::string status = p ? UpperCase(Trim(p->Value)) : std::string();
        completed_ = PropertyDate(todo, "COMPLETED", value) ? value : OutlookNoDate;
        complete_ = status == "COMPLETED" || (status.empty() && completed_ != OutlookNoDate);
        if (!complete_)
            completed_ = OutlookNoDate;
        recurring_ = todo.Find("RRULE") != nullptr || todo.Find("RDATE") != nullptr;

        if (PropertyDate(todo, "LAST-MODIFIED", value) || PropertyDate(todo, "DTSTAMP", value))
            lastModified_ = value;
        else
            lastModified_ = FileTime(file);

        loaded_ = {summary_, description_, categories_, due_, start_, completed_, complete_};
    }

    void WriteFields(TICalComponent& todo)
    {
        if (summary_ != loaded_.summary) {
            if (summary_.empty())
                todo.Remove("SUMMARY");
            else
                todo.Set("SUMMARY", "", EscapeICalText(summary_));
        }
        if (description_ != loaded_.description) {
            if (description_.empty())
                todo.Remove("DESCRIPTION");
            else
                todo.Set("DESCRIPTION", "", EscapeICalText(description_));
        }
        if (categories_ != loaded_.categories) {
            todo.Remove("CATEGORIES");
            std::string value;
            for (const std::string& c : categories_)
                value += (value.empty() ? "" : ",") + EscapeICalText(c);
            if (!value.empty())
                todo.Set("CATEGORIES", "", value);
        }
        if (due_ != loaded_.due || start_ != loaded_.start)
            WriteDates(todo);
        if (complete_ != loaded_.complete || completed_ != loaded_.completed) {
            const TICalProperty* status = todo.Find("STATUS");
            if (complete_) {
                todo.Set("STATUS", "", "COMPLETED");
                todo.Set("COMPLETED", "",
                         FormatICalUtcDateTime(completed_ != OutlookNoDate ? completed_ : Now()));
            } else {
                todo.Remove("COMPLETED");
                if (status && SameText(Trim(status->Value), "COMPLETED"))
                    todo.Set("STATUS", "", "NEEDS-ACTION");
            }
        }
    }

    // DUE and DTSTART share one value type: dates when both are whole days, else local times.
    void WriteDates(TICalComponent& todo)
    {
        const bool hasDue = due_ != OutlookNoDate;
        const bool hasStart = start_ != OutlookNoDate;
        const bool dates = (!hasDue || IsWholeDay(due_)) && (!hasStart || IsWholeDay(start_));
        auto write = [&](const char* name, TDateTime value) {
            if (dates)
                todo.Set(name, ";VALUE=DATE", FormatICalDate(value));
            else
                todo.Set(name, "", FormatICalLocalDateTime(value));
        };
        todo.Remove("DURATION");
        if (hasStart)
            write("DTSTART", start_);
        else
            todo.Remove("DTSTART");
        if (hasDue)
            write("DUE", due_);
        else
            todo.Remove("DUE");
    }

    struct TLoaded {
        std::string summary;
        std::string description;
        std::vector<std::string> categories;
        TDateTime due = OutlookNoDate;
        TDateTime start = OutlookNoDate;
        TDateTime completed = OutlookNoDate;
        bool complete = false;
    };

    fs::path dir_;
    std::string fileName_;
    std::vector<TICalComponent> file_;
    std::string loadError_;
    bool deleted_ = false;

    std::string uid_;
    std::string summary_;
    std::string description_;   // line breaks as LF
    std::vector<std::string> categories_;
    TDateTime due_ = OutlookNoDate;
    TDateTime start_ = OutlookNoDate;
    TDateTime completed_ = OutlookNoDate;
    bool complete_ = false;
    bool recurring_ = false;
    TDateTime lastModified_ = 0;
    TLoaded loaded_;
};

class TVdirItems : public IOutlookItems {
public:
    explicit TVdirItems(fs::path dir) : dir_(std::move(dir)) {}

    int32_t Count() override
    {
        Scan();
        return static_cast<int32_t>(items_.size());
    }
    std::shared_ptr<IOutlookTaskItem> Item(int32_t Index) override
    {
        Scan();
        if (Index < 1 || Index > static_cast<int32_t>(items_.size()))
            throw EOutlookError("Array index out of bounds.");
        return items_[static_cast<size_t>(Index - 1)];
    }
    std::shared_ptr<IOutlookTaskItem> Add() override
    {
        return std::make_shared<TVdirTaskItem>(dir_);
    }

private:
    // The folder's items as they were at the first look; items saved later are not met.
    void Scan()
    {
        if (scanned_)
            return;
        for (const fs::path& file : CalendarFiles(dir_)) {
            bool isTask = false;
            auto item = TVdirTaskItem::Load(file, isTask);
            if (isTask)
                items_.push_back(item);
        }
        scanned_ = true;
    }

    fs::path dir_;
    bool scanned_ = false;
    std::vector<std::shared_ptr<TVdirTaskItem>> items_;
};

class TVdirFolder;

class TVdirFolders : public IOutlookFolders {
public:
    explicit TVdirFolders(const fs::path& dir)
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
};

class TVdirFolder : public IOutlookFolder {
public:
    explicit TVdirFolder(fs::path dir) : dir_(std::move(dir)) {}

    std::string Name() override { return dir_.filename().string(); }
    int32_t DefaultItemType() override
    {
        for (const fs::path& file : CalendarFiles(dir_)) {
            std::vector<TICalComponent> parsed;
            try {
                parsed = ParseICalendar(ReadTextFile(file));
            } catch (const std::exception&) {
                continue;
            }
            TICalComponent* calendar = FindCalendar(parsed);
            if (!calendar)
                continue;
            if (calendar->FindComponent("VTODO"))
                return olTaskItem;
            if (calendar->FindComponent("VEVENT"))
                return 1;
            if (calendar->FindComponent("VJOURNAL"))
                return 4;
        }
        return olTaskItem;
    }
    std::string EntryID() override
    {
        struct stat st {};
        if (::stat(dir_.c_str(), &st) != 0)
            throw EOutlookError(SystemError("Can not read folder", dir_));
        return Format("%016llX%016llX", static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
    }
    std::string StoreID() override { return dir_.string(); }
    std::shared_ptr<IOutlookFolders> Folders() override
    {
        return std::make_shared<TVdirFolders>(dir_);
    }
    std::shared_ptr<IOutlookItems> Items() override { return std::make_shared<TVdirItems>(dir_); }

private:
    fs::path dir_;
};

std::shared_ptr<IOutlookFolder> TVdirFolders::Item(int32_t Index)
{
    if (Index < 1 || Index > Count())
        throw EOutlookError("Array index out of bounds.");
    return std::make_shared<TVdirFolder>(dirs_[static_cast<size_t>(Index - 1)]);
}

class TVdirNameSpace : public IOutlookNameSpace {
public:
    explicit TVdirNameSpace(fs::path root) : root_(std::move(root)) {}

    std::shared_ptr<IOutlookFolders> Folders() override
    {
        return std::make_shared<TVdirFolders>(root_);
    }
    // The store of an item is the folder that holds it.
    std::shared_ptr<IOutlookTaskItem> GetItemFromID(const std::string& EntryID,
                                                    const std::string& StoreID) override
    {
        TVdirItems items{fs::path(StoreID)};
        const int32_t count = items.Count();
        for (int32_t i = 1; i <= count; ++i) {
            std::shared_ptr<IOutlookTaskItem> item = items.Item(i);
            try {
                if (item->EntryID() == EntryID)
                    return item;
            } catch (const std::exception&) {
                // an unreadable file is no match
            }
        }
        throw EOutlookError("The operation failed. An object could not be found.");
    }

private:
    fs::path root_;
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
