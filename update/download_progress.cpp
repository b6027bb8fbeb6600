#include "update/download_progress.h"

#include <cmath>
#include <cstdio>

#include "platform/regional_settings.h"
#include "update/format_size.h"

namespace rangwerk {

std::string FormatTimeOfDay(double days, const std::string& format) {
    const double fraction = days - std::floor(days);
    // Rounded to the millisecond, then whole seconds shown, as the system decodes times.
    long long seconds = std::llround(fraction * 86400000.0) / 1000;
    if (seconds >= 86400) {
        seconds = 0;
    }
    return FormatTimeWithPicture(format, static_cast<int>(seconds / 3600),
                                 static_cast<int>(seconds / 60 % 60),
                                 static_cast<int>(seconds % 60));
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
