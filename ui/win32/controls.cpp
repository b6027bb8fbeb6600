#include "ui/win32/controls.h"

#include <algorithm>

#include "base/wide_text.h"
#include "ui/win32/fonts.h"

namespace rangwerk::win32 {

void SetText(HWND window, const std::string& text) {
    SetWindowTextW(window, WideFromUtf8(text).c_str());
}

std::string TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return Utf8FromWide(text);
}

namespace {

// Every control but the second and later radio buttons of a group starts a group of its own,
// so that the arrow keys move only between the radio buttons of one group.
HWND CreateControl(DWORD exStyle, const wchar_t* className, const std::string& text, DWORD style,
                   HWND parent, int id, const ControlPlace& place, HFONT font) {
    HWND control = CreateWindowExW(
        exStyle, className, WideFromUtf8(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.left,
        place.top, place.width, place.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control != nullptr && font != nullptr)
        SetFont(control, font);
    return control;
}

}  // namespace

HWND CreateButton(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                  HFONT font) {
    return CreateControl(0, WC_BUTTONW, caption, WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, parent, id,
                         place, font);
}

HWND CreateCheckBox(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                    HFONT font) {
    return CreateControl(0, WC_BUTTONW, caption,
                         WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, parent, id, place,
                         font);
}

HWND CreateRadioButton(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                       HFONT font, bool firstOfGroup) {
    const DWORD group = firstOfGroup ? WS_GROUP | WS_TABSTOP : 0;
    return CreateControl(0, WC_BUTTONW, caption, group | BS_AUTORADIOBUTTON | BS_NOTIFY, parent, id,
                         place, font);
}

HWND CreateGroupBox(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                    HFONT font) {
    return CreateControl(0, WC_BUTTONW, caption, WS_GROUP | BS_GROUPBOX, parent, id, place, font);
}

HWND CreateStaticText(HWND parent, int id, const ControlPlace& place, const std::string& text,
                      HFONT font, TextAlign align) {
    const DWORD alignment = align == TextAlign::Right    ? SS_RIGHT
                            : align == TextAlign::Centre ? SS_CENTER
                                                         : SS_LEFT;
    return CreateControl(0, WC_STATICW, text, WS_GROUP | alignment, parent, id, place, font);
}

HWND CreateSeparator(HWND parent, const ControlPlace& place) {
    return CreateControl(0, WC_STATICW, "", WS_GROUP | SS_ETCHEDHORZ, parent, -1, place, nullptr);
}

HWND CreateEdit(HWND parent, int id, const ControlPlace& place, HFONT font) {
    return CreateControl(WS_EX_CLIENTEDGE, WC_EDITW, "", WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL,
                         parent, id, place, font);
}

HWND CreateMemo(HWND parent, int id, const ControlPlace& place, HFONT font, bool readOnly) {
    const DWORD style = WS_GROUP | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                        ES_AUTOVSCROLL | (readOnly ? ES_READONLY : 0);
    return CreateControl(WS_EX_CLIENTEDGE, WC_EDITW, "", style, parent, id, place, font);
}

SpinField CreateSpinField(HWND parent, int editId, int arrowsId, const ControlPlace& place,
                          int minimum, int maximum, HFONT font) {
    SpinField field;
    field.edit = CreateEdit(parent, editId, place, font);
    // Aligned right, the up-down control takes its width from the edit, so both together fill
    // the place.
    field.arrows = CreateControl(
        0, UPDOWN_CLASSW, "",
        UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_HOTTRACK, parent,
        arrowsId, ControlPlace{}, nullptr);
    SendMessageW(field.arrows, UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    SendMessageW(field.arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(field.edit), 0);
    SendMessageW(field.arrows, UDM_SETPOS32, 0, std::clamp(0, minimum, maximum));
    return field;
}

namespace {

// A list view in report mode with whole-row single selection that stays visible without the
// focus. Every column but the first has the width given; the first fills the rest of the
// list, less the place of a vertical scroll bar.
HWND CreateReportList(HWND parent, int id, const ControlPlace& place, HFONT font, DWORD style,
                      const std::vector<ListColumn>& columns) {
    style |= WS_GROUP | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    HWND list = CreateControl(WS_EX_CLIENTEDGE, WC_LISTVIEWW, "", style, parent, id, place, font);
    if (list == nullptr)
        return nullptr;
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    int rest = static_cast<int>(client.right) - GetSystemMetrics(SM_CXVSCROLL);
    for (std::size_t i = 1; i < columns.size(); ++i) rest -= columns[i].width;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring caption = WideFromUtf8(columns[i].caption);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.cx = i == 0 ? std::max(0, rest) : columns[i].width;
        column.pszText = caption.data();
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

}  // namespace

HWND CreateSingleColumnList(HWND parent, int id, const ControlPlace& place, HFONT font,
                            bool virtualRows) {
    return CreateReportList(parent, id, place, font,
                            LVS_NOCOLUMNHEADER | (virtualRows ? LVS_OWNERDATA : 0), {{"", 0}});
}

void SetListViewRowCount(HWND list, int count) {
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
}

int ListViewRowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

void SelectListViewRow(HWND list, int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (row < 0) {
        state.state = 0;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        return;
    }
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

int SelectedListViewRow(HWND list) {
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool AnswerRowText(LPARAM notification, const std::function<std::string(int row)>& rowText) {
    return AnswerCellText(notification, [&rowText](int row, int) { return rowText(row); });
}

HWND CreateColumnList(HWND parent, int id, const ControlPlace& place, HFONT font,
                      const std::vector<ListColumn>& columns) {
    HWND list =
        CreateReportList(parent, id, place, font, LVS_OWNERDATA | LVS_NOSORTHEADER, columns);
    if (list == nullptr)
        return nullptr;
    // The columns keep their widths.
    HWND header = ListView_GetHeader(list);
    SetWindowLongW(header, GWL_STYLE, GetWindowLongW(header, GWL_STYLE) | HDS_NOSIZING);
    return list;
}

bool AnswerCellText(LPARAM notification,
                    const std::function<std::string(int row, int column)>& cellText) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(notification);
    if (info->hdr.code != LVN_GETDISPINFOW || (info->item.mask & LVIF_TEXT) == 0)
        return false;
    if (info->item.pszText == nullptr || info->item.cchTextMax <= 0)
        return true;
    const std::wstring text = WideFromUtf8(cellText(info->item.iItem, info->item.iSubItem));
    const std::size_t room = static_cast<std::size_t>(info->item.cchTextMax) - 1;
    const std::size_t length = std::min(text.size(), room);
    text.copy(info->item.pszText, length);
    info->item.pszText[length] = L'\0';
    return true;
}

HWND CreateOwnerDrawnList(HWND parent, int id, const ControlPlace& place, int rowHeight, HFONT font,
                          bool rowTexts) {
    const DWORD style = WS_GROUP | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED |
                        (rowTexts ? LBS_HASSTRINGS : LBS_NODATA) | LBS_NOINTEGRALHEIGHT |
                        LBS_NOTIFY;
    HWND list = CreateControl(WS_EX_CLIENTEDGE, WC_LISTBOXW, "", style, parent, id, place, font);
    if (list != nullptr)
        SendMessageW(list, LB_SETITEMHEIGHT, 0, rowHeight);
    return list;
}

void SetRowCount(HWND list, int count) {
    SendMessageW(list, LB_SETCOUNT, static_cast<WPARAM>(count), 0);
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
}

void SetRowTexts(HWND list, int count, const std::function<std::string(int row)>& rowText) {
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (int row = 0; row < count; ++row) {
        const std::wstring text = WideFromUtf8(rowText(row));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (selected >= 0 && selected < count)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(std::max<LRESULT>(top, 0)), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool HasRowTexts(HWND list) {
    return (GetWindowLongW(list, GWL_STYLE) & LBS_HASSTRINGS) != 0;
}

bool ScreenReaderRunning() {
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

void SetEnabled(HWND control, bool enabled) {
    if (!enabled && GetFocus() == control)
        SendMessageW(GetAncestor(control, GA_ROOT), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control, enabled);
}

HWND CreateDropDownList(HWND parent, int id, const ControlPlace& place, HFONT font) {
    return CreateControl(0, WC_COMBOBOXW, "", WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                         parent, id, place, font);
}

void SetDropDownItems(HWND list, const std::vector<std::string>& items) {
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        const std::wstring text = WideFromUtf8(item);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

HWND CreateProgressBar(HWND parent, int id, const ControlPlace& place, int maximum) {
    HWND bar = CreateControl(0, PROGRESS_CLASSW, "", 0, parent, id, place, nullptr);
    if (bar != nullptr)
        SendMessageW(bar, PBM_SETRANGE32, 0, maximum);
    return bar;
}

void InitialiseCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC =
        ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
}

}  // namespace rangwerk::win32
