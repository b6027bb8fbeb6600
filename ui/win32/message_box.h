#pragma once

#include "platform/dialogs.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Shows a message box of the program's own, modal over `owner` (may be null), and returns the
// button pressed. The system's MessageBox names its buttons in the language of the Windows
// it runs on; this box always shows the request's German buttons ("&Ja", "&Nein", "OK",
// "Abbrechen") in the request's order, with the request's caption, text and system icon, in
// the system's message font. Enter presses the request's default button (which has the
// focus), Escape and the close box give its escape button, and the access keys of the
// buttons press them. Plays no sound.
MessageButton ShowMessageBox(HWND owner, const MessageRequest& request);

// The identifier a button of the box has (for tests that find its buttons).
int MessageBoxButtonId(std::size_t index);

}  // namespace rangwerk::win32
