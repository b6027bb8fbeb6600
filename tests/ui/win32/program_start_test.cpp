// The start order with the Win32 windows, in the test's own process: the main window on its
// start page, the update shortcut, "/uninstall" with a scripted answer, and a machine-wide
// registry that the program may not write.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <string>

#include "app/windows_program.h"
#include "base/wide_text.h"
#include "platform/registry.h"
#include "setup/quarv_setup.h"
#include "support/fixed_seed.h"
#include "support/scripted_dialogs.h"
#include "support/test_registry.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"

namespace rangwerk {
namespace {

using win32::Form1Control;

const std::string kEntry = std::string(kUninstallKeyPath) + "\\Rangwerk";

// A start of the program over the given registry, with scripted dialogs.
// `answers` answer the boxes the start shows.
struct Start {
    Start(Registry& registry, std::optional<std::string> argument1,
          std::initializer_list<MessageButton> answers = {})
        : dialogs(Scripted(answers)),
          windows(dialogs, registry),
          core(ProgramCoreServices{dialogs, registry, ProgramPath(), std::move(argument1),
                                   [] { return std::string("1.0.0.0"); }, windows.Opener(), seed,
                                   ","},
               windows) {}

    static rangwerk::testing::ScriptedDialogs Scripted(
        std::initializer_list<MessageButton> answers) {
        rangwerk::testing::ScriptedDialogs scripted;
        for (MessageButton answer : answers) scripted.AnswerMessage(answer);
        return scripted;
    }

