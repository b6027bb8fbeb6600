#include "drawing/ranking_row.h"

#include <gtest/gtest.h>

#include "core/options.h"
#include "core/run.h"

namespace rangwerk {
namespace {

// Every character 7 pixels wide, the "." 3 pixels: enough to tell the columns apart.
int Measure(const std::string& text) {
    int w = 0;
    for (char c : text) w += c == '.' ? 3 : 7;
    return w;
}

constexpr int kTextHeight = 13;
constexpr int kRight = 400;

Rect Row(int i) {
    return Rect{0, i * 16, kRight, i * 16 + 16};
}

std::vector<RankingRowLayout> LayOutAll(const std::vector<std::int64_t>& scores,
                                        const BarScale& scale) {
    std::vector<RankingRowLayout> rows;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        rows.push_back(LayOutRankingRow(Row(static_cast<int>(i)), i, scores, scale, "Option",
                                        Measure, kTextHeight));
    }
    return rows;
}

TEST(RankingRow, TiedScoresShareTheNumberAndBarsStartAtTheLeftZeroLine) {
    const auto rows = LayOutAll({4, 4, 1}, BarScale{4, 0, 0});
    ASSERT_TRUE(rows[0].rankNumber);
    EXPECT_FALSE(rows[1].rankNumber);
    ASSERT_TRUE(rows[2].rankNumber);
    EXPECT_EQ(rows[0].rankNumber->text, "1.");
    EXPECT_EQ(rows[2].rankNumber->text, "3.");

    // The rank column is as wide as "3." plus 4; the numbers end there.
    const int x0 = Measure("3.") + 4;
    EXPECT_EQ(rows[0].rankNumber->x, x0 - Measure("1."));
    EXPECT_EQ(rows[2].rankNumber->x, x0 - Measure("3."));
    EXPECT_EQ(rows[1].name.x, x0 + 4);

    const int zero = kRight - 220;
    EXPECT_EQ(rows[0].bar, (RowBar{zero, 1, kRight - 20, 15, Rgb(0, 255, 0)}));
    EXPECT_EQ(rows[1].bar, (RowBar{zero, 17, kRight - 20, 31, Rgb(0, 255, 0)}));
    EXPECT_EQ(rows[2].bar, (RowBar{zero, 33, kRight - 170, 47, Rgb(192, 63, 0)}));
    // Positive scores end at the zero line.
    EXPECT_EQ(rows[2].score, (PlacedText{"1", zero - Measure("1")}));
    EXPECT_EQ(rows[2].textY, (32 + 48 - kTextHeight) / 2);
}

TEST(RankingRow, WithoutAnswersNoBarAndOnlyTheFirstRowNumbered) {
    const auto rows = LayOutAll({0, 0, 0, 0}, BarScale{0, 0, 0});
    EXPECT_TRUE(rows[0].rankNumber);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].rankNumber.has_value(), i == 0);
        EXPECT_FALSE(rows[i].bar);
        // A score of 0 starts at the zero line, the left end of the bar area.
        EXPECT_EQ(rows[i].score, (PlacedText{"0", kRight - 220}));
    }
}

TEST(RankingRow, MixedScoresPutTheZeroLineInsideTheBarArea) {
    // A beats B and C, B and C tie: the ranking step itself gives the scale.
    OptionList options;
    options.AddOption("A", "");
    options.AddOption("B", "");
    options.AddOption("C", "");
    RecordAnswer(options.At(0), options.At(1), Answer::FirstSuperior);
    RecordAnswer(options.At(0), options.At(2), Answer::FirstSuperior);
    RecordAnswer(options.At(1), options.At(2), Answer::Tie);
    const ScoreSettings settings{1, 0, -1};
    RankingList ranking = options.InOrder();
    const BarScale scale = RankOptions(ranking, settings);
    ASSERT_EQ(scale, (BarScale{2, -1, 67}));
    std::vector<std::int64_t> scores;
    for (const OptionRecord* o : ranking) scores.push_back(OptionScore(*o, settings));
    ASSERT_EQ(scores, (std::vector<std::int64_t>{2, -1, -1}));

    const auto rows = LayOutAll(scores, scale);
    const int zero = kRight - 220 + 67;
    EXPECT_EQ(rows[0].bar, (RowBar{zero, 1, zero + 133, 15, Rgb(0, 255, 0)}));
    EXPECT_EQ(rows[1].bar, (RowBar{zero - 67, 17, zero, 31, Rgb(255, 0, 0)}));
    EXPECT_EQ(rows[2].bar, (RowBar{zero - 67, 33, zero, 47, Rgb(255, 0, 0)}));
    EXPECT_EQ(rows[0].score, (PlacedText{"2", zero - Measure("2")}));
    EXPECT_EQ(rows[1].score, (PlacedText{"-1", zero}));
    EXPECT_EQ(rows[1].rankNumber->text, "2.");
    EXPECT_FALSE(rows[2].rankNumber);
}

