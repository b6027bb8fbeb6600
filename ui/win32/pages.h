#pragma once

#include <vector>

#include "ui/win32/controls.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// The pages of a window, one shown at a time: child windows with WS_EX_CONTROLPARENT, so that
// the dialog manager of the top-level window moves the focus through the controls of the page
// that shows. The other pages are hidden windows: the dialog manager never looks into them, so
// their access keys and buttons never fire. A page passes the notifications of its controls
// (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, colours, scrolling) on to the window, so control
// identifiers must be unique in the whole window.
//
// Win32 has no default button per page: Show sends the window DM_SETDEFID with the page's
// default button, which Enter then presses; Escape arrives at the window as IDCANCEL, which
// the window passes to PressCancelButton.
class PageSet {
public:
    // Creates `count` hidden pages covering `area` of `window`'s client area.
    PageSet(HWND window, const ControlPlace& area, int count);
    ~PageSet();
    PageSet(const PageSet&) = delete;
    PageSet& operator=(const PageSet&) = delete;

    int Count() const { return static_cast<int>(pages_.size()); }
    HWND Page(int index) const { return pages_.at(static_cast<std::size_t>(index)).window; }

    // The buttons that Enter and Escape press while page `index` shows; 0: none.
    void SetKeyButtons(int index, int defaultButton, int cancelButton);

    // Shows page `index` and hides every other; the window's default button becomes the
    // page's. A focus left on a page that is now hidden moves to the first control of the
    // shown page.
    void Show(int index);
    int Shown() const { return shown_; }

    // Gives the shown page's default button the look of the default button, unless a push
    // button has the focus. The pages call it whenever the focus moves.
    void ShowDefaultLook() const;

    // Presses the cancel button of the shown page when it has one that is visible and
    // enabled; returns whether a button was pressed.
    bool PressCancelButton() const;

private:
    struct PageWindow {
        HWND window = nullptr;
        int defaultButton = 0;
        int cancelButton = 0;
    };

    HWND window_;
    std::vector<PageWindow> pages_;
    int shown_ = -1;
};

// Finds a control by its identifier among all descendants of `window` (GetDlgItem looks only
// at direct children, and page controls are grandchildren).
HWND FindControl(HWND window, int id);

}  // namespace rangwerk::win32
