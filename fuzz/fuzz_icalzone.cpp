// Time zones that a calendar file defines, on hostile definitions: every zone of the input is
// used for times far apart, read and written back, and every task's series is moved on as a
// completion here does. A rule libical would walk for long shows as a time-out.
#include <cstdint>
#include <string>
#include <string_view>

#include "outlooksync/ICalTimes.h"
#include "platform/StrUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<TICalComponent> top =
        ParseICalendar(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const TICalComponent& calendar : top) {
        TICalTimes times(&calendar);
        for (const TICalComponent& zone : calendar.Components) {
            const TICalProperty* id = zone.Find("TZID");
            if (!id)
                continue;
            for (const char* wall : {"20250715T170000", "19700101T000000", "00010101T000000",
                                     "25001231T235959", "99991231T235959"}) {
                TICalProperty due{"DUE", ";TZID=" + Trim(id->Value), wall, false, {}};
                TDateTime local = 0;
                TICalTimeForm form;
                std::string error;
                if (times.Read(due, local, form, error))
                    times.Write(due, local, form);
            }
        }
        for (const TICalComponent& todo : calendar.Components) {
            TICalComponent moved = todo;
            times.AdvanceSeries(moved);
        }
    }
    return 0;
}
