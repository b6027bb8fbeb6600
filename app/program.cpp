#include "app/program.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>

#include "platform/regional_settings.h"
#include "platform/temp_files.h"
#include "platform/update_batch.h"
#include "ui/qt/qt_text.h"
#include "update/day_count.h"
#include "update/installation.h"
#include "ui/qt/qt_http_client.h"
#include "ui/qt/quarv_update_file_statusform.h"
#include "update/reminder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rangwerk {

QString SystemMessageFontFace() {
#ifdef _WIN32
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return QString::fromWCharArray(metrics.lfMessageFont.lfFaceName);
    }
#endif
    const QString arialMetrics = QStringLiteral("Liberation Sans");
    if (QFontDatabase::families().contains(arialMetrics))
        return arialMetrics;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

// The system's services behind the update wizard.
struct Program::SystemUpdateServices {
    QtHttpClient http;
    QtConnectionQuery connection;
    SystemTempFiles tempFiles;
    SystemDayClock clock;
    SystemUpdateBatchStarter batchStarter;
};

namespace {

// The update wizard window as the update component drives it.
class StatusFormWindow : public UpdateWizardWindow {
public:
    explicit StatusFormWindow(std::unique_ptr<TStatusForm> form) : form_(std::move(form)) {}
    QWidget& Window() override { return *form_; }
    void ShowModal(const WizardInputs& inputs) override { form_->ShowModal(inputs); }

private:
    std::unique_ptr<TStatusForm> form_;
};

}  // namespace

std::unique_ptr<UpdateWizardWindow> Program::CreateStatusForm() {
    if (services_.update.createWizard)
        return services_.update.createWizard();
    // What the last installation unpacked goes once its batch has run (a batch still running,
    // or an installation still pending in another instance, keeps its list locked).
    if (const auto folder = UserTempFolder())
        RemoveFilesOfLastInstallation(*folder);
    system_ = std::make_unique<SystemUpdateServices>();
    StatusFormServices wizard;
    wizard.dialogs = &services_.dialogs;
    wizard.registry = &services_.registry;
    wizard.http = &system_->http;
    wizard.connection = &system_->connection;
    wizard.tempFiles = &system_->tempFiles;
    wizard.clock = &system_->clock;
    wizard.batchStarter = &system_->batchStarter;
    wizard.tempFolder = [] { return UserTempFolder(); };
    wizard.programPath = services_.programPath;
    wizard.host = updateHost_;
    wizard.regionalSettings = [] { return ReadRegionalSettings(); };
    wizard.trustedKeys = [] { return TrustedUpdateKeys(); };
    wizard.terminate = [this] { RequestTermination(); };
    wizard.renewReminder = [this](const WizardInputs& inputs) {
        const UpdateSettingsKey settings{inputs.registryKey, inputs.hkcu};
        if (services_.update.today) {
            RenewReminder(services_.registry, settings, services_.update.today());
        } else {
            RenewReminder(services_.registry, settings);
        }
    };
    // Owned by the application object: a window of its own, without a parent.
    return std::make_unique<StatusFormWindow>(std::make_unique<TStatusForm>(std::move(wizard)));
}

void Program::RequestTermination() {
    terminated_ = true;
    if (running_)
        QApplication::quit();
}

Program::Program(ProgramServices services)
    : services_(std::move(services)),
      updateHost_(services_.update.host ? *services_.update.host : UpdateHostFromEnvironment()) {
    if (!services_.messageFontFace)
        services_.messageFontFace = SystemMessageFontFace;
    // The info dialog's labels keep "MS Sans Serif", a Windows face; elsewhere the face with
    // its metrics stands in for it.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    // The main window with its layout; its non-visual components come last, the installation
    // registration among them. Constructing it carries out "/uninstall" at once, before any
    // window is shown, and that always ends with a termination request.
    project_ = std::make_unique<Project>();
    // The combinations window's model, which the main window drives and the combinations
    // notify; its window comes after the main window.
    combinationsModel_ = std::make_unique<CombinationsWindowModel>(
        *project_, services_.dialogs, ToUtf8(QLocale().decimalPoint()));
    mainModel_ = std::make_unique<MainWindowModel>(*project_, services_.dialogs, seed_);
    mainModel_->SetCombinationsWindow(combinationsModel_.get());
    form1_ = std::make_unique<TForm1>(*mainModel_, services_.dialogs);
    setup_ = std::make_unique<TQuarvSetup>(QuarvSetupServices{
        services_.registry, services_.dialogs, kApplicationTitle, services_.programPath,
        services_.argument1, services_.readFileVersion, [this] { RequestTermination(); }});
    setup_->ApplyMainWindowValues();
    // The update component: Ctrl+U on the main window and the hidden update wizard.
    update_ = std::make_unique<TQuarvUpdateFile>(
        form1_.get(),
        QuarvUpdateFileServices{services_.registry, services_.dialogs, services_.programPath,
                                services_.argument1, services_.update.driveType,
                                services_.update.fileTime, services_.update.today,
                                [this] { return CreateStatusForm(); },
                                [this] { RequestTermination(); }, updateHost_.Known()});

    // The main window's creation handler: the uninstall entry at every start (skipped for
    // "/uninstall"); a failed registry write never stops the start.
    setup_->WriteUninstallEntry();
    // The start-up reminder (nothing for "/uninstall"); it may show the update wizard before the
    // main window. An update-only start ends the program right after the wizard.
    RunGuarded(services_.dialogs, [this] { update_->AutomaticUpdate(std::string(), false, 0); });
    if (update_->OnlyUpdateEnded())
        return;

    form2_ = std::make_unique<TForm2>(*combinationsModel_, services_.dialogs, form1_.get());
    infoModel_ = std::make_unique<InfoModel>(
        services_.addressOpener ? *services_.addressOpener : desktopOpener_,
        services_.readFileVersion);
    info_ = std::make_unique<TInfo>(services_.dialogs, *infoModel_, QApplication::windowIcon());
    // Creating the info dialog gives every window of 8-point font the message font's face.
    GiveWindowsMessageFontFace(services_.messageFontFace());
    mainModel_->SetShowInfo([this] { infoModel_->ShowInfo(kApplicationTitle, "2004"); });
}

Program::~Program() {
    info_.reset();
    infoModel_.reset();
    form2_.reset();
    // Destroying the update wizard may renew the reminder and start the update's batch.
    update_.reset();
    setup_.reset();
    form1_.reset();
    mainModel_.reset();
    combinationsModel_.reset();
    project_.reset();
    system_.reset();
}

void Program::ShowStoreProblems() {
    for (const std::string& problem : services_.registry.TakeProblems()) {
        services_.dialogs.ShowMessage(GeneralErrorMessage(problem));
    }
}

int Program::Run() {
    if (terminated_)
        return 0;
    // Closing the main window ends the program, whatever other window is still open.
    QObject::connect(form1_.get(), &TForm1::Closed, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
    form1_->show();
    ShowStoreProblems();
    running_ = true;
    QApplication::exec();
    running_ = false;
    return 0;
}

}  // namespace rangwerk
