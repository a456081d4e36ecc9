// Random edits on both sides between runs, the other side as todoman or a plain editor would
// make them: after every run each task and each file pair up once, every pair compares equal,
// no caption written on either side is lost, and a second run changes nothing.
// TOVRIN_SYNC_SEED chooses another sequence than the fixed one.
#include <random>
#include <set>

#include "outlooksync/vdir/VdirTestSupport.h"
#include "platform/StrUtils.h"

namespace {

// Text with the lines of one property of the task dropped and Line put before its end; bare
// line feeds throughout when Bare, else the file's own line ending.
std::string WithProperty(const std::string& Text, const std::string& Name,
                         const std::string& Line, bool Bare)
{
    const std::string eol = !Bare && Text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string out;
    bool dropping = false;
    for (size_t pos = 0, end; pos < Text.size(); pos = end + 1) {
        end = std::min(Text.find('\n', pos), Text.size());
        const std::string line = Text.substr(pos, end - pos - (Text[end - 1] == '\r'));
        if (line[0] != ' ')
            dropping = line.starts_with(Name) && line.find_first_of(":;") == Name.size();
        if (!dropping)
            out += (line == "END:VTODO" ? Line + eol : "") + line + eol;
    }
    return out;
}

// A file's UID and SUMMARY as libical reads them.
std::pair<std::string, std::string> UidAndSummary(const std::string& Text)
{
    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> top(
        icalparser_parse_string(Text.c_str()), icalcomponent_free);
    icalcomponent* todo =
        top ? icalcomponent_get_first_component(top.get(), ICAL_VTODO_COMPONENT) : nullptr;
    const char* uid = todo ? icalcomponent_get_uid(todo) : nullptr;
    const char* summary = todo ? icalcomponent_get_summary(todo) : nullptr;
    return {uid ? uid : "", summary ? summary : ""};
}

class RandomisedSync : public TodomanFixture {
protected:
    RandomisedSync() : TodomanFixture("default_due = 0\n") {}
    void SetUp() override
    {
        TodomanFixture::SetUp();
        if (const char* seed = std::getenv("TOVRIN_SYNC_SEED"))
            rng.seed(this->seed = std::stoul(seed));
    }
    size_t Pick(size_t n) { return rng() % n; }
    std::string NewMark() { return "[" + std::to_string(round) + "." + std::to_string(++marks) + "]"; }
    // Some captions and notes carry a control character, as todoman keeps them.
    std::string Odd() { return Pick(4) == 0 ? std::string(1, "\a\x1B"[Pick(2)]) : ""; }

    std::vector<TTaskNode*> Tasks() const
    {
        std::vector<TTaskNode*> all;
        db.Root->ForEachNode([&](void*, TTaskNode* t) { if (t->Parent) all.push_back(t); }, nullptr);
        return all;
    }
    std::string Captions() const
    {
        std::string captions;
        for (const TTaskNode* t : Tasks())
            captions += t->Caption + "\n";
        return captions;
    }
    // A task not yet touched here in this round (nor the new-tasks parent).
    TTaskNode* PickTask()
    {
        std::vector<TTaskNode*> free;
        for (TTaskNode* t : Tasks())
            if (!touchedHere.count(t) && t->Caption != "<NewOutlookTasks>")
                free.push_back(t);
        return free.empty() ? nullptr : free[Pick(free.size())];
    }
    // A file there at the start of the round, not yet touched there; half the time one whose
    // task (or a subtask) was touched here, when there is one: both sides change, or a parent
    // there and a subtask here.
    fs::path PickFile()
    {
        std::vector<std::pair<fs::path, std::string>> free, both;
        for (const auto& [file, text] : Contents()) {
            const auto [uid, summary] = UidAndSummary(text);
            if (roundFiles.count(file) && !touchedThere.count(file) &&
                summary != "<NewOutlookTasks>")
                (linksTouchedHere.count(uid) ? both : free).emplace_back(file, summary);
        }
        if (both.empty() || Pick(2))
            free.insert(free.end(), both.begin(), both.end());
        else
            free = both;
        if (free.empty())
            return {};
        const auto& [file, summary] = free[Pick(free.size())];
        touchedThere.insert(file);
        picked = summary;
        return file;
    }
    // Edits a property of a random file as a text editor would, or with bare line feeds.
    bool EditThere(const std::string& Name, const std::string& Line)
    {
        const fs::path file = PickFile();
        if (!file.empty())
            WriteText(file, WithProperty(ReadText(file), Name, Line, Pick(4) == 0));
        return !file.empty();
    }
    // Due dates set there only grow, so that none falls before a start date already written.
    // As todoman takes it ("2031-01-02 05:00"), or as a file holds it (Ics).
    std::string LaterDue(bool Ics = false)
    {
        theirDue += 1 + static_cast<double>(Pick(96)) / 24;
        int y, m, d, h, n, s, ms;
        DecodeDate(theirDue, y, m, d);
        DecodeTime(theirDue, h, n, s, ms);
        return Format(Ics ? "%04d%02d%02dT%02d0000Z" : "%04d-%02d-%02d %02d:00", y, m, d, h);
    }
    void EditHere();
    void EditThere();
    void CheckRound();

