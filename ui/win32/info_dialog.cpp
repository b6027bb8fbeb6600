#include "ui/win32/info_dialog.h"

#include <utility>

#include "base/failure.h"
#include "base/wide_text.h"
#include "drawing/info_banner.h"
#include "ui/win32/controls.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/shell.h"

namespace rangwerk::win32 {

using namespace info;

namespace {

constexpr int kClientWidth = 435;
constexpr int kClientHeight = 132;
constexpr int kBannerWidth = 435;
constexpr int kBannerHeight = 65;

// A memory device context with a bitmap selected, for the lifetime of the object.
class BitmapDc {
public:
    explicit BitmapDc(HBITMAP bitmap)
        : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_, bitmap)) {}
    ~BitmapDc() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    BitmapDc(const BitmapDc&) = delete;
    BitmapDc& operator=(const BitmapDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return SIZE{0, 0};
    SIZE size = BitmapSize(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask);
    // A monochrome icon holds its mask and its image one above the other.
    if (info.hbmColor == nullptr)
        size.cy /= 2;
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    return size;
}

// A right-aligned label sizes itself to its text (in its font) and keeps its right edge.
void PlaceRightAligned(HWND label, int rightEdge, int top) {
    const std::wstring text = WideFromUtf8(TextOf(label));
    HDC dc = GetDC(label);
    SelectedFont font(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, rightEdge - size.cx, top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ShellAddressOpener::Open(const std::string& address) {
    ShellOpen(parent_ != nullptr ? parent_ : GetActiveWindow(), address);
}

TInfo::TInfo(InfoModel& model, Dialogs& dialogs, HICON icon, HWND owner)
    : model_(model),
      guard_(dialogs),
      icon_(icon),
      iconSize_(IconSize(icon)),
      owner_(owner),
      dialogFontDescription_(InfoFont()) {
    model_.SetView(this);
}

void TInfo::MakeWindow() {
    if (window_ != nullptr)
        return;
    FontDescription underlined = InfoFont();
    underlined.underline = true;
    underlinedFont_ = MakeFont(underlined);
    labelFont_ = MakeFont(InfoFont());
    MakeDialogFonts();
    LoadLogo();
    MakeBackground();

    window_ = CreateTopLevelWindow(
        {"", kClientWidth, kClientHeight, WindowFrame::Border::DialogFrame}, *this, owner_);
    if (window_ == nullptr)
        throw Failure("Das Fenster \"Info\" kann nicht erzeugt werden");
    painter_ = [this](HDC dc, const RECT&) { PaintBanner(dc); };
    controls_[LogoPB] =
        CreatePaintArea(window_, LogoPB, {0, 0, kBannerWidth, kBannerHeight}, painter_);
    HFONT label = labelFont_.Handle();
    controls_[InfoLbl] = CreateStaticText(window_, InfoLbl, {}, "", label, TextAlign::Right);
    controls_[EMailLbl] = CreateStaticText(window_, EMailLbl, {}, "", label, TextAlign::Right);
    controls_[URLLbl] = CreateStaticText(window_, URLLbl, {}, "", label, TextAlign::Right);
    controls_[OK] = CreateButton(window_, OK, {177, 101, 81, 25}, "OK", dialogFont_.Handle());
    SendMessageW(window_, DM_SETDEFID, OK, 0);
    SetWindowSubclass(Control(EMailLbl), LinkProcedure, static_cast<UINT_PTR>(InfoLink::EMail),
                      reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(Control(URLLbl), LinkProcedure, static_cast<UINT_PTR>(InfoLink::Url),
                      reinterpret_cast<DWORD_PTR>(this));
    Refresh();
}

TInfo::~TInfo() {
    model_.SetView(nullptr);
    if (window_ == nullptr)
        return;
    RemoveWindowSubclass(Control(EMailLbl), LinkProcedure, static_cast<UINT_PTR>(InfoLink::EMail));
    RemoveWindowSubclass(Control(URLLbl), LinkProcedure, static_cast<UINT_PTR>(InfoLink::Url));
    DestroyWindow(window_);
}

HWND TInfo::Control(info::Control id) const {
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

void TInfo::MakeDialogFonts() {
    dialogFont_ = MakeFont(dialogFontDescription_);
    FontDescription bold = dialogFontDescription_;
    bold.bold = true;
    boldFont_ = MakeFont(bold);
}

int TInfo::FontPoints() const {
    return dialogFontDescription_.points;
}

void TInfo::SetFontFace(const std::string& face) {
    dialogFontDescription_.face = WideFromUtf8(face);
    if (window_ == nullptr)
        return;
    const Font old = std::exchange(dialogFont_, Font());
    const Font oldBold = std::exchange(boldFont_, Font());
    MakeDialogFonts();
    SetFont(Control(OK), dialogFont_.Handle());
    InvalidateRect(Control(LogoPB), nullptr, FALSE);
}

// --- The logo and the banner --------------------------------------------------------------

void TInfo::LoadLogo() {
    logo_.reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"LOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!logo_)
        throw Failure("Ressource LOGO nicht gefunden");
    // Set where the logo is black, clear everywhere else: turning colours into one bit, GDI
    // sets the bits of the pixels in the source's background colour.
    const SIZE size = BitmapSize(logo_.get());
    logoMask_.reset(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    BitmapDc logo(logo_.get());
    BitmapDc mask(logoMask_.get());
    SetBkColor(logo.Get(), RGB(0, 0, 0));
    BitBlt(mask.Get(), 0, 0, size.cx, size.cy, logo.Get(), 0, 0, SRCCOPY);
}

void TInfo::MakeBackground() {
    HDC screen = GetDC(nullptr);
    background_.reset(CreateCompatibleBitmap(screen, kBannerWidth, kBannerHeight));
    ReleaseDC(nullptr, screen);
    BitmapDc banner(background_.get());
    PaintBannerGradient(banner.Get(), kBannerWidth, kBannerHeight);

    // The mask ORed in (its set bits become white, as the background colour of the banner),
    // then the logo ANDed; what lies outside the banner is cut off.
    const SIZE size = BitmapSize(logo_.get());
    BannerMetrics metrics;
    metrics.width = kBannerWidth;
    metrics.height = kBannerHeight;
    metrics.logoWidth = size.cx;
    const BannerLayout place = LayOutBanner(metrics);
    SetBkColor(banner.Get(), RGB(255, 255, 255));
    SetTextColor(banner.Get(), RGB(0, 0, 0));
    BitmapDc mask(logoMask_.get());
    BitBlt(banner.Get(), place.logoX, place.logoY, size.cx, size.cy, mask.Get(), 0, 0, SRCPAINT);
    BitmapDc logo(logo_.get());
    BitBlt(banner.Get(), place.logoX, place.logoY, size.cx, size.cy, logo.Get(), 0, 0, SRCAND);
}

void TInfo::PaintBanner(HDC dc) {
    // A box opened while painting would be painted over and over: a failure goes to the error
    // output.
    RunWhilePainting([&] {
        BannerMetrics metrics;
        metrics.width = kBannerWidth;
        metrics.height = kBannerHeight;
        metrics.logoWidth = BitmapSize(logo_.get()).cx;
        metrics.iconWidth = iconSize_.cx;
        metrics.iconHeight = iconSize_.cy;
        {
            SelectedFont bold(dc, boldFont_.Handle());
            metrics.titleHeightBold = TextHeight(dc);
        }
        SelectedFont regular(dc, dialogFont_.Handle());
        metrics.titleHeightRegular = TextHeight(dc);
        metrics.periodHeight = TextHeight(dc);
        const BannerLayout layout = LayOutBanner(metrics);

        BitmapDc background(background_.get());
        BitBlt(dc, 0, 0, kBannerWidth, kBannerHeight, background.Get(), 0, 0, SRCCOPY);
        if (icon_ != nullptr) {
            DrawIconEx(dc, layout.iconX, layout.iconY, icon_, iconSize_.cx, iconSize_.cy, 0,
                       nullptr, DI_NORMAL);
        }
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        DrawFrame(dc, layout.frame, Rgb(GetRValue(face), GetGValue(face), GetBValue(face)));

        // The version is read from the program file at every repaint.
        const COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        {
            SelectedFont bold(dc, boldFont_.Handle());
            DrawPlacedText(dc, {model_.Screen().title, layout.textX}, layout.titleY, false);
        }
        DrawPlacedText(dc, {model_.VersionLine(), layout.textX}, layout.versionY, false);
        DrawPlacedText(dc, {model_.PeriodLine(), layout.textX}, layout.periodY, false);
        SetTextColor(dc, oldColor);
    });
}

// --- Showing the model --------------------------------------------------------------------

void TInfo::ShowLink(info::Control id, const InfoLinkLook& look) {
    HWND label = Control(id);
    HFONT font = look.underlined ? underlinedFont_.Handle() : labelFont_.Handle();
    if (reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)) != font)
        SetFont(label, font);
    // The colour is given when the label asks for it (WM_CTLCOLORSTATIC).
    InvalidateRect(label, nullptr, TRUE);
}

void TInfo::Refresh() {
    if (window_ == nullptr)
        return;
    const InfoScreen& s = model_.Screen();
    SetText(window_, s.caption);
    SetText(Control(InfoLbl), s.developerLine);
    SetText(Control(EMailLbl), s.emailText);
    SetText(Control(URLLbl), s.urlText);
    ShowLink(EMailLbl, s.email);
    ShowLink(URLLbl, s.url);
    PlaceRightAligned(Control(InfoLbl), 430, 69);
    PlaceRightAligned(Control(EMailLbl), 432, 100);
    PlaceRightAligned(Control(URLLbl), 432, 113);
    InvalidateRect(Control(LogoPB), nullptr, FALSE);
}

void TInfo::ShowModal() {
    MakeWindow();
    CentreOnScreen(window_);
    const bool disableOwner = owner_ != nullptr && IsWindowEnabled(owner_);
    if (disableOwner)
        EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(OK)), TRUE);
    modalRunning_ = true;
    MessageLoop loop;
    loop.AddDialogWindow(window_);
    loop.RunWhile([this] { return modalRunning_; });
    modalRunning_ = false;
    // The owner is enabled again before the dialog goes, so that it becomes the active window.
    if (disableOwner)
        EnableWindow(owner_, TRUE);
    ShowWindow(window_, SW_HIDE);
}

// --- Events -------------------------------------------------------------------------------

template <class Handler>
void TInfo::Guarded(Handler&& handler) {
    guard_.Run(std::forward<Handler>(handler));
}

std::optional<LRESULT> TInfo::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // "OK", Enter, Escape and the close box.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                modalRunning_ = false;
            return 0;
        case WM_CTLCOLORSTATIC: {
            const auto label = reinterpret_cast<HWND>(lParam);
            const InfoScreen& s = model_.Screen();
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            if (label == Control(EMailLbl) || label == Control(URLLbl)) {
                SetTextColor(dc,
                             ColorRefOf(label == Control(EMailLbl) ? s.email.color : s.url.color));
            } else {
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            }
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        default:
            return std::nullopt;
    }
}

LRESULT CALLBACK TInfo::LinkProcedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR link, DWORD_PTR dialog) {
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;  // a label would let the mouse through to the dialog
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            reinterpret_cast<TInfo*>(dialog)->LinkMouse(static_cast<InfoLink>(link), label, message,
                                                        lParam);
            return 0;
        default:
            return DefSubclassProc(label, message, wParam, lParam);
    }
}

