#include "ui/win32/message_loop.h"

#include <algorithm>

namespace rangwerk::win32 {

void MessageLoop::AddDialogWindow(HWND window) {
    if (std::find(dialogWindows_.begin(), dialogWindows_.end(), window) == dialogWindows_.end())
        dialogWindows_.push_back(window);
}

void MessageLoop::RemoveDialogWindow(HWND window) {
    dialogWindows_.erase(std::remove(dialogWindows_.begin(), dialogWindows_.end(), window),
                         dialogWindows_.end());
}

void MessageLoop::Handle(MSG& message) {
    if (filter_ && filter_(message))
        return;
    // A key for a control that no longer shows (a key typed ahead while the page changed) has
    // no receiver: it is dropped. The dialog manager would look for an access key from that
    // control on, and Wine's never ends when the control's page is hidden.
    if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST &&
        message.hwnd != nullptr && !IsWindowVisible(message.hwnd)) {
        return;
    }
    // A copy: a handler may add or remove a window.
    const std::vector<HWND> windows = dialogWindows_;
    for (HWND window : windows) {
        if (IsWindow(window) && IsDialogMessageW(window, &message))
            return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int MessageLoop::Run() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) Handle(message);
    return static_cast<int>(message.wParam);
}

bool MessageLoop::RunWhile(const std::function<bool()>& running) {
    MSG message{};
    while (running()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            PostQuitMessage(got == 0 ? static_cast<int>(message.wParam) : 0);
            return false;
        }
        Handle(message);
    }
    return true;
}

bool MessageLoop::RunUntilIdle() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return true;
        }
        Handle(message);
    }
    return false;
}

}  // namespace rangwerk::win32
