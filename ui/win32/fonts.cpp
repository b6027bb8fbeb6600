#include "ui/win32/fonts.h"

#include <utility>

namespace rangwerk::win32 {

FontSpec WindowFont() {
    return {L"Arial", 11};
}

FontSpec HeadlineFont() {
    FontSpec spec{L"Arial", 13};
    spec.bold = true;
    return spec;
}

FontSpec ImageButtonFont() {
    FontSpec spec = WindowFont();
    spec.bold = true;
    return spec;
}

FontSpec SymbolFont() {
    return {L"Webdings", 19};
}

FontSpec InfoFont() {
    return {L"MS Sans Serif", 0, 8};
}

FontSpec WizardFont() {
    return {L"Verdana", 11};
}

FontSpec WizardTitleFont() {
    FontSpec spec{L"Verdana", 19};
    spec.bold = true;
    return spec;
}

FontSpec WizardStepFont() {
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

Font MakeFont(const FontSpec& spec) {
    const int height = spec.pixels > 0 ? -spec.pixels : -MulDiv(spec.points, PixelsPerInch(), 72);
    return Font(CreateFontW(height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, spec.italic,
                            spec.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            spec.face.c_str()));
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

FontSpec MessageFontSpec() {
    const LOGFONTW log = MessageLogFont();
    FontSpec spec;
    spec.face = log.lfFaceName;
    spec.pixels = log.lfHeight < 0 ? -log.lfHeight : log.lfHeight;
    spec.bold = log.lfWeight >= FW_BOLD;
    spec.italic = log.lfItalic != 0;
    spec.underline = log.lfUnderline != 0;
    return spec;
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
