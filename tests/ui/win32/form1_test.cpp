// The Win32 main window over its model: what it shows, and the real input that reaches the
// model through the program's own message loop. The rules themselves are the model's tests.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "drawing/ranking_row.h"
#include "support/fixed_seed.h"
#include "support/scripted_dialogs.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/form1.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/image_button.h"
#include "ui/win32/message_loop.h"

namespace rangwerk::win32 {
namespace {

using C = Form1Control;
using testing::Capture;
using testing::CaptureClient;
using testing::PostAltKey;
using testing::PostChar;
using testing::PostKey;
using testing::SystemColor;

struct Window {
    Project project;
    rangwerk::testing::ScriptedDialogs dialogs;
    rangwerk::testing::FixedSeed seed;
    MainWindowModel model{project, dialogs, seed};
    TForm1 form{model, dialogs};
    MessageLoop loop;
    int closed = 0;

    Window() {
        InitialiseCommonControls();
        loop.AddDialogWindow(form.Handle());
        loop.SetFilter([this](MSG& message) { return form.PreTranslateMessage(message); });
        form.SetOnClosed([this] { ++closed; });
        form.Show();
        SetForegroundWindow(form.Handle());
        Run();
    }

    HWND Get(C control) const { return form.Control(control); }
    std::string Text(C control) const { return TextOf(Get(control)); }
    bool Shown(C control) const { return IsWindowVisible(Get(control)) != FALSE; }
    bool Enabled(C control) const { return IsWindowEnabled(Get(control)) != FALSE; }
    bool Focused(C control) const { return GetFocus() == Get(control); }
    std::string Headline() const { return Text(C::Panel_Headline); }
    void Run() { loop.RunUntilIdle(); }

    void Click(C control) {
        HWND target = Get(control);
        RECT client{};
        GetClientRect(target, &client);
        testing::PostClick(target, client.right / 2, client.bottom / 2);
        Run();
    }
    // Keys at the control with the focus, as the keyboard sends them.
    void Key(UINT virtualKey) {
        PostKey(GetFocus(), virtualKey);
        Run();
    }
    void Alt(wchar_t letter) {
        PostAltKey(GetFocus(), letter);
        Run();
    }
    void Type(const std::wstring& text) {
        for (wchar_t c : text) PostChar(GetFocus(), c);
        Run();
    }
    void Focus(C control) {
        SendMessageW(form.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Get(control)), TRUE);
        Run();
    }

    // A new project with the options, each typed and added with Enter, and the settings page.
    void Collect(const std::vector<std::wstring>& names) {
        Click(C::SpeedButton_0New);
        for (const std::wstring& name : names) {
            Type(name);
            Key(VK_RETURN);
        }
        Click(C::Button_1Next);
    }
    // The run in the list's order, the live standings as asked.
    void StartRun(bool live) {
        Click(C::RadioGroup_2Order_Item0);
        if (Checked(C::CheckBox_2LiveScore) != live)
            Click(C::CheckBox_2LiveScore);
        Click(C::Button_2Next);
    }
    // Shows every page once, so that every page has made its controls.
    void VisitEveryPage() {
        Collect({L"A", L"B"});
        StartRun(false);
        Click(C::Button_3Next);
    }
    bool Checked(C control) const {
        return SendMessageW(Get(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    std::pair<std::string, std::string> Pair() const {
        return {Text(C::Button_3Option1), Text(C::Button_3Option2)};
    }
    bool Italic(C control) const {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Get(control), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        return font.lfItalic != 0;
    }
    std::vector<std::string> OptionRows() const {
        HWND list = Get(C::ListView_1Options);
        std::vector<std::string> rows;
        for (int i = 0; i < ListViewRowCount(list); ++i) {
            wchar_t text[64] = {};
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&item));
            rows.push_back(Utf8FromWide(text));
        }
        return rows;
    }
    // Clicks row `row` of the option list.
    void ClickOptionRow(int row) {
        HWND list = Get(C::ListView_1Options);
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&bounds));
        testing::PostClick(list, bounds.left + 10, (bounds.top + bounds.bottom) / 2);
        Run();
    }
};

LONG StyleOf(HWND window) {
    return GetWindowLongW(window, GWL_STYLE);
}

