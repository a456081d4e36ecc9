// Whole runs: connecting to the folder, the checks against the stored folder, repeated
// passes, the stores at the end, aborts and failures, and the offer to open the log.
#include <algorithm>

#include "outlooksync/SyncTestFixture.h"

namespace {

class SyncRun : public SyncFixture {
protected:
    SyncRun()
    {
        db.SyncLogLevel = 2;
        NewRun();
    }
    bool Sync(const std::string& path = "\\Personal Folders\\Tasks", uint8_t mode = smBothWays)
    {
        NewRun();
        return run->SyncWithOutlook(path, mode, dataFile);
    }
    std::string LogText() const { return ReadText(logFile); }

    TScratchDir dir;
    std::string dataFile = (dir.Path / "plan.tvd").string();
    std::string logFile = (dir.Path / "plan_OutlookSync.log").string();
};

const std::vector<std::string> kOpenLogQuestion = {
    "There are warnings or errors during sync process. Would you like to open the log file for "
    "more details?"};

TEST_F(SyncRun, AFirstRunSynchronisesAndStoresTheFolderAndTheTimeAndASecondWritesNothing)
{
    folder->AddItem("From the store");
    AddTask("From the outline");
    now = 45000.25;

    EXPECT_TRUE(Sync());

    EXPECT_EQ(db.LastSyncTime, 45000.25);
    EXPECT_EQ(db.OutlookFolderPath, "\\Personal Folders\\Tasks");
    EXPECT_EQ(db.OutlookFolderEntryID, folder->EntryID());
    ASSERT_EQ(Captions(db.Root.get()),
              (std::vector<std::string>{"From the outline", "<NewOutlookTasks>"}));
    EXPECT_EQ(Captions(db.Root->Children[1]), std::vector<std::string>{"From the store"});
    EXPECT_TRUE(host.S.Questions.empty());
    EXPECT_TRUE(host.S.Errors.empty());
    EXPECT_EQ(std::tuple(host.S.ProgressWindows, host.S.ProgressWindowsOpen, host.S.Captions[0]),
              std::tuple(1, 0, "Outlook sync"));
    EXPECT_THAT(LogText(),
                AllOf(HasSubstr("Process Outlook folder: \"\\Personal Folders\\Tasks\"\r\n"),
                      HasSubstr("Last sync time: never\r\n"),
                      HasSubstr("New Outlook tasks will be added to the task: "
                                "\\\"<NewOutlookTasks>\" (created)")));

    auto saveCounts = [&] {
        std::vector<int> saves;
        for (const auto& item : folder->StoredItems)
            saves.push_back(item->SaveCount());
        return saves;
    };
    const std::vector<int> saves = saveCounts();
    now += 0.1;
    ASSERT_TRUE(Sync());
    EXPECT_EQ(saveCounts(), saves);
    EXPECT_EQ(db.Root->Children.Count(), 2);
    EXPECT_EQ(db.LastSyncTime, now);
    EXPECT_THAT(LogText(), HasSubstr("Last sync time: " + SyncDateTimeText(45000.25)));
}

TEST_F(SyncRun, CompletingARecurringItemNeedsAndGetsASecondPass)
{
    auto series = folder->AddItem("Water plants", 44000);
    series->Data.IsRecurring = true;
    series->Data.DueDate = 45001;
    ASSERT_TRUE(Sync());
    TTaskNode* task = db.Root->Children[0]->Children[0];
    ASSERT_EQ(task->Caption, "Water plants");

    now += 1;
    task->SetCompletionDateTime(now);
    task->SetModifiedDateTime(now);
    ASSERT_TRUE(Sync());

    EXPECT_THAT(host.S.Captions, ::testing::Contains("Outlook sync (pass #2)"));
    EXPECT_THAT(LogText(), HasSubstr("Initializing pass #2"));
    EXPECT_THAT(LogText(), Not(HasSubstr("Initializing pass #3")));
    // The series moved on, and the completed occurrence came back as a task of its own.
    EXPECT_EQ(task->DueDateTime, 45008);
    EXPECT_EQ(task->CompletionDateTime, 0);
    ASSERT_EQ(Captions(task->Parent), (std::vector<std::string>{"Water plants", "Water plants"}));
    EXPECT_TRUE(task->Parent->Children[1]->IsCompleted());
    EXPECT_EQ(Stats().TovrinAdded, 1);
}

TEST_F(SyncRun, FolderPathsAreMatchedByComponentIgnoringCaseAndEmptyParts)
{
    EXPECT_TRUE(Sync("\\\\personal folders\\\\TASKS\\"));
    EXPECT_EQ(db.OutlookFolderEntryID, folder->EntryID());
}

TEST_F(SyncRun, AFolderThatCannotBeUsedIsReportedWithTheWholeChainOfMessages)
{
    personal->AddFolder("Calendar", 1);
    const std::string head = "Error to exchange data with Outlook: \"Can not find Outlook folder: ";
    const struct {
        const char* path;
        bool unavailable;
        std::string error;
    } cases[] = {
        {"\\Personal Folders\\Nope", false,
         "\"\\Personal Folders\\Nope\". Can not connect to MS Outlook: Folder: \"Nope\" not "
         "found.\""},
        {"\\Personal Folders\\Calendar", false,
         "\"\\Personal Folders\\Calendar\". Can not connect to MS Outlook: The selected folder "
         "is not a task folder. Only task folders are allowed.\""},
        {"\\\\", false, "\"\\\\\". \""},
        {"\\Personal Folders\\Tasks", true,
         "\"\\Personal Folders\\Tasks\". Can not connect to MS Outlook: Server execution failed\""},
    };
    for (const auto& c : cases) {
        host.S = {};
        store->Unavailable = c.unavailable;
        EXPECT_FALSE(Sync(c.path));
        EXPECT_EQ(host.S.Errors, std::vector<std::string>{head + c.error});
        EXPECT_EQ(run->Log->Errors, 1);
        EXPECT_EQ(host.S.Questions, kOpenLogQuestion);
        EXPECT_EQ(db.LastSyncTime, 0);
        EXPECT_TRUE(db.OutlookFolderPath.empty());
    }
}

TEST_F(SyncRun, AFileSyncedByAnOlderVersionMustFirstBeCopiedOneWay)
{
    db.OutlookFolderPath = "\\Personal Folders\\Tasks";
    AddTask("t");
    EXPECT_FALSE(Sync());
    ASSERT_EQ(host.S.Errors.size(), 1u);
    EXPECT_THAT(host.S.Errors[0],
                StartsWith("This file was synced with Outlook using old version of Tovrin. To "
                           "continue with Outlook synchronization in current version you will "
                           "need to use either \"Outlook->Tovrin\" or \"Tovrin->Outlook\" "
                           "option."));
    EXPECT_TRUE(host.S.Questions.empty());   // an early stop asks nothing more
    EXPECT_TRUE(folder->StoredItems.empty());
    EXPECT_EQ(db.LastSyncTime, 0);
    EXPECT_THAT(LogText(), HasSubstr("--- Sync statistics:"));
    EXPECT_THAT(LogText(), Not(HasSubstr("Process Outlook folder")));

    EXPECT_TRUE(Sync("\\Personal Folders\\Tasks", smTreeToOutlook));
}

TEST_F(SyncRun, AChangedFolderIsTakenOnlyWhenTheUserAgreesTwice)
{
    auto other = personal->AddFolder("Other");
    AddTask("t");
    ASSERT_TRUE(Sync());
    const std::string firstID = db.OutlookFolderEntryID;
    const TDateTime firstTime = db.LastSyncTime;
    const std::string changed =
        "You have changed the Outlook folder for this Tovrin database file. Initially this file "
        "was synced with Outlook folder : \"\\Personal Folders\\Tasks\". Continue with new "
        "Outlook forlder?";
    const std::string disconnect = "Since you have changed the Outlook folder all your current "
                                   "Tovrin tasks will be disconnected from old Outlook folder. "
                                   "Continue?";

    host.S.Answers = {false};
    EXPECT_FALSE(Sync("\\Personal Folders\\Other"));
    EXPECT_EQ(host.S.Questions, std::vector<std::string>{changed});
    EXPECT_EQ(db.OutlookFolderEntryID, firstID);

    host.S.Questions.clear();
    host.S.Answers = {true, false};
    EXPECT_FALSE(Sync("\\Personal Folders\\Other"));
    EXPECT_EQ(host.S.Questions, (std::vector<std::string>{changed, disconnect}));
    EXPECT_EQ(db.LastSyncTime, firstTime);
    EXPECT_TRUE(other->StoredItems.empty());

    host.S.Questions.clear();
    host.S.Answers = {true, true, false};
    now += 1;
    EXPECT_TRUE(Sync("\\Personal Folders\\Other"));
    EXPECT_EQ(db.OutlookFolderEntryID, other->EntryID());
    EXPECT_TRUE(db.DisconnectAll);
    // Every task was unlinked and went to the new folder as a new item.
    EXPECT_EQ(other->StoredItems.size(), 2u);
    EXPECT_EQ(host.S.Questions,
              (std::vector<std::string>{changed, disconnect, kOpenLogQuestion[0]}));
    EXPECT_THAT(LogText(), HasSubstr("[---WARNING---] Outlook folder \"\\Personal Folders\\Tasks\" "
                                     "(EntryID=" + firstID + ") has been changed to \"\\Personal "
                                     "Folders\\Other\"(EntryID=" + other->EntryID() + "). All "
                                     "current tasks have been disconnected from old Outlook "
                                     "folder."));
}

TEST_F(SyncRun, AnOutlineWithoutTasksTakesANewFolderWithoutAsking)
{
    auto other = personal->AddFolder("Other");
    db.OutlookFolderPath = "\\Personal Folders\\Tasks";
    db.OutlookFolderEntryID = folder->EntryID();
    db.SetLastSyncTime(44000);
    db.NewOutlookTasksParent = "";
    EXPECT_TRUE(Sync("\\Personal Folders\\Other"));
    EXPECT_TRUE(host.S.Questions.empty());
    EXPECT_EQ(db.OutlookFolderEntryID, other->EntryID());
}

TEST_F(SyncRun, AMovedFolderKeepsItsLinksAndWarns)
{
    auto item = AddLinkedPair("t", 44000).Item;
    db.OutlookFolderPath = "\\Old name";
    db.OutlookFolderEntryID = folder->EntryID();
    db.SetLastSyncTime(44500);

    EXPECT_TRUE(Sync());

    EXPECT_EQ(db.Root->Children[0]->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(db.OutlookFolderPath, "\\Personal Folders\\Tasks");
    EXPECT_EQ(host.S.Questions, kOpenLogQuestion);
    EXPECT_THAT(LogText(), HasSubstr("[---WARNING---] Outlook folder \"\\Old name\" (EntryID=" +
                                     folder->EntryID() + ") has been changed to \"\\Personal "
                                     "Folders\\Tasks\" (EntryID=" + folder->EntryID() + "). "
                                     "However the Outlook folder was just renamed or moved. All "
                                     "Tovrin tasks still keep connection to the corresponded "
                                     "Outlook tasks."));
}

TEST_F(SyncRun, AnAbortKeepsTheWorkDoneButNotTheTimeAndAsksNothing)
{
    for (const char* s : {"1", "2", "3"})
        folder->AddItem(s);
    host.S.AbortAtStep = 2;
    EXPECT_FALSE(Sync());
    EXPECT_EQ(db.LastSyncTime, 0);
    EXPECT_TRUE(db.OutlookFolderPath.empty());
    EXPECT_EQ(db.Root->Children[0]->Children.Count(), 1);
    EXPECT_EQ(run->Log->Warnings, 0);
    EXPECT_TRUE(host.S.Questions.empty());
    EXPECT_THAT(LogText(), HasSubstr("[---WARNING---] Process aborted by user"));
}

TEST_F(SyncRun, ErrorsOnSingleItemsStillCompleteTheRunAndOfferTheLog)
{
    folder->AddItem("broken")->FailOnAccess = true;
    host.S.Answers = {true};
    EXPECT_TRUE(Sync());
    EXPECT_EQ(host.S.Questions, kOpenLogQuestion);
    EXPECT_EQ(host.S.OpenedFiles, std::vector<std::string>{logFile});
    EXPECT_TRUE(host.S.Errors.empty());

    host.S.Answers = {true};
    host.S.OpenSucceeds = false;
    EXPECT_TRUE(Sync());
    EXPECT_EQ(host.S.Errors,
              std::vector<std::string>{"Can not open log file: \"" + logFile + "\""});
}

TEST_F(SyncRun, TheNewTasksParentIsTheRootAnExistingTopTaskOrANewOne)
{
    db.NewOutlookTasksParent = "";
    EXPECT_EQ(run->GetNewOutlookTasksParent(), db.Root.get());
    EXPECT_TRUE(Logged("New Outlook tasks will be added to the root of Tovrin outline"));

    db.NewOutlookTasksParent = "inbox";
    AddTask("Inbox", AddTask("x"));
    TTaskNode* top = AddTask("INBOX");
    EXPECT_EQ(run->GetNewOutlookTasksParent(), top);
    EXPECT_TRUE(Logged("New Outlook tasks will be added to the Tovrin task: <Root>\\\"INBOX\""));

    db.NewOutlookTasksParent = "Later";
    TTaskNode* created = run->GetNewOutlookTasksParent();
    EXPECT_EQ(created->Caption, "Later");
    EXPECT_EQ(db.Root->Children.IndexOf(created), 2);
}

} // namespace
