#pragma once

namespace rangwerk {

// A rectangle in pixels; right and bottom edges are exclusive, so a rectangle from 0 to 16 is
// 16 pixels high.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const Rect&) const = default;
};

}  // namespace rangwerk
