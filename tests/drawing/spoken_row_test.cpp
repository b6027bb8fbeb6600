#include "drawing/spoken_row.h"

#include <gtest/gtest.h>

#include "drawing/ranking_row.h"

namespace rangwerk {
namespace {

TEST(SpokenRankingRow, RankNumberOnlyWhereTheRowShowsOne) {
    const std::vector<std::int64_t> scores{10, 10, 3, -1};
    const BarScale scale{10, -1, 18};
    EXPECT_EQ(SpokenRankingRow(0, scores, scale, "Apfel"), "1. Apfel, 10 Punkte");
    EXPECT_EQ(SpokenRankingRow(1, scores, scale, "Birne"), "Birne, 10 Punkte");
    EXPECT_EQ(SpokenRankingRow(2, scores, scale, "Kirsche"), "3. Kirsche, 3 Punkte");
    EXPECT_EQ(SpokenRankingRow(3, scores, scale, "Dattel"), "4. Dattel, -1 Punkt");

    // The same rank numbers and scores as the painted rows, in any list width and font.
    const MeasureText measure = [](const std::string& s) { return 6 * static_cast<int>(s.size()); };
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const RankingRowLayout painted =
            LayOutRankingRow(Rect{0, 0, 300, 16}, i, scores, scale, "N", measure, 13);
        const std::string spoken = SpokenRankingRow(i, scores, scale, "N");
        const std::string expected = (painted.rankNumber ? painted.rankNumber->text + " " : "") +
                                     "N, " + PointsText(painted.score.text);
        EXPECT_EQ(spoken, expected) << i;
    }
}

TEST(SpokenRankingRow, NamesComeWholeWhereThePaintingCutsThem) {
    const std::string name(300, 'x');
    EXPECT_EQ(SpokenRankingRow(0, {0}, BarScale{}, name), "1. " + name + ", 0 Punkte");
    EXPECT_EQ(SpokenRankingRow(0, {0}, BarScale{}, "Äpfel & Birnen"),
              "1. Äpfel & Birnen, 0 Punkte");
}

TEST(SpokenRankingRow, OnlyOneAndMinusOneAreASinglePoint) {
    EXPECT_EQ(PointsText("1"), "1 Punkt");
    EXPECT_EQ(PointsText("-1"), "-1 Punkt");
    EXPECT_EQ(PointsText("0"), "0 Punkte");
    EXPECT_EQ(PointsText("11"), "11 Punkte");
    EXPECT_EQ(PointsText("-10"), "-10 Punkte");
    EXPECT_EQ(PointsText("2147483648"), "2147483648 Punkte");
}

}  // namespace
}  // namespace rangwerk
