#include "update/quarv_update_file.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "update/automatic_update.h"

namespace rangwerk {

namespace {

const QKeySequence kUpdateShortcut(Qt::CTRL | Qt::Key_U);

bool IsUpdateShortcut(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return key.key() == Qt::Key_U && modifiers == Qt::ControlModifier;
}

}  // namespace

TQuarvUpdateFile::TQuarvUpdateFile(QWidget* owner, QuarvUpdateFileServices services)
    : QObject(owner), owner_(owner), services_(std::move(services)) {
    // The action list belongs to the main window and is named after the component, whose name
    // is still empty while the window is built.
    auto* actionList = new QObject(owner_);
    actionList->setObjectName(QStringLiteral("ActionList_") + objectName());
    action_ = new QAction(actionList);
    action_->setObjectName(QStringLiteral("Action_Update"));
    action_->setShortcut(kUpdateShortcut);
    action_->setShortcutContext(Qt::WindowShortcut);
    owner_->addAction(action_);
    connect(action_, &QAction::triggered, this, [this] {
        RunGuarded(services_.dialogs, [this] { AutomaticUpdate(std::string(), true, 0); });
    });
    qApp->installEventFilter(this);

    if (services_.createWizard)
        wizard_ = services_.createWizard();
}

TQuarvUpdateFile::~TQuarvUpdateFile() {
    DestroyStatusForm();
}

void TQuarvUpdateFile::DestroyStatusForm() {
    wizard_.reset();
}

bool TQuarvUpdateFile::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && action_->isEnabled()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == owner_ &&
            IsUpdateShortcut(*static_cast<QKeyEvent*>(event))) {
            // Nobody on the way to the main window may claim the key: it stays a shortcut.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TQuarvUpdateFile::AutomaticUpdate(const std::string& argument, bool forced,
                                       double installedDate) {
    const AutomaticUpdateServices check{
        services_.registry, services_.programPath, services_.argument1,      services_.driveType,
        services_.fileTime, services_.today,       services_.updateHostKnown};
    const AutomaticUpdateDecision decision = DecideAutomaticUpdate(
        check, UpdateSettingsKey{RegistryKey, HKCU}, argument, forced, installedDate);
    if (decision.failure) {
        services_.dialogs.ShowMessage(GeneralErrorMessage(*decision.failure));
    }
    if (!decision.showWizard || !wizard_)
        return;

    WizardInputs inputs;
    inputs.programName = ProgramName;
    inputs.zipFileName = ZIPFileName;
    inputs.registryKey = RegistryKey;
    inputs.hkcu = HKCU;
    inputs.installedDate = decision.installedDate;
    wizard_->ShowModal(inputs);

    if (decision.onlyUpdate) {
        onlyUpdateEnded_ = true;
        if (services_.requestTermination)
            services_.requestTermination();
    }
}

}  // namespace rangwerk
