#pragma once
// The main window with a folder of task files beside its outline, and a clock the test moves.
#include "ui/mainwindow/WindowTestSupport.h"

#include <cstdlib>
#include <ctime>

#include "platform/DateTime.h"

class SyncWindowFixture : public TWindowFixture {
protected:
    std::string tasks = dir.File("tasks");  // the task folder: one calendar file per task
    TDateTime now = EncodeDate(2024, 5, 6) + 0.5;
    TClockOverride clock{[this] { return now; }};

    void SetUp() override
    {
        // The task files carry UTC times; the outline's times are local.
        setenv("TZ", "UTC0", 1);
        tzset();
        std::filesystem::create_directories(tasks);
        TWindowFixture::SetUp();
    }

    // One task file as another program writes it, changed an hour before the test's clock.
    void WriteTaskFile(const std::string& name, const std::string& uid, const std::string& summary) const
    {
        WriteAll(tasks + "/" + name, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Someone//Other client//EN\r\n"
                                     "BEGIN:VTODO\r\nUID:" + uid + "\r\nDTSTAMP:20240506T100000Z\r\n"
                                     "LAST-MODIFIED:20240506T100000Z\r\nSUMMARY:" + summary + "\r\n"
                                     "END:VTODO\r\nEND:VCALENDAR\r\n");
    }

    size_t TaskFileCount() const
    {
        size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(tasks))
            count += entry.path().extension() == ".ics";
        return count;
    }
};
