#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Message boxes and file dialogs of the Windows program: the program's own message box (its
// German buttons on a Windows of any language) and the system's file dialogs.
class Win32Dialogs : public Dialogs {
public:
    using SoundPlayer = std::function<void(SystemSound)>;

    // `playSound` plays a request's sound before its box appears (MessageBeep by default).
    explicit Win32Dialogs(SoundPlayer playSound = {});

    // Boxes and dialogs are modal over `owner`; without one, over the thread's active window.
    void SetOwner(HWND owner) { owner_ = owner; }

    MessageButton ShowMessage(const MessageRequest& request) override;
    // The save dialog asks before it overwrites a file (OFN_OVERWRITEPROMPT); the open dialog
    // takes only an existing file in an existing folder. Both hide the read-only box, can be
    // resized, show the request's filter and add its default extension to a name without one,
    // and leave the process's current folder unchanged.
    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;

private:
    HWND Owner() const;
    std::optional<std::string> AskFileName(bool save, const FileDialogRequest& request);

    SoundPlayer playSound_;
    HWND owner_ = nullptr;
};

// A filter in the form "Description|pattern|..." as the file dialogs take it: each part ended
// by a NUL character and the list by a second one.
std::wstring Win32FileFilter(const std::string& filter);

}  // namespace rangwerk::win32
