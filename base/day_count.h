#pragma once

#include <chrono>
#include <optional>

namespace rangwerk {

// Dates of the online update (news, reminders, file dates) are day counts: whole days since
// 30 December 1899, the fraction being the time of day. Before that day the whole part is
// negative and the fraction still counts forward from midnight as its absolute value (-1.25 is
// 29 December 1899, 06:00).

struct LocalDateTime {
    int year = 1899;
    int month = 12;  // 1 to 12
    int day = 30;    // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const LocalDateTime&) const = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The day count of a calendar date (year 1 to 9999); nothing for an invalid date.
std::optional<double> DayCountOfDate(int year, int month, int day);
// Date and time to a day count; nothing for an invalid date or time.
std::optional<double> DayCountOf(const LocalDateTime& when);
// A day count back to date and time (milliseconds rounded to the nearest).
LocalDateTime LocalDateTimeOf(double dayCount);

// The whole day of a day count ("today" from "now").
double WholeDay(double dayCount);

// Between points of time and local day counts, in the system's time zone.
double LocalDayCountOf(std::chrono::system_clock::time_point when);
std::chrono::system_clock::time_point TimePointOfLocalDayCount(double dayCount);

}  // namespace rangwerk
