// The main window's project file flows: save, open, and the view facts a file keeps.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>

#include "platform/dialogs.h"
#include "project/project_file.h"
#include "ui/ranko1.h"

namespace rangwerk {
namespace {

FileDialogRequest ProjectFileDialog() {
    return {"Rangwerk-Dateien (*.opt)|*.opt", "opt"};
}

}  // namespace

ViewFacts TForm1::CurrentViewFacts() const {
    ViewFacts facts;
    facts.mainPage = CurrentPage();
    if (const CombinationsWindowControl* view = combinationsWindow_) {
        facts.combinationsPage = view->Page();
        facts.combinationsOpen = view->WindowVisible();
    }
    return facts;
}

void TForm1::StorePendingInfoEdit() {
    // The save button takes no focus, so an information field being edited would not have
    // stored its text yet.
    if (CurrentPage() != kPageComparisons)
        return;
    QWidget* focused = QApplication::focusWidget();
    if (focused == Memo_3Option1Info || focused == Memo_3Option2Info) {
        Memo_3OptionInfoExit(focused);
    }
}

void TForm1::WriteProjectFile() {
    SaveProjectFile(projectFileName_, CaptureProject(project_, CurrentViewFacts()));
    ShowFileCaption(projectFileName_);
}

void TForm1::SpeedButton_SaveClick() {
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
}

void TForm1::SpeedButton_0OpenClick() {
    const std::optional<std::string> chosen = dialogs_.AskOpenFileName(ProjectFileDialog());
    if (!chosen)
        return;
    if (CombinationsWindowControl* view = combinationsWindow_)
        view->CloseWindow();
    projectFileName_ = *chosen;
    // The whole file is read and checked before anything changes: a file that cannot be
    // read leaves the start page as it was. A pipe is refused at once rather than waited on.
    const ProjectData data = ReadProjectFile(projectFileName_, PipeInput::Refused);
    try {
        ShowOpenedProject(data);
        // A handler reached through a signal of the rebuilt controls may have failed.
        guard_.ThrowIfFailed();
    } catch (...) {
        // Nothing half-built stays behind.
        if (CombinationsWindowControl* view = combinationsWindow_)
            view->CloseWindow();
        project_.DiscardAll();
        RebuildOptionList();
        SetRankingRows(0);
        ListBox_4Ranking->clear();
        ShowPage(kPageStart);
        throw;
    }
}

void TForm1::ShowOpenedProject(const ProjectData& data) {
    project_.DiscardAll();
    LoadIntoProject(data, project_);
    RebuildOptionList();
    ReloadSettingsFromProject();

    const int page = data.mainPage;
    if (page > kPageSettings) {
        PreparePopupMenu_3();
        project_.run.Restore(*data.firstIndex, *data.secondIndex);
        SetRankingRows(static_cast<int>(project_.options.Count()));
        ShowLiveRanking(project_.liveScore);
        if (page == kPageResult)
            CopyRankingRowsToResult();
        ShowPage(page);
        // The step lands exactly on the saved pair and ranks the options.
        project_.run.NextComparison(false);
    }

    if (CombinationsWindowControl* view = combinationsWindow_) {
        view->SetPage(data.combinationsPage);
        if (data.combinationsOpen)
            view->ShowWindow();
    }
    ShowFileCaption(projectFileName_);
    ShowPage(page);
}

}  // namespace rangwerk