TEST(Form1Test, ShowsTheStartPageInAFixedCentredWindowOfItsSize) {
    Window w;
    RECT client{};
    GetClientRect(w.form.Handle(), &client);
    EXPECT_EQ(client.right, 420);
    EXPECT_EQ(client.bottom, 361);
    const LONG style = StyleOf(w.form.Handle());
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT bounds{};
    GetWindowRect(w.form.Handle(), &bounds);
    EXPECT_LE(std::abs((bounds.left + bounds.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((bounds.top + bounds.bottom) - (work.top + work.bottom)), 1);

    EXPECT_EQ(TextOf(w.form.Handle()), "Rangwerk");
    EXPECT_EQ(w.form.CurrentPage(), 0);
    EXPECT_EQ(w.Headline(), "Neues Projekt oder Projekt öffnen");
    EXPECT_TRUE(w.Shown(C::SpeedButton_0New));
    EXPECT_TRUE(w.Shown(C::Button_Exit));
    EXPECT_FALSE(w.Shown(C::Button_Restart));
    EXPECT_FALSE(w.Shown(C::SpeedButton_Save));
}

// Every control shows the font it was given: the window's Arial 11 pixels, the headline its own
// bold 13 pixels, the labels beside the start page's buttons the bold window face. Under Wine
// the face is the prefix's replacement, and GDI reports the face asked for.
TEST(Form1Test, EveryControlHasItsFont) {
    Window w;
    w.VisitEveryPage();
    int controls = 0;
    for (const wchar_t* kind :
         {L"Button", L"Edit", L"Static", L"SysListView32", L"ListBox", L"RangwerkImageButton"}) {
        for (HWND control : testing::ChildrenOfClass(w.form.Handle(), kind)) {
            const LONG style = StyleOf(control);
            if (std::wstring(kind) == L"Static" && (style & SS_TYPEMASK) == SS_ETCHEDHORZ)
                continue;  // the separator lines have no text
            SCOPED_TRACE(TextOf(control));
            EXPECT_NE(SendMessageW(control, WM_GETFONT, 0, 0), 0);
            EXPECT_EQ(testing::ChosenFaceOf(control), L"Arial");
            ++controls;
        }
    }
    EXPECT_GE(controls, 60);
    auto metrics = [&](C control) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(
            dc, reinterpret_cast<HFONT>(SendMessageW(w.Get(control), WM_GETFONT, 0, 0)));
        TEXTMETRICW m{};
        GetTextMetricsW(dc, &m);
        SelectObject(dc, old);
        DeleteDC(dc);
        return m;
    };
    EXPECT_EQ(metrics(C::Button_Exit).tmHeight - metrics(C::Button_Exit).tmInternalLeading, 11);
    EXPECT_LT(metrics(C::Button_Exit).tmWeight, FW_BOLD);
    EXPECT_EQ(metrics(C::Panel_Headline).tmHeight - metrics(C::Panel_Headline).tmInternalLeading,
              13);
    EXPECT_GE(metrics(C::Panel_Headline).tmWeight, FW_BOLD);
    EXPECT_GE(metrics(C::Label_0New).tmWeight, FW_BOLD);
}

// The message-font rule gives the window's font another face; the headline and the bold labels
// keep their own. The pages that are made later take the new face too.
TEST(Form1Test, ANewFaceReachesTheControlsThatFollowTheWindowsFont) {
    Window w;
    EXPECT_EQ(w.form.FontPoints(), 8);
    EXPECT_EQ(w.Get(C::Button_3Option1), nullptr);  // the comparison page is not made yet
    // A face that the test machine has.
    const std::wstring face = L"Liberation Mono";
    w.form.SetFontFace(Utf8FromWide(face));
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::Button_Exit)), face);
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::SpeedButton_Save)), face);
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::Panel_Headline)), L"Arial");
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::Label_0Info)), L"Arial");
    w.VisitEveryPage();
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::Button_3Option1)), face);
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::ListBox_4Ranking)), face);
    EXPECT_EQ(testing::ChosenFaceOf(w.Get(C::SpeedButton_3NextComparison)), face);
    EXPECT_EQ(w.form.FontPoints(), 8);
}

