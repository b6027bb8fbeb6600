#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "combinations/combinations_window_control.h"
#include "core/run.h"
#include "core/scoring.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "project/project.h"
#include "project/project_file.h"

namespace rangwerk {

// The five pages of the main window, in the order of its notebook.
enum class MainPage { Start = 0, Collect = 1, Settings = 2, Comparisons = 3, Result = 4 };

// The headline of a page ("Neues Projekt oder Projekt öffnen" … "Ergebnis").
const char* MainPageHeadline(MainPage page);

// The two options of the pair on the comparison page: left and right.
enum class PairSide { First, Second };

// The three points fields of the settings page.
enum class ScoreField { Win, Remis, Defeat };

// The three answer buttons of the comparison page, for the italic mark of a recorded answer.
enum class AnswerButton { None, Option1, Remis, Option2 };

// The controls the model names: where the keyboard focus goes, which button Enter presses.
enum class MainControl {
    None,
    Edit_1OptionName,
    Button_1Add,
    Button_3Option1,
    Button_3Remis,
    Button_3Option2,
};

// The lists of the window whose rows the model holds.
enum class MainList {
    Options,        // ListView_1Options: one row per option, its name
    LiveRanking,    // ListBox_3Ranking
    ResultRanking,  // ListBox_4Ranking
    ChooseMenu,     // PopupMenu_3ChooseOption: one item per option
};

// A change of a list's rows, told to the window as it happens, after the rows have changed.
struct ListChange {
    enum class Kind {
        Reset,     // every row may be new (and nothing of the list's own selection stays)
        Inserted,  // `row` is new
        Removed,   // `row` is gone
        Moved,     // the row at `row` now stands at `to`
        Changed,   // the text of `row` changed
        Repaint,   // the rows are the same, their drawing changed
    };
    Kind kind = Kind::Reset;
    int row = -1;
    int to = -1;

    bool operator==(const ListChange&) const = default;
};

// One item of the choose-option menu.
struct ChooseMenuItem {
    std::string caption;
    bool visible = true;
    bool checked = false;

    bool operator==(const ChooseMenuItem&) const = default;
};

// What a screen reader is told without a move of the focus.
enum class Announcement { Pair, Result };

// What the window shows, kept by the model. The initial values are the window at its creation.
struct MainWindowScreen {
    MainPage page = MainPage::Start;
    std::string headline = MainPageHeadline(MainPage::Start);
    std::string caption = kApplicationTitle;
    // "Startbildschirm" and the save button.
    bool restartVisible = false;
    bool saveVisible = false;
    // The button Enter presses on the current page, from any control that leaves Enter to the
    // window.
    MainControl defaultButton = MainControl::None;

    // Collect page: the edit fields (information with "\r\n" line breaks), the selected row
    // of the option list (-1: none) and the buttons of the selection rule.
    std::string optionName;
    std::string optionInfo;
    int selectedOption = -1;
    bool updateEnabled = false;
    bool deleteEnabled = false;
    bool upEnabled = false;
    bool downEnabled = false;

    // Settings page: the points fields' texts (Win, Remis, Defeat), the query order (None: no
    // item chosen) and the two check boxes.
    std::array<std::string, 3> points{"0", "0", "0"};
    QueryOrder queryOrder = QueryOrder::None;
    bool liveScore = false;
    bool keepOldRanking = false;

    // Comparison page: the pair's names and information texts, and what a screen reader calls
    // the two option buttons.
    std::array<std::string, 2> pairNames;
    std::array<std::string, 2> pairInfos;
    std::array<std::string, 2> pairSpokenNames{"Erste Option", "Zweite Option"};
    AnswerButton italicAnswer = AnswerButton::None;
    bool liveRankingVisible = false;
    // The choose-option menu: every option's item, with the visibility and check mark of the
    // last opening, and the side the menu was last opened for (its tag).
    std::vector<ChooseMenuItem> chooseMenu;
    PairSide chooseMenuSide = PairSide::First;

    // The last announcement for screen readers; the counter grows with each one.
    std::string announcement;
    Announcement announced = Announcement::Pair;
    int announcementRequest = 0;

    // The control that should have the keyboard focus; the counter grows each time the model
    // moves the focus, and the window moves it when the counter changed.
    MainControl focus = MainControl::None;
    int focusRequest = 0;
};

// What the model asks of the window that shows it.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    // Shows Screen() now.
    virtual void Refresh() = 0;
    // The rows of a list changed; the window reads them from the model.
    virtual void ListChanged(MainList list, const ListChange& change) = 0;
    // Pops up the choose-option menu (its items are in Screen()) below the side's choose
    // button; the chosen item comes back as MenuItem_3ChooseOption.
    virtual void PopUpChooseMenu(PairSide side) = 0;
    // Closes the window, which ends the program.
    virtual void CloseWindow() = 0;
};

// The main window without its controls: the five pages, the page flow, the enablement rules,
// the checks with their messages, the project file flows and the rows of its lists. The window
// forwards its events here and shows Screen(); messages and file dialogs go through Dialogs.
class MainWindowModel : private RunListener {
public:
    MainWindowModel(Project& project, Dialogs& dialogs, SeedSource& seed);
    ~MainWindowModel() override;
    MainWindowModel(const MainWindowModel&) = delete;
    MainWindowModel& operator=(const MainWindowModel&) = delete;

    void SetView(MainWindowView* view) { view_ = view; }
    // The combinations window the flows show, close and switch; null: there is none yet.
    void SetCombinationsWindow(CombinationsWindowControl* window) { combinations_ = window; }
    // Shows the info dialog; empty: "Information" does nothing.
    void SetShowInfo(std::function<void()> showInfo) { showInfo_ = std::move(showInfo); }

