#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/wide_text.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/win32_dialogs.h"

namespace rangwerk::win32 {
namespace {

using testing::PostKey;
using testing::ShownDialog;
using testing::WhileModal;

// The controls of the system's file dialog (dlgs.h): the file name, the file types and the
// read-only box.
constexpr int kFileNameBox = 0x47c;  // cmb13
constexpr int kFileTypes = 0x470;    // cmb1
constexpr int kReadOnly = 0x410;     // chx1

const FileDialogRequest kProjectFiles{"Rangwerk-Dateien (*.opt)|*.opt", "opt"};

class FileDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::filesystem::path(temp) /
                  (L"rangwerk-file-dialogs-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string PathOf(const std::wstring& name) const {
        return Utf8FromWide((folder_ / name).wstring());
    }

    // The dialog as it showed, read once it is there.
    struct SeenDialog {
        std::string fileTypes;
        bool readOnlyShown = true;
        bool boxShown = false;  // the dialog showed a box in between
    };

    // What happens after the name is typed and Enter pressed: nothing more (the dialog
    // closes), or the dialog shows a box, which is answered with Enter, and then the dialog
    // either closes or is cancelled.
    enum class Then { Nothing, BoxThenClose, BoxThenCancel };

    void TypeNameAndEnter(const std::string& name, SeenDialog& seen, Then then) {
        WhileModal([name, &seen, then] {
            HWND dialog = ShownDialog();
            HWND nameBox = dialog != nullptr ? GetDlgItem(dialog, kFileNameBox) : nullptr;
            if (nameBox == nullptr)
                return false;
            seen.fileTypes = TextOf(GetDlgItem(dialog, kFileTypes));
            HWND readOnly = GetDlgItem(dialog, kReadOnly);
            seen.readOnlyShown = readOnly != nullptr && IsWindowVisible(readOnly);
            SetText(nameBox, name);
            SetFocus(nameBox);
            PostKey(GetFocus(), VK_RETURN);
            if (then != Then::Nothing)
                AnswerBox(dialog, seen, then == Then::BoxThenCancel);
            return true;
        });
    }

    static void AnswerBox(HWND dialog, SeenDialog& seen, bool cancelAfterwards) {
        WhileModal([dialog, &seen, cancelAfterwards] {
            HWND box = ShownDialog();
            if (box == nullptr || box == dialog)
                return false;
            seen.boxShown = true;
            PostKey(GetFocus(), VK_RETURN);
            if (cancelAfterwards) {
                WhileModal([dialog] {
                    if (ShownDialog() != dialog)
                        return false;
                    PostKey(GetFocus(), VK_ESCAPE);
                    return true;
                });
            }
            return true;
        });
    }

    std::filesystem::path folder_;
};

TEST_F(FileDialogsTest, TheSaveDialogAddsTheExtensionAndAsksBeforeOverwriting) {
    Win32Dialogs dialogs;
    SeenDialog seen;
    TypeNameAndEnter(PathOf(L"Urlaub"), seen, Then::Nothing);
    EXPECT_EQ(dialogs.AskSaveFileName(kProjectFiles), PathOf(L"Urlaub.opt"));
    EXPECT_EQ(seen.fileTypes, "Rangwerk-Dateien (*.opt)");
    EXPECT_FALSE(seen.readOnlyShown);

    std::ofstream(folder_ / L"Urlaub.opt") << "x";
    SeenDialog again;
    TypeNameAndEnter(PathOf(L"Urlaub.opt"), again, Then::BoxThenClose);
    EXPECT_EQ(dialogs.AskSaveFileName(kProjectFiles), PathOf(L"Urlaub.opt"));
    EXPECT_TRUE(again.boxShown);  // the question before overwriting, answered "yes"
    EXPECT_TRUE(testing::ModalStepsDone());
}

TEST_F(FileDialogsTest, TheOpenDialogTakesOnlyAnExistingFile) {
    Win32Dialogs dialogs;
    SeenDialog missing;
    TypeNameAndEnter(PathOf(L"Fehlt.opt"), missing, Then::BoxThenCancel);
    EXPECT_EQ(dialogs.AskOpenFileName(kProjectFiles), std::nullopt);
    EXPECT_TRUE(missing.boxShown);  // the box that says the file does not exist
    EXPECT_FALSE(missing.readOnlyShown);

    std::ofstream(folder_ / L"Urlaub.opt") << "x";
    SeenDialog existing;
    TypeNameAndEnter(PathOf(L"Urlaub.opt"), existing, Then::Nothing);
    EXPECT_EQ(dialogs.AskOpenFileName(kProjectFiles), PathOf(L"Urlaub.opt"));
    EXPECT_TRUE(testing::ModalStepsDone());
}

}  // namespace
}  // namespace rangwerk::win32
