// The main window's rules through its model: pages and headlines, the selection rule, the
// checks with their messages, the comparison run as the page shows it, the italic mark and the
// focus, the choose-option menu.
#include <gtest/gtest.h>

#include <climits>

#include "ui/main_window_fixture.h"

namespace rangwerk {
namespace {

using testing::MainWindow;
using Pair = std::pair<std::string, std::string>;

TEST(MainWindowModel, PagesHeadlinesAndTheBottomRow) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    EXPECT_EQ(s.page, MainPage::Start);
    EXPECT_EQ(s.headline, "Neues Projekt oder Projekt öffnen");
    EXPECT_EQ(s.caption, "Rangwerk");
    EXPECT_FALSE(s.restartVisible);
    EXPECT_FALSE(s.saveVisible);
    // The points hold 0 until a project is begun.
    EXPECT_EQ(s.points, (std::array<std::string, 3>{"0", "0", "0"}));
    // Nothing answers on pages that have no such button.
    w.model.Button_1NextClick();
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.page, MainPage::Start);

    w.model.SpeedButton_0NewClick();
    EXPECT_EQ(s.page, MainPage::Collect);
    EXPECT_EQ(s.headline, "Sammeln der Optionen");
    EXPECT_TRUE(s.restartVisible);
    EXPECT_TRUE(s.saveVisible);
    EXPECT_EQ(s.defaultButton, MainControl::Button_1Add);
    EXPECT_EQ(s.focus, MainControl::Edit_1OptionName);
    EXPECT_EQ(s.points, (std::array<std::string, 3>{"1", "0", "-1"}));
    EXPECT_EQ(s.queryOrder, QueryOrder::None);
    // Page 1 has no way back.
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.page, MainPage::Collect);

    // One option is too few to go on.
    w.Add("A");
    w.model.Button_1NextClick();
    EXPECT_EQ(w.TakeMessage(),
              RefusalBox("Sie müssen mindestens zwei Optionen angeben.", "Zu wenige Optionen"));
    EXPECT_EQ(s.page, MainPage::Collect);

    w.Add("B");
    w.model.CheckBox_2KeepOldRankingClick(false);
    w.model.Button_1NextClick();
    EXPECT_EQ(s.page, MainPage::Settings);
    EXPECT_EQ(s.headline, "Festlegen der Einstellungen");
    EXPECT_EQ(s.defaultButton, MainControl::None);
    // Every visit checks the keep flag again.
    EXPECT_TRUE(s.keepOldRanking);
    EXPECT_TRUE(w.project.keepOldRanking);
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.page, MainPage::Collect);

    w.model.Button_1NextClick();
    w.StartRun(QueryOrder::Unchanged);
    EXPECT_EQ(s.page, MainPage::Comparisons);
    EXPECT_EQ(s.headline, "Vergleich der Optionen");
    w.model.Button_3NextClick();
    EXPECT_EQ(s.page, MainPage::Result);
    EXPECT_EQ(s.headline, "Ergebnis");
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.page, MainPage::Comparisons);
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.page, MainPage::Settings);
    w.model.Button_2NextClick();
    w.model.Button_3NextClick();
    w.model.Button_4RestartClick();
    EXPECT_EQ(s.page, MainPage::Collect);
    EXPECT_EQ(w.window.Rows(MainList::Options), (std::vector<std::string>{"A", "B"}));

    w.model.Button_RestartClick();
    EXPECT_EQ(s.page, MainPage::Start);
    EXPECT_EQ(s.headline, "Neues Projekt oder Projekt öffnen");
    EXPECT_FALSE(s.restartVisible);
    EXPECT_FALSE(s.saveVisible);
    EXPECT_TRUE(w.dialogs.messages.empty());

    // "Ende" closes the window; "Information" shows the info dialog once it is connected.
    w.model.SpeedButton_0InfoClick();
    int shown = 0;
    w.model.SetShowInfo([&] { ++shown; });
    w.model.SpeedButton_0InfoClick();
    EXPECT_EQ(shown, 1);
    w.model.Button_ExitClick();
    EXPECT_EQ(w.window.closes, 1);
}

