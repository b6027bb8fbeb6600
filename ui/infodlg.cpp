#include "ui/infodlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "base/failure.h"
#include "drawing/info_banner.h"
#include "setup/maker.h"
#include "ui/accessibility.h"
#include "ui_infodlg.h"

// The logo lives in a resource file of this static library; it has to be registered by name
// from the global namespace before the first use.
static void RegisterInfoDialogResources() {
    Q_INIT_RESOURCE(infodlg_resources);
}

namespace rangwerk {

namespace {

constexpr int kIconSize = 32;

// The link labels are links for screen readers too: named by their text, opened by the press
// action as by a click.
QAccessibleInterface* LinkLabelInterface(const QString&, QObject* object) {
    auto* link = dynamic_cast<TLinkLabel*>(object);
    if (!link)
        return nullptr;
    return new AccessibleLink(link, [link] { link->Click(); });
}

QRgb ToQRgb(Color c) {
    return qRgb(int(RedOf(c)), int(GreenOf(c)), int(BlueOf(c)));
}
Color FromQRgb(QRgb c) {
    return Rgb(qRed(c), qGreen(c), qBlue(c));
}

void SetTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    // On the dialog's button-face background a label would otherwise draw in the button text
    // colour that contrasts with it.
    label->setForegroundRole(QPalette::WindowText);
}

// A right-aligned label sizes itself to its text and keeps its right edge (exclusive).
void PlaceRightAligned(QLabel* label, int rightEdge, int top) {
    label->adjustSize();
    label->move(rightEdge - label->width(), top);
}

// Popup menus and tool tips are no windows of their own in this sense; they keep the fonts
// they have.
bool IsProgramWindow(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop;
}

}  // namespace

int FontSizeInPoints(const QFont& font) {
    if (font.pointSize() > 0)
        return font.pointSize();
    // Pixels * 72 / 96, rounded half away from zero as the window library does it.
    const int pixels = font.pixelSize();
    return (pixels * 72 + 48) / 96;
}

QUrl DesktopUrl(const QString& address) {
    // A bare host name has no scheme; the desktop needs one to pick the web browser.
    return QUrl::fromUserInput(address);
}

void DesktopUrlOpener::Open(const QString& address, QWidget* /*parent*/) {
    QDesktopServices::openUrl(DesktopUrl(address));
}

void TPaintBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (onPaint)
        onPaint(painter);
}

void TLinkLabel::Click() {
    Run([&] {
        if (onClick)
            onClick(this);
    });
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    Run([&] {
        if (onMouseEnter)
            onMouseEnter(this);
    });
}

void TLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    Run([&] {
        if (onMouseLeave)
            onMouseLeave(this);
    });
}

void TLinkLabel::mousePressEvent(QMouseEvent* event) {
    clickPending_ = event->button() == Qt::LeftButton;
    event->accept();
    Run([&] {
        if (onMouseDown)
            onMouseDown(this);
    });
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a left press and release, both over the label; it comes before the release
    // handler.
    const bool click = clickPending_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    clickPending_ = false;
    event->accept();
    Run([&] {
        if (click && onClick)
            onClick(this);
        if (onMouseUp)
            onMouseUp(this);
    });
}

TInfo::TInfo(Dialogs& dialogs, InfoServices services, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::Info>()),
      guard_(dialogs),
      services_(std::move(services)) {
    RegisterInfoDialogResources();
    static const bool linksAccessible = (QAccessible::installFactory(&LinkLabelInterface), true);
    Q_UNUSED(linksAccessible);
    // The fixed layout and captions come from the form; behaviour is set up here.
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setBackgroundRole(QPalette::Button);
    LogoPB = ui_->LogoPB;
    InfoLbl = ui_->InfoLbl;
    EMailLbl = ui_->EMailLbl;
    URLLbl = ui_->URLLbl;
    OK = ui_->OK;

    LogoPB->onPaint = [this](QPainter& painter) { LogoPBPaint(painter); };
    InfoLbl->setForegroundRole(QPalette::WindowText);
    for (TLinkLabel* label : {EMailLbl, URLLbl}) {
        label->SetGuard(&guard_);
        SetTextColor(label, QColor(0, 0, 255));
        label->onMouseEnter = [this](TLinkLabel* l) { HyperLinkMouseEnter(l); };
        label->onMouseLeave = [this](TLinkLabel* l) { HyperLinkMouseLeave(l); };
        label->onMouseDown = [this](TLinkLabel* l) { HyperLinkMouseDown(l); };
        label->onMouseUp = [this](TLinkLabel* l) { HyperLinkMouseUp(l); };
    }
    EMailLbl->onClick = [this](TLinkLabel*) { EMailLblClick(); };
    URLLbl->onClick = [this](TLinkLabel*) { URLLblClick(); };
    // Escape rejects the dialog on its own; both only hide it.
    connect(OK, &QPushButton::clicked, this, guard_.Wrap([this] { accept(); }));

    guard_.Run([&] { FormCreate(); });
}

