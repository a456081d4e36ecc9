// The data file against bytes assembled by hand from the format's tables.
#include <gtest/gtest.h>

#include <tuple>

#include "GoldenFile.h"
#include "platform/EnvironmentGuard.h"
#include "platform/SystemCodePage.h"
#include "taskdb/PayloadPacking.h"
#include "taskdb/TaskPlace.h"

namespace {

using namespace std::string_literals;
using Ranges = std::vector<std::tuple<int32_t, double, double>>;

auto PlaceFields(const TTaskPlace& p)
{
    Ranges ranges;
    if (const auto* list = p.OpenCloseSchedule.Ranges())
        for (const TTimeRange& r : *list)
            ranges.emplace_back(r.Code, r.StartTime, r.EndTime);
    return std::tuple(p.PlaceID, p.Caption, p.IncludedPlaces, p.OpenCloseSchedule.Enabled(),
                      p.OpenCloseSchedule.Flag, ranges, p.PlaceNote);
}

// Stored fields in file order, then the link, the derived flags and the child count.
auto TaskFields(const TTaskNode& t)
{
    return std::tuple(t.TaskID, t.Caption, t.Importance, t.Effort, t.Estimate, t.HideInToDo,
                      t.Note.Items(), t.CompletionDateTime, t.ModifiedDateTime,
                      t.CreatedDateTime, t.DueDateTime, t.LeadTime, t.ScheduleType,
                      t.RoutineSchedule, t.TheGoal, t.Satisfaction, t.CompleteSubTasksInOrder,
                      t.IsProject, t.ProjectStatus, t.Places, t.IsOutlookRecurring,
                      t.OutlookEntryID, t.CompletedMark, t.HideInToDoInEffect, t.GoalInEffect,
                      t.Children.Count());
}

using Lines = std::vector<std::string>;
using Ids = std::vector<int32_t>;

class GoldenFileTest : public ::testing::Test {
protected:
    TPayloadPackingOverride passThrough;
    TClockOverride clock{45100.0};
    TTovrinDataBase db;
};

TEST_F(GoldenFileTest, ReadsEveryFieldOfVersion3)
{
    LoadBytes(db, GoldenFile().bytes);

    EXPECT_EQ(std::tuple(db.FileVersion, db.HeaderValue, db.ToDoPlaceFilterID), std::tuple(3, 77, 5));
    // Option bytes in file order.
    EXPECT_EQ((std::vector<bool>{db.ShowToDoSheet, db.ShowTaskProperties, db.ShowImportance,
                                 db.ShowPlaces, db.ShowGoals, db.ShowTime, db.ShowEffort,
                                 db.ShowProject, db.ShowTaskTreeViews, db.ToDoAutoUpdate}),
              (std::vector<bool>{false, true, false, true, true, false, true, false, true, false}));
    // Extension arrays and synchronisation block.
    EXPECT_EQ(std::tuple(db.OutlookFolderPath, db.OutlookFolderEntryID, db.DeletedEntryIDs.Items(),
                         db.LastSyncTime, db.NewOutlookTasksParent, db.OutlookCategory,
                         db.SyncOptionFlag1, db.DeletedItemsCategory, db.SyncOptionFlag2,
                         db.SyncOptionNumber, db.SyncOptionString1, db.SyncOptionMode,
                         db.SyncOptionDate),
              std::tuple("\\\\Mailbox\\Tasks"s, "0000ABCD"s, Lines{"AAA1", "BBB2"}, 45001.75,
                         "Inbox tasks"s, "Tovrin"s, true, "Deleted"s, true, 9, "opt"s,
                         uint8_t(1), 45002.0));

    const TTaskPlacesList& places = *db.PlacesList;
    EXPECT_EQ(places.NextPlaceID, 7);
    ASSERT_EQ(places.Count(), 3);
    EXPECT_EQ(PlaceFields(*places[0]), std::tuple(2, "Home"s, Ids{5}, true, true,
                                                  Ranges{{1, 0.25, 0.5}, {2, 0.75, 0.875}},
                                                  "Front door\r\nKey under mat"s));
    EXPECT_EQ(PlaceFields(*places[1]), std::tuple(5, "B\xC3\xBCro"s, Ids{}, false, false, Ranges{}, ""s));
    EXPECT_EQ(PlaceFields(*places[2]), std::tuple(6, "Phone"s, Ids{2, 5}, true, false, Ranges{}, ""s));

    const TTaskNode& root = *db.Root;
    ASSERT_EQ(root.Children.Count(), 2);
    const TTaskNode& a = *root.Children[0];
    ASSERT_EQ(a.Children.Count(), 1);
    EXPECT_EQ(a.Parent, &root);
    EXPECT_EQ(TaskFields(root), std::tuple(-10, ""s, 50, 50, 0.0, false, Lines{}, 0.0, kModified,
                                           kCreated, 0.0, 1.0, 0, 0.0, 0, 50, false, false, 0,
                                           Ids{}, false, " "s, false, false, false, 2));
    // Unknown place IDs stay on tasks.
    EXPECT_EQ(TaskFields(a), std::tuple(1, "Write report"s, 80, 30, 2.5, false,
                                        Lines{"Line one", "", "Line three"}, 0.0, kModified,
                                        kCreated, 45000.5, 3.0, 1, 0.5, 1, 70, true, true, 1,
                                        Ids{2, 6, 42}, false, " "s, false, false, true, 1));
    // Under a weekly goal.
    EXPECT_EQ(TaskFields(*a.Children[0]),
              std::tuple(2, "Draft \xE2\x9C\x93"s, 50, 50, 0.0, true, Lines{}, 44990.25, kModified,
                         kCreated, 45000.5, 3.0, 0, 0.0, 0, 50, false, false, 3, Ids{}, true,
                         "00000000ABCDEF"s, true, true, true, 0));
    EXPECT_EQ(TaskFields(*root.Children[1]),
              std::tuple(3, "Errands"s, 50, 0, 0.0, false, Lines{}, 0.0, kModified, kCreated,
                         0.0, 1.0, 0, 0.0, 2, 50, false, false, 0, Ids{}, false, " "s, false,
                         false, false, 0));
}

TEST_F(GoldenFileTest, WritesTheSameBytesInEveryVersion)
{
    const auto golden = GoldenFile().bytes;
    LoadBytes(db, golden);
    EXPECT_EQ(SaveBytes(db, 3), golden);
    for (int version : {2, 1}) {
        EXPECT_EQ(SaveBytes(db, version), GoldenFile({.versionField = version, .layout = version}).bytes)
            << "version " << version;
        EXPECT_EQ(db.FileVersion, 3);
    }
}

TEST_F(GoldenFileTest, OlderVersionsLoadWithClearDefaults)
{
    for (int32_t version : {1, 0, -7}) {
        LoadBytes(db, GoldenFile({.versionField = version, .layout = 1}).bytes);
        EXPECT_EQ(std::tuple(db.FileVersion, db.OutlookFolderPath, db.NewOutlookTasksParent,
                             db.LastSyncTime, db.DeletedEntryIDs.Count(), db.SyncOptionNumber,
                             db.SyncOptionMode, db.ToDoPlaceFilterID),
                  std::tuple(version, ""s, "<NewOutlookTasks>"s, 0.0, 0, 5, uint8_t(2), 5));
        ASSERT_EQ(db.PlacesList->Count(), 3);
        EXPECT_FALSE((*db.PlacesList)[0]->OpenCloseSchedule.Enabled());
        EXPECT_EQ((*db.PlacesList)[0]->PlaceNote, "");
        const TTaskNode& a1 = *db.Root->Children[0]->Children[0];
        EXPECT_EQ(std::tuple(a1.IsOutlookRecurring, a1.OutlookEntryID, a1.HideInToDoInEffect),
                  std::tuple(false, " "s, true));
    }
}

TEST_F(GoldenFileTest, NewerVersionIsRefusedAfterSettingFileVersion)
{
    try {
        LoadBytes(db, GoldenFile({.versionField = 4}).bytes);
        FAIL() << "no exception";
    } catch (const ExNewerVersionOfFile& e) {
        EXPECT_EQ(e.Message(), "This file was created with newer version of Tovrin. Please download "
                               "new version of application from https://tovrin.org/download to "
                               "read this file.");
    }
    EXPECT_EQ(db.FileVersion, 4);
    EXPECT_TRUE(db.Root->Children.Empty());
}

TEST_F(GoldenFileTest, ExtraAndEmptyExtensionEntriesAreSkipped)
{
    LoadBytes(db, GoldenFile({.extraExtensions = true}).bytes);
    EXPECT_EQ(std::tuple(db.OutlookFolderPath, db.OutlookFolderEntryID, db.SyncOptionDate),
              std::tuple("\\\\Mailbox\\Tasks"s, "0000ABCD"s, 45002.0));   // the block after them was found
    const TTaskNode& a1 = *db.Root->Children[0]->Children[0];
    EXPECT_EQ(std::tuple(a1.IsOutlookRecurring, a1.OutlookEntryID), std::tuple(true, "00000000ABCDEF"s));
    EXPECT_EQ(db.Root->Children[1]->Caption, "Errands");
    EXPECT_EQ(SaveBytes(db), GoldenFile().bytes) << "written back the way this writer writes";

    LoadBytes(db, GoldenFile({.emptyTails = true}).bytes);
    const TTaskNode& b1 = *db.Root->Children[0]->Children[0];
    EXPECT_EQ(std::tuple(b1.IsOutlookRecurring, b1.OutlookEntryID), std::tuple(false, " "s));
}

TEST_F(GoldenFileTest, DeletedEntryIdsSortedDeduplicatedAndEightBitTextInTheSystemCodePage)
{
    // Old 8-bit captions in the code page of the writer's system; a byte the code page lacks
    // keeps its value, and a save and load keeps every character.
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"en_US.UTF-8", "Caf\xE9 \x80 \x81", "Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81"},
        {"ru_RU.UTF-8", "\xCF\xF0\xE8\xE2\xE5\xF2 \x98", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xC2\x98"},
    };
    for (const auto& [locale, stored, caption] : cases) {
        TEnvironmentGuard env;
        env.Set("LC_ALL", locale);
        LoadBytes(db, GoldenFile({.deletedIds = {"ccc", "AAA", "bbb", "aaa", "CCC"}, .firstCaption = stored}).bytes);
        EXPECT_EQ(db.DeletedEntryIDs.Items(), (Lines{"AAA", "CCC", "aaa", "bbb", "ccc"}));
        EXPECT_EQ(db.Root->Children[0]->Caption, caption) << locale;
        env.Set("LC_ALL", "ja_JP.UTF-8");
        LoadBytes(db, SaveBytes(db));
        EXPECT_EQ(db.Root->Children[0]->Caption, caption) << locale;
    }
}

