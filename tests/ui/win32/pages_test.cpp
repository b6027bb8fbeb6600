#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/pages.h"
#include "ui/win32/top_level_window.h"

namespace rangwerk::win32 {
namespace {

using testing::PostAltKey;
using testing::PostChar;
using testing::PostKey;

enum : int {
    kStartEdit = 10,
    kNext = 11,
    kCancel = 12,
    kEndEdit = 20,
    kBack = 21,
    kFinish = 22,
    kToolEdit = 30,
    kToolClose = 31,
};

class NoHandlerWindow : public WindowHandler {
public:
    std::optional<LRESULT> HandleMessage(HWND, UINT, WPARAM, LPARAM) override {
        return std::nullopt;
    }
};

// A window with two pages: the start page with an edit, "&Weiter" (its default button) and
// "Abbrechen" (its cancel button); the end page with an edit, "&Zurück" and "&Fertig" (its
// default button) and no cancel button. It records the buttons pressed.
class TwoPageWindow : public WindowHandler {
public:
    TwoPageWindow() {
        window = CreateTopLevelWindow({"Seiten", 300, 200, WindowFrame::Border::Single}, *this);
        pages.emplace(window, ControlPlace{0, 0, 300, 200}, 2);
        HWND start = pages->Page(0);
        CreateEdit(start, kStartEdit, {8, 8, 120, 21}, font.Handle());
        CreateButton(start, kNext, {8, 40, 75, 25}, "&Weiter", font.Handle());
        CreateButton(start, kCancel, {90, 40, 75, 25}, "Abbrechen", font.Handle());
        pages->SetKeyButtons(0, kNext, kCancel);
        HWND end = pages->Page(1);
        CreateEdit(end, kEndEdit, {8, 8, 120, 21}, font.Handle());
        CreateButton(end, kBack, {8, 40, 75, 25}, "&Zurück", font.Handle());
        CreateButton(end, kFinish, {90, 40, 75, 25}, "&Fertig", font.Handle());
        pages->SetKeyButtons(1, kFinish, 0);
        pages->Show(0);
        ShowWindow(window, SW_SHOW);
        loop.AddDialogWindow(window);
    }
    ~TwoPageWindow() override {
        pages.reset();
        DestroyWindow(window);
    }

    std::optional<LRESULT> HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
        if (message != WM_COMMAND)
            return std::nullopt;
        const int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            pages->PressCancelButton();
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && id != IDOK)
            pressed.push_back(id);
        return 0;
    }

    // Focuses a control and takes back what was pressed so far.
    void Focus(int id) {
        SetFocus(FindControl(window, id));
        loop.RunUntilIdle();
        pressed.clear();
    }
    std::vector<int> Run() {
        loop.RunUntilIdle();
        return std::exchange(pressed, {});
    }

    Font font = MakeFont(WindowFont());
    HWND window = nullptr;
    std::optional<PageSet> pages;
    MessageLoop loop;
    std::vector<int> pressed;
};

TEST(PagesTest, OnlyTheShownPagesAccessKeysFire) {
    TwoPageWindow w;
    w.Focus(kStartEdit);

    PostAltKey(GetFocus(), L'z');
    EXPECT_EQ(w.Run(), std::vector<int>{});
    PostAltKey(GetFocus(), L'w');
    EXPECT_EQ(w.Run(), std::vector<int>{kNext});

    w.pages->Show(1);
    w.Focus(kEndEdit);
    PostAltKey(GetFocus(), L'w');
    EXPECT_EQ(w.Run(), std::vector<int>{});
    PostAltKey(GetFocus(), L'z');
    EXPECT_EQ(w.Run(), std::vector<int>{kBack});
    EXPECT_FALSE(IsWindowVisible(FindControl(w.window, kNext)));
    EXPECT_TRUE(IsWindowVisible(FindControl(w.window, kBack)));
}