TInfo::~TInfo() {
    // The labels outlive the dialog's members while the dialog is taken down; an event that
    // reaches them then (the mouse leaving) calls no handler.
    for (TLinkLabel* link : {EMailLbl, URLLbl}) {
        link->SetGuard(nullptr);
        link->onMouseEnter = link->onMouseLeave = link->onMouseDown = link->onMouseUp =
            link->onClick = nullptr;
    }
    LogoPB->onPaint = nullptr;
}

void TInfo::FormCreate() {
    AdaptFontsToMessageFont();
    LoadLogo();
    SetTexts();
}

void TInfo::AdaptFontsToMessageFont() {
    const QString face = services_.messageFontFace
                             ? services_.messageFontFace()
                             : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    // Every window of the program that exists now, this dialog included. Only the window's own
    // font changes: the controls that follow it take the face along, controls with a font of
    // their own (such as this dialog's labels) keep theirs.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (!IsProgramWindow(window))
            continue;
        QFont font = window->font();
        if (FontSizeInPoints(font) != 8)
            continue;
        font.setFamily(face);
        window->setFont(font);
    }
}

void TInfo::LoadLogo() {
    // The resource has no file suffix: without the format, reading it would load every image
    // plug-in to guess it.
    QImage logo(QStringLiteral(":/LOGO"), "BMP");
    if (logo.isNull())
        throw Failure("Ressource LOGO nicht gefunden");
    logo_ = logo.convertToFormat(QImage::Format_RGB32);
    // Set (1) where the logo is black, clear (0) everywhere else.
    logoMask_ = QImage(logo_.size(), QImage::Format_MonoLSB);
    logoMask_.setColor(0, qRgb(0, 0, 0));
    logoMask_.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < logo_.height(); ++y) {
        for (int x = 0; x < logo_.width(); ++x) {
            const bool black = (logo_.pixel(x, y) & 0xFFFFFF) == 0;
            logoMask_.setPixel(x, y, black ? 1 : 0);
        }
    }
}

void TInfo::SetTexts() {
    EMailLbl->setText(QString::fromUtf8(kMakerEmail));
    URLLbl->setText(QString::fromUtf8(kMakerWebHost));
    PlaceRightAligned(InfoLbl, 430, 69);
    PlaceRightAligned(EMailLbl, 432, 100);
    PlaceRightAligned(URLLbl, 432, 113);
}

void TInfo::SetBannerValues(const QString& title, const QString& developmentPeriod,
                            const QIcon& icon) {
    title_ = title;
    developmentPeriod_ = developmentPeriod;
    icon_ = icon;
    LogoPB->update();
}

void TInfo::ShowInfo(const QString& title, const QString& developmentPeriod, const QIcon& icon) {
    SetBannerValues(title, developmentPeriod, icon);
    setWindowTitle(QStringLiteral("Info über ") + title);
    exec();
}

void TInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen();
}

void TInfo::CentreOnScreen() {
    QScreen* screen = this->screen();
    if (!screen)
        return;
    // The whole window with its border, once the border is known.
    const QRect area = screen->geometry();
    const QSize size = frameGeometry().size();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
}

