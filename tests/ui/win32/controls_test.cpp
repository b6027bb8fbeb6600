#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "drawing/info_banner.h"
#include "drawing/ranking_row.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/paint_area.h"
#include "ui/win32/popup_menu.h"
#include "ui/win32/top_level_window.h"

namespace rangwerk::win32 {
namespace {

using testing::Capture;
using testing::CaptureClient;
using testing::PostKey;
using testing::SystemColor;

// A shown window for controls; messages go to `onMessage` when it is set.
class ControlWindow : public WindowHandler {
public:
    ControlWindow() {
        InitialiseCommonControls();
        window = CreateTopLevelWindow({"Felder", 420, 200, WindowFrame::Border::Single}, *this);
        ShowWindow(window, SW_SHOW);
        loop.AddDialogWindow(window);
    }
    ~ControlWindow() override { DestroyWindow(window); }

    std::optional<LRESULT> HandleMessage(HWND, UINT message, WPARAM wParam,
                                         LPARAM lParam) override {
        if (onMessage)
            return onMessage(message, wParam, lParam);
        return std::nullopt;
    }

    Font font = MakeFont(WindowFont());
    HWND window = nullptr;
    MessageLoop loop;
    std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> onMessage;
};

// The arrow keys step the number within the range, negative numbers included, and the field
// shows it without thousands separators, also on a German Windows (this test runs with a
// German locale, where the separator would be ".").
TEST(SpinFieldTest, ArrowKeysStepWithinTheRangeWithoutThousandsSeparators) {
    ControlWindow w;
    const SpinField field =
        CreateSpinField(w.window, 10, 11, {8, 8, 81, 23}, -5, 8191, w.font.Handle());
    SetFocus(field.edit);
    auto stepped = [&](const std::string& from, UINT key) {
        SetText(field.edit, from);
        PostKey(GetFocus(), key);
        w.loop.RunUntilIdle();
        return TextOf(field.edit);
    };
    EXPECT_EQ(stepped("1233", VK_UP), "1234");
    EXPECT_EQ(stepped("8190", VK_UP), "8191");
    EXPECT_EQ(stepped("8191", VK_UP), "8191");
    EXPECT_EQ(stepped("-4", VK_DOWN), "-5");
    EXPECT_EQ(stepped("-5", VK_DOWN), "-5");
}

// A list that keeps no rows of its own: three rows by count alone, each painted through the
// ranking row's layout. Every expected position comes from GDI's metrics of the list's font.
TEST(OwnerDrawnListTest, RowsArePaintedThroughTheRankingLayout) {
    ControlWindow w;
    const std::vector<std::int64_t> scores{4, 4, 1};
    const std::vector<std::string> names{"Berge", "Meer", "Stadt"};
    const BarScale scale{4, 0, 0};
    constexpr int kRowHeight = 16;
    HWND list = CreateOwnerDrawnList(w.window, 20, {8, 8, 404, 3 * kRowHeight + 4}, kRowHeight,
                                     w.font.Handle());
    auto layOut = [&](HDC dc, const Rect& row, std::size_t index) {
        return LayOutRankingRow(row, index, scores, scale, names.at(index), MeasureWith(dc),
                                TextHeight(dc));
    };
    w.onMessage = [&](UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_DRAWITEM)
            return std::nullopt;
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        PaintListRow(item, [&](HDC dc, const Rect& row) {
            PaintRankingRow(dc, layOut(dc, row, item.itemID));
        });
        return TRUE;
    };
    SetRowCount(list, 3);
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    w.loop.RunUntilIdle();
    ASSERT_EQ(RowCount(list), 3);

