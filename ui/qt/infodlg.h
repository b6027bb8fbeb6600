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
#include <vector>

#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "ui/info_model.h"

class QPainter;
class QPushButton;

namespace Ui {
class Info;
}

namespace rangwerk {

// Opens an address with the desktop's handler through QDesktopServices (which takes no parent
// window); the result is not used.
class DesktopAddressOpener : public AddressOpener {
public:
    void Open(const std::string& address) override;
};

// The URL handed to the desktop for an address: "mailto:..." stays as it is; a bare host
// name becomes an http address of that host ("www.example" -> "http://www.example").
QUrl DesktopUrl(const QString& address);

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

// The info dialog: shows the info model (ui/info_model.h) and forwards its events. A banner
// with the program's icon, title, version and development period over a gradient with the
// maker's logo, a line naming the developer and two links to the maker. Created hidden at start.
class TInfo : public QDialog, private InfoView {
    Q_OBJECT

public:
    // The fixed layout is the form ui/infodlg.ui; `icon` is drawn at 32 x 32 pixels.
    TInfo(Dialogs& dialogs, InfoModel& model, QIcon icon, QWidget* parent = nullptr);
    ~TInfo() override;

    // The maker's logo and its mask (set where the logo is black), loaded when first needed.
    const QImage& Logo() const;
    const QImage& LogoMask() const;

    void LogoPBPaint(QPainter& painter);
    // The labels are placed by their texts when the dialog is shown.
    void setVisible(bool visible) override;

    TPaintBox* LogoPB = nullptr;
    QLabel* InfoLbl = nullptr;
    TLinkLabel* EMailLbl = nullptr;
    TLinkLabel* URLLbl = nullptr;
    QPushButton* OK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // InfoView
    void Refresh() override;
    void ShowModal() override;

    void CentreOnScreen();
    void PlaceLabels();
    void LoadLogo() const;
    // The gradient with the logo combined into it: it never changes, so it is made once, when
    // the banner is first painted.
    void MakeBackground();
    static void ShowLook(QLabel* label, const InfoLinkLook& look);

    std::unique_ptr<Ui::Info> ui_;
    ActionGuard guard_;
    InfoModel& model_;
    QIcon icon_;
    mutable QImage logo_;
    mutable QImage logoMask_;
    QImage background_;
};

// The top-level windows of the program that exist now, as the message-font rule of the start
// sees them (ui/info_model.h).
std::vector<std::unique_ptr<FontedWindow>> ProgramWindowsForFontRule();
// That rule over them: every one whose font has 8 points gets `face`.
void GiveWindowsMessageFontFace(const QString& face);

// The size of a font in whole points as the windows count it. A font given in pixels is
// converted at 96 dpi and rounded half away from zero, so the main windows' Arial 11 px (and a
// 10 px font) count as 8 points.
int FontSizeInPoints(const QFont& font);

}  // namespace rangwerk
