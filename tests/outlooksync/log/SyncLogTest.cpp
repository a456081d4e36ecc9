// The run's log: levels, the statistics block, the file beside the data file with the newest
// run first, the size limit on older runs, and a file that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "outlooksync/SyncLog.h"
#include "outlooksync/SyncTestHost.h"
#include "platform/DateTime.h"

namespace {

namespace fs = std::filesystem;

class SyncLogFile : public ::testing::Test {
protected:
    SyncLogFile() : clock(EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0))
    {
        dir = fs::temp_directory_path() /
              ("tovrin-synclog-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        dataFile = (dir / "plan.tvd").string();
        logFile = (dir / "plan_OutlookSync.log").string();
    }
    ~SyncLogFile() override { fs::remove_all(dir); }

    std::string Read(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& path, const std::string& text) const
    {
        std::ofstream(path, std::ios::binary) << text;
    }

    TClockOverride clock;
    fs::path dir;
    std::string dataFile;
    std::string logFile;
    TSyncTestHost host;
};

const std::string kStamp = "2024-02-29 13:05:09 ";

TEST(SyncLogLines, EachLevelWritesItsKindsAndCountsAtEveryLevel)
{
    TClockOverride clock(EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0));
    for (int level = 0; level <= 3; ++level) {
        TSyncLog log(level, 102400);
        log.LogSyncMessage("message");
        log.LogSyncDetail("detail");
        log.LogSyncTrace("trace");
        log.LogSyncWarning("careful");
        log.LogSyncError("broken");
        EXPECT_EQ(log.Warnings, 1);
        EXPECT_EQ(log.Errors, 1);
        const int expected = level == 0 ? 0 : 1 + 3 + (level >= 2) + (level >= 3);
        ASSERT_EQ(log.Lines().Count(), expected) << "level " << level;
        if (level == 3) {
            EXPECT_EQ(log.Lines()[0], kStamp + "---- OutlookSync operation started");
            EXPECT_EQ(log.Lines()[1], kStamp + "message");
            EXPECT_EQ(log.Lines()[3], kStamp + "trace");
            EXPECT_EQ(log.Lines()[4], kStamp + "[---WARNING---] careful");
            EXPECT_EQ(log.Lines()[5], kStamp + "[---ERROR---] broken");
        }
    }
}

TEST(SyncLogLines, TheStatisticsBlockAlignsEachCounter)
{
    TClockOverride clock(EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0));
    TSyncLog log(1, 102400);
    log.SyncStatistics = {1, 22, 333, 4444, 5, 6, 7, 8, 9};
    log.LogSyncStatistics();
    const std::vector<std::string> expected = {
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
    };
    ASSERT_EQ(log.Lines().Count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(log.Lines()[static_cast<int>(i)], kStamp + expected[i]);
}

TEST(SyncLogLines, TheLogLiesBesideTheDataFileUnderItsName)
{
    EXPECT_EQ(SyncLogPathFor("/data/plan.tvd"), "/data/plan_OutlookSync.log");
    EXPECT_EQ(SyncLogPathFor("/da.ta/my.plan.tvd"), "/da.ta/my.plan_OutlookSync.log");
    EXPECT_EQ(SyncLogPathFor("/data/plan"), "/data/plan_OutlookSync.log");
}

TEST_F(SyncLogFile, TheNewRunComesFirstAndTheOldLogFollowsAfterTwoEmptyLines)
{
    Write(logFile, "old line 1\r\nold line 2\nold line 3");
    TSyncLog log(1, 102400);
    log.LogSyncMessage("hello");
    log.WriteSyncLog(dataFile, host);

    const std::string text = Read(logFile);
    const std::string expectedStart = kStamp + "---- OutlookSync operation started\r\n" + kStamp +
                                      "hello\r\n" + kStamp + "--- Sync statistics:\r\n";
    EXPECT_EQ(text.rfind(expectedStart, 0), 0u);
    const std::string tail = kStamp + "---- OutlookSync operation complete\r\n\r\n\r\n"
                                      "old line 1\r\nold line 2\r\nold line 3\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(log.LogPath(), logFile);
    EXPECT_FALSE(fs::exists(logFile + ".tmp"));
    EXPECT_TRUE(host.S.Messages.empty());
}

TEST_F(SyncLogFile, AtLevelZeroTheFileHoldsTwoEmptyLinesAndTheOldLog)
{
    Write(logFile, "previous\r\n");
    TSyncLog log(0, 102400);
    log.LogSyncError("counted, not written");
    log.WriteSyncLog(dataFile, host);
    EXPECT_EQ(Read(logFile), "\r\n\r\nprevious\r\n");
    EXPECT_EQ(log.Errors, 1);
}

TEST_F(SyncLogFile, OlderRunsAreKeptWholeUntilTheLimitIsReached)
{
    // Three older runs of 2 lines each; every line is 40 characters long.
    const std::string pad(40 - 35, 'x');
    std::string old;
    for (int run = 1; run <= 3; ++run) {
        old += std::string(40, char('0' + run)) + "\r\n";
        old += "---- OutlookSync operation complete" + pad + "\r\n";
    }
    Write(logFile, old);

    // The new run is 12 lines of 20 + text characters; with a limit just above it, the first
    // older run makes the total pass the limit and is the last one kept.
    TSyncLog probe(1, 1);
    probe.WriteSyncLog((dir / "probe.tvd").string(), host);
    const auto newSize = static_cast<int32_t>(fs::file_size(dir / "probe_OutlookSync.log"));

    TSyncLog log(1, newSize + 50);
    log.WriteSyncLog(dataFile, host);
    const std::string text = Read(logFile);
    EXPECT_NE(text.find(std::string(40, '1')), std::string::npos);
    EXPECT_EQ(text.find(std::string(40, '2')), std::string::npos);

    // With room for everything, every older run stays.
    Write(logFile, old);
    TSyncLog roomy(1, 102400);
    roomy.WriteSyncLog(dataFile, host);
    EXPECT_NE(Read(logFile).find(std::string(40, '3')), std::string::npos);
}

TEST_F(SyncLogFile, ARunThatAlreadyReachesTheLimitKeepsNoOlderRun)
{
    Write(logFile, "older run\r\n---- OutlookSync operation complete\r\n");
    TSyncLog log(1, 100);
    for (int i = 0; i < 10; ++i)
        log.LogSyncMessage("a line of this run");
    log.WriteSyncLog(dataFile, host);
    const std::string text = Read(logFile);
    EXPECT_EQ(text.find("older run"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(SyncLogFile, ALogThatCannotBeWrittenIsReportedAndChangesNothingElse)
{
    // The log's name is taken by a folder: the new log cannot take its place.
    fs::create_directories(fs::path(logFile) / "inside");
    TSyncLog log(1, 102400);
    log.LogSyncMessage("x");
    log.WriteSyncLog(dataFile, host);
    ASSERT_EQ(host.S.Messages.size(), 1u);
    EXPECT_EQ(host.S.Messages[0].rfind("Error creating Outlook sync log file: ", 0), 0u);
    EXPECT_TRUE(fs::is_directory(fs::path(logFile) / "inside"));

    TSyncTestHost other;
    TSyncLog missing(1, 102400);
    missing.WriteSyncLog((dir / "no such folder" / "plan.tvd").string(), other);
    ASSERT_EQ(other.S.Messages.size(), 1u);
}

} // namespace
