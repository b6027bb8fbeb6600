#include "drawing/drawing.h"

#include "base/text.h"

namespace rangwerk {

Color BlendColor(Color from, Color to, std::int64_t position, std::int64_t range) {
    if (range == 0)
        return from;
    auto channel = [&](std::uint32_t f, std::uint32_t t) {
        const std::int64_t v =
            static_cast<std::int64_t>(f) + (static_cast<std::int64_t>(t) - f) * position / range;
        return static_cast<std::uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    return Rgb(channel(RedOf(from), RedOf(to)), channel(GreenOf(from), GreenOf(to)),
               channel(BlueOf(from), BlueOf(to)));
}

std::string ShortenToWidth(const std::string& text, const MeasureText& measure, int maxWidth) {
    if (measure(text) <= maxWidth)
        return text;
    const std::u32string chars = DecodeUtf8(text);
    long n = static_cast<long>(chars.size()) - 2;
    if (n < 0)
        n = 0;
    while (n > 0 &&
           measure(EncodeUtf8(chars.substr(0, static_cast<size_t>(n))) + "...") > maxWidth) {
        --n;
    }
    return EncodeUtf8(chars.substr(0, static_cast<size_t>(n))) + "...";
}

}  // namespace rangwerk
