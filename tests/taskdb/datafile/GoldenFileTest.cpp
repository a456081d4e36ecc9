// The data file against bytes assembled by hand from the format's tables.
#include <gtest/gtest.h>

#include "GoldenFile.h"
#include "taskdb/PayloadPacking.h"
#include "taskdb/TaskPlace.h"

namespace {

class GoldenFileTest : public ::testing::Test {
protected:
    TPayloadPackingOverride passThrough;
    TClockOverride clock{45100.0};
    TTovrinDataBase db;
};

TEST_F(GoldenFileTest, ReadsEveryFieldOfVersion3)
{
    LoadBytes(db, GoldenFile().bytes);

    EXPECT_EQ(db.FileVersion, 3);
    EXPECT_EQ(db.HeaderValue, 77);
    // Option bytes in file order.
    EXPECT_FALSE(db.ShowToDoSheet);
    EXPECT_TRUE(db.ShowTaskProperties);
    EXPECT_FALSE(db.ShowImportance);
    EXPECT_TRUE(db.ShowPlaces);
    EXPECT_TRUE(db.ShowGoals);
    EXPECT_FALSE(db.ShowTime);
    EXPECT_TRUE(db.ShowEffort);
    EXPECT_FALSE(db.ShowProject);
    EXPECT_TRUE(db.ShowTaskTreeViews);
    EXPECT_FALSE(db.ToDoAutoUpdate);
    EXPECT_EQ(db.ToDoPlaceFilterID, 5);
    // Extension arrays and synchronisation block.
    EXPECT_EQ(db.OutlookFolderPath, "\\\\Mailbox\\Tasks");
    EXPECT_EQ(db.OutlookFolderEntryID, "0000ABCD");
    EXPECT_EQ(db.DeletedEntryIDs.Items(), (std::vector<std::string>{"AAA1", "BBB2"}));
    EXPECT_EQ(db.LastSyncTime, 45001.75);
    EXPECT_EQ(db.NewOutlookTasksParent, "Inbox tasks");
    EXPECT_EQ(db.OutlookCategory, "Tovrin");
    EXPECT_TRUE(db.SyncOptionFlag1);
    EXPECT_EQ(db.DeletedItemsCategory, "Deleted");
    EXPECT_TRUE(db.SyncOptionFlag2);
    EXPECT_EQ(db.SyncOptionNumber, 9);
    EXPECT_EQ(db.SyncOptionString1, "opt");
    EXPECT_EQ(db.SyncOptionMode, 1);
    EXPECT_EQ(db.SyncOptionDate, 45002.0);

    // Places.
    const TTaskPlacesList& places = *db.PlacesList;
    EXPECT_EQ(places.NextPlaceID, 7);
    ASSERT_EQ(places.Count(), 3);
    const TTaskPlace& home = *places[0];
    EXPECT_EQ(home.PlaceID, 2);
    EXPECT_EQ(home.Caption, "Home");
    EXPECT_EQ(home.IncludedPlaces, std::vector<int32_t>{5});
    EXPECT_TRUE(home.OpenCloseSchedule.Enabled());
    EXPECT_TRUE(home.OpenCloseSchedule.Flag);
    ASSERT_EQ(home.OpenCloseSchedule.Ranges()->size(), 2u);
    EXPECT_EQ((*home.OpenCloseSchedule.Ranges())[0].Code, 1);
    EXPECT_EQ((*home.OpenCloseSchedule.Ranges())[0].StartTime, 0.25);
    EXPECT_EQ((*home.OpenCloseSchedule.Ranges())[0].EndTime, 0.5);
    EXPECT_EQ((*home.OpenCloseSchedule.Ranges())[1].Code, 2);
    EXPECT_EQ((*home.OpenCloseSchedule.Ranges())[1].StartTime, 0.75);
    EXPECT_EQ((*home.OpenCloseSchedule.Ranges())[1].EndTime, 0.875);
    EXPECT_EQ(home.PlaceNote, "Front door\r\nKey under mat");
    EXPECT_EQ(places[1]->PlaceID, 5);
    EXPECT_EQ(places[1]->Caption, "B\xC3\xBCro");
    EXPECT_FALSE(places[1]->OpenCloseSchedule.Enabled());
    EXPECT_EQ(places[1]->OpenCloseSchedule.Ranges(), nullptr);
    EXPECT_EQ(places[2]->IncludedPlaces, (std::vector<int32_t>{2, 5}));
    EXPECT_TRUE(places[2]->OpenCloseSchedule.Enabled());
    EXPECT_FALSE(places[2]->OpenCloseSchedule.Flag);
    EXPECT_TRUE(places[2]->OpenCloseSchedule.Ranges()->empty());

    // Tasks.
    const TTaskNode& root = *db.Root;
    EXPECT_EQ(root.TaskID, -10);
    EXPECT_EQ(root.Caption, "");
    EXPECT_EQ(root.CreatedDateTime, kCreated);
    EXPECT_EQ(root.ModifiedDateTime, kModified);
    ASSERT_EQ(root.Children.Count(), 2);

    const TTaskNode& a = *root.Children[0];
    EXPECT_EQ(a.Parent, &root);
    EXPECT_EQ(a.TaskID, 1);
    EXPECT_EQ(a.Caption, "Write report");
    EXPECT_EQ(a.Importance, 80);
    EXPECT_EQ(a.Effort, 30);
    EXPECT_EQ(a.Estimate, 2.5);
    EXPECT_FALSE(a.HideInToDo);
    EXPECT_EQ(a.Note.Items(), (std::vector<std::string>{"Line one", "", "Line three"}));
    EXPECT_EQ(a.CompletionDateTime, 0);
    EXPECT_FALSE(a.CompletedMark);
    EXPECT_EQ(a.ModifiedDateTime, kModified);
    EXPECT_EQ(a.CreatedDateTime, kCreated);
    EXPECT_EQ(a.DueDateTime, 45000.5);
    EXPECT_EQ(a.LeadTime, 3.0);
    EXPECT_EQ(a.ScheduleType, 1);
    EXPECT_EQ(a.RoutineSchedule, 0.5);
    EXPECT_EQ(a.TheGoal, 1);
    EXPECT_EQ(a.Satisfaction, 70);
    EXPECT_TRUE(a.CompleteSubTasksInOrder);
    EXPECT_TRUE(a.IsProject);
    EXPECT_EQ(a.ProjectStatus, 1);
    EXPECT_EQ(a.Places, (std::vector<int32_t>{2, 6, 42}));   // unknown IDs stay on tasks
    EXPECT_FALSE(a.IsOutlookRecurring);
    EXPECT_EQ(a.OutlookEntryID, " ");
    EXPECT_TRUE(a.GoalInEffect);
    EXPECT_FALSE(a.HideInToDoInEffect);
    ASSERT_EQ(a.Children.Count(), 1);

    const TTaskNode& a1 = *a.Children[0];
    EXPECT_EQ(a1.TaskID, 2);
    EXPECT_EQ(a1.Caption, "Draft \xE2\x9C\x93");
    EXPECT_TRUE(a1.HideInToDo);
    EXPECT_TRUE(a1.HideInToDoInEffect);
    EXPECT_EQ(a1.CompletionDateTime, 44990.25);
    EXPECT_TRUE(a1.CompletedMark);
    EXPECT_EQ(a1.TheGoal, 0);
    EXPECT_TRUE(a1.GoalInEffect);   // under a weekly goal
    EXPECT_EQ(a1.ProjectStatus, 3);
    EXPECT_TRUE(a1.IsOutlookRecurring);
    EXPECT_EQ(a1.OutlookEntryID, "00000000ABCDEF");
    EXPECT_TRUE(a1.Note.Empty());

    const TTaskNode& c = *root.Children[1];
    EXPECT_EQ(c.Caption, "Errands");
    EXPECT_EQ(c.TheGoal, 2);
    EXPECT_EQ(c.Effort, 0);
    EXPECT_FALSE(c.GoalInEffect);
    EXPECT_TRUE(c.Children.Empty());
}

TEST_F(GoldenFileTest, WritesTheSameBytesInEveryVersion)
{
    const auto golden = GoldenFile().bytes;
    LoadBytes(db, golden);
    EXPECT_EQ(SaveBytes(db, 3), golden);

    for (int version : {2, 1}) {
        TGoldenOptions o;
        o.versionField = version;
        o.layout = version;
        EXPECT_EQ(SaveBytes(db, version), GoldenFile(o).bytes) << "version " << version;
        EXPECT_EQ(db.FileVersion, 3);
    }
}

TEST_F(GoldenFileTest, OlderVersionsLoadWithClearDefaults)
{
    for (int32_t version : {1, 0, -7}) {
        TGoldenOptions o;
        o.versionField = version;
        o.layout = 1;
        LoadBytes(db, GoldenFile(o).bytes);
        EXPECT_EQ(db.FileVersion, version);
        EXPECT_EQ(db.OutlookFolderPath, "");
        EXPECT_EQ(db.NewOutlookTasksParent, "<NewOutlookTasks>");
        EXPECT_EQ(db.LastSyncTime, 0);
        EXPECT_TRUE(db.DeletedEntryIDs.Empty());
        EXPECT_EQ(db.SyncOptionNumber, 5);
        EXPECT_EQ(db.SyncOptionMode, 2);
        ASSERT_EQ(db.PlacesList->Count(), 3);
        EXPECT_FALSE((*db.PlacesList)[0]->OpenCloseSchedule.Enabled());
        EXPECT_EQ((*db.PlacesList)[0]->PlaceNote, "");
        const TTaskNode& a1 = *db.Root->Children[0]->Children[0];
        EXPECT_FALSE(a1.IsOutlookRecurring);
        EXPECT_EQ(a1.OutlookEntryID, " ");
        EXPECT_TRUE(a1.HideInToDoInEffect);
        EXPECT_EQ(db.ToDoPlaceFilterID, 5);
    }
}

TEST_F(GoldenFileTest, NewerVersionIsRefusedAfterSettingFileVersion)
{
    TGoldenOptions o;
    o.versionField = 4;
    try {
        LoadBytes(db, GoldenFile(o).bytes);
        FAIL() << "no exception";
    } catch (const ExNewerVersionOfFile& e) {
        EXPECT_NE(e.Message().find("This file was created with newer version of Tovrin. Please "
                                   "download new version of application from "),
                  std::string::npos);
        EXPECT_NE(e.Message().find(" to read this file."), std::string::npos);
    }
    EXPECT_EQ(db.FileVersion, 4);
    EXPECT_TRUE(db.Root->Children.Empty());
}

TEST_F(GoldenFileTest, ExtraAndEmptyExtensionEntriesAreSkipped)
{
    TGoldenOptions extra;
    extra.extraExtensions = true;
    LoadBytes(db, GoldenFile(extra).bytes);
    EXPECT_EQ(db.OutlookFolderPath, "\\\\Mailbox\\Tasks");
    EXPECT_EQ(db.OutlookFolderEntryID, "0000ABCD");
    EXPECT_EQ(db.SyncOptionDate, 45002.0);   // the block after them was found
    const TTaskNode& a1 = *db.Root->Children[0]->Children[0];
    EXPECT_TRUE(a1.IsOutlookRecurring);
    EXPECT_EQ(a1.OutlookEntryID, "00000000ABCDEF");
    EXPECT_EQ(db.Root->Children[1]->Caption, "Errands");
    // Written back the way this writer writes.
    EXPECT_EQ(SaveBytes(db), GoldenFile().bytes);

    TGoldenOptions empty;
    empty.emptyTails = true;
    LoadBytes(db, GoldenFile(empty).bytes);
    const TTaskNode& b1 = *db.Root->Children[0]->Children[0];
    EXPECT_FALSE(b1.IsOutlookRecurring);
    EXPECT_EQ(b1.OutlookEntryID, " ");
}

TEST_F(GoldenFileTest, DeletedEntryIdsLoadSortedWithoutDuplicates)
{
    TGoldenOptions o;
    o.deletedIds = {"ccc", "AAA", "bbb", "aaa", "CCC"};
    LoadBytes(db, GoldenFile(o).bytes);
    EXPECT_EQ(db.DeletedEntryIDs.Items(), (std::vector<std::string>{"AAA", "bbb", "ccc"}));
}

TEST_F(GoldenFileTest, EightBitTextDecodesAsWindows1252)
{
    TGoldenOptions o;
    o.firstCaption = "Caf\xE9 \x80 5";
    LoadBytes(db, GoldenFile(o).bytes);
    EXPECT_EQ(db.Root->Children[0]->Caption, "Caf\xC3\xA9 \xE2\x82\xAC 5");
}

TEST_F(GoldenFileTest, UnreadablePayloadAsksForThePassword)
{
    TPayloadPackingOverride emptying([](TMemoryStream&, const std::string&) {},
                                     [](TMemoryStream& s, const std::string&) { s.Clear(); });
    try {
        LoadBytes(db, GoldenFile().bytes);
        FAIL() << "no exception";
    } catch (const ExInvalidFileFormat&) {
        FAIL() << "wrong class";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not read the file. Invalid password?");
    }
}

TEST_F(GoldenFileTest, PasswordReachesThePacker)
{
    std::string packed, unpacked;
    TPayloadPackingOverride spy([&](TMemoryStream&, const std::string& p) { packed = p; },
                                [&](TMemoryStream&, const std::string& p) { unpacked = p; });
    TMemoryStream stream;
    db.SaveToStream(stream, "secret", 3);
    stream.SetPosition(0);
    db.Clear();
    db.LoadFromStream(stream, "open");
    EXPECT_EQ(packed, "secret");
    EXPECT_EQ(unpacked, "open");
}

TEST_F(GoldenFileTest, LoadingDoesNotRecordReplacedTasksAsDeleted)
{
    // A document with a synchronisation and a linked task, loaded over without Clear.
    db.OutlookFolderPath = "\\\\Mailbox\\Tasks";
    db.LastSyncTime = 45000;
    db.Root->AddChild("linked", -1)->OutlookEntryID = "LINKED1";
    TGoldenOptions o;
    o.layout = 2;
    o.versionField = 2;
    TMemoryStream stream{GoldenFile(o).bytes};
    db.LoadFromStream(stream, "");
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
    EXPECT_EQ(db.Root->Children[0]->Caption, "Write report");
}

} // namespace
