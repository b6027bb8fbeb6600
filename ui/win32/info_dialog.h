#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "ui/info_model.h"
#include "ui/win32/fonts.h"
#include "ui/win32/paint_area.h"
#include "ui/win32/top_level_window.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// Opens the info dialog's links with the shell's "open" (ShellOpen), shown normally, with the
// parent window set here (the info dialog, once it exists; without one, the active window).
class ShellAddressOpener : public AddressOpener {
public:
    void SetParent(HWND parent) { parent_ = parent; }
    void Open(const std::string& address) override;

private:
    HWND parent_ = nullptr;
};

// The identifiers of the info dialog's controls.
namespace info {
enum Control : int {
    LogoPB = 100,
    InfoLbl,
    EMailLbl,
    URLLbl,
    OK = IDOK,
};
}  // namespace info

// The info dialog (Win32): shows the info model (ui/info_model.h) and forwards its events. A
// painted banner with the program's icon, title, version and development period over a gradient
// with the maker's logo, a line naming the developer and two links to the maker. Created hidden;
// the model's ShowInfo shows it modally, centred on the screen, with its own message loop while
// its owner is disabled; OK, Enter, Escape and the close box only hide it.
class TInfo : public FontedWindow, private WindowHandler, private InfoView {
public:
    // The dialog over `model`, owned by `owner` (may be null); its window is made when it is
    // first shown (most starts never show it). `icon` (not owned, it must outlive the dialog) is
    // drawn at its own size at the left of the banner. The logo is the bitmap "LOGO" of the
    // program file's resources. `dialogs` shows the failures of the user's actions.
    TInfo(InfoModel& model, Dialogs& dialogs, HICON icon, HWND owner);
    ~TInfo() override;
    TInfo(const TInfo&) = delete;
    TInfo& operator=(const TInfo&) = delete;

    // The dialog's window and controls, made when it is first shown or by MakeWindow (which
    // throws Failure when the logo is missing or the window cannot be created); null before.
    void MakeWindow();
    HWND Window() const { return window_; }
    HWND Control(info::Control id) const;
    // The logo and its mask (set where the logo is black), made at creation.
    HBITMAP Logo() const { return logo_.get(); }
    HBITMAP LogoMask() const { return logoMask_.get(); }

    // FontedWindow: the dialog's font, MS Sans Serif 8 points. A new face goes to the banner's
    // texts and to "OK"; the three labels keep their own fonts.
    int FontPoints() const override;
    void SetFontFace(const std::string& face) override;

private:
    struct DeleteGdiObject {
        void operator()(HGDIOBJ object) const { DeleteObject(object); }
    };
    using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteGdiObject>;

    void LoadLogo();
    void MakeBackground();
    void PaintBanner(HDC dc);
    void ShowLink(info::Control id, const InfoLinkLook& look);
    void MakeDialogFonts();

    // InfoView
    void Refresh() override;
    void ShowModal() override;

    // WindowHandler
    std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) override;
    // The messages of the link labels, which the dialog takes before them.
    static LRESULT CALLBACK LinkProcedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR link, DWORD_PTR dialog);
    void LinkMouse(InfoLink link, HWND label, UINT message, LPARAM lParam);
    template <class Handler>
    void Guarded(Handler&& handler);

    InfoModel& model_;
    ActionGuard guard_;
    HICON icon_;
    SIZE iconSize_{};
    HWND owner_;
    FontDescription dialogFontDescription_;
    Font dialogFont_;
    Font boldFont_;
    // The labels' own fonts, which the message-font rule does not touch.
    Font labelFont_;
    Font underlinedFont_;
    Bitmap logo_;
    Bitmap logoMask_;
    // The gradient with the logo combined into it: it never changes, so it is made once.
    Bitmap background_;
    Painter painter_;
    HWND window_ = nullptr;
    std::map<int, HWND> controls_;
    bool modalRunning_ = false;
    // Per link: the mouse is over it, the left button went down on it.
    std::map<InfoLink, bool> hovered_;
    std::map<InfoLink, bool> leftDown_;
};

}  // namespace rangwerk::win32
