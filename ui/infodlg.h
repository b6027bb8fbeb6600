#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "platform/action_guard.h"
#include "platform/dialogs.h"

class QPainter;
class QPushButton;

namespace Ui {
class Info;
}

namespace rangwerk {

// Opens an address with the desktop's handler ("open" in the shell): "mailto:" addresses
// and the maker's web host.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void Open(const QString& address, QWidget* parent) = 0;
};

// The desktop's handler through QDesktopServices; the result is not used.
class DesktopUrlOpener : public UrlOpener {
public:
    void Open(const QString& address, QWidget* parent) override;
};

// The URL handed to the desktop for an address: "mailto:..." stays as it is; a bare host
// name becomes an http address of that host ("www.example" -> "http://www.example").
QUrl DesktopUrl(const QString& address);

// What the info dialog takes from outside.
struct InfoServices {
    // The "FileVersion" of the running program, read at every repaint ("" when missing).
    std::function<std::string()> readFileVersion;
    // The face name of the system's message font; empty: the desktop's general font.
    std::function<QString()> messageFontFace;
    // Opens the links; null: the desktop's handler. Not owned.
    UrlOpener* urlOpener = nullptr;
};

// The paint box at the top of the dialog: draws nothing itself, its paint handler does.
class TPaintBox : public QWidget {
public:
    explicit TPaintBox(QWidget* parent) : QWidget(parent) {}
    std::function<void(QPainter&)> onPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label that passes its mouse events on to the dialog's link handlers. Each event is one user
// action, run through the dialog's guard: a release that clicks runs the click and the release
// handler as one action.
class TLinkLabel : public QLabel {
public:
    explicit TLinkLabel(QWidget* parent) : QLabel(parent) {}
    std::function<void(TLinkLabel*)> onMouseEnter;
    std::function<void(TLinkLabel*)> onMouseLeave;
    std::function<void(TLinkLabel*)> onMouseDown;
    std::function<void(TLinkLabel*)> onMouseUp;
    std::function<void(TLinkLabel*)> onClick;

    // The guard the events run through; none: they run unguarded. Not owned.
    void SetGuard(ActionGuard* guard) { guard_ = guard; }
    // A click that does not come from the mouse (a screen reader's press action).
    void Click();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <class Handler>
    void Run(Handler&& handler) {
        if (guard_) {
            guard_->Run(std::forward<Handler>(handler));
        } else {
            handler();
        }
    }

    ActionGuard* guard_ = nullptr;
    bool clickPending_ = false;
};

// The info dialog: a banner with the program's icon, title, version and development period
// over a gradient with the maker's logo, a line naming the developer and two links to the
// maker. Created hidden at start; creating it adapts the fonts of all windows that exist then
// to the system's message font.
class TInfo : public QDialog {
    Q_OBJECT

public:
    // The fixed layout is the form ui/infodlg.ui.
    TInfo(Dialogs& dialogs, InfoServices services, QWidget* parent = nullptr);
    ~TInfo() override;

    // Stores the three values, sets the caption "Info über " + title and shows the dialog
    // modally; returns when it is closed. The icon is drawn at 32 x 32 pixels.
    void ShowInfo(const QString& title, const QString& developmentPeriod, const QIcon& icon);

    // The values of the last ShowInfo, for the banner (also set without showing, for tests and
    // for drawing the dialog elsewhere).
    void SetBannerValues(const QString& title, const QString& developmentPeriod, const QIcon& icon);

    // The maker's logo and its mask (set where the logo is black), loaded at creation.
    const QImage& Logo() const { return logo_; }
    const QImage& LogoMask() const { return logoMask_; }

    // The handlers. They are not guarded themselves: each user action is guarded once, where
    // its event enters the dialog.
    void FormCreate();
    void LogoPBPaint(QPainter& painter);
    void EMailLblClick();
    void URLLblClick();
    void HyperLinkMouseEnter(QLabel* sender);
    void HyperLinkMouseLeave(QLabel* sender);
    void HyperLinkMouseDown(QLabel* sender);
    void HyperLinkMouseUp(QLabel* sender);

    TPaintBox* LogoPB = nullptr;
    QLabel* InfoLbl = nullptr;
    TLinkLabel* EMailLbl = nullptr;
    TLinkLabel* URLLbl = nullptr;
    QPushButton* OK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CentreOnScreen();
    void AdaptFontsToMessageFont();
    void LoadLogo();
    void SetTexts();
    QImage PaintBanner() const;
    UrlOpener& Opener();

    std::unique_ptr<Ui::Info> ui_;
    ActionGuard guard_;
    InfoServices services_;
    DesktopUrlOpener desktopOpener_;
    QString title_;
    QString developmentPeriod_;
    QIcon icon_;
    QImage logo_;
    QImage logoMask_;
};

// The size of a font in whole points as the windows count it. A font given in pixels is
// converted at 96 dpi and rounded half away from zero, so the main windows' Arial 11 px (and a
// 10 px font) count as 8 points.
int FontSizeInPoints(const QFont& font);

}  // namespace rangwerk
