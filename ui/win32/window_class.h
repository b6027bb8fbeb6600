#pragma once

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Registers a window class of this program (once; a second call for the same name does
// nothing) with the arrow cursor and the given background brush (null: the window paints its
// background itself). Returns false only when the class can be neither registered nor found.
bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background);

// The brush of a system colour, for RegisterWindowClass (COLOR_BTNFACE: the dialog colour).
HBRUSH SystemColourBrush(int systemColour);

}  // namespace rangwerk::win32
