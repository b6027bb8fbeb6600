#pragma once

#include "drawing/drawing.h"

namespace rangwerk {

// The banner at the top of the info dialog: a gradient from light blue to white and back, the
// maker's logo on the white line, and the program's icon with its title, version and
// development period at the left. All positions are in banner pixels; right and bottom edges
// are exclusive.

// The blue at both ends of the banner's gradient.
inline constexpr Color kBannerBlue = Rgb(74, 160, 255);
inline constexpr Color kBannerWhite = Rgb(255, 255, 255);

// Where the gradient turns: three quarters of the width, truncated (326 for 435 pixels).
int BannerWhiteColumn(int bannerWidth);

// The gradient's colour of column x (0 to bannerWidth): from blue at 0 to white at the white
// column, then back to blue at bannerWidth.
Color BannerGradientColor(int x, int bannerWidth);

// The pixel left where the logo is combined into the banner: the banner pixel ORed with the
// mask (all ones where the mask is set) and then ANDed with the logo pixel. Black logo pixels
// stay black, white ones take the banner's colour, coloured ones mix by AND.
Color CombineLogoPixel(Color banner, Color logo, bool maskSet);

// What the banner's layout depends on.
struct BannerMetrics {
    int width = 0;      // banner width (435)
    int height = 0;     // banner height (65)
    int logoWidth = 0;  // width of the logo bitmap
    int iconWidth = 0;  // size of the program's icon
    int iconHeight = 0;
    int titleHeightBold = 0;     // line height of the title in the bold font
    int titleHeightRegular = 0;  // line height of the title in the regular font
    int periodHeight = 0;        // line height of the development period (regular font)
};

// Positions of everything drawn over the gradient. Text positions are the top left of the
// text's line.
struct BannerLayout {
    int logoX = 0;
    int logoY = 0;
    int iconX = 0;
    int iconY = 0;
    Rect frame;  // one-pixel frame in the background colour, drawn over the icon's edge
    int textX = 0;
    int titleY = 0;
    int versionY = 0;
    int periodY = 0;

    bool operator==(const BannerLayout&) const = default;
};

BannerLayout LayOutBanner(const BannerMetrics& metrics);

}  // namespace rangwerk
