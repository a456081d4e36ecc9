// One task file of the folder store: the mapped fields read from its VTODO, and written back
// so that every property it did not change stays as it was.
#include <cmath>
#include <random>

#include "outlooksync/VdirFolderScan.h"
#include "platform/CodePage.h"
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

TICalComponent* FindCalendar(std::vector<TICalComponent>& file)
{
    for (TICalComponent& c : file)
        if (SameText(c.Name, "VCALENDAR"))
            return &c;
    return nullptr;
}

// The task of a file: its VTODO that is no override of one occurrence.
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

// What a text property keeps of a text: control characters cannot be written.
std::string KeptText(const std::string& Text)
{
    return UnescapeICalText(EscapeICalText(Text));
}

// The outline's note ends every line with a line break; a description need not end its last
// line, so "a" and "a\n" are both the note "a". A note whose last line is empty keeps every
// break, so that it reads back whole. KeepBreak keeps the file's own habit otherwise.
std::string DescriptionFromBody(const std::string& Text, bool KeepBreak)
{
    std::string lines;
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\r') {
            lines += '\n';
            if (i + 1 < Text.size() && Text[i + 1] == '\n')
                ++i;
        } else {
            lines += Text[i];
        }
    }
    std::string description = KeptText(lines);
    const size_t n = description.size();
    if (!KeepBreak && n >= 2 && description[n - 1] == '\n' && description[n - 2] != '\n')
        description.pop_back();
    return description;
}

std::string BodyFromDescription(const std::string& Description)
{
    std::string body;
    for (char c : Description) {
        if (c == '\n')
            body += '\r';
        body += c;
    }
    if (!Description.empty() && Description.back() != '\n')
        body += "\r\n";
    return body;
}

bool SameSecond(TDateTime a, TDateTime b)
{
    return a == b || (a != OutlookNoDate && b != OutlookNoDate && RoundToSecond(a) == RoundToSecond(b));
}

struct EFieldError {
    std::string Text;
};

} // namespace

std::shared_ptr<TVdirTaskItem> TVdirTaskItem::FromFile(std::weak_ptr<TVdirFolderScan> Scan,
                                                       const fs::path& File,
                                                       const std::string& Text,
                                                       const TFileStamp& Stamp,
                                                       const std::string& ReadError)
{
    auto item = std::make_shared<TVdirTaskItem>(std::move(Scan));
    item->fileName_ = File.filename().string();
    item->DiskStamp = Stamp;
    item->DiskDigest = ContentDigest(Text);
    item->OnDisk = true;
    item->fileTime_ = UtcToLocal(UnixToDateTime(Stamp.ModifiedNs / 1000000000)) +
                      static_cast<double>(Stamp.ModifiedNs % 1000000000) / 86400e9;
    const std::string name = "The file \"" + File.string() + "\" is left as it is: ";
    std::string problem = ReadError;
    if (problem.empty()) {
        item->file_ = ParseICalendar(Text, problem);
        if (problem.empty() && Text.empty())
            problem = "it is empty";
    }
    TICalComponent* calendar = problem.empty() ? FindCalendar(item->file_) : nullptr;
    if (problem.empty() && !calendar)
        problem = "it holds no VCALENDAR";
    if (calendar) {
        int masters = 0;
        for (const TICalComponent& c : calendar->Components) {
            if (SameText(c.Name, "VTODO")) {
                item->holdsTodo_ = true;
                masters += c.Find("RECURRENCE-ID") ? 0 : 1;
            } else if (SameText(c.Name, "VEVENT") || SameText(c.Name, "VJOURNAL")) {
                item->holdsEvents_ = true;
            }
        }
        if (masters > 1)
            problem = "it holds more than one task";
        else if (masters == 0 && item->holdsTodo_)
            problem = "it holds changed occurrences of a series but not the series";
        else if (masters == 0 && item->holdsEvents_)
            item->kind_ = ikOther;
        else if (masters == 0)
            problem = "it holds no task";
    }
    if (problem.empty() && item->kind_ == ikTask) {
        try {
            item->ReadFields();
        } catch (const EFieldError& e) {
            problem = e.Text;
        }
    }
    if (!problem.empty()) {
        item->kind_ = ikBroken;
        item->problem_ = name + problem + ".";
        item->unreadable_ = !ReadError.empty();
    }
    return item;
}

std::shared_ptr<TVdirFolderScan> TVdirTaskItem::Scan() const
{
    std::shared_ptr<TVdirFolderScan> scan = scan_.lock();
    if (!scan)
        throw EOutlookError("The task folder is no longer open.");
    return scan;
}

