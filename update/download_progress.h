#pragma once

#include <cstdint>
#include <string>

namespace rangwerk {

// The user's regional settings that the progress display needs.
struct ProgressFormat {
    std::string decimalSeparator = ",";
    // The long time format in the Windows notation: h/hh hours, n/nn (or m/mm after an hour)
    // minutes, s/ss seconds, "AM/PM", "am/pm", "a/p" or "ampm" for a 12-hour clock, text in
    // single or double quotes taken literally. Letters compare without case, so Qt's "HH:mm:ss"
    // reads the same.
    std::string longTimeFormat = "hh:nn:ss";
};

// A fraction of a day (whole days are dropped) written as a time of day in `format`.
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
