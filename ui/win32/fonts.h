#pragma once

#include <string>

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// What a font is made of: a face, a height and a style. A positive `pixels` is the height of
// the characters without the internal leading (a negative lfHeight), as window fonts are given
// ("Arial, 11 pixels high"); `points` is used instead when `pixels` is 0 and is converted with
// the screen's pixels per inch.
struct FontDescription {
    std::wstring face;
    int pixels = 0;
    int points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// The fonts the windows are laid out for.
FontDescription WindowFont();       // Arial, 11 pixels: the main and the combinations window
FontDescription HeadlineFont();     // Arial, 13 pixels, bold: the main window's headline
FontDescription ImageButtonFont();  // Arial, 11 pixels, bold: the labels beside the image buttons
FontDescription InfoFont();         // MS Sans Serif, 8 points: the info dialog and its labels
FontDescription WizardFont();       // Verdana, 11 pixels: the update wizard
FontDescription WizardTitleFont();  // Verdana, 19 pixels, bold: the update wizard's title panel
FontDescription WizardStepFont();   // Verdana, 10 points: the update wizard's step strip

// An owned GDI font, deleted with the object. Controls keep using the handle they were given,
// so a font lives as long as the window that shows it.
class Font {
public:
    Font() = default;
    explicit Font(HFONT handle) : handle_(handle) {}
    ~Font() { Reset(); }
    Font(Font&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    HFONT Handle() const { return handle_; }

private:
    void Reset();

    HFONT handle_ = nullptr;
};

// The font of the description, made with CreateFontW (named MakeFont: windows.h defines
// CreateFont as a macro).
Font MakeFont(const FontDescription& description);

// The system's message font, from SystemParametersInfoW(SPI_GETNONCLIENTMETRICS), as a
// description (its height in pixels) and as a font.
FontDescription MessageFontDescription();
Font MakeMessageFont();

// The face GDI actually chose for a font (GetTextFaceW), which differs from the requested one
// when the system has no such face.
std::wstring ChosenFace(HFONT font);

// Gives a window the font with WM_SETFONT and repaints it: Win32 controls do not take the font
// of their parent.
void SetFont(HWND window, HFONT font);

}  // namespace rangwerk::win32
