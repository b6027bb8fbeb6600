#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program_core.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "ui/qt/infodlg.h"
#include "ui/qt/qt_http_client.h"
#include "ui/qt/quarv_update_file.h"
#include "ui/qt/ranko1.h"
#include "ui/qt/ranko2.h"

namespace rangwerk {

// What the update takes from the system; empty members stand for the system's own.
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

// The face of the system's message font. Linux has no such font: the face is Liberation Sans,
// which has the metrics of the Arial the windows are laid out for, or the desktop's general font
// when it is missing.
QString SystemMessageFontFace();

// The Qt windows of the program, made and destroyed as the start order asks.
class QtProgramWindows : public ProgramFrontend {
public:
    QtProgramWindows(Dialogs& dialogs, Registry& registry, std::function<QString()> messageFontFace,
                     std::function<std::unique_ptr<UpdateWizardWindow>()> createWizard);
    ~QtProgramWindows() override;

    void MakeMainWindow(MainWindowModel& model) override;
    void MakeUpdateComponent(UpdateComponent& component, WizardBackend* wizard) override;
    void MakeCombinationsWindow(CombinationsWindowModel& model) override;
    void MakeInfoDialog(InfoModel& model) override;
    std::vector<FontedWindow*> Windows() override;
    std::string MessageFontFace() override;
    void RunEventLoop(const std::function<void()>& shown) override;
    void QuitEventLoop() override;
    void WaitWithEvents(int milliseconds) override;
    void DestroyInfoDialog() override;
    void DestroyCombinationsWindow() override;
    void DestroyUpdateComponent() override;
    void DestroyMainWindow() override;

    TForm1* MainWindow() const { return form1_.get(); }
    TForm2* CombinationsWindow() const { return form2_.get(); }
    TInfo* InfoDialog() const { return info_.get(); }
    TQuarvUpdateFile* QuarvUpdateFile() const { return update_.get(); }

private:
    Dialogs& dialogs_;
    Registry& registry_;
    std::function<QString()> messageFontFace_;
    std::function<std::unique_ptr<UpdateWizardWindow>()> createWizard_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TQuarvUpdateFile> update_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TInfo> info_;
    std::vector<std::unique_ptr<FontedWindow>> fonted_;
};

// The Qt program: the start order (ProgramCore) with the Qt windows and the Qt Network client.
class Program {
public:
    explicit Program(ProgramServices services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // A termination request was made (the removal always makes one, an update-only start too).
    bool Terminated() const { return core_->Terminated(); }
    // Marks the program as terminated; a running event loop ends, and one not yet started is
    // never entered.
    void RequestTermination() { core_->RequestTermination(); }
    // An update-only start showed the update wizard and ended the program: the combinations
    // window and the info dialog were never created, and the main window is never shown.
    bool OnlyUpdateEnded() const { return core_->OnlyUpdateEnded(); }
    // Shows the main window and runs the event loop until it is closed; returns the exit code,
    // which is 0 on every path. After a termination request nothing is shown.
    int Run() { return core_->Run(); }
    // Tells the user, once each, of the problems the registry store met while starting.
    void ShowStoreProblems() { core_->ShowStoreProblems(); }

    TForm1& MainWindow() { return *windows_.MainWindow(); }
    MainWindowModel& MainWindowState() { return core_->MainWindowState(); }
    TForm2& CombinationsWindow() { return *windows_.CombinationsWindow(); }
    CombinationsWindowModel& CombinationsModel() { return core_->CombinationsModel(); }
    TInfo& InfoDialog() { return *windows_.InfoDialog(); }
    InfoModel& InfoDialogModel() { return core_->InfoDialogModel(); }
    TQuarvSetup& QuarvSetup() { return core_->QuarvSetup(); }
    TQuarvUpdateFile& QuarvUpdateFile() { return *windows_.QuarvUpdateFile(); }
    Project& WorkingState() { return core_->WorkingState(); }

private:
    QtHttpClient http_;
    QtConnectionQuery connection_;
    SystemSeedSource seed_;
    DesktopAddressOpener desktopOpener_;
    QtProgramWindows windows_;
    std::unique_ptr<ProgramCore> core_;
};

}  // namespace rangwerk