TEST(MainWindowModel, NameRefusalsChangeNothing) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.model.SpeedButton_0NewClick();
    w.Add("");
    EXPECT_EQ(w.TakeMessage(), RefusalBox("Sie müssen einen Namen für den Eintrag eingeben.",
                                          "Name des Eintrags bereits vorhanden."));
    EXPECT_TRUE(w.project.options.Empty());

    w.Add("Apfel", "rot");
    w.Add("Birne");
    w.model.EditOptionName("apfel");
    w.model.EditOptionInfo("neu");
    w.model.Button_1AddClick();
    EXPECT_EQ(w.TakeMessage(),
              RefusalBox("Ein Eintrag mit dem Namen \"apfel\" ist bereits vorhanden.",
                         "Name des Eintrags bereits vorhanden."));
    EXPECT_EQ(w.project.options.Count(), 2u);
    EXPECT_EQ(s.optionName, "apfel");
    EXPECT_EQ(s.optionInfo, "neu");
    EXPECT_EQ(s.selectedOption, 1);

    // Renaming Birne to APFEL is a duplicate; renaming Apfel to APFEL is not.
    w.model.EditOptionName("APFEL");
    w.model.Button_1UpdateClick();
    EXPECT_EQ(w.TakeMessage(),
              RefusalBox("Ein Eintrag mit dem Namen \"APFEL\" ist bereits vorhanden.",
                         "Name des Eintrags bereits vorhanden."));
    EXPECT_EQ(w.project.options.At(1).name, "Birne");
    w.model.ListView_1OptionsClick(0);
    w.model.EditOptionName("APFEL");
    w.model.EditOptionInfo("Zeile 1\nZeile 2");
    w.model.Button_1UpdateClick();
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.project.options.At(0).name, "APFEL");
    EXPECT_EQ(w.project.options.At(0).info, "Zeile 1\r\nZeile 2");
    EXPECT_EQ(w.window.Rows(MainList::Options), (std::vector<std::string>{"APFEL", "Birne"}));
    // Updating keeps the selection and the fields.
    EXPECT_EQ(s.selectedOption, 0);
    EXPECT_EQ(s.optionName, "APFEL");
}

TEST(MainWindowModel, RunRefusalsKeepTheSettingsPage) {
    MainWindow w;
    w.Collect({"A", "B"});
    // Equal points for superior and inferior, whatever the tie value.
    w.model.EditPointsField(ScoreField::Win, "2");
    w.model.EditPointsField(ScoreField::Remis, "2");
    w.model.EditPointsField(ScoreField::Defeat, "2");
    w.StartRun(QueryOrder::Random);
    EXPECT_EQ(w.TakeMessage(), RefusalBox("Die Punteanzahl für die überlegene Option muss sich "
                                          "von der der unterlegenen Option unterscheiden.",
                                          "Ungültige Werte"));
    EXPECT_EQ(w.Screen().page, MainPage::Settings);
    EXPECT_TRUE(w.project.run.Ranking().empty());

    w.model.EditPointsField(ScoreField::Defeat, "-1");
    w.project.queryOrder = QueryOrder::None;
    w.model.Button_2NextClick();
    EXPECT_EQ(w.TakeMessage(), RefusalBox("Sie müssen angeben, in welcher Reihenfolge die "
                                          "Optionen abgefragt werden sollen.",
                                          "Abgabe zur Reihenfolge fehlt"));
    EXPECT_EQ(w.Screen().page, MainPage::Settings);
}

