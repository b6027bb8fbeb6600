#include "app/windows_placeholder_start.h"

#include <optional>

#include "platform/dialogs.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/top_level_window.h"

namespace rangwerk {

namespace {

class EmptyMainWindow : public win32::WindowHandler {
public:
    std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM, LPARAM) override {
        switch (message) {
            case WM_CLOSE:
                DestroyWindow(window);
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
            default:
                return std::nullopt;
        }
    }
};

}  // namespace

int RunPlaceholderStart(const WindowsProgramStart& /*start: read by the start order*/) {
    EmptyMainWindow handler;
    HWND window = win32::CreateTopLevelWindow(
        {kApplicationTitle, 420, 361, win32::WindowFrame::Border::Single}, handler);
    if (window == nullptr)
        return 0;
    win32::SetProgramIcon(window);
    win32::CentreOnScreen(window);
    ShowWindow(window, SW_SHOWNORMAL);
    win32::MessageLoop loop;
    loop.AddDialogWindow(window);
    loop.Run();
    return 0;
}

}  // namespace rangwerk
