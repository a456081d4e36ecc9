// The XML exchange of tasks and places. An import first converts and checks the whole input,
// then applies it, so that input which does not convert changes nothing.
#include "taskdb/XmlExchange.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include <pugixml.hpp>

#include "platform/SystemCodePage.h"
#include "platform/Exceptions.h"
#include "platform/StrUtils.h"
#include "taskdb/DataFileStream.h"
#include "taskdb/PlaceLookup.h"
#include "taskdb/Services.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"

namespace {

// Days of 0001-01-01 and of 9999-12-31 plus one.
constexpr double kMinXmlDate = -693593;
constexpr double kMaxXmlDate = 2958466;

// Model text to the DOM's text. Model strings are UTF-8; anything else is made valid so the
// document stays well-formed.
std::string ToXml(const std::string& s)
{
    return AnsiTextToUtf8(s);
}

// ---- Writing ----

void WriteXmlValue(pugi::xml_node taskNode, const char* name, const std::string& value,
                   bool condition)
{
    if (condition)
        taskNode.append_child(name).text().set(value.c_str());
}

// follows: the task whose due date and lead time the import gives t when it reads none of
// its own (its parent in the file); nullptr when those are the new task's defaults or the
// import target's.
void WriteTaskElement(const TTaskNode& t, const TTaskNode* follows, pugi::xml_node el,
                      TPlaceLookup& places)
{
    // Dates the import would take from the parent are written where they differ from them,
    // also when they are the defaults (a synchronised task without a due date, for one).
    const bool inherits = follows && t.ScheduleType != 1;
    el.append_attribute("Caption").set_value(ToXml(t.Caption).c_str());
    WriteXmlValue(el, "Importance", IntToStr(t.Importance), t.Importance != 50);
    WriteXmlValue(el, "Effort", IntToStr(t.Effort), t.Effort != 50);
    WriteXmlValue(el, "Estimate", FormatXmlFloat(t.Estimate), t.Estimate != 0);
    WriteXmlValue(el, "HideInToDo", "-1", t.HideInToDo);
    if (t.Note.Count() > 0) {
        std::string note;
        for (const auto& line : t.Note) {
            note += line;
            note += "\r\n";
        }
        WriteXmlValue(el, "Note", ToXml(note), true);
    }
    WriteXmlValue(el, "CompletionDateTime", FormatXmlDateTime(t.CompletionDateTime),
                  t.CompletionDateTime != 0);
    WriteXmlValue(el, "CompleteSubTasksInOrder", "-1", t.CompleteSubTasksInOrder);
    WriteXmlValue(el, "DueDateTime", FormatXmlDateTime(t.DueDateTime),
                  t.DueDateTime != 0 || (inherits && t.DueDateTime != follows->DueDateTime));
    WriteXmlValue(el, "LeadTime", FormatXmlFloat(t.LeadTime),
                  t.LeadTime != 1.0 || (inherits && t.LeadTime != follows->LeadTime));
    WriteXmlValue(el, "ScheduleType", IntToStr(t.ScheduleType), t.ScheduleType != 0);
    WriteXmlValue(el, "TheGoal", IntToStr(t.TheGoal), t.TheGoal != 0);
    WriteXmlValue(el, "Satisfaction", IntToStr(t.Satisfaction), t.Satisfaction != 50);
    WriteXmlValue(el, "IsProject", "-1", t.IsProject);
    WriteXmlValue(el, "ProjectStatus", IntToStr(t.ProjectStatus), t.ProjectStatus != 0);
    if (!t.Places.empty()) {
        pugi::xml_node placesEl = el.append_child("Places");
        for (int32_t id : t.Places)
            if (const TTaskPlace* place = places.Find(id))
                placesEl.append_child("Place").text().set(ToXml(place->Caption).c_str());
    }
}

// ---- Reading: the converted content of the input ----

struct TXmlTask {
    int parent = -1;   // index of the parent in the list; -1 = the import target
    std::string caption;
    std::optional<int32_t> importance, effort;
    std::optional<double> estimate;
    std::optional<bool> hideInToDo;
    std::optional<std::string> note;
    std::optional<TDateTime> completion;
    std::optional<bool> inOrder;
    std::optional<int32_t> scheduleType;
    std::optional<TDateTime> due;
    std::optional<double> leadTime, routineSchedule;
    std::optional<int32_t> goal, satisfaction;
    std::optional<bool> isProject;
    std::optional<int32_t> projectStatus;
    std::vector<std::string> places;
};

struct TXmlPlace {
    std::string caption;
    std::vector<std::string> includes;
};

// Converts the text of the element's first child `name`, when present and not only XML
// white space (which the parser keeps when it is an element's only text).
template <typename T, typename Convert>
void ReadChild(pugi::xml_node el, const char* name, std::optional<T>& out, Convert convert)
{
    const char* text = el.child(name).text().get();
    if (std::string_view(text).find_first_not_of(" \t\r\n") == std::string_view::npos)
        return;
    try {
        out = convert(std::string_view(text));
    } catch (const EConvertError& e) {
        throw EConvertError(e.Message() + " (element " + name + " of task \"" +
                            el.attribute("Caption").value() + "\")");
    }
}

int32_t ConvertInt(std::string_view s) { return StrToInt(Trim(s)); }
double ConvertFloat(std::string_view s) { return StrToFloat(Trim(s)); }

TXmlTask ConvertTask(pugi::xml_node c, int parent)
{
    TXmlTask t;
    t.parent = parent;
    t.caption = c.attribute("Caption").value();
    ReadChild(c, "Importance", t.importance, ConvertInt);
    ReadChild(c, "Effort", t.effort, ConvertInt);
    ReadChild(c, "Estimate", t.estimate, ConvertFloat);
    ReadChild(c, "HideInToDo", t.hideInToDo, ParseXmlBoolean);
    // A note is taken as it stands: lines of blanks are lines of the note.
    if (const char* note = c.child("Note").text().get(); *note)
        t.note = note;
    ReadChild(c, "CompletionDateTime", t.completion, ParseXmlDateTime);
    ReadChild(c, "CompleteSubTasksInOrder", t.inOrder, ParseXmlBoolean);
    ReadChild(c, "ScheduleType", t.scheduleType, ConvertInt);
    ReadChild(c, "DueDateTime", t.due, ParseXmlDateTime);
    ReadChild(c, "LeadTime", t.leadTime, ConvertFloat);
    ReadChild(c, "RoutineSchedule", t.routineSchedule, ConvertFloat);
    ReadChild(c, "TheGoal", t.goal, ConvertInt);
    ReadChild(c, "Satisfaction", t.satisfaction, ConvertInt);
    ReadChild(c, "IsProject", t.isProject, ParseXmlBoolean);
    ReadChild(c, "ProjectStatus", t.projectStatus, ConvertInt);
    for (pugi::xml_node p : c.child("Places").children())
        if (p.type() == pugi::node_element)
            t.places.emplace_back(p.text().get());
    return t;
}

// The tasks below a TaskTree or TaskNode element, in the order they are to be created
// (each parent before its children). Walks without recursion, so depth costs no stack.
std::vector<TXmlTask> ConvertTasks(pugi::xml_node container)
{
    std::vector<TXmlTask> tasks;
    struct TFrame {
        pugi::xml_node next;   // next candidate child of the container
        int target;            // index of the task the children go to; -1 = import target
        int depth;
    };
    std::vector<TFrame> stack{{container.first_child(), -1, 0}};
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (!f.next) {
            stack.pop_back();
            continue;
        }
        const pugi::xml_node c = f.next;
        f.next = c.next_sibling();
        if (c.type() != pugi::node_element || std::string_view(c.name()) != "TaskNode")
            continue;
        if (IsEmptyTaskNodeXml(c)) {
            // A whole exported tree: its tasks go directly to the target, and the rest of
            // the container is not read.
            f.next = c.first_child();
            continue;
        }
        const int depth = f.depth + 1;
        if (depth > kMaxTaskNesting)
            throw ExInvalidFileFormat(
                "Invalid file format: tasks are nested more than 10000 levels deep.");
        tasks.push_back(ConvertTask(c, f.target));
        stack.push_back({c.first_child(), static_cast<int>(tasks.size()) - 1, depth});
    }
    return tasks;
}

