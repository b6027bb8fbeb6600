#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "combinations/combination_model.h"
#include "drawing/drawing.h"

namespace rangwerk {

// Width of the bar area of the diagram and its distance from the right edge of a row.
inline constexpr int kDiagramBarArea = 260;
inline constexpr int kDiagramBarRightMargin = 20;

// The bar of a row: a rectangle with a black 1-pixel outline filled with `color`, from x1 (the
// zero line) to x2 and from top to bottom, right and bottom edges exclusive. x2 lies left of
// x1 for a negative result; x1 == x2 gives a bar without width.
struct DiagramBar {
    int x1 = 0;
    int x2 = 0;
    int top = 0;
    int bottom = 0;
    Color color = 0;

    bool operator==(const DiagramBar&) const = default;
};

// Everything that one diagram row shows.
struct DiagramRow {
    bool draw = false;  // false: the row lies beyond the combinations, nothing is drawn
    int textY = 0;      // top of every text of the row
    int nameX = 0;
    std::optional<PlacedText> rank;  // sorted mode, and not tied with the row above
    PlacedText name;                 // shortened to fit left of the bar area
    std::optional<DiagramBar> bar;   // only when the results span a range
    PlacedText value;                // drawn without background, over the bar
};

// What the row needs of the list's font: text widths and the height of a line of text.
struct DiagramFont {
    MeasureText measure;
    int textHeight = 0;
};

// Lays out row `index` of the diagram from the last evaluation. Sorted mode shows the
// result-sorted order with rank labels, otherwise the list order. A combination without
// members is shown with its name and the value 0 but no bar.
DiagramRow LayDiagramRow(std::size_t index, const Rect& rect, bool sorted,
                         const CombinationList& list, const CombinationEvaluation& evaluation,
                         const DiagramFont& font, std::string_view decimalSeparator);

// A result as the diagram shows it (pattern "0.#"): one decimal digit, rounded half away from
// zero from the number's 18-significant-digit decimal form; the digit and the separator are
// left out when the digit is 0, and a value that rounds to 0 shows as "0" without sign.
std::string FormatResult(long double value, std::string_view decimalSeparator);

}  // namespace rangwerk
