#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/action_guard.h"
#include "platform/connection_query.h"
#include "platform/dialogs.h"
#include "platform/http_client.h"
#include "platform/regional_settings.h"
#include "platform/registry.h"
#include "platform/temp_files.h"
#include "platform/update_batch.h"
#include "update/archive_download.h"
#include "update/day_count.h"
#include "update/update_check.h"
#include "update/update_host.h"
#include "update/wizard_model.h"

class QPainter;

namespace Ui {
class StatusForm;
}

namespace rangwerk {

// What the wizard takes from outside. The pointers are not owned and must outlive the window.
struct StatusFormServices {
    Dialogs* dialogs = nullptr;
    Registry* registry = nullptr;
    HttpClient* http = nullptr;
    ConnectionQuery* connection = nullptr;
    TempFiles* tempFiles = nullptr;
    DayClock* clock = nullptr;
    UpdateBatchStarter* batchStarter = nullptr;
    // The folder for the update's files, with a trailing separator; read at every showing.
    std::function<std::optional<std::string>()> tempFolder;
    // The full path of the program file.
    std::string programPath;
    // The web server of the updates.
    UpdateHost host;
    // The user's regional settings, read at every showing.
    std::function<RegionalSettings()> regionalSettings;
    // The public keys whose signature of an archive is trusted.
    std::function<std::vector<std::string>()> trustedKeys;
    // Asks the program to end (its "terminated" flag; a quit before the event loop would be lost).
    std::function<void()> terminate;
    // Moves the reminder date forward for the settings of the last showing.
    std::function<void(const WizardInputs&)> renewReminder;
    // Seconds on a steady clock for the time left; empty: the system's.
    std::function<double()> nowSeconds;
    // The pause before a cut-off archive is deleted; empty: an event loop keeps the window alive.
    std::function<void(int milliseconds)> wait;
};

// The work behind the wizard on this computer: the check of the update description, the
// archive download with its signature, the installation and the batch at program end.
class StatusFormBackend : public WizardBackend {
public:
    explicit StatusFormBackend(StatusFormServices services);

    void BeginShowing(const WizardInputs& inputs) override;
    bool CheckForUpdates() override;
    bool UpdatesAvailable() const override;
    std::string CheckResultText() override;
    WizardDownloadResult DownloadArchive(
        const std::function<void(std::uint64_t)>& begin,
        const std::function<bool(std::uint64_t)>& progress) override;
    void AbortTransfer() override;
    void DiscardDownload() override;
    WizardProgress DescribeProgress(std::uint64_t received, std::uint64_t maximum) override;
    WizardInstallResult PrepareInstallation(bool restart) override;
    void ReleaseDescription() override;
    void RenewReminder() override;
    void StartUpdateBatch() override;
    void RequestTermination() override;

    // TempFolder + ZIPFileName, where the archive is stored.
    std::string ArchiveFile() const { return tempFolder_ + inputs_.zipFileName; }

private:
    StatusFormServices services_;
    UpdateCheck check_;
    ArchiveDownload download_;
    WizardInputs inputs_;
    RegionalSettings regional_;
    std::string tempFolder_;
    std::function<void(std::uint64_t)> begin_;
    std::function<bool(std::uint64_t)> progress_;
    DownloadDisplay lastDisplay_;
};

// The update wizard "Updates installieren": shows the wizard model and forwards its events.
// Created once at program start and hidden; every showing starts again at "Willkommen".
// Destroying it carries out the decisions of program end (reminder, update batch).
class TStatusForm : public QDialog, private WizardWindow {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 658;
    static constexpr int kClientHeight = 353;
    static constexpr int kStripWidth = 225;

    // The window with the real work behind it.
    TStatusForm(StatusFormServices services, QWidget* parent = nullptr);
    // The window over another backend (tests).
    TStatusForm(WizardBackend& backend, Dialogs& dialogs, Registry& registry,
                QWidget* parent = nullptr);
    ~TStatusForm() override;

    // What the update component hands over before each showing.
    void SetInputs(const WizardInputs& inputs) { model_.SetInputs(inputs); }
    // Hands the values over and shows the wizard modally; returns when it has been closed.
    // The showing runs inside the caller's action: when it fails, the wizard stays hidden
    // and the failure goes on to the caller.
    void ShowModal(const WizardInputs& inputs);
    QWidget& Window() { return *this; }

    WizardModel& Model() { return model_; }

    // The step strip's colour at column x of a strip `width` pixels wide.
    static QColor StripColor(int x, int width);
    // The font of the strip's titles: the window's font at 10 points, bold and italic for the
    // current step.
    QFont StripFont(bool current) const;
    // Where title i is drawn (top left of its text).
    static QPoint StripTitlePos(int i) { return QPoint(16, 16 + 56 * i); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape: the cancel button of the current button page.
    void reject() override;

private:
    TStatusForm(std::unique_ptr<StatusFormBackend> own, WizardBackend* other, Dialogs& dialogs,
                Registry& registry, QWidget* parent);

    // WizardWindow
    void Refresh() override;
    void ProcessEvents() override;
    void Close() override;

    void FormCreate();
    void FormShow();
    // Gives the page icons their pictures (see FormCreate).
    void ShowPageIcons();
    void PaintBox_ProcessPaint(QPainter& painter);
    void UpdateStripAccessibility();
    // Runs `handler` as one user action: a failure ends it and is shown in the general error
    // box. Only where an event enters the window; handlers that run inside another action
    // are called directly, so that its guard sees their failures.
    template <class Handler>
    void Guarded(Handler&& handler) {
        guard_.Run(std::forward<Handler>(handler));
    }

    std::unique_ptr<StatusFormBackend> ownBackend_;
    Dialogs& dialogs_;
    ActionGuard guard_{dialogs_};
    std::unique_ptr<Ui::StatusForm> ui_;
    WizardModel model_;
    // Set while the window is shown or closed on behalf of a running action, whose handlers
    // have already been run.
    bool showingForCaller_ = false;
    bool closingForCaller_ = false;
    int paintedStep_ = -1;
    bool shownErrorIcon_ = false;
    bool pageIconsShown_ = false;
    QString announcedTitle_;
};

}  // namespace rangwerk
