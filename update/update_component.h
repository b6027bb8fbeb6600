#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "platform/registry.h"
#include "update/update_check.h"
#include "update/wizard_model.h"

namespace rangwerk {

// The update wizard as the update component drives it.
class UpdateWizard {
public:
    virtual ~UpdateWizard() = default;
    // Hands the values over and shows the wizard modally; returns when it has been closed.
    virtual void ShowModal(const WizardInputs& inputs) = 0;
};

// What the update component takes from the running program.
struct UpdateComponentServices {
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
    // Ends the program in order after an update-only start.
    std::function<void()> requestTermination;
    // Whether the program knows a web server for its updates; without one the start never
    // shows the wizard (Ctrl+U does).
    bool updateHostKnown = false;
    // Called right before the wizard is shown; may be empty.
    std::function<void()> beforeShowingWizard = {};
};

// The update component without its window: AutomaticUpdate decides at every start whether the
// user is reminded to look for updates, and Ctrl+U (which the window registers) opens the
// wizard at any time. The ZIP libraries of the original component are not written out: the
// program links its ZIP reader.
class UpdateComponent {
public:
    explicit UpdateComponent(UpdateComponentServices services);

    // The wizard, hidden until it is shown; null: nothing is shown. Not owned.
    void SetWizard(UpdateWizard* wizard) { wizard_ = wizard; }

    // The start-up check (`forced` false) and the Ctrl+U entry (`forced` true): see
    // DecideAutomaticUpdate. Shows the wizard modally when the check says so. A settings key
    // that cannot be opened or written is reported once in the general error box, and the
    // check goes on. After an update-only start the program is asked to end.
    void AutomaticUpdate(const std::string& argument, bool forced, double installedDate);
    // Ctrl+U.
    void ShortcutPressed() { AutomaticUpdate(std::string(), true, 0); }

    // An update-only start showed the wizard and asked the program to end.
    bool OnlyUpdateEnded() const { return onlyUpdateEnded_; }

    // Properties with the values the main window stores.
    std::string ProgramName = kUpdateProgramName;
    std::string RegistryKey = "Rangwerk";
    std::string ZIPFileName = "Ranko.zip";
    bool HKCU = false;

private:
    UpdateComponentServices services_;
    UpdateWizard* wizard_ = nullptr;
    bool onlyUpdateEnded_ = false;
};

}  // namespace rangwerk
