#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/geometry.h"

namespace rangwerk {

// A 24-bit colour: red in bits 0-7, green in 8-15, blue in 16-23.
using Color = std::uint32_t;

constexpr Color Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr std::uint32_t RedOf(Color c) {
    return c & 0xFF;
}
constexpr std::uint32_t GreenOf(Color c) {
    return (c >> 8) & 0xFF;
}
constexpr std::uint32_t BlueOf(Color c) {
    return (c >> 16) & 0xFF;
}

// Per channel: from + ((to - from) * position) div range, the division truncating toward zero.
Color BlendColor(Color from, Color to, std::int64_t position, std::int64_t range);

// Width in pixels of a UTF-8 text in the font in use.
using MeasureText = std::function<int(const std::string&)>;

// The text itself when it fits the width; otherwise as many leading characters as fit with
// "..." appended (at least two characters are dropped). Stops at "..." alone.
std::string ShortenToWidth(const std::string& text, const MeasureText& measure, int maxWidth);

// A text and the x position where it starts; every text of a row starts at the row's text y.
struct PlacedText {
    std::string text;
    int x = 0;

    bool operator==(const PlacedText&) const = default;
};

}  // namespace rangwerk