TEST(RankingRow, NegativeScoresGrowLeftFromTheRightEnd) {
    const auto rows = LayOutAll({0, -3}, BarScale{0, -3, 200});
    const int zero = kRight - 20;
    EXPECT_EQ(rows[0].bar, (RowBar{zero, 1, zero, 15, Rgb(0, 255, 0)}));
    EXPECT_EQ(rows[1].bar, (RowBar{zero - 200, 17, zero, 31, Rgb(255, 0, 0)}));
    EXPECT_EQ(rows[1].score, (PlacedText{"-3", zero}));
}

TEST(RankingRow, BarEndsRoundHalfToEven) {
    // With a range of 16 each point is 12.5 pixels: 1 point ends at 12.5 (rounds to 12),
    // 3 points at 37.5 (rounds to 38).
    const auto one = LayOutRankingRow(Row(0), 0, {1}, BarScale{16, 0, 0}, "x", Measure, 13);
    EXPECT_EQ(one.bar->right - one.bar->left, 12);
    const auto three = LayOutRankingRow(Row(0), 0, {3}, BarScale{16, 0, 0}, "x", Measure, 13);
    EXPECT_EQ(three.bar->right - three.bar->left, 38);
}

TEST(RankingRow, TenOrMoreOptionsWidenTheRankColumnForEveryRow) {
    const std::vector<std::int64_t> nine(9, 0);
    const std::vector<std::int64_t> ten(10, 0);
    const auto narrow = LayOutRankingRow(Row(3), 3, nine, BarScale{}, "x", Measure, 13);
    const auto wide = LayOutRankingRow(Row(3), 3, ten, BarScale{}, "x", Measure, 13);
    const auto wideFirst = LayOutRankingRow(Row(0), 0, ten, BarScale{}, "x", Measure, 13);
    EXPECT_EQ(wide.name.x - narrow.name.x, Measure("10.") - Measure("9."));
    EXPECT_EQ(wideFirst.name.x, wide.name.x);
    EXPECT_EQ(wideFirst.rankNumber->x, Measure("10.") + 4 - Measure("1."));
}

TEST(RankingRow, LongNamesAreCutToTheirColumn) {
    const int x0 = Measure("2.") + 4;
    const int room = kRight - 244 - x0;
    const std::string fits(static_cast<std::size_t>(room / 7), 'a');
    const std::string tooLong(static_cast<std::size_t>(room / 7 + 1), 'b');
    const auto whole = LayOutRankingRow(Row(0), 0, {0, 0}, BarScale{}, fits, Measure, 13);
    EXPECT_EQ(whole.name.text, fits);
    const auto cut = LayOutRankingRow(Row(1), 1, {0, 0}, BarScale{}, tooLong, Measure, 13);
    ASSERT_GE(cut.name.text.size(), 3u);
    EXPECT_EQ(cut.name.text.substr(cut.name.text.size() - 3), "...");
    EXPECT_LE(Measure(cut.name.text), room);
    EXPECT_EQ(cut.name.text.substr(0, cut.name.text.size() - 3),
              tooLong.substr(0, cut.name.text.size() - 3));
    // One more character would not have fitted.
    EXPECT_GT(Measure(tooLong.substr(0, cut.name.text.size() - 2) + "..."), room);
}

}  // namespace
}  // namespace rangwerk
