#include "ui/win32/paint_area.h"

#include "ui/win32/window_class.h"

namespace rangwerk::win32 {

namespace {

constexpr const wchar_t* kPaintAreaClass = L"RangwerkPaintArea";

void Paint(HWND area, HDC dc) {
    const auto* painter = reinterpret_cast<const Painter*>(GetWindowLongPtrW(area, GWLP_USERDATA));
    if (painter == nullptr || !*painter)
        return;
    RECT client{};
    GetClientRect(area, &client);
    (*painter)(dc, client);
}

LRESULT CALLBACK PaintAreaProcedure(HWND area, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(area, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_ERASEBKGND:
            return 1;  // the painter covers the whole area
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(area, &paint);
            Paint(area, dc);
            EndPaint(area, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(area, reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(area, message, wParam, lParam);
}

}  // namespace

HWND CreatePaintArea(HWND parent, int id, const ControlPlace& place, const Painter& painter) {
    RegisterWindowClass(kPaintAreaClass, PaintAreaProcedure, nullptr);
    return CreateWindowExW(0, kPaintAreaClass, L"", WS_CHILD | WS_VISIBLE, place.left, place.top,
                           place.width, place.height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), const_cast<Painter*>(&painter));
}

}  // namespace rangwerk::win32