void TInfo::LinkMouse(InfoLink link, HWND label, UINT message, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            if (hovered_[link])
                return;
            hovered_[link] = true;
            {
                TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, label, 0};
                TrackMouseEvent(&track);
            }
            Guarded([&] { model_.HyperLinkMouseEnter(link); });
            return;
        case WM_MOUSELEAVE:
            hovered_[link] = false;
            Guarded([&] { model_.HyperLinkMouseLeave(link); });
            return;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            leftDown_[link] = message == WM_LBUTTONDOWN;
            SetCapture(label);
            Guarded([&] { model_.HyperLinkMouseDown(link); });
            return;
        default: {
            // A button released. A click is a left press and release, both over the label; it
            // comes before the release handler, as one action.
            RECT client{};
            GetClientRect(label, &client);
            const POINT point{static_cast<short>(LOWORD(lParam)),
                              static_cast<short>(HIWORD(lParam))};
            const bool click = std::exchange(leftDown_[link], false) && message == WM_LBUTTONUP &&
                               PtInRect(&client, point);
            if (GetCapture() == label)
                ReleaseCapture();
            Guarded([&] {
                if (click)
                    model_.LinkClick(link);
                model_.HyperLinkMouseUp(link);
            });
            return;
        }
    }
}

}  // namespace rangwerk::win32
