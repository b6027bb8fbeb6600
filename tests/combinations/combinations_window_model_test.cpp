#include "combinations/combinations_window_model.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/failure.h"
#include "support/scripted_dialogs.h"

namespace rangwerk {
namespace {

using testing::ScriptedDialogs;
using Rows = std::vector<std::string>;
using List = CombinationsList;

struct Workspace : CombinationWorkspace {};

// A window that keeps each list's rows only by the changes it is told of, as a toolkit's list
// does; the tests compare these rows with the model's.
class MirrorView : public CombinationsView {
public:
    explicit MirrorView(const CombinationsWindowModel& model) : model_(model) {}

    void Refresh() override { ++refreshes; }
    void ListChanged(List list, const CombinationsListChange& change) override {
        Rows& rows = mirror[list];
        // Only the changes of one row name a row.
        const auto at = [&] { return rows.begin() + change.row; };
        switch (change.kind) {
            case CombinationsListChange::Kind::Reset:
            case CombinationsListChange::Kind::Repaint:
                rows = Read(list);
                break;
            case CombinationsListChange::Kind::Inserted:
                rows.insert(at(), Row(list, change.row));
                break;
            case CombinationsListChange::Kind::Removed:
                rows.erase(at());
                break;
            case CombinationsListChange::Kind::Moved: {
                const std::string moved = *at();
                rows.erase(at());
                rows.insert(rows.begin() + change.to, moved);
                break;
            }
            case CombinationsListChange::Kind::Changed:
                *at() = Row(list, change.row);
                break;
        }
        changes.push_back({list, change});
    }

    std::string Row(List list, int row) const {
        switch (list) {
            case List::Combinations:
                return model_.CombinationRow(row);
            case List::MemberRows:
                return model_.MemberOptionName(row) + "/" + model_.MemberFactorText(row);
            case List::Choice:
                return model_.ChoiceRow(row);
            case List::Diagram:
                return model_.SpokenDiagramRow(row);
        }
        return {};
    }
    Rows Read(List list) const {
        const CombinationsScreen& s = model_.Screen();
        const int count = list == List::Combinations ? s.combinationRows
                          : list == List::MemberRows ? s.memberRows
                          : list == List::Choice     ? s.choiceRows
                                                     : s.diagramRows;
        Rows rows;
        for (int i = 0; i < count; ++i) rows.push_back(Row(list, i));
        return rows;
    }

    int refreshes = 0;
    std::map<List, Rows> mirror;
    std::vector<std::pair<List, CombinationsListChange>> changes;

private:
    const CombinationsWindowModel& model_;
};

class CombinationsWindowModelTest : public ::testing::Test {
protected:
    CombinationsWindowModelTest() {
        workspace.scores = {1, 0, -1};
        model.SetView(&view);
    }
    void TearDown() override { EXPECT_TRUE(dialogs.AllAnswered()); }

    const CombinationsScreen& S() const { return model.Screen(); }

