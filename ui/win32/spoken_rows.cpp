#include "ui/win32/spoken_rows.h"

#include <cwchar>

#include "base/wide_text.h"
#include "ui/win32/controls.h"

namespace rangwerk::win32 {

namespace {

constexpr UINT_PTR kSpokenRowsSubclass = 0x52574B31;  // one subclass of this kind per list

using RowText = std::function<std::string(int row)>;

LRESULT CALLBACK SpokenRowsProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
    auto* rowText = reinterpret_cast<RowText*>(data);
    switch (message) {
        case LB_GETTEXTLEN:
        case LB_GETTEXT: {
            const int row = static_cast<int>(wParam);
            const auto count = static_cast<int>(DefSubclassProc(list, LB_GETCOUNT, 0, 0));
            if (!ScreenReaderRunning() || row < 0 || row >= count)
                break;
            const std::wstring text = WideFromUtf8((*rowText)(row));
            if (message == LB_GETTEXT) {
                // The buffer must hold the text and its end (LB_GETTEXTLEN + 1 characters).
                auto* buffer = reinterpret_cast<wchar_t*>(lParam);
                if (buffer == nullptr)
                    return LB_ERR;
                std::wmemcpy(buffer, text.c_str(), text.size() + 1);
            }
            return static_cast<LRESULT>(text.size());
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(list, SpokenRowsProcedure, kSpokenRowsSubclass);
            delete rowText;
            break;
        default:
            break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace

void GiveRowsSpokenTexts(HWND list, std::function<std::string(int row)> rowText) {
    auto* kept = new RowText(std::move(rowText));
    if (!SetWindowSubclass(list, SpokenRowsProcedure, kSpokenRowsSubclass,
                           reinterpret_cast<DWORD_PTR>(kept))) {
        delete kept;
    }
}

void TellRowTextsChanged(HWND list) {
    if (ScreenReaderRunning())
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, list, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace rangwerk::win32
