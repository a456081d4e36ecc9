#include "outlooksync/SyncLog.h"

#include <ctime>

#include "outlooksync/SyncHost.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Stream.h"
#include "platform/StrUtils.h"

namespace {

const char* const kStarted = "---- OutlookSync operation started";
const char* const kComplete = "---- OutlookSync operation complete";

} // namespace

std::string SyncDateTimeText(TDateTime Value)
{
    // The user's date and time formats: the process's LC_TIME, which the window takes from
    // the environment at start.
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(Value, year, month, day);
    DecodeTime(Value, hour, minute, second, msec);
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_wday = DayOfWeek(Value) - 1;
    fields.tm_isdst = -1;
    char text[128];
    const size_t n = std::strftime(text, sizeof text, "%x %X", &fields);
    return std::string(text, n);
}

std::string SyncLogPathFor(const std::string& DataFileName)
{
    return ExtractFilePath(DataFileName) + ChangeFileExt(ExtractFileName(DataFileName), "") +
           "_OutlookSync.log";
}

std::string SyncStatePathFor(const std::string& DataFileName)
{
    return ExtractFilePath(DataFileName) + ChangeFileExt(ExtractFileName(DataFileName), "") +
           "_OutlookSync.state";
}

void TSyncLog::LogSyncMessage(const std::string& Text)
{
    if (level_ <= 0)
        return;
    if (lines_.Empty())
        lines_.Add(SyncDateTimeText(Now()) + " " + kStarted);
    lines_.Add(SyncDateTimeText(Now()) + " " + Text);
}

void TSyncLog::LogSyncDetail(const std::string& Text)
{
    if (level_ > 1)
        LogSyncMessage(Text);
}

void TSyncLog::LogSyncTrace(const std::string& Text)
{
    if (level_ > 2)
        LogSyncMessage(Text);
}

void TSyncLog::LogSyncWarning(const std::string& Text)
{
    LogSyncMessage("[---WARNING---] " + Text);
    ++Warnings;
}

void TSyncLog::LogSyncError(const std::string& Text)
{
    LogSyncMessage("[---ERROR---] " + Text);
    ++Errors;
}

void TSyncLog::LogSyncStatistics()
{
    const TSyncStatistics& s = SyncStatistics;
    LogSyncMessage("--- Sync statistics:");
    LogSyncMessage(Format(" Outlook tasks processed:%3d", s.OutlookProcessed));
    LogSyncMessage(Format("               updated  :%3d", s.OutlookUpdated));
    LogSyncMessage(Format("               added    :%3d", s.OutlookAdded));
    LogSyncMessage(Format("               deleted  :%3d", s.OutlookDeleted));
    LogSyncMessage(Format(" Tovrin  tasks processed:%3d", s.TovrinProcessed));
    LogSyncMessage(Format("               updated  :%3d", s.TovrinUpdated));
    LogSyncMessage(Format("               added    :%3d", s.TovrinAdded));
    LogSyncMessage(Format("               deleted  :%3d", s.TovrinDeleted));
    LogSyncMessage(Format(" Total conflicts        :%3d", s.Conflicts));
    LogSyncMessage("--- End of statistics");
}

void TSyncLog::WriteSyncLog(const std::string& DataFileName, ISyncHost& Host)
{
    try {
        LogSyncStatistics();
        LogSyncMessage(kComplete);

        logPath_ = SyncLogPathFor(DataFileName);
        const std::string tempPath = logPath_ + ".tmp";
        if (FileExists(tempPath))
            DeleteFile(tempPath);
        std::string text;
        for (const std::string& line : lines_)
            text += line + "\r\n";
        AppendPreviousSyncLog(text);
        {
            TFileStream out(tempPath, TFileMode::fmCreate);
            out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
        }

        // Replacing in one step keeps the previous log whole when the new one cannot take
        // its place.
        if (!RenameFile(tempPath, logPath_))
            throw Exception("Can not write file.");
    } catch (const std::exception& e) {
        Host.ShowMessage(std::string("Error creating Outlook sync log file: ") + e.what());
    }
}

void TSyncLog::AppendPreviousSyncLog(std::string& Text) const
{
    if (!FileExists(logPath_))
        return;
    int64_t total = static_cast<int64_t>(Text.size());
    if (total >= maxSize_)
        return;

    // A line ends at CR LF, LF or CR, as a text file reader takes it.
    TStringList old;
    old.LoadFromFile(logPath_);
    Text += "\r\n\r\n";
    for (const std::string& line : old) {
        total += static_cast<int64_t>(line.size());
        Text += line + "\r\n";
        if (line.find(kComplete) != std::string::npos && total >= maxSize_)
            break;
    }
}
