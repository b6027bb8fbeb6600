#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "combinations/combination_draft.h"
#include "combinations/combination_workspace.h"
#include "platform/action_guard.h"
#include "platform/dialogs.h"

class QPainter;
class QTreeWidget;

namespace Ui {
class Form2;
}

namespace rangwerk {

// The combinations window: defines combinations of options with factors on its first page
// ("Voreinstellungen") and shows their evaluation as a bar diagram on its second ("Diagramm").
// A tool window over the main window, not modal; closing it only hides it.
class TForm2 : public QDialog, public CombinationView {
    Q_OBJECT

public:
    // Registers itself as the project's combination view for as long as it exists.
    TForm2(CombinationWorkspace& project, Dialogs& dialogs, QWidget* mainWindow);
    ~TForm2() override;

    // CombinationView
    // Runs FormShow inside the caller's action, before the window appears.
    void ShowWindow() override;
    void CloseWindow() override;
    bool WindowVisible() const override;
    int Page() const override;
    void SetPage(int page) override;
    bool DiagramShowing() const override;
    void DiagramChanged() override;
    void CombinationsDiscarded() override;

    // The event handlers. Each user action enters through one guard (at the control's
    // connection), so a failure ends the whole action and shows the general error box once;
    // handlers call each other directly, inside that action.
    void FormShow();
    void ListView_CombinationsClick();
    void ListView_OptionsClick();
    void ComboBox_OptionsChange();
    void Button_CombinationAddClick(QObject* sender);
    void Button_CombinationDelClick();
    void Button_CombinationUpDownClick(QObject* sender);
    void Button_OptionAddClick();
    void Button_OptionUpdateClick();
    void Button_OptionDelClick();
    void Button_OptionUpDownClick(QObject* sender);
    void Button_NextClick();
    void Button_BackClick();
    void Button_CloseClick();
    void CheckBox_SortClick();
    // Paints diagram row `index` into `rect` (viewport coordinates of ListBox_Combinations).
    void ListBox_CombinationsDrawItem(QPainter& painter, int index, const QRect& rect,
                                      bool selected);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectControls();
    void CentreOverMainWindow();
    template <class Handler>
    void Guarded(Handler&& handler);

    void ApplyCombinationRule();
    void ApplyMemberRowRule();
    void ApplyChoiceRule();
    int SelectedCombination() const;
    int SelectedMemberRow() const;
    void SelectRow(QTreeWidget* list, int row);
    // The lists show the model: one row per combination, one row per member row of the draft.
    // Rows that stay keep their place, so selection and scrolling stay as they are.
    void ShowCombinationRows();
    void ShowDraftRows();
    void ShowDraft();
    void ChooseNothing();
    void FillDiagramRows();
    // Accessible names of the controls that have no label of their own.
    void NameControls();
    // The diagram's rows get the texts a screen reader says for them.
    void SpeakDiagramRows();

    CombinationWorkspace& project_;
    Dialogs& dialogs_;
    ActionGuard guard_{dialogs_};
    QWidget* mainWindow_;
    // The combination being edited: the name field and the member rows show it.
    CombinationDraft draft_;
    // The option names of ComboBox_Options, in its order.
    std::vector<std::string> choiceNames_;
    // Selections made by the program itself do not count as clicks.
    int selectingFromCode_ = 0;
    // Set while ShowWindow shows the window; it has run FormShow itself.
    bool showingForCaller_ = false;
    bool mouseDownInCombinations_ = false;
    bool mouseDownInOptions_ = false;

    // The controls, laid out by ranko2.ui.
    std::unique_ptr<Ui::Form2> ui_;
};

}  // namespace rangwerk
