#include "core/scoring.h"

#include <charconv>

#include "core/quicksort.h"
#include "core/rounding.h"

namespace rangwerk {

std::optional<Refusal> CheckScoreSettings(const ScoreSettings& settings) {
    if (settings.superior == settings.inferior) {
        return Refusal{
            "Die Punteanzahl für die überlegene Option muss sich von der der unterlegenen Option "
            "unterscheiden.",
            "Ungültige Werte"};
    }
    return std::nullopt;
}

std::int64_t OptionScore(const OptionRecord& option, const ScoreSettings& settings) {
    const OutcomeCounts& c = option.counts;
    return c.superior * settings.superior + c.tie * settings.tie + c.inferior * settings.inferior;
}

BarScale RankOptions(RankingList& ranking, const ScoreSettings& settings,
                     std::vector<std::int64_t>* scores) {
    BarScale scale;
    if (scores)
        scores->clear();
    if (ranking.empty())
        return scale;

    // Each score is read once for this step from the kept counts; the sort compares these
    // values, which gives the same order as computing them afresh at every comparison.
    struct Scored {
        OptionRecord* option;
        std::int64_t score;
    };
    std::vector<Scored> items;
    items.reserve(ranking.size());
    for (OptionRecord* o : ranking) items.push_back({o, OptionScore(*o, settings)});
    QuickSort(items, [](const Scored& a, const Scored& b) {
        return a.score > b.score ? -1 : (a.score < b.score ? 1 : 0);
    });
    for (std::size_t i = 0; i < items.size(); ++i) ranking[i] = items[i].option;
    if (scores) {
        scores->reserve(items.size());
        for (const Scored& item : items) scores->push_back(item.score);
    }

    scale.maxScore = items.front().score;
    scale.minScore = items.back().score;
    if (scale.minScore >= 0) {
        scale.zeroLine = 0;
        scale.minScore = 0;
    } else if (scale.maxScore <= 0) {
        scale.zeroLine = 200;
        scale.maxScore = 0;
    } else {
        // Multiplying before dividing keeps a result that lies exactly on a half exact, so
        // that it rounds to the even neighbour as it should.
        const long double position = -static_cast<long double>(scale.minScore) * 200 /
                                     static_cast<long double>(scale.maxScore - scale.minScore);
        scale.zeroLine = static_cast<std::int32_t>(RoundHalfEven(position));
    }
    return scale;
}

int RankNumber(const RankingList& ranking, std::size_t index, const ScoreSettings& settings) {
    if (index == 0)
        return 1;
    if (OptionScore(*ranking.at(index), settings) !=
        OptionScore(*ranking.at(index - 1), settings)) {
        return static_cast<int>(index) + 1;
    }
    return 0;
}

std::int32_t PointsFromText(std::string_view text) {
    std::int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // One sign at most: a plus is skipped here, a minus is read by from_chars.
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-')
            return 0;
    }
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last)
        return 0;
    return value;
}

}  // namespace rangwerk
