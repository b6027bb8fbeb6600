#pragma once

#include <QWidget>

#include <memory>

#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "ui/main_window_model.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace Ui {
class Form1;
class CollectPage;
class SettingsPage;
class ComparisonPage;
class ResultPage;
}  // namespace Ui

namespace rangwerk {

class FirstAccessKeyWins;
class MainWindowRows;
class PointsField;

// The main window in Qt: the five pages of ranko1.ui over the main window's model. It shows the
// model's screen state and turns the controls' events into the model's intents.
class TForm1 : public QWidget, private MainWindowView {
    Q_OBJECT

public:
    TForm1(MainWindowModel& model, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    MainWindowModel& Model() { return model_; }
    // The page the notebook shows.
    int CurrentPage() const;
    // Makes the controls of every page now; a page otherwise gets them when it is first shown.
    Q_INVOKABLE void MakeControls();

signals:
    // The window was closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // MainWindowView
    void Refresh() override;
    void ListChanged(MainList list, const ListChange& change) override;
    void PopUpChooseMenu(PairSide side) override;
    void CloseWindow() override;

    // A page's controls from its form, and what the form cannot say; once per page.
    void MakePage(MainPage page);
    void SetUpPanel();
    void SetUpStartPage();
    void SetUpCollectPage();
    void SetUpSettingsPage();
    void SetUpComparisonPage();
    void SetUpResultPage();
    void Click(QAbstractButton* button, void (MainWindowModel::*intent)());
    void ConnectWindowAndStartPage();
    void ConnectCollectPage();
    void ConnectSettingsPage();
    void ConnectComparisonPage();
    void ConnectResultPage();
    void RebuildChooseMenu();
    // Accessible names of the controls that have no caption of their own.
    void NameWindowControls();
    void NameComparisonControls();

    // A model intent wrapped for `connect`: one user action, guarded where its event enters.
    // Signals the window causes itself while it shows the model reach no intent.
    template <class Intent>
    auto Action(Intent intent);

    QWidget* Control(MainControl control) const;
    bool KeyGoesToFocusWidget(QObject* watched) const;

    MainWindowModel& model_;
    ActionGuard guard_;
    std::unique_ptr<Ui::Form1> ui_;
    std::unique_ptr<Ui::CollectPage> collect_;
    std::unique_ptr<Ui::SettingsPage> settings_;
    std::unique_ptr<Ui::ComparisonPage> comparison_;
    std::unique_ptr<Ui::ResultPage> result_;
    FirstAccessKeyWins* accessKeys_ = nullptr;
    bool showing_ = false;  // set while Refresh and ListChanged change the controls
    int focusRequest_ = 0;
    int announcementRequest_ = 0;
    bool centred_ = false;

    MainWindowRows* optionRows_ = nullptr;
    MainWindowRows* liveRows_ = nullptr;
    MainWindowRows* resultRows_ = nullptr;

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
    QListView* ListView_1Options = nullptr;
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
    QListView* ListBox_3Ranking = nullptr;
    QPushButton* Button_3Back = nullptr;
    QPushButton* Button_3Next = nullptr;
    QMenu* PopupMenu_3ChooseOption = nullptr;

    QPushButton* Button_4Combinations = nullptr;
    QListView* ListBox_4Ranking = nullptr;
    QPushButton* Button_4Back = nullptr;
    QPushButton* Button_4Restart = nullptr;
};

}  // namespace rangwerk
