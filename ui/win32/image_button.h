#pragma once

#include <string>

#include "ui/win32/controls.h"
#include "ui/win32/paint_area.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// A button that shows a picture, with its caption under the picture when it has one, and that
// never takes the keyboard focus: a click, or its access key, presses it without moving the
// focus away from the control that has it. Pressing sends the parent WM_COMMAND with BN_CLICKED,
// as a push button does. The dialog manager finds its access key as for any button
// (DLGC_BUTTON) and presses it with BM_CLICK. `picture` paints the picture into the rectangle
// it is given (pictureWidth × pictureHeight, shifted by a pixel while the button is held down)
// and must outlive the button. The caption is drawn in the font given with WM_SETFONT.
HWND CreateImageButton(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                       HFONT font, const Painter& picture, int pictureWidth, int pictureHeight);

// A push button (with a tab stop) that shows a small black triangle pointing down instead of a
// caption: the window draws it on WM_DRAWITEM with DrawArrowButton. The program draws the
// triangle itself rather than take it from a symbol font, which not every system has.
HWND CreateArrowButton(HWND parent, int id, const ControlPlace& place, HFONT font);

// Draws an arrow button for WM_DRAWITEM: the push button in the system's look (its visual style
// where one is active), pressed while it is held down, the triangle in its middle (grey while
// the button is disabled) and the focus frame while it has the focus.
void DrawArrowButton(const DRAWITEMSTRUCT& item);

// The corners of the triangle of an arrow button whose client area is `client`: 11 pixels
// wide at its top edge, 6 pixels high, its point down, centred.
struct ArrowTriangle {
    POINT corners[3];
};
ArrowTriangle ArrowTriangleOf(const RECT& client);

}  // namespace rangwerk::win32
