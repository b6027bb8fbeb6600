#include "update/wizard_backend.h"

#include <utility>

#include "update/installation.h"
#include "update/short_date.h"

namespace rangwerk {

namespace {

ProgressFormat ProgressFormatOf(const RegionalSettings& regional) {
    ProgressFormat format;
    format.decimalSeparator = regional.decimalSeparator;
    format.longTimeFormat = regional.longTimeFormat;
    return format;
}

}  // namespace

StatusFormBackend::StatusFormBackend(StatusFormServices services)
    : services_(std::move(services)),
      check_(UpdateCheckServices{*services_.http, *services_.connection, *services_.tempFiles,
                                 *services_.clock}),
      download_(*services_.http, [this] {
          ArchiveDownloadHooks hooks;
          hooks.setMaximum = [this](std::uint64_t maximum) {
              if (begin_)
                  begin_(maximum);
          };
          // The model pumps the events itself at each report and says whether to go on.
          hooks.show = [this](const DownloadDisplay& display) {
              lastDisplay_ = display;
              if (progress_ && !progress_(display.position))
                  download_.RequestCancel();
          };
          hooks.nowSeconds = services_.nowSeconds;
          hooks.wait = services_.wait;
          return hooks;
      }()) {}

void StatusFormBackend::BeginShowing(const WizardInputs& inputs) {
    inputs_ = inputs;
    tempFolder_ = services_.tempFolder ? services_.tempFolder().value_or("") : "";
    regional_ = services_.regionalSettings ? services_.regionalSettings() : RegionalSettings{};
    download_.SetFormat(ProgressFormatOf(regional_));
    download_.Reset();
    check_.ClearUpdatesAvailable();
}

bool StatusFormBackend::CheckForUpdates() {
    UpdateCheckInputs inputs;
    inputs.programName = inputs_.programName;
    inputs.installedDate = inputs_.installedDate;
    inputs.host = services_.host;
    inputs.tempFolder = tempFolder_;
    inputs.dateFormat = ShortDateFormatOf(regional_);
    return !tempFolder_.empty() && check_.CheckForUpdates(inputs);
}

void StatusFormBackend::AbortTransfer() {
    if (download_.Downloading()) {
        download_.RequestCancel();
    } else {
        check_.Abort();
    }
}

void StatusFormBackend::DiscardDownload() {
    // The archive of a finished download that the user left without installing.
    DiscardDownloadedArchive(ArchiveFile());
}

bool StatusFormBackend::UpdatesAvailable() const {
    return check_.UpdatesAvailable();
}

std::string StatusFormBackend::CheckResultText() {
    return check_.BuildCheckResultText();
}

WizardDownloadResult StatusFormBackend::DownloadArchive(
    const std::function<void(std::uint64_t)>& begin,
    const std::function<bool(std::uint64_t)>& progress) {
    WizardDownloadResult result;
    if (!check_.UpdateDescription()) {
        result.status = WizardDownloadResult::Status::Failed;
        result.errorText = "Es wurde noch nicht nach Updates gesucht.";
        return result;
    }
    const std::string file = check_.UpdateFile();
    if (!IsArchiveBelowUpdates(file)) {
        result.status = WizardDownloadResult::Status::Failed;
        result.errorText = "Die Update-Beschreibung nennt als Update-Archiv \"" + file +
                           "\", das nicht im Ordner \"/Updates/\" des Servers liegt. Der "
                           "Download wurde nicht begonnen.";
        return result;
    }
    begin_ = begin;
    progress_ = progress;
    lastDisplay_ = {};
    download_.ResetForRetry();
    ArchiveDownloadResult run;
    try {
        run = download_.Run(services_.host.name, file, ArchiveFile(),
                            services_.trustedKeys ? services_.trustedKeys() : TrustedUpdateKeys());
    } catch (...) {
        begin_ = nullptr;
        progress_ = nullptr;
        throw;
    }
    begin_ = nullptr;
    progress_ = nullptr;
    switch (run.status) {
        case ArchiveDownloadResult::Status::Completed:
            result.status = WizardDownloadResult::Status::Completed;
            break;
        case ArchiveDownloadResult::Status::Aborted:
            result.status = WizardDownloadResult::Status::Aborted;
            break;
        case ArchiveDownloadResult::Status::Failed:
            result.status = WizardDownloadResult::Status::Failed;
            result.errorText =
                run.errorText.empty() ? "Der Download ist fehlgeschlagen" : run.errorText;
            break;
    }
    return result;
}

WizardProgress StatusFormBackend::DescribeProgress(std::uint64_t received, std::uint64_t maximum) {
    if (lastDisplay_.maximum != maximum || lastDisplay_.position != received)
        lastDisplay_ = MakeDownloadDisplay(received, maximum, 0, ProgressFormatOf(regional_));
    return {lastDisplay_.position, lastDisplay_.percent, lastDisplay_.status,
            lastDisplay_.timeLeft};
}

WizardInstallResult StatusFormBackend::PrepareInstallation(bool restart) {
    InstallationRequest request;
    request.archiveFile = ArchiveFile();
    request.tempFolder = tempFolder_;
    request.programPath = services_.programPath;
    request.restart = restart;
    request.trustedKeys = services_.trustedKeys ? services_.trustedKeys() : TrustedUpdateKeys();
    const InstallationResult installed = rangwerk::PrepareInstallation(request);
    return {installed.prepared, installed.message};
}

void StatusFormBackend::ReleaseDescription() {
    check_.Release();
}

void StatusFormBackend::RenewReminder() {
    if (services_.renewReminder)
        services_.renewReminder(inputs_);
}

void StatusFormBackend::StartUpdateBatch() {
    if (services_.batchStarter && !tempFolder_.empty())
        services_.batchStarter->Start(tempFolder_ + "Update.bat", tempFolder_);
}

void StatusFormBackend::RequestTermination() {
    if (services_.terminate)
        services_.terminate();
}

}  // namespace rangwerk
