#include "drawing/diagram_row.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "combinations/factor_text.h"

namespace rangwerk {
namespace {

constexpr Color kRed = Rgb(255, 0, 0);
constexpr Color kGreen = Rgb(0, 255, 0);

// A font of fixed-width characters: 6 pixels each, lines 13 pixels high.
int Measure(const std::string& text) {
    return 6 * static_cast<int>(text.size());
}

class DiagramRowTest : public ::testing::Test {
protected:
    // One member per pair (score of a fresh option, factor); evaluated like the program does.
    void Combination(const std::string& name, const std::vector<std::pair<int, int>>& members) {
        std::vector<MemberRow> rows;
        for (const auto& [score, factor] : members) {
            const std::string option = "o" + std::to_string(options.Count());
            OptionRecord& o = options.AddOption(option, "");
            o.results.assign(static_cast<std::size_t>(score < 0 ? -score : score),
                             ResultEntry{0, score < 0 ? -1 : 1, true});
            RecountOutcomes(o);
            rows.push_back({option, factor});
        }
        ASSERT_FALSE(list.AddCombination(name, rows, options));
    }
    // Combinations K0, K1, ... with whole-number results.
    void Combinations(const std::vector<int>& results) {
        for (int r : results) Combination("K" + std::to_string(list.Count()), {{r, 1}});
        Evaluate();
    }
    void Evaluate() { EvaluateCombinations(list, ScoreSettings{1, 0, -1}, evaluation); }
    DiagramRow Row(std::size_t i, bool sorted = false) const {
        return LayDiagramRow(i, RowRect(i), sorted, list, evaluation, font, ",");
    }
    static Rect RowRect(std::size_t i) {
        const int top = static_cast<int>(i) * 16;
        return {0, top, kRight, top + 16};
    }

