// The update check's clock and short dates.
#include <gtest/gtest.h>

#include <cstdlib>

#include "update/day_count.h"
#include "update/short_date.h"

namespace rangwerk {
namespace {

constexpr double kDec8th2026 = 46364;

TEST(DayCount, SystemClockIsTheLocalTime) {
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