void TVdirTaskItem::Check() const
{
    if (deleted_)
        throw EOutlookError("The item has been moved or deleted.");
    // A file the system does not let us read is no fault of its contents: a warning.
    if (kind_ == ikBroken && unreadable_)
        throw EOutlookItemSkipped(problem_);
    if (kind_ == ikBroken)
        throw EOutlookError(problem_);
    if (kind_ == ikDuplicate)
        throw EOutlookItemSkipped(problem_);
}

std::string TVdirTaskItem::LinkID() const
{
    if (!uid_.empty())
        return uid_;
    if (fileName_.empty())
        return {};
    if (kind_ == ikBroken)
        if (auto scan = scan_.lock())
            if (std::string recorded = scan->RecordedUid(fileName_); !recorded.empty())
                return recorded;
    return fs::path(fileName_).stem().string();
}

void TVdirTaskItem::AdoptRecordedUid(const std::string& Uid)
{
    if (!uidLine_ && !Uid.empty())
        uid_ = Uid;
}

void TVdirTaskItem::MarkDuplicate(const std::string& Problem)
{
    kind_ = ikDuplicate;
    problem_ = Problem;
}

std::string TVdirTaskItem::EntryID()
{
    // A file that cannot be used still names its task, so that the task is left alone.
    if (kind_ != ikBroken || !claimsLink_)
        Check();
    return LinkID();
}

std::u16string TVdirTaskItem::Subject() { Check(); return Wide(summary_); }
void TVdirTaskItem::SetSubject(const std::u16string& Value) { Check(); summary_ = KeptText(Utf8(Value)); }

std::u16string TVdirTaskItem::KeptSubject(const std::u16string& Value)
{
    return Wide(KeptText(Utf8(Value)));
}

std::u16string TVdirTaskItem::Body()
{
    Check();
    return Wide(BodyFromDescription(description_));
}

void TVdirTaskItem::SetBody(const std::u16string& Value)
{
    Check();
    const bool hadBreak = !loaded_.description.empty() && loaded_.description.back() == '\n';
    description_ = DescriptionFromBody(Utf8(Value), hadBreak);
}

std::u16string TVdirTaskItem::KeptBody(const std::u16string& Value)
{
    return Wide(BodyFromDescription(DescriptionFromBody(Utf8(Value), false)));
}

std::u16string TVdirTaskItem::Categories()
{
    Check();
    std::string joined;
    for (const std::string& c : categories_)
        joined += (joined.empty() ? "" : ", ") + c;
    return Wide(joined);
}

void TVdirTaskItem::SetCategories(const std::u16string& Value)
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

TDateTime TVdirTaskItem::DueDate() { Check(); return due_; }
void TVdirTaskItem::SetDueDate(TDateTime Value) { Check(); due_ = Value; }
// A file keeps times to the second.
TDateTime TVdirTaskItem::KeptDate(TDateTime Value)
{
    return Value == OutlookNoDate ? Value : RoundToSecond(Value);
}

// A task without a start starts one day before it is due (the lead the outline takes for
// it), so that start is what such a file gives and keeps.
TDateTime TVdirTaskItem::StartDate()
{
    Check();
    return start_ == OutlookNoDate && due_ != OutlookNoDate ? due_ - 1.0 : start_;
}

void TVdirTaskItem::SetStartDate(TDateTime Value) { Check(); start_ = Value; }

TDateTime TVdirTaskItem::DateCompleted()
{
    Check();
    if (completed_ != OutlookNoDate || !complete_)
        return completed_;
    return LastModificationTime();
}

void TVdirTaskItem::SetDateCompleted(TDateTime Value) { Check(); completed_ = Value; }

TDateTime TVdirTaskItem::LastModificationTime()
{
    Check();
    if (SavedAt != 0)
        return SavedAt;
    if (fileName_.empty())
        return Now();
    if (auto scan = scan_.lock())
        return scan->SeenTime(*this);
    return fileTime_;
}

bool TVdirTaskItem::Complete() { Check(); return complete_; }

void TVdirTaskItem::SetComplete(bool Value)
{
    Check();
    complete_ = Value;
    if (!Value)
        completed_ = OutlookNoDate;
}

bool TVdirTaskItem::IsRecurring() { Check(); return recurring_; }

void TVdirTaskItem::SetOwner(const std::string& Key)
{
    owner_ = Key;
    if (OnDisk)
        Scan()->KeepLink(*this);
}

