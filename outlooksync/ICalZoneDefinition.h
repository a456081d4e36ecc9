#pragma once
// A time zone that a calendar file defines in a VTIMEZONE. The definition is read by libical and
// what libical reads is checked: observances with one start, their offsets, dates and rules
// that recur once a year. libical is then handed only the onsets worked out here for the years
// asked for, never a rule of the file, so that a file's zone costs time in proportion to its
// text and to those years, whatever its rules say.
#include <libical/ical.h>

#include <memory>
#include <string>
#include <vector>

#include "outlooksync/ICalendar.h"

class TICalZoneDefinition {
public:
    // The definition as libical reads it, under the name TzID; nullptr when it cannot be used.
    static std::unique_ptr<TICalZoneDefinition> Read(const TICalComponent& VTimeZone,
                                                     const std::string& TzID);
    TICalZoneDefinition(const TICalZoneDefinition&) = delete;
    TICalZoneDefinition& operator=(const TICalZoneDefinition&) = delete;

    // The zone with its changes worked out for Year and the years asked for before; nullptr
    // when its rules take more steps than a zone may to reach them. Valid until the next call.
    icaltimezone* Covering(int Year);

private:
    struct TObservance {
        bool Daylight = false;
        icaltimetype Start{};
        int OffsetFrom = 0, OffsetTo = 0;
        std::vector<icaltimetype> Dates;          // local time before the onset
        std::vector<icalrecurrencetype> Rules;    // yearly only
    };
    struct TZoneFree {
        void operator()(icaltimezone* zone) const { icaltimezone_free(zone, 1); }
    };

    explicit TICalZoneDefinition(std::string TzID) : tzid_(std::move(TzID)) {}
    static bool ReadObservance(icalcomponent* Observance, TObservance& Result);
    bool AddOnsets(const TObservance& Observance, int FromYear, int ToYear, int& Steps,
                   icalcomponent* Target) const;

    std::string tzid_;
    std::vector<TObservance> observances_;
    std::unique_ptr<icaltimezone, TZoneFree> zone_;
    int fromYear_ = 0, toYear_ = -1;
};
