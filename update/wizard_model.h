#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "platform/registry.h"
#include "update/update_check.h"
#include "update/update_settings.h"

namespace rangwerk {

// The pages of the wizard, in the order of its page set.
enum class WizardPage { Welcome, Check, Result, Download, Install, Finish, Settings };

// The two pages of the button set at the bottom right.
enum class WizardButtonPage { Standard, Settings };

// The step titles of the strip; the current one also heads the window.
inline constexpr int kWizardStepCount = 6;
const std::array<const char*, kWizardStepCount>& WizardStepTitles();

// What the update component hands the wizard before each showing.
struct WizardInputs {
    std::string programName = kUpdateProgramName;
    std::string zipFileName = "Ranko.zip";
    std::string registryKey = "Rangwerk";
    bool hkcu = false;
    double installedDate = 0;  // day count; 0: the program file's modification time
};

// One progress report of the archive transfer as the download page shows it.
struct WizardProgress {
    std::uint64_t position = 0;
    std::string perCent;   // "50 %"
    std::string status;    // "1,5 MB von 3 MB gedownloadet"
    std::string timeLeft;  // "verbleibende Zeit: 00:00:30"
};

// The ways the archive transfer ends.
struct WizardDownloadResult {
    enum class Status { Completed, Aborted, Failed };
    Status status = Status::Completed;
    std::string errorText;  // the transfer's own text when it failed
};

// The ways the installation step ends.
struct WizardInstallResult {
    bool prepared = false;
    std::string refusal;  // German text for the "Einrichten" page when not prepared
};

// The work behind the wizard: the check, the download, the installation and what happens at
// program end. The real one drives the HTTP client, the ZIP reader and the batch file; tests
// script it.
class WizardBackend {
public:
    virtual ~WizardBackend() = default;

    // A showing begins: the temporary folder is read anew and the inputs taken over.
    virtual void BeginShowing(const WizardInputs& inputs) = 0;

    // The check of the update description. Returns false when it failed or was aborted; the
    // model then shows the no-connection box unless the user cancelled the check.
    virtual bool CheckForUpdates() = 0;
    virtual bool UpdatesAvailable() const = 0;
    // The text of the result page for the last check.
    virtual std::string CheckResultText() = 0;

    // Fetches the archive and its signature, and verifies the signature; blocks until the
    // transfers have ended. `begin` gets the archive's announced length (0: none); `progress`
    // gets each report and returns false to cut the transfer. A cut transfer is reported as
    // Aborted, after the pause and with the partial files gone; a refused archive (a limit,
    // the signature) as Failed with a German text.
    virtual WizardDownloadResult DownloadArchive(
        const std::function<void(std::uint64_t)>& begin,
        const std::function<bool(std::uint64_t)>& progress) = 0;
    // The user cancelled: the running check or download ends at once, whether or not its
    // server sends anything. Called from a handler nested inside CheckForUpdates or
    // DownloadArchive.
    virtual void AbortTransfer() = 0;
    // The wizard was left with a downloaded archive that was not installed: the archive and
    // its signature are removed.
    virtual void DiscardDownload() = 0;
    // The texts of a progress report: `received` bytes of `maximum`.
    virtual WizardProgress DescribeProgress(std::uint64_t received, std::uint64_t maximum) = 0;

    // Unpacks the archive and completes "Update.bat"; `restart` appends the restart line.
    virtual WizardInstallResult PrepareInstallation(bool restart) = 0;

    // Program end: the loaded description and its file go away.
    virtual void ReleaseDescription() = 0;
    // Moves the reminder date forward.
    virtual void RenewReminder() = 0;
    // Starts the completed "Update.bat".
    virtual void StartUpdateBatch() = 0;
    // Asks the program to end (its own "terminated" flag, which also holds before the event loop).
    virtual void RequestTermination() = 0;
};

// What the model asks of the window that shows it.
class WizardWindow {
public:
    virtual ~WizardWindow() = default;
    // Shows the model's state now (the step strip included).
    virtual void Refresh() = 0;
    // Handles pending window messages, so a page is drawn and nested clicks run.
    virtual void ProcessEvents() = 0;
    // Closes the wizard; the close asks CloseQuery first like the close box.
    virtual void Close() = 0;
};

// What the window shows, kept by the model.
struct WizardScreen {
    WizardPage page = WizardPage::Welcome;
    WizardButtonPage buttonPage = WizardButtonPage::Standard;
    std::string title = "Willkommen";
    // The step shown in bold in the step strip.
    int stripStep = 0;
    bool settingsButtonVisible = true;

