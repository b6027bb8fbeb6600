#include "update/download_progress.h"

#include <cmath>
#include <cstdio>

#include "update/format_size.h"

namespace rangwerk {

namespace {

std::string Digits(int value, std::size_t run) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, run >= 2 ? "%02d" : "%d", value);
    return buffer;
}

}  // namespace

std::string FormatTimeOfDay(double days, const std::string& format) {
    const double fraction = days - std::floor(days);
    // Rounded to the millisecond, then whole seconds shown, as the system decodes times.
    long long seconds = std::llround(fraction * 86400000.0) / 1000;
    if (seconds >= 86400) {
        seconds = 0;
    }
    const int hours = static_cast<int>(seconds / 3600);
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int secs = static_cast<int>(seconds % 60);

    std::string out;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '\'') {
            const auto end = format.find('\'', i + 1);
            const auto stop = end == std::string::npos ? format.size() : end;
            out.append(format, i + 1, stop - i - 1);
            i = stop == format.size() ? stop : stop + 1;
            continue;
        }
        if (c != 'H' && c != 'h' && c != 'm' && c != 's' && c != 't') {
            out += c;
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < format.size() && format[i + run] == c) {
            ++run;
        }
        switch (c) {
            case 'H':
                out += Digits(hours, run);
                break;
            case 'h':
                out += Digits(hours % 12 == 0 ? 12 : hours % 12, run);
                break;
            case 'm':
                out += Digits(minutes, run);
                break;
            case 's':
                out += Digits(secs, run);
                break;
            default:  // 't': "A"/"P", "tt": "AM"/"PM"
                out += hours < 12 ? (run >= 2 ? "AM" : "A") : (run >= 2 ? "PM" : "P");
                break;
        }
        i += run;
    }
    return out;
}

DownloadDisplay MakeDownloadDisplay(std::uint64_t received, std::uint64_t maximum,
                                    double elapsedSeconds, const ProgressFormat& format) {
    DownloadDisplay display;
    display.position = received;
    display.maximum = maximum;
    const double count = static_cast<double>(received);
    const double max = static_cast<double>(maximum);
    double leftDays = 0;
    if (received > 0) {
        leftDays = (max / count - 1) * (elapsedSeconds / 86400.0);
    }
    const double percent = maximum > 0 ? count / max * 100 : 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::nearbyint(percent));
    display.percent = std::string(buffer) + " %";
    display.status = FormatSize(received, format.decimalSeparator) + " von " +
                     FormatSize(maximum, format.decimalSeparator) + " gedownloadet";
    display.timeLeft =
        "verbleibende Zeit: " + FormatTimeOfDay(leftDays < 0 ? 0 : leftDays, format.longTimeFormat);
    return display;
}

}  // namespace rangwerk
