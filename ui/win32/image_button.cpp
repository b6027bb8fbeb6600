#include "ui/win32/image_button.h"

#include <uxtheme.h>
#include <vssym32.h>

#include "base/wide_text.h"
#include "ui/win32/fonts.h"
#include "ui/win32/window_class.h"

namespace rangwerk::win32 {

namespace {

constexpr const wchar_t* kImageButtonClass = L"RangwerkImageButton";

// What an image button keeps: its picture, its font and whether it is held down.
struct ImageButton {
    const Painter* picture = nullptr;
    int pictureWidth = 0;
    int pictureHeight = 0;
    HFONT font = nullptr;
    bool tracking = false;  // the left mouse button went down on it and is still down
    bool pressed = false;   // drawn pushed in: tracking with the mouse over the button
};

struct ImageButtonCreation {
    const Painter* picture;
    int pictureWidth;
    int pictureHeight;
};

ImageButton* StateOf(HWND button) {
    return reinterpret_cast<ImageButton*>(GetWindowLongPtrW(button, GWLP_USERDATA));
}

void Press(HWND button) {
    SendMessageW(GetParent(button), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(button)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool Inside(HWND button, LPARAM point) {
    RECT client{};
    GetClientRect(button, &client);
    const POINT p{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    return PtInRect(&client, p) != FALSE;
}

void PaintImageButton(HWND button, HDC dc) {
    const ImageButton* state = StateOf(button);
    RECT client{};
    GetClientRect(button, &client);
    const bool pressed = state != nullptr && state->pressed;
    RECT frame = client;
    DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    if (state == nullptr)
        return;
    const int shift = pressed ? 1 : 0;

    const int length = GetWindowTextLengthW(button);
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(GetWindowTextW(button, caption.data(), length + 1)));

    HGDIOBJ oldFont =
        SelectObject(dc, state->font != nullptr ? state->font : GetStockObject(DEFAULT_GUI_FONT));
    RECT captionArea{};
    if (!caption.empty()) {
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &captionArea,
                  DT_CALCRECT | DT_SINGLELINE);
    }
    const int captionHeight = caption.empty() ? 0 : captionArea.bottom - captionArea.top;
    const int gap = caption.empty() ? 0 : 2;
    const int contentHeight = state->pictureHeight + gap + captionHeight;
    const int top = (client.bottom - contentHeight) / 2 + shift;
    const int left = (client.right - state->pictureWidth) / 2 + shift;
    if (state->picture != nullptr && *state->picture) {
        const RECT picture{left, top, left + state->pictureWidth, top + state->pictureHeight};
        (*state->picture)(dc, picture);
    }
    if (!caption.empty()) {
        RECT text{client.left + shift, top + state->pictureHeight + gap, client.right + shift,
                  top + contentHeight};
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const bool enabled = IsWindowEnabled(button) != FALSE;
        const COLORREF oldColour =
            SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_CENTER | DT_SINGLELINE | DT_TOP);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK ImageButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    ImageButton* state = StateOf(button);
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            const auto* made = static_cast<const ImageButtonCreation*>(create->lpCreateParams);
            auto* fresh = new ImageButton;
            fresh->picture = made->picture;
            fresh->pictureWidth = made->pictureWidth;
            fresh->pictureHeight = made->pictureHeight;
            SetWindowLongPtrW(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fresh));
            break;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(button, GWLP_USERDATA, 0);
            delete state;
            break;
        case WM_GETDLGCODE:
            // A button for the dialog manager (its access key presses it with BM_CLICK), but no
            // push button: it never becomes the default button.
            return DLGC_BUTTON;
        case WM_SETFONT:
            if (state != nullptr)
                state->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam) != 0)
                InvalidateRect(button, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state != nullptr ? state->font : nullptr);
        case WM_SETTEXT:
        case WM_ENABLE: {
            const LRESULT result = DefWindowProcW(button, message, wParam, lParam);
            InvalidateRect(button, nullptr, TRUE);
            return result;
        }
        case BM_CLICK:
            if (IsWindowEnabled(button))
                Press(button);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // Held down without taking the focus.
            if (state != nullptr) {
                SetCapture(button);
                state->tracking = true;
                state->pressed = true;
                InvalidateRect(button, nullptr, FALSE);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (state != nullptr && state->tracking) {
                const bool over = Inside(button, lParam);
                if (over != state->pressed) {
                    state->pressed = over;
                    InvalidateRect(button, nullptr, FALSE);
                }
            }
            return 0;
        case WM_LBUTTONUP:
            if (state != nullptr && state->tracking) {
                const bool over = Inside(button, lParam);
                state->tracking = false;
                state->pressed = false;
                if (GetCapture() == button)
                    ReleaseCapture();
                InvalidateRect(button, nullptr, FALSE);
                if (over)
                    Press(button);
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (state != nullptr && state->tracking) {
                state->tracking = false;
                state->pressed = false;
                InvalidateRect(button, nullptr, FALSE);
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the frame covers the whole button
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(button, &paint);
            PaintImageButton(button, dc);
            EndPaint(button, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintImageButton(button, reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(button, message, wParam, lParam);
}

}  // namespace

HWND CreateImageButton(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                       HFONT font, const Painter& picture, int pictureWidth, int pictureHeight) {
    RegisterWindowClass(kImageButtonClass, ImageButtonProcedure, nullptr);
    ImageButtonCreation creation{&picture, pictureWidth, pictureHeight};
    HWND button = CreateWindowExW(
        0, kImageButtonClass, WideFromUtf8(caption).c_str(), WS_CHILD | WS_VISIBLE, place.left,
        place.top, place.width, place.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), &creation);
    if (button != nullptr && font != nullptr)
        SetFont(button, font);
    return button;
}

HWND CreateArrowButton(HWND parent, int id, const ControlPlace& place, HFONT font) {
    HWND button = CreateWindowExW(
        0, WC_BUTTONW, L"", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_OWNERDRAW,
        place.left, place.top, place.width, place.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (button != nullptr && font != nullptr)
        SetFont(button, font);
    return button;
}

ArrowTriangle ArrowTriangleOf(const RECT& client) {
    const int x = (client.left + client.right) / 2;
    const int y = (client.top + client.bottom) / 2;
    return ArrowTriangle{{{x - 5, y - 2}, {x + 5, y - 2}, {x, y + 3}}};
}

void DrawArrowButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;

    RECT content = area;
    if (HTHEME theme = OpenThemeData(item.hwndItem, L"BUTTON")) {
        const int state = disabled  ? PBS_DISABLED
                          : pressed ? PBS_PRESSED
                          : focused ? PBS_DEFAULTED
                                    : PBS_NORMAL;
        if (IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, state))
            DrawThemeParentBackground(item.hwndItem, dc, &area);
        DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &area, nullptr);
        GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &area, &content);
        CloseThemeData(theme);
    } else {
        DrawFrameControl(dc, &area, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        InflateRect(&content, -3, -3);
    }

    ArrowTriangle triangle = ArrowTriangleOf(item.rcItem);
    if (pressed) {
        for (POINT& corner : triangle.corners) {
            ++corner.x;
            ++corner.y;
        }
    }
    const COLORREF colour = disabled ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Polygon(dc, triangle.corners, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);

    if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0)
        DrawFocusRect(dc, &content);
}

}  // namespace rangwerk::win32
