#pragma once

#include <optional>
#include <string>

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// How a top-level window looks: its caption, the size of its client area in pixels and its
// frame. Every frame is fixed (the window cannot be resized or maximised) and has a system
// menu with a close box.
struct WindowFrame {
    enum class Border {
        Single,       // a single border with a minimise box (the main window)
        DialogFrame,  // a dialog frame with only the close box (tool windows, dialogs)
    };
    std::string caption;  // UTF-8
    int clientWidth = 0;
    int clientHeight = 0;
    Border border = Border::Single;
};

// The window side of a top-level window: every message of the window goes here first.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    // Returns the message's result, or nothing to leave the message to the dialog manager
    // (DefDlgProc), which moves the focus, keeps the default button (DM_SETDEFID), turns
    // Escape and the close box into IDCANCEL and paints the dialog colour.
    virtual std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) = 0;
};

// Creates a hidden top-level window with the frame: a modeless dialog made from a template in
// memory, so that the message loop's IsDialogMessage gives it the keyboard of a dialog. The
// client area has exactly the frame's size. The handler receives WM_INITDIALOG and every later
// message; it must outlive the window. `owner` (may be null) stays below the window and
// minimises with it.
HWND CreateTopLevelWindow(const WindowFrame& frame, WindowHandler& handler, HWND owner = nullptr);

// Sets the size of the client area, keeping the window's position.
void SetClientSize(HWND window, int width, int height);
// Moves the window to the middle of the work area of its monitor.
void CentreOnScreen(HWND window);
// Moves the window over the middle of `other`, kept inside the work area.
void CentreOver(HWND window, HWND other);

// The program's icon "MAINICON" in the system's large and small sizes, for the caption and the
// task bar. Icons loaded from the program's resources are shared and never freed.
void SetProgramIcon(HWND window);

}  // namespace rangwerk::win32
