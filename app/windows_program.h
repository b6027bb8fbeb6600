#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program_core.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "ui/info_model.h"
#include "ui/win32/form1.h"
#include "ui/win32/form2.h"
#include "ui/win32/info_dialog.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/status_form.h"
#include "ui/win32/win32.h"

namespace rangwerk {

// A Win32 window as the message-font rule sees it: one that tells its font's size in points and
// takes a new face for it (FontPoints, SetFontFace).
template <class Window>
class Win32FontedWindow : public FontedWindow {
public:
    explicit Win32FontedWindow(Window& window) : window_(window) {}
    int FontPoints() const override { return window_.FontPoints(); }
    void SetFontFace(const std::string& face) override { window_.SetFontFace(face); }

private:
    Window& window_;
};

// The Win32 windows of the program, made and destroyed as the start order asks, and the one
// message loop that gives every one of them a dialog's keyboard.
class Win32ProgramWindows : public ProgramFrontend {
public:
    Win32ProgramWindows(Dialogs& dialogs, Registry& registry);
    ~Win32ProgramWindows() override;
    Win32ProgramWindows(const Win32ProgramWindows&) = delete;
    Win32ProgramWindows& operator=(const Win32ProgramWindows&) = delete;

    void MakeMainWindow(MainWindowModel& model) override;
    // Ctrl+U on the main window calls component.ShortcutPressed(). The update wizard over
    // `wizard` is made when the component first shows it (most starts never do).
    void MakeUpdateComponent(UpdateComponent& component, WizardBackend* wizard) override;
    void MakeCombinationsWindow(CombinationsWindowModel& model) override;
    void MakeInfoDialog(InfoModel& model) override;
    std::vector<FontedWindow*> Windows() override;
    // The face of lfMessageFont of SystemParametersInfoW(SPI_GETNONCLIENTMETRICS).
    std::string MessageFontFace() override;
    void RunEventLoop(const std::function<void()>& shown) override;
    void QuitEventLoop() override;
    void WaitWithEvents(int milliseconds) override;
    void DestroyInfoDialog() override;
    void DestroyCombinationsWindow() override;
    void DestroyUpdateComponent() override;
    void DestroyMainWindow() override;

    win32::TForm1* MainWindow() const { return form1_.get(); }
    win32::MessageLoop& Loop() { return loop_; }
    win32::TForm2* CombinationsWindow() const { return form2_.get(); }
    win32::TInfo* InfoDialog() const { return info_.get(); }
    // The update wizard, once the component has shown it.
    TStatusForm* UpdateWizardWindow() const { return wizard_.form.get(); }
    // Opens the info dialog's links; their parent is the active window, the info dialog.
    AddressOpener& Opener() { return opener_; }

private:
    // Before the dialog manager: the update shortcut Ctrl+U, then the main window's keys.
    bool Filter(const MSG& message);

    // The update wizard as the component sees it: made over the backend when first shown.
    // Until it is made, it keeps the face the message-font rule gives it.
    struct LazyWizard : UpdateWizard, FontedWindow {
        Win32ProgramWindows* windows = nullptr;
        WizardBackend* backend = nullptr;
        std::unique_ptr<TStatusForm> form;
        std::optional<std::string> face;
        void ShowModal(const WizardInputs& inputs) override;
        int FontPoints() const override;
        void SetFontFace(const std::string& newFace) override { face = newFace; }
    };

    Dialogs& dialogs_;
    Registry& registry_;
    win32::MessageLoop loop_;
    win32::ShellAddressOpener opener_;
    std::unique_ptr<win32::TForm1> form1_;
    std::unique_ptr<win32::TForm2> form2_;
    std::unique_ptr<win32::TInfo> info_;
    UpdateComponent* update_ = nullptr;
    LazyWizard wizard_;
    std::vector<std::unique_ptr<FontedWindow>> fonted_;
};

// The Windows program: the start order (ProgramCore) with the Win32 windows and the system's
// services (the registry, the program's path, its version record, the shell, the regional
// settings' decimal separator, the performance counter as the random seed, WinINet and the
// system's connection state for the update). `argument1` is
// argument 1 of the command line. Returns the exit code, 0 on every path.
int RunWindowsProgram(const std::optional<std::string>& argument1);

}  // namespace rangwerk
