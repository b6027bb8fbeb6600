#include "update/short_date.h"

#include <cstdlib>

#include "base/day_count.h"

namespace rangwerk {

ShortDateFormat ShortDateFormatOf(std::string_view picture, std::string separator) {
    ShortDateFormat format;
    format.order = DateOrder::MonthDayYear;
    format.separator = std::move(separator);
    for (const char c : picture) {
        if (c == 'd' || c == 'D') {
            format.order = DateOrder::DayMonthYear;
            break;
        }
        if (c == 'm' || c == 'M') {
            format.order = DateOrder::MonthDayYear;
            break;
        }
        if (c == 'y' || c == 'Y') {
            format.order = DateOrder::YearMonthDay;
            break;
        }
    }
    return format;
}

ShortDateFormat ShortDateFormatOf(const RegionalSettings& settings) {
    return ShortDateFormatOf(settings.shortDateFormat, settings.dateSeparator);
}

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (at_ < text_.size() && text_[at_] == ' ') {
            ++at_;
        }
    }
    // Up to four digits after blanks; `digits` tells how many were written.
    bool Number(int& value, int& digits) {
        SkipBlanks();
        value = 0;
        digits = 0;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9' && digits < 4) {
            value = value * 10 + (text_[at_] - '0');
            ++digits;
            ++at_;
        }
        return digits > 0;
    }
    bool Text(std::string_view expected) {
        SkipBlanks();
        if (expected.empty() || text_.substr(at_, expected.size()) != expected) {
            return false;
        }
        at_ += expected.size();
        return true;
    }
    bool AtEnd() {
        SkipBlanks();
        return at_ == text_.size();
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

int NearestCentury(int shortYear, int currentYear) {
    int best = shortYear + (currentYear / 100) * 100;
    for (const int shift : {-100, 100}) {
        const int candidate = best + shift;
        const int distance = std::abs(candidate - currentYear);
        const int bestDistance = std::abs(best - currentYear);
        // On a tie (50 years either way) the past wins.
        if (distance < bestDistance || (distance == bestDistance && candidate < best)) {
            best = candidate;
        }
    }
    return best;
}

}  // namespace

std::optional<double> ParseShortDate(std::string_view text, const ShortDateFormat& format,
                                     int currentYear) {
    Scanner scan(text);
    int n1 = 0, n2 = 0, n3 = 0;
    int l1 = 0, l2 = 0, l3 = 0;
    if (!scan.Number(n1, l1) || !scan.Text(format.separator) || !scan.Number(n2, l2)) {
        return std::nullopt;
    }
    int year = 0, month = 0, day = 0;
    if (scan.Text(format.separator)) {
        if (!scan.Number(n3, l3)) {
            return std::nullopt;
        }
        switch (format.order) {
            case DateOrder::DayMonthYear:
                day = n1, month = n2, year = n3;
                break;
            case DateOrder::MonthDayYear:
                month = n1, day = n2, year = n3;
                break;
            case DateOrder::YearMonthDay:
                year = n1, month = n2, day = n3;
                l3 = l1;
                break;
        }
        if (l3 <= 2) {
            year = NearestCentury(year, currentYear);
        }
    } else {
        year = currentYear;
        if (format.order == DateOrder::DayMonthYear) {
            day = n1, month = n2;
        } else {
            month = n1, day = n2;
        }
    }
    if (!scan.AtEnd()) {
        return std::nullopt;
    }
    return DayCountOfDate(year, month, day);
}

}  // namespace rangwerk