TEST(MainWindowModel, PointsFieldsCountWhatTheyShow) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.Collect({"A", "B"});
    w.model.EditPointsField(ScoreField::Win, "-7");
    EXPECT_EQ(w.project.scores.superior, -7);
    // A text that is no whole number counts 0 and stays as typed.
    for (const char* text : {"", "-", "3-"}) {
        w.model.EditPointsField(ScoreField::Win, text);
        EXPECT_EQ(s.points[0], text);
        EXPECT_EQ(w.project.scores.superior, 0) << text;
    }
    w.model.EditPointsField(ScoreField::Win, "-42");
    EXPECT_EQ(w.project.scores.superior, -42);
    // The arrows step from what the text counts and show a number; they stop at the ends.
    w.model.EditPointsField(ScoreField::Remis, "");
    w.model.StepPointsField(ScoreField::Remis, 1);
    EXPECT_EQ(s.points[1], "1");
    w.model.StepPointsField(ScoreField::Defeat, -1);
    EXPECT_EQ(s.points[2], "-2");
    EXPECT_EQ(w.project.scores, (ScoreSettings{-42, 1, -2}));
    w.model.EditPointsField(ScoreField::Win, std::to_string(INT_MAX));
    w.model.StepPointsField(ScoreField::Win, 1);
    EXPECT_EQ(w.project.scores.superior, INT_MAX);

    w.model.RadioGroup_2OrderClick(QueryOrder::Alphabetical);
    EXPECT_EQ(w.project.queryOrder, QueryOrder::Alphabetical);
    EXPECT_EQ(s.queryOrder, QueryOrder::Alphabetical);
    w.model.CheckBox_2LiveScoreClick(true);
    EXPECT_TRUE(w.project.liveScore);
    w.model.CheckBox_2KeepOldRankingClick(false);
    EXPECT_FALSE(w.project.keepOldRanking);
    EXPECT_FALSE(s.keepOldRanking);

    // The project's values back into the fields, as after opening a file: plain numbers.
    w.project.scores = ScoreSettings{5, 3, -2};
    w.model.ReloadSettingsFromProject();
    EXPECT_EQ(s.points, (std::array<std::string, 3>{"5", "3", "-2"}));
    EXPECT_EQ(w.project.scores, (ScoreSettings{5, 3, -2}));

    // A new project resets points and order; the check boxes stay.
    w.model.Button_RestartClick();
    EXPECT_EQ(s.points[0], "5");
    w.model.SpeedButton_0NewClick();
    EXPECT_EQ(s.points, (std::array<std::string, 3>{"1", "0", "-1"}));
    EXPECT_EQ(s.queryOrder, QueryOrder::None);
    EXPECT_TRUE(s.liveScore);
}

