// Pairs that must compare equal after every run with todoman on the same folder: subtasks that
// follow their parent's dates, texts with control characters, the recurring mark, edits in the
// hour the clock goes back; and files written with bare line feeds, a folder that refuses a
// delete, a file that cannot be read.
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include "outlooksync/ICalendar.h"
#include "outlooksync/vdir/VdirTestSupport.h"

namespace {

class TodomanPairs : public TodomanFixture {
protected:
    TodomanPairs() : TodomanFixture("default_due = 0\n") {}
    void SetUp() override
    {
        TodomanFixture::SetUp();
        db.SyncLogLevel = 3;
    }
    fs::path FileOf(const std::string& summary) const
    {
        const std::string line = "SUMMARY:" + EscapeICalText(summary);
        for (const auto& [file, text] : Contents())
            if (text.find(line + "\r\n") != std::string::npos || text.find(line + "\n") != std::string::npos)
                return file;
        return {};
    }
    bool SyncAlone(uint8_t mode = smBothWays)
    {
        fs::remove(root / "plan_OutlookSync.log");
        return Sync(mode);
    }
    // The task's due date and lead as its file holds them (libical), against the outline's.
    void ExpectFileDates(const TTaskNode* task)
    {
        const std::string text = ReadText(FileOf(task->Caption));
        icalcomponent* top = icalparser_parse_string(text.c_str());
        ASSERT_TRUE(top) << task->Caption;
        icalcomponent* todo = icalcomponent_get_first_component(top, ICAL_VTODO_COMPONENT);
        const icaltimetype due = icalcomponent_get_due(todo);
        const icaltimetype start = icalcomponent_get_dtstart(todo);
        const long lead = icaltime_is_null_time(start) ? 86400
                                                       : static_cast<long>(icaltime_as_timet(due) -
                                                                           icaltime_as_timet(start));
        icalcomponent_free(top);
        EXPECT_EQ(Todoman(task->Caption, "due"),
                  std::to_string(DateTimeToUnix(LocalToUtc(task->DueDateTime))) + "\n")
            << task->Caption;
        EXPECT_EQ(lead, std::lround(task->LeadTime * 86400)) << task->Caption;
    }
    // Their due date on a parent, its lead here, its deletion there: the subtasks that follow
    // it are equal to their files after each run.
    // With abortAfter, a run is first cut short that many items after the parent's.
    void FollowersStayEqual(bool parentMetFirst, int abortAfter = 0);
    // A task "Parent" due 2030-05-01 10:00 and subtasks that follow its dates, synchronised.
    std::pair<TTaskNode*, std::vector<TTaskNode*>> ParentWithFollowers(std::initializer_list<const char*> captions)
    {
        TTaskNode* parent = db.Root->AddChild("Parent", -1);
        parent->SetDueDateTime(EncodeDate(2030, 5, 1) + EncodeTime(10, 0, 0, 0));
        Edit(parent);
        std::vector<TTaskNode*> followers;
        for (const char* caption : captions) {
            followers.push_back(parent->AddChild(caption, -1));
            Edit(followers.back());
        }
        EXPECT_TRUE(SyncAlone());
        return {parent, followers};
    }
};

// Root may read and write everywhere: this takes the override away for a while.
class TWithoutFilePowers {
public:
    TWithoutFilePowers()
    {
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) |
                                  (1u << CAP_FOWNER));
        syscall(SYS_capset, &header_, reduced);
    }
    ~TWithoutFilePowers() { syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

TEST_F(TodomanPairs, FollowingSubtasksStayEqualToTheirFilesWhenTheParentsFileIsMetFirst)
{
    FollowersStayEqual(true);
}

TEST_F(TodomanPairs, FollowingSubtasksStayEqualToTheirFilesWhenTheParentsFileIsMetLast)
{
    FollowersStayEqual(false);
}

TEST_F(TodomanPairs, FollowingSubtasksStayEqualToTheirFilesAfterARunCutShort)
{
    FollowersStayEqual(true, 1);
}

void TodomanPairs::FollowersStayEqual(bool parentMetFirst, int abortAfter)
{
    auto [parent, followers] = ParentWithFollowers({"Follow one", "Follow two"});
    // Files are met from the last name to the first.
    fs::rename(FileOf("Parent"), tasks / (parentMetFirst ? "9-parent.ics" : "0-parent.ics"));
    for (int i = 0; i < 2; ++i)
        fs::rename(FileOf(followers[i]->Caption), tasks / ("5-" + std::to_string(i) + ".ics"));
    ASSERT_TRUE(SyncAlone());

    // Their due date on the parent, and one follower's file edited there too (a run cut short
    // leaves the followers changed here, so a follower's own edit there would be a conflict).
    Run("todoman edit --due '2030-06-10 12:00' " + Id("Parent"));
    if (abortAfter == 0)
        EditRaw("Follow two", "s/^SUMMARY:.*/SUMMARY:Follow two there\\r/");
    if (abortAfter > 0) {
        // The new-tasks parent's file is met first, then the parent's.
        host.S.AbortAtStep = static_cast<int>(host.S.Steps.size()) + 2 + abortAfter;
        ASSERT_FALSE(SyncAlone());
        host.S.AbortAtStep = -1;
    }
    ASSERT_TRUE(SyncAlone());
    EXPECT_EQ(followers[1]->Caption, abortAfter == 0 ? "Follow two there" : "Follow two");
    for (TTaskNode* task : followers) {
        EXPECT_EQ(std::tuple(task->DueDateTime, task->ScheduleType),
                  std::tuple(EncodeDate(2030, 6, 10) + EncodeTime(12, 0, 0, 0), 0));
        ExpectFileDates(task);
    }
    // A lead set on the parent here.
    parent->SetLeadTime(3);
    Edit(parent);
    ASSERT_TRUE(SyncAlone());
    for (TTaskNode* task : followers)
        ExpectFileDates(task);
    EXPECT_THAT(Log(), Not(HasSubstr("[---")));

    // The parent deleted there: the subtasks keep their dates, also after an edit here.
    Run("todoman delete --yes " + Id("Parent"));
    ASSERT_TRUE(SyncAlone());
    for (TTaskNode* task : followers) {
        EXPECT_EQ(task->Parent->Caption, "<NewOutlookTasks>");
        task->Caption += " moved";
        Edit(task);
    }
    ASSERT_TRUE(SyncAlone());
    for (TTaskNode* task : followers) {
        EXPECT_EQ(std::tuple(task->DueDateTime, task->LeadTime),
                  std::tuple(EncodeDate(2030, 6, 10) + EncodeTime(12, 0, 0, 0), 3.0));
        ExpectFileDates(task);
    }
    EXPECT_THAT(Log(), Not(HasSubstr("[---")));
}

TEST_F(TodomanPairs, BothVersionsOfAFollowingSubtaskInConflictTakeTheParentsDateMetAfterIt)
{
    TTaskNode* parent = db.Root->AddChild("Parent", -1);
    parent->SetDueDateTime(EncodeDate(2030, 5, 1) + EncodeTime(10, 0, 0, 0));
    Edit(parent);
    TTaskNode* follower = parent->AddChild("Follower", -1);
    Edit(follower);
    ASSERT_TRUE(SyncAlone());
    // Files are met from the last name to the first: the follower's before the parent's.
    fs::rename(FileOf("Parent"), tasks / "0-parent.ics");
    fs::rename(FileOf("Follower"), tasks / "5-follower.ics");
    ASSERT_TRUE(SyncAlone());

    Run("todoman edit --due '2030-06-10 12:00' " + Id("Parent"));
    EditRaw("Follower", "s/^SUMMARY:.*/SUMMARY:Follower there\\r/");
    follower->Caption = "Follower here";
    Edit(follower);
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), HasSubstr("Processing conflict"));
    for (const char* caption : {"<!Sync conflict (Tovrin)!> Follower here",
                                "<!Sync conflict (Outlook)!> Follower there"}) {
        TTaskNode* task = Find(caption);
        ASSERT_TRUE(task) << caption;
        EXPECT_EQ(task->DueDateTime, EncodeDate(2030, 6, 10) + EncodeTime(12, 0, 0, 0)) << caption;
        ExpectFileDates(task);
    }
}

