#include "ui/main_window_model.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/path_text.h"
#include "drawing/spoken_row.h"

namespace rangwerk {

namespace {

constexpr std::size_t Index(PairSide side) {
    return side == PairSide::First ? 0 : 1;
}

constexpr std::size_t Index(ScoreField field) {
    return static_cast<std::size_t>(field);
}

std::int32_t ScoreSettings::*PointsOf(ScoreField field) {
    switch (field) {
        case ScoreField::Win:
            return &ScoreSettings::superior;
        case ScoreField::Remis:
            return &ScoreSettings::tie;
        case ScoreField::Defeat:
            break;
    }
    return &ScoreSettings::inferior;
}

const std::string kNoRow;

}  // namespace

const char* MainPageHeadline(MainPage page) {
    switch (page) {
        case MainPage::Start:
            return "Neues Projekt oder Projekt öffnen";
        case MainPage::Collect:
            return "Sammeln der Optionen";
        case MainPage::Settings:
            return "Festlegen der Einstellungen";
        case MainPage::Comparisons:
            return "Vergleich der Optionen";
        case MainPage::Result:
            return "Ergebnis";
    }
    return "";
}

std::string WindowsLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

MainWindowModel::MainWindowModel(Project& project, Dialogs& dialogs, SeedSource& seed)
    : project_(project), dialogs_(dialogs), seed_(seed) {
    project_.run.SetListener(this);
    const ScoreSettings& scores = project_.scores;
    screen_.points = {std::to_string(scores.superior), std::to_string(scores.tie),
                      std::to_string(scores.inferior)};
    ApplyRules();
}

MainWindowModel::~MainWindowModel() {
    project_.run.SetListener(nullptr);
}

template <class Body>
void MainWindowModel::Intent(Body&& body) {
    ++intentDepth_;
    try {
        body();
    } catch (...) {
        if (--intentDepth_ == 0)
            Refresh();
        throw;
    }
    if (--intentDepth_ == 0)
        Refresh();
}

void MainWindowModel::Refresh() {
    ApplyRules();
    if (view_)
        view_->Refresh();
}

void MainWindowModel::ApplyRules() {
    MainWindowScreen& s = screen_;
    s.headline = MainPageHeadline(s.page);
    // "Startbildschirm" and the save button belong to every page but the start page.
    s.restartVisible = s.page != MainPage::Start;
    s.saveVisible = s.restartVisible;
    s.defaultButton = s.page == MainPage::Collect ? MainControl::Button_1Add : MainControl::None;

    // The selection rule.
    const int row = s.selectedOption;
    const int count = RowCount(MainList::Options);
    s.updateEnabled = row >= 0;
    s.deleteEnabled = row >= 0;
    s.upEnabled = row > 0;
    s.downEnabled = row >= 0 && row < count - 1;

    s.queryOrder = project_.queryOrder;
    s.liveScore = project_.liveScore;
    s.keepOldRanking = project_.keepOldRanking;
}

void MainWindowModel::Notify(MainList list, ListChange change) {
    if (view_)
        view_->ListChanged(list, change);
}

void MainWindowModel::RequestFocus(MainControl control) {
    screen_.focus = control;
    ++screen_.focusRequest;
}

void MainWindowModel::Announce(Announcement kind, std::string text) {
    screen_.announced = kind;
    screen_.announcement = std::move(text);
    ++screen_.announcementRequest;
}

// ---------------------------------------------------------------------------------------------
// Rows

int MainWindowModel::RowCount(MainList list) const {
    switch (list) {
        case MainList::Options:
            return static_cast<int>(project_.options.Count());
        case MainList::LiveRanking:
        case MainList::ResultRanking:
            return static_cast<int>(project_.run.Ranking().size());
        case MainList::ChooseMenu:
            break;
    }
    return static_cast<int>(screen_.chooseMenu.size());
}

const std::string& MainWindowModel::OptionRow(int row) const {
    if (row < 0 || row >= RowCount(MainList::Options))
        return kNoRow;
    return project_.options.At(static_cast<std::size_t>(row)).name;
}

const std::string& MainWindowModel::RankingRowName(int row) const {
    const RankingList& ranking = project_.run.Ranking();
    if (row < 0 || static_cast<std::size_t>(row) >= ranking.size())
        return kNoRow;
    return ranking[static_cast<std::size_t>(row)]->name;
}

std::string MainWindowModel::RankingRowSpeech(int row) const {
    const std::vector<std::int64_t>& scores = RankingScores();
    if (row < 0 || static_cast<std::size_t>(row) >= scores.size())
        return {};
    return SpokenRankingRow(static_cast<std::size_t>(row), scores, RankingScale(),
                            RankingRowName(row));
}

// ---------------------------------------------------------------------------------------------
// The window as a whole

void MainWindowModel::Button_ExitClick() {
    if (view_)
        view_->CloseWindow();
}

void MainWindowModel::CloseCombinationsWindow() {
    if (combinations_)
        combinations_->CloseWindow();
}

void MainWindowModel::DiscardProject() {
    project_.DiscardAll();
    RebuildOptionList();
    ResetRankingRows();
}

void MainWindowModel::Button_RestartClick() {
    if (!screen_.restartVisible)
        return;
    Intent([&] {
        CloseCombinationsWindow();
        DiscardProject();
        screen_.caption = kApplicationTitle;
        ShowPage(MainPage::Start);
    });
}

bool MainWindowModel::FormKeyPress(std::string_view text) {
    if (!On(MainPage::Comparisons) || editingInfo_)
        return false;
    if (text == "0") {
        Button_3RemisClick();
    } else if (text == "1") {
        Button_3Option1Click();
    } else if (text == "2") {
        Button_3Option2Click();
    } else {
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Start page

void MainWindowModel::SpeedButton_0NewClick() {
    if (!On(MainPage::Start))
        return;
    Intent([&] {
        // The start page is reached with empty lists only; should anything be left, it goes.
        project_.DiscardAll();
        screen_.optionName.clear();
        screen_.optionInfo.clear();
        RebuildOptionList();
        ResetRankingRows();
        project_.BeginNew();
        ReloadSettingsFromProject();
        screen_.italicAnswer = AnswerButton::None;
        ShowPage(MainPage::Collect);
        if (combinations_)
            combinations_->SetPage(0);
        RequestFocus(MainControl::Edit_1OptionName);
    });
}

void MainWindowModel::SpeedButton_0InfoClick() {
    if (On(MainPage::Start) && showInfo_)
        showInfo_();
}

// ---------------------------------------------------------------------------------------------
// Collect page

void MainWindowModel::EditOptionName(std::string text) {
    Intent([&] { screen_.optionName = std::move(text); });
}

void MainWindowModel::EditOptionInfo(std::string_view text) {
    Intent([&] { screen_.optionInfo = WindowsLineBreaks(text); });
}

void MainWindowModel::SelectOption(int row) {
    screen_.selectedOption = row >= 0 && row < RowCount(MainList::Options) ? row : -1;
    // The selection rule loads the selected option into the fields; the buttons follow from
    // the selection (ApplyRules).
    if (screen_.selectedOption >= 0) {
        const OptionRecord& option =
            project_.options.At(static_cast<std::size_t>(screen_.selectedOption));
        screen_.optionName = option.name;
        screen_.optionInfo = option.info;
    }
}

void MainWindowModel::ListView_1OptionsClick(int row) {
    if (!On(MainPage::Collect))
        return;
    Intent([&] { SelectOption(row); });
}

void MainWindowModel::RebuildOptionList() {
    Notify(MainList::Options, {ListChange::Kind::Reset});
    SelectOption(-1);
}

void MainWindowModel::Button_1AddClick() {
    if (!On(MainPage::Collect))
        return;
    Intent([&] {
        if (auto refusal = project_.options.CheckNameForAdd(screen_.optionName)) {
            dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
            return;
        }
        project_.options.AddOption(screen_.optionName, screen_.optionInfo);
        const int row = RowCount(MainList::Options) - 1;
        Notify(MainList::Options, {ListChange::Kind::Inserted, row});
        SelectOption(row);
        screen_.optionName.clear();
        screen_.optionInfo.clear();
        RequestFocus(MainControl::Edit_1OptionName);
    });
}

void MainWindowModel::Button_1UpdateClick() {
    const int row = screen_.selectedOption;
    if (!On(MainPage::Collect) || row < 0)
        return;
    Intent([&] {
        const auto index = static_cast<std::size_t>(row);
        if (auto refusal = project_.options.CheckNameForUpdate(index, screen_.optionName)) {
            dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
            return;
        }
        project_.options.UpdateOption(index, screen_.optionName, screen_.optionInfo);
        Notify(MainList::Options, {ListChange::Kind::Changed, row});
    });
}

void MainWindowModel::Button_1DelClick() {
    const int row = screen_.selectedOption;
    if (!On(MainPage::Collect) || row < 0)
        return;
    Intent([&] {
        project_.options.RemoveOption(static_cast<std::size_t>(row));
        Notify(MainList::Options, {ListChange::Kind::Removed, row});
        // The option left the ranking too.
        ResetRankingRows();
        const int count = RowCount(MainList::Options);
        SelectOption(row < count ? row : row - 1);
    });
}

void MainWindowModel::MoveSelectedOption(bool up) {
    const int row = screen_.selectedOption;
    const int target = up ? row - 1 : row + 1;
    if (!On(MainPage::Collect) || row < 0 || target < 0 || target >= RowCount(MainList::Options))
        return;
    Intent([&] {
        project_.options.MoveOption(static_cast<std::size_t>(row), up);
        Notify(MainList::Options, {ListChange::Kind::Moved, row, target});
        SelectOption(target);
    });
}

void MainWindowModel::Button_1UpClick() {
    MoveSelectedOption(true);
}

void MainWindowModel::Button_1DownClick() {
    MoveSelectedOption(false);
}

void MainWindowModel::Button_1DelAllClick() {
    if (!On(MainPage::Collect))
        return;
    Intent([&] {
        if (project_.RemovingAllNeedsQuestion() &&
            dialogs_.ShowMessage(WarningQuestion(kRemoveAllQuestion)) != MessageButton::Yes) {
            return;
        }
        project_.RemoveAllOptions();
        RebuildOptionList();
        ResetRankingRows();
    });
}

void MainWindowModel::Button_1NextClick() {
    if (!On(MainPage::Collect))
        return;
    Intent([&] {
        if (project_.options.Count() < 2) {
            dialogs_.ShowMessage(
                RefusalBox("Sie müssen mindestens zwei Optionen angeben.", "Zu wenige Optionen"));
            return;
        }
        // Earlier answers are kept unless the user says otherwise at this visit.
        project_.keepOldRanking = true;
        ShowPage(MainPage::Settings);
    });
}

// ---------------------------------------------------------------------------------------------
// Settings page

void MainWindowModel::EditPointsField(ScoreField field, std::string text) {
    Intent([&] {
        // Every change of the text counts at once, also while it is no whole number yet (then
        // it counts 0), so the points are always those on screen.
        project_.scores.*PointsOf(field) = PointsFromText(text);
        screen_.points[Index(field)] = std::move(text);
    });
}

void MainWindowModel::StepPointsField(ScoreField field, int delta) {
    const std::int64_t stepped =
        std::int64_t{PointsFromText(screen_.points[Index(field)])} + std::int64_t{delta};
    const auto value = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(stepped, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
    EditPointsField(field, std::to_string(value));
}

void MainWindowModel::RadioGroup_2OrderClick(QueryOrder order) {
    Intent([&] { project_.queryOrder = order; });
}

void MainWindowModel::CheckBox_2LiveScoreClick(bool checked) {
    Intent([&] { project_.liveScore = checked; });
}

void MainWindowModel::CheckBox_2KeepOldRankingClick(bool checked) {
    Intent([&] { project_.keepOldRanking = checked; });
}

void MainWindowModel::ReloadSettingsFromProject() {
    Intent([&] {
        // The program's own values are shown as plain numbers.
        const ScoreSettings& scores = project_.scores;
        screen_.points = {std::to_string(scores.superior), std::to_string(scores.tie),
                          std::to_string(scores.inferior)};
    });
}

void MainWindowModel::Button_2NextClick() {
    if (!On(MainPage::Settings))
        return;
    Intent([&] {
        const std::uint32_t seed = seed_.Seed();
        if (auto refusal = project_.run.Start(project_.queryOrder, project_.keepOldRanking, seed)) {
            dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
            return;
        }
        // The query order may have reordered the options.
        RebuildOptionList();
        ResetRankingRows();
        screen_.liveRankingVisible = project_.liveScore;
        PreparePopupMenu_3();
        ShowPage(MainPage::Comparisons);
        project_.run.NextComparison(false);
    });
}

void MainWindowModel::Button_2_3_4BackClick() {
    const int page = static_cast<int>(screen_.page) - 1;
    if (page < static_cast<int>(MainPage::Collect))
        return;
    Intent([&] {
        ShowPage(static_cast<MainPage>(page));
        if (On(MainPage::Collect)) {
            RebuildOptionList();
        } else if (On(MainPage::Comparisons)) {
            project_.run.Resume();
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Comparison page

void MainWindowModel::ResetRankingRows() {
    Notify(MainList::LiveRanking, {ListChange::Kind::Reset});
    Notify(MainList::ResultRanking, {ListChange::Kind::Reset});
}

void MainWindowModel::ShowResult() {
    Notify(MainList::ResultRanking, {ListChange::Kind::Reset});
    ShowPage(MainPage::Result);
    const std::string best = RankingRowSpeech(0);
    const std::string headline = MainPageHeadline(MainPage::Result);
    Announce(Announcement::Result, best.empty() ? headline : headline + ": " + best);
}

void MainWindowModel::PreparePopupMenu_3() {
    screen_.chooseMenu.clear();
    screen_.chooseMenu.reserve(project_.options.Count());
    for (const OptionRecord* option : project_.options.InOrder()) {
        screen_.chooseMenu.push_back({option->name, true, false});
    }
    Notify(MainList::ChooseMenu, {ListChange::Kind::Reset});
}

void MainWindowModel::RefreshCombinations() {
    project_.RefreshDiagramIfShowing();
}

void MainWindowModel::RankingChanged() {
    Notify(MainList::LiveRanking, {ListChange::Kind::Repaint});
    Notify(MainList::ResultRanking, {ListChange::Kind::Repaint});
}

void MainWindowModel::RunFinished() {
    ShowResult();
}

void MainWindowModel::ShowPair(int firstIndex, int secondIndex) {
    const OptionRecord* pair[] = {&project_.options.At(static_cast<std::size_t>(firstIndex)),
                                  &project_.options.At(static_cast<std::size_t>(secondIndex))};
    const char* unnamed[] = {"Erste Option", "Zweite Option"};
    for (std::size_t i = 0; i < 2; ++i) {
        screen_.pairNames[i] = pair[i]->name;
        screen_.pairInfos[i] = pair[i]->info;
        screen_.pairSpokenNames[i] = pair[i]->name.empty() ? unnamed[i] : pair[i]->name;
    }
    screen_.italicAnswer = AnswerButton::None;
    if (On(MainPage::Comparisons)) {
        // The answer buttons, one of which takes the focus, tell which pair they answer.
        Announce(Announcement::Pair, "Vergleich: " + screen_.pairSpokenNames[0] + " oder " +
                                         screen_.pairSpokenNames[1]);
    }
}

void MainWindowModel::ShowRecordedAnswer(std::optional<std::int32_t> outcome) {
    if (!On(MainPage::Comparisons))
        return;
    MainControl focus = MainControl::Button_3Remis;
    if (outcome) {
        screen_.italicAnswer = AnswerButton::Remis;
        if (*outcome > 0) {
            screen_.italicAnswer = AnswerButton::Option1;
            focus = MainControl::Button_3Option1;
        } else if (*outcome < 0) {
            screen_.italicAnswer = AnswerButton::Option2;
            focus = MainControl::Button_3Option2;
        }
    }
    RequestFocus(focus);
}

void MainWindowModel::Button_3Option1Click() {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] { project_.run.Record(Answer::FirstSuperior); });
}

void MainWindowModel::Button_3Option2Click() {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] { project_.run.Record(Answer::SecondSuperior); });
}

void MainWindowModel::Button_3RemisClick() {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] { project_.run.Record(Answer::Tie); });
}

void MainWindowModel::SpeedButton_3PreviousComparisonClick() {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] {
        StorePendingInfoEdit();
        project_.run.NextComparison(true);
    });
}

