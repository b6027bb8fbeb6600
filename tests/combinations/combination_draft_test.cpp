#include "combinations/combination_draft.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rangwerk {
namespace {

using Rows = std::vector<MemberRow>;

const Refusal kDuplicateA{"Die Option \"a\" ist bereits in der Liste vorhanden.",
                          "Eintrag bereits vorhanden"};

TEST(CombinationDraftTest, AddRefusesAnOptionThatIsAlreadyARowIgnoringCase) {
    CombinationDraft draft;
    EXPECT_FALSE(draft.AddRow("A", 2));
    EXPECT_FALSE(draft.AddRow("Ab", 1)) << "a longer name is another option";
    // The message names the option as it was chosen, not as the row carries it.
    EXPECT_EQ(draft.AddRow("a", 5), kDuplicateA);
    EXPECT_EQ(draft.Rows(), (Rows{{"A", 2}, {"Ab", 1}}));
}

TEST(CombinationDraftTest, UpdateRefusesOnlyAnotherRowsOption) {
    CombinationDraft draft;
    ASSERT_FALSE(draft.AddRow("A", 1));
    ASSERT_FALSE(draft.AddRow("B", 1));
    // The row's own option (in any letter case) may stay; the factor changes.
    EXPECT_FALSE(draft.UpdateRow(0, "a", 7));
    EXPECT_EQ(draft.Rows(), (Rows{{"a", 7}, {"B", 1}}));
    EXPECT_EQ(draft.UpdateRow(1, "a", 3), kDuplicateA);
    EXPECT_EQ(draft.Rows(), (Rows{{"a", 7}, {"B", 1}}));
    // No row there: a harmless no-op, not a refusal.
    EXPECT_FALSE(draft.UpdateRow(2, "C", 1));
    EXPECT_EQ(draft.Rows(), (Rows{{"a", 7}, {"B", 1}}));
}

TEST(CombinationDraftTest, FactorsAreKeptInsideTheirRange) {
    CombinationDraft draft;
    ASSERT_FALSE(draft.AddRow("A", 0));
    ASSERT_FALSE(draft.AddRow("B", 8191));
    ASSERT_FALSE(draft.AddRow("C", 9000));
    EXPECT_EQ(draft.Rows(), (Rows{{"A", 1}, {"B", 8191}, {"C", 8191}}));
    ASSERT_FALSE(draft.UpdateRow(1, "B", -4));
    EXPECT_EQ(draft.Rows()[1].factor, 1);
}

TEST(CombinationDraftTest, RemoveAndMoveKeepTheOtherRowsInOrder) {
    CombinationDraft draft;
    for (const char* name : {"A", "B", "C", "D"}) ASSERT_FALSE(draft.AddRow(name, 1));
    EXPECT_EQ(draft.MoveRow(0, false), 1u);
    EXPECT_EQ(draft.MoveRow(3, true), 2u);
    EXPECT_EQ(draft.Rows(), (Rows{{"B", 1}, {"A", 1}, {"D", 1}, {"C", 1}}));
    // Rows without the neighbour, and rows that are not there, stay put.
    EXPECT_EQ(draft.MoveRow(0, true), 0u);
    EXPECT_EQ(draft.MoveRow(3, false), 3u);
    EXPECT_EQ(draft.MoveRow(9, true), 9u);
    EXPECT_EQ(draft.Rows(), (Rows{{"B", 1}, {"A", 1}, {"D", 1}, {"C", 1}}));

    draft.RemoveRow(1);
    draft.RemoveRow(7);
    EXPECT_EQ(draft.Rows(), (Rows{{"B", 1}, {"D", 1}, {"C", 1}}));
    // A removed option may be added again.
    EXPECT_FALSE(draft.AddRow("a", 2));
}

TEST(CombinationDraftTest, LoadTakesTheCurrentNamesAndAddUsesTheDraftAsItStands) {
    OptionList options;
    OptionRecord& a = options.AddOption("A", "");
    options.AddOption("B", "");
    CombinationList list;

    CombinationDraft draft;
    draft.SetName("Reise");
    ASSERT_FALSE(draft.AddRow("B", 2));
    ASSERT_FALSE(draft.AddRow("A", 3));
    ASSERT_FALSE(list.AddCombination(draft.Name(), draft.Rows(), options));

    a.name = "A neu";
    CombinationDraft loaded;
    ASSERT_FALSE(loaded.AddRow("X", 1));
    loaded.Load(list.At(0));
    EXPECT_EQ(loaded.Name(), "Reise");
    EXPECT_EQ(loaded.Rows(), (Rows{{"B", 2}, {"A neu", 3}}));

    // Editing the draft leaves the stored combination alone.
    loaded.RemoveRow(0);
    loaded.SetName("Haus");
    EXPECT_EQ(list.At(0).name, "Reise");
    EXPECT_EQ(list.At(0).members.size(), 2u);

    loaded.Clear();
    EXPECT_EQ(loaded.Name(), "");
    EXPECT_TRUE(loaded.Rows().empty());
}

}  // namespace
}  // namespace rangwerk