    // An option with the score `score` under the points 1, 0, -1.
    OptionRecord& Option(const std::string& name, int score) {
        OptionRecord& o = workspace.options.AddOption(name, "");
        o.results.assign(static_cast<std::size_t>(std::abs(score)),
                         ResultEntry{0, score < 0 ? -1 : 1, true});
        RecountOutcomes(o);
        return o;
    }
    void Stored(const std::string& name, const std::vector<MemberRow>& rows) {
        ASSERT_FALSE(workspace.combinations.AddCombination(name, rows, workspace.options));
    }
    // The list's rows, which the window's copy made from the changes must equal.
    Rows RowsOf(List list) {
        const Rows rows = view.Read(list);
        EXPECT_EQ(view.mirror[list], rows) << "the changes told give other rows";
        return rows;
    }
    int ChoiceOf(const std::string& name) {
        for (int i = 0; i < S().choiceRows; ++i) {
            if (model.ChoiceRow(i) == name)
                return i;
        }
        ADD_FAILURE() << "no choice " << name;
        return -1;
    }
    void AddMember(const std::string& name, int factor) {
        model.ComboBox_OptionsChange(ChoiceOf(name));
        model.EditFactorField(std::to_string(factor));
        model.Button_OptionAddClick();
    }
    // The buttons the three rules enable, in the order of the screen.
    std::string Enabled() const {
        std::string names;
        const auto add = [&](bool on, const char* name) {
            if (on)
                names += names.empty() ? name : std::string(" ") + name;
        };
        add(S().combinationUpdateEnabled, "CombinationUpdate");
        add(S().combinationDelEnabled, "CombinationDel");
        add(S().combinationUpEnabled, "CombinationUp");
        add(S().combinationDownEnabled, "CombinationDown");
        add(S().optionDelEnabled, "OptionDel");
        add(S().optionUpEnabled, "OptionUp");
        add(S().optionDownEnabled, "OptionDown");
        add(S().optionAddEnabled, "OptionAdd");
        add(S().optionUpdateEnabled, "OptionUpdate");
        return names;
    }
    void ExpectRefusal(const std::string& text, const std::string& caption) {
        ASSERT_FALSE(dialogs.messages.empty());
        EXPECT_EQ(dialogs.LastMessage().text, text);
        EXPECT_EQ(dialogs.LastMessage().caption, caption);
        EXPECT_EQ(dialogs.LastMessage().icon, MessageIcon::Warning);
    }

    Workspace workspace;
    ScriptedDialogs dialogs;
    CombinationsWindowModel model{workspace, dialogs, ","};
    MirrorView view{model};
};

TEST_F(CombinationsWindowModelTest, ShowingFillsTheListsWithNothingSelected) {
    EXPECT_TRUE(workspace.HasListener(&model));
    for (const char* name : {"Zitrone", "apfel", "Birne", "Äpfel"}) Option(name, 0);
    Stored("Eins", {{"Birne", 2}});
    EXPECT_FALSE(S().visible);
    model.ShowWindow();
    EXPECT_TRUE(S().visible);
    EXPECT_GT(view.refreshes, 0);
    EXPECT_EQ(S().page, 0);
    EXPECT_EQ(S().defaultButton, CombinationsDefaultButton::Next);
    EXPECT_EQ(RowsOf(List::Combinations), Rows{"Eins"});
    EXPECT_EQ(S().selectedCombination, -1);
    EXPECT_EQ(S().name, "");
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{});
    // The choice in reading order, nothing chosen.
    EXPECT_EQ(RowsOf(List::Choice), (Rows{"apfel", "Äpfel", "Birne", "Zitrone"}));
    EXPECT_EQ(S().chosenOption, -1);
    EXPECT_EQ(S().factorText, "1");
    EXPECT_EQ(Enabled(), "");

    // Showing the visible window only brings it to the front: the editing area stays.
    model.EditCombinationName("Zwei");
    const int request = S().showRequest;
    model.ShowWindow();
    EXPECT_EQ(S().showRequest, request + 1);
    EXPECT_EQ(S().name, "Zwei");
}

TEST_F(CombinationsWindowModelTest, ChoiceAndMemberRowsFollowTheirRules) {
    Option("A", 1);
    Option("B", 2);
    Option("C", 3);
    model.ShowWindow();
    model.ComboBox_OptionsChange(ChoiceOf("B"));
    EXPECT_EQ(Enabled(), "OptionAdd OptionUpdate");
    model.EditFactorField("3");
    model.Button_OptionAddClick();
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{"B/3"});
    EXPECT_EQ(S().chosenOption, -1);
    EXPECT_EQ(S().factorText, "1");
    EXPECT_EQ(Enabled(), "");
    AddMember("A", 2);
    AddMember("C", 1);

