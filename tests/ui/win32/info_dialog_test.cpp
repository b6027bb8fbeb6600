#include "ui/win32/info_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "base/wide_text.h"
#include "drawing/info_banner.h"
#include "support/scripted_dialogs.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/message_loop.h"

namespace rangwerk::win32 {
namespace {

using namespace info;
using testing::Capture;
using testing::SystemColor;

constexpr int kBannerWidth = 435;
constexpr int kBannerHeight = 65;
constexpr COLORREF kIconColor = RGB(200, 30, 120);

class NoHandler : public WindowHandler {
public:
    std::optional<LRESULT> HandleMessage(HWND, UINT, WPARAM, LPARAM) override {
        return std::nullopt;
    }
};

class RecordingOpener : public AddressOpener {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

// An icon of 32 x 32 pixels in one colour.
HICON SolidIcon(COLORREF color) {
    std::vector<std::uint32_t> pixels(32 * 32, 0xFF000000u | (GetRValue(color) << 16) |
                                                   (GetGValue(color) << 8) | GetBValue(color));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = CreateBitmap(32, 32, 1, 32, pixels.data());
    const std::vector<std::uint8_t> opaque(32 * 32 / 8, 0);
    info.hbmMask = CreateBitmap(32, 32, 1, 1, opaque.data());
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return icon;
}

// The pixels of a bitmap, top row first.
std::vector<Color> PixelsOf(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(width * height));
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), raw.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    std::vector<Color> pixels;
    for (std::uint32_t p : raw) pixels.push_back(Rgb((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return pixels;
}

// Whether a label's text is drawn in `color`, however GDI smooths the glyphs: every pixel is
// the background (the most frequent colour) or lies channel by channel between it and `color`,
// and some pixels are drawn.
bool DrawnInColor(HWND label, Color color) {
    const Capture drawn = testing::CaptureClient(label);
    std::map<Color, int> counts;
    for (Color pixel : drawn.pixels) ++counts[pixel];
    const Color background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    const auto between = [](std::uint32_t value, std::uint32_t from, std::uint32_t to) {
        return value + 2 >= std::min(from, to) && value <= std::max(from, to) + 2;
    };
    int inked = 0;
    for (const auto& [pixel, count] : counts) {
        if (pixel == background)
            continue;
        if (!between(RedOf(pixel), RedOf(background), RedOf(color)) ||
            !between(GreenOf(pixel), GreenOf(background), GreenOf(color)) ||
            !between(BlueOf(pixel), BlueOf(background), BlueOf(color)))
            return false;
        inked += count;
    }
    return inked > 0;
}

RECT PlaceIn(HWND control, HWND parent) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class InfoDialogTest : public ::testing::Test {
protected:
    InfoDialogTest() {
        owner =
            CreateTopLevelWindow({"Rangwerk", 420, 361, WindowFrame::Border::Single}, noHandler);
        ShowWindow(owner, SW_SHOW);
        info = std::make_unique<TInfo>(model, dialogs, icon, owner);
        info->MakeWindow();
        loop.AddDialogWindow(info->Window());
    }
    ~InfoDialogTest() override {
        info.reset();
        DestroyWindow(owner);
        DestroyIcon(icon);
    }
    void TearDown() override { EXPECT_TRUE(dialogs.messages.empty()); }

    HWND C(info::Control id) const { return info->Control(id); }
    // The dialog on the screen without its modal loop, for the tests of what it shows.
    void ShowModeless() {
        model.SetValues("Rangwerk", "2004");
        ShowWindow(info->Window(), SW_SHOW);
        loop.RunUntilIdle();
    }
    bool Underlined(HWND label) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        return font.lfUnderline != 0;
    }
    void MoveCursorOver(HWND window, int x, int y) {
        POINT point{x, y};
        ClientToScreen(window, &point);
        SetCursorPos(point.x, point.y);
    }

    NoHandler noHandler;
    HWND owner = nullptr;
    HICON icon = SolidIcon(kIconColor);
    rangwerk::testing::ScriptedDialogs dialogs;
    RecordingOpener opener;
    std::string version = "1.0.0.0";
    InfoModel model{opener, [this] { return version; }};
    std::unique_ptr<TInfo> info;
    MessageLoop loop;
};

TEST_F(InfoDialogTest, LaysOutItsControlsWithTheirFonts) {
    RECT client{};
    GetClientRect(info->Window(), &client);
    EXPECT_EQ(client.right, 435);
    EXPECT_EQ(client.bottom, 132);
    EXPECT_EQ(info->FontPoints(), 8);
    model.SetValues("Rangwerk", "2004");
    EXPECT_EQ(TextOf(info->Window()), "Info über Rangwerk");

    const RECT banner = PlaceIn(C(LogoPB), info->Window());
    EXPECT_EQ(banner.left, 0);
    EXPECT_EQ(banner.top, 0);
    EXPECT_EQ(banner.right, kBannerWidth);
    EXPECT_EQ(banner.bottom, kBannerHeight);
    // The labels size themselves to their text and keep their right edges.
    const Font labelFont = MakeFont(InfoFont());
    HDC dc = CreateCompatibleDC(nullptr);
    SelectedFont selected(dc, labelFont.Handle());
    for (const auto& [id, right, top] :
         {std::tuple{InfoLbl, 430, 69}, std::tuple{EMailLbl, 432, 100},
          std::tuple{URLLbl, 432, 113}}) {
        SCOPED_TRACE(id);
        const RECT place = PlaceIn(C(id), info->Window());
        EXPECT_EQ(place.right, right);
        EXPECT_EQ(place.top, top);
        EXPECT_EQ(place.right - place.left, MeasureWith(dc)(TextOf(C(id))));
        EXPECT_FALSE(TextOf(C(id)).empty());
        EXPECT_EQ(testing::ChosenFaceOf(C(id)), L"MS Sans Serif");
    }
    DeleteDC(dc);
    EXPECT_EQ(TextOf(C(InfoLbl)), model.Screen().developerLine);
    EXPECT_EQ(TextOf(C(URLLbl)), model.Screen().urlText);
    const RECT ok = PlaceIn(C(OK), info->Window());
    EXPECT_EQ(ok.left, 177);
    EXPECT_EQ(ok.top, 101);
    EXPECT_EQ(ok.right - ok.left, 81);
    EXPECT_EQ(ok.bottom - ok.top, 25);
    EXPECT_EQ(TextOf(C(OK)), "OK");
    EXPECT_EQ(LOWORD(SendMessageW(info->Window(), DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_EQ(testing::ChosenFaceOf(C(OK)), L"MS Sans Serif");

    ShowModeless();
    EXPECT_EQ(testing::CaptureClient(info->Window()).At(20, 90), SystemColor(COLOR_BTNFACE));
    EXPECT_TRUE(DrawnInColor(C(InfoLbl), SystemColor(COLOR_WINDOWTEXT)));

    // The message-font rule: "OK" takes the face, the labels keep theirs.
    info->SetFontFace("DejaVu Sans");
    EXPECT_EQ(testing::ChosenFaceOf(C(OK)), L"DejaVu Sans");
    EXPECT_EQ(testing::ChosenFaceOf(C(EMailLbl)), L"MS Sans Serif");
}

// The window comes when the dialog is first shown, with the values and the face it was given
// before.
TEST_F(InfoDialogTest, MadeLaterTheWindowShowsWhatItWasGivenBefore) {
    info.reset();
    info = std::make_unique<TInfo>(model, dialogs, icon, owner);
    EXPECT_EQ(info->Window(), nullptr);
    model.SetValues("Rangwerk", "2004");
    info->SetFontFace("Tahoma");
    info->MakeWindow();
    ASSERT_NE(info->Window(), nullptr);
    EXPECT_EQ(TextOf(info->Window()), "Info über Rangwerk");
    const Font tahoma = MakeFont({L"Tahoma", 0, 8});
    EXPECT_EQ(testing::ChosenFaceOf(C(OK)), ChosenFace(tahoma.Handle()));
    EXPECT_FALSE(IsWindowVisible(info->Window()));
}

TEST_F(InfoDialogTest, ShowInfoIsModalOverTheDisabledOwnerUntilOkEnterEscapeOrTheCloseBox) {
    using Close = std::function<void(HWND dialog)>;
    const std::vector<Close> closes{
        [this](HWND) { testing::PostKey(C(OK), VK_RETURN); },
        [this](HWND) { testing::PostKey(C(OK), VK_ESCAPE); },
        [this](HWND) { testing::PostClick(C(OK), 5, 5); },
        [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (std::size_t i = 0; i < closes.size(); ++i) {
        SCOPED_TRACE(i);
        bool seen = false;
        const DWORD start = GetTickCount();
        testing::WhileModal([&] {
            HWND dialog = testing::ShownDialog();
            // The X server's focus events of the dialog shown before may still come in.
            if (dialog != info->Window() || (GetFocus() != C(OK) && GetTickCount() - start < 1000))
                return false;
            seen = true;
            EXPECT_FALSE(IsWindowEnabled(owner));
            EXPECT_EQ(GetFocus(), C(OK));
            RECT work{}, bounds{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            GetWindowRect(dialog, &bounds);
            EXPECT_LE(std::abs((bounds.left + bounds.right) - (work.left + work.right)), 1);
            EXPECT_LE(std::abs((bounds.top + bounds.bottom) - (work.top + work.bottom)), 1);
            closes[i](dialog);
            return true;
        });
        model.ShowInfo("Rangwerk", "2004");
        EXPECT_TRUE(seen);
        EXPECT_TRUE(testing::ModalStepsDone());
        EXPECT_FALSE(IsWindowVisible(info->Window()));
        EXPECT_TRUE(IsWindowEnabled(owner));
        testing::RunUntil(
            loop, [&] { return GetActiveWindow() == owner; }, 1000);
    }
}

// The banner compared with what GDI draws itself: the gradient, the logo combined into it by
// its mask, the icon with its frame, and the three lines in the dialog's font.
TEST_F(InfoDialogTest, BannerShowsGradientLogoIconAndTextsReadAtEveryRepaint) {
    info->SetFontFace("DejaVu Sans");
    ShowModeless();
    const auto expectBanner = [&] {
        const Capture banner = testing::CaptureClient(C(LogoPB));
        ASSERT_EQ(banner.width, kBannerWidth);
        ASSERT_EQ(banner.height, kBannerHeight);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < kBannerWidth; ++x)
                ASSERT_EQ(banner.At(x, y), BannerGradientColor(x, kBannerWidth)) << x << "," << y;
        }
        // The logo on the white line, its rows below the banner cut off.
        BITMAP logo{};
        GetObjectW(info->Logo(), sizeof logo, &logo);
        ASSERT_EQ(logo.bmWidth, 142);
        const std::vector<Color> logoPixels = PixelsOf(info->Logo(), logo.bmWidth, logo.bmHeight);
        const int logoX = BannerWhiteColumn(kBannerWidth) - logo.bmWidth / 2;
        int black = 0;
        for (int ly = 0; 4 + ly < kBannerHeight; ++ly) {
            for (int lx = 0; lx < logo.bmWidth; ++lx) {
                const Color pixel = logoPixels[static_cast<std::size_t>(ly * logo.bmWidth + lx)];
                black += pixel == 0;
                const Color expected = CombineLogoPixel(
                    BannerGradientColor(logoX + lx, kBannerWidth), pixel, pixel == 0);
                ASSERT_EQ(banner.At(logoX + lx, 4 + ly), expected) << lx << "," << ly;
            }
        }
        EXPECT_GT(black, 0);
        // The icon at (8, 16), its frame one pixel round it in the dialog's colour.
        const Color face = SystemColor(COLOR_BTNFACE);
        const Color iconColor =
            Rgb(GetRValue(kIconColor), GetGValue(kIconColor), GetBValue(kIconColor));
        EXPECT_EQ(banner.At(20, 30), iconColor);
        EXPECT_EQ(banner.At(38, 46), iconColor);
        for (const auto& [x, y] :
             {std::pair{7, 30}, std::pair{39, 30}, std::pair{20, 15}, std::pair{20, 47}})
            EXPECT_EQ(banner.At(x, y), face) << x << "," << y;

        // The three lines as GDI draws them in the dialog's font, the title in bold.
        FontDescription regular = InfoFont();
        regular.face = L"DejaVu Sans";
        FontDescription bold = regular;
        bold.bold = true;
        const Font regularFont = MakeFont(regular);
        const Font boldFont = MakeFont(bold);
        const Capture texts = testing::PaintedBy(kBannerWidth, kBannerHeight, [&](HDC dc) {
            PaintBannerGradient(dc, kBannerWidth, kBannerHeight);
            BannerMetrics metrics{kBannerWidth, kBannerHeight, logo.bmWidth, 32, 32};
            {
                SelectedFont font(dc, boldFont.Handle());
                metrics.titleHeightBold = TextHeight(dc);
            }
            SelectedFont font(dc, regularFont.Handle());
            metrics.titleHeightRegular = metrics.periodHeight = TextHeight(dc);
            const BannerLayout layout = LayOutBanner(metrics);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawPlacedText(dc, {"Version: " + version, layout.textX}, layout.versionY, false);
            DrawPlacedText(dc, {"Entwicklungszeit: 2004", layout.textX}, layout.periodY, false);
            SelectedFont title(dc, boldFont.Handle());
            DrawPlacedText(dc, {"Rangwerk", layout.textX}, layout.titleY, false);
        });
        EXPECT_TRUE(testing::SamePixels(banner, texts, 41, 0, logoX, kBannerHeight));
    };
    expectBanner();
    version = "2.5.0.17";
    InvalidateRect(C(LogoPB), nullptr, FALSE);
    loop.RunUntilIdle();
    expectBanner();
}

TEST_F(InfoDialogTest, LinksAreUnderlinedUnderTheMouseRedWhilePressedAndOpenOnAClick) {
    ShowModeless();
    HWND email = C(EMailLbl);
    HWND url = C(URLLbl);
    const Color blue = Rgb(0, 0, 255);
    const Color red = Rgb(255, 0, 0);
    EXPECT_TRUE(DrawnInColor(email, blue));
    EXPECT_FALSE(Underlined(email));

    MoveCursorOver(email, 3, 3);
    EXPECT_TRUE(testing::RunUntil(loop, [&] { return Underlined(email); }));
    EXPECT_FALSE(Underlined(url));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    MoveCursorOver(info->Window(), 20, 90);
    EXPECT_TRUE(testing::RunUntil(loop, [&] { return !Underlined(email); }));

    // A left click opens the address; the colour is red from the press to the release.
    PostMessageW(email, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    loop.RunUntilIdle();
    EXPECT_TRUE(DrawnInColor(email, red));
    EXPECT_TRUE(opener.opened.empty());
    PostMessageW(email, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    loop.RunUntilIdle();
    EXPECT_TRUE(DrawnInColor(email, blue));
    EXPECT_EQ(opener.opened, std::vector<std::string>{"mailto:" + model.Screen().emailText});

    // Released outside the link, or with another button: nothing opens.
    PostMessageW(url, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageW(url, WM_LBUTTONUP, 0, MAKELPARAM(-30, 3));
    PostMessageW(url, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    loop.RunUntilIdle();
    EXPECT_TRUE(DrawnInColor(url, red));
    PostMessageW(url, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
    loop.RunUntilIdle();
    EXPECT_TRUE(DrawnInColor(url, blue));
    EXPECT_EQ(opener.opened.size(), 1u);
    PostMessageW(url, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageW(url, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    loop.RunUntilIdle();
    EXPECT_EQ(opener.opened.back(), model.Screen().urlText);
}

}  // namespace
}  // namespace rangwerk::win32
