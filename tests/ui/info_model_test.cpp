#include "ui/info_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rangwerk {
namespace {

class RecordingOpener : public AddressOpener {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

class CountingView : public InfoView {
public:
    explicit CountingView(const InfoModel& model) : model_(model) {}
    void Refresh() override { ++refreshed; }
    void ShowModal() override { shownWithCaption.push_back(model_.Screen().caption); }
    int refreshed = 0;
    std::vector<std::string> shownWithCaption;

private:
    const InfoModel& model_;
};

TEST(InfoModel, ShowInfoSetsTheCaptionBeforeTheDialogIsShownAndTheVersionIsReadEachTime) {
    RecordingOpener opener;
    std::string version = "1.0.0.0";
    InfoModel model(opener, [&] { return version; });
    CountingView view(model);
    model.SetView(&view);

    model.ShowInfo("Rangwerk", "2004");
    ASSERT_EQ(view.shownWithCaption, std::vector<std::string>{"Info über Rangwerk"});
    EXPECT_EQ(model.Screen().title, "Rangwerk");
    EXPECT_EQ(model.PeriodLine(), "Entwicklungszeit: 2004");
    EXPECT_EQ(model.VersionLine(), "Version: 1.0.0.0");
    version.clear();
    EXPECT_EQ(model.VersionLine(), "Version: ");

    model.SetValues("Anderes Programm", "2005");
    EXPECT_EQ(model.Screen().caption, "Info über Anderes Programm");
    EXPECT_EQ(view.shownWithCaption.size(), 1u);  // setting the values alone shows nothing
}

TEST(InfoModel, LinksFollowTheMouseAndOpenTheMakersAddresses) {
    RecordingOpener opener;
    InfoModel model(opener, {});
    EXPECT_EQ(model.Screen().emailText, "info@quarv-software.example");
    EXPECT_EQ(model.Screen().urlText, "www.quarv-software.example");
    const InfoLinkLook blue{false, Rgb(0, 0, 255)};
    EXPECT_EQ(model.Screen().email, blue);

    model.HyperLinkMouseEnter(InfoLink::Url);
    EXPECT_TRUE(model.Screen().url.underlined);
    EXPECT_FALSE(model.Screen().email.underlined);
    model.HyperLinkMouseDown(InfoLink::Url);
    EXPECT_EQ(model.Screen().url.color, Rgb(255, 0, 0));
    model.HyperLinkMouseUp(InfoLink::Url);
    model.HyperLinkMouseLeave(InfoLink::Url);
    EXPECT_EQ(model.Screen().url, blue);

    model.LinkClick(InfoLink::EMail);
    model.LinkClick(InfoLink::Url);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"mailto:info@quarv-software.example",
                                                       "www.quarv-software.example"}));
}

class FakeWindow : public FontedWindow {
public:
    explicit FakeWindow(int points) : points_(points) {}
    int FontPoints() const override { return points_; }
    void SetFontFace(const std::string& face) override { this->face = face; }
    std::string face = "Arial";

private:
    int points_;
};

TEST(InfoModel, OnlyWindowsOfEightPointsTakeTheMessageFontFace) {
    FakeWindow seven(7), eight(8), nine(9);
    GiveMessageFontFace({&seven, &eight, &nine}, "Tahoma");
    EXPECT_EQ(seven.face, "Arial");
    EXPECT_EQ(eight.face, "Tahoma");
    EXPECT_EQ(nine.face, "Arial");
    // Sizes in pixels count at 96 dots per inch, halves away from zero.
    EXPECT_EQ(PointsOfPixels(11), 8);
    EXPECT_EQ(PointsOfPixels(10), 8);
    EXPECT_EQ(PointsOfPixels(9), 7);
    EXPECT_EQ(PointsOfPixels(12), 9);
}

}  // namespace
}  // namespace rangwerk
