#pragma once

#include <functional>
#include <string>
#include <vector>

#include "drawing/drawing.h"

namespace rangwerk {

// Opens an address with the system's handler (the shell's "open"): a "mailto:" address or the
// maker's web host name alone. The result is not used.
class AddressOpener {
public:
    virtual ~AddressOpener() = default;
    virtual void Open(const std::string& address) = 0;
};

// The two links of the info dialog.
enum class InfoLink { EMail, Url };

// How a link is shown: underlined while the mouse is over it, red while a mouse button is down
// on it, blue otherwise.
struct InfoLinkLook {
    bool underlined = false;
    Color color = Rgb(0, 0, 255);

    bool operator==(const InfoLinkLook&) const = default;
};

// What the info dialog shows, kept by its model.
struct InfoScreen {
    std::string caption;  // "Info über " + title, set by ShowInfo
    std::string title;    // drawn in bold in the banner
    std::string developmentPeriod;
    std::string developerLine;  // `InfoLbl`
    std::string emailText;      // `EMailLbl`: the maker's e-mail address
    std::string urlText;        // `URLLbl`: the maker's web host name
    InfoLinkLook email;
    InfoLinkLook url;
};

// What the model asks of the window that shows it.
class InfoView {
public:
    virtual ~InfoView() = default;
    // Shows the model's state now.
    virtual void Refresh() = 0;
    // Shows the dialog modally and returns when it has been closed (OK, Enter, Escape or the
    // close box only hide it).
    virtual void ShowModal() = 0;
};

// The info dialog without its window: the texts, the looks of the two links and what they open.
// The banner's geometry is drawing/info_banner.h; the window paints it and asks the model for the
// version line at every repaint.
class InfoModel {
public:
    // `readFileVersion` is asked at every repaint: the version is never kept.
    InfoModel(AddressOpener& opener, std::function<std::string()> readFileVersion);

    void SetView(InfoView* view) { view_ = view; }
    const InfoScreen& Screen() const { return screen_; }

    // Stores the title and the development period, sets the caption and shows the dialog
    // modally; returns when it is closed.
    void ShowInfo(const std::string& title, const std::string& developmentPeriod);
    // The same values and caption without showing the dialog.
    void SetValues(const std::string& title, const std::string& developmentPeriod);

    // The banner's two lines below the title, read afresh each time.
    std::string VersionLine() const;
    std::string PeriodLine() const;

    // The link handlers (the same for both links).
    void HyperLinkMouseEnter(InfoLink link);
    void HyperLinkMouseLeave(InfoLink link);
    void HyperLinkMouseDown(InfoLink link);
    void HyperLinkMouseUp(InfoLink link);
    // A click: a press and a release of the left button, both over the link, or a screen
    // reader's press action.
    void LinkClick(InfoLink link);

private:
    InfoLinkLook& Look(InfoLink link);
    void Refresh();

    AddressOpener& opener_;
    std::function<std::string()> readFileVersion_;
    InfoView* view_ = nullptr;
    InfoScreen screen_;
};

// A window as the message-font rule of the start sees it.
class FontedWindow {
public:
    virtual ~FontedWindow() = default;
    // The size of the window's own font in whole points (a font given in pixels counts at
    // 96 dots per inch, rounded half away from zero: Arial 11 pixels is 8 points).
    virtual int FontPoints() const = 0;
    // Gives the window's own font this face; size, style and colour stay. Controls that follow
    // the window's font take the face along; controls with a font of their own keep theirs.
    virtual void SetFontFace(const std::string& face) = 0;
};

// The start step run when the info dialog is created: every window that exists at that moment
// and whose font has exactly 8 points gets the face of the system's message font.
void GiveMessageFontFace(const std::vector<FontedWindow*>& windows, const std::string& face);

// Whole points of a font given in pixels, at 96 dots per inch, rounded half away from zero.
int PointsOfPixels(int pixels);

}  // namespace rangwerk