    const Capture capture = CaptureClient(list);
    // The expectations, laid out with GDI's own metrics of the list's font.
    HDC dc = CreateCompatibleDC(nullptr);
    SelectedFont selected(dc, w.font.Handle());
    const MeasureText measure = [dc](const std::string& text) {
        const std::wstring wide = WideFromUtf8(text);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int textHeight = metrics.tmHeight;
    const Color window = SystemColor(COLOR_WINDOW);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Rect rowRect{0, i * kRowHeight, capture.width, (i + 1) * kRowHeight};
        const RankingRowLayout row =
            LayOutRankingRow(rowRect, static_cast<std::size_t>(i), scores, scale,
                             names.at(static_cast<std::size_t>(i)), measure, textHeight);
        const Color background = i == 2 ? SystemColor(COLOR_HIGHLIGHT) : window;
        EXPECT_EQ(capture.At(capture.width - 2, rowRect.top + 1), background);

        // The rank number where the layout puts it, and none on the tied row.
        if (i == 1) {
            EXPECT_FALSE(row.rankNumber);
            EXPECT_FALSE(capture.AnyPixelOtherThan(0, rowRect.top, row.name.x - 1, rowRect.bottom,
                                                   background));
        } else {
            ASSERT_TRUE(row.rankNumber);
            const int x = row.rankNumber->x;
            EXPECT_TRUE(capture.AnyPixelOtherThan(x, row.textY, x + measure(row.rankNumber->text),
                                                  row.textY + textHeight, background));
            EXPECT_FALSE(capture.AnyPixelOtherThan(0, rowRect.top, x, rowRect.bottom, background));
        }
        // The name as GDI draws it at the layout's place, and nothing between it and the
        // score.
        const int nameEnd = row.name.x + measure(row.name.text);
        const Capture name = testing::PaintedBy(capture.width, capture.height, [&](HDC paint) {
            const RECT all{0, 0, capture.width, capture.height};
            HBRUSH brush = CreateSolidBrush(ColorRefOf(background));
            FillRect(paint, &all, brush);
            DeleteObject(brush);
            SelectedFont font(paint, w.font.Handle());
            SetBkColor(paint, ColorRefOf(background));
            SetTextColor(paint, GetSysColor(i == 2 ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            const std::wstring text = WideFromUtf8(row.name.text);
            TextOutW(paint, row.name.x, row.textY, text.c_str(), static_cast<int>(text.size()));
        });
        EXPECT_TRUE(
            testing::SamePixels(capture, name, row.name.x, rowRect.top, nameEnd, rowRect.bottom));
        EXPECT_TRUE(capture.AnyPixelOtherThan(row.name.x, row.textY, nameEnd,
                                              row.textY + textHeight, background));
        EXPECT_FALSE(capture.AnyPixelOtherThan(nameEnd + 1, rowRect.top, row.score.x,
                                               rowRect.bottom, background));

        // The bar: outlined in black, filled with its colour, the score left of its zero line.
        ASSERT_TRUE(row.bar);
        const RowBar& bar = *row.bar;
        const int middle = (bar.top + bar.bottom) / 2;
        EXPECT_EQ(capture.At(bar.left, middle), Rgb(0, 0, 0));
        EXPECT_EQ(capture.At(bar.right - 1, middle), Rgb(0, 0, 0));
        EXPECT_EQ(capture.At(bar.right - 2, middle), bar.fill);
        EXPECT_EQ(capture.At(bar.right - 2, bar.top), Rgb(0, 0, 0));
        EXPECT_EQ(capture.At(bar.right, middle), background);
        EXPECT_EQ(bar.fill, i == 2 ? Rgb(192, 63, 0) : Rgb(0, 255, 0));
        EXPECT_TRUE(capture.AnyPixelOtherThan(row.score.x, row.textY, bar.left,
                                              row.textY + textHeight, background));
    }
    DeleteDC(dc);
}

// A disabled control cannot keep the focus: it hands it on to the next control, so that the
// keys still reach the window.
TEST(ControlsTest, AControlThatIsDisabledHandsTheFocusOn) {
    ControlWindow w;
    HWND first = CreateButton(w.window, 60, {8, 8, 75, 25}, "&Eins", w.font.Handle());
    HWND second = CreateButton(w.window, 61, {90, 8, 75, 25}, "&Zwei", w.font.Handle());
    SetFocus(first);
    SetEnabled(first, false);
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_EQ(GetFocus(), second);
    SetEnabled(first, true);
    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_EQ(GetFocus(), second);
}

// For a screen reader the owner-drawn rows carry texts; new texts keep the selected row.
TEST(OwnerDrawnListTest, RowTextsAreReplacedWithTheSelectionKept) {
    ControlWindow w;
    HWND list = CreateOwnerDrawnList(w.window, 62, {8, 8, 200, 100}, 16, w.font.Handle(), true);
    ASSERT_TRUE(HasRowTexts(list));
    const auto rowTexts = [list] {
        std::vector<std::string> rows;
        for (int i = 0; i < RowCount(list); ++i) {
            wchar_t text[32] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            rows.push_back(Utf8FromWide(text));
        }
        return rows;
    };
    SetRowTexts(list, 3, [](int row) { return "Zeile " + std::to_string(row); });
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SetRowTexts(list, 2, [](int row) { return "Neu " + std::to_string(row); });
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"Neu 0", "Neu 1"}));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_FALSE(
        HasRowTexts(CreateOwnerDrawnList(w.window, 63, {8, 120, 200, 50}, 16, w.font.Handle())));
}

