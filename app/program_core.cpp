#include "app/program_core.h"

#include <utility>

#include "platform/regional_settings.h"
#include "platform/temp_files.h"
#include "platform/update_batch.h"
#include "update/day_count.h"
#include "update/reminder.h"

#ifdef RANGWERK_WITH_UPDATE_INSTALL
#include "update/installation.h"
#include "update/wizard_backend.h"
#endif

namespace rangwerk {

// The work behind the update wizard with the system's services it uses.
struct ProgramCore::Wizard {
#ifdef RANGWERK_WITH_UPDATE_INSTALL
    SystemTempFiles tempFiles;
    SystemDayClock clock;
    SystemUpdateBatchStarter batchStarter;
    std::unique_ptr<StatusFormBackend> backend;
#endif
};

ProgramCore::ProgramCore(ProgramCoreServices services, ProgramFrontend& frontend)
    : services_(std::move(services)),
      frontend_(frontend),
      updateHost_(services_.update.host ? *services_.update.host : UpdateHostFromEnvironment()) {
    // The main window with its model; its non-visual components come last, the installation
    // registration among them. Making it carries out "/uninstall" at once, before any window
    // is shown, and that always ends with a termination request.
    project_ = std::make_unique<Project>();
    // The combinations window's model, which the main window drives and the combinations
    // notify; its window comes after the main window.
    combinationsModel_ = std::make_unique<CombinationsWindowModel>(*project_, services_.dialogs,
                                                                   services_.decimalSeparator);
    mainModel_ = std::make_unique<MainWindowModel>(*project_, services_.dialogs, services_.seed);
    mainModel_->SetCombinationsWindow(combinationsModel_.get());
    frontend_.MakeMainWindow(*mainModel_);
    setup_ = std::make_unique<TQuarvSetup>(QuarvSetupServices{
        services_.registry, services_.dialogs, kApplicationTitle, services_.programPath,
        services_.argument1, services_.readFileVersion, [this] { RequestTermination(); }});
    setup_->ApplyMainWindowValues();

    // The update component: Ctrl+U on the main window and the hidden update wizard. What the
    // start writes into the registry is written once the main window is on screen, or before
    // the wizard comes.
    update_ = std::make_unique<UpdateComponent>(UpdateComponentServices{
        services_.registry, services_.dialogs, services_.programPath, services_.argument1,
        services_.update.driveType, services_.update.fileTime, services_.update.today,
        [this] { RequestTermination(); }, updateHost_.Known(), [this] { ReleaseStartChanges(); }});
    wizard_ = std::make_unique<Wizard>();
    WizardBackend* backend = nullptr;
#ifdef RANGWERK_WITH_UPDATE_INSTALL
    if (services_.update.http && services_.update.connection) {
        // What the last installation unpacked goes once its batch has run (a batch still
        // running, or an installation still pending in another instance, keeps its list
        // locked).
        if (const auto folder = UserTempFolder())
            RemoveFilesOfLastInstallation(*folder);
        StatusFormServices work;
        work.dialogs = &services_.dialogs;
        work.registry = &services_.registry;
        work.http = services_.update.http;
        work.connection = services_.update.connection;
        work.tempFiles = &wizard_->tempFiles;
        work.clock = &wizard_->clock;
        work.batchStarter = &wizard_->batchStarter;
        work.tempFolder = [] { return UserTempFolder(); };
        work.programPath = services_.programPath;
        work.host = updateHost_;
        work.regionalSettings = [] { return ReadRegionalSettings(); };
        work.trustedKeys = [] { return TrustedUpdateKeys(); };
        work.terminate = [this] { RequestTermination(); };
        work.renewReminder = [this](const WizardInputs& inputs) {
            const UpdateSettingsKey settings{inputs.registryKey, inputs.hkcu};
            if (services_.update.today) {
                RenewReminder(services_.registry, settings, services_.update.today());
            } else {
                RenewReminder(services_.registry, settings);
            }
        };
        work.wait = [this](int milliseconds) { frontend_.WaitWithEvents(milliseconds); };
        wizard_->backend = std::make_unique<StatusFormBackend>(std::move(work));
        backend = wizard_->backend.get();
    }
#endif
    frontend_.MakeUpdateComponent(*update_, backend);

    // The main window's creation handler: the uninstall entry at every start (skipped for
    // "/uninstall"); a failed registry write never stops the start.
    services_.registry.HoldChanges();
    holdingChanges_ = true;
    setup_->WriteUninstallEntry();
    // The start-up reminder (nothing for "/uninstall"); it may show the update wizard before the
    // main window. An update-only start ends the program right after the wizard.
    RunGuarded(services_.dialogs, [this] { update_->AutomaticUpdate(std::string(), false, 0); });
    if (update_->OnlyUpdateEnded())
        return;

    frontend_.MakeCombinationsWindow(*combinationsModel_);
    combinationsWindowMade_ = true;
    infoModel_ = std::make_unique<InfoModel>(services_.addressOpener, services_.readFileVersion);
    frontend_.MakeInfoDialog(*infoModel_);
    infoDialogMade_ = true;
    // Creating the info dialog gives every window of 8-point font the message font's face.
    GiveMessageFontFace(frontend_.Windows(), frontend_.MessageFontFace());
    mainModel_->SetShowInfo([this] { infoModel_->ShowInfo(kApplicationTitle, "2004"); });
}

ProgramCore::~ProgramCore() {
    ReleaseStartChanges();
    if (infoDialogMade_)
        frontend_.DestroyInfoDialog();
    infoModel_.reset();
    if (combinationsWindowMade_)
        frontend_.DestroyCombinationsWindow();
    // Destroying the update wizard may renew the reminder and start the update's batch.
    frontend_.DestroyUpdateComponent();
    wizard_.reset();
    update_.reset();
    setup_.reset();
    frontend_.DestroyMainWindow();
    mainModel_.reset();
    combinationsModel_.reset();
    project_.reset();
}

void ProgramCore::ReleaseStartChanges() {
    if (std::exchange(holdingChanges_, false))
        services_.registry.ReleaseChanges();
}

void ProgramCore::RequestTermination() {
    terminated_ = true;
    if (running_)
        frontend_.QuitEventLoop();
}

void ProgramCore::ShowStoreProblems() {
    for (const std::string& problem : services_.registry.TakeProblems()) {
        services_.dialogs.ShowMessage(GeneralErrorMessage(problem));
    }
}

int ProgramCore::Run() {
    if (terminated_) {
        ReleaseStartChanges();
        return 0;
    }
    running_ = true;
    frontend_.RunEventLoop([this] {
        ReleaseStartChanges();
        ShowStoreProblems();
    });
    running_ = false;
    return 0;
}

}  // namespace rangwerk