void MainWindowModel::SpeedButton_3NextComparisonClick() {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] {
        StorePendingInfoEdit();
        project_.run.NextComparison(false);
    });
}

void MainWindowModel::OpenChooseMenu(PairSide side) {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] {
        const bool left = side == PairSide::First;
        const std::vector<int> offered =
            left ? project_.run.ChoosableFirst() : project_.run.ChoosableSecond();
        const int current = left ? project_.run.FirstIndex() : project_.run.SecondIndex();
        for (std::size_t i = 0; i < screen_.chooseMenu.size(); ++i) {
            const int position = static_cast<int>(i);
            screen_.chooseMenu[i].visible =
                std::find(offered.begin(), offered.end(), position) != offered.end();
            screen_.chooseMenu[i].checked = position == current;
        }
        screen_.chooseMenuSide = side;
    });
    if (view_)
        view_->PopUpChooseMenu(side);
}

void MainWindowModel::Button_3ChooseOption1Click() {
    OpenChooseMenu(PairSide::First);
}

void MainWindowModel::Button_3ChooseOption2Click() {
    OpenChooseMenu(PairSide::Second);
}

void MainWindowModel::MenuItem_3ChooseOption(int position) {
    if (!On(MainPage::Comparisons) || position < 0 ||
        position >= static_cast<int>(screen_.chooseMenu.size()) ||
        !screen_.chooseMenu[static_cast<std::size_t>(position)].visible) {
        return;
    }
    Intent([&] {
        if (screen_.chooseMenuSide == PairSide::Second) {
            project_.run.ChooseSecond(position);
        } else {
            project_.run.ChooseFirst(position);
        }
    });
}

