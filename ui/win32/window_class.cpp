#include "ui/win32/window_class.h"

namespace rangwerk::win32 {

bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, name, &existing))
        return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0;
}

HBRUSH SystemColourBrush(int systemColour) {
    // The documented form: the colour index plus one stands for its system brush.
    return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(systemColour + 1));
}

}  // namespace rangwerk::win32