void TVdirTaskItem::NewFile()
{
    uid_ = NewUid();
    fileName_ = Scan()->NewFileName(uid_);
    TICalComponent calendar;
    calendar.Name = "VCALENDAR";
    calendar.Set("VERSION", "", "2.0");
    calendar.Set("PRODID", "", kProdID);
    TICalComponent todo;
    todo.Name = "VTODO";
    todo.Set("UID", "", EscapeICalText(uid_));
    calendar.Components.push_back(todo);
    file_ = {calendar};
}

void TVdirTaskItem::Save()
{
    Check();
    std::shared_ptr<TVdirFolderScan> scan = Scan();
    const bool isNew = fileName_.empty();
    if (isNew)
        NewFile();
    TICalComponent* todo = FindTodo(file_);
    bool changed = isNew;
    if (!todo->Find("UID")) {
        todo->Set("UID", "", EscapeICalText(uid_));
        changed = true;
    }
    // Like the store it stands in for, saving an item whose values did not change writes
    // nothing: the file, and its time, stay as they were.
    if (!WriteFields(*todo) && !changed)
        return;

    const TDateTime now = Now();
    const std::string stamp = FormatICalUtcDateTime(TruncateToSecond(now));
    todo->Set("LAST-MODIFIED", "", stamp);
    todo->Set("DTSTAMP", "", stamp);
    if (!isNew) {
        const TICalProperty* sequence = todo->Find("SEQUENCE");
        const long long value = sequence ? std::atoll(Trim(sequence->Value).c_str()) : 0;
        todo->Set("SEQUENCE", "", std::to_string(value < 0 ? 1 : value + 1));
    }
    scan->Stage(*this, WriteICalendar(file_));
    SavedAt = now;
    ReadFields();   // what the file now says
    if (isNew)
        scan->Added(shared_from_this());
}

void TVdirTaskItem::Delete()
{
    Check();
    if (!fileName_.empty())
        Scan()->Remove(*this);
    deleted_ = true;
}

void TVdirTaskItem::ReadFields()
{
    TICalComponent* todo = FindTodo(file_);
    const TICalProperty* p = todo->Find("UID");
    uid_ = p ? Trim(UnescapeICalText(p->Value)) : std::string();
    uidLine_ = !uid_.empty();
    if (uid_.empty())
        uid_ = fs::path(fileName_).stem().string();
    p = todo->Find("SUMMARY");
    summary_ = p ? UnescapeICalText(p->Value) : std::string();
    p = todo->Find("DESCRIPTION");
    description_ = p ? UnescapeICalText(p->Value) : std::string();
    categories_.clear();
    for (const TICalProperty& prop : todo->Properties)
        if (!prop.Raw && SameText(prop.Name, "CATEGORIES"))
            for (const std::string& c : SplitICalTextList(prop.Value))
                if (!Trim(c).empty())
                    categories_.push_back(Trim(c));

    TICalTimes times(FindCalendar(file_));
    auto read = [&](const char* name, TDateTime& value, TICalTimeForm& form) {
        value = OutlookNoDate;
        form = TICalTimeForm{};
        const TICalProperty* prop = todo->Find(name);
        std::string error;
        if (prop && !times.Read(*prop, value, form, error))
            throw EFieldError{error};
        return prop != nullptr;
    };
    read("DTSTART", start_, startForm_);
    if (!read("DUE", due_, dueForm_) && start_ != OutlookNoDate && todo->Find("DURATION")) {
        double days = 0;
        if (!ParseICalDuration(Trim(todo->Find("DURATION")->Value), days))
            throw EFieldError{"the value of DURATION is no duration"};
        due_ = RoundToSecond(start_ + days);
        dueForm_ = startForm_;
    }
    TICalTimeForm completedForm;
    read("COMPLETED", completed_, completedForm);

    p = todo->Find("STATUS");
    const std::string status = p ? UpperCase(Trim(p->Value)) : std::string();
    complete_ = status == "COMPLETED" || (status.empty() && completed_ != OutlookNoDate);
    if (!complete_)
        completed_ = OutlookNoDate;
    recurring_ = todo->Find("RRULE") != nullptr || todo->Find("RDATE") != nullptr;
    loaded_ = {summary_, description_, categories_, due_, start_, completed_, complete_};
}