TEST(MainWindowModel, SelectionRuleFollowsEveryListChange) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.model.SpeedButton_0NewClick();
    EXPECT_EQ(w.SelectionButtons(), "0000");
    w.Add("A", "a");
    EXPECT_EQ(w.SelectionButtons(), "1100");  // the only row
    w.Add("B", "b");
    const int focusBefore = s.focusRequest;
    w.Add("C", "c");
    EXPECT_EQ(s.selectedOption, 2);
    EXPECT_EQ(w.SelectionButtons(), "1110");  // the last row
    // Adding clears the fields and puts the focus into the name field.
    EXPECT_EQ(s.optionName, "");
    EXPECT_EQ(s.optionInfo, "");
    EXPECT_EQ(s.focus, MainControl::Edit_1OptionName);
    EXPECT_EQ(s.focusRequest, focusBefore + 1);

    w.model.ListView_1OptionsClick(0);
    EXPECT_EQ(w.SelectionButtons(), "1101");
    EXPECT_EQ(s.optionName, "A");
    EXPECT_EQ(s.optionInfo, "a");
    // Clicking the selected row again loads its option again.
    w.model.EditOptionName("getippt");
    w.model.ListView_1OptionsClick(0);
    EXPECT_EQ(s.optionName, "A");

    // Moving A down: B A C, A stays selected and loaded, its id untouched.
    const auto idA = w.project.options.At(0).id;
    w.model.Button_1DownClick();
    EXPECT_EQ(w.window.Rows(MainList::Options), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(w.project.options.At(1).id, idA);
    EXPECT_EQ(s.selectedOption, 1);
    EXPECT_EQ(w.SelectionButtons(), "1111");
    w.model.Button_1UpClick();
    EXPECT_EQ(w.project.options.At(0).name, "A");
    EXPECT_EQ(w.SelectionButtons(), "1101");
    // The first row cannot go up.
    w.model.Button_1UpClick();
    EXPECT_EQ(w.project.options.At(0).name, "A");

    // Removing the last row selects the new last row and loads it.
    w.model.ListView_1OptionsClick(2);
    w.model.Button_1DelClick();
    EXPECT_EQ(w.window.Rows(MainList::Options), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(s.selectedOption, 1);
    EXPECT_EQ(w.SelectionButtons(), "1110");
    EXPECT_EQ(s.optionName, "B");
    // Removing a middle row selects the row that moved up.
    w.Add("C");
    w.model.ListView_1OptionsClick(1);
    w.model.Button_1DelClick();
    EXPECT_EQ(w.window.Rows(MainList::Options), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(s.selectedOption, 1);

    // A rebuild (back from the settings page) leaves nothing selected; the fields stay.
    w.model.ListView_1OptionsClick(0);
    w.model.Button_1NextClick();
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.selectedOption, -1);
    EXPECT_EQ(w.SelectionButtons(), "0000");
    EXPECT_EQ(s.optionName, "A");

    // Removing the only row leaves nothing selected.
    w.model.ListView_1OptionsClick(1);
    w.model.Button_1DelClick();
    w.model.Button_1DelClick();
    EXPECT_TRUE(w.window.Rows(MainList::Options).empty());
    EXPECT_EQ(s.selectedOption, -1);
    EXPECT_EQ(w.SelectionButtons(), "0000");

    // After an alphabetical run "Zum Anfang" shows the new order, and a row loads its option.
    w.Add("Zitrone", "gelb");
    w.Add("apfel", "grün");
    w.Add("Birne", "braun");
    w.model.Button_1NextClick();
    w.StartRun(QueryOrder::Alphabetical);
    w.model.Button_3NextClick();
    w.model.Button_4RestartClick();
    EXPECT_EQ(w.window.Rows(MainList::Options),
              (std::vector<std::string>{"apfel", "Birne", "Zitrone"}));
    EXPECT_EQ(w.SelectionButtons(), "0000");
    w.model.ListView_1OptionsClick(1);
    EXPECT_EQ(s.optionInfo, "braun");
}

TEST(MainWindowModel, DeleteAllAsksOnlyWithCombinations) {
    MainWindow w;
    w.model.SpeedButton_0NewClick();
    w.Add("A");
    w.Add("B");
    w.model.EditOptionName("bleibt");
    w.model.Button_1DelAllClick();
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_TRUE(w.project.options.Empty());
    EXPECT_TRUE(w.window.Rows(MainList::Options).empty());
    EXPECT_EQ(w.SelectionButtons(), "0000");
    EXPECT_EQ(w.Screen().optionName, "bleibt");

    w.Add("A");
    w.Add("B");
    ASSERT_FALSE(w.project.combinations.AddCombination("K", {{"B", 1}}, w.project.options));
    w.dialogs.AnswerMessage(MessageButton::No);
    w.model.Button_1DelAllClick();
    EXPECT_EQ(w.TakeMessage(), WarningQuestion("Wenn Sie alle Optionen löschen, gehen auch alle "
                                               "Kombinationen verloren. Möchten Sie wirklich "
                                               "alle Optionen löschen?"));
    EXPECT_EQ(w.project.options.Count(), 2u);
    EXPECT_EQ(w.project.combinations.Count(), 1u);
    EXPECT_EQ(w.window.Rows(MainList::Options).size(), 2u);

    w.dialogs.AnswerMessage(MessageButton::Yes);
    w.model.Button_1DelAllClick();
    EXPECT_TRUE(w.dialogs.AllAnswered());
    EXPECT_TRUE(w.project.options.Empty());
    EXPECT_TRUE(w.project.combinations.Empty());
    EXPECT_TRUE(w.window.Rows(MainList::Options).empty());
}

TEST(MainWindowModel, WholeRunByButtonsKeysAndNavigation) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.Collect({"A", "B", "C"});
    w.StartRun(QueryOrder::Unchanged);
    EXPECT_EQ(w.Pair(), Pair("A", "B"));
    EXPECT_EQ(s.pairInfos, (std::array<std::string, 2>{"A info", "B info"}));
    EXPECT_EQ(s.focus, MainControl::Button_3Remis);
    EXPECT_EQ(s.announcement, "Vergleich: A oder B");
    EXPECT_EQ(s.announced, Announcement::Pair);
    // The ranking lists have one row per option.
    EXPECT_EQ(w.window.Rows(MainList::LiveRanking).size(), 3u);

    // Every step draws the ranking lists again.
    const int repaints = w.window.repaints[static_cast<int>(MainList::LiveRanking)];
    w.model.Button_3Option1Click();  // A over B
    EXPECT_EQ(w.Pair(), Pair("A", "C"));
    EXPECT_EQ(w.window.repaints[static_cast<int>(MainList::LiveRanking)], repaints + 1);
    EXPECT_TRUE(w.model.FormKeyPress("2"));  // C over A
    EXPECT_EQ(w.Pair(), Pair("B", "C"));
    EXPECT_EQ(s.focus, MainControl::Button_3Remis);
    // Other keys answer nothing.
    EXPECT_FALSE(w.model.FormKeyPress("3"));
    EXPECT_FALSE(w.model.FormKeyPress("a"));
    EXPECT_EQ(w.Pair(), Pair("B", "C"));
    EXPECT_TRUE(w.model.FormKeyPress("0"));  // B ties C: the last pair ends the run
    EXPECT_EQ(s.page, MainPage::Result);
    EXPECT_EQ(w.Outcome(0, 1), 1);
    EXPECT_EQ(w.Outcome(1, 0), -1);
    EXPECT_EQ(w.Outcome(0, 2), -1);
    EXPECT_EQ(w.Outcome(1, 2), 0);
    // Scores: A +1 -1 = 0, B -1 + 0 = -1, C +1 + 0 = 1.
    EXPECT_EQ(w.model.RankingRowName(0), "C");
    EXPECT_EQ(w.model.RankingRowName(2), "B");
    EXPECT_EQ(w.model.RankingRowSpeech(0), "1. C, 1 Punkt");
    EXPECT_EQ(s.announced, Announcement::Result);
    EXPECT_EQ(s.announcement, "Ergebnis: 1. C, 1 Punkt");
    // A key on the result page answers nothing.
    EXPECT_FALSE(w.model.FormKeyPress("1"));
    EXPECT_EQ(w.Outcome(1, 2), 0);

    // Back after the last pair: the run starts again at the first pair, answers shown.
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(s.page, MainPage::Comparisons);
    EXPECT_EQ(w.Pair(), Pair("A", "B"));
    EXPECT_EQ(s.italicAnswer, AnswerButton::Option1);
    EXPECT_EQ(s.focus, MainControl::Button_3Option1);

    w.model.SpeedButton_3NextComparisonClick();
    EXPECT_EQ(w.Pair(), Pair("A", "C"));
    EXPECT_EQ(s.italicAnswer, AnswerButton::Option2);
    EXPECT_EQ(s.focus, MainControl::Button_3Option2);
    w.model.SpeedButton_3PreviousComparisonClick();
    w.model.SpeedButton_3PreviousComparisonClick();  // from the first pair round to the last
    EXPECT_EQ(w.Pair(), Pair("B", "C"));
    EXPECT_EQ(s.italicAnswer, AnswerButton::Remis);
    EXPECT_EQ(s.focus, MainControl::Button_3Remis);
    w.model.SpeedButton_3PreviousComparisonClick();
    EXPECT_EQ(w.Pair(), Pair("A", "C"));
    // Answering again overwrites both entries.
    w.model.Button_3Option1Click();
    EXPECT_EQ(w.Outcome(0, 2), 1);
    EXPECT_EQ(w.Outcome(2, 0), -1);
    EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(MainWindowModel, ChooseOptionMenus) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.Collect({"A", "B", "C", "D & E"});
    w.StartRun(QueryOrder::Unchanged);
    ASSERT_EQ(s.chooseMenu.size(), 4u);
    EXPECT_EQ(s.chooseMenu[3].caption, "D & E");
    const auto shown = [&] {
        std::string out;
        for (const ChooseMenuItem& item : s.chooseMenu)
            out += item.visible ? (item.checked ? 'X' : 'o') : '-';
        return out;
    };

    // Left: every option but the last, the current first checked.
    w.model.Button_3ChooseOption1Click();
    EXPECT_EQ(shown(), "Xoo-");
    EXPECT_EQ(w.window.menus, std::vector<PairSide>{PairSide::First});
    // Choosing a first option at or after the current second moves the second after it.
    w.model.MenuItem_3ChooseOption(2);
    EXPECT_EQ(w.Pair(), Pair("C", "D & E"));
    w.model.Button_3ChooseOption1Click();
    w.model.MenuItem_3ChooseOption(0);
    EXPECT_EQ(w.Pair(), Pair("A", "D & E"));
    // A hidden item chooses nothing.
    w.model.Button_3ChooseOption1Click();
    w.model.MenuItem_3ChooseOption(3);
    EXPECT_EQ(w.Pair(), Pair("A", "D & E"));

    // Right: only options after the current first, the current second checked.
    w.model.MenuItem_3ChooseOption(1);
    w.model.Button_3ChooseOption2Click();
    EXPECT_EQ(shown(), "--oX");
    EXPECT_EQ(s.chooseMenuSide, PairSide::Second);
    w.model.MenuItem_3ChooseOption(2);
    EXPECT_EQ(w.Pair(), Pair("B", "C"));
    // Choosing the last pair shows it; it does not end the run.
    w.model.Button_3ChooseOption1Click();
    w.model.MenuItem_3ChooseOption(2);
    EXPECT_EQ(s.page, MainPage::Comparisons);
    EXPECT_EQ(w.Pair(), Pair("C", "D & E"));
    EXPECT_TRUE(w.dialogs.messages.empty());
}