    const MainWindowScreen& Screen() const { return screen_; }

    // The rows of the lists. The option list shows the option list's names; both ranking
    // lists show the ranking of the last ranking step.
    int RowCount(MainList list) const;
    const std::string& OptionRow(int row) const;
    // The name of ranking row `row`; empty beyond the ranking.
    const std::string& RankingRowName(int row) const;
    // The scores the ranking rows are drawn with, in row order, and the bar scale.
    const std::vector<std::int64_t>& RankingScores() const { return project_.run.Scores(); }
    const BarScale& RankingScale() const { return project_.run.Scale(); }
    // What a screen reader says for ranking row `row`, from the scores the rows are drawn with.
    std::string RankingRowSpeech(int row) const;

    // The full path of the project file in use: empty at start, set by opening and saving,
    // never cleared.
    const std::string& ProjectFileName() const { return projectFileName_; }
    // The page of the main window and of the combinations window, as a project file keeps them.
    ViewFacts CurrentViewFacts() const;

    // The window as a whole.
    void Button_ExitClick();
    void Button_RestartClick();
    void SpeedButton_SaveClick();
    // Keys 0, 1, 2 on the comparison page, outside its information fields; true when the key
    // answered. `text` is what the key types.
    bool FormKeyPress(std::string_view text);

    // Start page.
    void SpeedButton_0NewClick();
    void SpeedButton_0OpenClick();
    void SpeedButton_0InfoClick();

    // Collect page. The information text may come with "\n" or "\r\n" line breaks.
    void EditOptionName(std::string text);
    void EditOptionInfo(std::string_view text);
    // A click on the option list, or a change of its selection by the keyboard (-1: none).
    void ListView_1OptionsClick(int row);
    void Button_1AddClick();
    void Button_1UpdateClick();
    void Button_1DelClick();
    void Button_1UpClick();
    void Button_1DownClick();
    void Button_1DelAllClick();
    void Button_1NextClick();

    // Settings page. A points text that is not a whole number counts as 0; the arrows step
    // from what the text counts.
    void EditPointsField(ScoreField field, std::string text);
    void StepPointsField(ScoreField field, int delta);
    void RadioGroup_2OrderClick(QueryOrder order);
    void CheckBox_2LiveScoreClick(bool checked);
    void CheckBox_2KeepOldRankingClick(bool checked);
    // The fields set from the project's points, query order and check boxes.
    void ReloadSettingsFromProject();
    void Button_2NextClick();
    // "< Zurück" of pages 2, 3 and 4.
    void Button_2_3_4BackClick();

    // Comparison page.
    void Button_3Option1Click();
    void Button_3Option2Click();
    void Button_3RemisClick();
    void SpeedButton_3PreviousComparisonClick();
    void SpeedButton_3NextComparisonClick();
    void Button_3ChooseOption1Click();
    void Button_3ChooseOption2Click();
    // The menu item of list position `position`.
    void MenuItem_3ChooseOption(int position);
    // An information field typed into, given the focus, and left.
    void EditInfoField(PairSide side, std::string_view text);
    void InfoFieldEntered(PairSide side);
    void InfoFieldLeft(PairSide side);
    void Button_3NextClick();

    // Result page.
    void Button_4RestartClick();
    void Button_4CombinationsClick();

private:
    // RunListener: the steps of the comparison run.
    void RefreshCombinations() override;
    void RankingChanged() override;
    void RunFinished() override;
    void ShowPair(int firstIndex, int secondIndex) override;
    void ShowRecordedAnswer(std::optional<std::int32_t> outcome) override;

    // Runs one intent; the window shows the outcome once the outermost intent has ended, also
    // when it failed.
    template <class Body>
    void Intent(Body&& body);
    void Refresh();
    void ApplyRules();
    void Notify(MainList list, ListChange change);

    bool On(MainPage page) const { return screen_.page == page; }
    void ShowPage(MainPage page) { screen_.page = page; }
    void RequestFocus(MainControl control);
    void Announce(Announcement kind, std::string text);

    // Collect page.
    void SelectOption(int row);
    void RebuildOptionList();
    void MoveSelectedOption(bool up);
    // The ranking lists get the rows of the ranking, the result list a copy of them.
    void ResetRankingRows();
    void ShowResult();
    void PreparePopupMenu_3();
    void OpenChooseMenu(PairSide side);
    void StoreInfoField(PairSide side);
    // Stores an edit of an information field that has the focus: the save button and the two
    // pair buttons take no focus, so leaving the field has not stored it.
    void StorePendingInfoEdit();
    void DiscardProject();
    void CloseCombinationsWindow();

    // Project files.
    void WriteProjectFile();
    void ShowFileCaption();
    void ShowOpenedProject(const ProjectData& data);

    Project& project_;
    Dialogs& dialogs_;
    SeedSource& seed_;
    MainWindowView* view_ = nullptr;
    CombinationsWindowControl* combinations_ = nullptr;
    std::function<void()> showInfo_;
    MainWindowScreen screen_;
    std::string projectFileName_;
    // The information field that has the focus, as the window reports it.
    std::optional<PairSide> editingInfo_;
    int intentDepth_ = 0;
};

// Information texts keep the Windows line breaks of the project files: every "\n" that is not
// part of a "\r\n" becomes "\r\n".
std::string WindowsLineBreaks(std::string_view text);

// The dialogs of the project files: "Rangwerk-Dateien (*.opt)", default extension "opt".
FileDialogRequest ProjectFileDialog();

}  // namespace rangwerk