TEST(SingleColumnListTest, AVirtualListAsksForItsTextsAndSelectsOneRow) {
    ControlWindow w;
    const std::vector<std::string> rows{"Eins", "Zwei", "Drei"};
    HWND list = CreateSingleColumnList(w.window, 30, {8, 8, 200, 100}, w.font.Handle(), true);
    w.onMessage = [&](UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_NOTIFY &&
            AnswerRowText(lParam, [&](int row) { return rows.at(static_cast<std::size_t>(row)); }))
            return 0;
        return std::nullopt;
    };
    SetListViewRowCount(list, 3);
    EXPECT_EQ(ListViewRowCount(list), 3);

    wchar_t text[32] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(list, LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(Utf8FromWide(text), "Zwei");

    SelectListViewRow(list, 2);
    SelectListViewRow(list, 0);
    EXPECT_EQ(SelectedListViewRow(list), 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    SelectListViewRow(list, -1);
    EXPECT_EQ(SelectedListViewRow(list), -1);
    // One column, no header.
    EXPECT_NE(GetWindowLongW(list, GWL_STYLE) & LVS_NOCOLUMNHEADER, 0);
    EXPECT_EQ(SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)),
                           HDM_GETITEMCOUNT, 0, 0),
              1);
}

TEST(DropDownListTest, KeepsTheOrderItsItemsCameIn) {
    ControlWindow w;
    HWND list = CreateDropDownList(w.window, 40, {8, 8, 150, 120}, w.font.Handle());
    SetDropDownItems(list, {"Zug", "Auto", "Fahrrad"});
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    wchar_t first[16] = {};
    SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_EQ(Utf8FromWide(first), "Zug");
}

TEST(PopupMenuTest, ShowsTheItemsWithTheirRadioMarkAndGivesTheChosenOne) {
    ControlWindow w;
    const std::vector<MenuItem> items{{"Berge", false}, {"Meer", true}, {"Stadt", false}};
    bool markShown = false;
    testing::WhileModal([&markShown] {
        HWND menuWindow = testing::ShownMenu();
        if (menuWindow == nullptr)
            return false;
        auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfoW(menu, 1, TRUE, &item);
        markShown = GetMenuItemCount(menu) == 3 && (item.fType & MFT_RADIOCHECK) != 0 &&
                    (item.fState & MFS_CHECKED) != 0;
        return true;
    });
    testing::ChooseMenuItem(2, items.size());
    EXPECT_EQ(ShowPopupMenu(w.window, POINT{100, 100}, items), std::optional<std::size_t>(2));
    EXPECT_TRUE(markShown);

    testing::ChooseMenuItem(items.size(), items.size());
    EXPECT_EQ(ShowPopupMenu(w.window, POINT{100, 100}, items), std::nullopt);
    EXPECT_TRUE(testing::ModalStepsDone());
}

// A painted area runs its painter for the screen and for PrintWindow alike; here it paints the
// info banner's gradient, one colour per column.
TEST(PaintAreaTest, PaintsTheBannerGradientColumnByColumn) {
    ControlWindow w;
    const Painter painter = [](HDC dc, const RECT& client) {
        PaintBannerGradient(dc, client.right, client.bottom);
    };
    HWND banner = CreatePaintArea(w.window, 50, {0, 0, 435, 65}, painter);
    w.loop.RunUntilIdle();
    const Capture capture = CaptureClient(banner);
    ASSERT_EQ(capture.width, 435);
    for (int x : {0, 1, 100, BannerWhiteColumn(435), 400, 434}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(capture.At(x, 0), BannerGradientColor(x, 435));
        EXPECT_EQ(capture.At(x, 64), BannerGradientColor(x, 435));
    }
    EXPECT_EQ(capture.At(BannerWhiteColumn(435), 30), Rgb(255, 255, 255));
}

// A diagram bar of a negative result runs left of its zero line.
TEST(DiagramRowPaintingTest, ABarLeftOfTheZeroLineIsDrawnFromItsEndToTheLine) {
    DiagramRow row;
    row.draw = true;
    row.bar = DiagramBar{200, 150, 1, 15, Rgb(255, 0, 0)};
    const Capture capture = testing::PaintedBy(300, 16, [&row](HDC dc) {
        const RECT all{0, 0, 300, 16};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PaintDiagramRow(dc, row);
    });
    EXPECT_EQ(capture.At(149, 8), Rgb(255, 255, 255));
    EXPECT_EQ(capture.At(150, 8), Rgb(0, 0, 0));
    EXPECT_EQ(capture.At(175, 8), Rgb(255, 0, 0));
    EXPECT_EQ(capture.At(199, 8), Rgb(0, 0, 0));
    EXPECT_EQ(capture.At(200, 8), Rgb(255, 255, 255));
    EXPECT_EQ(capture.At(175, 1), Rgb(0, 0, 0));
    EXPECT_EQ(capture.At(175, 15), Rgb(255, 255, 255));
}

}  // namespace
}  // namespace rangwerk::win32
