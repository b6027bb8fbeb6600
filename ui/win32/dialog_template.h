#pragma once

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// A dialog template without controls, menu, class, title or font, for dialogs whose controls
// the program creates itself: the window's look comes from the styles, its caption and size are
// set after creation.
struct alignas(DWORD) EmptyDialogTemplate {
    explicit EmptyDialogTemplate(DWORD style) { header.style = style; }

    DLGTEMPLATE header{};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

}  // namespace rangwerk::win32
