#include "combinations/combination_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/failure.h"

namespace rangwerk {
namespace {

// Gives an option the score `wins` × superior + `losses` × inferior through decided entries.
void SetOutcomes(OptionRecord& option, int wins, int losses) {
    option.results.clear();
    for (int i = 0; i < wins; ++i) option.results.push_back({0, 1, true});
    for (int i = 0; i < losses; ++i) option.results.push_back({0, -1, true});
    RecountOutcomes(option);
}

class CombinationModelTest : public ::testing::Test {
protected:
    // An option with the score s under the points 1, 0, -1.
    OptionRecord& Option(const std::string& name, int score) {
        OptionRecord& o = options.AddOption(name, "");
        SetOutcomes(o, score > 0 ? score : 0, score < 0 ? -score : 0);
        return o;
    }
    void Add(const std::string& name, const std::vector<MemberRow>& rows) {
        ASSERT_FALSE(list.AddCombination(name, rows, options).has_value()) << name;
    }
    long double ResultOf(const std::string& name) const {
        for (const CombinationRecord* r : list.InOrder()) {
            if (r->name == name)
                return r->result;
        }
        ADD_FAILURE() << "no combination " << name;
        return 0;
    }
    std::vector<std::string> Names(const std::vector<CombinationRecord*>& records) const {
        std::vector<std::string> names;
        for (const CombinationRecord* r : records) names.push_back(r->name);
        return names;
    }
    // One combination per result, each made of one option with that score.
    void CombinationsWithScores(const std::vector<int>& scores) {
        for (std::size_t i = 0; i < scores.size(); ++i) {
            const std::string n = "o" + std::to_string(i);
            Option(n, scores[i]);
            Add("c" + std::to_string(i), {{n, 1}});
        }
        EvaluateCombinations(list, settings, evaluation);
    }

