// Whole runs: connecting to the folder, the checks against the stored folder, repeated
// passes, the stores at the end, aborts and failures, and the offer to open the log.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "outlooksync/SyncTestFixture.h"
#include "platform/FileUtils.h"

namespace {

namespace fs = std::filesystem;

class SyncRun : public SyncFixture {
protected:
    SyncRun()
    {
        dir = fs::temp_directory_path() /
              ("tovrin-syncrun-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        dataFile = (dir / "plan.tvd").string();
        db.SyncLogLevel = 2;
        NewRun();
    }
    ~SyncRun() override { fs::remove_all(dir); }

    bool Sync(const std::string& path = "\\Personal Folders\\Tasks", uint8_t mode = smBothWays)
    {
        NewRun();
        return run->SyncWithOutlook(path, mode, dataFile);
    }
    std::string LogText() const
    {
        std::ifstream in(dir / "plan_OutlookSync.log", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir;
    std::string dataFile;
};

const char* const kOpenLogQuestion =
    "There are warnings or errors during sync process. Would you like to open the log file for "
    "more details?";

TEST_F(SyncRun, AFirstRunSynchronisesAndStoresTheFolderAndTheTime)
{
    folder->AddItem("From the store");
    AddTask("From the outline");
    now = 45000.25;

    EXPECT_TRUE(Sync());

    EXPECT_EQ(db.LastSyncTime, 45000.25);
    EXPECT_EQ(db.OutlookFolderPath, "\\Personal Folders\\Tasks");
    EXPECT_EQ(db.OutlookFolderEntryID, folder->EntryID());
    ASSERT_EQ(db.Root->Children.Count(), 2);
    EXPECT_EQ(db.Root->Children[1]->Caption, "<NewOutlookTasks>");
    EXPECT_EQ(db.Root->Children[1]->Children[0]->Caption, "From the store");
    EXPECT_TRUE(host.S.Questions.empty());
    EXPECT_TRUE(host.S.Errors.empty());
    EXPECT_EQ(host.S.ProgressWindows, 1);
    EXPECT_EQ(host.S.ProgressWindowsOpen, 0);
    EXPECT_EQ(host.S.Captions.front(), "Outlook sync");

    const std::string log = LogText();
    EXPECT_NE(log.find("Process Outlook folder: \"\\Personal Folders\\Tasks\"\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("Last sync time: never\r\n"), std::string::npos);
    EXPECT_NE(log.find("New Outlook tasks will be added to the task: \\\"<NewOutlookTasks>\" "
                       "(created)"),
              std::string::npos);
}

TEST_F(SyncRun, ASecondRunWithoutChangesWritesNothing)
{
    folder->AddItem("a");
    AddTask("b");
    ASSERT_TRUE(Sync());
    std::vector<int> saves;
    for (const auto& item : folder->StoredItems)
        saves.push_back(item->SaveCount());
    const TDateTime first = db.LastSyncTime;

    now += 0.1;
    ASSERT_TRUE(Sync());

    for (size_t i = 0; i < saves.size(); ++i)
        EXPECT_EQ(folder->StoredItems[i]->SaveCount(), saves[i]);
    EXPECT_EQ(db.Root->Children.Count(), 2);
    EXPECT_GT(db.LastSyncTime, first);
    EXPECT_NE(LogText().find("Last sync time: " + SyncDateTimeText(first)), std::string::npos);
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

    EXPECT_NE(std::find(host.S.Captions.begin(), host.S.Captions.end(),
                        "Outlook sync (pass #2)"),
              host.S.Captions.end());
    const std::string log = LogText();
    EXPECT_NE(log.find("Initializing pass #2"), std::string::npos);
    EXPECT_EQ(log.find("Initializing pass #3"), std::string::npos);
    // The series moved on, and the completed occurrence came back as a task of its own.
    EXPECT_EQ(task->DueDateTime, 45008);
    EXPECT_EQ(task->CompletionDateTime, 0);
    TTaskNode* parent = task->Parent;
    ASSERT_EQ(parent->Children.Count(), 2);
    EXPECT_TRUE(parent->Children[1]->IsCompleted());
    EXPECT_EQ(parent->Children[1]->Caption, "Water plants");
    EXPECT_EQ(run->Log->SyncStatistics.TovrinAdded, 1);
}

TEST_F(SyncRun, FolderPathsAreMatchedByComponentIgnoringCaseAndEmptyParts)
{
    EXPECT_TRUE(Sync("\\\\personal folders\\\\TASKS\\"));
    EXPECT_EQ(db.OutlookFolderEntryID, folder->EntryID());
}

TEST_F(SyncRun, AMissingFolderIsReportedWithTheWholeChainOfMessages)
{
    EXPECT_FALSE(Sync("\\Personal Folders\\Nope"));
    ASSERT_EQ(host.S.Errors.size(), 1u);
    EXPECT_EQ(host.S.Errors[0],
              "Error to exchange data with Outlook: \"Can not find Outlook folder: \"\\Personal "
              "Folders\\Nope\". Can not connect to MS Outlook: Folder: \"Nope\" not found.\"");
    EXPECT_EQ(run->Log->Errors, 1);
    EXPECT_EQ(host.S.Questions.size(), 1u);   // the offer to open the log
    EXPECT_EQ(db.LastSyncTime, 0);
    EXPECT_TRUE(db.OutlookFolderPath.empty());
}

TEST_F(SyncRun, OnlyTaskFoldersAndReachableStoresAreAccepted)
{
    personal->AddFolder("Calendar", 1);
    EXPECT_FALSE(Sync("\\Personal Folders\\Calendar"));
    EXPECT_NE(host.S.Errors.back().find("Can not connect to MS Outlook: The selected folder is not "
                                        "a task folder. Only task folders are allowed."),
              std::string::npos);

    EXPECT_FALSE(Sync("\\\\"));
    EXPECT_EQ(host.S.Errors.back(),
              "Error to exchange data with Outlook: \"Can not find Outlook folder: \"\\\\\". \"");

    store->Unavailable = true;
    EXPECT_FALSE(Sync());
    EXPECT_EQ(host.S.Errors.back(),
              "Error to exchange data with Outlook: \"Can not find Outlook folder: \"\\Personal "
              "Folders\\Tasks\". Can not connect to MS Outlook: Server execution failed\"");
}

TEST_F(SyncRun, AFileSyncedByAnOlderVersionMustFirstBeCopiedOneWay)
{
    db.OutlookFolderPath = "\\Personal Folders\\Tasks";
    AddTask("t");
    EXPECT_FALSE(Sync());
    ASSERT_EQ(host.S.Errors.size(), 1u);
    EXPECT_EQ(host.S.Errors[0].rfind("This file was synced with Outlook using old version of "
                                     "Tovrin. To continue with Outlook synchronization in current "
                                     "version you will need to use either \"Outlook->Tovrin\" or "
                                     "\"Tovrin->Outlook\" option.",
                                     0),
              0u);
    EXPECT_TRUE(host.S.Questions.empty());   // an early stop asks nothing more
    EXPECT_TRUE(folder->StoredItems.empty());
    EXPECT_EQ(db.LastSyncTime, 0);
    const std::string log = LogText();
    EXPECT_NE(log.find("--- Sync statistics:"), std::string::npos);
    EXPECT_EQ(log.find("Process Outlook folder"), std::string::npos);

    EXPECT_TRUE(Sync("\\Personal Folders\\Tasks", smTreeToOutlook));
}

TEST_F(SyncRun, AChangedFolderIsTakenOnlyWhenTheUserAgreesTwice)
{
    auto other = personal->AddFolder("Other");
    AddTask("t");
    ASSERT_TRUE(Sync());
    const std::string firstID = db.OutlookFolderEntryID;
    const TDateTime firstTime = db.LastSyncTime;

    host.S.Answers = {false};
    EXPECT_FALSE(Sync("\\Personal Folders\\Other"));
    ASSERT_EQ(host.S.Questions.size(), 1u);
    EXPECT_EQ(host.S.Questions[0],
              "You have changed the Outlook folder for this Tovrin database file. Initially this "
              "file was synced with Outlook folder : \"\\Personal Folders\\Tasks\". Continue with "
              "new Outlook forlder?");
    EXPECT_EQ(db.OutlookFolderEntryID, firstID);

    host.S.Questions.clear();
    host.S.Answers = {true, false};
    EXPECT_FALSE(Sync("\\Personal Folders\\Other"));
    ASSERT_EQ(host.S.Questions.size(), 2u);
    EXPECT_EQ(host.S.Questions[1], "Since you have changed the Outlook folder all your current "
                                   "Tovrin tasks will be disconnected from old Outlook folder. "
                                   "Continue?");
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
    EXPECT_EQ(host.S.Questions.back(), kOpenLogQuestion);
    EXPECT_NE(LogText().find("[---WARNING---] Outlook folder \"\\Personal Folders\\Tasks\" (EntryID=" +
                             firstID + ") has been changed to \"\\Personal Folders\\Other\"(EntryID=" +
                             other->EntryID() +
                             "). All current tasks have been disconnected from old Outlook folder."),
              std::string::npos);
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
    std::shared_ptr<TMemoryTaskItem> item;
    AddLinkedPair("t", 44000, &item);
    db.OutlookFolderPath = "\\Old name";
    db.OutlookFolderEntryID = folder->EntryID();
    db.SetLastSyncTime(44500);

    EXPECT_TRUE(Sync());

    EXPECT_EQ(db.Root->Children[0]->OutlookEntryID, item->Data.EntryID);
    EXPECT_EQ(db.OutlookFolderPath, "\\Personal Folders\\Tasks");
    EXPECT_EQ(host.S.Questions, std::vector<std::string>{kOpenLogQuestion});
    EXPECT_NE(LogText().find(
                  "[---WARNING---] Outlook folder \"\\Old name\" (EntryID=" + folder->EntryID() +
                  ") has been changed to \"\\Personal Folders\\Tasks\" (EntryID=" +
                  folder->EntryID() +
                  "). However the Outlook folder was just renamed or moved. All Tovrin tasks still "
                  "keep connection to the corresponded Outlook tasks."),
              std::string::npos);
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
    EXPECT_NE(LogText().find("[---WARNING---] Process aborted by user"), std::string::npos);
}

TEST_F(SyncRun, ErrorsOnSingleItemsStillCompleteTheRunAndOfferTheLog)
{
    folder->AddItem("broken")->FailOnAccess = true;
    host.S.Answers = {true};
    EXPECT_TRUE(Sync());
    EXPECT_EQ(host.S.Questions, std::vector<std::string>{kOpenLogQuestion});
    ASSERT_EQ(host.S.OpenedFiles.size(), 1u);
    EXPECT_EQ(host.S.OpenedFiles[0], (dir / "plan_OutlookSync.log").string());
    EXPECT_TRUE(host.S.Errors.empty());

    host.S.Answers = {true};
    host.S.OpenSucceeds = false;
    EXPECT_TRUE(Sync());
    EXPECT_EQ(host.S.Errors.back(),
              "Can not open log file: \"" + (dir / "plan_OutlookSync.log").string() + "\"");
}

TEST_F(SyncRun, TheNewTasksParentIsTheRootAnExistingTopTaskOrANewOne)
{
    db.NewOutlookTasksParent = "";
    EXPECT_EQ(run->GetNewOutlookTasksParent(), db.Root.get());
    EXPECT_TRUE(Logged("New Outlook tasks will be added to the root of Tovrin outline"));

    db.NewOutlookTasksParent = "inbox";
    TTaskNode* nested = AddTask("x");
    AddTask("Inbox", nested);
    TTaskNode* top = AddTask("INBOX");
    EXPECT_EQ(run->GetNewOutlookTasksParent(), top);
    EXPECT_TRUE(Logged("New Outlook tasks will be added to the Tovrin task: <Root>\\\"INBOX\""));

    db.NewOutlookTasksParent = "Later";
    TTaskNode* created = run->GetNewOutlookTasksParent();
    EXPECT_EQ(created->Caption, "Later");
    EXPECT_EQ(db.Root->Children.IndexOf(created), 2);
}

TEST_F(SyncRun, TheOneEntryRunsWithAFreshState)
{
    folder->AddItem("x");
    EXPECT_TRUE(SyncWithOutlook(db, host, "\\Personal Folders\\Tasks", smOutlookToTree, dataFile,
                                store->Factory()));
    EXPECT_EQ(store->ApplicationStarts, 1);
    EXPECT_TRUE(fs::exists(dir / "plan_OutlookSync.log"));
}

} // namespace
