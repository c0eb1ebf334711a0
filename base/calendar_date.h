// A day of the calendar, apart from any clock or zone: a birthday, an anniversary, a
// date item of a book. The one date type of every layer; it depends on nothing.
#pragma once

namespace brenmoor {

struct CalendarDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

} // namespace brenmoor
