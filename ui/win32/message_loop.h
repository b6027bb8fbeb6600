#pragma once

#include <functional>
#include <vector>

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// The program's one message loop. Every message goes first to the filter (the windows take
// keys there that the dialog manager would otherwise use, such as the answer keys), then to
// IsDialogMessage of each dialog window (the main window and its modeless tool windows: Tab,
// Enter for the default button, Escape, access keys), and otherwise is translated and
// dispatched. A key for a window that does not show (a control of a page that was hidden after
// the key was typed) is dropped after the filter has seen it.
class MessageLoop {
public:
    // Returns true when it has used the message.
    using Filter = std::function<bool(MSG&)>;

    void AddDialogWindow(HWND window);
    void RemoveDialogWindow(HWND window);
    void SetFilter(Filter filter) { filter_ = std::move(filter); }

    // Runs until WM_QUIT and returns its exit code.
    int Run();
    // Runs while `running` says so, as the nested loop of a modal window; returns false when
    // WM_QUIT came (it is posted again for the outer loop).
    bool RunWhile(const std::function<bool()>& running);
    // Handles every message that is waiting, including those that handling them posts, then
    // returns; true when WM_QUIT came (it is posted again for the caller's loop).
    bool RunUntilIdle();

private:
    void Handle(MSG& message);

    std::vector<HWND> dialogWindows_;
    Filter filter_;
};

}  // namespace rangwerk::win32