    bool nextEnabled = true;
    std::string nextCaption = "Weiter >";
    bool cancelEnabled = true;
    // "Jetzt auf neue Updates prüfen"; off while the check runs, so that a second click never
    // starts a second check.
    bool checkEnabled = true;

    std::string checkResult;

    std::string downloadText;
    std::string cancelDownloadCaption;
    bool cancelDownloadVisible = true;
    std::uint64_t progressMaximum = 0;
    std::uint64_t progressPosition = 0;
    std::string perCent;
    std::string status;
    std::string timeLeft;

    std::string installText;
    bool installErrorIcon = false;
    bool restart = true;

    // The settings page.
    bool neverRemind = false;
    int intervalDays = 7;
    bool intervalEnabled = true;
};

// The wizard's texts.
extern const char* const kWizardDownloadText;
extern const char* const kWizardDownloadAbortedText;
extern const char* const kWizardDownloadDoneText;
extern const char* const kWizardInstallText;
extern const char* const kWizardCancelDownloadCaption;
extern const char* const kWizardRetryCaption;
extern const char* const kWizardCancelQuestion;

// The update wizard without its window: the step machine, the flags of a download and the
// settings page. The window forwards its events here and shows `Screen()`.
class WizardModel {
public:
    WizardModel(WizardBackend& backend, Dialogs& dialogs, Registry& registry);

    void SetWindow(WizardWindow* window) { window_ = window; }
    void SetInputs(const WizardInputs& inputs) { inputs_ = inputs; }

    // Events of the window.
    void FormShow();
    void Button_NextClick();
    void Button_CheckClick();
    void CancelDownloadClick();
    void Button_CancelClick();
    // Returns whether the window may close now.
    bool FormCloseQuery();
    void FormClose();
    // A close of the window (its close box, or asked by a handler): FormCloseQuery and, when it
    // may close, FormClose. Returns whether the window closes.
    bool QueryAndClose();
    void FormDestroy();
    void CheckBox_RestartClick(bool checked);

    void Button_SettingsClick();
    void RadioButton_UpdtClick(bool neverRemind);
    // `fieldText` is the number field's text as typed.
    void Button_SettingsSaveClick(const std::string& fieldText);
    void Button_SettingsCancelClick();

    const WizardScreen& Screen() const { return screen_; }
    int Step() const { return step_; }
    bool Downloading() const { return downloading_; }
    bool CancelRequested() const { return cancelRequested_; }
    bool DownloadAborted() const { return downloadAborted_; }
    bool InstallPrepared() const { return installPrepared_; }
    bool EndedWithoutUpdates() const { return endedWithoutUpdates_; }
    bool CloseAfterTransfer() const { return closeAfterTransfer_; }
    bool Checking() const { return checking_; }
    bool CheckCancelled() const { return checkCancelled_; }

private:
    // "Abbrechen", Escape or the close box while the check runs: the request is cut and the
    // wizard closes once the check has returned.
    void CancelCheck();
    void CommonTail();
    void RunDownload();
    void HTTPWorkBegin(std::uint64_t maximum);
    bool OnUpdateTimer(std::uint64_t received);
    // Asks whether the running download is to be cancelled; Ja sets CancelRequested.
    bool AskCancel();
    void ShowStepPage();
    void Refresh();
    void ProcessEvents();
    void CloseWindow();

    WizardBackend& backend_;
    Dialogs& dialogs_;
    Registry& registry_;
    WizardWindow* window_ = nullptr;
    WizardInputs inputs_;
    WizardScreen screen_;

    int step_ = 0;
    // The check runs; the window keeps handling messages meanwhile, so clicks can come in.
    bool checking_ = false;
    bool checkCancelled_ = false;
    // The archive of this showing has arrived and is not installed yet.
    bool downloadCompleted_ = false;
    // The last byte count shown on the download page; a report that was overtaken while the
    // window's events were processed does not take the display back.
    std::uint64_t shownReceived_ = 0;
    bool downloading_ = false;
    bool cancelRequested_ = false;
    bool downloadAborted_ = false;
    bool installPrepared_ = false;
    bool updatesAvailable_ = false;
    // The last showing ended through "Beenden" after a check without updates.
    bool endedWithoutUpdates_ = false;
    // A close was asked for while the transfer ran; it follows once the transfer has stopped.
    bool closeAfterTransfer_ = false;
};

}  // namespace rangwerk
