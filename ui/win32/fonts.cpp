#include "ui/win32/fonts.h"

#include <utility>

namespace rangwerk::win32 {

FontDescription WindowFont() {
    return {L"Arial", 11};
}

FontDescription HeadlineFont() {
    FontDescription font{L"Arial", 13};
    font.bold = true;
    return font;
}

FontDescription ImageButtonFont() {
    FontDescription font = WindowFont();
    font.bold = true;
    return font;
}

FontDescription InfoFont() {
    return {L"MS Sans Serif", 0, 8};
}

FontDescription WizardFont() {
    return {L"Verdana", 11};
}

FontDescription WizardTitleFont() {
    FontDescription font{L"Verdana", 19};
    font.bold = true;
    return font;
}

FontDescription WizardStepFont() {
    return {L"Verdana", 0, 10};
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        Reset();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void Font::Reset() {
    if (handle_ != nullptr)
        DeleteObject(handle_);
    handle_ = nullptr;
}

namespace {

int PixelsPerInch() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

Font MakeFont(const FontDescription& description) {
    const int height = description.pixels > 0 ? -description.pixels
                                              : -MulDiv(description.points, PixelsPerInch(), 72);
    return Font(CreateFontW(height, 0, 0, 0, description.bold ? FW_BOLD : FW_NORMAL,
                            description.italic, description.underline, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, description.face.c_str()));
}

namespace {

LOGFONTW MessageLogFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        // Without the metrics, the font GDI uses for message boxes.
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTW), &metrics.lfMessageFont);
    }
    return metrics.lfMessageFont;
}

}  // namespace

FontDescription MessageFontDescription() {
    const LOGFONTW log = MessageLogFont();
    FontDescription font;
    font.face = log.lfFaceName;
    font.pixels = log.lfHeight < 0 ? -log.lfHeight : log.lfHeight;
    font.bold = log.lfWeight >= FW_BOLD;
    font.italic = log.lfItalic != 0;
    font.underline = log.lfUnderline != 0;
    return font;
}

Font MakeMessageFont() {
    const LOGFONTW log = MessageLogFont();
    return Font(CreateFontIndirectW(&log));
}

std::wstring ChosenFace(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    DeleteDC(dc);
    return face;
}

void SetFont(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace rangwerk::win32
