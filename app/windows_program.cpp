#include "app/windows_program.h"

#include <exception>
#include <utility>

#include "app/file_version.h"
#include "base/wide_text.h"
#include "platform/connection_query.h"
#include "platform/http_client_wininet.h"
#include "platform/regional_settings.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/win32_dialogs.h"

namespace rangwerk {

namespace {

// The program's icon "MAINICON" in the system's large size (shared, never freed).
HICON LargeProgramIcon() {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                         GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                         LR_SHARED));
}

}  // namespace

Win32ProgramWindows::Win32ProgramWindows(Dialogs& dialogs, Registry& registry)
    : dialogs_(dialogs), registry_(registry) {
    loop_.SetFilter([this](MSG& message) { return Filter(message); });
    wizard_.windows = this;
}

Win32ProgramWindows::~Win32ProgramWindows() = default;

void Win32ProgramWindows::MakeMainWindow(MainWindowModel& model) {
    form1_ = std::make_unique<win32::TForm1>(model, dialogs_);
    // Closing the main window ends the program, whatever other window is still open.
    form1_->SetOnClosed([this] { QuitEventLoop(); });
    loop_.AddDialogWindow(form1_->Handle());
}

void Win32ProgramWindows::MakeUpdateComponent(UpdateComponent& component, WizardBackend* wizard) {
    update_ = &component;
    wizard_.backend = wizard;
    if (wizard)
        component.SetWizard(&wizard_);
}

void Win32ProgramWindows::LazyWizard::ShowModal(const WizardInputs& inputs) {
    if (!form)
        form = std::make_unique<TStatusForm>(*backend, windows->dialogs_, windows->registry_,
                                             &windows->loop_, face);
    form->ShowModal(inputs);
}

int Win32ProgramWindows::LazyWizard::FontPoints() const {
    return PointsOfPixels(win32::WizardFont().pixels);
}

void Win32ProgramWindows::MakeCombinationsWindow(CombinationsWindowModel& model) {
    form2_ = std::make_unique<win32::TForm2>(model, dialogs_, form1_ ? form1_->Handle() : nullptr);
    loop_.AddDialogWindow(form2_->Window());
}

void Win32ProgramWindows::MakeInfoDialog(InfoModel& model) {
    info_ = std::make_unique<win32::TInfo>(model, dialogs_, LargeProgramIcon(),
                                           form1_ ? form1_->Handle() : nullptr);
}

std::vector<FontedWindow*> Win32ProgramWindows::Windows() {
    fonted_.clear();
    if (form1_)
        fonted_.push_back(std::make_unique<Win32FontedWindow<win32::TForm1>>(*form1_));
    std::vector<FontedWindow*> windows;
    for (const auto& window : fonted_) windows.push_back(window.get());
    if (form2_)
        windows.push_back(form2_.get());
    if (info_)
        windows.push_back(info_.get());
    if (wizard_.backend != nullptr && !wizard_.form)
        windows.push_back(&wizard_);
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

void Win32ProgramWindows::DestroyInfoDialog() {
    info_.reset();
}

void Win32ProgramWindows::DestroyCombinationsWindow() {
    if (form2_)
        loop_.RemoveDialogWindow(form2_->Window());
    form2_.reset();
}

void Win32ProgramWindows::DestroyUpdateComponent() {
    // Destroying the wizard carries out what it decided for program end.
    if (update_)
        update_->SetWizard(nullptr);
    wizard_.form.reset();
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
        Win32ProgramWindows windows(dialogs, *registry);
        // While a transfer waits, the program's windows go on painting and taking input.
        WinInetHttpClient http([&windows] { windows.Loop().RunUntilIdle(); });
        SystemConnectionQuery connection;
        CoreUpdateServices update;
        update.http = &http;
        update.connection = &connection;
        ProgramCore core(
            ProgramCoreServices{dialogs, *registry, ProgramPath(), argument1,
                                [] { return ReadFileVersion(); }, windows.Opener(), seed,
                                ReadRegionalSettings().decimalSeparator, std::move(update)},
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
