#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

namespace rangwerk {

// What the work behind the wizard takes from outside. The pointers are not owned and must
// outlive the backend.
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
    // The pause before a cut-off archive is deleted, which should keep the window's events
    // flowing; empty: the thread sleeps.
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

}  // namespace rangwerk