void MainWindowModel::EditInfoField(PairSide side, std::string_view text) {
    Intent([&] { screen_.pairInfos[Index(side)] = WindowsLineBreaks(text); });
}

void MainWindowModel::InfoFieldEntered(PairSide side) {
    editingInfo_ = side;
}

void MainWindowModel::InfoFieldLeft(PairSide side) {
    if (editingInfo_ == side)
        editingInfo_.reset();
    StoreInfoField(side);
}

void MainWindowModel::StoreInfoField(PairSide side) {
    // The field's whole text becomes the information of the option shown above it.
    const int index =
        side == PairSide::First ? project_.run.FirstIndex() : project_.run.SecondIndex();
    if (index < 0 || index >= RowCount(MainList::Options))
        return;
    const auto position = static_cast<std::size_t>(index);
    project_.options.UpdateOption(position, project_.options.At(position).name,
                                  screen_.pairInfos[Index(side)]);
}

void MainWindowModel::StorePendingInfoEdit() {
    if (On(MainPage::Comparisons) && editingInfo_)
        StoreInfoField(*editingInfo_);
}

void MainWindowModel::Button_3NextClick() {
    if (!On(MainPage::Comparisons))
        return;
    Intent([&] { ShowResult(); });
}

// ---------------------------------------------------------------------------------------------
// Result page

