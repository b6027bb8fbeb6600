#include "drawing/diagram_row.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/rounding.h"

namespace rangwerk {
namespace {

constexpr Color kLowestColor = Rgb(255, 0, 0);
constexpr Color kHighestColor = Rgb(0, 255, 0);

// The rounded value in tenths as decimal digits (at least one), from the 18 significant digits
// of the magnitude.
std::string TenthsDigits(long double magnitude) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17Le", magnitude);
    // buffer: d.ddddddddddddddddde[+-]xx
    std::string digits;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    }
    const long exponent = *p == 'e' ? std::strtol(p + 1, nullptr, 10) : 0;

    // Keep the digits down to the tenths: the integer digits (exponent + 1) and one more.
    const long keep = exponent + 2;
    if (keep < 0)
        return "0";
    std::string kept;
    bool roundUp = false;
    if (keep >= static_cast<long>(digits.size())) {
        kept = digits + std::string(static_cast<size_t>(keep) - digits.size(), '0');
    } else {
        kept = digits.substr(0, static_cast<size_t>(keep));
        roundUp = digits[static_cast<size_t>(keep)] >= '5';
    }
    if (roundUp) {
        long i = static_cast<long>(kept.size()) - 1;
        for (; i >= 0 && kept[static_cast<size_t>(i)] == '9'; --i)
            kept[static_cast<size_t>(i)] = '0';
        if (i < 0) {
            kept = "1" + kept;
        } else {
            ++kept[static_cast<size_t>(i)];
        }
    }
    if (kept.empty())
        return std::string(1, '0');
    return kept;
}

}  // namespace

std::string FormatResult(long double value, std::string_view decimalSeparator) {
    if (!std::isfinite(value))
        return "0";
    const std::string tenths = TenthsDigits(std::fabs(value));
    std::string whole = tenths.substr(0, tenths.size() - 1);
    const char digit = tenths.back();
    const size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
    if (whole == "0" && digit == '0')
        return "0";

    std::string text = value < 0 ? "-" : "";
    text += whole;
    if (digit != '0') {
        text += decimalSeparator;
        text += digit;
    }
    return text;
}

DiagramRow LayDiagramRow(std::size_t index, const Rect& rect, bool sorted,
                         const CombinationList& list, const CombinationEvaluation& evaluation,
                         const DiagramFont& font, std::string_view decimalSeparator) {
    DiagramRow row;
    if (index >= list.Count())
        return row;
    if (sorted && index >= evaluation.sorted.size())
        return row;
    row.draw = true;

    // Every text of the row is centred on the same line.
    row.textY = (rect.top + rect.bottom - font.textHeight) / 2;

    const CombinationRecord& record = sorted ? *evaluation.sorted[index] : list.At(index);
    if (sorted) {
        const int widest = font.measure(std::to_string(list.Count()) + ".");
        row.nameX = rect.left + widest + 8;
        // A result equal to the one above carries no rank of its own.
        if (index == 0 || record.result != evaluation.sorted[index - 1]->result) {
            PlacedText rank;
            rank.text = std::to_string(index + 1) + ".";
            rank.x = row.nameX - 4 - font.measure(rank.text);
            row.rank = rank;
        }
    } else {
        row.nameX = rect.left + 4;
    }

    row.name.text = ShortenToWidth(record.name, font.measure, rect.right - 300 - row.nameX);
    row.name.x = row.nameX;

    const long double minResult = evaluation.minResult;
    const long double maxResult = evaluation.maxResult;
    const int zeroLine =
        rect.right - kDiagramBarRightMargin - kDiagramBarArea + evaluation.zeroOffset;

    // The range in tenths; with a range of at least 0.05 the division below is safe.
    const std::int64_t range = RoundHalfEven(maxResult * 10 - minResult * 10);
    if (range > 0 && !record.members.empty()) {
        const std::int64_t position = RoundHalfEven(record.result * 10 - minResult * 10);
        DiagramBar bar;
        bar.color = BlendColor(kLowestColor, kHighestColor, position, range);
        bar.x1 = zeroLine;
        bar.x2 = static_cast<int>(
            RoundHalfEven((record.result / (maxResult - minResult) - 1) * kDiagramBarArea +
                          rect.right - kDiagramBarRightMargin + evaluation.zeroOffset));
        bar.top = rect.top + 1;
        bar.bottom = rect.bottom - 1;
        row.bar = bar;
    }

    // The value stands on the side of the zero line opposite its bar.
    row.value.text = FormatResult(record.result, decimalSeparator);
    row.value.x = record.result > 0 ? zeroLine - font.measure(row.value.text) : zeroLine;
    return row;
}

}  // namespace rangwerk
