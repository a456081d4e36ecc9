#pragma once
// A time zone that a calendar file defines in a VTIMEZONE. The definition is read by libical and
// what libical reads is checked: observances with one start, their offsets, dates and rules
// that recur once a year. libical is then handed only the onsets worked out here for the years
// asked for, never a rule of the file, so that a file's zone costs time in proportion to its
// text and to those years, whatever its rules say. A definition is worked out once for all the
// files that hold its text, and each year's zone once for all that ask for it.
#include <libical/ical.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "outlooksync/ICalendar.h"

class TICalZoneDefinition {
public:
    // The definition that Text (one VTIMEZONE as WriteICalendar writes it) gives as libical reads
    // it, under the name TzID; nullptr when it cannot be used. The same for the same text while
    // it is among the definitions used last.
    static std::shared_ptr<TICalZoneDefinition> Shared(const std::string& Text,
                                                       const std::string& TzID);
    TICalZoneDefinition(const TICalZoneDefinition&) = delete;
    TICalZoneDefinition& operator=(const TICalZoneDefinition&) = delete;

    // The zone with its changes worked out for Year and the years either side; nullptr when its
    // rules take more steps than a zone may to reach them. A zone never changes once made and
    // stays valid while it is held.
    std::shared_ptr<icaltimezone> Covering(int Year);

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
    static std::shared_ptr<TICalZoneDefinition> Read(const std::string& Text, const std::string& TzID);
    static bool ReadObservance(icalcomponent* Observance, TObservance& Result);
    bool AddOnsets(const TObservance& Observance, int FromYear, int ToYear, int& Steps,
                   icalcomponent* Target) const;

    std::shared_ptr<icaltimezone> Build(int FromYear, int ToYear) const;

    std::string tzid_;
    std::vector<TObservance> observances_;
    std::mutex mutex_;
    std::map<int, std::shared_ptr<icaltimezone>> zones_;   // by year; nullptr where none can be made
};