void MainWindowModel::Button_4RestartClick() {
    if (!On(MainPage::Result))
        return;
    Intent([&] {
        ShowPage(MainPage::Collect);
        RebuildOptionList();
    });
}

void MainWindowModel::Button_4CombinationsClick() {
    if (On(MainPage::Result) && combinations_)
        combinations_->ShowWindow();
}

// ---------------------------------------------------------------------------------------------
// Project files

FileDialogRequest ProjectFileDialog() {
    return {"Rangwerk-Dateien (*.opt)|*.opt", "opt"};
}

ViewFacts MainWindowModel::CurrentViewFacts() const {
    ViewFacts facts;
    facts.mainPage = static_cast<std::int32_t>(screen_.page);
    if (combinations_) {
        facts.combinationsPage = combinations_->Page();
        facts.combinationsOpen = combinations_->WindowVisible();
    }
    return facts;
}

void MainWindowModel::ShowFileCaption() {
    // The file name without its folder, whichever separator the path uses.
    screen_.caption =
        std::string(kApplicationTitle) + " - [" + FileNameOfPath(projectFileName_) + "]";
}

void MainWindowModel::WriteProjectFile() {
    SaveProjectFile(projectFileName_, CaptureProject(project_, CurrentViewFacts()));
    ShowFileCaption();
}

