// Day counts and short dates of the update check.
#include <gtest/gtest.h>

#include <cstdlib>

#include "update/day_count.h"
#include "update/short_date.h"

namespace rangwerk {
namespace {

constexpr double kDec8th2026 = 46364;

TEST(DayCount, CountsDaysSince30December1899) {
    EXPECT_EQ(DayCountOfDate(1899, 12, 30), 0.0);
    EXPECT_EQ(DayCountOfDate(1900, 1, 1), 2.0);
    EXPECT_EQ(DayCountOfDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(DayCountOfDate(2026, 12, 8), kDec8th2026);
    EXPECT_EQ(DayCountOfDate(1, 1, 1), -693593.0);
    EXPECT_EQ(DayCountOfDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(DayCountOfDate(2024, 2, 29), 45351.0);
    EXPECT_FALSE(DayCountOfDate(2023, 2, 29));
    EXPECT_FALSE(DayCountOfDate(1900, 2, 29));
    EXPECT_FALSE(DayCountOfDate(2026, 13, 1));
    EXPECT_FALSE(DayCountOfDate(0, 1, 1));
    EXPECT_FALSE(DayCountOfDate(2026, 4, 31));
}

TEST(DayCount, HoldsTheTimeOfDayAsFraction) {
    EXPECT_EQ(DayCountOf({2026, 12, 8, 12, 0, 0, 0}), kDec8th2026 + 0.5);
    EXPECT_EQ(DayCountOf({2026, 12, 8, 6, 0, 0, 0}), kDec8th2026 + 0.25);
    // Before 30 December 1899 the fraction counts forward from midnight all the same.
    EXPECT_EQ(DayCountOf({1899, 12, 29, 6, 0, 0, 0}), -1.25);
    EXPECT_FALSE(DayCountOf({2026, 12, 8, 24, 0, 0, 0}));
    EXPECT_FALSE(DayCountOf({2026, 12, 8, 0, 60, 0, 0}));

    for (const LocalDateTime when :
         {LocalDateTime{2026, 12, 8, 23, 59, 59, 999}, LocalDateTime{1899, 12, 29, 6, 30, 0, 0},
          LocalDateTime{2000, 2, 29, 0, 0, 0, 1}, LocalDateTime{1, 1, 1, 13, 14, 15, 0}}) {
        EXPECT_EQ(LocalDateTimeOf(*DayCountOf(when)), when);
    }
    // A fraction that rounds up to midnight gives the next day.
    EXPECT_EQ(LocalDateTimeOf(kDec8th2026 + 0.9999999999), (LocalDateTime{2026, 12, 9}));
    EXPECT_EQ(WholeDay(kDec8th2026 + 0.75), kDec8th2026);
}

TEST(DayCount, ConvertsLocalTime) {
    const auto now = std::chrono::system_clock::now();
    const auto back = TimePointOfLocalDayCount(LocalDayCountOf(now));
    EXPECT_LE(std::chrono::abs(std::chrono::duration_cast<std::chrono::milliseconds>(back - now)),
              std::chrono::milliseconds(1));
    SystemDayClock clock;
    EXPECT_NEAR(clock.Now(), LocalDayCountOf(std::chrono::system_clock::now()), 1.0 / 86400);
}

TEST(ShortDate, TakesTheOrderFromThePicture) {
    EXPECT_EQ(ShortDateFormatOf("dd.MM.yyyy", ".").order, DateOrder::DayMonthYear);
    EXPECT_EQ(ShortDateFormatOf("M/d/yy", "/").order, DateOrder::MonthDayYear);
    EXPECT_EQ(ShortDateFormatOf("yyyy-MM-dd", "-").order, DateOrder::YearMonthDay);
    const RegionalSettings german;
    EXPECT_EQ(ShortDateFormatOf(german), (ShortDateFormat{DateOrder::DayMonthYear, "."}));
}

TEST(ShortDate, ReadsDatesInTheUsersOrder) {
    const ShortDateFormat german{DateOrder::DayMonthYear, "."};
    EXPECT_EQ(ParseShortDate("08.12.2026", german, 2026), kDec8th2026);
    EXPECT_EQ(ParseShortDate(" 8 . 12 .2026  ", german, 2026), kDec8th2026);
    EXPECT_EQ(ParseShortDate("12/8/2026", {DateOrder::MonthDayYear, "/"}, 2026), kDec8th2026);
    EXPECT_EQ(ParseShortDate("2026-12-08", {DateOrder::YearMonthDay, "-"}, 2026), kDec8th2026);
    // Day and month alone: the current year.
    EXPECT_EQ(ParseShortDate("8.12", german, 2026), kDec8th2026);
    EXPECT_EQ(ParseShortDate("12-8", {DateOrder::YearMonthDay, "-"}, 2026), kDec8th2026);
    EXPECT_EQ(ParseShortDate("8.12.2026", german, 1990), kDec8th2026);

    for (const char* text : {"", "heute", "31.02.2026", "8.12.", "8.12.2026.", "8/12/2026",
                             "1.2.3.4", "8.12.2026x", "08.12.02026", ".12.2026", "8..2026"}) {
        EXPECT_FALSE(ParseShortDate(text, german, 2026)) << text;
    }
}

TEST(ShortDate, GivesShortYearsTheNearestCentury) {
    const ShortDateFormat german{DateOrder::DayMonthYear, "."};
    EXPECT_EQ(ParseShortDate("8.12.26", german, 2026), kDec8th2026);
    EXPECT_EQ(ParseShortDate("1.1.75", german, 2026), DayCountOfDate(2075, 1, 1));
    EXPECT_EQ(ParseShortDate("1.1.77", german, 2026), DayCountOfDate(1977, 1, 1));
    EXPECT_EQ(ParseShortDate("1.1.76", german, 2026), DayCountOfDate(1976, 1, 1));  // a tie
    EXPECT_EQ(ParseShortDate("1.1.5", german, 2098), DayCountOfDate(2105, 1, 1));
    EXPECT_EQ(ParseShortDate("1.1.99", german, 2001), DayCountOfDate(1999, 1, 1));
    // Three digits are a year as written.
    EXPECT_EQ(ParseShortDate("1.1.999", german, 2026), DayCountOfDate(999, 1, 1));
    EXPECT_EQ(ParseShortDate("26/12/8", {DateOrder::YearMonthDay, "/"}, 2026), kDec8th2026);
}

}  // namespace
}  // namespace rangwerk
