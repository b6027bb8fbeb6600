#pragma once

#include <cstdint>
#include <string>

namespace rangwerk {

// The user's regional settings that the progress display needs.
struct ProgressFormat {
    std::string decimalSeparator = ",";
    // The long time picture as RegionalSettings holds it (see FormatTimeWithPicture).
    std::string longTimeFormat = "HH:mm:ss";
};

// A fraction of a day (whole days are dropped) written as a time of day with the picture
// `format` (rounded to the millisecond, whole seconds shown).
std::string FormatTimeOfDay(double days, const std::string& format);

// What the download page shows at one progress report.
struct DownloadDisplay {
    std::uint64_t position = 0;  // the progress bar's position
    std::uint64_t maximum = 0;   // the progress bar's maximum
    std::string percent;         // `PerCent`, e.g. "50 %"
    std::string status;          // `StatusLabel`, e.g. "1,5 MB von 3 MB gedownloadet"
    std::string timeLeft;        // `TimeLeft`, e.g. "verbleibende Zeit: 00:00:30"
};

// The display for `received` of `maximum` bytes (maximum > 0) after `elapsedSeconds` since the
// download began. The time left is (maximum / received - 1) times the elapsed time, 0 while no
// byte has arrived.
DownloadDisplay MakeDownloadDisplay(std::uint64_t received, std::uint64_t maximum,
                                    double elapsedSeconds, const ProgressFormat& format);

}  // namespace rangwerk