std::vector<TXmlPlace> ConvertPlaces(pugi::xml_node node)
{
    std::vector<TXmlPlace> places;
    for (pugi::xml_node p : node.children()) {
        if (p.type() != pugi::node_element)
            continue;
        TXmlPlace place;
        place.caption = p.attribute("Caption").value();
        for (pugi::xml_node i : p.children())
            if (i.type() == pugi::node_element)
                place.includes.emplace_back(i.attribute("Place").value());
        places.push_back(std::move(place));
    }
    return places;
}

// ---- Reading: applying the converted content ----

void ApplyTasks(TTaskNode& target, const std::vector<TXmlTask>& tasks, TPlaceCaptionIndex& places)
{
    // The whole import is refused, before anything changes, when it would nest too deep.
    std::vector<int32_t> depths;
    depths.reserve(tasks.size());
    int32_t height = 0;
    for (const TXmlTask& x : tasks) {
        depths.push_back(x.parent < 0 ? 1 : depths[static_cast<size_t>(x.parent)] + 1);
        height = std::max(height, depths.back());
    }
    TTaskNode::CheckNestingRoom(target, height);

    std::vector<TTaskNode*> created;
    created.reserve(tasks.size());
    for (const TXmlTask& x : tasks) {
        TTaskNode& parent = x.parent < 0 ? target : *created[static_cast<size_t>(x.parent)];
        TTaskNode* t = parent.AddChild(x.caption, -1);
        created.push_back(t);
        if (x.importance)
            t->Importance = *x.importance;
        if (x.effort)
            t->Effort = *x.effort;
        if (x.estimate)
            t->Estimate = *x.estimate;
        if (x.hideInToDo)
            t->SetHideInToDo(*x.hideInToDo);
        if (x.note)
            t->Note.SetText(*x.note);
        if (x.completion)
            t->SetCompletionDateTime(*x.completion);
        if (x.inOrder)
            t->SetCompleteSubTasksInOrder(*x.inOrder);
        if (x.scheduleType)
            t->SetScheduleType(*x.scheduleType);
        // A task that keeps its own dates starts from the defaults, not from the parent's
        // values that AddChild gave it.
        const bool ownDates = x.scheduleType && *x.scheduleType == 1;
        if (x.due || ownDates)
            t->SetDueDateTime(x.due.value_or(0));
        if (x.leadTime || ownDates)
            t->SetLeadTime(x.leadTime.value_or(1.0));
        if (x.routineSchedule)
            t->SetRoutineSchedule(*x.routineSchedule);
        if (x.goal)
            t->SetTheGoal(*x.goal);
        if (x.satisfaction)
            t->SetSatisfaction(*x.satisfaction);
        if (x.isProject)
            t->SetIsProject(*x.isProject);
        if (x.projectStatus)
            t->SetProjectStatus(*x.projectStatus);
        for (const auto& caption : x.places)
            t->Places.push_back(places.FindOrAdd(caption)->PlaceID);
    }
}

