#include "drawing/diagram_speech.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace rangwerk {
namespace {

class DiagramSpeechTest : public ::testing::Test {
protected:
    void Option(const std::string& name, int score) {
        OptionRecord& o = options.AddOption(name, "");
        o.results.assign(static_cast<std::size_t>(std::abs(score)),
                         ResultEntry{0, score < 0 ? -1 : 1, true});
        RecountOutcomes(o);
    }
    void Combination(const std::string& name, const std::vector<MemberRow>& rows) {
        ASSERT_FALSE(list.AddCombination(name, rows, options));
    }
    void Evaluate() { EvaluateCombinations(list, ScoreSettings{1, 0, -1}, evaluation); }
    std::string Spoken(std::size_t i, bool sorted, std::string_view separator = ",") const {
        return SpokenDiagramRow(i, sorted, list, evaluation, separator);
    }

    OptionList options;
    CombinationList list;
    CombinationEvaluation evaluation;
};

TEST_F(DiagramSpeechTest, SortedRowsCarryTheRankNumbersThePaintingShows) {
    Option("Apfel", 8);
    Option("Birne", 6);
    Option("Quitte", -1);
    Combination("Obstsalat", {{"Apfel", 2}, {"Birne", 1}});  // 7.33
    Combination("Kompott", {{"Apfel", 1}});                  // 8
    Combination("Gelee", {{"Quitte", 1}});                   // -1
    Combination("Mus", {{"Apfel", 2}});                      // 8, a tie
    Evaluate();

    EXPECT_EQ(Spoken(0, false), "Obstsalat, 7,3");
    EXPECT_EQ(Spoken(1, false), "Kompott, 8");
    EXPECT_EQ(Spoken(2, false), "Gelee, -1");
    EXPECT_EQ(Spoken(0, false, "."), "Obstsalat, 7.3");

    const std::string first = evaluation.sorted[0]->name;
    const std::string second = evaluation.sorted[1]->name;
    EXPECT_EQ(Spoken(0, true), "1. " + first + ", 8");
    EXPECT_EQ(Spoken(1, true), second + ", 8");
    EXPECT_EQ(Spoken(2, true), "3. Obstsalat, 7,3");
    EXPECT_EQ(Spoken(3, true), "4. Gelee, -1");
    // Beyond the combinations the diagram shows nothing, and nothing is said.
    EXPECT_EQ(Spoken(4, true), "");
    EXPECT_EQ(Spoken(4, false), "");
}

TEST_F(DiagramSpeechTest, LongNamesAndEmptyCombinationsAreSaidWhole) {
    Option("Apfel", 1);
    const std::string name(200, 'k');
    Combination(name, {{"Apfel", 1}});
    Combination("Leer", {});
    Evaluate();
    EXPECT_EQ(Spoken(0, false), name + ", 1");
    EXPECT_EQ(Spoken(1, false), "Leer, 0");
}

}  // namespace
}  // namespace rangwerk
