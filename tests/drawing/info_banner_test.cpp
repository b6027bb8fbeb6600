#include "drawing/info_banner.h"

#include <gtest/gtest.h>

namespace rangwerk {
namespace {

constexpr int kWidth = 435;
constexpr Color kBlue = Rgb(74, 160, 255);
constexpr Color kWhite = Rgb(255, 255, 255);

TEST(InfoBannerGradient, TurnsWhiteAtThreeQuartersAndBackToBlue) {
    EXPECT_EQ(BannerWhiteColumn(kWidth), 326);
    EXPECT_EQ(BannerWhiteColumn(100), 75);
    EXPECT_EQ(BannerWhiteColumn(101), 75);  // 75.75 truncated

    EXPECT_EQ(BannerGradientColor(0, kWidth), kBlue);
    EXPECT_EQ(BannerGradientColor(326, kWidth), kWhite);
    EXPECT_EQ(BannerGradientColor(435, kWidth), kBlue);  // the last line, outside the box
}

TEST(InfoBannerGradient, ChannelsTruncateTowardZeroOnBothSides) {
    // Left part: 74 + 181 * x div 326 and 160 + 95 * x div 326.
    EXPECT_EQ(BannerGradientColor(1, kWidth), kBlue);
    EXPECT_EQ(BannerGradientColor(163, kWidth), Rgb(164, 207, 255));  // 90.5 and 47.5 cut
    EXPECT_EQ(BannerGradientColor(325, kWidth), Rgb(254, 254, 255));
    EXPECT_EQ(BannerGradientColor(163, kWidth), BlendColor(kBlue, kWhite, 163, 326));
    // Right part runs down: 255 - 181 * i div 109; -89.67 is cut to -89, not floored to -90.
    EXPECT_EQ(BannerGradientColor(326 + 54, kWidth), Rgb(166, 208, 255));
    EXPECT_EQ(BannerGradientColor(327, kWidth), Rgb(254, 255, 255));
    EXPECT_EQ(BannerGradientColor(434, kWidth), Rgb(76, 161, 255));
    EXPECT_EQ(BannerGradientColor(380, kWidth), BlendColor(kWhite, kBlue, 54, 109));
}

TEST(InfoBannerLogo, MaskKeepsBlackAndLetsWhiteTakeTheBanner) {
    const Color banner = Rgb(164, 207, 255);
    EXPECT_EQ(CombineLogoPixel(banner, Rgb(0, 0, 0), true), Rgb(0, 0, 0));
    EXPECT_EQ(CombineLogoPixel(banner, kWhite, false), banner);
    // A coloured pixel is the AND of both colours: 230 & 164, 40 & 207, 40 & 255.
    EXPECT_EQ(CombineLogoPixel(banner, Rgb(230, 40, 40), false), Rgb(164, 8, 40));
    // Where the mask is set the OR has made the banner white, so the logo shows as it is.
    EXPECT_EQ(CombineLogoPixel(banner, Rgb(230, 40, 40), true), Rgb(230, 40, 40));
}

TEST(InfoBannerLayout, UsualIconAndEightPointFont) {
    BannerMetrics m;
    m.width = kWidth;
    m.height = 65;
    m.logoWidth = 142;
    m.iconWidth = 32;
    m.iconHeight = 32;
    m.titleHeightBold = 13;
    m.titleHeightRegular = 13;
    m.periodHeight = 13;
    const BannerLayout layout = LayOutBanner(m);
    EXPECT_EQ(layout.logoX, 255);  // 326 - 142 div 2: centred on the white line
    EXPECT_EQ(layout.logoY, 4);
    EXPECT_EQ(layout.iconX, 8);
    EXPECT_EQ(layout.iconY, 16);
    EXPECT_EQ(layout.frame, (Rect{7, 15, 40, 48}));
    EXPECT_EQ(layout.textX, 48);
    EXPECT_EQ(layout.titleY, 13);
    EXPECT_EQ(layout.versionY, 26);
    EXPECT_EQ(layout.periodY, 38);
}

TEST(InfoBannerLayout, EachLineUsesItsOwnHeightAndOtherIconsMoveTheText) {
    BannerMetrics m;
    m.width = kWidth;
    m.height = 65;
    m.logoWidth = 141;
    m.iconWidth = 16;
    m.iconHeight = 16;
    m.titleHeightBold = 15;     // 22.5 truncated
    m.titleHeightRegular = 14;  // 7
    m.periodHeight = 11;        // 5.5 truncated
    const BannerLayout layout = LayOutBanner(m);
    EXPECT_EQ(layout.logoX, 256);
    EXPECT_EQ(layout.iconY, 24);
    EXPECT_EQ(layout.frame, (Rect{7, 23, 24, 40}));
    EXPECT_EQ(layout.textX, 32);
    EXPECT_EQ(layout.titleY, 10);
    EXPECT_EQ(layout.versionY, 25);
    EXPECT_EQ(layout.periodY, 37);
}

}  // namespace
}  // namespace rangwerk