void ApplyPlaces(TPlaceCaptionIndex& index, const std::vector<TXmlPlace>& places)
{
    for (const TXmlPlace& x : places) {
        TTaskPlace* place = index.FindOrAdd(x.caption);
        for (const auto& caption : x.includes) {
            const int32_t id = index.FindOrAdd(caption)->PlaceID;
            auto& included = place->IncludedPlaces;
            if (std::find(included.begin(), included.end(), id) == included.end())
                included.push_back(id);
        }
    }
}

// Reads an unsigned decimal field of at most maxDigits digits.
bool TakeNumber(std::string_view& s, int maxDigits, int& value)
{
    int n = 0;
    value = 0;
    while (n < maxDigits && n < static_cast<int>(s.size()) && s[n] >= '0' && s[n] <= '9')
        value = value * 10 + (s[n++] - '0');
    s.remove_prefix(static_cast<size_t>(n));
    return n > 0;
}

bool TakeChar(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

// "NaN", "INF" or "Infinity", in any case, with or without a sign.
bool IsNonFiniteText(std::string_view s)
{
    if (!s.empty() && (s.front() == '-' || s.front() == '+'))
        s.remove_prefix(1);
    return SameText(s, "NaN") || SameText(s, "INF") || SameText(s, "Infinity");
}

bool TryParseXmlDateTime(std::string_view s, TDateTime& result)
{
    int y, mo, d;
    if (!TakeNumber(s, 4, y) || !TakeChar(s, '-') || !TakeNumber(s, 2, mo) || !TakeChar(s, '-') ||
        !TakeNumber(s, 2, d))
        return false;
    TDateTime date;
    if (!TryEncodeDate(y, mo, d, date))
        return false;
    double time = 0;
    if (!s.empty()) {
        if (!TakeChar(s, ' ') && !TakeChar(s, 'T'))
            return false;
        while (TakeChar(s, ' ')) {
        }
        int h, mi, sec = 0, ms = 0;
        if (!TakeNumber(s, 2, h) || !TakeChar(s, ':') || !TakeNumber(s, 2, mi))
            return false;
        if (TakeChar(s, ':')) {
            if (!TakeNumber(s, 2, sec))
                return false;
            if (TakeChar(s, '.') || TakeChar(s, ',')) {
                int digits = static_cast<int>(s.size());
                if (!TakeNumber(s, 3, ms))
                    return false;
                digits -= static_cast<int>(s.size());
                for (; digits < 3; ++digits)
                    ms *= 10;
                int ignored;
                TakeNumber(s, 9, ignored);   // finer digits are dropped
            }
        }
        if (!s.empty() || h > 23 || mi > 59 || sec > 59)
            return false;
        time = EncodeTime(h, mi, sec, ms);
    }
    result = date >= 0 ? date + time : date - time;
    return true;
}

} // namespace