TEST_F(TodomanPairs, ControlCharactersWrittenThereCompareAsTheFileKeepsThem)
{
    Run("todoman new -l tasks \"$(printf 'Bell\\a rings')\"");
    Run("printf 'ring\\033 it' | todoman new -l tasks -r 'Escape in the note'");
    ASSERT_TRUE(SyncAlone());
    ASSERT_EQ(db.Root->Children[0]->Children.Count(), 2);
    ASSERT_TRUE(Find("Bell\a rings"));
    EXPECT_EQ(NoteText(*Find("Escape in the note")), "ring\x1B it\r\n");
    // Both sides touched, nothing compared changed.
    Run("todoman edit --priority high " + Id("Bell\a rings"));
    Run("todoman edit --priority high " + Id("Escape in the note"));
    for (TTaskNode* task : db.Root->Children[0]->Children)
        Edit(task);
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), AllOf(Not(HasSubstr("Processing conflict")), Not(HasSubstr("has been changed in"))));
    EXPECT_EQ(db.Root->Children[0]->Children.Count(), 2);
}

TEST_F(TodomanPairs, TheRecurringMarkFollowsTheFileATaskIsLinkedTo)
{
    Run("todoman new -l tasks -d '2030-05-01 10:00' 'Water'");
    EditRaw("Water", "/^SUMMARY:/a RRULE:FREQ=WEEKLY\\r");
    ASSERT_TRUE(SyncAlone());
    TTaskNode* mine = Find("Water");
    ASSERT_TRUE(mine && mine->IsOutlookRecurring);

    // A conflict: the outline's version goes to a new file without RRULE.
    EditRaw("Water", "s/^SUMMARY:.*/SUMMARY:Theirs\\r/");
    mine->Caption = "Mine";
    Edit(mine);
    ASSERT_TRUE(SyncAlone());
    TTaskNode* theirs = Find("<!Sync conflict (Outlook)!> Theirs");
    ASSERT_TRUE(theirs);
    EXPECT_EQ(std::pair(bool(mine->IsOutlookRecurring), bool(theirs->IsOutlookRecurring)),
              std::pair(false, true));

    // The new-tasks parent linked to a series there, whose file is then deleted: it is
    // written anew, without a series.
    TTaskNode* inbox = Find("<NewOutlookTasks>");
    EditRaw("<NewOutlookTasks>", "/^SUMMARY:/a RRULE:FREQ=DAILY\\r");
    ASSERT_TRUE(SyncAlone());
    ASSERT_TRUE(inbox->IsOutlookRecurring);
    Run("todoman delete --yes " + Id("<NewOutlookTasks>"));
    ASSERT_TRUE(SyncAlone());
    ASSERT_TRUE(SyncAlone());
    EXPECT_FALSE(inbox->IsOutlookRecurring);

    // Touched on both sides without a compared change: no further conflict.
    for (TTaskNode* task : {mine, theirs, inbox}) {
        Run("todoman edit --priority high " + Id(task->Caption));
        Edit(task);
    }
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(Log(), AllOf(Not(HasSubstr("Processing conflict")), Not(HasSubstr("has been changed in"))));
}

