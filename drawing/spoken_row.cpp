#include "drawing/spoken_row.h"

#include "drawing/ranking_row.h"

namespace rangwerk {

std::string PointsText(std::string_view score) {
    const bool one = score == "1" || score == "-1";
    return std::string(score) + (one ? " Punkt" : " Punkte");
}

std::string SpokenRankingRow(std::size_t index, const std::vector<std::int64_t>& scores,
                             const BarScale& scale, const std::string& name) {
    // The painting's own layout, in a font in which every text fits: the name comes whole.
    const MeasureText fitsAnywhere = [](const std::string&) { return 0; };
    const RankingRowLayout row =
        LayOutRankingRow(Rect{0, 0, 1000, 16}, index, scores, scale, name, fitsAnywhere, 0);
    std::string text;
    if (row.rankNumber)
        text = row.rankNumber->text + " ";
    return text + row.name.text + ", " + PointsText(row.score.text);
}

}  // namespace rangwerk
