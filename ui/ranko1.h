#pragma once

#include <QAccessible>
#include <QStyleOptionViewItem>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "combinations/combinations_window_control.h"
#include "core/run.h"
#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "project/project.h"
#include "project/project_file.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;

namespace Ui {
class Form1;
}

namespace rangwerk {

class PointsField;

// The main window: a wizard of five pages (start, collect, settings, comparisons, result)
// over the project's working state. The handlers call the model and show what it holds.
class TForm1 : public QWidget, private RunListener, private QAccessible::ActivationObserver {
    Q_OBJECT

public:
    enum Page {
        kPageStart = 0,
        kPageCollect = 1,
        kPageSettings = 2,
        kPageComparisons = 3,
        kPageResult = 4
    };

    TForm1(Project& project, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    // The headline of a page ("Neues Projekt oder Projekt öffnen" … "Ergebnis").
    static QString Headline(int page);

    int CurrentPage() const;
    // Shows the page with its headline; "Startbildschirm" and the save button follow.
    void ShowPage(int page);

    // The window caption: the title alone, or the title with the file name of a project
    // file (the folder is left out): "Rangwerk - [Urlaub.opt]".
    void ShowTitleCaption();
    void ShowFileCaption(const std::string& projectFileName);

    // The collect page's option list rebuilt from the option list; nothing is selected.
    void RebuildOptionList();
    // The live ranking list gets one row per option of the ranking.
    void SetRankingRows(int count);
    // The result list gets the rows of the live ranking list.
    void CopyRankingRowsToResult();
    // The live ranking list is shown on the comparison page exactly when `visible`.
    void ShowLiveRanking(bool visible);
    // The choose-option menu rebuilt from the option list.
    void PreparePopupMenu_3();
    // The settings page's fields set from the project (points, query order, check boxes).
    void ReloadSettingsFromProject();
    // The three answer buttons back in the normal font.
    void ResetAnswerFonts();

    // The seed of the random query order, asked at every run start.
    void SetSeedSource(std::function<std::uint32_t()> seed) { seed_ = std::move(seed); }

    // Shows the info dialog; set by the program's start. Empty: the button does nothing.
    std::function<void()> onInfo;

    // The combinations window the flows drive; set by the program's start. Null: none.
    void SetCombinationsWindow(CombinationsWindowControl* window) { combinationsWindow_ = window; }

    // The full path of the project file in use: empty at start, set by opening and saving,
    // never cleared.
    const std::string& ProjectFileName() const { return projectFileName_; }
    // The page of the main window and of the combinations window, as a project file keeps them.
    ViewFacts CurrentViewFacts() const;

    // The drawing of one row of either ranking list.
    void ListBox_3RankingDrawItem(QListWidget* list, int index, const QStyleOptionViewItem& option,
                                  QPainter& painter);

    // The handlers, callable by the parts that drive the window. They are not guarded
    // themselves: a failure ends the user action that called them and is shown once, where the
    // action entered the window.
    void SpeedButton_0NewClick();
    void SpeedButton_0OpenClick();
    void SpeedButton_0InfoClick();
    void SpeedButton_SaveClick();
    void Button_ExitClick();
    void Button_RestartClick();
    void NotebookPageChanged();
    void Button_1AddClick(QObject* sender);
    void ListView_1OptionsClick();
    void Button_1DelClick();
    void Button_1UpDownClick(QObject* sender);
    void Button_1DelAllClick();
    void Button_1NextClick();
    void Button_2NextClick();
    void Button_2_3_4BackClick();
    void Button_3OptionClick(QObject* sender);
    void Button_3RemisClick();
    void SpeedButton_3ChangeComparisonClick(QObject* sender);
    void Button_3ChooseOptionClick(QObject* sender);
    void MenuItem_3ChooseOption(QAction* item);
    void Memo_3OptionInfoExit(QObject* sender);
    void Button_3NextClick();
    void Button_4RestartClick();
    void Button_4CombinationsClick();
    // Keys 0, 1, 2 on the comparison page; true when the key answered.
    bool FormKeyPress(const QString& text);

signals:
    // The window was closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // RunListener: the steps of the comparison run.
    void RefreshCombinations() override;
    void RankingChanged() override;
    void RunFinished() override;
    void ShowPair(int firstIndex, int secondIndex) override;
    void ShowRecordedAnswer(std::optional<std::int32_t> outcome) override;

    // The form's controls into the members, and what the form cannot say.
    void TakeControlsFromForm();
    void SetUpPanel();
    void SetUpStartPage();
    void SetUpCollectPage();
    void SetUpSettingsPage();
    void SetUpComparisonPage();
    void ConnectHandlers();

    // A handler wrapped for `connect`: one user action, guarded where its event enters.
    template <class Handler>
    auto Action(Handler handler) {
        return guard_.Wrap(std::move(handler));
    }

    int SelectedOptionRow() const;
    void SelectOptionRow(int row);
    void SetAnswerFont(QPushButton* button, bool italic);
    bool KeyGoesToFocusWidget(QObject* watched) const;
    // Writes the project to the file in use.
    void WriteProjectFile();
    // Shows the opened project: rows, settings, the pair and page on screen, combinations.
    void ShowOpenedProject(const ProjectData& data);
    // Stores a pending edit of an information field of the comparison page.
    void StorePendingInfoEdit();

    // Accessible names of the controls that have no caption of their own.
    void NameControls();
    // The ranking lists' rows get the texts a screen reader says for them.
    void SpeakRankingRows();
    // A screen reader that comes while the program runs finds the rows already readable.
    void accessibilityActiveChanged(bool active) override;
    // A new pair and a new result are announced to screen readers.
    void AnnouncePair(const OptionRecord& first, const OptionRecord& second);
    void AnnounceResult();

    Project& project_;
    Dialogs& dialogs_;
    ActionGuard guard_;
    std::unique_ptr<Ui::Form1> ui_;
    std::function<std::uint32_t()> seed_;
    std::string projectFileName_;
    bool centred_ = false;
    CombinationsWindowControl* combinationsWindow_ = nullptr;

    QLabel* Panel_Headline = nullptr;
    QStackedWidget* Notebook = nullptr;
    QPushButton* Button_Exit = nullptr;
    QPushButton* Button_Restart = nullptr;
    QFrame* Panel_Save = nullptr;
    QToolButton* SpeedButton_Save = nullptr;

    QToolButton* SpeedButton_0New = nullptr;
    QToolButton* SpeedButton_0Open = nullptr;
    QToolButton* SpeedButton_0Info = nullptr;

    QLineEdit* Edit_1OptionName = nullptr;
    QPlainTextEdit* Memo_1Info = nullptr;
    QPushButton* Button_1Add = nullptr;
    QPushButton* Button_1Update = nullptr;
    QPushButton* Button_1DelAll = nullptr;
    QListWidget* ListView_1Options = nullptr;
    QPushButton* Button_1Del = nullptr;
    QPushButton* Button_1Up = nullptr;
    QPushButton* Button_1Down = nullptr;
    QPushButton* Button_1Next = nullptr;

    PointsField* SpinEdit_2Win = nullptr;
    PointsField* SpinEdit_2Remis = nullptr;
    PointsField* SpinEdit_2Defeat = nullptr;
    QGroupBox* RadioGroup_2Order = nullptr;
    QButtonGroup* RadioGroup_2OrderItems = nullptr;
    QCheckBox* CheckBox_2LiveScore = nullptr;
    QCheckBox* CheckBox_2KeepOldRanking = nullptr;
    QPushButton* Button_2Back = nullptr;
    QPushButton* Button_2Next = nullptr;

    QPushButton* Button_3Option1 = nullptr;
    QPushButton* Button_3ChooseOption1 = nullptr;
    QPushButton* Button_3ChooseOption2 = nullptr;
    QPushButton* Button_3Option2 = nullptr;
    QPlainTextEdit* Memo_3Option1Info = nullptr;
    QPlainTextEdit* Memo_3Option2Info = nullptr;
    QPushButton* Button_3Remis = nullptr;
    QToolButton* SpeedButton_3PreviousComparison = nullptr;
    QToolButton* SpeedButton_3NextComparison = nullptr;
    QListWidget* ListBox_3Ranking = nullptr;
    QPushButton* Button_3Back = nullptr;
    QPushButton* Button_3Next = nullptr;
    QMenu* PopupMenu_3ChooseOption = nullptr;
    int popupMenuTag_ = 0;  // 0: menu for the first option, 1: for the second

    QPushButton* Button_4Combinations = nullptr;
    QListWidget* ListBox_4Ranking = nullptr;
    QPushButton* Button_4Back = nullptr;
    QPushButton* Button_4Restart = nullptr;
};

}  // namespace rangwerk