    OptionList options;
    CombinationList list;
    ScoreSettings settings{1, 0, -1};
    CombinationEvaluation evaluation;
};

TEST_F(CombinationModelTest, ResultIsTheFactorWeightedAverage) {
    Option("A", 4);
    Option("B", -2);
    Add("one", {{"A", 3}});
    Add("two", {{"A", 1}, {"B", 3}});
    Add("empty", {});
    EvaluateCombinations(list, settings, evaluation);
    EXPECT_EQ(ResultOf("one"), 4);  // the factor cancels out
    EXPECT_EQ(ResultOf("two"), -0.5L);
    EXPECT_EQ(ResultOf("empty"), 0);  // no members: valued 0, nothing divides by zero
    EXPECT_EQ(evaluation.minResult, -0.5L);
    EXPECT_EQ(evaluation.maxResult, 4);
}

TEST_F(CombinationModelTest, ZeroOffsetFollowsTheRangeOfTheResults) {
    struct Case {
        std::vector<int> scores;
        int zeroOffset;
        long double min, max;
    };
    const std::vector<Case> cases = {
        {{-1, 3}, 65, -1, 3},                          // 0.25 × 260
        {{-1, 2}, 87, -1, 2},                          // 86.67
        {{-1, 25}, 10, -1, 25}, {{2, 1, 3}, 0, 0, 3},  // nothing negative
        {{-2, 0}, 260, -2, 0},                         // nothing positive
        {{0, 0}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        list.Clear();
        options.RemoveAllOptions();
        CombinationsWithScores(c.scores);
        SCOPED_TRACE(::testing::PrintToString(c.scores));
        EXPECT_EQ(evaluation.zeroOffset, c.zeroOffset);
        EXPECT_EQ(evaluation.minResult, c.min);
        EXPECT_EQ(evaluation.maxResult, c.max);
    }
}

TEST_F(CombinationModelTest, ZeroOffsetIsTheShareOfTheNegativeRangeTimes260) {
    // -0.6 and 20.2: 0.6 / 20.8 × 260 is 7.5 in extended precision and rounds to the even 8;
    // multiplying by 260 before dividing would give 7.4999… and 7.
    Option("low", -3);
    Option("high", 101);
    Option("zero", 0);
    Add("a", {{"low", 1}, {"zero", 4}});
    Add("b", {{"high", 1}, {"zero", 4}});
    EvaluateCombinations(list, settings, evaluation);
    EXPECT_EQ(evaluation.zeroOffset, 8);
}

TEST_F(CombinationModelTest, ExtremePointsAndFactorsDoNotOverflow) {
    settings = ScoreSettings{INT32_MAX, 0, INT32_MIN};
    OptionRecord& high = options.AddOption("high", "");
    OptionRecord& low = options.AddOption("low", "");
    SetOutcomes(high, 2, 0);
    SetOutcomes(low, 0, 2);
    Add("high twice", {{"high", kMaxFactor}});
    Add("balanced", {{"high", kMaxFactor}, {"low", kMaxFactor}});
    EvaluateCombinations(list, settings, evaluation);
    EXPECT_EQ(ResultOf("high twice"), 2.0L * INT32_MAX);
    EXPECT_EQ(ResultOf("balanced"), -1);  // (2·max + 2·min) / 2
}

TEST_F(CombinationModelTest, SortedOrderPutsTiesWhereTheListQuicksortLeavesThem) {
    CombinationsWithScores({3, 5, 3, 5});
    // A stable sort would give c1 c3 c0 c2; the list quicksort swaps the ends first.
    EXPECT_EQ(Names(evaluation.sorted), (std::vector<std::string>{"c3", "c1", "c0", "c2"}));
    EXPECT_EQ(Names(list.InOrder()), (std::vector<std::string>{"c0", "c1", "c2", "c3"}));
}

TEST_F(CombinationModelTest, NamesAreUniqueIgnoringLetterCase) {
    Add("Reise", {});
    Add("Haus", {});
    auto refusal = list.AddCombination("reise", {}, options);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, "Ein Eintrag mit dem Namen \"reise\" ist bereits vorhanden.");
    EXPECT_EQ(refusal->caption, "Name des Eintrags bereits vorhanden.");
    EXPECT_EQ(list.Count(), 2u);

    // Only another combination's name counts as a duplicate.
    EXPECT_FALSE(list.UpdateCombination(0, "REISE", {}, options).has_value());
    EXPECT_EQ(list.At(0).name, "REISE");
    EXPECT_TRUE(list.UpdateCombination(1, "reise", {}, options).has_value());
    EXPECT_EQ(list.At(1).name, "Haus");

    // A prefix is not a duplicate; an empty name is refused with the same caption.
    EXPECT_FALSE(list.AddCombination("Rei", {}, options).has_value());
    refusal = list.AddCombination("", {}, options);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, "Sie müssen einen Namen für die Kombination eingeben.");
    EXPECT_EQ(refusal->caption, "Name des Eintrags bereits vorhanden.");
}

TEST_F(CombinationModelTest, AnUnresolvableRowIsRefusedAndChangesNothing) {
    OptionRecord& a = Option("A", 1);
    Option("B", 2);
    Add("K", {{"A", 2}});
    // Option names resolve exactly, letter case included.
    for (const auto& rows :
         {std::vector<MemberRow>{{"B", 1}, {"gone", 1}}, std::vector<MemberRow>{{"a", 1}}}) {
        try {
            list.AddCombination("new", rows, options);
            ADD_FAILURE() << "add accepted an unresolvable row";
        } catch (const Failure& f) {
            EXPECT_STREQ(f.what(), "Listenindex überschreitet das Maximum (2)");
        }
        EXPECT_THROW(list.UpdateCombination(0, "renamed", rows, options), Failure);
    }
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0).name, "K");
    ASSERT_EQ(list.At(0).members.size(), 1u);
    EXPECT_EQ(list.At(0).members[0].option, &a);
    EXPECT_EQ(list.At(0).members[0].factor, 2);
}

