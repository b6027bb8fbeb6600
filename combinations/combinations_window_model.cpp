#include "combinations/combinations_window_model.h"

#include <algorithm>
#include <utility>

#include "base/text.h"
#include "combinations/factor_text.h"
#include "core/name_order.h"
#include "drawing/diagram_speech.h"

namespace rangwerk {
namespace {

using Kind = CombinationsListChange::Kind;

bool IsRow(int row, int rows) {
    return row >= 0 && row < rows;
}

std::size_t Index(int row) {
    return static_cast<std::size_t>(row);
}

}  // namespace

CombinationsWindowModel::CombinationsWindowModel(CombinationWorkspace& workspace, Dialogs& dialogs,
                                                 std::string decimalSeparator)
    : workspace_(workspace), dialogs_(dialogs), decimalSeparator_(std::move(decimalSeparator)) {
    workspace_.SetListener(this);
}

CombinationsWindowModel::~CombinationsWindowModel() {
    if (workspace_.HasListener(this))
        workspace_.SetListener(nullptr);
}

// --- Rows ---------------------------------------------------------------------------------

std::string CombinationsWindowModel::CombinationRow(int row) const {
    if (!IsRow(row, screen_.combinationRows) || Index(row) >= workspace_.combinations.Count())
        return {};
    return workspace_.combinations.At(Index(row)).name;
}

std::string CombinationsWindowModel::MemberOptionName(int row) const {
    return IsRow(row, screen_.memberRows) && Index(row) < draft_.RowCount()
               ? draft_.Rows()[Index(row)].optionName
               : std::string();
}

std::string CombinationsWindowModel::MemberFactorText(int row) const {
    return IsRow(row, screen_.memberRows) && Index(row) < draft_.RowCount()
               ? std::to_string(draft_.Rows()[Index(row)].factor)
               : std::string();
}

std::string CombinationsWindowModel::ChoiceRow(int row) const {
    return IsRow(row, screen_.choiceRows) && Index(row) < choice_.size() ? choice_[Index(row)]
                                                                         : std::string();
}

DiagramRow CombinationsWindowModel::DiagramRowIn(int row, const Rect& rect,
                                                 const DiagramFont& font) const {
    if (!IsRow(row, screen_.diagramRows))
        return {};
    return LayDiagramRow(Index(row), rect, screen_.sorted, workspace_.combinations,
                         workspace_.evaluation, font, decimalSeparator_);
}

std::string CombinationsWindowModel::SpokenDiagramRow(int row) const {
    if (!IsRow(row, screen_.diagramRows))
        return {};
    return rangwerk::SpokenDiagramRow(Index(row), screen_.sorted, workspace_.combinations,
                                      workspace_.evaluation, decimalSeparator_);
}

// --- Calls from outside -------------------------------------------------------------------

void CombinationsWindowModel::ShowWindow() {
    if (!screen_.visible) {
        FormShow();
        screen_.visible = true;
    }
    ++screen_.showRequest;
    Show();
}

void CombinationsWindowModel::CloseWindow() {
    screen_.visible = false;
    Show();
}

void CombinationsWindowModel::SetPage(int page) {
    screen_.page = page == 1 ? 1 : 0;
    Show();
}

bool CombinationsWindowModel::DiagramShowing() const {
    return screen_.visible && screen_.page == 1;
}

void CombinationsWindowModel::DiagramChanged() {
    Tell(CombinationsList::Diagram, {Kind::Repaint}, screen_.diagramRows);
}

void CombinationsWindowModel::CombinationsDiscarded() {
    if (screen_.visible) {
        FormShow();
    } else {
        // Hidden, the lists keep no rows of discarded combinations; showing fills them again.
        screen_.selectedCombination = -1;
        Tell(CombinationsList::Combinations, {Kind::Reset}, 0);
        Tell(CombinationsList::Diagram, {Kind::Reset}, 0);
    }
    Show();
}

// --- Handlers -----------------------------------------------------------------------------

void CombinationsWindowModel::FormShow() {
    screen_.selectedCombination = -1;
    Tell(CombinationsList::Combinations, {Kind::Reset},
         static_cast<int>(workspace_.combinations.Count()));
    CombinationsClicked(-1);

    // The choice offers the options' names as they are now, in reading order.
    choice_.clear();
    for (const OptionRecord* option : workspace_.options.InOrder()) choice_.push_back(option->name);
    std::stable_sort(choice_.begin(), choice_.end(),
                     [](const std::string& a, const std::string& b) {
                         return CompareNamesForReading(a, b) < 0;
                     });
    screen_.chosenOption = -1;
    Tell(CombinationsList::Choice, {Kind::Reset}, static_cast<int>(choice_.size()));

    if (screen_.page == 1)
        Evaluate();
}

void CombinationsWindowModel::ListView_CombinationsClick(int row) {
    CombinationsClicked(row);
    Show();
}

void CombinationsWindowModel::CombinationsClicked(int row) {
    screen_.selectedCombination = IsRow(row, screen_.combinationRows) ? row : -1;
    // The member rows start afresh, without a selected row: the choice and the factor return
    // to their start.
    if (screen_.selectedCombination >= 0) {
        draft_.Load(workspace_.combinations.At(Index(screen_.selectedCombination)));
    } else {
        draft_.Clear();
    }
    Tell(CombinationsList::MemberRows, {Kind::Reset}, static_cast<int>(draft_.RowCount()));
    MemberRowsClicked(-1);
}

void CombinationsWindowModel::ListView_OptionsClick(int row) {
    MemberRowsClicked(row);
    Show();
}

void CombinationsWindowModel::MemberRowsClicked(int row) {
    screen_.selectedMemberRow = IsRow(row, screen_.memberRows) ? row : -1;
    screen_.chosenOption = -1;
    if (screen_.selectedMemberRow < 0) {
        SetFactorText("1");
        return;
    }
    const MemberRow& member = draft_.Rows()[Index(screen_.selectedMemberRow)];
    const auto chosen = std::find_if(choice_.begin(), choice_.end(), [&](const std::string& n) {
        return EqualIgnoringCase(n, member.optionName);
    });
    if (chosen != choice_.end())
        screen_.chosenOption = static_cast<int>(chosen - choice_.begin());
    SetFactorText(std::to_string(member.factor));
}

void CombinationsWindowModel::ComboBox_OptionsChange(int choice) {
    screen_.chosenOption = IsRow(choice, screen_.choiceRows) ? choice : -1;
    Show();
}

void CombinationsWindowModel::EditCombinationName(std::string text) {
    draft_.SetName(std::move(text));
    Show();
}

void CombinationsWindowModel::EditFactorField(std::string text) {
    SetFactorText(std::move(text));
    Show();
}

void CombinationsWindowModel::StepFactorField(int delta) {
    const std::int64_t factor = static_cast<std::int64_t>(screen_.factor) + delta;
    SetFactorText(std::to_string(std::clamp<std::int64_t>(factor, kMinFactor, kMaxFactor)));
    Show();
}

void CombinationsWindowModel::FactorFieldLeft() {
    SetFactorText(std::to_string(screen_.factor));
    Show();
}

void CombinationsWindowModel::SetFactorText(std::string text) {
    screen_.factor = FactorFromText(text);
    screen_.factorText = std::move(text);
}

void CombinationsWindowModel::Button_OptionAddClick() {
    if (screen_.chosenOption < 0)
        return;
    if (auto refusal = draft_.AddRow(choice_[Index(screen_.chosenOption)], screen_.factor)) {
        ShowRefusal(*refusal);
        return;
    }
    const int added = static_cast<int>(draft_.RowCount()) - 1;
    Tell(CombinationsList::MemberRows, {Kind::Inserted, added}, added + 1);
    screen_.chosenOption = -1;
    SetFactorText("1");
    Show();
}

void CombinationsWindowModel::Button_OptionUpdateClick() {
    // Without a selected row there is no row to change: the press is ignored.
    const int selected = screen_.selectedMemberRow;
    if (selected < 0 || screen_.chosenOption < 0)
        return;
    if (auto refusal = draft_.UpdateRow(Index(selected), choice_[Index(screen_.chosenOption)],
                                        screen_.factor)) {
        ShowRefusal(*refusal);
        return;
    }
    Tell(CombinationsList::MemberRows, {Kind::Changed, selected}, screen_.memberRows);
    Show();
}

void CombinationsWindowModel::Button_OptionDelClick() {
    const int selected = screen_.selectedMemberRow;
    if (selected < 0)
        return;
    draft_.RemoveRow(Index(selected));
    Tell(CombinationsList::MemberRows, {Kind::Removed, selected}, screen_.memberRows - 1);
    MemberRowsClicked(-1);
    Show();
}

void CombinationsWindowModel::Button_OptionUpClick() {
    MoveMemberRow(true);
}

void CombinationsWindowModel::Button_OptionDownClick() {
    MoveMemberRow(false);
}

void CombinationsWindowModel::MoveMemberRow(bool up) {
    const int selected = screen_.selectedMemberRow;
    if (selected < 0)
        return;
    const int target = static_cast<int>(draft_.MoveRow(Index(selected), up));
    if (target == selected)
        return;
    Tell(CombinationsList::MemberRows, {Kind::Moved, selected, target}, screen_.memberRows);
    MemberRowsClicked(target);
    Show();
}

void CombinationsWindowModel::Button_CombinationAddClick() {
    AddOrUpdateCombination(false);
}

void CombinationsWindowModel::Button_CombinationUpdateClick() {
    AddOrUpdateCombination(true);
}

void CombinationsWindowModel::AddOrUpdateCombination(bool update) {
    CombinationList& combinations = workspace_.combinations;
    if (update) {
        const int selected = screen_.selectedCombination;
        if (selected < 0)
            return;
        if (auto refusal = combinations.UpdateCombination(Index(selected), draft_.Name(),
                                                          draft_.Rows(), workspace_.options)) {
            ShowRefusal(*refusal);
            return;
        }
        // The name field and the member rows stay as they are.
        Tell(CombinationsList::Combinations, {Kind::Changed, selected}, screen_.combinationRows);
        Show();
        return;
    }

    if (auto refusal =
            combinations.AddCombination(draft_.Name(), draft_.Rows(), workspace_.options)) {
        ShowRefusal(*refusal);
        return;
    }
    // A new row at the end, the selection as it was; the editing area starts afresh.
    const int added = static_cast<int>(combinations.Count()) - 1;
    Tell(CombinationsList::Combinations, {Kind::Inserted, added}, added + 1);
    draft_.Clear();
    Tell(CombinationsList::MemberRows, {Kind::Reset}, 0);
    MemberRowsClicked(-1);
    FocusNameField();
    Show();
}

void CombinationsWindowModel::Button_CombinationDelClick() {
    const int selected = screen_.selectedCombination;
    if (selected < 0)
        return;
    workspace_.combinations.DeleteCombination(Index(selected), workspace_.evaluation);
    Tell(CombinationsList::Combinations, {Kind::Removed, selected}, screen_.combinationRows - 1);
    CombinationsClicked(-1);
    Show();
}

void CombinationsWindowModel::Button_CombinationUpClick() {
    MoveCombination(true);
}

void CombinationsWindowModel::Button_CombinationDownClick() {
    MoveCombination(false);
}

void CombinationsWindowModel::MoveCombination(bool up) {
    const int selected = screen_.selectedCombination;
    if (selected < 0)
        return;
    const int target =
        static_cast<int>(workspace_.combinations.MoveCombination(Index(selected), up));
    Tell(CombinationsList::Combinations, {Kind::Moved, selected, target}, screen_.combinationRows);
    CombinationsClicked(target);
    Show();
}

void CombinationsWindowModel::Button_NextClick() {
    Evaluate();
    Show();
}

void CombinationsWindowModel::Evaluate() {
    workspace_.EvaluateCombinations();
    Tell(CombinationsList::Diagram, {Kind::Reset},
         static_cast<int>(workspace_.combinations.Count()));
    screen_.page = 1;
}

void CombinationsWindowModel::Button_BackClick() {
    screen_.page = 0;
    Show();
}

void CombinationsWindowModel::Button_CloseClick() {
    CloseWindow();
}

void CombinationsWindowModel::CheckBox_SortClick(bool checked) {
    // The sorted order is the one the last evaluation computed.
    screen_.sorted = checked;
    Tell(CombinationsList::Diagram, {Kind::Repaint}, screen_.diagramRows);
    Show();
}

// --- Helpers ------------------------------------------------------------------------------

void CombinationsWindowModel::ShowRefusal(const Refusal& refusal) {
    dialogs_.ShowMessage(RefusalBox(refusal.text, refusal.caption));
}

void CombinationsWindowModel::FocusNameField() {
    screen_.focus = CombinationsFocus::NameField;
    ++screen_.focusRequest;
}

void CombinationsWindowModel::Tell(CombinationsList list, CombinationsListChange change, int rows) {
    switch (list) {
        case CombinationsList::Combinations:
            screen_.combinationRows = rows;
            break;
        case CombinationsList::MemberRows:
            screen_.memberRows = rows;
            break;
        case CombinationsList::Choice:
            screen_.choiceRows = rows;
            break;
        case CombinationsList::Diagram:
            screen_.diagramRows = rows;
            break;
    }
    if (view_)
        view_->ListChanged(list, change);
}

void CombinationsWindowModel::Show() {
    CombinationsScreen& s = screen_;
    s.defaultButton =
        s.page == 0 ? CombinationsDefaultButton::Next : CombinationsDefaultButton::Back;
    s.name = draft_.Name();

    const int combination = s.selectedCombination;
    s.combinationDelEnabled = combination >= 0;
    s.combinationUpEnabled = combination > 0;
    s.combinationDownEnabled = combination >= 0 && combination < s.combinationRows - 1;
    s.combinationUpdateEnabled = s.combinationDelEnabled;

    const int member = s.selectedMemberRow;
    s.optionDelEnabled = member >= 0;
    s.optionUpEnabled = member > 0;
    s.optionDownEnabled = member >= 0 && member < s.memberRows - 1;

    s.optionAddEnabled = s.chosenOption >= 0;
    s.optionUpdateEnabled = s.optionAddEnabled;

    if (view_)
        view_->Refresh();
}

}  // namespace rangwerk
