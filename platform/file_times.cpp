#include "platform/file_times.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "base/day_count.h"

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <sys/stat.h>
#endif

namespace rangwerk {

namespace {

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
    return DayCountOfDate(year, month, day).has_value();
}

}  // namespace

double LocalDayCount(int year, int month, int day, int hour, int minute, int second) {
    return DayCountOf(LocalDateTime{year, month, day, hour, minute, second, 0}).value_or(0);
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
    // A leap second (60) counts as the last two-second step of its minute.
    const int second = local.tm_sec > 59 ? 58 : local.tm_sec - local.tm_sec % 2;
    return LocalDayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, second);
}

#endif

}  // namespace rangwerk
