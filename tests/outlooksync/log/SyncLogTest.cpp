// The run's log: levels, the statistics block, the file beside the data file with the newest
// run first, the size limit on older runs, and a file that cannot be written.
#include "outlooksync/SyncTestFixture.h"

namespace {

namespace fs = std::filesystem;

const TDateTime kNow = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0);
const std::string kStamp = SyncDateTimeText(kNow) + " ";

class SyncLog : public ::testing::Test {
protected:
    std::vector<std::string> Stamped(const std::vector<std::string>& lines) const
    {
        std::vector<std::string> out;
        for (const std::string& l : lines)
            out.push_back(kStamp + l);
        return out;
    }

    TClockOverride clock{kNow};
    TScratchDir dir;
    std::string dataFile = (dir.Path / "plan.tvd").string();
    std::string logFile = (dir.Path / "plan_OutlookSync.log").string();
    TSyncTestHost host;
};

TEST_F(SyncLog, TimesFollowTheUsersFormats)
{
    // The C locale's formats; the window sets the user's at start.
    EXPECT_EQ(SyncDateTimeText(kNow), "02/29/24 13:05:09");
}

TEST_F(SyncLog, EachLevelWritesItsKindsAndCountsAtEveryLevel)
{
    for (int level = 0; level <= 3; ++level) {
        TSyncLog log(level, 102400);
        log.LogSyncMessage("message");
        log.LogSyncDetail("detail");
        log.LogSyncTrace("trace");
        log.LogSyncWarning("careful");
        log.LogSyncError("broken");
        EXPECT_EQ(log.Warnings, 1);
        EXPECT_EQ(log.Errors, 1);
        std::vector<std::string> expected = {"---- OutlookSync operation started", "message",
                                             "detail", "trace", "[---WARNING---] careful",
                                             "[---ERROR---] broken"};
        if (level < 3)
            expected.erase(expected.begin() + 3);
        if (level < 2)
            expected.erase(expected.begin() + 2);
        EXPECT_EQ(log.Lines().Items(), level == 0 ? std::vector<std::string>{} : Stamped(expected))
            << "level " << level;
    }
}

TEST_F(SyncLog, TheStatisticsBlockAlignsEachCounter)
{
    TSyncLog log(1, 102400);
    log.SyncStatistics = {1, 22, 333, 4444, 5, 6, 7, 8, 9};
    log.LogSyncStatistics();
    EXPECT_EQ(log.Lines().Items(), Stamped({
                                       "---- OutlookSync operation started",
                                       "--- Sync statistics:",
                                       " Outlook tasks processed:  1",
                                       "               updated  : 22",
                                       "               added    :333",
                                       "               deleted  :4444",
                                       " Tovrin  tasks processed:  5",
                                       "               updated  :  6",
                                       "               added    :  7",
                                       "               deleted  :  8",
                                       " Total conflicts        :  9",
                                       "--- End of statistics",
                                   }));
}

TEST_F(SyncLog, TheLogLiesBesideTheDataFileUnderItsName)
{
    EXPECT_EQ(SyncLogPathFor("/data/plan.tvd"), "/data/plan_OutlookSync.log");
    EXPECT_EQ(SyncLogPathFor("/da.ta/my.plan.tvd"), "/da.ta/my.plan_OutlookSync.log");
    EXPECT_EQ(SyncLogPathFor("/data/plan"), "/data/plan_OutlookSync.log");
}

TEST_F(SyncLog, TheNewRunComesFirstAndTheOldLogFollowsAfterTwoEmptyLines)
{
    WriteText(logFile, "old line 1\r\nold line 2\nold line 3");
    TSyncLog log(1, 102400);
    log.LogSyncMessage("hello");
    log.WriteSyncLog(dataFile, host);

    const std::string text = ReadText(logFile);
    EXPECT_THAT(text, StartsWith(kStamp + "---- OutlookSync operation started\r\n" +
                                            kStamp + "hello\r\n" + kStamp +
                                            "--- Sync statistics:\r\n"));
    EXPECT_THAT(text, EndsWith(kStamp + "---- OutlookSync operation complete\r\n\r\n\r\n"
                                                   "old line 1\r\nold line 2\r\nold line 3\r\n"));
    EXPECT_EQ(log.LogPath(), logFile);
    EXPECT_FALSE(fs::exists(logFile + ".tmp"));
    EXPECT_TRUE(host.S.Messages.empty());
}

TEST_F(SyncLog, AtLevelZeroTheFileHoldsTwoEmptyLinesAndTheOldLog)
{
    WriteText(logFile, "previous\r\n");
    TSyncLog log(0, 102400);
    log.LogSyncError("counted, not written");
    log.WriteSyncLog(dataFile, host);
    EXPECT_EQ(ReadText(logFile), "\r\n\r\nprevious\r\n");
}

TEST_F(SyncLog, OlderRunsAreKeptWholeUntilTheLimitIsReached)
{
    // Three older runs of two 40-character lines each.
    std::string old;
    for (char run : {'1', '2', '3'})
        old += std::string(40, run) + "\r\n---- OutlookSync operation completexxxxx\r\n";
    TSyncLog probe(1, 1);
    probe.WriteSyncLog((dir.Path / "probe.tvd").string(), host);
    const auto newSize = static_cast<int32_t>(fs::file_size(dir.Path / "probe_OutlookSync.log"));

    // With a limit just above the new run, the first line of the first older run passes it;
    // that run is still kept whole, and is the last one kept.
    WriteText(logFile, old);
    TSyncLog log(1, newSize + 20);
    log.WriteSyncLog(dataFile, host);
    EXPECT_THAT(ReadText(logFile), EndsWith("\r\n\r\n" + old.substr(0, old.size() / 3)));

    WriteText(logFile, old);
    TSyncLog roomy(1, 102400);
    roomy.WriteSyncLog(dataFile, host);
    EXPECT_THAT(ReadText(logFile), HasSubstr(std::string(40, '3')));

    // A run that already reaches the limit keeps no older run.
    WriteText(logFile, "older run\r\n---- OutlookSync operation complete\r\n");
    TSyncLog full(1, 100);
    for (int i = 0; i < 10; ++i)
        full.LogSyncMessage("a line of this run");
    full.WriteSyncLog(dataFile, host);
    EXPECT_THAT(ReadText(logFile), Not(HasSubstr("older run")));
    EXPECT_THAT(ReadText(logFile), EndsWith("\r\n"));
}

TEST_F(SyncLog, ALogThatCannotBeWrittenIsReportedAndChangesNothingElse)
{
    // The log's name is taken by a folder: the new log cannot take its place.
    fs::create_directories(fs::path(logFile) / "inside");
    TSyncLog log(1, 102400);
    log.LogSyncMessage("x");
    log.WriteSyncLog(dataFile, host);
    ASSERT_EQ(host.S.Messages.size(), 1u);
    EXPECT_THAT(host.S.Messages[0], StartsWith("Error creating Outlook sync log file: "));
    EXPECT_TRUE(fs::is_directory(fs::path(logFile) / "inside"));

    TSyncLog missing(1, 102400);
    missing.WriteSyncLog((dir.Path / "no such folder" / "plan.tvd").string(), host);
    EXPECT_EQ(host.S.Messages.size(), 2u);
}

} // namespace