    rangwerk::testing::ScriptedDialogs dialogs;
    rangwerk::testing::FixedSeed seed;
    Win32ProgramWindows windows;
    ProgramCore core;
};

// Runs the program's event loop; `whileShown` runs once the main window shows, and the main
// window is closed after it.
template <class WhileShown>
int RunShown(Start& start, WhileShown whileShown) {
    win32::testing::WhileModal([&start, whileShown] {
        HWND main = start.windows.MainWindow()->Handle();
        if (!IsWindowVisible(main))
            return false;
        whileShown(main);
        PostMessageW(main, WM_CLOSE, 0, 0);
        return true;
    });
    return start.core.Run();
}

// The update wizard as far as the shortcut opens it.
class CountingWizard : public UpdateWizard {
public:
    void ShowModal(const WizardInputs&) override { ++shown; }
    int shown = 0;
};

void PostKeyDown(HWND focus, UINT key) {
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 1 | (LPARAM{3} << 30));
}

// A start without arguments: the uninstall entry is written, the main window shows its start
// page with the system's message font, and Ctrl+U on it reaches the update component.
TEST(ProgramStartTest, TheMainWindowShowsItsStartPageAndCtrlUReachesTheUpdate) {
    testing_support::TestRegistry registry;
    Start start(registry, std::nullopt);
    CountingWizard wizard;
    start.core.UpdateComponentState().SetWizard(&wizard);
    ASSERT_FALSE(start.core.Terminated());
    ASSERT_NE(start.windows.MainWindow(), nullptr);
    EXPECT_FALSE(IsWindowVisible(start.windows.MainWindow()->Handle()));

    int page = -1;
    std::string headline;
    std::wstring face;
    std::wstring combinationsFace;
    bool combinationsVisible = true;
    bool controlsBeforeShown = true;
    int shortcutWithoutControl = -1;
    int shortcutWithControl = -1;
    const int exitCode = RunShown(start, [&](HWND main) {
        win32::TForm1& form = *start.windows.MainWindow();
        page = form.CurrentPage();
        headline = win32::TextOf(form.Control(Form1Control::Panel_Headline));
        face = win32::testing::ChosenFaceOf(form.Control(Form1Control::Button_Exit));
        // The combinations window and the info dialog exist, hidden, under the same rule.
        win32::TForm2& combinations = *start.windows.CombinationsWindow();
        combinationsVisible = IsWindowVisible(combinations.Window()) != FALSE;
        // Its controls come when it first shows, in the face it was given at the start.
        controlsBeforeShown = combinations.Control(win32::form2::Button_Next) != nullptr;
        combinations.MakeControls();
        combinationsFace =
            win32::testing::ChosenFaceOf(combinations.Control(win32::form2::Button_Next));
        HWND focus = GetFocus() != nullptr ? GetFocus() : main;
        PostKeyDown(focus, 'U');
        start.windows.Loop().RunUntilIdle();
        shortcutWithoutControl = wizard.shown;
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        PostKeyDown(focus, 'U');
        start.windows.Loop().RunUntilIdle();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        shortcutWithControl = wizard.shown;
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(page, 0);
    EXPECT_EQ(headline, "Neues Projekt oder Projekt öffnen");
    // The message-font rule gave the main window the message font's face.
    const win32::Font message = win32::MakeFont({win32::MessageFontDescription().face, 11});
    EXPECT_EQ(face, win32::ChosenFace(message.Handle()));
    EXPECT_FALSE(combinationsVisible);
    EXPECT_FALSE(controlsBeforeShown);
    EXPECT_EQ(combinationsFace, face);
    ASSERT_NE(start.windows.InfoDialog(), nullptr);
    EXPECT_EQ(start.windows.InfoDialog()->Window(), nullptr);  // made when first shown
    EXPECT_EQ(shortcutWithoutControl, 0);
    EXPECT_EQ(shortcutWithControl, 1);
    EXPECT_EQ(registry.OpenKey(RegistryRoot::LocalMachine, kEntry)->ReadString("DisplayName"),
              std::optional<std::string>("Rangwerk"));
    EXPECT_TRUE(start.dialogs.messages.empty());
    EXPECT_TRUE(win32::testing::ModalStepsDone());
}

// "/uninstall" asks first; "&Ja" removes the entry, tells so and ends the program before any
// window shows.
TEST(ProgramStartTest, UninstallRemovesTheEntryAndEndsWithoutAWindow) {
    testing_support::TestRegistry registry;
    registry.OpenKey(RegistryRoot::LocalMachine, kEntry)->WriteString("DisplayName", "Rangwerk");
    Start start(registry, std::string("/uninstall"), {MessageButton::Yes, MessageButton::Ok});
    EXPECT_TRUE(start.core.Terminated());
    EXPECT_EQ(start.core.Run(), 0);
    EXPECT_FALSE(IsWindowVisible(start.windows.MainWindow()->Handle()));
    ASSERT_EQ(start.dialogs.messages.size(), 2u);
    EXPECT_EQ(start.dialogs.messages[0].text, "Soll Rangwerk wirklich deinstalliert werden?");
    EXPECT_EQ(start.dialogs.messages[1].caption, "Deinstallation abgeschlossen");
    EXPECT_TRUE(start.dialogs.AllAnswered());
    EXPECT_FALSE(
        registry.OpenKey(RegistryRoot::LocalMachine, kUninstallKeyPath)->HasSubkey("Rangwerk"));
}

// The machine-wide keys of a 64-bit program that a normal user may not write: the system's
// registry, its HKEY_LOCAL_MACHINE led to a key of the test whose uninstall entry only lets the
// program read. The entry cannot be written, and the start goes on without a word.
class DeniedMachineKeys {
public:
    DeniedMachineKeys() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
        RegCreateKeyExW(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                        nullptr);
        HKEY entry = nullptr;
        RegCreateKeyExW(root_, WideFromUtf8(kEntry).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &entry, nullptr);
        EXPLICIT_ACCESSW readOnly{};
        readOnly.grfAccessPermissions = KEY_READ;
        readOnly.grfAccessMode = SET_ACCESS;
        readOnly.grfInheritance = NO_INHERITANCE;
        readOnly.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        readOnly.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
        PACL acl = nullptr;
        SetEntriesInAclW(1, &readOnly, nullptr, &acl);
        denied_ = SetSecurityInfo(entry, SE_REGISTRY_KEY,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
        LocalFree(acl);
        RegCloseKey(entry);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_);
    }
    ~DeniedMachineKeys() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(root_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    }
    bool Denied() const { return denied_; }
    // The values of the uninstall entry.
    DWORD EntryValues() const {
        HKEY entry = nullptr;
        DWORD values = 0;
        if (RegOpenKeyExW(root_, WideFromUtf8(kEntry).c_str(), 0, KEY_READ, &entry) ==
            ERROR_SUCCESS) {
            RegQueryInfoKeyW(entry, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(entry);
        }
        return values;
    }

private:
    static constexpr const wchar_t* kRoot = L"Software\\Rangwerk-Test\\Machine";
    HKEY root_ = nullptr;
    bool denied_ = false;
};

TEST(ProgramStartTest, AMachineKeyThatCannotBeWrittenDoesNotStopTheStart) {
    DeniedMachineKeys machine;
    ASSERT_TRUE(machine.Denied());
    const std::unique_ptr<Registry> system = CreateSystemRegistry();
    EXPECT_THROW(system->OpenKey(RegistryRoot::LocalMachine, kEntry), RegistryError);

    Start start(*system, std::nullopt);
    int page = -1;
    EXPECT_EQ(RunShown(start, [&](HWND) { page = start.windows.MainWindow()->CurrentPage(); }), 0);
    EXPECT_EQ(page, 0);
    EXPECT_EQ(machine.EntryValues(), 0u);
    EXPECT_TRUE(start.dialogs.messages.empty());
}

}  // namespace
}  // namespace rangwerk
