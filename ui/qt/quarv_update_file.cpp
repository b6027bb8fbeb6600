#include "ui/qt/quarv_update_file.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

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

TQuarvUpdateFile::TQuarvUpdateFile(
    QWidget* owner, UpdateComponent& component, Dialogs& dialogs,
    const std::function<std::unique_ptr<UpdateWizardWindow>()>& createWizard)
    : QObject(owner), owner_(owner), component_(component), dialogs_(dialogs) {
    // The action list belongs to the main window and is named after the component, whose name
    // is still empty while the window is built.
    auto* actionList = new QObject(owner_);
    actionList->setObjectName(QStringLiteral("ActionList_") + objectName());
    action_ = new QAction(actionList);
    action_->setObjectName(QStringLiteral("Action_Update"));
    action_->setShortcut(kUpdateShortcut);
    action_->setShortcutContext(Qt::WindowShortcut);
    owner_->addAction(action_);
    connect(action_, &QAction::triggered, this,
            [this] { RunGuarded(dialogs_, [this] { component_.ShortcutPressed(); }); });
    qApp->installEventFilter(this);

    if (createWizard) {
        wizard_ = createWizard();
        component_.SetWizard(wizard_.get());
    }
}

TQuarvUpdateFile::~TQuarvUpdateFile() {
    DestroyStatusForm();
}

void TQuarvUpdateFile::DestroyStatusForm() {
    component_.SetWizard(nullptr);
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

}  // namespace rangwerk
