#pragma once

#include <QObject>

#include <functional>
#include <memory>

#include "platform/dialogs.h"
#include "update/update_component.h"

class QAction;
class QWidget;

namespace rangwerk {

// The update wizard's window as the update component drives it.
class UpdateWizardWindow : public UpdateWizard {
public:
    // The wizard's window: a top-level window, hidden until it is shown.
    virtual QWidget& Window() = 0;
};

// The update component on the main window (Qt): registers Ctrl+U and creates the hidden wizard;
// what happens at start and on Ctrl+U is the window-free UpdateComponent's.
class TQuarvUpdateFile : public QObject {
    Q_OBJECT

public:
    // Registers the Ctrl+U action on `owner` (the main window) and creates the hidden wizard
    // with `createWizard` (empty, or returning null: no wizard), which it hands to `component`.
    TQuarvUpdateFile(QWidget* owner, UpdateComponent& component, Dialogs& dialogs,
                     const std::function<std::unique_ptr<UpdateWizardWindow>()>& createWizard);
    // Destroys the wizard; its clean-up may renew the reminder and start the update's batch.
    ~TQuarvUpdateFile() override;

    UpdateComponent& Component() { return component_; }
    // The Ctrl+U action, registered on the main window.
    QAction* UpdateAction() const { return action_; }
    // The wizard; null after it was destroyed.
    UpdateWizardWindow* StatusForm() const { return wizard_.get(); }
    // Destroys the wizard now (the program's shutdown order).
    void DestroyStatusForm();

protected:
    // Claims Ctrl+U before a focused control of the main window takes it as its own key (a
    // line edit deletes to the start of the line with it on X11).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner_;
    UpdateComponent& component_;
    Dialogs& dialogs_;
    QAction* action_ = nullptr;
    std::unique_ptr<UpdateWizardWindow> wizard_;
};

}  // namespace rangwerk
