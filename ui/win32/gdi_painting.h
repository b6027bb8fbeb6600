#pragma once

#include <functional>
#include <string>

#include "base/geometry.h"
#include "drawing/diagram_row.h"
#include "drawing/drawing.h"
#include "drawing/ranking_row.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// GDI painting of what the drawing layouts lay out. Texts are drawn with the font, text colour
// and background colour selected into the device context.

COLORREF ColorRefOf(Color color);
RECT WinRect(const Rect& rect);
Rect LayoutRect(const RECT& rect);

// The width of a text in the font selected into `dc` (GetTextExtentPoint32W), as the layouts
// measure it. The device context must outlive the function.
MeasureText MeasureWith(HDC dc);
// The height of the text "T" in the font selected into `dc`: the line height the layouts take.
int TextHeight(HDC dc);

// Selects a font into a device context for the lifetime of the object.
class SelectedFont {
public:
    SelectedFont(HDC dc, HFONT font) : dc_(dc), old_(SelectObject(dc, font)) {}
    ~SelectedFont() { SelectObject(dc_, old_); }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A text whose top left corner is (text.x, y): with the background colour behind it
// (`opaque`) or over what is there.
void DrawPlacedText(HDC dc, const PlacedText& text, int y, bool opaque);
void FillWithColor(HDC dc, const Rect& rect, Color color);
// A rectangle with a 1-pixel black outline filled with `fill`; right and bottom exclusive.
// Nothing is drawn when it has no width or no height.
void DrawOutlinedBar(HDC dc, const Rect& rect, Color fill);
// A one-pixel frame along the inside of the rectangle.
void DrawFrame(HDC dc, const Rect& rect, Color color);

// A ranking row over its background: the rank number and the name with the background colour,
// the bar, then the score over the bar.
void PaintRankingRow(HDC dc, const RankingRowLayout& row);
// A diagram row over its background: rank and name, the bar, then the value over the bar.
void PaintDiagramRow(HDC dc, const DiagramRow& row);
// The info banner's colour gradient: one column of one pixel for every x from 0 to width.
void PaintBannerGradient(HDC dc, int width, int height);

// One row of an owner-drawn list box (WM_DRAWITEM): fills the row with the list's colours
// (the selection colours when it is selected), sets them as the text and background colours
// and calls `paintRow` with the row's rectangle, then draws the focus frame when the row has
// the focus. A notice that only the focus moved (ODA_FOCUS) toggles the frame alone.
void PaintListRow(const DRAWITEMSTRUCT& item,
                  const std::function<void(HDC dc, const Rect& row)>& paintRow);

}  // namespace rangwerk::win32
