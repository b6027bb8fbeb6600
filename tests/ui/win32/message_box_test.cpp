#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/message_box.h"
#include "ui/win32/win32_dialogs.h"

namespace rangwerk::win32 {
namespace {

using testing::ChildrenOfClass;
using testing::PostAltKey;
using testing::PostChar;
using testing::PostKey;
using testing::ShownDialog;
using testing::WhileModal;

// What the box showed, read while it was open.
struct SeenBox {
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    std::string focused;
    std::string defaultButton;  // the one with the default look
    HICON icon = nullptr;
    bool soundBefore = false;
};

// Reads the box once it shows, then hands it `input` (posted to the focused button).
void ReadBoxThen(SeenBox& seen, std::function<void(HWND box, HWND focus)> input,
                 const std::vector<SystemSound>* sounds = nullptr) {
    WhileModal([&seen, input, sounds] {
        HWND box = ShownDialog();
        if (box == nullptr)
            return false;
        seen.caption = TextOf(box);
        seen.soundBefore = sounds != nullptr && !sounds->empty();
        for (HWND child : ChildrenOfClass(box, L"Static")) {
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            else
                seen.text = TextOf(child);
        }
        for (HWND button : ChildrenOfClass(box, L"Button")) {
            seen.buttons.push_back(TextOf(button));
            if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                seen.defaultButton = TextOf(button);
        }
        HWND focus = GetFocus();
        seen.focused = TextOf(focus);
        input(box, focus);
        return true;
    });
}

auto Key(UINT key) {
    return [key](HWND, HWND focus) { PostKey(focus, key); };
}

TEST(MessageBoxTest, ShowsTheGermanButtonsCaptionTextAndIconAfterTheSound) {
    std::vector<SystemSound> sounds;
    Win32Dialogs dialogs([&sounds](SystemSound s) { sounds.push_back(s); });
    SeenBox seen;
    ReadBoxThen(seen, Key(VK_ESCAPE), &sounds);

    const MessageButton answer = dialogs.ShowMessage(ConfirmationQuestion("Speichern?"));

    ASSERT_TRUE(testing::ModalStepsDone());
    EXPECT_EQ(sounds, std::vector<SystemSound>{SystemSound::Question});
    EXPECT_TRUE(seen.soundBefore);
    EXPECT_EQ(seen.caption, "Bestätigung");
    EXPECT_EQ(seen.text, "Speichern?");
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"&Ja", "&Nein", "Abbrechen"}));
    EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_EQ(seen.focused, "&Ja");
    EXPECT_EQ(seen.defaultButton, "&Ja");
    EXPECT_EQ(answer, MessageButton::Cancel);
}

TEST(MessageBoxTest, TheGeneralErrorBoxHasTheTitleTheErrorIconAndOk) {
    Win32Dialogs dialogs([](SystemSound) {});
    SeenBox seen;
    ReadBoxThen(seen, Key(VK_RETURN));

    const MessageButton answer =
        dialogs.ShowMessage(GeneralErrorMessage("Die Datei lässt sich nicht öffnen"));

    ASSERT_TRUE(testing::ModalStepsDone());
    EXPECT_EQ(seen.caption, "Rangwerk");
    EXPECT_EQ(seen.text, "Die Datei lässt sich nicht öffnen.");
    EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_ERROR));
    EXPECT_EQ(answer, MessageButton::Ok);
}

// A request whose default and escape buttons are not the usual ones: Enter, Escape and the
// close box follow the request.
TEST(MessageBoxTest, EnterEscapeAndTheCloseBoxGiveTheRequestsButtons) {
    MessageRequest request = WarningQuestion("Weiter?");
    request.defaultButton = MessageButton::No;
    request.escapeButton = MessageButton::Yes;
    SeenBox seen;

    ReadBoxThen(seen, Key(VK_RETURN));
    EXPECT_EQ(ShowMessageBox(nullptr, request), MessageButton::No);
    EXPECT_EQ(seen.focused, "&Nein");
    EXPECT_EQ(seen.defaultButton, "&Nein");

    ReadBoxThen(seen, Key(VK_ESCAPE));
    EXPECT_EQ(ShowMessageBox(nullptr, request), MessageButton::Yes);

    ReadBoxThen(seen, [](HWND box, HWND) { PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(ShowMessageBox(nullptr, request), MessageButton::Yes);
    EXPECT_TRUE(testing::ModalStepsDone());
}

TEST(MessageBoxTest, AccessKeysPressTheirButtons) {
    const MessageRequest request = ConfirmationQuestion("Speichern?");
    SeenBox seen;

    ReadBoxThen(seen, [](HWND, HWND focus) { PostChar(focus, L'n'); });
    EXPECT_EQ(ShowMessageBox(nullptr, request), MessageButton::No);

    ReadBoxThen(seen, [](HWND, HWND focus) { PostAltKey(focus, L'j'); });
    EXPECT_EQ(ShowMessageBox(nullptr, request), MessageButton::Yes);
    EXPECT_TRUE(testing::ModalStepsDone());
}

}  // namespace
}  // namespace rangwerk::win32