void MainWindowModel::SpeedButton_SaveClick() {
    if (!screen_.saveVisible)
        return;
    Intent([&] {
        StorePendingInfoEdit();
        if (!projectFileName_.empty()) {
            const MessageButton answer = dialogs_.ShowMessage(ConfirmationQuestion(
                "Möchten Sie die Daten wieder unter \"" + projectFileName_ + "\" speichern?"));
            if (answer == MessageButton::Yes) {
                WriteProjectFile();
                return;
            }
            if (answer != MessageButton::No)
                return;
        }
        const std::optional<std::string> chosen = dialogs_.AskSaveFileName(ProjectFileDialog());
        if (!chosen)
            return;
        projectFileName_ = *chosen;
        WriteProjectFile();
    });
}

void MainWindowModel::SpeedButton_0OpenClick() {
    if (!On(MainPage::Start))
        return;
    Intent([&] {
        const std::optional<std::string> chosen = dialogs_.AskOpenFileName(ProjectFileDialog());
        if (!chosen)
            return;
        CloseCombinationsWindow();
        projectFileName_ = *chosen;
        // The whole file is read and checked before anything changes: a file that cannot be
        // read leaves the start page as it was. A pipe is refused at once rather than waited on.
        const ProjectData data = ReadProjectFile(projectFileName_, PipeInput::Refused);
        try {
            ShowOpenedProject(data);
        } catch (...) {
            // Nothing half-built stays behind.
            CloseCombinationsWindow();
            DiscardProject();
            ShowPage(MainPage::Start);
            throw;
        }
    });
}

void MainWindowModel::ShowOpenedProject(const ProjectData& data) {
    project_.DiscardAll();
    LoadIntoProject(data, project_);
    RebuildOptionList();
    ResetRankingRows();
    ReloadSettingsFromProject();

    const auto page = static_cast<MainPage>(data.mainPage);
    if (page > MainPage::Settings) {
        PreparePopupMenu_3();
        project_.run.Restore(*data.firstIndex, *data.secondIndex);
        ResetRankingRows();
        screen_.liveRankingVisible = project_.liveScore;
        ShowPage(page);
        // The step lands exactly on the saved pair and ranks the options.
        project_.run.NextComparison(false);
    }

    if (combinations_) {
        combinations_->SetPage(data.combinationsPage);
        if (data.combinationsOpen)
            combinations_->ShowWindow();
    }
    ShowFileCaption();
    ShowPage(page);
}

}  // namespace rangwerk
