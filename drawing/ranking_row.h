#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/scoring.h"
#include "drawing/drawing.h"

namespace rangwerk {

// The bar of a row: left <= right, right and bottom exclusive (a bar of score 0 has no
// width). Drawn with a 1-pixel black outline and filled with `fill`.
struct RowBar {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    Color fill = 0;

    bool operator==(const RowBar&) const = default;
};

// Everything a ranking row shows, in the order it is drawn.
struct RankingRowLayout {
    int textY = 0;
    std::optional<PlacedText> rankNumber;  // none when the row ties with the row above
    PlacedText name;                       // already shortened to its column
    std::optional<RowBar> bar;             // none when every score is the same
    PlacedText score;                      // drawn transparently over the bar

    bool operator==(const RankingRowLayout&) const = default;
};

// Lays out row `index` of a ranking list, `rect` in list coordinates: `scores` are the scores of
// the ranking in row order, `scale` the bar scale of the last ranking step, `name` the option's
// name, `measure` the width of a text and `textHeight` the height of a line in the list's font.
RankingRowLayout LayOutRankingRow(const Rect& rect, std::size_t index,
                                  const std::vector<std::int64_t>& scores, const BarScale& scale,
                                  const std::string& name, const MeasureText& measure,
                                  int textHeight);

}  // namespace rangwerk
