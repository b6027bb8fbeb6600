#pragma once

#include <string>
#include <string_view>

namespace rangwerk {

// The user's regional settings that the online update uses. Formats are Windows pictures:
// the short date "dd.MM.yyyy" (d, M, y fields; anything else separates them) and the long time
// "HH:mm:ss" (H/HH 24-hour, h/hh 12-hour, m/mm minutes, s/ss seconds, t/tt the AM/PM marker,
// text in single quotes literal). Separators are UTF-8 texts.
struct RegionalSettings {
    std::string shortDateFormat = "dd.MM.yyyy";
    std::string dateSeparator = ".";
    std::string decimalSeparator = ",";
    std::string longTimeFormat = "HH:mm:ss";

    bool operator==(const RegionalSettings&) const = default;
};

// The settings of the user, read afresh on each call. On Windows from the user's locale
// settings; elsewhere from the locale of the environment (LC_TIME, LC_NUMERIC), so that de_DE
// gives "dd.MM.yyyy", "." and ",". A setting the system does not report keeps the value of the
// C locale ("MM/dd/yy", "/", ".", "HH:mm:ss").
RegionalSettings ReadRegionalSettings();

// Conversions of the C library's date and time formats (nl_langinfo D_FMT, T_FMT) into
// pictures: "%d.%m.%Y" gives "dd.MM.yyyy", "%T" gives "HH:mm:ss", "%I:%M:%S %p" "hh:mm:ss tt".
std::string DatePictureFromStrftime(std::string_view format);
std::string TimePictureFromStrftime(std::string_view format);

// The separator of a date picture: the text between its first two fields ("/" when none).
std::string DateSeparatorOfPicture(std::string_view picture);

// A time of day written with a long time picture; hours 0 to 23. AM/PM markers are "AM", "PM".
std::string FormatTimeWithPicture(std::string_view picture, int hours, int minutes, int seconds);

}  // namespace rangwerk