TEST_F(GoldenFileTest, PasswordReachesThePackerAndAnUnreadablePayloadAsksForIt)
{
    std::string packed, unpacked;
    {
        TPayloadPackingOverride spy([&](TMemoryStream&, const std::string& p) { packed = p; },
                                    [&](TMemoryStream&, const std::string& p) { unpacked = p; });
        TMemoryStream stream;
        db.SaveToStream(stream, "secret", 3);
        stream.SetPosition(0);
        db.Clear();
        db.LoadFromStream(stream, "open");
    }
    EXPECT_EQ(std::tuple(packed, unpacked), std::tuple("secret"s, "open"s));

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

TEST_F(GoldenFileTest, LoadingDoesNotRecordReplacedTasksAsDeleted)
{
    // A document with a synchronisation and a linked task, loaded over without Clear.
    db.OutlookFolderPath = "\\\\Mailbox\\Tasks";
    db.LastSyncTime = 45000;
    db.Root->AddChild("linked", -1)->OutlookEntryID = "LINKED1";
    TMemoryStream stream{GoldenFile({.versionField = 2, .layout = 2}).bytes};
    db.LoadFromStream(stream, "");
    EXPECT_TRUE(db.DeletedEntryIDs.Empty());
    EXPECT_EQ(db.Root->Children[0]->Caption, "Write report");
}

} // namespace
