#include "ui/win32/pages.h"

#include "ui/win32/window_class.h"

namespace rangwerk::win32 {

namespace {

constexpr const wchar_t* kPageClass = L"RangwerkPage";

bool IsPassedOn(UINT message) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_DELETEITEM:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORSCROLLBAR:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CONTEXTMENU:
            return true;
        default:
            return false;
    }
}

// Posted by a page to itself when the focus has moved to one of its controls.
constexpr UINT kShowDefaultLook = WM_APP + 1;

// The notifications a control sends when it receives the focus (EN_SETFOCUS, BN_SETFOCUS,
// LBN_SETFOCUS and CBN_SETFOCUS; some codes have other meanings for other controls, which
// only costs a look that is already right).
bool IsFocusNotice(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY)
        return reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(NM_SETFOCUS);
    if (message != WM_COMMAND || lParam == 0)
        return false;
    const WORD code = HIWORD(wParam);
    return code == EN_SETFOCUS || code == BN_SETFOCUS || code == LBN_SETFOCUS ||
           code == CBN_SETFOCUS;
}

LRESULT CALLBACK PageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kShowDefaultLook) {
        if (auto* pages = reinterpret_cast<PageSet*>(GetWindowLongPtrW(page, GWLP_USERDATA)))
            pages->ShowDefaultLook();
        return 0;
    }
    if (IsFocusNotice(message, wParam, lParam))
        PostMessageW(page, kShowDefaultLook, 0, 0);
    if (IsPassedOn(message))
        return SendMessageW(GetParent(page), message, wParam, lParam);
    return DefWindowProcW(page, message, wParam, lParam);
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM search) {
    auto* s = reinterpret_cast<ControlSearch*>(search);
    if (GetDlgCtrlID(child) == s->id) {
        s->found = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindControl(HWND window, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

PageSet::PageSet(HWND window, const ControlPlace& area, int count) : window_(window) {
    RegisterWindowClass(kPageClass, PageProcedure, SystemColourBrush(COLOR_BTNFACE));
    for (int i = 0; i < count; ++i) {
        PageWindow page;
        page.window = CreateWindowExW(
            WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, area.left, area.top,
            area.width, area.height, window, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(page.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        pages_.push_back(page);
    }
}

PageSet::~PageSet() {
    for (const PageWindow& page : pages_) {
        if (IsWindow(page.window)) {
            SetWindowLongPtrW(page.window, GWLP_USERDATA, 0);
            DestroyWindow(page.window);
        }
    }
}

void PageSet::SetKeyButtons(int index, int defaultButton, int cancelButton) {
    PageWindow& page = pages_.at(static_cast<std::size_t>(index));
    page.defaultButton = defaultButton;
    page.cancelButton = cancelButton;
    if (index == shown_) {
        SendMessageW(window_, DM_SETDEFID, static_cast<WPARAM>(defaultButton), 0);
        ShowDefaultLook();
    }
}

void PageSet::Show(int index) {
    const PageWindow& next = pages_.at(static_cast<std::size_t>(index));
    ShowWindow(next.window, SW_SHOWNA);
    for (const PageWindow& page : pages_) {
        if (page.window != next.window)
            ShowWindow(page.window, SW_HIDE);
    }
    shown_ = index;
    SendMessageW(window_, DM_SETDEFID, static_cast<WPARAM>(next.defaultButton), 0);

    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus) && !IsWindowVisible(focus)) {
        // The page's first control, also when controls of the window stand before the pages.
        HWND first = GetNextDlgTabItem(next.window, nullptr, FALSE);
        if (first == nullptr || !IsChild(next.window, first))
            first = GetNextDlgTabItem(window_, nullptr, FALSE);
        if (first != nullptr)
            SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
    ShowDefaultLook();
}

void PageSet::ShowDefaultLook() const {
    // A push button with the focus looks like the default button (the dialog manager sees to
    // that); otherwise the shown page's default button does. The dialog manager cannot give it
    // that look itself: it finds buttons only among the window's direct children.
    HWND focus = GetFocus();
    const LRESULT code = focus != nullptr ? SendMessageW(focus, WM_GETDLGCODE, 0, 0) : 0;
    const bool focusOnPushButton = (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        const int id = pages_[i].defaultButton;
        HWND button = id != 0 ? FindControl(window_, id) : nullptr;
        if (button == nullptr || (focusOnPushButton && button == focus))
            continue;
        const bool lookDefault = !focusOnPushButton && static_cast<int>(i) == shown_;
        const LONG style = GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
        if (lookDefault != (style == BS_DEFPUSHBUTTON))
            SendMessageW(button, BM_SETSTYLE, lookDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

bool PageSet::PressCancelButton() const {
    if (shown_ < 0)
        return false;
    const int id = pages_[static_cast<std::size_t>(shown_)].cancelButton;
    HWND button = id != 0 ? FindControl(window_, id) : nullptr;
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button))
        return false;
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
}

}  // namespace rangwerk::win32
