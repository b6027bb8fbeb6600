// Day counts: calendar dates and times of day as days since 30 December 1899.
#include "base/day_count.h"

#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace rangwerk
