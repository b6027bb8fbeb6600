#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Where a control stands in its parent's client area, in pixels.
struct ControlPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Window texts in UTF-8.
void SetText(HWND window, const std::string& text);
std::string TextOf(HWND window);

// The standard controls. Each is created visible, as a child of `parent` with the command
// identifier `id`, and gets `font` with WM_SETFONT (Win32 controls do not take their parent's
// font). Captions may carry an access key ("&Hinzufügen").

// A push button (with a tab stop).
HWND CreateButton(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                  HFONT font);
// A check box that checks and clears itself.
HWND CreateCheckBox(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                    HFONT font);
// A radio button that selects itself and clears the others of its group; the first button of
// a group starts the group (and carries the group's tab stop).
HWND CreateRadioButton(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                       HFONT font, bool firstOfGroup);
// A frame with a caption around other controls (which are its siblings, not its children).
HWND CreateGroupBox(HWND parent, int id, const ControlPlace& place, const std::string& caption,
                    HFONT font);

enum class TextAlign { Left, Right, Centre };
// A text; it breaks into lines at word ends when it is wider than its place. An "&" marks the
// access key of the control that follows it in the tab order.
HWND CreateStaticText(HWND parent, int id, const ControlPlace& place, const std::string& text,
                      HFONT font, TextAlign align = TextAlign::Left);
// An etched horizontal line (the separator above a page's buttons).
HWND CreateSeparator(HWND parent, const ControlPlace& place);

// A one-line edit field.
HWND CreateEdit(HWND parent, int id, const ControlPlace& place, HFONT font);
// A multi-line edit field with a vertical scroll bar; Enter starts a new line.
HWND CreateMemo(HWND parent, int id, const ControlPlace& place, HFONT font, bool readOnly);

// A number field: an edit with an up-down control inside its right edge. The arrows and the
// arrow keys step the number within [minimum, maximum] (UDM_SETRANGE32, negative numbers too)
// and write it without thousands separators (UDS_NOTHOUSANDS: a German Windows would write
// 8191 as "8.191"). Typed text is not checked by the field.
struct SpinField {
    HWND edit = nullptr;
    HWND arrows = nullptr;
};
SpinField CreateSpinField(HWND parent, int editId, int arrowsId, const ControlPlace& place,
                          int minimum, int maximum, HFONT font);

// A list view in report mode with one column and no header, single selection that stays
// visible when the list loses the focus. `virtualRows`: the list holds no texts; it asks for
// each row's text with LVN_GETDISPINFOW (AnswerRowText) and its row count is set with
// SetListViewRowCount.
HWND CreateSingleColumnList(HWND parent, int id, const ControlPlace& place, HFONT font,
                            bool virtualRows);
void SetListViewRowCount(HWND list, int count);
int ListViewRowCount(HWND list);
// Selects and focuses `row` and scrolls it into view; -1 clears the selection.
void SelectListViewRow(HWND list, int row);
int SelectedListViewRow(HWND list);
// Answers LVN_GETDISPINFOW of a virtual list with the text of the row asked for; returns false
// for every other notification.
bool AnswerRowText(LPARAM notification, const std::function<std::string(int row)>& rowText);

// A virtual list view in report mode with a header over its columns, whole-row single selection
// that stays visible when the list loses the focus. Every column but the first has the width
// given; the first fills the rest of the list, less the place of a vertical scroll bar. The
// list asks for each cell's text with LVN_GETDISPINFOW (AnswerCellText).
struct ListColumn {
    std::string caption;
    int width = 0;
};
HWND CreateColumnList(HWND parent, int id, const ControlPlace& place, HFONT font,
                      const std::vector<ListColumn>& columns);
// Answers LVN_GETDISPINFOW of a virtual list with the text of the cell asked for; returns false
// for every other notification.
bool AnswerCellText(LPARAM notification,
                    const std::function<std::string(int row, int column)>& cellText);

// A list box whose rows the window draws (WM_DRAWITEM) at a fixed row height and which holds
// no data of its own (LBS_NODATA): only its row count, set with SetRowCount (LB_SETCOUNT), so
// that a thousand rows cost nothing to fill.
//
// With `rowTexts` (while a screen reader runs) the list instead keeps a text for every row
// (LBS_HASSTRINGS), set with SetRowTexts: it draws none of them, but the system's accessibility
// layer reads them as the rows' names.
HWND CreateOwnerDrawnList(HWND parent, int id, const ControlPlace& place, int rowHeight, HFONT font,
                          bool rowTexts = false);
void SetRowCount(HWND list, int count);
int RowCount(HWND list);
// Gives a list with row texts `count` rows with the texts of `rowText`; the selected row stays
// selected when it is still there.
void SetRowTexts(HWND list, int count, const std::function<std::string(int row)>& rowText);
// Whether the list keeps row texts.
bool HasRowTexts(HWND list);
// Whether a screen reader runs (SPI_GETSCREENREADER).
bool ScreenReaderRunning();

// Enables or disables a control. A control that has the focus hands it on to the next control
// of the dialog before it is disabled (a disabled control would keep the keyboard from every
// control).
void SetEnabled(HWND control, bool enabled);

// A drop-down list (no edit part) that keeps the order its items are added in (no CBS_SORT).
// `place.height` is the height of the control with its list dropped down.
HWND CreateDropDownList(HWND parent, int id, const ControlPlace& place, HFONT font);
void SetDropDownItems(HWND list, const std::vector<std::string>& items);

// A progress bar over [0, maximum].
HWND CreateProgressBar(HWND parent, int id, const ControlPlace& place, int maximum);

// Loads the common controls this layer uses (list views, up-down controls, progress bars).
// Call once before the first window is created.
void InitialiseCommonControls();

}  // namespace rangwerk::win32
