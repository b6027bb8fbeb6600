#include <gtest/gtest.h>

#include <string>

#include "base/wide_text.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/gdi_painting.h"

namespace rangwerk::win32 {
namespace {

int WidthOf(const Font& font, const std::string& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectedFont selected(dc, font.Handle());
    const int width = MeasureWith(dc)(text);
    DeleteDC(dc);
    return width;
}

TEXTMETRICW MetricsOf(const Font& font) {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectedFont selected(dc, font.Handle());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    DeleteDC(dc);
    return metrics;
}

// Wine has none of the faces the windows are laid out for; the test stage's prefix replaces
// them with free faces of the same metrics (or near them), and GDI then reports the face the
// window asked for.
TEST(FontsTest, TheWindowsFacesAreFoundWithTheirReplacements) {
    struct Case {
        FontDescription description;
        const wchar_t* replacement;
    };
    for (const Case& c :
         {Case{WindowFont(), L"Liberation Sans"}, Case{WizardFont(), L"DejaVu Sans"},
          Case{InfoFont(), L"Liberation Sans"}}) {
        SCOPED_TRACE(Utf8FromWide(c.description.face));
        const Font font = MakeFont(c.description);
        EXPECT_EQ(ChosenFace(font.Handle()), c.description.face);
        FontDescription replacement = c.description;
        replacement.face = c.replacement;
        EXPECT_EQ(WidthOf(font, "Rangwerk-Dateien"),
                  WidthOf(MakeFont(replacement), "Rangwerk-Dateien"));
    }
}

TEST(FontsTest, AControlShowsTheFontItIsGiven) {
    HWND button = CreateWindowExW(0, WC_BUTTONW, L"OK", WS_POPUP, 0, 0, 75, 25, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    const Font font = MakeFont(HeadlineFont());
    SetFont(button, font.Handle());
    EXPECT_EQ(testing::ChosenFaceOf(button), L"Arial");
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), font.Handle());
    DestroyWindow(button);
}

// "11 pixels high" is the height of the characters without the internal leading, and 8 points
// are as much on a screen of 96 pixels per inch.
TEST(FontsTest, HeightsAreCharacterHeights) {
    const TEXTMETRICW window = MetricsOf(MakeFont(WindowFont()));
    EXPECT_EQ(window.tmHeight - window.tmInternalLeading, 11);
    const TEXTMETRICW headline = MetricsOf(MakeFont(HeadlineFont()));
    EXPECT_EQ(headline.tmHeight - headline.tmInternalLeading, 13);
    EXPECT_GE(headline.tmWeight, FW_BOLD);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const TEXTMETRICW info = MetricsOf(MakeFont(InfoFont()));
    EXPECT_EQ(info.tmHeight - info.tmInternalLeading, MulDiv(8, dpi, 72));
}

}  // namespace
}  // namespace rangwerk::win32