TEST(MainWindowModel, OverviewAndResume) {
    MainWindow w;
    w.Collect({"A", "B", "C"});
    w.StartRun(QueryOrder::Unchanged);
    w.model.Button_3RemisClick();
    w.model.Button_3NextClick();
    EXPECT_EQ(w.Screen().page, MainPage::Result);
    EXPECT_EQ(w.window.Rows(MainList::ResultRanking).size(), 3u);
    // Nothing recorded for the pair left open.
    EXPECT_EQ(w.Outcome(0, 2), 99);
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(w.Pair(), Pair("A", "C"));
    // Back to the settings page and a new run without keeping: answers cleared.
    w.model.Button_2_3_4BackClick();
    w.model.CheckBox_2KeepOldRankingClick(false);
    w.model.Button_2NextClick();
    EXPECT_EQ(w.Outcome(0, 1), 99);
    EXPECT_EQ(w.Pair(), Pair("A", "B"));
}

TEST(MainWindowModel, KeptAnswersAreMarkedAndFocused) {
    MainWindow w;
    const MainWindowScreen& s = w.Screen();
    w.Collect({"A", "B", "C"});
    w.StartRun(QueryOrder::Unchanged);
    w.model.Button_3Option2Click();
    w.model.Button_3RemisClick();
    w.model.Button_3Option1Click();
    w.model.Button_4RestartClick();
    w.model.Button_1NextClick();  // checks the keep flag again
    w.model.Button_2NextClick();
    const std::pair<AnswerButton, MainControl> expected[] = {
        {AnswerButton::Option2, MainControl::Button_3Option2},
        {AnswerButton::Remis, MainControl::Button_3Remis},
        {AnswerButton::Option1, MainControl::Button_3Option1}};
    for (const auto& [italic, focus] : expected) {
        EXPECT_EQ(s.italicAnswer, italic);
        EXPECT_EQ(s.focus, focus);
        w.model.SpeedButton_3NextComparisonClick();
    }
    EXPECT_EQ(s.page, MainPage::Result);

    // Without keeping, no mark and the focus on "Unentschieden" at every pair.
    w.model.Button_2_3_4BackClick();
    w.model.Button_2_3_4BackClick();
    w.model.CheckBox_2KeepOldRankingClick(false);
    w.model.Button_2NextClick();
    for (int pair = 0; pair < 3; ++pair) {
        EXPECT_EQ(s.italicAnswer, AnswerButton::None);
        EXPECT_EQ(s.focus, MainControl::Button_3Remis);
        w.model.SpeedButton_3NextComparisonClick();
    }

    // A new project resets the mark.
    w.model.Button_2_3_4BackClick();
    w.model.Button_3Option1Click();
    w.model.SpeedButton_3PreviousComparisonClick();
    EXPECT_EQ(s.italicAnswer, AnswerButton::Option1);
    w.model.Button_RestartClick();
    w.model.SpeedButton_0NewClick();
    EXPECT_EQ(s.italicAnswer, AnswerButton::None);
}

