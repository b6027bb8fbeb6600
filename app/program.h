#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "combinations/combinations_window_model.h"
#include "ui/qt/ranko2.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "project/project.h"
#include "setup/quarv_setup.h"
#include "ui/qt/infodlg.h"
#include "ui/main_window_model.h"
#include "ui/qt/ranko1.h"
#include "ui/qt/quarv_update_file.h"

namespace rangwerk {

// What the update component takes from the system; empty members stand for the system's own.
struct ProgramUpdateServices {
    // The drive type of the program path, the program file's time, today's date.
    std::function<int(const std::string& programPath)> driveType;
    std::function<std::optional<double>(const std::string& path)> fileTime;
    std::function<double()> today;
    // Creates the hidden update wizard; empty: the wizard with the real check, download and
    // installation behind it.
    std::function<std::unique_ptr<UpdateWizardWindow>()> createWizard;
    // The web server of the updates; empty: the one the environment names, else the one built
    // into the program (none when the build set none).
    std::optional<UpdateHost> host;
};

// What the program takes from its surroundings; tests give their own.
struct ProgramServices {
    Dialogs& dialogs;
    Registry& registry;
    // The absolute path of the running program file.
    std::string programPath;
    // Argument 1 of the command line, when there is one; the others are never read.
    std::optional<std::string> argument1;
    std::function<std::string()> readFileVersion;
    // The face of the system's message font; empty: the desktop's general font.
    std::function<QString()> messageFontFace;
    // Opens the info dialog's links; null: the desktop's handler.
    AddressOpener* addressOpener = nullptr;
    ProgramUpdateServices update = {};
};

// The face of the system's message font. Windows names it in its non-client metrics. Other
// systems have no such font: there the face is Liberation Sans, which has the metrics of the
// Arial the windows are laid out for, or the desktop's general font when it is missing.
QString SystemMessageFontFace();

// The program's windows and components, created in the start order: the main window with its
// installation registration (which carries out "/uninstall" at once) and its update component
// (which creates the hidden update wizard and may show it before the main window), the
// combinations window, the info dialog. They are destroyed in the reverse order, the update
// wizard after the combinations window and before the main window.
class Program {
public:
    explicit Program(ProgramServices services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // A termination request was made (the removal always makes one, an update-only start too).
    bool Terminated() const { return terminated_; }
    // Marks the program as terminated; a running event loop ends, and one not yet started is
    // never entered.
    void RequestTermination();
    // An update-only start showed the update wizard and ended the program: the combinations
    // window and the info dialog were never created, and the main window is never shown.
    bool OnlyUpdateEnded() const { return update_ && update_->OnlyUpdateEnded(); }

    // Shows the main window and runs the event loop until it is closed; returns the exit code,
    // which is 0 on every path. After a termination request nothing is shown.
    int Run();

    // Tells the user, once each, of the problems the registry store met while starting (an
    // unreadable store file set aside, for instance), in the general error box. Run calls it
    // when the main window is showing.
    void ShowStoreProblems();

    TForm1& MainWindow() { return *form1_; }
    MainWindowModel& MainWindowState() { return *mainModel_; }
    TForm2& CombinationsWindow() { return *form2_; }
    CombinationsWindowModel& CombinationsModel() { return *combinationsModel_; }
    TInfo& InfoDialog() { return *info_; }
    InfoModel& InfoDialogModel() { return *infoModel_; }
    TQuarvSetup& QuarvSetup() { return *setup_; }
    TQuarvUpdateFile& QuarvUpdateFile() { return *update_; }
    Project& WorkingState() { return *project_; }

private:
    struct SystemUpdateServices;
    std::unique_ptr<UpdateWizardWindow> CreateStatusForm();

    ProgramServices services_;
    UpdateHost updateHost_;
    bool terminated_ = false;
    bool running_ = false;
    std::unique_ptr<SystemUpdateServices> system_;
    SystemSeedSource seed_;
    std::unique_ptr<Project> project_;
    std::unique_ptr<CombinationsWindowModel> combinationsModel_;
    std::unique_ptr<MainWindowModel> mainModel_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TQuarvSetup> setup_;
    std::unique_ptr<TQuarvUpdateFile> update_;
    std::unique_ptr<TForm2> form2_;
    DesktopAddressOpener desktopOpener_;
    std::unique_ptr<InfoModel> infoModel_;
    std::unique_ptr<TInfo> info_;
};

}  // namespace rangwerk
