#include "update/format_size.h"

#include <cstdio>
#include <string>

namespace rangwerk {

namespace {

std::string Printf(const char* format, int precision, double value) {
    char buffer[400];
    const int length = std::snprintf(buffer, sizeof buffer, format, precision, value);
    if (length < 0) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(length) < sizeof buffer
                                   ? static_cast<std::size_t>(length)
                                   : sizeof buffer - 1);
}

}  // namespace

std::string FormatSize(std::uint64_t bytes, const std::string& decimalSeparator) {
    static const char* const kUnits[] = {"Byte", "KB", "MB", "GB", "TB"};
    double v = static_cast<double>(bytes);
    int unit = 0;
    while (v >= 1024 && unit <= 4) {
        v /= 1024;
        ++unit;
    }
    if (unit == 5) {
        v *= 1024;
        unit = 4;
    }
    // As many significant digits as the rounded whole number has, plus one decimal place.
    const int wholeDigits = static_cast<int>(Printf("%.*f", 0, v).size());
    std::string number = Printf("%.*g", wholeDigits + 1, v);
    const auto point = number.find('.');
    if (point != std::string::npos) {
        number.replace(point, 1, decimalSeparator);
    }
    return number + " " + kUnits[unit];
}

}  // namespace rangwerk
