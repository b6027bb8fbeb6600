#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// One item of a popup menu with radio items: its caption (may carry an access key) and
// whether it carries the radio mark.
struct MenuItem {
    std::string caption;
    bool checked = false;
};

// Shows a popup menu made afresh of `items` at `screenPoint` (its top left corner), modal, with
// `owner` as its window; returns the position in `items` of the chosen item, or nothing when
// the menu was closed without a choice.
std::optional<std::size_t> ShowPopupMenu(HWND owner, POINT screenPoint,
                                         const std::vector<MenuItem>& items);

}  // namespace rangwerk::win32
