#include "update/wizard_model.h"

#include <exception>
#include <utility>

#include "base/failure.h"
#include "update/reminder.h"

namespace rangwerk {

const char* const kWizardDownloadText =
    "Die Updates werden jetzt heruntergeladen. Bitten warten Sie, bis der Download abgeschlossen "
    "ist, oder klicken Sie auf \"Download abbrechen\", wenn Sie die Updates zu einer anderen Zeit "
    "herunterladen wollen.";
const char* const kWizardDownloadAbortedText =
    "Der Download wurde nicht vollendet.\r\n\r\nKlicken Sie auf \"Erneut versuchen\", um den "
    "Download erneut zu starten.\r\nKlicken Sie auf \"Abbrechen\", um den Assistenten zu beenden.";
const char* const kWizardDownloadDoneText =
    "Die Update-Dateien wurden erfolgreich heruntergeladen. Klicken Sie auf \"Weiter\", um die "
    "Updates zu installieren.";
const char* const kWizardInstallText =
    "Das Update kann jetzt installiert werden.\r\nKlicken Sie auf \"Weiter\", um den Vorgang "
    "fortzusetzen und die Installation durchzuführen.\r\n\r\nAktivieren Sie das Kontrollfeld "
    "\"Programm automatisch neu starten\", um die Anwendung nach der Installation sofort neu zu "
    "starten.";
const char* const kWizardCancelDownloadCaption = "Download ab&brechen";
const char* const kWizardRetryCaption = "Erneut versuchen";
const char* const kWizardCancelQuestion = "Soll der Download wirklich abgebrochen werden?";

namespace {

const char* const kNextCaption = "Weiter >";
const char* const kFinishCaption = "Beenden";
const char* const kSettingsTitle = "Einstellungen";

}  // namespace

const std::array<const char*, kWizardStepCount>& WizardStepTitles() {
    static const std::array<const char*, kWizardStepCount> titles{
        "Willkommen",           "Auf neue Updates prüfen",
        "Ergebnis der Prüfung", "Download der Updates",
        "Installieren",         "Abschließen der Installation"};
    return titles;
}

WizardModel::WizardModel(WizardBackend& backend, Dialogs& dialogs, Registry& registry)
    : backend_(backend), dialogs_(dialogs), registry_(registry) {
    screen_.downloadText = kWizardDownloadText;
    screen_.cancelDownloadCaption = kWizardCancelDownloadCaption;
    screen_.installText = kWizardInstallText;
}

void WizardModel::Refresh() {
    if (window_)
        window_->Refresh();
}

void WizardModel::ProcessEvents() {
    if (window_)
        window_->ProcessEvents();
}

void WizardModel::CloseWindow() {
    if (window_)
        window_->Close();
}

void WizardModel::FormShow() {
    backend_.BeginShowing(inputs_);
    step_ = 0;
    installPrepared_ = false;
    updatesAvailable_ = false;
    cancelRequested_ = false;
    downloadAborted_ = false;
    endedWithoutUpdates_ = false;
    closeAfterTransfer_ = false;
    checkCancelled_ = false;
    downloadCompleted_ = false;

    screen_.page = WizardPage::Welcome;
    screen_.stripStep = 0;
    screen_.buttonPage = WizardButtonPage::Standard;
    screen_.settingsButtonVisible = true;
    screen_.cancelEnabled = true;
    screen_.checkEnabled = true;
    screen_.nextEnabled = true;
    screen_.nextCaption = kNextCaption;
    screen_.title = WizardStepTitles()[0];
    // A new run shows no leftovers of the last one: neither the missing-files text on
    // "Einrichten" nor a download outcome.
    screen_.installText = kWizardInstallText;
    screen_.installErrorIcon = false;
    screen_.downloadText = kWizardDownloadText;
    screen_.cancelDownloadCaption = kWizardCancelDownloadCaption;
    screen_.cancelDownloadVisible = true;
    Refresh();
}

void WizardModel::ShowStepPage() {
    // While the settings page is open, the step moves on behind it.
    const bool settingsShown = screen_.buttonPage == WizardButtonPage::Settings;
    if (step_ >= 0 && step_ < kWizardStepCount && !settingsShown) {
        screen_.page = static_cast<WizardPage>(step_);
        screen_.title = WizardStepTitles()[static_cast<std::size_t>(step_)];
    }
}

void WizardModel::Button_NextClick() {
    ++step_;
    switch (step_) {
        case 1:
            screen_.nextEnabled = false;
            break;
        case 2:
            updatesAvailable_ = backend_.UpdatesAvailable();
            screen_.checkResult = backend_.CheckResultText();
            if (updatesAvailable_) {
                screen_.nextCaption = kNextCaption;
            } else {
                screen_.nextCaption = kFinishCaption;
                screen_.cancelEnabled = false;
            }
            screen_.nextEnabled = true;
            break;
        case 3:
            if (updatesAvailable_) {
                screen_.progressPosition = 0;
            } else {
                endedWithoutUpdates_ = true;
                Refresh();
                CloseWindow();
                return;
            }
            break;
        case 4:
            break;
        case 5: {
            const WizardInstallResult result = backend_.PrepareInstallation(screen_.restart);
            if (!result.prepared) {
                // The page, the title and the strip stay as they are: Step stands at 5 while
                // "Einrichten" shows the refusal.
                screen_.installText = result.refusal;
                screen_.installErrorIcon = true;
                screen_.nextEnabled = false;
                Refresh();
                return;
            }
            installPrepared_ = true;
            downloadCompleted_ = false;  // the installation has taken the archive
            screen_.nextCaption = kFinishCaption;
            screen_.cancelEnabled = false;
            break;
        }
        default:
            // "Beenden" on the last page: the program ends; no other page is shown.
            backend_.RequestTermination();
            Refresh();
            CloseWindow();
            return;
    }
    CommonTail();
}

void WizardModel::CommonTail() {
    ShowStepPage();
    screen_.stripStep = step_;
    Refresh();
    if (step_ == 3 && updatesAvailable_)
        RunDownload();
}

void WizardModel::RunDownload() {
    screen_.nextEnabled = false;
    screen_.downloadText = kWizardDownloadText;
    screen_.cancelDownloadCaption = kWizardCancelDownloadCaption;
    screen_.cancelDownloadVisible = true;
    screen_.perCent.clear();
    screen_.status.clear();
    screen_.timeLeft.clear();
    shownReceived_ = 0;
    downloadCompleted_ = false;
    Refresh();
    ProcessEvents();

    WizardDownloadResult result;
    downloading_ = true;
    try {
        result = backend_.DownloadArchive(
            [this](std::uint64_t maximum) { HTTPWorkBegin(maximum); },
            [this](std::uint64_t received) { return OnUpdateTimer(received); });
    } catch (const std::exception& e) {
        result.status = WizardDownloadResult::Status::Failed;
        result.errorText = e.what();
    }
    downloading_ = false;

    if (result.status == WizardDownloadResult::Status::Completed && !downloadAborted_) {
        downloadCompleted_ = true;
        screen_.downloadText = kWizardDownloadDoneText;
        screen_.cancelDownloadVisible = false;
        screen_.nextEnabled = true;
    } else {
        // Cut off or failed: the page offers the retry.
        if (result.status == WizardDownloadResult::Status::Aborted)
            downloadAborted_ = true;
        screen_.downloadText = kWizardDownloadAbortedText;
        screen_.cancelDownloadCaption = kWizardRetryCaption;
        screen_.cancelDownloadVisible = true;
        screen_.nextEnabled = false;
    }
    Refresh();

    if (closeAfterTransfer_) {
        closeAfterTransfer_ = false;
        CloseWindow();
    }
    if (result.status == WizardDownloadResult::Status::Failed)
        throw Failure(result.errorText);
}

void WizardModel::HTTPWorkBegin(std::uint64_t maximum) {
    screen_.progressMaximum = maximum;
    Refresh();
}

bool WizardModel::OnUpdateTimer(std::uint64_t received) {
    if (screen_.progressMaximum != 0) {
        ProcessEvents();
        // The events may have carried later reports, each shown in its turn; this one is
        // older then, and the page keeps the later count (the last one at the end).
        if (received >= shownReceived_) {
            shownReceived_ = received;
            const WizardProgress progress =
                backend_.DescribeProgress(received, screen_.progressMaximum);
            screen_.progressPosition = progress.position;
            screen_.perCent = progress.perCent;
            screen_.status = progress.status;
            screen_.timeLeft = progress.timeLeft;
            Refresh();
        }
    }
    if (cancelRequested_) {
        downloadAborted_ = true;
        return false;
    }
    return true;
}

bool WizardModel::AskCancel() {
    MessageRequest question;
    question.text = kWizardCancelQuestion;
    question.caption = kCaptionConfirmation;
    question.icon = MessageIcon::Question;
    question.buttons = {MessageButton::Yes, MessageButton::No};
    question.defaultButton = MessageButton::Yes;
    question.escapeButton = MessageButton::No;
    question.sound = SystemSound::Question;
    if (dialogs_.ShowMessage(question) != MessageButton::Yes)
        return false;
    cancelRequested_ = true;
    // Cut now: a server that announces no length or sends nothing gives no report to wait for.
    backend_.AbortTransfer();
    return true;
}

void WizardModel::CancelCheck() {
    if (checkCancelled_)
        return;
    checkCancelled_ = true;
    backend_.AbortTransfer();
}

void WizardModel::Button_CheckClick() {
    // The check waits for the server while the window goes on drawing and taking clicks. A
    // second click on the check waits for it (the button is off meanwhile): two checks would
    // move two pages on and could start a download nobody confirmed. "Abbrechen", Escape and
    // the close box cancel it.
    if (checking_)
        return;
    checking_ = true;
    checkCancelled_ = false;
    screen_.checkEnabled = false;
    Refresh();
    const auto done = [this] {
        checking_ = false;
        screen_.checkEnabled = true;
        Refresh();
    };
    bool found = false;
    try {
        found = backend_.CheckForUpdates();
    } catch (...) {
        done();
        if (!checkCancelled_)
            throw;
    }
    done();
    if (checkCancelled_) {
        // Whatever the server said meanwhile: the user left.
        CloseWindow();
        return;
    }
    if (!found) {
        dialogs_.ShowMessage(NoConnectionMessage());
        return;
    }
    Button_NextClick();
}

void WizardModel::CancelDownloadClick() {
    if (downloading_) {
        AskCancel();
        return;
    }
    // The button reads "Erneut versuchen": the download starts again.
    step_ = 2;
    downloadAborted_ = false;
    cancelRequested_ = false;
    Button_NextClick();
}

void WizardModel::Button_CancelClick() {
    if (checking_) {
        CancelCheck();
        return;
    }
    if (!downloading_) {
        CloseWindow();
        return;
    }
    if (closeAfterTransfer_)
        return;  // asked already; the close follows the transfer
    if (AskCancel())
        closeAfterTransfer_ = true;
}

bool WizardModel::FormCloseQuery() {
    if (checking_) {
        // The close follows once the cut check has returned.
        CancelCheck();
        return false;
    }
    if (!downloading_)
        return true;
    // The transfer runs below this handler on the same thread: the close waits for it to stop
    // and is carried out when it has.
    if (!closeAfterTransfer_ && AskCancel())
        closeAfterTransfer_ = true;
    return false;
}

bool WizardModel::QueryAndClose() {
    if (!FormCloseQuery())
        return false;
    FormClose();
    return true;
}

void WizardModel::FormClose() {
    // Only a prepared installation ends the program; after a refused installation the wizard
    // just closes.
    if (step_ == 5 && installPrepared_)
        backend_.RequestTermination();
    // An archive that was fetched but not installed stays nowhere.
    if (downloadCompleted_) {
        downloadCompleted_ = false;
        backend_.DiscardDownload();
    }
}

void WizardModel::FormDestroy() {
    backend_.ReleaseDescription();
    // A reminder that cannot be written never keeps the prepared update from starting; its
    // failure is reported afterwards.
    std::exception_ptr reminderFailure;
    if (installPrepared_ || endedWithoutUpdates_) {
        try {
            backend_.RenewReminder();
        } catch (...) {
            reminderFailure = std::current_exception();
        }
    }
    if (installPrepared_)
        backend_.StartUpdateBatch();
    if (reminderFailure)
        std::rethrow_exception(reminderFailure);
}

void WizardModel::CheckBox_RestartClick(bool checked) {
    screen_.restart = checked;
}

void WizardModel::Button_SettingsClick() {
    const ReminderChoice choice = [&] {
        auto key = UpdateSettingsKey{inputs_.registryKey, inputs_.hkcu}.Open(registry_);
        return ReadReminderChoice(*key);
    }();
    screen_.intervalDays = choice.intervalDays;
    RadioButton_UpdtClick(choice.neverRemind);
    screen_.settingsButtonVisible = false;
    screen_.title = kSettingsTitle;
    screen_.buttonPage = WizardButtonPage::Settings;
    screen_.page = WizardPage::Settings;
    Refresh();
}

void WizardModel::RadioButton_UpdtClick(bool neverRemind) {
    screen_.neverRemind = neverRemind;
    screen_.intervalEnabled = !neverRemind;
    Refresh();
}

void WizardModel::Button_SettingsSaveClick(const std::string& fieldText) {
    ReminderChoice choice;
    choice.neverRemind = screen_.neverRemind;
    choice.intervalDays = IntervalFromFieldText(fieldText);
    {
        auto key = UpdateSettingsKey{inputs_.registryKey, inputs_.hkcu}.Open(registry_);
        WriteReminderChoice(*key, choice);
    }
    if (!choice.neverRemind)
        screen_.intervalDays = choice.intervalDays;
    Button_SettingsCancelClick();
}

void WizardModel::Button_SettingsCancelClick() {
    screen_.buttonPage = WizardButtonPage::Standard;
    screen_.settingsButtonVisible = true;
    ShowStepPage();
    Refresh();
}

}  // namespace rangwerk