TEST_F(TodomanPairs, EditsInTheHourTheClockGoesBackAreExchanged)
{
    // 2026-10-25: at 03:00 summer time the clock goes back to 02:00.
    const TDateTime night = EncodeDate(2026, 10, 25);
    now = night + EncodeTime(1, 0, 0, 0);
    Run("todoman new -l tasks 'Mine'");
    Run("todoman new -l tasks 'Theirs'");
    ASSERT_TRUE(SyncAlone());
    now = night + EncodeTime(2, 50, 0, 0);   // summer time
    ASSERT_TRUE(SyncAlone());

    now = night + EncodeTime(2, 5, 0, 0);   // standard time, an hour later
    TTaskNode* mine = Find("Mine");
    mine->Caption = "Mine, edited";
    Edit(mine);
    EditRaw("Theirs", "s/^SUMMARY:.*/SUMMARY:Theirs\\\\, edited\\r/");
    ASSERT_TRUE(SyncAlone());
    EXPECT_EQ(Id("Mine, edited") != "none", true);
    EXPECT_TRUE(Find("Theirs, edited"));

    // The next edit there does not take this one away (an edit of that hour may also count as
    // made after the run: the pair is then a conflict, with both versions kept).
    now = night + EncodeTime(3, 30, 0, 0);
    Run("todoman edit --due '2030-06-10 12:00' " + Id("Mine, edited"));
    ASSERT_TRUE(SyncAlone());
    EXPECT_THAT(mine->Caption, EndsWith("Mine, edited"));
    EXPECT_NE(Id(mine->Caption), "none");
}

