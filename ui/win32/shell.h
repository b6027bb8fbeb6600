#pragma once

#include <string>

#include "platform/dialogs.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Asks the shell to "open" a target (a web address, "mailto:..." or a file), shown normally,
// with `owner` as the parent of anything the shell shows. Returns whether the shell started
// something.
bool ShellOpen(HWND owner, const std::string& target);

// The system sound of a message kind (MessageBeep): the exclamation or the question sound.
// Nothing for SystemSound::None.
void PlaySystemSound(SystemSound sound);

}  // namespace rangwerk::win32
