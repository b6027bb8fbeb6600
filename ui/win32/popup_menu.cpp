#include "ui/win32/popup_menu.h"

#include "base/wide_text.h"

namespace rangwerk::win32 {

std::optional<std::size_t> ShowPopupMenu(HWND owner, POINT screenPoint,
                                         const std::vector<MenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::wstring caption = WideFromUtf8(items[i].caption);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = items[i].checked ? MFS_CHECKED : MFS_UNCHECKED;
        item.wID = static_cast<UINT>(i + 1);  // 0 stands for no choice
        item.dwTypeData = const_cast<wchar_t*>(caption.c_str());
        InsertMenuItemW(menu, static_cast<UINT>(i), TRUE, &item);
    }
    // The owner must be the foreground window, or the menu would not close when the user
    // clicks elsewhere.
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                       screenPoint.x, screenPoint.y, 0, owner, nullptr));
    DestroyMenu(menu);
    if (chosen == 0)
        return std::nullopt;
    return static_cast<std::size_t>(chosen - 1);
}

}  // namespace rangwerk::win32
