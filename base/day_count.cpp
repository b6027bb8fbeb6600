#include "base/day_count.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

namespace rangwerk {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kUnixEpochDay = 25569;

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool LocalTm(std::time_t t, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &t) == 0;
#else
    return localtime_r(&t, &out) != nullptr;
#endif
}

}  // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

std::optional<double> DayCountOfDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    return static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

std::optional<double> DayCountOf(const LocalDateTime& when) {
    const auto date = DayCountOfDate(when.year, when.month, when.day);
    if (!date || when.hour < 0 || when.hour > 23 || when.minute < 0 || when.minute > 59 ||
        when.second < 0 || when.second > 59 || when.millisecond < 0 || when.millisecond > 999) {
        return std::nullopt;
    }
    const double time =
        static_cast<double>(((when.hour * 60 + when.minute) * 60 + when.second) * 1000 +
                            when.millisecond) /
        static_cast<double>(kMsPerDay);
    return *date < 0 ? *date - time : *date + time;
}

LocalDateTime LocalDateTimeOf(double dayCount) {
    const double whole = std::trunc(dayCount);
    std::int64_t ms = std::llround(std::fabs(dayCount - whole) * static_cast<double>(kMsPerDay));
    std::int64_t days = static_cast<std::int64_t>(whole) - kUnixEpochDay;
    if (ms >= kMsPerDay) {  // rounded up to the next midnight
        ms -= kMsPerDay;
        ++days;
    }
    LocalDateTime result;
    CivilFromDays(days, result.year, result.month, result.day);
    result.millisecond = static_cast<int>(ms % 1000);
    result.second = static_cast<int>(ms / 1000 % 60);
    result.minute = static_cast<int>(ms / 60000 % 60);
    result.hour = static_cast<int>(ms / 3600000);
    return result;
}

double WholeDay(double dayCount) {
    return std::trunc(dayCount);
}

double LocalDayCountOf(std::chrono::system_clock::time_point when) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    std::int64_t seconds = sinceEpoch / 1000;
    std::int64_t ms = sinceEpoch % 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    std::tm local{};
    if (!LocalTm(static_cast<std::time_t>(seconds), local)) {
        return 0;
    }
    LocalDateTime parts{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     std::min(local.tm_sec, 59),
                        static_cast<int>(ms)};
    return DayCountOf(parts).value_or(0);
}

std::chrono::system_clock::time_point TimePointOfLocalDayCount(double dayCount) {
    const LocalDateTime parts = LocalDateTimeOf(dayCount);
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    return std::chrono::system_clock::from_time_t(seconds) +
           std::chrono::milliseconds(parts.millisecond);
}

}  // namespace rangwerk