    model.ListView_OptionsClick(0);
    EXPECT_EQ(Enabled(), "OptionDel OptionDown OptionAdd OptionUpdate");
    EXPECT_EQ(S().chosenOption, ChoiceOf("B"));
    EXPECT_EQ(S().factorText, "3");
    model.Button_OptionDownClick();
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/2", "B/3", "C/1"}));
    EXPECT_EQ(S().selectedMemberRow, 1);
    EXPECT_EQ(Enabled(), "OptionDel OptionUp OptionDown OptionAdd OptionUpdate");
    model.Button_OptionDownClick();
    EXPECT_EQ(S().selectedMemberRow, 2);
    EXPECT_FALSE(S().optionDownEnabled);

    // Another row's option is refused; then the selected row takes choice and factor.
    model.ComboBox_OptionsChange(ChoiceOf("C"));
    model.EditFactorField("7");
    dialogs.AnswerMessage(MessageButton::Ok);
    model.Button_OptionUpdateClick();
    ExpectRefusal("Die Option \"C\" ist bereits in der Liste vorhanden.",
                  "Eintrag bereits vorhanden");
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/2", "C/1", "B/3"}));
    model.ComboBox_OptionsChange(ChoiceOf("B"));
    model.Button_OptionUpdateClick();
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/2", "C/1", "B/7"}));

    model.Button_OptionDelClick();
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/2", "C/1"}));
    EXPECT_EQ(S().selectedMemberRow, -1);
    EXPECT_EQ(S().chosenOption, -1);
    EXPECT_EQ(Enabled(), "");
    EXPECT_TRUE(workspace.combinations.Empty()) << "member rows are only an editing area";

    // Without a selected row "Aktualisieren" does nothing; a row's option twice is refused.
    model.ComboBox_OptionsChange(ChoiceOf("C"));
    model.Button_OptionUpdateClick();
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/2", "C/1"}));
    dialogs.AnswerMessage(MessageButton::Ok);
    model.Button_OptionAddClick();
    ExpectRefusal("Die Option \"C\" ist bereits in der Liste vorhanden.",
                  "Eintrag bereits vorhanden");
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/2", "C/1"}));
}

TEST_F(CombinationsWindowModelTest, FactorTextStandsForAFactorInRange) {
    Option("A", 1);
    Option("B", 1);
    model.ShowWindow();
    model.EditFactorField("9000");
    EXPECT_EQ(S().factor, 8191);
    EXPECT_EQ(S().factorText, "9000") << "brought into the range when the field is left";
    model.FactorFieldLeft();
    EXPECT_EQ(S().factorText, "8191");
    model.EditFactorField(" -5");
    EXPECT_EQ(S().factor, 1);
    model.EditFactorField("abc");
    EXPECT_EQ(S().factor, 1);
    model.StepFactorField(1);
    EXPECT_EQ(S().factorText, "2");
    model.StepFactorField(-10);
    EXPECT_EQ(S().factorText, "1");
    model.EditFactorField("8185");
    model.StepFactorField(10);
    EXPECT_EQ(S().factorText, "8191");

    model.ComboBox_OptionsChange(ChoiceOf("A"));
    model.EditFactorField("9000");
    model.Button_OptionAddClick();
    model.ComboBox_OptionsChange(ChoiceOf("B"));
    model.EditFactorField("abc");
    model.Button_OptionAddClick();
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"A/8191", "B/1"}));
}

