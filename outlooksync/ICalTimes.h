#pragma once
// Date and time properties of one calendar file, through libical: values with a TZID (from
// the file's VTIMEZONE or the system's time-zone database) and UTC values are turned into
// local time, and a new value is written back in the form the property had (date, floating,
// UTC or its own zone). Also finds the next occurrence of a recurrence rule.
#include <memory>
#include <string>

#include "outlooksync/ICalendar.h"

// What completing one occurrence of a series did: moved the series on to its next occurrence,
// found none left (the task is completed), or could not move it (Why says why).
enum class TSeriesStep { Moved, Ended, NotMoved };

// How a DATE or DATE-TIME property was written.
struct TICalTimeForm {
    enum TKind { tfDate, tfFloating, tfUtc, tfZoned } Kind = tfFloating;
    std::string TzID;   // tfZoned only
};

class TICalTimes {
public:
    // Calendar is the file's VCALENDAR (its VTIMEZONE components define the zones).
    explicit TICalTimes(const TICalComponent* Calendar);
    ~TICalTimes();
    TICalTimes(const TICalTimes&) = delete;
    TICalTimes& operator=(const TICalTimes&) = delete;

    // The property's value as local time, and its form. False, with Error set, for a value
    // that is no date or date-time or names a zone that is not known.
    bool Read(const TICalProperty& Property, TDateTime& Local, TICalTimeForm& Form,
              std::string& Error);
    // Writes Local into Property in Form: a date when Form is a date, otherwise a date-time
    // that names the same moment in the form's zone (UTC, or floating local time).
    void Write(TICalProperty& Property, TDateTime Local, const TICalTimeForm& Form);

    // Moves DTSTART (or, without one, DUE) of a recurring task to the series' first occurrence
    // after it, and DUE along by the same distance; COUNT drops by the occurrences passed over.
    // Ended when none is left or the rule cannot be read; NotMoved when none was found within
    // the search's bound or the move would change the series.
    TSeriesStep AdvanceSeries(TICalComponent& Todo, std::string* Why = nullptr);

private:
    struct TZones;
    std::unique_ptr<TZones> zones_;
};
