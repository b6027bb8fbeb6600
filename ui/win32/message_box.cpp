#include "ui/win32/message_box.h"

#include <algorithm>
#include <string>

#include "base/wide_text.h"
#include "ui/win32/controls.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/fonts.h"
#include "ui/win32/top_level_window.h"

namespace rangwerk::win32 {

namespace {

constexpr int kFirstButtonId = 100;
constexpr int kIconId = 90;
constexpr int kTextId = 91;

const wchar_t* SystemIconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return IDI_WARNING;
        case MessageIcon::Error:
            return IDI_ERROR;
        case MessageIcon::Information:
            return IDI_INFORMATION;
        case MessageIcon::Question:
            return IDI_QUESTION;
        case MessageIcon::None:
            break;
    }
    return nullptr;
}

struct BoxState {
    const MessageRequest& request;
    Font font;
};

// The dialog's result for a button: 0 and -1 are taken (no result, failure).
INT_PTR ResultOf(MessageButton button) {
    return static_cast<INT_PTR>(button) + 1;
}

MessageButton ButtonOfResult(INT_PTR result) {
    return static_cast<MessageButton>(result - 1);
}

int Scaled(int pixels, int dpi) {
    return MulDiv(pixels, dpi, 96);
}

SIZE TextSize(HDC dc, const std::wstring& text, int maxWidth) {
    RECT area{0, 0, maxWidth, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

// Lays out and creates the icon, the text and the buttons, and sizes the box around them.
void BuildBox(HWND box, BoxState& state) {
    const MessageRequest& request = state.request;
    HDC screen = GetDC(box);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    HGDIOBJ oldFont = SelectObject(screen, state.font.Handle());
    const std::wstring text = WideFromUtf8(request.text);
    const SIZE textSize = TextSize(screen, text, Scaled(440, dpi));
    int buttonWidth = Scaled(75, dpi);
    for (MessageButton button : request.buttons) {
        SIZE caption{};
        const std::wstring label = WideFromUtf8(ButtonText(button));
        GetTextExtentPoint32W(screen, label.c_str(), static_cast<int>(label.size()), &caption);
        buttonWidth = std::max(buttonWidth, static_cast<int>(caption.cx) + Scaled(16, dpi));
    }
    SelectObject(screen, oldFont);
    ReleaseDC(box, screen);

    const int margin = Scaled(12, dpi);
    const int gap = Scaled(7, dpi);
    const int buttonHeight = Scaled(23, dpi);
    const wchar_t* icon = SystemIconOf(request.icon);
    const int iconSize = icon != nullptr ? GetSystemMetrics(SM_CXICON) : 0;

    const int textLeft = margin + (icon != nullptr ? iconSize + margin : 0);
    const int textTop = margin + std::max(0, (iconSize - static_cast<int>(textSize.cy)) / 2);
    const int contentBottom = std::max(margin + iconSize, textTop + static_cast<int>(textSize.cy));
    const int count = static_cast<int>(request.buttons.size());
    const int buttonsWidth = count * buttonWidth + std::max(0, count - 1) * gap;
    const int width =
        std::max(textLeft + static_cast<int>(textSize.cx) + margin, buttonsWidth + 2 * margin);
    const int buttonsTop = contentBottom + margin + gap;
    const int height = buttonsTop + buttonHeight + margin;

    if (icon != nullptr) {
        HWND iconControl = CreateWindowExW(0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_ICON,
                                           margin, margin, iconSize, iconSize, box,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIconId)),
                                           GetModuleHandleW(nullptr), nullptr);
        SendMessageW(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)),
                     0);
    }
    HWND textControl = CreateWindowExW(
        0, WC_STATICW, text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, textLeft,
        textTop, textSize.cx, textSize.cy, box,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), GetModuleHandleW(nullptr), nullptr);
    SetFont(textControl, state.font.Handle());

    int x = (width - buttonsWidth) / 2;
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        const MessageButton kind = request.buttons[i];
        HWND button = CreateButton(box, MessageBoxButtonId(i),
                                   ControlPlace{x, buttonsTop, buttonWidth, buttonHeight},
                                   ButtonText(kind), state.font.Handle());
        if (kind == request.defaultButton) {
            SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
            SendMessageW(box, DM_SETDEFID, static_cast<WPARAM>(MessageBoxButtonId(i)), 0);
        }
        x += buttonWidth + gap;
    }

    SetWindowTextW(box, WideFromUtf8(request.caption).c_str());
    SetClientSize(box, width, height);
    if (HWND owner = GetWindow(box, GW_OWNER); owner != nullptr && IsWindowVisible(owner))
        CentreOver(box, owner);
    else
        CentreOnScreen(box);
}

void FocusDefaultButton(HWND box, const MessageRequest& request) {
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        if (request.buttons[i] == request.defaultButton) {
            SendMessageW(box, WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(GetDlgItem(box, MessageBoxButtonId(i))), TRUE);
            return;
        }
    }
}

INT_PTR CALLBACK BoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(box, DWLP_USER, lParam);
        auto& state = *reinterpret_cast<BoxState*>(lParam);
        BuildBox(box, state);
        FocusDefaultButton(box, state.request);
        return FALSE;  // the focus is set
    }
    auto* state = reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, DWLP_USER));
    if (state == nullptr || message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    const int id = LOWORD(wParam);
    const std::vector<MessageButton>& buttons = state->request.buttons;
    if (id == IDCANCEL) {
        EndDialog(box, ResultOf(state->request.escapeButton));
        return TRUE;
    }
    const int index = id - kFirstButtonId;
    if (index >= 0 && index < static_cast<int>(buttons.size())) {
        EndDialog(box, ResultOf(buttons[static_cast<std::size_t>(index)]));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int MessageBoxButtonId(std::size_t index) {
    return kFirstButtonId + static_cast<int>(index);
}

MessageButton ShowMessageBox(HWND owner, const MessageRequest& request) {
    BoxState state{request, MakeMessageFont()};
    EmptyDialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                               DS_SETFOREGROUND);
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialog.header, owner,
                                                   BoxProcedure, reinterpret_cast<LPARAM>(&state));
    if (result <= 0)
        return request.escapeButton;
    return ButtonOfResult(result);
}

}  // namespace rangwerk::win32