TEST_F(CombinationsWindowModelTest, AddingStoresTheCombinationAndStartsTheEditingAreaAfresh) {
    Option("A", 4);
    Option("B", -2);
    Stored("Erste", {});
    model.ShowWindow();
    model.ListView_CombinationsClick(0);
    EXPECT_EQ(Enabled(), "CombinationUpdate CombinationDel");
    model.EditCombinationName("Urlaub");
    AddMember("A", 1);
    AddMember("B", 3);
    const int focusRequest = S().focusRequest;
    model.Button_CombinationAddClick();
    ASSERT_EQ(workspace.combinations.Count(), 2u);
    EXPECT_EQ(workspace.combinations.At(1).name, "Urlaub");
    EXPECT_EQ(MemberRowsOf(workspace.combinations.At(1)),
              (std::vector<MemberRow>{{"A", 1}, {"B", 3}}));
    EXPECT_EQ(RowsOf(List::Combinations), (Rows{"Erste", "Urlaub"}));
    // The selection stays, and its combination is no longer the last one.
    EXPECT_EQ(S().selectedCombination, 0);
    EXPECT_EQ(Enabled(), "CombinationUpdate CombinationDel CombinationDown");
    EXPECT_EQ(S().name, "");
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{});
    EXPECT_EQ(S().chosenOption, -1);
    EXPECT_EQ(S().factorText, "1");
    EXPECT_EQ(S().focus, CombinationsFocus::NameField);
    EXPECT_EQ(S().focusRequest, focusRequest + 1);

    // A name taken ignoring letter case is refused, and the editing area stays.
    model.EditCombinationName("URLAUB");
    AddMember("A", 2);
    dialogs.AnswerMessage(MessageButton::Ok);
    model.Button_CombinationAddClick();
    ExpectRefusal("Ein Eintrag mit dem Namen \"URLAUB\" ist bereits vorhanden.",
                  "Name des Eintrags bereits vorhanden.");
    EXPECT_EQ(workspace.combinations.Count(), 2u);
    EXPECT_EQ(S().name, "URLAUB");
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{"A/2"});
    EXPECT_EQ(S().focusRequest, focusRequest + 1);
}

TEST_F(CombinationsWindowModelTest, SelectingACombinationLoadsItAndDropsUnstoredEdits) {
    Option("A", 1);
    Option("B", 2);
    Stored("Eins", {{"A", 2}});
    Stored("Zwei", {{"B", 5}});
    model.ShowWindow();
    model.ListView_CombinationsClick(0);
    EXPECT_EQ(S().name, "Eins");
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{"A/2"});
    EXPECT_EQ(Enabled(), "CombinationUpdate CombinationDel CombinationDown");

    AddMember("B", 4);
    model.EditCombinationName("Eins geändert");
    model.ListView_OptionsClick(0);
    model.ListView_CombinationsClick(1);
    EXPECT_EQ(S().name, "Zwei");
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{"B/5"});
    EXPECT_EQ(S().selectedMemberRow, -1);
    EXPECT_EQ(S().factorText, "1");
    EXPECT_EQ(Enabled(), "CombinationUpdate CombinationDel CombinationUp");
    model.ListView_CombinationsClick(0);
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{"A/2"});

    // No row selected: the editing area is empty.
    model.ListView_CombinationsClick(-1);
    EXPECT_EQ(S().name, "");
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{});
    EXPECT_EQ(Enabled(), "");

    // A renamed option shows under its new name; the choice is the one taken at showing,
    // found ignoring letter case.
    workspace.options.At(0).name = "a";
    model.ListView_CombinationsClick(0);
    EXPECT_EQ(RowsOf(List::MemberRows), Rows{"a/2"});
    model.ListView_OptionsClick(0);
    EXPECT_EQ(S().chosenOption, ChoiceOf("A"));
}

TEST_F(CombinationsWindowModelTest, UpdateMoveAndDeleteChangeTheListAndItsRows) {
    Option("A", 1);
    Option("B", 2);
    Stored("Eins", {{"A", 2}});
    Stored("Zwei", {{"B", 5}});
    model.ShowWindow();
    model.ListView_CombinationsClick(1);
    model.EditCombinationName("ZWEI");
    AddMember("A", 1);
    model.Button_CombinationUpdateClick();
    EXPECT_EQ(RowsOf(List::Combinations), (Rows{"Eins", "ZWEI"}));
    EXPECT_EQ(MemberRowsOf(workspace.combinations.At(1)),
              (std::vector<MemberRow>{{"B", 5}, {"A", 1}}));
    EXPECT_EQ(S().name, "ZWEI");
    EXPECT_EQ(RowsOf(List::MemberRows), (Rows{"B/5", "A/1"}));

    model.Button_CombinationUpClick();
    EXPECT_EQ(RowsOf(List::Combinations), (Rows{"ZWEI", "Eins"}));
    EXPECT_EQ(workspace.combinations.At(0).name, "ZWEI");
    EXPECT_EQ(S().selectedCombination, 0);
    EXPECT_EQ(S().name, "ZWEI");
    EXPECT_EQ(Enabled(), "CombinationUpdate CombinationDel CombinationDown");
    model.Button_CombinationDownClick();
    EXPECT_EQ(RowsOf(List::Combinations), (Rows{"Eins", "ZWEI"}));
    EXPECT_EQ(S().selectedCombination, 1);

    // The deleted record leaves the result-sorted order of the last evaluation too.
    model.Button_NextClick();
    model.Button_BackClick();
    model.Button_CombinationDelClick();
    EXPECT_EQ(RowsOf(List::Combinations), Rows{"Eins"});
    ASSERT_EQ(workspace.evaluation.sorted.size(), 1u);
    EXPECT_EQ(workspace.evaluation.sorted[0], &workspace.combinations.At(0));
    EXPECT_EQ(S().selectedCombination, -1);
    EXPECT_EQ(S().name, "");
    EXPECT_EQ(Enabled(), "");
}

