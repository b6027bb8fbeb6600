#include "platform/file_times.h"

#include <cstdlib>
#include <ctime>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <sys/stat.h>
#endif

namespace rangwerk {

namespace {

// Days from 1 January 1970 to the given date (proleptic Gregorian calendar).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

// 30 December 1899, the day count's day 0, counted from 1 January 1970.
constexpr long long kDayCountEpoch = -25569;

// "YYYY-MM-DD" with a real calendar date, else false.
bool ParseIsoDate(const char* text, int& year, int& month, int& day) {
    if (!text)
        return false;
    const std::string value(text);
    if (value.size() != 10 || value[4] != '-' || value[7] != '-')
        return false;
    for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
        if (value[i] < '0' || value[i] > '9')
            return false;
    }
    year = std::atoi(value.substr(0, 4).c_str());
    month = std::atoi(value.substr(5, 2).c_str());
    day = std::atoi(value.substr(8, 2).c_str());
    if (month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int length = month == 2 && !leap ? 28 : kDays[month - 1];
    return day <= length;
}

}  // namespace

double LocalDayCount(int year, int month, int day, int hour, int minute, int second) {
    const long long days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        kDayCountEpoch;
    const int seconds = hour * 3600 + minute * 60 + second;
    return static_cast<double>(days) + static_cast<double>(seconds) / 86400.0;
}

double LocalToday() {
    int year = 0;
    int month = 0;
    int day = 0;
    if (ParseIsoDate(std::getenv("RANGWERK_TODAY"), year, month, day)) {
        return LocalDayCount(year, month, day);
    }
#ifdef _WIN32
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalDayCount(now.wYear, now.wMonth, now.wDay);
#else
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalDayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
#endif
}

#ifdef _WIN32

std::optional<double> FileModificationDayCount(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    if (wide.empty())
        return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    FILETIME local;
    WORD dosDate = 0;
    WORD dosTime = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
        return std::nullopt;
    }
    return LocalDayCount(1980 + (dosDate >> 9), (dosDate >> 5) & 0x0F, dosDate & 0x1F,
                         dosTime >> 11, (dosTime >> 5) & 0x3F, (dosTime & 0x1F) * 2);
}

#else

std::optional<double> FileModificationDayCount(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    const std::time_t modified = status.st_mtime;
    std::tm local{};
    if (!localtime_r(&modified, &local))
        return std::nullopt;
    return LocalDayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec - local.tm_sec % 2);
}

#endif

}  // namespace rangwerk
