#pragma once

#include <functional>

#include "ui/win32/controls.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Paints a window's client area into `dc`; `client` is the client rectangle.
using Painter = std::function<void(HDC dc, const RECT& client)>;

// A child window that the program paints: the painter runs at every WM_PAINT and for
// WM_PRINTCLIENT (so PrintWindow captures it). It takes no focus. `painter` must outlive the
// window.
HWND CreatePaintArea(HWND parent, int id, const ControlPlace& place, const Painter& painter);

}  // namespace rangwerk::win32
