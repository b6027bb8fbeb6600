#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/scoring.h"

namespace rangwerk {

// What a screen reader says for row `index` of a ranking list: "1. Apfel, 10 Punkte", and for
// a row tied with the one above no rank number ("Birne, 10 Punkte"). The rank number and the
// score are those the row's layout paints; the name is given whole. `scores` are the scores of
// the ranking in row order, `scale` the bar scale of the last ranking step.
std::string SpokenRankingRow(std::size_t index, const std::vector<std::int64_t>& scores,
                             const BarScale& scale, const std::string& name);

// A score with its unit as the reader says it: "1 Punkt" and "-1 Punkt", otherwise "Punkte"
// ("0 Punkte", "10 Punkte").
std::string PointsText(std::string_view score);

}  // namespace rangwerk
