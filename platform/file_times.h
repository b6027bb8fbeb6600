#pragma once

#include <optional>
#include <string>

namespace rangwerk {

// Dates of the online update are day counts: whole days since 30 December 1899, the fraction
// being the time of day. These are the local clock's and the file system's in that form.

// The day count of a local calendar date and time of day (proleptic Gregorian calendar, year 1
// to 9999); 0 for a date or time that does not exist.
double LocalDayCount(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Today's local date as a whole day count.
// RANGWERK_TODAY=YYYY-MM-DD in the environment stands for today instead; tests use it to play
// through reminders that lie days apart. A value in another form is ignored.
double LocalToday();

// The last modification of the file as a local date-time, in the two-second steps of the
// platform's file dates (odd seconds go down). Empty when the file cannot be examined.
std::optional<double> FileModificationDayCount(const std::string& path);

}  // namespace rangwerk