TEST_F(CombinationsWindowModelTest, AnUnresolvableRowFailsAndChangesNothing) {
    Option("A", 1);
    Option("B", 2);
    Stored("Eins", {{"A", 2}});
    model.ShowWindow();
    model.ListView_CombinationsClick(0);
    // The option is renamed in the main window while the rows show the old name.
    workspace.options.At(0).name = "A neu";
    model.EditCombinationName("Anders");
    try {
        model.Button_CombinationUpdateClick();
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "Listenindex überschreitet das Maximum (2)");
    }
    EXPECT_EQ(workspace.combinations.At(0).name, "Eins");
    EXPECT_EQ(MemberRowsOf(workspace.combinations.At(0)), (std::vector<MemberRow>{{"A neu", 2}}));
    model.EditCombinationName("Neu");
    EXPECT_THROW(model.Button_CombinationAddClick(), Failure);
    EXPECT_EQ(RowsOf(List::Combinations), Rows{"Eins"});
    EXPECT_EQ(S().name, "Neu");
}

TEST_F(CombinationsWindowModelTest, PagesAndClosing) {
    Option("A", 1);
    Stored("Eins", {{"A", 1}});
    model.ShowWindow();
    model.Button_NextClick();
    EXPECT_EQ(S().page, 1);
    EXPECT_EQ(S().defaultButton, CombinationsDefaultButton::Back);
    EXPECT_TRUE(model.DiagramShowing());
    EXPECT_EQ(workspace.combinations.At(0).result, 1.0L);
    EXPECT_EQ(RowsOf(List::Diagram), Rows{"Eins, 1"});

    // Back recomputes nothing.
    model.Button_BackClick();
    EXPECT_EQ(S().page, 0);
    EXPECT_FALSE(model.DiagramShowing());
    workspace.options.At(0).results.push_back({0, 1, true});
    RecountOutcomes(workspace.options.At(0));
    model.Button_NextClick();
    EXPECT_EQ(workspace.combinations.At(0).result, 2.0L);

    // Closed, the page stays; shown again on the diagram page, it evaluates again.
    model.Button_CloseClick();
    EXPECT_FALSE(S().visible);
    EXPECT_FALSE(model.DiagramShowing());
    EXPECT_EQ(model.Page(), 1);
    workspace.options.At(0).results.push_back({0, 1, true});
    RecountOutcomes(workspace.options.At(0));
    model.ShowWindow();
    EXPECT_EQ(S().page, 1);
    EXPECT_EQ(workspace.combinations.At(0).result, 3.0L);
    EXPECT_EQ(RowsOf(List::Diagram), Rows{"Eins, 3"});

    model.SetPage(7);
    EXPECT_EQ(S().page, 0);
    EXPECT_EQ(S().defaultButton, CombinationsDefaultButton::Next);
    model.CloseWindow();
    EXPECT_FALSE(S().visible);
}

