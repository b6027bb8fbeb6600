#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "core/quicksort.h"
#include "core/run.h"
#include "core/scoring.h"

namespace rangwerk {
namespace {

// An independent transcription of the list quicksort, with an explicit work list instead of
// recursion: i and j run towards each other around the remembered pivot element, the left
// part is sorted first, then the right part continues.
template <class T, class Cmp>
void ReferenceSort(std::vector<T>& a, Cmp cmp) {
    if (a.empty())
        return;
    std::vector<std::pair<long, long>> work{{0, static_cast<long>(a.size()) - 1}};
    // Recursion order matters only for the result, and the left part never overlaps the right
    // one, so processing the left part before continuing right matches the original exactly.
    while (!work.empty()) {
        auto [L, R] = work.back();
        work.pop_back();
        for (;;) {
            long i = L, j = R;
            T pivot = a[static_cast<size_t>((L + R) / 2)];
            while (i <= j) {
                while (cmp(a[static_cast<size_t>(i)], pivot) < 0) i++;
                while (cmp(a[static_cast<size_t>(j)], pivot) > 0) j--;
                if (i <= j) {
                    T t = a[static_cast<size_t>(i)];
                    a[static_cast<size_t>(i)] = a[static_cast<size_t>(j)];
                    a[static_cast<size_t>(j)] = t;
                    i++;
                    j--;
                }
            }
            if (L < j) {
                work.push_back({i, R});  // resumed after the left part
                work.push_back({L, j});
                break;
            }
            L = i;
            if (i >= R)
                break;
        }
    }
}

struct Item {
    int key;
    int tag;  // tells equal keys apart
};

int Descending(const Item& a, const Item& b) {
    return a.key > b.key ? -1 : (a.key < b.key ? 1 : 0);
}

std::vector<int> Tags(const std::vector<Item>& v) {
    std::vector<int> t;
    for (const auto& i : v) t.push_back(i.tag);
    return t;
}

TEST(QuickSort, KnownTieOrders) {
    // Worked by hand through the procedure: the pivot is the middle element, equal elements
    // are swapped across it.
    std::vector<Item> v{{5, 0}, {5, 1}, {5, 2}};
    QuickSort(v, Descending);
    EXPECT_EQ(Tags(v), (std::vector<int>{2, 1, 0})) << "three ties reverse";
    std::vector<Item> w{{1, 0}, {1, 1}};
    QuickSort(w, Descending);
    EXPECT_EQ(Tags(w), (std::vector<int>{1, 0}));
    std::vector<Item> empty;
    QuickSort(empty, Descending);
    EXPECT_TRUE(empty.empty());
}

TEST(QuickSort, MatchesTheReferenceOnManyListsWithTies) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        const int n = 1 + static_cast<int>(rng() % 40);
        const int distinct = 1 + static_cast<int>(rng() % 5);
        std::vector<Item> v;
        for (int k = 0; k < n; ++k) v.push_back({static_cast<int>(rng() % distinct), k});
        std::vector<Item> expected = v;
        ReferenceSort(expected, Descending);
        QuickSort(v, Descending);
        ASSERT_EQ(Tags(v), Tags(expected)) << "round " << round;
        for (size_t k = 1; k < v.size(); ++k) ASSERT_GE(v[k - 1].key, v[k].key);
    }
}

class ScoringTest : public ::testing::Test {
protected:
    OptionRecord& Add(const std::string& name) { return list.AddOption(name, ""); }
    OptionList list;
    ScoreSettings settings{1, 0, -1};
};

TEST_F(ScoringTest, DefaultPointsRankNumbersAndZeroLine) {
    OptionRecord& a = Add("A");
    OptionRecord& b = Add("B");
    OptionRecord& c = Add("C");
    RecordAnswer(a, b, Answer::FirstSuperior);
    RecordAnswer(a, c, Answer::FirstSuperior);
    RecordAnswer(b, c, Answer::Tie);
    EXPECT_EQ(OptionScore(a, settings), 2);
    EXPECT_EQ(OptionScore(b, settings), -1);
    EXPECT_EQ(OptionScore(c, settings), -1);

    RankingList ranking = list.InOrder();
    const BarScale scale = RankOptions(ranking, settings);
    EXPECT_EQ(ranking[0], &a);
    EXPECT_EQ(scale, (BarScale{2, -1, 67}));
    EXPECT_EQ(RankNumber(ranking, 0, settings), 1);
    EXPECT_EQ(RankNumber(ranking, 1, settings), 2);
    EXPECT_EQ(RankNumber(ranking, 2, settings), 0);
}

TEST_F(ScoringTest, NoAnswersGiveZeroEverywhere) {
    Add("A");
    Add("B");
    Add("C");
    RankingList ranking = list.InOrder();
    const ScoreSettings s{3, 1, 0};
    EXPECT_EQ(RankOptions(ranking, s), (BarScale{0, 0, 0}));
    EXPECT_EQ(RankNumber(ranking, 0, s), 1);
    EXPECT_EQ(RankNumber(ranking, 1, s), 0);
    EXPECT_EQ(RankNumber(ranking, 2, s), 0);
}

TEST_F(ScoringTest, AllNegativeScoresPutTheZeroLineRight) {
    OptionRecord& a = Add("A");
    OptionRecord& b = Add("B");
    RecordAnswer(a, b, Answer::Tie);
    RankingList ranking = list.InOrder();
    const BarScale scale = RankOptions(ranking, ScoreSettings{1, -2, -3});
    EXPECT_EQ(scale, (BarScale{0, -2, 200}));
}