// ---- Text forms ----

unsigned int XmlExchangeParseOptions()
{
    // A note of blank lines is the only text of its element and must not be dropped.
    return pugi::parse_default | pugi::parse_ws_pcdata_single;
}

std::string FormatXmlFloat(double Value)
{
    if (std::isnan(Value))
        return "NaN";
    if (std::isinf(Value))
        return Value > 0 ? "INF" : "-INF";
    return FloatToStr(Value);
}

std::string FormatXmlDateTime(TDateTime Value)
{
    if (!(Value >= kMinXmlDate && Value < kMaxXmlDate))
        return FormatXmlFloat(Value);
    // The date is the whole part, the time the fraction's size (also before 1899-12-30).
    double days = std::trunc(Value);
    int64_t ms = std::llround(std::fabs(Value - days) * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += Value < 0 ? -1 : 1;
    }
    int y, mo, d;
    DecodeDate(days, y, mo, d);
    const int h = static_cast<int>(ms / 3600000);
    const int mi = static_cast<int>(ms / 60000 % 60);
    const int s = static_cast<int>(ms / 1000 % 60);
    return Format("%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
}

TDateTime ParseXmlDateTime(std::string_view Text)
{
    const std::string s = Trim(Text);
    TDateTime result;
    if (TryParseXmlDateTime(s, result))
        return result;
    // A plain number of days, as written for values outside the calendar's range, or one
    // that is not finite.
    if ((!s.empty() && s.find_first_of("-+.,0123456789") == 0 &&
         s.find_first_not_of("-+.,0123456789eE") == std::string::npos) ||
        IsNonFiniteText(s)) {
        double v;
        if (TryStrToFloat(s, v) && !(v >= kMinXmlDate && v < kMaxXmlDate))
            return v;
    }
    throw EConvertError("'" + std::string(Text) + "' is not a valid date and time");
}

bool ParseXmlBoolean(std::string_view Text)
{
    const std::string s = Trim(Text);
    if (SameText(s, "true"))
        return true;
    if (SameText(s, "false"))
        return false;
    int32_t v;
    if (TryStrToInt(s, v))
        return v != 0;
    throw EConvertError("'" + std::string(Text) + "' is not a valid boolean value");
}

bool IsEmptyTaskNodeXml(pugi::xml_node Node)
{
    const pugi::xml_attribute caption = Node.attribute("Caption");
    return std::string_view(Node.parent().name()) != "TaskNode" && !Node.child("Note") &&
           caption && !*caption.value();
}

// ---- Tasks ----

void TTaskNode::WriteXml(pugi::xml_node ParentNode, const TTaskPlacesList& PlacesList) const
{
    // Pre-order without recursion: each task's element is added under its parent's element.
    struct TItem {
        const TTaskNode* task;
        pugi::xml_node parentEl;
    };
    std::vector<TItem> stack{{this, ParentNode}};
    // The root's tasks go to the import target, whose dates they then follow.
    const TTaskNode* topParent = Parent ? this : nullptr;
    TPlaceLookup places(PlacesList);
    while (!stack.empty()) {
        TItem item = stack.back();
        stack.pop_back();
        pugi::xml_node el = item.parentEl.append_child("TaskNode");
        const TTaskNode* follows = item.task == this ? nullptr : item.task->Parent;
        WriteTaskElement(*item.task, follows == this ? topParent : follows, el, places);
        const auto& children = item.task->Children;
        for (int i = children.Count() - 1; i >= 0; --i)
            stack.push_back({children[i], el});
    }
}

void TTaskNode::ReadXml(pugi::xml_node Node, TTaskPlacesList& PlacesList)
{
    TPlaceCaptionIndex places(PlacesList);
    ApplyTasks(*this, ConvertTasks(Node), places);
}

// ---- Places ----

void TTaskPlacesList::WriteXml(pugi::xml_node node) const
{
    TPlaceLookup lookup(*this);
    for (const auto& place : FItems) {
        pugi::xml_node el = node.append_child("TaskPlace");
        el.append_attribute("Caption").set_value(ToXml(place->Caption).c_str());
        for (int32_t id : place->IncludedPlaces)
            if (const TTaskPlace* included = lookup.Find(id))
                el.append_child("Includes")
                    .append_attribute("Place")
                    .set_value(ToXml(included->Caption).c_str());
    }
}

void TTaskPlacesList::ReadXml(pugi::xml_node node)
{
    TPlaceCaptionIndex index(*this);
    ApplyPlaces(index, ConvertPlaces(node));
}

// ---- Document ----

void TTovrinDataBase::ExportXml(pugi::xml_node ParentNode, TTaskNode* StartTask)
{
    const TTaskNode* start = StartTask ? StartTask : Root.get();
    start->WriteXml(ParentNode.append_child("TaskTree"), *PlacesList);
    PlacesList->WriteXml(ParentNode.append_child("PlacesList"));
}

void TTovrinDataBase::ImportXml(pugi::xml_node Node, TTaskNode* TargetTask)
{
    // Everything is converted before the document changes.
    const std::vector<TXmlTask> tasks = ConvertTasks(Node.child("TaskTree"));
    const std::vector<TXmlPlace> places = ConvertPlaces(Node.child("PlacesList"));
    TPlaceCaptionIndex index(*PlacesList);
    ApplyTasks(TargetTask ? *TargetTask : *Root, tasks, index);
    ApplyPlaces(index, places);
}
