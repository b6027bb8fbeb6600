#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "combinations/combination_draft.h"
#include "combinations/combination_workspace.h"
#include "combinations/combinations_window_control.h"
#include "drawing/diagram_row.h"
#include "platform/dialogs.h"

namespace rangwerk {

// The lists of the combinations window.
enum class CombinationsList {
    Combinations,  // ListView_Combinations: one row per combination, in list order
    MemberRows,    // ListView_Options: the member rows being edited (option, "Faktor")
    Choice,        // ComboBox_Options: the option names, in reading order
    Diagram,       // ListBox_Combinations: one drawn row per combination
};

// How a list's rows changed; the rows are read from the model afterwards.
struct CombinationsListChange {
    enum class Kind {
        Reset,     // every row may be new
        Inserted,  // a row was inserted at `row`
        Removed,   // the row at `row` was taken out
        Moved,     // the row at `row` now stands at `to`, the rows between moved one place
        Changed,   // the row at `row` shows other texts
        Repaint,   // the same rows, drawn anew (the diagram after an evaluation or a sort)
    };
    Kind kind = Kind::Reset;
    int row = -1;
    int to = -1;

    bool operator==(const CombinationsListChange&) const = default;
};

// The button the Enter key presses on the current page.
enum class CombinationsDefaultButton { Next, Back };

// The control the keyboard focus is moved to.
enum class CombinationsFocus { None, NameField };

// What the combinations window shows. The rows themselves are read through the model's row
// functions; the counts here are the rows each list has, changed only together with a
// ListChanged call.
struct CombinationsScreen {
    bool visible = false;
    // Counts the requests to bring the window to the front (each ShowWindow).
    int showRequest = 0;
    // 0 "Voreinstellungen", 1 "Diagramm".
    int page = 0;
    CombinationsDefaultButton defaultButton = CombinationsDefaultButton::Next;

    // "Voreinstellungen". Selections and the choice are rows, -1 for none.
    int combinationRows = 0;
    int selectedCombination = -1;
    std::string name;  // Edit_CombinationName
    int memberRows = 0;
    int selectedMemberRow = -1;
    int choiceRows = 0;
    int chosenOption = -1;
    std::string factorText = "1";  // SpinEdit_Factor as typed
    std::int32_t factor = 1;       // the factor that text stands for

    // The combination rule.
    bool combinationUpdateEnabled = false;
    bool combinationDelEnabled = false;
    bool combinationUpEnabled = false;
    bool combinationDownEnabled = false;
    // The member row rule.
    bool optionDelEnabled = false;
    bool optionUpEnabled = false;
    bool optionDownEnabled = false;
    // The choice rule.
    bool optionAddEnabled = false;
    bool optionUpdateEnabled = false;

    // "Diagramm".
    int diagramRows = 0;
    bool sorted = false;  // "Nach Ergebnis &sortieren"

    CombinationsFocus focus = CombinationsFocus::None;
    // Counts the moves of the focus; a window applies `focus` when this changed.
    int focusRequest = 0;
};

// What the model asks of the window that shows it.
class CombinationsView {
public:
    virtual ~CombinationsView() = default;
    // Shows Screen() now.
    virtual void Refresh() = 0;
    // The rows of `list` changed; Screen() already has the new count.
    virtual void ListChanged(CombinationsList list, const CombinationsListChange& change) = 0;
};

// The combinations window without its window: the combination list, the editing area of one
// combination (name, member rows, option choice, factor), the diagram, the page and the
// visibility, with the enabling rules, the flows of the buttons and their messages. It is the
// combinations window the main window drives and the listener the combinations notify; it
// registers with the workspace for as long as it exists.
class CombinationsWindowModel : public CombinationsWindowControl, public CombinationListener {
public:
    // `decimalSeparator` is the system's, used in the diagram's values.
    CombinationsWindowModel(CombinationWorkspace& workspace, Dialogs& dialogs,
                            std::string decimalSeparator);
    ~CombinationsWindowModel() override;
    CombinationsWindowModel(const CombinationsWindowModel&) = delete;
    CombinationsWindowModel& operator=(const CombinationsWindowModel&) = delete;

    void SetView(CombinationsView* view) { view_ = view; }
    const CombinationsScreen& Screen() const { return screen_; }

    // The rows. A row outside the list gives an empty text (and a diagram row that draws
    // nothing).
    std::string CombinationRow(int row) const;
    std::string MemberOptionName(int row) const;
    std::string MemberFactorText(int row) const;
    std::string ChoiceRow(int row) const;
    // Diagram row `row` laid out in `rect` from the last evaluation, in the current order.
    DiagramRow DiagramRowIn(int row, const Rect& rect, const DiagramFont& font) const;
    // What a screen reader says for diagram row `row`: the same rank and value as drawn.
    std::string SpokenDiagramRow(int row) const;

    // CombinationsWindowControl. Showing runs FormShow before the window appears, so that a
    // failure leaves it hidden; showing a visible window brings it to the front.
    void ShowWindow() override;
    void CloseWindow() override;
    bool WindowVisible() const override { return screen_.visible; }
    int Page() const override { return screen_.page; }
    void SetPage(int page) override;

    // CombinationListener
    bool DiagramShowing() const override;
    void DiagramChanged() override;
    void CombinationsDiscarded() override;

    // The user's intents, named after their handlers. A click in a list passes the row it
    // left selected (-1: none), a choice the chosen row.
    void ListView_CombinationsClick(int row);
    void ListView_OptionsClick(int row);
    void ComboBox_OptionsChange(int choice);
    void EditCombinationName(std::string text);
    // Any text may be typed into the factor field; it stands for FactorFromText of it.
    void EditFactorField(std::string text);
    // The arrows: the factor the text stands for, moved by `delta` within 1..8191.
    void StepFactorField(int delta);
    // Leaving the field shows the factor its text stands for.
    void FactorFieldLeft();
    void Button_CombinationAddClick();
    void Button_CombinationUpdateClick();
    void Button_CombinationDelClick();
    void Button_CombinationUpClick();
    void Button_CombinationDownClick();
    void Button_OptionAddClick();
    void Button_OptionUpdateClick();
    void Button_OptionDelClick();
    void Button_OptionUpClick();
    void Button_OptionDownClick();
    void Button_NextClick();
    void Button_BackClick();
    void Button_CloseClick();
    void CheckBox_SortClick(bool checked);

private:
    // The handlers' work without showing it; the intents show the result once. FormShow
    // fills the lists anew, as each showing does.
    void FormShow();
    void CombinationsClicked(int row);
    void MemberRowsClicked(int row);
    void Evaluate();
    void AddOrUpdateCombination(bool update);
    void MoveCombination(bool up);
    void MoveMemberRow(bool up);
    void ShowRefusal(const Refusal& refusal);
    void SetFactorText(std::string text);
    void FocusNameField();
    // Sets the list's row count and tells the window.
    void Tell(CombinationsList list, CombinationsListChange change, int rows);
    // Applies the three rules to the selections and shows the screen.
    void Show();

    CombinationWorkspace& workspace_;
    Dialogs& dialogs_;
    const std::string decimalSeparator_;
    CombinationsView* view_ = nullptr;
    // The combination being edited: the name field and the member rows show it.
    CombinationDraft draft_;
    // The option names of the choice, taken when the window is shown.
    std::vector<std::string> choice_;
    CombinationsScreen screen_;
};

}  // namespace rangwerk
