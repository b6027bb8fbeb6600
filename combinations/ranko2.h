#pragma once

#include <QDialog>

#include "platform/dialogs.h"
#include "combinations/combination_workspace.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

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
    void ShowWindow() override;
    void CloseWindow() override;
    bool WindowVisible() const override;
    int Page() const override;
    void SetPage(int page) override;
    bool DiagramShowing() const override;
    void DiagramChanged() override;
    void CombinationsDiscarded() override;

    // The event handlers. The controls call them through the guarded runner, so a failure
    // ends the action and shows the general error box.
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
    void BuildPreferencesPage(QWidget* page);
    void BuildDiagramPage(QWidget* page);
    void CentreOverMainWindow();
    template <class Handler>
    void Guarded(Handler&& handler);

    void ApplyCombinationRule();
    void ApplyMemberRowRule();
    void ApplyChoiceRule();
    int SelectedCombination() const;
    int SelectedMemberRow() const;
    void SelectRow(QTreeWidget* list, int row);
    std::vector<MemberRow> MemberRowsOnScreen() const;
    void AppendMemberRow(const QString& name, int factor);
    bool MemberNameTaken(const QString& name, int exceptRow) const;
    void ChooseNothing();
    void FillDiagramRows();
    // Accessible names of the controls that have no label of their own.
    void NameControls();
    // The diagram's rows get the texts a screen reader says for them.
    void SpeakDiagramRows();

    CombinationWorkspace& project_;
    Dialogs& dialogs_;
    QWidget* mainWindow_;
    // Selections made by the program itself do not count as clicks.
    int selectingFromCode_ = 0;
    bool mouseDownInCombinations_ = false;
    bool mouseDownInOptions_ = false;

    QStackedWidget* Notebook = nullptr;
    QPushButton* Button_Close = nullptr;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QTreeWidget* ListView_Combinations = nullptr;
    QLabel* Label_CombinationName = nullptr;
    QLineEdit* Edit_CombinationName = nullptr;
    QLabel* Label3 = nullptr;
    QTreeWidget* ListView_Options = nullptr;
    QComboBox* ComboBox_Options = nullptr;
    QLabel* Label4 = nullptr;
    QSpinBox* SpinEdit_Factor = nullptr;
    QPushButton* Button_OptionAdd = nullptr;
    QPushButton* Button_OptionUpdate = nullptr;
    QPushButton* Button_OptionDel = nullptr;
    QPushButton* Button_OptionUp = nullptr;
    QPushButton* Button_OptionDown = nullptr;
    QPushButton* Button_CombinationAdd = nullptr;
    QPushButton* Button_CombinationUpdate = nullptr;
    QPushButton* Button_CombinationDel = nullptr;
    QPushButton* Button_CombinationUp = nullptr;
    QPushButton* Button_CombinationDown = nullptr;
    QPushButton* Button_Next = nullptr;

    QLabel* Label5 = nullptr;
    QListWidget* ListBox_Combinations = nullptr;
    QCheckBox* CheckBox_Sort = nullptr;
    QPushButton* Button_Back = nullptr;
};

}  // namespace rangwerk