TEST(PagesTest, EnterAndEscapePressTheShownPagesButtons) {
    TwoPageWindow w;
    w.Focus(kStartEdit);
    PostKey(GetFocus(), VK_RETURN);
    EXPECT_EQ(w.Run(), std::vector<int>{kNext});
    PostKey(GetFocus(), VK_ESCAPE);
    EXPECT_EQ(w.Run(), std::vector<int>{kCancel});

    w.pages->Show(1);
    w.Focus(kEndEdit);
    PostKey(GetFocus(), VK_RETURN);
    EXPECT_EQ(w.Run(), std::vector<int>{kFinish});
    PostKey(GetFocus(), VK_ESCAPE);
    EXPECT_EQ(w.Run(), std::vector<int>{});
}

LONG ButtonType(HWND window, int id) {
    return GetWindowLongW(FindControl(window, id), GWL_STYLE) & BS_TYPEMASK;
}

// The default button looks it while the focus is not on another push button.
TEST(PagesTest, TheShownPagesDefaultButtonLooksTheDefault) {
    TwoPageWindow w;
    w.Focus(kStartEdit);
    EXPECT_EQ(ButtonType(w.window, kNext), BS_DEFPUSHBUTTON);

    w.pages->Show(1);
    w.Run();
    EXPECT_EQ(ButtonType(w.window, kNext), BS_PUSHBUTTON);
    EXPECT_EQ(ButtonType(w.window, kFinish), BS_DEFPUSHBUTTON);

    PostKey(GetFocus(), VK_TAB);  // to "&Zurück"
    w.Run();
    EXPECT_EQ(GetFocus(), FindControl(w.window, kBack));
    EXPECT_EQ(ButtonType(w.window, kBack), BS_DEFPUSHBUTTON);
    EXPECT_EQ(ButtonType(w.window, kFinish), BS_PUSHBUTTON);

    PostKey(GetFocus(), VK_TAB);  // to "&Fertig", then round to the edit
    w.Run();
    PostKey(GetFocus(), VK_TAB);
    w.Run();
    EXPECT_EQ(GetFocus(), FindControl(w.window, kEndEdit));
    EXPECT_EQ(ButtonType(w.window, kBack), BS_PUSHBUTTON);
    EXPECT_EQ(ButtonType(w.window, kFinish), BS_DEFPUSHBUTTON);
}

TEST(PagesTest, AClickOnAPageButtonReachesTheWindow) {
    TwoPageWindow w;
    w.Focus(kStartEdit);
    testing::PostClick(FindControl(w.window, kCancel), 10, 10);
    EXPECT_EQ(w.Run(), std::vector<int>{kCancel});
}

TEST(PagesTest, AFocusOnAHiddenPageMovesToTheShownPage) {
    TwoPageWindow w;
    w.Focus(kStartEdit);
    w.pages->Show(1);
    EXPECT_EQ(GetFocus(), FindControl(w.window, kEndEdit));
}

// A control of the window that stands before the pages does not take the focus of a page that
// is hidden: the shown page's first control does.
TEST(PagesTest, AFocusOnAHiddenPageGoesToTheShownPageBeforeTheWindowsOwnControls) {
    NoHandlerWindow handler;
    HWND window = CreateTopLevelWindow({"Seiten", 300, 200, WindowFrame::Border::Single}, handler);
    const Font font = MakeFont(WindowFont());
    CreateButton(window, kCancel, {8, 160, 75, 25}, "Ende", font.Handle());
    {
        PageSet pages(window, ControlPlace{0, 0, 300, 150}, 2);
        CreateEdit(pages.Page(0), kStartEdit, {8, 8, 120, 21}, font.Handle());
        CreateEdit(pages.Page(1), kEndEdit, {8, 8, 120, 21}, font.Handle());
        pages.Show(0);
        ShowWindow(window, SW_SHOW);
        SetFocus(FindControl(window, kStartEdit));
        pages.Show(1);
        EXPECT_EQ(GetFocus(), FindControl(window, kEndEdit));
    }
    DestroyWindow(window);
}

// A key typed for a control whose page was hidden before the key was handled reaches nothing.
TEST(MessageLoopTest, AKeyForAControlOfAHiddenPageIsDropped) {
    TwoPageWindow w;
    w.Focus(kStartEdit);
    HWND edit = FindControl(w.window, kStartEdit);
    PostChar(edit, L'x');
    w.pages->Show(1);
    w.Run();
    EXPECT_EQ(TextOf(edit), "");
}

