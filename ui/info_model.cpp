#include "ui/info_model.h"

#include <utility>

#include "setup/maker.h"

namespace rangwerk {

namespace {

constexpr Color kLinkBlue = Rgb(0, 0, 255);
constexpr Color kLinkPressed = Rgb(255, 0, 0);

}  // namespace

InfoModel::InfoModel(AddressOpener& opener, std::function<std::string()> readFileVersion)
    : opener_(opener), readFileVersion_(std::move(readFileVersion)) {
    screen_.developerLine = "Quarv-Software wird entwickelt von dem Rangwerk-Team";
    screen_.emailText = kMakerEmail;
    screen_.urlText = kMakerWebHost;
}

void InfoModel::Refresh() {
    if (view_)
        view_->Refresh();
}

void InfoModel::SetValues(const std::string& title, const std::string& developmentPeriod) {
    screen_.title = title;
    screen_.developmentPeriod = developmentPeriod;
    screen_.caption = "Info über " + title;
    Refresh();
}

void InfoModel::ShowInfo(const std::string& title, const std::string& developmentPeriod) {
    SetValues(title, developmentPeriod);
    if (view_)
        view_->ShowModal();
}

std::string InfoModel::VersionLine() const {
    return "Version: " + (readFileVersion_ ? readFileVersion_() : std::string());
}

std::string InfoModel::PeriodLine() const {
    return "Entwicklungszeit: " + screen_.developmentPeriod;
}

InfoLinkLook& InfoModel::Look(InfoLink link) {
    return link == InfoLink::EMail ? screen_.email : screen_.url;
}

void InfoModel::HyperLinkMouseEnter(InfoLink link) {
    Look(link).underlined = true;
    Refresh();
}

void InfoModel::HyperLinkMouseLeave(InfoLink link) {
    // The style becomes plain: no style at all.
    Look(link).underlined = false;
    Refresh();
}

void InfoModel::HyperLinkMouseDown(InfoLink link) {
    Look(link).color = kLinkPressed;
    Refresh();
}

void InfoModel::HyperLinkMouseUp(InfoLink link) {
    Look(link).color = kLinkBlue;
    Refresh();
}

void InfoModel::LinkClick(InfoLink link) {
    if (link == InfoLink::EMail) {
        opener_.Open(std::string("mailto:") + kMakerEmail);
    } else {
        // The web host name alone, without a path.
        opener_.Open(kMakerWebHost);
    }
}

void GiveMessageFontFace(const std::vector<FontedWindow*>& windows, const std::string& face) {
    for (FontedWindow* window : windows) {
        if (window->FontPoints() == 8)
            window->SetFontFace(face);
    }
}

int PointsOfPixels(int pixels) {
    // Pixels * 72 / 96, halves away from zero, as the window library counts a font's size.
    const int scaled = pixels * 72;
    return scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96);
}

}  // namespace rangwerk