    unsigned long seed = 20261207;
    std::mt19937 rng{seed};
    int round = 0, marks = 0;
    TDateTime theirDue = EncodeDate(2031, 1, 1);
    std::set<TTaskNode*> touchedHere;
    std::set<std::string> linksTouchedHere;   // the UIDs of the tasks touched here and their parents
    std::set<fs::path> roundFiles, touchedThere;   // the files at the start of the round
    std::vector<std::string> expected;   // marks some caption must carry on both sides
    std::string journal, picked;   // the round's edits, the summary of the file picked last
};

void RandomisedSync::EditHere()
{
    TTaskNode* task = PickTask();
    if (!task)
        return;
    touchedHere.insert(task);
    linksTouchedHere.insert(Trim(task->OutlookEntryID));
    linksTouchedHere.insert(Trim(task->Parent->OutlookEntryID));
    // What a user of the outline does to a task.
    const std::pair<const char*, std::function<void()>> kinds[] = {
        {"new task", [&] {   // a subtask following its parent's date now and then
             expected.push_back(NewMark());
             Edit((Pick(3) ? db.Root.get() : task)->AddChild("new " + expected.back(), -1));
         }},
        {"caption", [&] {
             expected.push_back(NewMark());
             task->Caption = "here " + expected.back();
         }},
        {"note", [&] { task->Note.SetText("note " + NewMark() + "\r\nsecond line"); }},
        {"due and lead", [&] {   // the parent's following subtasks take them
             if (task->Children.Empty())
                 Edit(task->AddChild("follower " + NewMark(), -1));
             task->SetDueDateTime(EncodeDate(2030, 5 + int(Pick(2)), 1 + int(Pick(28))) +
                                  EncodeTime(int(Pick(24)), 15 * int(Pick(4)), 0, 0));
             task->SetScheduleType(1);
             task->SetLeadTime(std::vector{0.0, 0.5, 1.0, 3.0}[Pick(4)]);
         }},
        {"delete", [&] {
             task->ForEachNode([&](void*, TTaskNode* t) {
                 touchedHere.insert(t);
                 linksTouchedHere.insert(Trim(t->OutlookEntryID));
             }, nullptr);
             delete std::exchange(task, nullptr);
         }},
        {"completion", [&] { task->SetCompletionDateTime(task->IsCompleted() ? 0 : Now()); }},
    };
    const auto& [name, edit] = kinds[Pick(std::size(kinds))];
    journal += std::string("here ") + name + " on \"" + task->Caption + "\"; ";
    edit();
    if (task)
        Edit(task);
}

void RandomisedSync::EditThere()
{
    picked.clear();
    // What another client does to the folder.
    const std::pair<const char*, std::function<void()>> kinds[] = {
        {"SUMMARY", [&] {
             expected.push_back(NewMark());
             if (!EditThere("SUMMARY", "SUMMARY:there " + expected.back() + Odd()))
                 expected.pop_back();
         }},
        {"DESCRIPTION", [&] {
             EditThere("DESCRIPTION", "DESCRIPTION:their note " + NewMark() + Odd() + "\\nand more");
         }},
        {"DUE", [&] { EditThere("DUE", "DUE:" + LaterDue(true)); }},
        {"todoman due", [&] {   // todoman finds the task by its summary
             if (PickFile().empty())
                 return;
             const std::string id = Shell(
                 "todoman --porcelain list --status ANY | python3 -c 'import json,sys; print(*[t[\"id\"] "
                 "for t in json.load(sys.stdin) if t[\"summary\"] == sys.argv[1]][:1], end=\"\")' '" +
                 picked + "'");
             if (!id.empty())
                 Run("todoman edit --due '" + LaterDue() + "' " + id);
         }},
        {"delete", [&] {
             if (const fs::path file = PickFile(); !file.empty())
                 fs::remove(file);
         }},
        {"new file", [&] {
             expected.push_back(NewMark());
             const std::string uid = "there-" + std::to_string(marks);
             WriteText(tasks / (uid + ".ics"),
                       "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VTODO\r\nUID:" +
                           uid + "\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:file " + expected.back() +
                           "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
         }},
        {"todoman new", [&] {
             expected.push_back(NewMark());
             Run("todoman new -l tasks " + std::string(Pick(2) ? "-d '" + LaterDue() + "' " : "") +
                 "'todoman " + expected.back() + "'");
         }},
    };
    const auto& [name, edit] = kinds[Pick(std::size(kinds))];
    edit();
    journal += std::string("there ") + name + (picked.empty() ? "" : " on \"" + picked + "\"");
    journal += "; ";
}

void RandomisedSync::CheckRound()
{
    for (const auto& e : fs::directory_iterator(tasks))
        EXPECT_FALSE(e.path().filename().string().ends_with(".tovrin-tmp")) << e.path();
    // Each task linked to one file, each file to one task.
    std::map<std::string, std::pair<int, int>> links;   // tasks and files of each UID
    std::string summaries;
    for (const TTaskNode* t : Tasks())
        ++links[Trim(t->OutlookEntryID)].first;
    for (const auto& [file, text] : Contents()) {
        const auto [uid, summary] = UidAndSummary(text);
        ++links[uid].second;
        summaries += summary + "\n";
    }
    for (const auto& [uid, count] : links)
        EXPECT_EQ(count, std::pair(1, 1)) << "tasks and files of \"" << uid << "\"";
    // Pairs compare equal, as the synchronisation compares them.
    TOutlookSyncRun compare(db, host, VdirApplicationFactory("/"));
    auto names = CreateVdirApplication("/")->GetNameSpace("MAPI");
    for (TTaskNode* t : Tasks()) {
        try {
            auto item = names->GetItemFromID(Trim(t->OutlookEntryID), tasks.string());
            EXPECT_FALSE(compare.OutlookItemDiffers(*item, t))
                << t->Caption << Format(": due %.6f, start %.6f there; due %.6f, lead %.3f here",
                                        item->DueDate(), item->StartDate(), t->DueDateTime, t->LeadTime)
                << "\n" << Log();
        } catch (const std::exception& e) {
            ADD_FAILURE() << t->Caption << ": " << e.what();
        }
    }
    for (const std::string& mark : expected) {
        EXPECT_THAT(Captions(), HasSubstr(mark)) << Log();
        EXPECT_THAT(summaries, HasSubstr(mark));
    }
    // A second run finds nothing to do.
    auto outline = [&] {
        std::string s;
        for (const TTaskNode* t : Tasks())
            s += Format("%d|%s|%s|%.9f|%.9f|%d|%s\n", t->Level(), t->Caption.c_str(),
                        NoteText(*t).c_str(), t->DueDateTime, t->LeadTime, t->IsCompleted(),
                        t->OutlookEntryID.c_str());
        return s;
    };
    const auto files = Contents();
    const std::string before = outline();
    fs::remove(root / "plan_OutlookSync.log");
    ASSERT_TRUE(Sync());
    EXPECT_THAT(Log(), Not(HasSubstr("[---")));
    EXPECT_EQ(Contents(), files);
    EXPECT_EQ(outline(), before);
}

TEST_F(RandomisedSync, EditsOnBothSidesKeepEveryTaskOnceAndEveryPairEqual)
{
    for (int i = 0; i < 5; ++i) {
        TTaskNode* task = db.Root->AddChild("start " + NewMark(), -1);
        if (i < 2)
            task->AddChild("follower " + NewMark(), -1);
    }
    ASSERT_TRUE(Sync());
    for (round = 1; round <= 30 && !HasFailure(); ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        expected.clear();
        journal.clear();
        touchedHere.clear();
        linksTouchedHere.clear();
        touchedThere.clear();
        for (size_t n = 1 + Pick(3); n > 0; --n)
            EditHere();
        // What a deletion here took away is not expected back.
        const std::string captions = Captions();
        std::erase_if(expected, [&](const std::string& m) { return captions.find(m) == std::string::npos; });
        roundFiles.clear();
        for (const auto& [file, text] : Contents())
            roundFiles.insert(file);
        for (size_t n = 1 + Pick(3); n > 0; --n)
            EditThere();
        SCOPED_TRACE(journal);
        fs::remove(root / "plan_OutlookSync.log");
        ASSERT_TRUE(Sync());
        EXPECT_THAT(Log(), Not(HasSubstr("[---ERROR")));
        CheckRound();
    }
    // todoman reads every file, one for each task.
    EXPECT_EQ(Shell("todoman --porcelain list --status ANY | python3 -c 'import json,sys; "
                    "print(len(json.load(sys.stdin)))'"),
              std::to_string(Tasks().size()) + "\n");
}

} // namespace
