#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/options.h"
#include "core/refusal.h"
#include "core/scoring.h"

namespace rangwerk {

// The item index of the query order choice.
enum class QueryOrder : std::int32_t { None = -1, Unchanged = 0, Alphabetical = 1, Random = 2 };

enum class Answer { FirstSuperior, Tie, SecondSuperior };

// The random generator of the random query order: a linear congruential generator whose next
// value n is mapped to 0 … n-1 through the upper half of a 64-bit product.
std::uint32_t NextRandom(std::uint32_t& seed, std::uint32_t n);

// Moves, for i = 0 … N-1, the option at i + Random(N - i) to position i.
void ShuffleOrder(std::vector<OptionRecord*>& order, std::uint32_t seed);

// Sorts by name with the list quicksort (Windows-1252 order, a-z taken as A-Z).
void SortOrderByName(std::vector<OptionRecord*>& order);

// What a window does at each step of the run, called in this order by NextComparison.
class RunListener {
public:
    virtual ~RunListener() = default;
    // First: re-evaluate and repaint the combination diagram when it is showing.
    virtual void RefreshCombinations() {}
    // After the ranking step: repaint the live ranking.
    virtual void RankingChanged() {}
    // After the last pair: show the result page.
    virtual void RunFinished() {}
    // The pair to show: names and information texts, normal font on the answer buttons.
    virtual void ShowPair(int /*firstIndex*/, int /*secondIndex*/) {}
    // Then the recorded answer of the pair (+1, 0, -1), or nothing when it is undecided.
    virtual void ShowRecordedAnswer(std::optional<std::int32_t> /*outcome*/) {}
};

// The walk through all pairs of the option list, the answers, and the ranking at every step.
class ComparisonRun {
public:
    ComparisonRun(OptionList& options, const ScoreSettings& settings)
        : options_(options), settings_(settings) {}

    void SetListener(RunListener* listener) { listener_ = listener; }

    // Prepares a run: checks the points and the query order, reorders the option list, makes
    // the ranking list, clears the answers unless they are kept, and sets the pair to (0, 0).
    // The window then shows the comparison page and calls NextComparison(false).
    std::optional<Refusal> Start(QueryOrder order, bool keepAnswers, std::uint32_t seed);

    // The step routine: refresh, rank, move one pair forward or backward, show the pair;
    // after the last pair the run finishes instead.
    void NextComparison(bool backwards);

    // Records the answer for the current pair and steps forward.
    void Record(Answer answer);

    // Positions the left choose-option menu offers (0 … N-2), and the right one (after first).
    std::vector<int> ChoosableFirst() const;
    std::vector<int> ChoosableSecond() const;
    void ChooseFirst(int position);
    void ChooseSecond(int position);

    // Back from the result page: the same pair again, or the first pair after a finished run.
    void Resume();

    // Sets the pair saved in a project file: the ranking list is made from the option list and
    // the step routine (called next by the window) lands exactly on (first, second).
    void Restore(int first, int second);

    // Ends the run's hold on the options (they are about to be discarded).
    void Clear();

    // The outcome recorded for the current pair from the first option's side, if decided.
    std::optional<std::int32_t> RecordedAnswer() const;

    int FirstIndex() const { return firstIndex_; }
    int SecondIndex() const { return secondIndex_; }
    const RankingList& Ranking() const { return ranking_; }
    RankingList& Ranking() { return ranking_; }
    const BarScale& Scale() const { return scale_; }
    // The scores of the ranking list in row order, as the last ranking step found them (the
    // list's own order before the first step); what the ranking lists draw.
    const std::vector<std::int64_t>& Scores() const { return scores_; }

    // Drops one option from the ranking list (the option is being removed).
    void Forget(const OptionRecord* option);

private:
    // Positions one step back, then the step routine forward: lands on the current pair.
    void ShowCurrentPair();
    // Reads the scores of the ranking list in its present order.
    void KeepScores();

    OptionList& options_;
    const ScoreSettings& settings_;
    RunListener* listener_ = nullptr;
    RankingList ranking_;
    BarScale scale_;
    std::vector<std::int64_t> scores_;
    int firstIndex_ = 0;
    int secondIndex_ = 0;
};

// Records an answer for the pair of options given by list position, both entries together.
void RecordAnswer(OptionRecord& first, OptionRecord& second, Answer answer);

}  // namespace rangwerk
