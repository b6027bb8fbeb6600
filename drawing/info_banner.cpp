#include "drawing/info_banner.h"

namespace rangwerk {

int BannerWhiteColumn(int bannerWidth) {
    // Width * 0.75 truncated, in integers: exact for every width.
    return bannerWidth * 3 / 4;
}

Color BannerGradientColor(int x, int bannerWidth) {
    const int white = BannerWhiteColumn(bannerWidth);
    if (x <= white)
        return BlendColor(kBannerBlue, kBannerWhite, x, white);
    return BlendColor(kBannerWhite, kBannerBlue, x - white, bannerWidth - white);
}

Color CombineLogoPixel(Color banner, Color logo, bool maskSet) {
    const Color mask = maskSet ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
    return (banner | mask) & logo & Rgb(255, 255, 255);
}

BannerLayout LayOutBanner(const BannerMetrics& m) {
    BannerLayout layout;
    const int middle = m.height / 2;
    layout.logoX = BannerWhiteColumn(m.width) - m.logoWidth / 2;
    layout.logoY = 4;
    layout.iconX = 8;
    layout.iconY = middle - m.iconHeight / 2;
    layout.frame = {7, middle - m.iconHeight / 2 - 1, 8 + m.iconWidth, middle + m.iconHeight / 2};
    layout.textX = m.iconWidth + 16;
    // 1.5 and 0.5 times a height, truncated toward zero (heights are never negative).
    layout.titleY = middle - m.titleHeightBold * 3 / 2;
    layout.versionY = middle - m.titleHeightRegular / 2;
    layout.periodY = middle + m.periodHeight / 2;
    return layout;
}

}  // namespace rangwerk
