#pragma once

// Helpers for tests of Win32 windows, run in the test's own process (under Wine in the Windows
// stage). Input is posted into the thread's queue as the system would deliver it, and the
// program's own message loop handles it, so that IsDialogMessage, default buttons and access
// keys take part; a SendMessage to a control would bypass them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32::testing {

// A key pressed and released (WM_KEYDOWN, WM_KEYUP) at the window that has the focus.
void PostKey(HWND focus, UINT virtualKey);
// A letter pressed with Alt held (WM_SYSKEYDOWN, WM_SYSKEYUP), as for an access key; the loop's
// TranslateMessage makes the WM_SYSCHAR from it.
void PostAltKey(HWND focus, wchar_t letter);
// A typed character (WM_CHAR) alone.
void PostChar(HWND focus, wchar_t character);
// A left click at (x, y) of the window's client area.
void PostClick(HWND window, int x, int y);

// Runs `step` each time the thread waits in a message loop, until it returns true: for code
// that starts a modal loop of its own (a message box, a file dialog, a popup menu) and waits
// there for input. Gives up after `timeoutMs` milliseconds.
void WhileModal(std::function<bool()> step, int timeoutMs = 10000);
// True when every WhileModal step has finished.
bool ModalStepsDone();
// Chooses the item at `position` of the popup menu that the code under test opens next, with
// the arrow keys and Enter as a person would; `position` past the end closes it with Escape.
void ChooseMenuItem(std::size_t position, std::size_t itemCount);

// Runs the loop until `done` says so, also waiting for messages that come later (the mouse
// events of the X server, timers); false when `timeoutMs` milliseconds passed first.
bool RunUntil(MessageLoop& loop, const std::function<bool()>& done, int timeoutMs = 3000);

// The shown and enabled top-level dialog of this thread (the modal one: its owner is
// disabled), or null.
HWND ShownDialog();
// The shown popup menu window of this thread, or null.
HWND ShownMenu();
// The child windows of `window` of a window class ("Button", "Static"), in creation order.
std::vector<HWND> ChildrenOfClass(HWND window, const std::wstring& className);

// The face GDI chose for the font of a control (WM_GETFONT), read with GetTextFaceW.
std::wstring ChosenFaceOf(HWND control);

// A window's client area as pixels, drawn into a bitmap by the window itself (PrintWindow).
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;

    Color At(int x, int y) const {
        return pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x));
    }
    // Whether any pixel of the rectangle (right and bottom exclusive) differs from `color`.
    bool AnyPixelOtherThan(int left, int top, int right, int bottom, Color color) const;
};
Capture CaptureClient(HWND window);
// What `paint` draws into a bitmap of the size: the reference a capture is compared with.
Capture PaintedBy(int width, int height, const std::function<void(HDC dc)>& paint);
// Whether the rectangle (right and bottom exclusive) holds the same pixels in both.
bool SamePixels(const Capture& a, const Capture& b, int left, int top, int right, int bottom);

// The system colour as a layout colour.
Color SystemColor(int index);

}  // namespace rangwerk::win32::testing