    static constexpr int kRight = 493;
    OptionList options;
    CombinationList list;
    CombinationEvaluation evaluation;
    DiagramFont font{Measure, 13};
};

TEST_F(DiagramRowTest, PositiveAndNegativeBarsMeetAtTheZeroLine) {
    Combinations({2, -1});
    ASSERT_EQ(evaluation.zeroOffset, 87);
    const DiagramRow high = Row(0);
    ASSERT_TRUE(high.draw);
    EXPECT_EQ(high.textY, 1);  // (0 + 16 - 13) div 2
    EXPECT_EQ(high.nameX, 4);
    EXPECT_FALSE(high.rank.has_value());
    EXPECT_EQ(high.name, (PlacedText{"K0", 4}));
    ASSERT_TRUE(high.bar.has_value());
    EXPECT_EQ(*high.bar, (DiagramBar{kRight - 193, kRight - 20, 1, 15, kGreen}));
    EXPECT_EQ(high.value, (PlacedText{"2", kRight - 193 - Measure("2")}));  // ends at the zero line

    const DiagramRow low = Row(1);
    EXPECT_EQ(low.textY, 17);
    ASSERT_TRUE(low.bar.has_value());
    EXPECT_EQ(*low.bar, (DiagramBar{kRight - 193, kRight - 280, 17, 31, kRed}));
    EXPECT_EQ(low.value, (PlacedText{"-1", kRight - 193}));  // starts at the zero line

    EXPECT_FALSE(Row(2).draw);  // beyond the combinations
}

TEST_F(DiagramRowTest, ColourRunsFromRedToGreenOverTheRangeInTenths) {
    Combinations({2, -1});
    Combination("half", {{1, 1}, {0, 1}});
    Combination("zero", {{0, 3}});
    Evaluate();
    EXPECT_EQ(Row(2).bar->color, Rgb(128, 127, 0));  // position 15 of 30
    // A result of 0 gives a bar without width at the zero line.
    EXPECT_EQ(Row(3).bar->x1, Row(3).bar->x2);
    EXPECT_EQ(Row(3).value, (PlacedText{"0", kRight - 193}));
}

TEST_F(DiagramRowTest, NoBarsWithoutARange) {
    Combination("zero", {{0, 1}});
    Combination("tiny", {{1, 1}, {0, 24}});  // 0.04: round(0.4) = 0 tenths
    Evaluate();
    for (std::size_t i = 0; i < 2; ++i) {
        const DiagramRow row = Row(i);
        ASSERT_TRUE(row.draw);
        EXPECT_FALSE(row.bar.has_value());
    }
    EXPECT_EQ(Row(0).value, (PlacedText{"0", kRight - 280}));
    // 0.04 is above 0: its text ends at the zero line.
    EXPECT_EQ(Row(1).value, (PlacedText{"0", kRight - 280 - Measure("0")}));
}

TEST_F(DiagramRowTest, ACombinationWithoutMembersShowsNameAndValueButNoBar) {
    Combinations({2, -1});
    Combination("leer", {});
    Evaluate();
    const DiagramRow row = Row(2);
    ASSERT_TRUE(row.draw);
    EXPECT_EQ(row.name.text, "leer");
    EXPECT_FALSE(row.bar.has_value());
    EXPECT_EQ(row.value, (PlacedText{"0", kRight - 280 + evaluation.zeroOffset}));
}

TEST_F(DiagramRowTest, SortedRowsCarryRanksExceptTies) {
    Combinations({1, 3, 3});  // the quicksort orders them K2, K1, K0
    const int nameX = Measure("3.") + 8;
    std::vector<std::string> names;
    std::vector<std::string> ranks;
    for (std::size_t i = 0; i < 3; ++i) {
        const DiagramRow row = Row(i, true);
        EXPECT_EQ(row.nameX, nameX);
        names.push_back(row.name.text);
        ranks.push_back(row.rank ? row.rank->text : "");
        if (row.rank) {
            EXPECT_EQ(row.rank->x, nameX - 4 - Measure(row.rank->text));
        }
    }
    EXPECT_EQ(ranks, (std::vector<std::string>{"1.", "", "3."}));
    EXPECT_EQ(names, (std::vector<std::string>{"K2", "K1", "K0"}));
    // Unsorted rows have neither ranks nor the rank column.
    EXPECT_FALSE(Row(0).rank.has_value());
    EXPECT_EQ(Row(0).name.text, "K0");
}

TEST_F(DiagramRowTest, ALongNameIsCutToTheSpaceLeftOfTheBars) {
    Combinations({1});
    // Room: 493 - 300 - 4 = 189 pixels, 31 characters; with "..." 28 of them remain.
    const std::string longName(40, 'x');
    list.At(0).name = longName;
    EXPECT_EQ(Row(0).name.text, std::string(28, 'x') + "...");
    list.At(0).name = std::string(31, 'y');
    EXPECT_EQ(Row(0).name.text, std::string(31, 'y'));
}

TEST(FormatResultTest, OneDecimalHalvesAwayFromZeroFromEighteenDigits) {
    EXPECT_EQ(FormatResult(2, ","), "2");
    EXPECT_EQ(FormatResult(2.25L, ","), "2,3");
    EXPECT_EQ(FormatResult(-2.25L, ","), "-2,3");
    EXPECT_EQ(FormatResult(-0.5L, ","), "-0,5");
    EXPECT_EQ(FormatResult(0.25L, ","), "0,3");
    EXPECT_EQ(FormatResult(1.0L / 3, ","), "0,3");
    EXPECT_EQ(FormatResult(-2.0L / 3, ","), "-0,7");
    // 9.95 and 0.35 lie just below in binary; their 18 digits end in …5000 and round up.
    EXPECT_EQ(FormatResult(199.0L / 20, ","), "10");
    EXPECT_EQ(FormatResult(7.0L / 20, ","), "0,4");
    EXPECT_EQ(FormatResult(0.04L, ","), "0");
    EXPECT_EQ(FormatResult(-0.04L, ","), "0");
    EXPECT_EQ(FormatResult(0.05L, ","), "0,1");
    EXPECT_EQ(FormatResult(0, ","), "0");
    EXPECT_EQ(FormatResult(12.96L, "."), "13");
    EXPECT_EQ(FormatResult(-4294967294.5L, "."), "-4294967294.5");
    EXPECT_EQ(FormatResult(1e20L, ","), "100000000000000000000");
}

TEST(FactorFromTextTest, WholeNumbersAreBroughtIntoRangeAndOtherTextCountsAsOne) {
    EXPECT_EQ(FactorFromText("5"), 5);
    EXPECT_EQ(FactorFromText(" 12 "), 12);
    EXPECT_EQ(FactorFromText("+7"), 7);
    EXPECT_EQ(FactorFromText("8191"), 8191);
    EXPECT_EQ(FactorFromText("8192"), 8191);
    EXPECT_EQ(FactorFromText("99999999999999999999999"), 8191);
    EXPECT_EQ(FactorFromText("0"), 1);
    EXPECT_EQ(FactorFromText("-3"), 1);
    EXPECT_EQ(FactorFromText(""), 1);
    EXPECT_EQ(FactorFromText("abc"), 1);
    EXPECT_EQ(FactorFromText("12a"), 1);
    EXPECT_EQ(FactorFromText("-"), 1);
}

}  // namespace
}  // namespace rangwerk
