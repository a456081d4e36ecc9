#pragma once
// The log of one synchronisation run: its lines in memory, the warning and error counts, the
// statistics counters, and writing it all at the end of the run to the file beside the data
// file, newest run first, older runs behind it up to a size limit.
#include <cstdint>
#include <string>

#include "platform/DateTime.h"
#include "platform/StringList.h"

class ISyncHost;

struct TSyncStatistics {
    int32_t OutlookProcessed = 0;
    int32_t OutlookUpdated = 0;
    int32_t OutlookAdded = 0;
    int32_t OutlookDeleted = 0;
    int32_t TovrinProcessed = 0;
    int32_t TovrinUpdated = 0;
    int32_t TovrinAdded = 0;
    int32_t TovrinDeleted = 0;
    int32_t Conflicts = 0;
};

// The date and time text that starts every log line, in the user's short date and long
// time formats.
std::string SyncDateTimeText(TDateTime Value);
// The log beside the data file: "plan.tvd" gives "plan_OutlookSync.log".
std::string SyncLogPathFor(const std::string& DataFileName);
// What the store keeps between runs for this outline, beside the log: "plan_OutlookSync.state".
std::string SyncStatePathFor(const std::string& DataFileName);

class TSyncLog {
public:
    // Level 0 writes no lines, 1 messages, warnings, errors and statistics, 2 also details,
    // 3 also traces. MaxSize is the size in bytes at which older runs stop being kept.
    TSyncLog(int32_t Level, int32_t MaxSize) : level_(Level), maxSize_(MaxSize) {}

    void LogSyncMessage(const std::string& Text);
    void LogSyncDetail(const std::string& Text);
    void LogSyncTrace(const std::string& Text);
    void LogSyncWarning(const std::string& Text);
    void LogSyncError(const std::string& Text);
    void LogSyncStatistics();
    // Ends the run's log and writes the file; a failure is shown through Host and otherwise
    // ignored.
    void WriteSyncLog(const std::string& DataFileName, ISyncHost& Host);

    int32_t Level() const { return level_; }
    const TStringList& Lines() const { return lines_; }
    const std::string& LogPath() const { return logPath_; }

    int32_t Warnings = 0;
    int32_t Errors = 0;
    TSyncStatistics SyncStatistics;

private:
    // Appends the earlier runs' log to the new one, as much as the size limit keeps.
    void AppendPreviousSyncLog(std::string& Text) const;

    int32_t level_;
    int32_t maxSize_;
    TStringList lines_;
    std::string logPath_;
};