TEST_F(CombinationsWindowModelTest, DiagramRowsFollowEvaluationAndSortMark) {
    Option("A", 2);
    Option("B", -1);
    Stored("Minus", {{"B", 1}});
    Stored("Beide", {{"A", 1}, {"B", 1}});
    model.ShowWindow();
    model.Button_NextClick();
    EXPECT_EQ(RowsOf(List::Diagram), (Rows{"Minus, -1", "Beide, 0,5"}));
    const DiagramFont font{[](const std::string& text) { return static_cast<int>(text.size()); },
                           10};
    const DiagramRow row = model.DiagramRowIn(1, {0, 16, 497, 32}, font);
    EXPECT_TRUE(row.draw);
    EXPECT_EQ(row.name.text, "Beide");
    EXPECT_EQ(row.value.text, "0,5");
    EXPECT_FALSE(model.DiagramRowIn(2, {0, 32, 497, 48}, font).draw);

    model.CheckBox_SortClick(true);
    EXPECT_TRUE(S().sorted);
    EXPECT_EQ(view.changes.back().second.kind, CombinationsListChange::Kind::Repaint);
    EXPECT_EQ(RowsOf(List::Diagram), (Rows{"1. Beide, 0,5", "2. Minus, -1"}));
    EXPECT_EQ(model.DiagramRowIn(0, {0, 0, 497, 16}, font).name.text, "Beide");
}

TEST_F(CombinationsWindowModelTest, TheWorkspaceTellsTheDiagramAndTheDiscard) {
    Option("A", 2);
    Option("B", -1);
    Stored("Beide", {{"A", 1}, {"B", 1}});
    // Not showing: nothing is evaluated or drawn.
    workspace.RefreshDiagramIfShowing();
    EXPECT_EQ(workspace.combinations.At(0).result, 0.0L);
    EXPECT_TRUE(view.changes.empty());

    model.ShowWindow();
    model.Button_NextClick();
    EXPECT_EQ(RowsOf(List::Diagram), Rows{"Beide, 0,5"});
    workspace.combinations.RemoveMembersOf(&workspace.options.At(1),
                                           [&] { workspace.RefreshDiagramIfShowing(); });
    EXPECT_EQ(view.changes.back().second.kind, CombinationsListChange::Kind::Repaint);
    EXPECT_EQ(RowsOf(List::Diagram), Rows{"Beide, 2"});

    // Discarded while visible: shown anew (the diagram page evaluates again).
    model.ListView_CombinationsClick(0);
    workspace.combinations.Clear();
    workspace.evaluation.sorted.clear();
    workspace.options.RemoveAllOptions();
    workspace.TellCombinationsDiscarded();
    EXPECT_EQ(RowsOf(List::Combinations), Rows{});
    EXPECT_EQ(RowsOf(List::Choice), Rows{});
    EXPECT_EQ(RowsOf(List::Diagram), Rows{});
    EXPECT_EQ(S().selectedCombination, -1);
    EXPECT_EQ(S().page, 1);

    // Discarded while hidden: the lists let go of their rows until the next showing.
    model.CloseWindow();
    Option("C", 1);
    Stored("Neu", {{"C", 1}});
    model.ShowWindow();
    model.Button_BackClick();
    model.ListView_CombinationsClick(0);
    ASSERT_EQ(S().selectedCombination, 0);
    model.CloseWindow();
    workspace.combinations.Clear();
    workspace.TellCombinationsDiscarded();
    EXPECT_FALSE(S().visible);
    EXPECT_EQ(RowsOf(List::Combinations), Rows{});
    EXPECT_EQ(S().selectedCombination, -1);
    EXPECT_EQ(Enabled(), "");
}

TEST(CombinationsWindowModel, LeavesTheWorkspaceWhenItGoes) {
    Workspace workspace;
    ScriptedDialogs dialogs;
    {
        CombinationsWindowModel model(workspace, dialogs, ",");
        EXPECT_TRUE(workspace.HasListener(&model));
    }
    EXPECT_TRUE(workspace.HasListener(nullptr));
}

}  // namespace
}  // namespace rangwerk
