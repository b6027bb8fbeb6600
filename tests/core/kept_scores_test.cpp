// The scores kept with the options against a full recount, after every kind of change.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "core/options.h"
#include "core/quicksort.h"
#include "core/run.h"
#include "core/scoring.h"

namespace rangwerk {
namespace {

// The score as the rules define it: every decided entry looked at.
std::int64_t RecountedScore(const OptionRecord& option, const ScoreSettings& s) {
    std::int64_t sum = 0;
    for (const ResultEntry& e : option.results) {
        if (!e.decided)
            continue;
        if (e.outcome == 1)
            sum += s.superior;
        if (e.outcome == 0)
            sum += s.tie;
        if (e.outcome == -1)
            sum += s.inferior;
    }
    return sum;
}

// The ranking step as the rules describe it: the quicksort recounting at every comparison.
void QuickSortByRecount(RankingList& ranking, const ScoreSettings& s) {
    QuickSort(ranking, [&](const OptionRecord* a, const OptionRecord* b) {
        const std::int64_t x = RecountedScore(*a, s);
        const std::int64_t y = RecountedScore(*b, s);
        return x > y ? -1 : (x < y ? 1 : 0);
    });
}

// Every kept count and score equals a recount; the run's kept scores match its ranking.
void ExpectKeptScoresExact(const OptionList& list, const ComparisonRun& run, const ScoreSettings& s,
                           bool ranked, const std::string& step) {
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const OptionRecord& o = list.At(i);
        ASSERT_EQ(o.counts, CountOutcomes(o.results)) << step << ", option " << i;
        ASSERT_EQ(OptionScore(o, s), RecountedScore(o, s)) << step << ", option " << i;
    }
    const RankingList& ranking = run.Ranking();
    ASSERT_EQ(run.Scores().size(), ranking.size()) << step;
    if (!ranked)
        return;
    // Right after a ranking step the run's scores are those of its rows.
    for (std::size_t i = 0; i < ranking.size(); ++i) {
        ASSERT_EQ(run.Scores()[i], RecountedScore(*ranking[i], s)) << step << ", row " << i;
    }
}

TEST(KeptScores, EqualAFullRecountAfterEveryOperation) {
    std::mt19937 rng(20261208);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    for (int round = 0; round < 20; ++round) {
        OptionList list;
        ScoreSettings settings{1, 0, -1};
        ComparisonRun run(list, settings);
        int added = 0;
        for (int k = 0; k < 6; ++k) list.AddOption("O" + std::to_string(added++), "");
        ASSERT_EQ(run.Start(QueryOrder::Unchanged, true, 1), std::nullopt);
        run.NextComparison(false);

        for (int step = 0; step < 300; ++step) {
            const std::size_t n = list.Count();
            std::string what;
            bool ranked = false;
            switch (rng() % 9) {
                case 0:
                case 1: {  // an answer for any pair, over an earlier one or not
                    what = "answer";
                    const std::size_t a = pick(n);
                    std::size_t b = pick(n);
                    if (a == b)
                        b = (a + 1) % n;
                    RecordAnswer(list.At(a), list.At(b), static_cast<Answer>(rng() % 3));
                    break;
                }
                case 2:  // an answer through the run, with its ranking step
                    what = "run answer";
                    if (run.FirstIndex() < run.SecondIndex() &&
                        run.SecondIndex() < static_cast<int>(n)) {
                        run.Record(static_cast<Answer>(rng() % 3));
                        ranked = true;
                    }
                    break;
                case 3:  // a new run that clears or keeps the answers
                    what = "start";
                    ASSERT_EQ(run.Start(static_cast<QueryOrder>(rng() % 3), rng() % 2 == 0, rng()),
                              std::nullopt);
                    run.NextComparison(false);
                    ranked = true;
                    break;
                case 4:
                    what = "move";
                    list.MoveOption(pick(n), rng() % 2 == 0);
                    break;
                case 5:
                    what = "remove";
                    if (n > 3) {
                        const std::size_t i = pick(n);
                        run.Forget(&list.At(i));
                        list.RemoveOption(i);
                    }
                    break;
                case 6:
                    what = "add";
                    list.AddOption("O" + std::to_string(added++), "");
                    run.Restore(0, 1);
                    break;
                case 7: {  // other points: nothing is recounted, the scores follow
                    what = "points";
                    std::uniform_int_distribution<std::int32_t> points(-5, 5);
                    do {
                        settings = {points(rng), points(rng), points(rng)};
                    } while (settings.superior == settings.inferior);
                    break;
                }
                case 8: {  // the options as read from a file, with whatever counts they bring
                    what = "load";
                    std::vector<std::unique_ptr<OptionRecord>> copies;
                    for (std::size_t i = 0; i < n; ++i) {
                        auto copy = std::make_unique<OptionRecord>(list.At(i));
                        copy->counts = OutcomeCounts{99, -7, 3};
                        copies.push_back(std::move(copy));
                    }
                    run.Clear();
                    list.RemoveAllOptions();
                    for (auto& copy : copies) list.AppendRecord(std::move(copy));
                    run.Restore(0, 1);
                    break;
                }
            }
            ExpectKeptScoresExact(list, run, settings, ranked,
                                  what + " at step " + std::to_string(step));
            if (::testing::Test::HasFatalFailure())
                return;

            // A ranking step with the kept scores orders exactly as one that recounts
            // at every comparison.
            if (step % 10 == 0) {
                RankingList kept = run.Ranking();
                RankingList recounted = kept;
                std::vector<std::int64_t> scores;
                RankOptions(kept, settings, &scores);
                QuickSortByRecount(recounted, settings);
                ASSERT_EQ(kept, recounted) << what;
                for (std::size_t i = 0; i < kept.size(); ++i) {
                    ASSERT_EQ(scores[i], RecountedScore(*kept[i], settings));
                }
            }
        }
    }
}

}  // namespace
}  // namespace rangwerk
