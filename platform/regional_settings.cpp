#include "platform/regional_settings.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace rangwerk {

namespace {

// Appends literal text to a picture, quoting letters so that they are not read as fields.
void AppendLiteral(std::string& picture, char c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c == '\'') {
        picture += "''";
    } else if (letter) {
        picture += '\'';
        picture += c;
        picture += '\'';
    } else {
        picture += c;
    }
}

std::string PictureFromStrftime(std::string_view format, bool time);

void AppendConversion(std::string& picture, char conversion, bool time, bool unpadded) {
    // Without padding ("%-d") a field has one letter.
    if (unpadded && std::string_view("dmHIMS").find(conversion) != std::string_view::npos) {
        AppendConversion(picture, conversion, time, false);
        picture.pop_back();
        return;
    }
    switch (conversion) {
        case 'd':
            picture += "dd";
            break;
        case 'e':
            picture += "d";
            break;
        case 'm':
            picture += "MM";
            break;
        case 'y':
            picture += "yy";
            break;
        case 'Y':
        case 'G':
            picture += "yyyy";
            break;
        case 'D':
            picture += PictureFromStrftime("%m/%d/%y", time);
            break;
        case 'F':
            picture += PictureFromStrftime("%Y-%m-%d", time);
            break;
        case 'H':
            picture += "HH";
            break;
        case 'k':
            picture += "H";
            break;
        case 'I':
            picture += "hh";
            break;
        case 'l':
            picture += "h";
            break;
        case 'M':
            picture += "mm";
            break;
        case 'S':
            picture += "ss";
            break;
        case 'p':
        case 'P':
            picture += "tt";
            break;
        case 'T':
            picture += "HH:mm:ss";
            break;
        case 'R':
            picture += "HH:mm";
            break;
        case 'r':
            picture += "hh:mm:ss tt";
            break;
        case 'n':
            picture += ' ';
            break;
        case 't':
            picture += ' ';
            break;
        case '%':
            picture += '%';
            break;
        default:
            break;  // other fields (weekday names, eras ...) have no place in these pictures
    }
}

std::string PictureFromStrftime(std::string_view format, bool time) {
    std::string picture;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            AppendLiteral(picture, format[i]);
            continue;
        }
        ++i;
        // Flags, widths and the E/O modifiers do not change the fields, but "-" drops padding.
        bool unpadded = false;
        while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' ||
                                     format[i] == '^' || format[i] == '#' || format[i] == 'E' ||
                                     format[i] == 'O' || (format[i] >= '1' && format[i] <= '9'))) {
            unpadded = unpadded || format[i] == '-';
            ++i;
        }
        if (i < format.size()) {
            AppendConversion(picture, format[i], time, unpadded);
        }
    }
    return picture;
}

bool IsField(char c) {
    return c == 'd' || c == 'M' || c == 'y' || c == 'g';
}

}  // namespace

std::string DatePictureFromStrftime(std::string_view format) {
    return PictureFromStrftime(format, false);
}

std::string TimePictureFromStrftime(std::string_view format) {
    return PictureFromStrftime(format, true);
}

std::string DateSeparatorOfPicture(std::string_view picture) {
    std::size_t at = 0;
    while (at < picture.size() && !IsField(picture[at])) {
        ++at;
    }
    while (at < picture.size() && IsField(picture[at])) {
        ++at;
    }
    std::string separator;
    bool quoted = false;
    for (; at < picture.size(); ++at) {
        const char c = picture[at];
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsField(c)) {
            break;
        }
        separator += c;
    }
    return separator.empty() ? "/" : separator;
}

std::string FormatTimeWithPicture(std::string_view picture, int hours, int minutes, int seconds) {
    std::string text;
    auto two = [](int value) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02d", value);
        return std::string(buffer);
    };
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) {
            ++run;
        }
        if (c == '\'') {
            const auto close = picture.find('\'', i + 1);
            if (close == i + 1) {
                text += '\'';
                i += 2;
                continue;
            }
            text.append(
                picture.substr(i + 1, close == std::string_view::npos ? close : close - i - 1));
            i = close == std::string_view::npos ? picture.size() : close + 1;
            continue;
        }
        const int hours12 = hours % 12 == 0 ? 12 : hours % 12;
        switch (c) {
            case 'H':
                text += run >= 2 ? two(hours) : std::to_string(hours);
                break;
            case 'h':
                text += run >= 2 ? two(hours12) : std::to_string(hours12);
                break;
            case 'm':
                text += run >= 2 ? two(minutes) : std::to_string(minutes);
                break;
            case 's':
                text += run >= 2 ? two(seconds) : std::to_string(seconds);
                break;
            case 't':
                text += run >= 2 ? (hours < 12 ? "AM" : "PM") : (hours < 12 ? "A" : "P");
                break;
            default:
                text.append(run, c);
                break;
        }
        i += run;
    }
    return text;
}

#ifdef _WIN32

namespace {

std::string LocaleText(LCTYPE type, const std::string& fallback) {
    wchar_t buffer[128];
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
    if (length <= 1) {
        return fallback;
    }
    return Utf8FromWide(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)));
}

}  // namespace

RegionalSettings ReadRegionalSettings() {
    RegionalSettings settings;
    settings.shortDateFormat = LocaleText(LOCALE_SSHORTDATE, "MM/dd/yy");
    settings.dateSeparator =
        LocaleText(LOCALE_SDATE, DateSeparatorOfPicture(settings.shortDateFormat));
    settings.decimalSeparator = LocaleText(LOCALE_SDECIMAL, ".");
    settings.longTimeFormat = LocaleText(LOCALE_STIMEFORMAT, "HH:mm:ss");
    return settings;
}

#else

RegionalSettings ReadRegionalSettings() {
    RegionalSettings settings{"MM/dd/yy", "/", ".", "HH:mm:ss"};
    locale_t locale = newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) {
        return settings;  // the environment names a locale the system does not have
    }
    if (const char* date = nl_langinfo_l(D_FMT, locale); date != nullptr && *date != '\0') {
        settings.shortDateFormat = DatePictureFromStrftime(date);
        settings.dateSeparator = DateSeparatorOfPicture(settings.shortDateFormat);
    }
    if (const char* radix = nl_langinfo_l(RADIXCHAR, locale); radix != nullptr && *radix != '\0') {
        settings.decimalSeparator = radix;
    }
    if (const char* time = nl_langinfo_l(T_FMT, locale); time != nullptr && *time != '\0') {
        settings.longTimeFormat = TimePictureFromStrftime(time);
    }
    freelocale(locale);
    return settings;
}

#endif

}  // namespace rangwerk
