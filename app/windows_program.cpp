#include "app/windows_program.h"

#include <exception>

#include "app/file_version.h"
#include "base/wide_text.h"
#include "platform/regional_settings.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/shell.h"
#include "ui/win32/win32_dialogs.h"

namespace rangwerk {

void ShellAddressOpener::Open(const std::string& address) {
    win32::ShellOpen(parent_ ? parent_() : nullptr, address);
}

Win32ProgramWindows::Win32ProgramWindows(Dialogs& dialogs) : dialogs_(dialogs) {
    loop_.SetFilter([this](MSG& message) { return Filter(message); });
}

Win32ProgramWindows::~Win32ProgramWindows() = default;

void Win32ProgramWindows::MakeMainWindow(MainWindowModel& model) {
    form1_ = std::make_unique<win32::TForm1>(model, dialogs_);
    // Closing the main window ends the program, whatever other window is still open.
    form1_->SetOnClosed([this] { QuitEventLoop(); });
    loop_.AddDialogWindow(form1_->Handle());
}

void Win32ProgramWindows::MakeUpdateComponent(UpdateComponent& component, WizardBackend*) {
    update_ = &component;
}

void Win32ProgramWindows::MakeCombinationsWindow(CombinationsWindowModel&) {}

void Win32ProgramWindows::MakeInfoDialog(InfoModel&) {}

std::vector<FontedWindow*> Win32ProgramWindows::Windows() {
    fonted_.clear();
    if (form1_)
        fonted_.push_back(std::make_unique<Win32FontedWindow<win32::TForm1>>(*form1_));
    std::vector<FontedWindow*> windows;
    for (const auto& window : fonted_) windows.push_back(window.get());
    return windows;
}

std::string Win32ProgramWindows::MessageFontFace() {
    return Utf8FromWide(win32::MessageFontDescription().face);
}

bool Win32ProgramWindows::Filter(const MSG& message) {
    if (!form1_)
        return false;
    HWND main = form1_->Handle();
    const bool onMainWindow = message.hwnd == main || IsChild(main, message.hwnd);
    if (update_ != nullptr && onMainWindow && message.message == WM_KEYDOWN &&
        message.wParam == 'U' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 &&
        GetKeyState(VK_MENU) >= 0) {
        RunGuarded(dialogs_, [this] { update_->ShortcutPressed(); });
        return true;
    }
    return form1_->PreTranslateMessage(message);
}

void Win32ProgramWindows::RunEventLoop(const std::function<void()>& shown) {
    form1_->Show();
    shown();
    loop_.Run();
}

void Win32ProgramWindows::QuitEventLoop() {
    PostQuitMessage(0);
}

void Win32ProgramWindows::WaitWithEvents(int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        // A WM_QUIT that comes meanwhile is left for the main loop, which then ends.
        if (loop_.RunUntilIdle())
            return;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void Win32ProgramWindows::DestroyInfoDialog() {}

void Win32ProgramWindows::DestroyCombinationsWindow() {}

void Win32ProgramWindows::DestroyUpdateComponent() {
    update_ = nullptr;
}

void Win32ProgramWindows::DestroyMainWindow() {
    fonted_.clear();
    if (form1_)
        loop_.RemoveDialogWindow(form1_->Handle());
    form1_.reset();
}

int RunWindowsProgram(const std::optional<std::string>& argument1) {
    win32::InitialiseCommonControls();
    win32::Win32Dialogs dialogs;
    try {
        const std::unique_ptr<Registry> registry = CreateSystemRegistry();
        SystemSeedSource seed;
        Win32ProgramWindows windows(dialogs);
        ShellAddressOpener opener([&windows] { return windows.InfoDialogWindow(); });
        ProgramCore core(ProgramCoreServices{dialogs, *registry, ProgramPath(), argument1,
                                             [] { return ReadFileVersion(); }, opener, seed,
                                             ReadRegionalSettings().decimalSeparator},
                         windows);
        return core.Run();
    } catch (const std::exception& e) {
        // A failure of the start itself (a window that cannot be made): said in the general
        // error box, and the program ends as always.
        dialogs.ShowMessage(GeneralErrorMessage(e.what()));
        return 0;
    }
}

}  // namespace rangwerk
