#include "ui/win32/top_level_window.h"

#include <algorithm>

#include "base/wide_text.h"
#include "ui/win32/dialog_template.h"

namespace rangwerk::win32 {

namespace {

// Messages whose result a dialog procedure returns itself instead of in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK TopLevelWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* handler = reinterpret_cast<WindowHandler*>(GetWindowLongPtrW(window, DWLP_USER));
    if (handler == nullptr)
        return FALSE;
    const std::optional<LRESULT> result = handler->HandleMessage(window, message, wParam, lParam);
    if (!result) {
        // Left to the dialog manager; for WM_INITDIALOG that means the focus goes to the first
        // control with a tab stop.
        return message == WM_INITDIALOG ? TRUE : FALSE;
    }
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(*result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, *result);
    return TRUE;
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// Moves the window so that its middle lies at (x, y), kept inside the work area.
void MoveMiddleTo(HWND window, int x, int y) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const RECT work = WorkAreaOf(window);
    const int left = std::max(static_cast<int>(work.left),
                              std::min(x - width / 2, static_cast<int>(work.right) - width));
    const int top = std::max(static_cast<int>(work.top),
                             std::min(y - height / 2, static_cast<int>(work.bottom) - height));
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

HWND CreateTopLevelWindow(const WindowFrame& frame, WindowHandler& handler, HWND owner) {
    const DWORD border =
        frame.border == WindowFrame::Border::Single ? WS_MINIMIZEBOX : DS_MODALFRAME;
    EmptyDialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | border);
    HWND window =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner,
                                   TopLevelWindowProcedure, reinterpret_cast<LPARAM>(&handler));
    if (window == nullptr)
        return nullptr;
    SetWindowTextW(window, WideFromUtf8(frame.caption).c_str());
    SetClientSize(window, frame.clientWidth, frame.clientHeight);
    return window;
}

void SetClientSize(HWND window, int width, int height) {
    RECT bounds{0, 0, width, height};
    AdjustWindowRectEx(&bounds, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOnScreen(HWND window) {
    const RECT work = WorkAreaOf(window);
    MoveMiddleTo(window, (work.left + work.right) / 2, (work.top + work.bottom) / 2);
}

void CentreOver(HWND window, HWND other) {
    RECT bounds{};
    GetWindowRect(other, &bounds);
    MoveMiddleTo(window, (bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
}

void SetProgramIcon(HWND window) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto load = [instance](int widthMetric, int heightMetric) {
        return reinterpret_cast<LPARAM>(LoadImageW(instance, L"MAINICON", IMAGE_ICON,
                                                   GetSystemMetrics(widthMetric),
                                                   GetSystemMetrics(heightMetric), LR_SHARED));
    };
    SendMessageW(window, WM_SETICON, ICON_BIG, load(SM_CXICON, SM_CYICON));
    SendMessageW(window, WM_SETICON, ICON_SMALL, load(SM_CXSMICON, SM_CYSMICON));
}

}  // namespace rangwerk::win32
