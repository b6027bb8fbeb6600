#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "combinations/combinations_window_model.h"
#include "platform/connection_query.h"
#include "platform/dialogs.h"
#include "platform/http_client.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "project/project.h"
#include "setup/quarv_setup.h"
#include "ui/info_model.h"
#include "ui/main_window_model.h"
#include "update/update_component.h"
#include "update/update_host.h"
#include "update/wizard_model.h"

namespace rangwerk {

// The windows of one frontend as the start order asks for them. Each Make creates a window over
// its model, hidden; each Destroy takes it down again (the start order calls them in reverse).
class ProgramFrontend {
public:
    virtual ~ProgramFrontend() = default;

    // The main window over its model.
    virtual void MakeMainWindow(MainWindowModel& model) = 0;
    // The update component's part of the main window: the Ctrl+U shortcut, which calls
    // component.ShortcutPressed(), and the hidden update wizard over `wizard`, which the window
    // hands to the component (component.SetWizard). `wizard` is null where the program has no
    // download and installation: then nothing is shown.
    virtual void MakeUpdateComponent(UpdateComponent& component, WizardBackend* wizard) = 0;
    virtual void MakeCombinationsWindow(CombinationsWindowModel& model) = 0;
    virtual void MakeInfoDialog(InfoModel& model) = 0;

    // Every window of the program that exists now, for the message-font rule, and the face of
    // the system's message font.
    virtual std::vector<FontedWindow*> Windows() = 0;
    virtual std::string MessageFontFace() = 0;

    // Shows the main window, calls `shown` once it is on screen, and handles the events until
    // the main window is closed or QuitEventLoop is called.
    virtual void RunEventLoop(const std::function<void()>& shown) = 0;
    virtual void QuitEventLoop() = 0;
    // Waits while the windows go on painting and taking events (the pause after a cancelled
    // download).
    virtual void WaitWithEvents(int milliseconds) = 0;

    virtual void DestroyInfoDialog() = 0;
    virtual void DestroyCombinationsWindow() = 0;
    // Destroying the update wizard carries out what it decided for program end (the reminder,
    // the update batch).
    virtual void DestroyUpdateComponent() = 0;
    virtual void DestroyMainWindow() = 0;
};

// What the update takes from the system; empty members stand for the system's own.
struct CoreUpdateServices {
    // The drive type of the program path, the program file's time, today's date.
    std::function<int(const std::string& programPath)> driveType;
    std::function<std::optional<double>(const std::string& path)> fileTime;
    std::function<double()> today;
    // The web server of the updates; empty: the one the environment names, else the one built
    // into the program (none when the build set none).
    std::optional<UpdateHost> host;
    // The HTTP client and the connection query of the frontend; null: no download and
    // installation (the update wizard is not made).
    HttpClient* http = nullptr;
    ConnectionQuery* connection = nullptr;
};

// What the program takes from its surroundings; tests give their own.
struct ProgramCoreServices {
    Dialogs& dialogs;
    Registry& registry;
    // The absolute path of the running program file.
    std::string programPath;
    // Argument 1 of the command line, when there is one; the others are never read.
    std::optional<std::string> argument1;
    std::function<std::string()> readFileVersion;
    // Opens the info dialog's links.
    AddressOpener& addressOpener;
    // The seed of the random query order.
    SeedSource& seed;
    // The user's decimal separator, for the combinations' results.
    std::string decimalSeparator;
    CoreUpdateServices update = {};
};

// The start order of the program, the same for every frontend: the main window with its
// installation registration (which carries out "/uninstall" at once) and its update component
// (which may show the update wizard before the main window), the combinations window, the info
// dialog with the message-font rule, the event loop; at the end the windows go in the reverse
// order, the update wizard after the combinations window and before the main window.
class ProgramCore {
public:
    ProgramCore(ProgramCoreServices services, ProgramFrontend& frontend);
    ~ProgramCore();
    ProgramCore(const ProgramCore&) = delete;
    ProgramCore& operator=(const ProgramCore&) = delete;

    // A termination request was made (the removal always makes one, an update-only start too).
    bool Terminated() const { return terminated_; }
    // Marks the program as terminated; a running event loop ends, and one not yet started is
    // never entered.
    void RequestTermination();
    // An update-only start showed the update wizard and ended the program: the combinations
    // window and the info dialog were never made, and the main window is never shown.
    bool OnlyUpdateEnded() const { return update_ && update_->OnlyUpdateEnded(); }

    // Shows the main window and runs the event loop until it is closed; returns the exit code,
    // which is 0 on every path. After a termination request nothing is shown.
    int Run();
    // Tells the user, once each, of the problems the registry store met while starting (an
    // unreadable store file set aside, for instance), in the general error box. Run calls it
    // once the main window is showing.
    void ShowStoreProblems();

    Project& WorkingState() { return *project_; }
    MainWindowModel& MainWindowState() { return *mainModel_; }
    CombinationsWindowModel& CombinationsModel() { return *combinationsModel_; }
    InfoModel& InfoDialogModel() { return *infoModel_; }
    TQuarvSetup& QuarvSetup() { return *setup_; }
    UpdateComponent& UpdateComponentState() { return *update_; }

private:
    struct Wizard;
    // Writes what the start held back in the registry.
    void ReleaseStartChanges();

    ProgramCoreServices services_;
    ProgramFrontend& frontend_;
    UpdateHost updateHost_;
    bool terminated_ = false;
    bool running_ = false;
    std::unique_ptr<Project> project_;
    std::unique_ptr<CombinationsWindowModel> combinationsModel_;
    std::unique_ptr<MainWindowModel> mainModel_;
    std::unique_ptr<TQuarvSetup> setup_;
    std::unique_ptr<UpdateComponent> update_;
    std::unique_ptr<Wizard> wizard_;
    std::unique_ptr<InfoModel> infoModel_;
    bool holdingChanges_ = false;
    bool combinationsWindowMade_ = false;
    bool infoDialogMade_ = false;
};

}  // namespace rangwerk
