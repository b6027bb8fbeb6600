#pragma once

#include <functional>
#include <string>

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// The rows of an owner-drawn list box that holds no data of its own (LBS_NODATA) carry texts for
// a screen reader: while one runs, the list answers LB_GETTEXTLEN and LB_GETTEXT, which a screen
// reader asks for a row's name, with `rowText` of that row, made when asked. Without a screen
// reader the list answers as a list without texts. `rowText` is kept by the list until it is
// destroyed.
void GiveRowsSpokenTexts(HWND list, std::function<std::string(int row)> rowText);

// Tells a running screen reader, with one notice for the whole list, that the texts of the
// list's rows changed; nothing without one.
void TellRowTextsChanged(HWND list);

}  // namespace rangwerk::win32
