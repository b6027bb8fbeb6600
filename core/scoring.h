#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "core/refusal.h"

namespace rangwerk {

// Points for a superior, an equal and an inferior option.
struct ScoreSettings {
    std::int32_t superior = 1;
    std::int32_t tie = 0;
    std::int32_t inferior = -1;

    bool operator==(const ScoreSettings&) const = default;
};

// The ranking order of options: options ranked by score, highest first.
using RankingList = std::vector<OptionRecord*>;

// Where the ranking lists draw their bars: the score range and the zero line inside the
// 200-pixel bar area.
struct BarScale {
    std::int64_t maxScore = 0;
    std::int64_t minScore = 0;
    std::int32_t zeroLine = 0;

    bool operator==(const BarScale&) const = default;
};

// Refuses equal points for the superior and the inferior option.
std::optional<Refusal> CheckScoreSettings(const ScoreSettings& settings);

// The points of one option: the sum over its decided entries, read from the option's kept
// counts times the current points (no entry is looked at). Scores are computed in 64 bits,
// so extreme point values cannot overflow.
std::int64_t OptionScore(const OptionRecord& option, const ScoreSettings& settings);

// The ranking step: sorts the list by score, highest first, with the list quicksort starting
// from the list's current order, and returns the bar scale of the new order. `scores`, when
// given, receives the scores in the new order.
BarScale RankOptions(RankingList& ranking, const ScoreSettings& settings,
                     std::vector<std::int64_t>* scores = nullptr);

// Rank number of row `index` (from 1), or 0 when the row ties with the row above.
int RankNumber(const RankingList& ranking, std::size_t index, const ScoreSettings& settings);

// The value of a points field: its text as a whole number, 0 for anything else.
std::int32_t PointsFromText(std::string_view text);

}  // namespace rangwerk