TEST_F(ScoringTest, UndecidedEntriesNeverCount) {
    OptionRecord& a = Add("A");
    OptionRecord& b = Add("B");
    RecordAnswer(a, b, Answer::FirstSuperior);
    for (auto& e : a.results) e.decided = false;
    for (auto& e : b.results) e.decided = false;
    RecountOutcomes(a);
    RecountOutcomes(b);
    EXPECT_EQ(OptionScore(a, settings), 0);
    // An outcome outside +1/0/-1 adds nothing either.
    SetResultEntry(a, 1, {b.id, 7, true});
    EXPECT_EQ(OptionScore(a, settings), 0);
}

TEST_F(ScoringTest, ZeroLineRoundsHalvesToEven) {
    // Scores -1 and 7: 1/8 of 200 = 25 exactly; -1 and 79: 2.5 rounds to 2; -3 and 5: 75.
    auto zeroLineFor = [&](int low, int high) {
        OptionList l;
        OptionRecord& x = l.AddOption("x", "");
        OptionRecord& y = l.AddOption("y", "");
        RecordAnswer(x, y, Answer::FirstSuperior);
        RankingList r = l.InOrder();
        return RankOptions(r, ScoreSettings{high, 0, low}).zeroLine;
    };
    EXPECT_EQ(zeroLineFor(-1, 7), 25);
    EXPECT_EQ(zeroLineFor(-1, 79), 2);
    EXPECT_EQ(zeroLineFor(-3, 5), 75);
    EXPECT_EQ(zeroLineFor(-1, 1), 100);
    EXPECT_EQ(zeroLineFor(-5, 3), 125);
    EXPECT_EQ(zeroLineFor(-1, 15), 12) << "12.5 rounds to 12";
    EXPECT_EQ(zeroLineFor(-3, 13), 38) << "37.5 rounds to 38";
}

TEST_F(ScoringTest, ExtremePointsDoNotOverflow) {
    OptionRecord& a = Add("A");
    OptionRecord& b = Add("B");
    OptionRecord& c = Add("C");
    RecordAnswer(a, b, Answer::FirstSuperior);
    RecordAnswer(a, c, Answer::FirstSuperior);
    RecordAnswer(b, c, Answer::FirstSuperior);
    const ScoreSettings s{INT32_MAX, 0, INT32_MIN};
    EXPECT_EQ(OptionScore(a, s), 2LL * INT32_MAX);
    EXPECT_EQ(OptionScore(c, s), 2LL * INT32_MIN);
    RankingList ranking = list.InOrder();
    const BarScale scale = RankOptions(ranking, s);
    EXPECT_EQ(ranking.front(), &a);
    EXPECT_EQ(ranking.back(), &c);
    EXPECT_EQ(scale.zeroLine, 100);
}

TEST_F(ScoringTest, RankingMatchesTheUncachedReferenceOnRandomMatrices) {
    std::mt19937 rng(77);
    for (int round = 0; round < 200; ++round) {
        OptionList l;
        const int n = 2 + static_cast<int>(rng() % 14);
        for (int k = 0; k < n; ++k) l.AddOption("o" + std::to_string(k), "");
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                if (rng() % 3 == 0)
                    continue;
                RecordAnswer(l.At(static_cast<size_t>(i)), l.At(static_cast<size_t>(j)),
                             static_cast<Answer>(rng() % 3));
            }
        }
        RankingList ranking = l.InOrder();
        std::shuffle(ranking.begin(), ranking.end(), rng);
        RankingList expected = ranking;
        const ScoreSettings s{2, 1, 0};
        ReferenceSort(expected, [&](const OptionRecord* a, const OptionRecord* b) {
            const auto x = OptionScore(*a, s), y = OptionScore(*b, s);
            return x > y ? -1 : (x < y ? 1 : 0);
        });
        RankOptions(ranking, s);
        ASSERT_EQ(ranking, expected) << "round " << round;
    }
}

TEST(ScoreSettingsCheck, RefusesEqualSuperiorAndInferiorPointsOnly) {
    const Refusal refusal{
        "Die Punteanzahl für die überlegene Option muss sich von der der unterlegenen Option "
        "unterscheiden.",
        "Ungültige Werte"};
    EXPECT_EQ(CheckScoreSettings({2, 2, 2}), refusal);
    EXPECT_EQ(CheckScoreSettings({-4, 9, -4}), refusal);
    EXPECT_EQ(CheckScoreSettings({1, 5, 2}), std::nullopt) << "tie above superior is allowed";
    EXPECT_EQ(CheckScoreSettings({-1, 0, 1}), std::nullopt);
}

TEST(PointsFromText, WholeNumbersOnly) {
    EXPECT_EQ(PointsFromText("12"), 12);
    EXPECT_EQ(PointsFromText("-7"), -7);
    EXPECT_EQ(PointsFromText("+3"), 3);
    EXPECT_EQ(PointsFromText(""), 0);
    EXPECT_EQ(PointsFromText("-"), 0);
    EXPECT_EQ(PointsFromText("+-5"), 0) << "two signs are not a whole number";
    EXPECT_EQ(PointsFromText("-+5"), 0);
    EXPECT_EQ(PointsFromText("++5"), 0);
    EXPECT_EQ(PointsFromText("--5"), 0);
    EXPECT_EQ(PointsFromText("1.5"), 0);
    EXPECT_EQ(PointsFromText("abc"), 0);
    EXPECT_EQ(PointsFromText("3 "), 0);
    EXPECT_EQ(PointsFromText("2147483647"), 2147483647);
    EXPECT_EQ(PointsFromText("2147483648"), 0) << "out of range is not a 32-bit number";
}

}  // namespace
}  // namespace rangwerk