QImage TInfo::PaintBanner() const {
    const int width = LogoPB->width();
    const int height = LogoPB->height();
    QImage canvas(width, height, QImage::Format_RGB32);

    // The gradient, one column at a time: blue to white at three quarters, back to blue.
    for (int x = 0; x < width; ++x) {
        const QRgb color = ToQRgb(BannerGradientColor(x, width));
        for (int y = 0; y < height; ++y) canvas.setPixel(x, y, color);
    }

    const QFont regular = LogoPB->font();
    QFont bold = regular;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold, &canvas);
    const QFontMetrics regularMetrics(regular, &canvas);

    BannerMetrics metrics;
    metrics.width = width;
    metrics.height = height;
    metrics.logoWidth = logo_.width();
    metrics.iconWidth = kIconSize;
    metrics.iconHeight = kIconSize;
    metrics.titleHeightBold = boldMetrics.height();
    metrics.titleHeightRegular = regularMetrics.height();
    metrics.periodHeight = regularMetrics.height();
    const BannerLayout layout = LayOutBanner(metrics);

    // The logo: the mask ORed in, then the logo ANDed; what lies outside the box is cut off.
    for (int ly = 0; ly < logo_.height(); ++ly) {
        const int y = layout.logoY + ly;
        if (y < 0 || y >= height)
            continue;
        for (int lx = 0; lx < logo_.width(); ++lx) {
            const int x = layout.logoX + lx;
            if (x < 0 || x >= width)
                continue;
            const Color combined =
                CombineLogoPixel(FromQRgb(canvas.pixel(x, y)), FromQRgb(logo_.pixel(lx, ly)),
                                 logoMask_.pixelIndex(lx, ly) == 1);
            canvas.setPixel(x, y, ToQRgb(combined));
        }
    }

    QPainter painter(&canvas);
    if (!icon_.isNull()) {
        painter.drawPixmap(QRect(layout.iconX, layout.iconY, kIconSize, kIconSize),
                           icon_.pixmap(QSize(kIconSize, kIconSize)));
    }
    // The frame, one pixel wide along the inside of its rectangle.
    const QColor background = LogoPB->palette().color(LogoPB->backgroundRole());
    const Rect& f = layout.frame;
    painter.fillRect(QRect(f.left, f.top, f.right - f.left, 1), background);
    painter.fillRect(QRect(f.left, f.bottom - 1, f.right - f.left, 1), background);
    painter.fillRect(QRect(f.left, f.top, 1, f.bottom - f.top), background);
    painter.fillRect(QRect(f.right - 1, f.top, 1, f.bottom - f.top), background);

    // Texts with a transparent background; each position is the top of its line.
    painter.setPen(LogoPB->palette().color(QPalette::WindowText));
    painter.setFont(bold);
    painter.drawText(QPoint(layout.textX, layout.titleY + boldMetrics.ascent()), title_);
    painter.setFont(regular);
    const QString version =
        QString::fromStdString(services_.readFileVersion ? services_.readFileVersion() : "");
    painter.drawText(QPoint(layout.textX, layout.versionY + regularMetrics.ascent()),
                     QStringLiteral("Version: ") + version);
    painter.drawText(QPoint(layout.textX, layout.periodY + regularMetrics.ascent()),
                     QStringLiteral("Entwicklungszeit: ") + developmentPeriod_);
    painter.end();
    return canvas;
}

void TInfo::LogoPBPaint(QPainter& painter) {
    // A box opened while painting would be painted over and over: a failure goes to the error
    // output.
    RunWhilePainting([&] { painter.drawImage(QPoint(0, 0), PaintBanner()); });
}

UrlOpener& TInfo::Opener() {
    return services_.urlOpener ? *services_.urlOpener : desktopOpener_;
}

void TInfo::EMailLblClick() {
    Opener().Open(QStringLiteral("mailto:") + QString::fromUtf8(kMakerEmail), this);
}

void TInfo::URLLblClick() {
    Opener().Open(QString::fromUtf8(kMakerWebHost), this);
}

void TInfo::HyperLinkMouseEnter(QLabel* sender) {
    QFont font = sender->font();
    font.setUnderline(true);
    sender->setFont(font);
}

void TInfo::HyperLinkMouseLeave(QLabel* sender) {
    QFont font = sender->font();
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    sender->setFont(font);
}

void TInfo::HyperLinkMouseDown(QLabel* sender) {
    SetTextColor(sender, QColor(255, 0, 0));
}

void TInfo::HyperLinkMouseUp(QLabel* sender) {
    SetTextColor(sender, QColor(0, 0, 255));
}

}  // namespace rangwerk