TEST(MainWindowModel, InformationFieldsStoreWhenLeftAndBeforeTheButtonsWithoutFocus) {
    MainWindow w;
    w.Collect({"A", "B", "C"});
    w.StartRun(QueryOrder::Unchanged);
    // Digits typed into an information field are text.
    w.model.InfoFieldEntered(PairSide::First);
    EXPECT_FALSE(w.model.FormKeyPress("1"));
    w.model.EditInfoField(PairSide::First, "A info1");
    EXPECT_EQ(w.Outcome(0, 1), 99);
    EXPECT_EQ(w.project.options.At(0).info, "A info");
    // Leaving the field stores its text for the option shown above it.
    w.model.InfoFieldLeft(PairSide::First);
    EXPECT_EQ(w.project.options.At(0).info, "A info1");
    EXPECT_TRUE(w.model.FormKeyPress("2"));  // outside the fields the key answers
    EXPECT_EQ(w.Outcome(0, 1), -1);

    // "&Weiter" takes no focus: the edit under way is stored before the step.
    w.model.InfoFieldEntered(PairSide::Second);
    w.model.EditInfoField(PairSide::Second, "C info\n2. Zeile");
    w.model.SpeedButton_3NextComparisonClick();
    EXPECT_EQ(w.project.options.At(2).info, "C info\r\n2. Zeile");
    EXPECT_EQ(w.Pair(), Pair("B", "C"));
    EXPECT_EQ(w.Screen().pairInfos[1], "C info\r\n2. Zeile");
    w.model.InfoFieldLeft(PairSide::Second);
}

