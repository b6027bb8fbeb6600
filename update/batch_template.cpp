#include "update/batch_template.h"

#include <cstddef>

namespace rangwerk {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// No line of a batch file needs a field wider than this; a larger number is a mistake.
constexpr int kLargestNumber = 9999;

// Reads a decimal number at `pos`; false when it is larger than kLargestNumber.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value) {
    int v = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        v = v * 10 + (text[pos] - '0');
        if (v > kLargestNumber) {
            return false;
        }
        ++pos;
    }
    value = static_cast<int>(v);
    return true;
}

// Byte length of the first `count` characters of `value`.
std::size_t PrefixBytes(std::string_view value, std::size_t count, TextUnits units) {
    if (units == TextUnits::Bytes) {
        return count < value.size() ? count : value.size();
    }
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < value.size(); ++n) {
        ++pos;
        while (pos < value.size() && (static_cast<unsigned char>(value[pos]) & 0xC0) == 0x80) {
            ++pos;  // continuation bytes belong to the same character
        }
    }
    return pos;
}

std::size_t CharacterCount(std::string_view value, TextUnits units) {
    if (units == TextUnits::Bytes) {
        return value.size();
    }
    std::size_t count = 0;
    for (const char c : value) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

[[noreturn]] void Malformed(const char* why) {
    throw TemplateError(std::string("Die Formatangabe ist ungültig: ") + why + ".");
}

}  // namespace

std::string FormatTemplate(std::string_view line, const std::vector<std::string>& values,
                           TextUnits units) {
    std::string out;
    out.reserve(line.size() + 64);
    std::size_t next = 0;  // the value "%s" takes
    std::size_t pos = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c != '%') {
            out += c;
            ++pos;
            continue;
        }
        ++pos;
        if (pos < line.size() && line[pos] == '%') {
            out += '%';
            ++pos;
            continue;
        }
        // "%" [index ":"] ["-"] [width] ["." precision] "s"
        std::size_t scan = pos;
        int number = 0;
        bool haveNumber = false;
        if (scan < line.size() && IsDigit(line[scan])) {
            if (!ReadNumber(line, scan, number)) {
                Malformed("die Zahl ist zu groß");
            }
            haveNumber = true;
        }
        if (haveNumber && scan < line.size() && line[scan] == ':') {
            next = static_cast<std::size_t>(number);
            ++scan;
            haveNumber = false;
        }
        bool left = false;
        if (!haveNumber && scan < line.size() && line[scan] == '-') {
            left = true;
            ++scan;
        }
        int width = 0;
        if (haveNumber) {
            width = number;
        } else if (scan < line.size() && IsDigit(line[scan])) {
            if (!ReadNumber(line, scan, width)) {
                Malformed("die Breite ist zu groß");
            }
        }
        bool havePrecision = false;
        int precision = 0;
        if (scan < line.size() && line[scan] == '.') {
            ++scan;
            havePrecision = true;
            if (!ReadNumber(line, scan, precision)) {
                Malformed("die Genauigkeit ist zu groß");
            }
        }
        if (scan >= line.size()) {
            Malformed(
                "ein einzelnes \"%\" am Zeilenende (ein Prozentzeichen wird als "
                "\"%%\" geschrieben)");
        }
        if (line[scan] != 's' && line[scan] != 'S') {
            Malformed(
                "nur \"%s\" ist erlaubt (ein Prozentzeichen wird als \"%%\" "
                "geschrieben)");
        }
        if (next >= values.size()) {
            Malformed("es gibt keinen Wert für diese Stelle");
        }
        std::string_view value = values[next++];
        if (havePrecision) {
            value = value.substr(0, PrefixBytes(value, static_cast<std::size_t>(precision), units));
        }
        const std::size_t length = CharacterCount(value, units);
        const std::size_t padding =
            static_cast<std::size_t>(width) > length ? static_cast<std::size_t>(width) - length : 0;
        if (!left) {
            out.append(padding, ' ');
        }
        out += value;
        if (left) {
            out.append(padding, ' ');
        }
        pos = scan + 1;
    }
    return out;
}

}  // namespace rangwerk