bool TVdirTaskItem::WriteFields(TICalComponent& Todo)
{
    bool changed = false;
    if (summary_ != loaded_.summary) {
        changed = true;
        if (summary_.empty())
            Todo.Remove("SUMMARY");
        else
            Todo.Set("SUMMARY", "", EscapeICalText(summary_));
    }
    if (description_ != loaded_.description) {
        changed = true;
        if (description_.empty())
            Todo.Remove("DESCRIPTION");
        else
            Todo.Set("DESCRIPTION", "", EscapeICalText(description_));
    }
    if (categories_ != loaded_.categories) {
        changed = true;
        Todo.Remove("CATEGORIES");
        std::string value;
        for (const std::string& c : categories_)
            value += (value.empty() ? "" : ",") + EscapeICalText(c);
        if (!value.empty())
            Todo.Set("CATEGORIES", "", value);
    }
    // A file without a start keeps the start of one day before the due date as no start.
    if (!Todo.Find("DTSTART") && due_ != OutlookNoDate && SameSecond(start_, due_ - 1.0))
        start_ = OutlookNoDate;
    if (!SameSecond(due_, loaded_.due) || !SameSecond(start_, loaded_.start)) {
        changed = true;
        WriteDates(Todo);
    }
    if ((complete_ != loaded_.complete ||
         (complete_ && !SameSecond(completed_, loaded_.completed))) &&
        WriteCompletion(Todo))
        changed = true;
    return changed;
}

// DUE and DTSTART share one value type: dates while both are whole days and neither was
// written with a time, else date-times in the form the file used (its zone, UTC or floating).
void TVdirTaskItem::WriteDates(TICalComponent& Todo)
{
    const bool hasDue = due_ != OutlookNoDate;
    const bool hasStart = start_ != OutlookNoDate;
    const bool dueTimed = Todo.Find("DUE") && dueForm_.Kind != TICalTimeForm::tfDate;
    const bool startTimed = Todo.Find("DTSTART") && startForm_.Kind != TICalTimeForm::tfDate;
    const bool dates = (!hasDue || IsWholeDay(due_)) && (!hasStart || IsWholeDay(start_)) &&
                       !dueTimed && !startTimed;
    TICalTimeForm timed;
    if (dueTimed)
        timed = dueForm_;
    else if (startTimed)
        timed = startForm_;
    TICalTimes times(FindCalendar(file_));
    auto write = [&](const char* name, TDateTime value, bool wasTimed, const TICalTimeForm& own) {
        if (!Todo.Find(name))
            Todo.Set(name, "", "");
        TICalTimeForm form = dates ? TICalTimeForm{TICalTimeForm::tfDate, {}}
                                   : (wasTimed ? own : timed);
        times.Write(*Todo.Find(name), value, form);
    };
    Todo.Remove("DURATION");
    if (hasStart)
        write("DTSTART", start_, startTimed, startForm_);
    else
        Todo.Remove("DTSTART");
    if (hasDue)
        write("DUE", due_, dueTimed, dueForm_);
    else
        Todo.Remove("DUE");
}

bool TVdirTaskItem::WriteCompletion(TICalComponent& Todo)
{
    // The status is read before COMPLETED goes: removing shifts the properties.
    const TICalProperty* statusProperty = Todo.Find("STATUS");
    const std::string status = statusProperty ? UpperCase(Trim(statusProperty->Value)) : "";
    const bool hasPercent = Todo.Find("PERCENT-COMPLETE") != nullptr;
    TICalTimes times(FindCalendar(file_));
    // Completing one occurrence of a series moves the series on and leaves it open.
    bool advanced = false;
    if (complete_ && !loaded_.complete && recurring_) {
        std::string why;
        const TSeriesStep step = times.AdvanceSeries(Todo, &why);
        if (step == TSeriesStep::NotMoved) {
            // Completing it would lose its later occurrences: it stays open and as it is.
            Scan()->Warn("The recurring task of the file \"" + (Scan()->Dir() / fileName_).string() +
                         "\" was not moved on to its next occurrence and stays open: " + why);
            complete_ = false;
            completed_ = OutlookNoDate;
            return false;
        }
        advanced = step == TSeriesStep::Moved;
    }
    if (complete_ && !advanced) {
        Todo.Set("STATUS", "", "COMPLETED");
        Todo.Set("COMPLETED", "", FormatICalUtcDateTime(completed_ != OutlookNoDate ? completed_ : Now()));
        if (hasPercent)
            Todo.Set("PERCENT-COMPLETE", "", "100");
        return true;
    }
    Todo.Remove("COMPLETED");
    Todo.Remove("PERCENT-COMPLETE");
    if (status == "COMPLETED")
        Todo.Set("STATUS", "", "NEEDS-ACTION");
    if (advanced) {
        complete_ = false;
        completed_ = OutlookNoDate;
    }
    return true;
}