TEST_F(CombinationModelTest, UpdateKeepsTheResultUntilTheNextEvaluation) {
    Option("A", 4);
    Option("B", -2);
    Add("K", {{"A", 1}});
    EvaluateCombinations(list, settings, evaluation);
    ASSERT_EQ(list.At(0).result, 4);
    ASSERT_FALSE(list.UpdateCombination(0, "K", {{"B", 1}}, options).has_value());
    EXPECT_EQ(list.At(0).result, 4);
    Add("new", {{"A", 1}});
    EXPECT_EQ(list.At(1).result, 0);
    EvaluateCombinations(list, settings, evaluation);
    EXPECT_EQ(list.At(0).result, -2);
}

TEST_F(CombinationModelTest, RemovingAMemberOptionKeepsTheOthersInOrder) {
    OptionRecord& a = Option("A", 1);
    OptionRecord& b = Option("B", 1);
    OptionRecord& c = Option("C", 1);
    Add("K", {{"A", 1}, {"B", 2}, {"C", 3}});
    Add("without B", {{"C", 5}});
    int changed = 0;
    list.RemoveMembersOf(&b, [&] { ++changed; });
    EXPECT_EQ(changed, 1);
    ASSERT_EQ(list.At(0).members.size(), 2u);
    EXPECT_EQ(list.At(0).members[0].option, &a);
    EXPECT_EQ(list.At(0).members[1].option, &c);
    EXPECT_EQ(list.At(0).members[1].factor, 3);
    EXPECT_EQ(list.At(1).members.size(), 1u);

    // Renamed options show under their new name in the member rows.
    c.name = "C neu";
    EXPECT_EQ(MemberRowsOf(list.At(0)), (std::vector<MemberRow>{{"A", 1}, {"C neu", 3}}));
}

TEST_F(CombinationModelTest, DeleteAndMoveChangeOnlyTheOrder) {
    Add("a", {});
    Add("b", {});
    Add("c", {});
    EXPECT_EQ(list.MoveCombination(0, false), 1u);
    EXPECT_EQ(Names(list.InOrder()), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(list.MoveCombination(2, true), 1u);
    EXPECT_EQ(Names(list.InOrder()), (std::vector<std::string>{"b", "c", "a"}));
    list.DeleteCombination(1, evaluation);
    EXPECT_EQ(Names(list.InOrder()), (std::vector<std::string>{"b", "a"}));
}

// Every operation on a position checks it once, with the message of the general error box,
// and changes nothing when it fails.
TEST_F(CombinationModelTest, PositionsWithoutACombinationAreRefusedAndChangeNothing) {
    Add("a", {});
    Add("b", {});
    auto expectFailure = [](auto&& operation, const char* message) {
        try {
            operation();
            ADD_FAILURE() << "no failure, expected: " << message;
        } catch (const Failure& f) {
            EXPECT_STREQ(f.what(), message);
        }
    };
    expectFailure([&] { list.At(2); }, "Listenindex überschreitet das Maximum (2)");
    expectFailure([&] { list.DeleteCombination(5, evaluation); },
                  "Listenindex überschreitet das Maximum (5)");
    expectFailure([&] { (void)list.UpdateCombination(2, "c", {}, options); },
                  "Listenindex überschreitet das Maximum (2)");
    expectFailure([&] { list.MoveCombination(3, true); },
                  "Listenindex überschreitet das Maximum (3)");
    // Moving needs the neighbour as well.
    expectFailure([&] { list.MoveCombination(0, true); },
                  "Listenindex überschreitet das Maximum (-1)");
    expectFailure([&] { list.MoveCombination(1, false); },
                  "Listenindex überschreitet das Maximum (2)");
    EXPECT_EQ(Names(list.InOrder()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(CombinationModelTest, DeletingTakesTheCombinationOutOfTheSortedOrderToo) {
    CombinationsWithScores({1, 3, 2});
    ASSERT_EQ(Names(evaluation.sorted), (std::vector<std::string>{"c1", "c2", "c0"}));
    list.DeleteCombination(2, evaluation);
    EXPECT_EQ(Names(evaluation.sorted), (std::vector<std::string>{"c1", "c0"}));
    EXPECT_EQ(Names(list.InOrder()), (std::vector<std::string>{"c0", "c1"}));
}

}  // namespace
}  // namespace rangwerk