TEST(MainWindowModel, StartScreenDiscardsEverything) {
    MainWindow w;
    w.Collect({"A", "B"});
    w.StartRun(QueryOrder::Unchanged);
    ASSERT_FALSE(w.project.combinations.AddCombination("K", {{"A", 2}}, w.project.options));
    w.model.Button_3Option1Click();
    w.combinations.visible = true;
    w.model.Button_RestartClick();
    EXPECT_EQ(w.combinations.closed, 1);
    EXPECT_TRUE(w.project.options.Empty());
    EXPECT_TRUE(w.project.combinations.Empty());
    EXPECT_TRUE(w.project.run.Ranking().empty());
    EXPECT_TRUE(w.window.Rows(MainList::LiveRanking).empty());
    EXPECT_TRUE(w.window.Rows(MainList::ResultRanking).empty());
    EXPECT_TRUE(w.dialogs.messages.empty());
    // Points, order and check boxes keep their values until a project is begun.
    EXPECT_EQ(w.Screen().points[0], "1");
    EXPECT_EQ(w.Screen().queryOrder, QueryOrder::Unchanged);
    w.model.SpeedButton_0NewClick();
    EXPECT_TRUE(w.window.Rows(MainList::Options).empty());
    EXPECT_EQ(w.combinations.page, 0);
}

TEST(MainWindowModel, CombinationsWindowAndItsDiagram) {
    MainWindow w;
    w.Collect({"A", "B", "C"});
    w.StartRun(QueryOrder::Unchanged);
    w.model.Button_3NextClick();
    w.model.Button_4CombinationsClick();
    EXPECT_EQ(w.combinations.shown, 1);

    // Every step re-evaluates the combinations while their diagram shows.
    class Diagram : public CombinationListener {
    public:
        bool DiagramShowing() const override { return true; }
        void DiagramChanged() override { ++changes; }
        void CombinationsDiscarded() override {}
        int changes = 0;
    } diagram;
    w.project.SetListener(&diagram);
    w.model.Button_2_3_4BackClick();
    EXPECT_EQ(diagram.changes, 1);
    w.model.Button_3Option1Click();
    EXPECT_EQ(diagram.changes, 2);
    w.project.SetListener(nullptr);
}

}  // namespace
}  // namespace rangwerk
