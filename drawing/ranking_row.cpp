#include "drawing/ranking_row.h"

#include <algorithm>

#include "core/rounding.h"

namespace rangwerk {

namespace {

constexpr int kBarAreaWidth = 200;
constexpr int kBarAreaEndGap = 20;  // the bar area ends this far before the right edge
constexpr int kNameEndGap = 244;    // the name column ends this far before the right edge
constexpr int kColumnGap = 4;

constexpr Color kLowestColour = Rgb(255, 0, 0);
constexpr Color kHighestColour = Rgb(0, 255, 0);

}  // namespace

RankingRowLayout LayOutRankingRow(const Rect& rect, std::size_t index,
                                  const std::vector<std::int64_t>& scores, const BarScale& scale,
                                  const std::string& name, const MeasureText& measure,
                                  int textHeight) {
    RankingRowLayout row;
    const std::int64_t score = index < scores.size() ? scores[index] : 0;
    row.textY = (rect.top + rect.bottom - textHeight) / 2;

    // The rank column is as wide as the highest possible number with its point.
    const int rankEnd = rect.left + measure(std::to_string(scores.size()) + ".") + kColumnGap;
    const bool numbered =
        index == 0 || index >= scores.size() || scores[index] != scores[index - 1];
    if (numbered) {
        const std::string number = std::to_string(index + 1) + ".";
        row.rankNumber = PlacedText{number, rankEnd - measure(number)};
    }

    const int nameWidth = rect.right - rect.left - kNameEndGap - rankEnd;
    row.name = PlacedText{ShortenToWidth(name, measure, nameWidth), rankEnd + kColumnGap};

    const int zeroX = rect.right - kBarAreaEndGap - kBarAreaWidth + scale.zeroLine;
    if (scale.maxScore > scale.minScore) {
        const long double range = static_cast<long double>(scale.maxScore - scale.minScore);
        const long double end = (static_cast<long double>(score) / range - 1) * kBarAreaWidth +
                                rect.right - kBarAreaEndGap + scale.zeroLine;
        const int endX = static_cast<int>(RoundHalfEven(end));
        row.bar =
            RowBar{std::min(zeroX, endX), rect.top + 1, std::max(zeroX, endX), rect.bottom - 1,
                   BlendColor(kLowestColour, kHighestColour, score - scale.minScore,
                              scale.maxScore - scale.minScore)};
    }

    // The number stands on the side of the zero line opposite the bar.
    const std::string scoreText = std::to_string(score);
    row.score = PlacedText{scoreText, score > 0 ? zeroX - measure(scoreText) : zeroX};
    return row;
}

}  // namespace rangwerk