// A tool window beside the main one: the one loop gives each its own keyboard.
class ToolWindow : public WindowHandler {
public:
    explicit ToolWindow(HWND owner) {
        window = CreateTopLevelWindow({"Werkzeug", 200, 100, WindowFrame::Border::DialogFrame},
                                      *this, owner);
        CreateEdit(window, kToolEdit, {8, 8, 120, 21}, font.Handle());
        CreateButton(window, kToolClose, {8, 40, 75, 25}, "&Schließen", font.Handle());
        SendMessageW(window, DM_SETDEFID, kToolClose, 0);
        ShowWindow(window, SW_SHOW);
    }
    ~ToolWindow() override { DestroyWindow(window); }

    std::optional<LRESULT> HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            pressed.push_back(LOWORD(wParam));
        return message == WM_COMMAND ? std::optional<LRESULT>(0) : std::nullopt;
    }

    Font font = MakeFont(WindowFont());
    HWND window = nullptr;
    std::vector<int> pressed;
};

TEST(MessageLoopTest, OneLoopGivesTheMainAndTheToolWindowTheirOwnKeys) {
    TwoPageWindow main;
    ToolWindow tool(main.window);
    main.loop.AddDialogWindow(tool.window);

    SetFocus(FindControl(tool.window, kToolEdit));
    main.loop.RunUntilIdle();
    PostKey(GetFocus(), VK_RETURN);
    PostAltKey(GetFocus(), L'w');  // the main window's access key does nothing here
    main.Run();
    EXPECT_EQ(tool.pressed, std::vector<int>{kToolClose});
    EXPECT_EQ(main.pressed, std::vector<int>{});

    main.Focus(kStartEdit);
    PostKey(GetFocus(), VK_RETURN);
    EXPECT_EQ(main.Run(), std::vector<int>{kNext});
    EXPECT_EQ(tool.pressed, std::vector<int>{kToolClose});
}

TEST(MessageLoopTest, TheFilterTakesKeysBeforeTheDialogManager) {
    TwoPageWindow w;
    w.Focus(kNext);
    int taken = 0;
    w.loop.SetFilter([&taken](MSG& message) {
        if (message.message != WM_CHAR || message.wParam != L'w')
            return false;
        ++taken;
        return true;
    });
    // On a button a plain letter is an access key, unless the filter takes it first.
    PostChar(GetFocus(), L'w');
    EXPECT_EQ(w.Run(), std::vector<int>{});
    EXPECT_EQ(taken, 1);
    w.loop.SetFilter(nullptr);
    PostChar(GetFocus(), L'w');
    EXPECT_EQ(w.Run(), std::vector<int>{kNext});
}

TEST(TopLevelWindowTest, HasTheClientSizeAndFrameAskedForAndStandsInTheMiddle) {
    NoHandlerWindow handler;
    HWND main = CreateTopLevelWindow({"Rangwerk", 420, 361, WindowFrame::Border::Single}, handler);
    SetProgramIcon(main);
    CentreOnScreen(main);
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 420);
    EXPECT_EQ(client.bottom, 361);
    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(TextOf(main), "Rangwerk");

    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT bounds{};
    GetWindowRect(main, &bounds);
    EXPECT_LE(std::abs((bounds.left + bounds.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((bounds.top + bounds.bottom) - (work.top + work.bottom)), 1);

    HWND tool = CreateTopLevelWindow({"Kombinationen", 513, 355, WindowFrame::Border::DialogFrame},
                                     handler, main);
    CentreOver(tool, main);
    GetClientRect(tool, &client);
    EXPECT_EQ(client.right, 513);
    EXPECT_EQ(client.bottom, 355);
    EXPECT_EQ(GetWindowLongW(tool, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              0);
    EXPECT_NE(GetWindowLongW(tool, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
    EXPECT_EQ(GetWindow(tool, GW_OWNER), main);
    RECT toolBounds{};
    GetWindowRect(tool, &toolBounds);
    EXPECT_LE(std::abs((toolBounds.left + toolBounds.right) - (bounds.left + bounds.right)), 1);
    DestroyWindow(tool);
    DestroyWindow(main);
}

}  // namespace
}  // namespace rangwerk::win32
