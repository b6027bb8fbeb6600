#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "platform/registry.h"
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

// What the update component takes from the running program.
struct QuarvUpdateFileServices {
    Registry& registry;
    Dialogs& dialogs;
    // The absolute path of the running program file.
    std::string programPath;
    // Argument 1 of the command line, when there is one.
    std::optional<std::string> argument1;
    // The drive type of the program path, the program file's time and today's date; empty: the
    // platform's own (ProgramDriveType, FileModificationDayCount, LocalToday).
    std::function<int(const std::string& programPath)> driveType;
    std::function<std::optional<double>(const std::string& path)> fileTime;
    std::function<double()> today;
    // Creates the wizard, hidden. Called once, at construction.
    std::function<std::unique_ptr<UpdateWizardWindow>()> createWizard;
    // Ends the program in order after an update-only start.
    std::function<void()> requestTermination;
    // Whether the program knows a web server for its updates; without one the start never
    // shows the wizard (Ctrl+U does).
    bool updateHostKnown = false;
};

// The update component on the main window (Qt): registers Ctrl+U and creates the hidden wizard;
// what happens at start and on Ctrl+U is the window-free UpdateComponent's.
class TQuarvUpdateFile : public QObject {
    Q_OBJECT

public:
    // Registers the Ctrl+U action on `owner` (the main window) and creates the hidden wizard.
    TQuarvUpdateFile(QWidget* owner, QuarvUpdateFileServices services);
    // Destroys the wizard; its clean-up may renew the reminder and start the update's batch.
    ~TQuarvUpdateFile() override;

    UpdateComponent& Component() { return component_; }
    // The start-up check and the Ctrl+U entry (UpdateComponent::AutomaticUpdate).
    void AutomaticUpdate(const std::string& argument, bool forced, double installedDate) {
        component_.AutomaticUpdate(argument, forced, installedDate);
    }

    // The Ctrl+U action, registered on the main window.
    QAction* UpdateAction() const { return action_; }
    // The wizard; null after it was destroyed.
    UpdateWizardWindow* StatusForm() const { return wizard_.get(); }
    // Destroys the wizard now (the program's shutdown order).
    void DestroyStatusForm();
    // An update-only start showed the wizard and asked the program to end.
    bool OnlyUpdateEnded() const { return component_.OnlyUpdateEnded(); }

protected:
    // Claims Ctrl+U before a focused control of the main window takes it as its own key (a
    // line edit deletes to the start of the line with it on X11).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner_;
    Dialogs& dialogs_;
    UpdateComponent component_;
    QAction* action_ = nullptr;
    std::unique_ptr<UpdateWizardWindow> wizard_;
};

}  // namespace rangwerk