TEST_F(TodomanPairs, AFileWithBareLineFeedsKeepsThemInEveryLineWritten)
{
    Run("todoman new -l tasks 'Plain'");
    const fs::path file = FileOf("Plain");
    Run("sed -i 's/\\r$//; /^SUMMARY:/a X-THEIRS:kept as it is' '" + file.string() + "'");
    ASSERT_TRUE(SyncAlone());
    TTaskNode* task = Find("Plain");
    ASSERT_TRUE(task);
    // A caption, a long note (folded) and new DUE and DTSTART lines.
    task->Caption = "Plain, renamed";
    task->Note.SetText(std::string(200, 'n'));
    task->SetDueDateTime(EncodeDate(2030, 5, 1) + EncodeTime(10, 0, 0, 0));
    task->SetLeadTime(2);
    Edit(task);
    ASSERT_TRUE(SyncAlone());
    const std::string text = ReadText(file);
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
    EXPECT_THAT(text, AllOf(HasSubstr("\nX-THEIRS:kept as it is\n"), HasSubstr("\nDUE"),
                            HasSubstr("\nDTSTART"), HasSubstr("\n nnn")));
    EXPECT_EQ(Todoman("Plain, renamed", "description"), "\"" + std::string(200, 'n') + "\"\n");
    ExpectFileDates(task);
}

TEST_F(TodomanPairs, AFolderThatRefusesADeleteAndAFileThatCannotBeReadAreReported)
{
    Run("todoman new -l tasks 'Gone here'");
    Run("todoman new -l tasks 'Locked'");
    ASSERT_TRUE(SyncAlone());
    delete Find("Gone here");
    const fs::path locked = FileOf("Locked");
    {
        TWithoutFilePowers unprivileged;
        ::chmod(locked.c_str(), 0);
        ::chmod(tasks.c_str(), 0555);
        ASSERT_TRUE(SyncAlone());
        ::chmod(tasks.c_str(), 0755);
        ::chmod(locked.c_str(), 0644);
    }
    EXPECT_THAT(Log(), AllOf(HasSubstr("[---ERROR---] Task has been deleted in Tovrin: \"Gone here\". "
                                       "Deleting in Outlook... Failed: Can not delete file"),
                             HasSubstr("[---WARNING---] The file \"" + locked.string() +
                                       "\" is left as it is: it can not be read (Permission denied)."),
                             HasSubstr("deleted  :  0"), Not(HasSubstr("Unexpected error"))));
    EXPECT_TRUE(Find("Locked"));
    // Once the folder lets it, the deletion is done.
    ASSERT_TRUE(SyncAlone());
    EXPECT_EQ(Todoman("Gone here", "id"), "\n");
    EXPECT_THAT(Log(), HasSubstr("Task has been deleted in Tovrin: \"Gone here\". Deleting in Outlook..."));
}

TEST_F(TodomanPairs, FollowersTakeTheParentsDateReadOneWayAndTheNextRunWritesThem)
{
    auto [parent, followers] = ParentWithFollowers({"Before", "After"});
    // One follower's file is met before the parent's, the other's after it.
    fs::rename(FileOf("Parent"), tasks / "5-parent.ics");
    fs::rename(FileOf("Before"), tasks / "0-before.ics");
    fs::rename(FileOf("After"), tasks / "9-after.ics");
    ASSERT_TRUE(SyncAlone());
    Run("todoman edit --due '2030-06-10 12:00' " + Id("Parent"));
    ASSERT_TRUE(SyncAlone(smOutlookToTree));
    ASSERT_TRUE(SyncAlone());
    for (TTaskNode* task : followers) {
        EXPECT_EQ(task->DueDateTime, EncodeDate(2030, 6, 10) + EncodeTime(12, 0, 0, 0)) << task->Caption;
        ExpectFileDates(task);
    }
}

} // namespace
