#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/regional_settings.h"

namespace rangwerk {

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// How the user writes short dates: the order of the fields and their separator.
struct ShortDateFormat {
    DateOrder order = DateOrder::DayMonthYear;
    std::string separator = ".";

    bool operator==(const ShortDateFormat&) const = default;
};

// The order from a short date picture ("dd.MM.yyyy", "M/d/yy", "yyyy-MM-dd": the first of
// d, M and y decides), with the given separator.
ShortDateFormat ShortDateFormatOf(std::string_view picture, std::string separator);

// The user's short date format from the regional settings.
ShortDateFormat ShortDateFormatOf(const RegionalSettings& settings);

// Reads a date written in the short date format: two or three numbers joined by the separator,
// blanks allowed around them; with two numbers (day and month) the year is `currentYear`.
// Years of one or two digits take the century that brings them nearest to `currentYear`.
// Returns the day count of the date; nothing when the text is not a valid date.
std::optional<double> ParseShortDate(std::string_view text, const ShortDateFormat& format,
                                     int currentYear);

}  // namespace rangwerk
