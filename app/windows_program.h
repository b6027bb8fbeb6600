#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program_core.h"
#include "platform/dialogs.h"
#include "ui/info_model.h"
#include "ui/win32/form1.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/win32.h"

namespace rangwerk {

// Opens the info dialog's links with the shell's "open"; what the shell shows has the window
// `parent` names as its parent (none while it names none).
class ShellAddressOpener : public AddressOpener {
public:
    explicit ShellAddressOpener(std::function<HWND()> parent) : parent_(std::move(parent)) {}
    void Open(const std::string& address) override;

private:
    std::function<HWND()> parent_;
};

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
    explicit Win32ProgramWindows(Dialogs& dialogs);
    ~Win32ProgramWindows() override;
    Win32ProgramWindows(const Win32ProgramWindows&) = delete;
    Win32ProgramWindows& operator=(const Win32ProgramWindows&) = delete;

    void MakeMainWindow(MainWindowModel& model) override;
    // Ctrl+U on the main window calls component.ShortcutPressed(). The update wizard is not made
    // on Windows yet: `wizard` is not used, and the component shows nothing.
    void MakeUpdateComponent(UpdateComponent& component, WizardBackend* wizard) override;
    // The combinations window and the info dialog are not made on Windows yet: both make
    // nothing, so "Kombinationen..." and "Information" show no window there.
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
    // The info dialog's window, the parent of what its links open; null while there is none.
    HWND InfoDialogWindow() const { return nullptr; }

private:
    // Before the dialog manager: the update shortcut Ctrl+U, then the main window's keys.
    bool Filter(const MSG& message);

    Dialogs& dialogs_;
    win32::MessageLoop loop_;
    std::unique_ptr<win32::TForm1> form1_;
    UpdateComponent* update_ = nullptr;
    std::vector<std::unique_ptr<FontedWindow>> fonted_;
};

// The Windows program: the start order (ProgramCore) with the Win32 windows and the system's
// services (the registry, the program's path, its version record, the shell, the regional
// settings' decimal separator, the performance counter as the random seed). `argument1` is
// argument 1 of the command line. Returns the exit code, 0 on every path.
int RunWindowsProgram(const std::optional<std::string>& argument1);

}  // namespace rangwerk
