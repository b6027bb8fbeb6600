#pragma once

#include <string>

namespace rangwerk {

// A fault the user can correct, returned by a check so that a window can show it
// (exclamation icon, OK button). Nothing has been changed when a check refuses.
struct Refusal {
    std::string text;
    std::string caption;

    bool operator==(const Refusal&) const = default;
};

}  // namespace rangwerk