// The headline strip in its own blue with the page's headline in white, centred.
TEST(Form1Test, TheHeadlineIsWhiteOnItsBlue) {
    Window w;
    const Capture capture = CaptureClient(w.Get(C::Panel_Headline));
    ASSERT_EQ(capture.width, 420);
    ASSERT_EQ(capture.height, 41);
    const Color blue = Rgb(123, 157, 221);
    EXPECT_EQ(capture.At(0, 0), blue);
    EXPECT_EQ(capture.At(419, 40), blue);
    // The text's extent in the headline font, centred: white inside it, blue beside it.
    HDC dc = CreateCompatibleDC(nullptr);
    const Font headline = MakeFont(HeadlineFont());
    SIZE size{};
    {
        const SelectedFont selected(dc, headline.Handle());
        const std::wstring text = WideFromUtf8(w.Headline());
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    DeleteDC(dc);
    const int left = (420 - size.cx) / 2;
    const int top = (41 - size.cy) / 2;
    EXPECT_TRUE(capture.AnyPixelOtherThan(left, top, left + size.cx, top + size.cy, blue));
    bool white = false;
    for (int y = top; y < top + size.cy; ++y) {
        for (int x = left; x < left + size.cx; ++x)
            white = white || capture.At(x, y) == Rgb(255, 255, 255);
    }
    EXPECT_TRUE(white);
    EXPECT_FALSE(capture.AnyPixelOtherThan(0, 0, left - 2, 41, blue));
    EXPECT_FALSE(capture.AnyPixelOtherThan(left + size.cx + 2, 0, 420, 41, blue));
}

// The collect page by keyboard and mouse: Enter adds in the name field (the page's default
// button), starts a new line in the information field; the list shows the options, and the
// window's own selection of the new row loads nothing back into the fields.
TEST(Form1Test, CollectingOptionsByKeysAndClicks) {
    Window w;
    w.Click(C::SpeedButton_0New);
    EXPECT_EQ(w.form.CurrentPage(), 1);
    EXPECT_EQ(w.Headline(), "Sammeln der Optionen");
    EXPECT_TRUE(w.Shown(C::Button_Restart));
    EXPECT_TRUE(w.Shown(C::SpeedButton_Save));
    EXPECT_TRUE(w.Focused(C::Edit_1OptionName));
    EXPECT_EQ(StyleOf(w.Get(C::Button_1Add)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    w.Type(L"Apfel");
    w.Alt(L'i');  // "Weitere &Informationen:"
    EXPECT_TRUE(w.Focused(C::Memo_1Info));
    w.Type(L"rot");
    w.Key(VK_RETURN);
    w.Type(L"süß");
    EXPECT_EQ(w.project.options.Count(), 0u);
    w.Alt(L'h');  // "&Hinzufügen"
    ASSERT_EQ(w.project.options.Count(), 1u);
    EXPECT_EQ(w.project.options.At(0).info, "rot\r\nsüß");
    EXPECT_EQ(w.Text(C::Edit_1OptionName), "");
    EXPECT_EQ(w.Text(C::Memo_1Info), "");
    EXPECT_TRUE(w.Focused(C::Edit_1OptionName));
    w.Type(L"Birne & Co");
    w.Key(VK_RETURN);
    w.Type(L"Zitrone");
    w.Key(VK_RETURN);
    EXPECT_EQ(w.OptionRows(), (std::vector<std::string>{"Apfel", "Birne & Co", "Zitrone"}));
    EXPECT_EQ(SelectedListViewRow(w.Get(C::ListView_1Options)), 2);
    EXPECT_EQ(w.Text(C::Edit_1OptionName), "");
    // The selection rule's buttons, with the last row selected.
    EXPECT_TRUE(w.Enabled(C::Button_1Update));
    EXPECT_TRUE(w.Enabled(C::Button_1Up));
    EXPECT_FALSE(w.Enabled(C::Button_1Down));

    w.ClickOptionRow(0);
    EXPECT_EQ(SelectedListViewRow(w.Get(C::ListView_1Options)), 0);
    EXPECT_EQ(w.Text(C::Edit_1OptionName), "Apfel");
    EXPECT_EQ(w.Text(C::Memo_1Info), "rot\r\nsüß");
    EXPECT_FALSE(w.Enabled(C::Button_1Up));
    EXPECT_TRUE(w.Enabled(C::Button_1Down));
    w.Click(C::Button_1Down);
    EXPECT_EQ(w.OptionRows(), (std::vector<std::string>{"Birne & Co", "Apfel", "Zitrone"}));
    EXPECT_EQ(SelectedListViewRow(w.Get(C::ListView_1Options)), 1);
    w.Alt(L'f');  // "Ent&fernen"
    EXPECT_EQ(w.OptionRows(), (std::vector<std::string>{"Birne & Co", "Zitrone"}));

    // The list: one column without a header, one selected row that stays visible.
    const LONG style = StyleOf(w.Get(C::ListView_1Options));
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    EXPECT_TRUE(w.dialogs.messages.empty());
}

// The settings page: its fields show the model's texts and hand every typed text and every
// arrow to the model; choices and check boxes by click and access key.
TEST(Form1Test, SettingsFieldsAndChoicesGoToTheModel) {
    Window w;
    w.Collect({L"A", L"B"});
    EXPECT_EQ(w.form.CurrentPage(), 2);
    EXPECT_EQ(w.Headline(), "Festlegen der Einstellungen");
    EXPECT_EQ(w.Text(C::SpinEdit_2Win), "1");
    EXPECT_EQ(w.Text(C::SpinEdit_2Remis), "0");
    EXPECT_EQ(w.Text(C::SpinEdit_2Defeat), "-1");
    EXPECT_TRUE(w.Checked(C::CheckBox_2KeepOldRanking));
    for (C item :
         {C::RadioGroup_2Order_Item0, C::RadioGroup_2Order_Item1, C::RadioGroup_2Order_Item2}) {
        EXPECT_FALSE(w.Checked(item));
    }

    // The up-down controls: no thousands separators, negative points too.
    HWND arrows = w.Get(C::UpDown_2Win);
    EXPECT_NE(StyleOf(arrows) & UDS_NOTHOUSANDS, 0);
    int low = 0;
    int high = 0;
    SendMessageW(arrows, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, INT_MIN);
    EXPECT_EQ(high, INT_MAX);

    w.Alt(L'g');  // "Punkte für &gleichgestellte Option:"
    EXPECT_TRUE(w.Focused(C::SpinEdit_2Remis));
    w.Key(VK_UP);
    EXPECT_EQ(w.Text(C::SpinEdit_2Remis), "1");
    EXPECT_EQ(w.project.scores.tie, 1);
    SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
    w.Type(L"8191");
    EXPECT_EQ(w.project.scores.tie, 8191);
    w.Key(VK_UP);
    EXPECT_EQ(w.Text(C::SpinEdit_2Remis), "8192");
    w.Alt(L'u');  // "Punkte für &unterlegene Option:"
    SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
    w.Type(L"-7");
    EXPECT_EQ(w.project.scores.inferior, -7);
    w.Key(VK_DOWN);
    EXPECT_EQ(w.Text(C::SpinEdit_2Defeat), "-8");

    w.Click(C::RadioGroup_2Order_Item1);
    EXPECT_EQ(w.project.queryOrder, QueryOrder::Alphabetical);
    w.Alt(L'z');  // "&Zwischenstände während der Vergleiche einblenden"
    EXPECT_TRUE(w.project.liveScore);
    EXPECT_TRUE(w.Checked(C::CheckBox_2LiveScore));
    w.Click(C::CheckBox_2KeepOldRanking);
    EXPECT_FALSE(w.project.keepOldRanking);

    w.Click(C::Button_2Back);
    EXPECT_EQ(w.form.CurrentPage(), 1);
    // A page that is hidden takes no access keys: "&Zwischenstände" is on the settings page.
    w.Focus(C::Edit_1OptionName);
    w.Alt(L'z');
    EXPECT_TRUE(w.project.liveScore);
    EXPECT_TRUE(w.dialogs.messages.empty());
}

// A whole run by clicks, answer keys, the pair buttons' access keys and Enter on the recorded
// answer; digits typed into an information field are text.
TEST(Form1Test, AWholeRunByButtonsKeysAndNavigation) {
    Window w;
    w.Collect({L"A", L"B", L"C"});
    w.StartRun(false);
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(w.form.CurrentPage(), 3);
    EXPECT_EQ(w.Headline(), "Vergleich der Optionen");
    EXPECT_EQ(w.Pair(), P("A", "B"));
    EXPECT_TRUE(w.Focused(C::Button_3Remis));
    EXPECT_FALSE(w.Shown(C::ListBox_3Ranking));

    w.Focus(C::Memo_3Option1Info);
    SendMessageW(GetFocus(), EM_SETSEL, 0, 0);
    w.Type(L"1");
    EXPECT_EQ(w.Text(C::Memo_3Option1Info), "1");
    EXPECT_EQ(w.Pair(), P("A", "B"));
    w.Click(C::Button_3Option1);  // the field stores its text as it loses the focus
    EXPECT_EQ(w.project.options.At(0).info, "1");
    EXPECT_EQ(w.Pair(), P("A", "C"));
    EXPECT_TRUE(w.Focused(C::Button_3Remis));
    w.Type(L"2");
    EXPECT_EQ(w.Pair(), P("B", "C"));
    w.Type(L"0");
    EXPECT_EQ(w.form.CurrentPage(), 4);
    EXPECT_EQ(w.Headline(), "Ergebnis");
    EXPECT_EQ(RowCount(w.Get(C::ListBox_4Ranking)), 3);

    // Back after the last pair: the first pair again with its recorded answer in italics and
    // the focus; Enter confirms it.
    w.Click(C::Button_4Back);
    EXPECT_EQ(w.Pair(), P("A", "B"));
    EXPECT_TRUE(w.Italic(C::Button_3Option1));
    EXPECT_FALSE(w.Italic(C::Button_3Remis));
    EXPECT_TRUE(w.Focused(C::Button_3Option1));
    w.Alt(L'w');  // "&Weiter": the pair button takes no focus, the model gives it on
    EXPECT_EQ(w.Pair(), P("A", "C"));
    EXPECT_TRUE(w.Italic(C::Button_3Option2));
    EXPECT_FALSE(w.Italic(C::Button_3Option1));
    EXPECT_TRUE(w.Focused(C::Button_3Option2));
    w.Click(C::SpeedButton_3PreviousComparison);
    EXPECT_EQ(w.Pair(), P("A", "B"));
    w.Key(VK_RETURN);
    EXPECT_EQ(w.Pair(), P("A", "C"));
    EXPECT_TRUE(w.Focused(C::Button_3Option2));
    EXPECT_EQ(w.project.run.SecondIndex(), 2);

    w.Click(C::Button_3Next);  // "Übersicht >"
    EXPECT_EQ(w.form.CurrentPage(), 4);
    w.Click(C::Button_4Restart);  // "Zum Anfang"
    EXPECT_EQ(w.form.CurrentPage(), 1);
    EXPECT_EQ(SelectedListViewRow(w.Get(C::ListView_1Options)), -1);
    w.Click(C::Button_Restart);  // "Startbildschirm"
    EXPECT_EQ(w.form.CurrentPage(), 0);
    EXPECT_FALSE(w.Shown(C::Button_Restart));
    EXPECT_FALSE(w.Shown(C::SpeedButton_Save));
    EXPECT_TRUE(w.dialogs.messages.empty());
}

// The image buttons never take the focus, neither by a click nor by their access key.
TEST(Form1Test, ImageButtonsTakeNoFocus) {
    Window w;
    w.Focus(C::Button_Exit);
    w.Click(C::SpeedButton_0Info);
    EXPECT_TRUE(w.Focused(C::Button_Exit));
    EXPECT_EQ(SendMessageW(w.Get(C::SpeedButton_0New), WM_GETDLGCODE, 0, 0), DLGC_BUTTON);
    EXPECT_EQ(StyleOf(w.Get(C::SpeedButton_0New)) & WS_TABSTOP, 0);
}

// A refusal of the model comes as its box; Escape presses nothing and "Ende" closes the window.
TEST(Form1Test, RefusalsEscapeAndTheEnd) {
    Window w;
    w.Click(C::SpeedButton_0New);
    w.Type(L"A");
    w.Key(VK_RETURN);
    w.Click(C::Button_1Next);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "Zu wenige Optionen");
    EXPECT_EQ(w.form.CurrentPage(), 1);
    w.Focus(C::Edit_1OptionName);
    w.Key(VK_ESCAPE);
    EXPECT_EQ(w.form.CurrentPage(), 1);
    EXPECT_TRUE(IsWindowVisible(w.form.Handle()));
    EXPECT_EQ(w.closed, 0);
    w.Click(C::Button_Exit);
    EXPECT_EQ(w.closed, 1);
    EXPECT_FALSE(IsWindowVisible(w.form.Handle()));
}

// The save button saves through the scripted dialog; the caption names the file.
TEST(Form1Test, TheCaptionNamesTheSavedFile) {
    Window w;
    w.Click(C::SpeedButton_0New);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::string path = Utf8FromWide(folder) + "rangwerk-form1-test.opt";
    w.dialogs.AnswerFile(path);
    w.Click(C::SpeedButton_Save);
    EXPECT_EQ(TextOf(w.form.Handle()), "Rangwerk - [rangwerk-form1-test.opt]");
    EXPECT_TRUE(w.dialogs.AllAnswered());
    DeleteFileW(WideFromUtf8(path).c_str());
}

// The choose-option menu opens below its button with the items the model offers, the current
// one checked, made afresh at each opening; the chosen item picks the pair.
TEST(Form1Test, TheChooseOptionMenu) {
    Window w;
    w.Collect({L"A", L"B", L"C", L"D & E"});
    w.StartRun(false);
    struct Seen {
        std::vector<std::wstring> captions;
        int checked = -1;
        POINT corner{};
    } seen;
    testing::WhileModal([&seen] {
        HWND menuWindow = testing::ShownMenu();
        if (menuWindow == nullptr)
            return false;
        auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[32] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
            seen.captions.push_back(text);
            if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED)
                seen.checked = i;
        }
        RECT bounds{};
        GetWindowRect(menuWindow, &bounds);
        seen.corner = {bounds.left, bounds.top};
        return true;
    });
    testing::ChooseMenuItem(2, 3);
    w.Click(C::Button_3ChooseOption1);
    EXPECT_EQ(seen.captions, (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(seen.checked, 0);
    RECT button{};
    GetWindowRect(w.Get(C::Button_3ChooseOption1), &button);
    EXPECT_EQ(seen.corner.x, button.left);
    EXPECT_EQ(seen.corner.y, button.bottom);
    EXPECT_EQ(w.Pair(), std::make_pair(std::string("C"), std::string("D && E")));

    seen = {};
    testing::WhileModal([&seen] {
        HWND menuWindow = testing::ShownMenu();
        if (menuWindow == nullptr)
            return false;
        auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        wchar_t text[32] = {};
        GetMenuStringW(menu, 0, text, 32, MF_BYPOSITION);
        seen.captions.push_back(text);
        seen.checked = GetMenuItemCount(menu);
        return true;
    });
    testing::ChooseMenuItem(1, 1);  // closed without a choice
    w.Click(C::Button_3ChooseOption2);
    EXPECT_EQ(seen.captions, (std::vector<std::wstring>{L"D && E"}));
    EXPECT_EQ(seen.checked, 1);
    EXPECT_EQ(w.Pair(), std::make_pair(std::string("C"), std::string("D && E")));
    EXPECT_TRUE(testing::ModalStepsDone());
}

// The choose-option buttons draw their triangle themselves: black, 11 pixels wide at the top,
// its point 5 pixels below, in the middle of the button.
TEST(Form1Test, TheChooseOptionButtonsDrawTheirTriangle) {
    Window w;
    w.Collect({L"A", L"B"});
    w.StartRun(false);
    HWND button = w.Get(C::Button_3ChooseOption1);
    const Capture capture = CaptureClient(button);
    RECT client{};
    GetClientRect(button, &client);
    const ArrowTriangle triangle = ArrowTriangleOf(client);
    const POINT left = triangle.corners[0];
    const POINT point = triangle.corners[2];
    const Color black = Rgb(0, 0, 0);
    EXPECT_EQ(capture.At(left.x, left.y), black);
    EXPECT_EQ(capture.At(left.x + 10, left.y), black);
    EXPECT_EQ(capture.At(point.x, point.y), black);
    EXPECT_EQ(capture.At(point.x, point.y - 3), black);
    // Beside the triangle the button's own face, as a little further along the same line.
    const auto face = [&](int x, int y, int further) {
        EXPECT_NE(capture.At(x, y), black);
        EXPECT_EQ(capture.At(x, y), capture.At(x + further, y));
    };
    face(left.x - 1, left.y, -2);
    face(left.x + 11, left.y, 2);
    face(point.x, point.y + 1, -6);
    face(point.x - 3, point.y, -4);
    EXPECT_EQ(StyleOf(button) & (BS_TYPEMASK | WS_TABSTOP), BS_OWNERDRAW | WS_TABSTOP);
}

// The ranking rows are painted through the ranking layout from the model's scores: A beats B
// and C, B ties C gives 2, -1, -1 and the zero line 67 pixels into the bars. Every position
// comes from GDI's metrics of the list's font.
TEST(Form1Test, RankingRowsArePaintedFromTheModelsScores) {
    Window w;
    w.Collect({L"A", L"B", L"C"});
    w.StartRun(true);
    EXPECT_TRUE(w.Shown(C::ListBox_3Ranking));
    EXPECT_EQ(RowCount(w.Get(C::ListBox_3Ranking)), 3);
    w.Type(L"1");
    w.Type(L"1");
    w.Type(L"0");
    ASSERT_EQ(w.form.CurrentPage(), 4);
    HWND list = w.Get(C::ListBox_4Ranking);
    EXPECT_EQ(StyleOf(list) & (LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_HASSTRINGS),
              LBS_OWNERDRAWFIXED | LBS_NODATA);
    ASSERT_EQ(RowCount(list), 3);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 16);
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    w.Run();

    const Capture capture = CaptureClient(list);
    HDC dc = CreateCompatibleDC(nullptr);
    const SelectedFont font(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    const MeasureText measure = MeasureWith(dc);
    const int textHeight = TextHeight(dc);
    const std::vector<std::int64_t> scores{2, -1, -1};
    const BarScale scale{2, -1, 67};
    const char* names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Rect rect{0, 16 * i, capture.width, 16 * (i + 1)};
        const RankingRowLayout row = LayOutRankingRow(rect, static_cast<std::size_t>(i), scores,
                                                      scale, names[i], measure, textHeight);
        const Color background = SystemColor(i == 2 ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        ASSERT_TRUE(row.bar);
        const RowBar& bar = *row.bar;
        const int middle = (bar.top + bar.bottom) / 2;
        EXPECT_EQ(bar.fill, i == 0 ? Rgb(0, 255, 0) : Rgb(255, 0, 0));
        EXPECT_EQ(capture.At(bar.left, middle), Rgb(0, 0, 0));
        EXPECT_EQ(capture.At(bar.right - 1, middle), Rgb(0, 0, 0));
        EXPECT_EQ(capture.At(i == 0 ? bar.right - 3 : bar.left + 2, bar.top + 2), bar.fill);
        // Nothing is drawn on a row's top line.
        EXPECT_FALSE(
            capture.AnyPixelOtherThan(0, rect.top, capture.width, rect.top + 1, background));
        // The rank number where the layout puts it; the tied row has none.
        EXPECT_EQ(row.rankNumber.has_value(), i != 2);
        const int nameX = row.name.x;
        EXPECT_EQ(
            capture.AnyPixelOtherThan(0, rect.top + 1, nameX - 2, rect.bottom - 1, background),
            i != 2);
        EXPECT_TRUE(capture.AnyPixelOtherThan(nameX, row.textY, nameX + measure(names[i]),
                                              row.textY + textHeight, background));
    }
    DeleteDC(dc);

    // While a screen reader runs, the rows answer with their spoken texts.
    BOOL before = FALSE;
    SystemParametersInfoW(SPI_GETSCREENREADER, 0, &before, 0);
    SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, 0);
    wchar_t text[64] = {};
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, 0, 0);
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SystemParametersInfoW(SPI_SETSCREENREADER, FALSE, nullptr, 0);
    const LRESULT without = SendMessageW(list, LB_GETTEXTLEN, 0, 0);
    SystemParametersInfoW(SPI_SETSCREENREADER, before, nullptr, 0);
    EXPECT_EQ(Utf8FromWide(text), "1. A, 2 Punkte");
    EXPECT_EQ(length, static_cast<LRESULT>(std::wstring(L"1. A, 2 Punkte").size()));
    EXPECT_NE(without, length);
}

}  // namespace
}  // namespace rangwerk::win32
