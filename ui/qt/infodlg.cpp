#include "ui/qt/infodlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "drawing/info_banner.h"
#include "setup/maker.h"
#include "ui/qt/accessibility.h"
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
    return PointsOfPixels(font.pixelSize());
}

QUrl DesktopUrl(const QString& address) {
    // A bare host name has no scheme; the desktop needs one to pick the web browser.
    return QUrl::fromUserInput(address);
}

void DesktopAddressOpener::Open(const std::string& address) {
    QDesktopServices::openUrl(DesktopUrl(QString::fromStdString(address)));
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

TInfo::TInfo(Dialogs& dialogs, InfoModel& model, QIcon icon, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::Info>()),
      guard_(dialogs),
      model_(model),
      icon_(std::move(icon)) {
    RegisterInfoDialogResources();
    static const bool linksAccessible = (QAccessible::installFactory(&LinkLabelInterface), true);
    Q_UNUSED(linksAccessible);
    // The fixed layout comes from the form; behaviour is set up here.
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
    for (const auto& [label, link] :
         {std::pair{EMailLbl, InfoLink::EMail}, std::pair{URLLbl, InfoLink::Url}}) {
        label->SetGuard(&guard_);
        label->onMouseEnter = [this, link = link](TLinkLabel*) {
            model_.HyperLinkMouseEnter(link);
        };
        label->onMouseLeave = [this, link = link](TLinkLabel*) {
            model_.HyperLinkMouseLeave(link);
        };
        label->onMouseDown = [this, link = link](TLinkLabel*) { model_.HyperLinkMouseDown(link); };
        label->onMouseUp = [this, link = link](TLinkLabel*) { model_.HyperLinkMouseUp(link); };
        label->onClick = [this, link = link](TLinkLabel*) { model_.LinkClick(link); };
    }
    // Escape rejects the dialog on its own; both only hide it.
    connect(OK, &QPushButton::clicked, this, guard_.Wrap([this] { accept(); }));

    model_.SetView(this);
    Refresh();
}

TInfo::~TInfo() {
    model_.SetView(nullptr);
    // The labels outlive the dialog's members while the dialog is taken down; an event that
    // reaches them then (the mouse leaving) calls no handler.
    for (TLinkLabel* link : {EMailLbl, URLLbl}) {
        link->SetGuard(nullptr);
        link->onMouseEnter = link->onMouseLeave = link->onMouseDown = link->onMouseUp =
            link->onClick = nullptr;
    }
    LogoPB->onPaint = nullptr;
}

void TInfo::LoadLogo() const {
    if (!logo_.isNull())
        return;
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
    logoMask_.fill(0);
    for (int y = 0; y < logo_.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(logo_.constScanLine(y));
        for (int x = 0; x < logo_.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == 0)
                logoMask_.setPixel(x, y, 1);
        }
    }
}

const QImage& TInfo::Logo() const {
    LoadLogo();
    return logo_;
}

const QImage& TInfo::LogoMask() const {
    LoadLogo();
    return logoMask_;
}

void TInfo::MakeBackground() {
    const int width = LogoPB->width();
    const int height = LogoPB->height();
    if (background_.size() == QSize(width, height))
        return;
    LoadLogo();
    background_ = QImage(width, height, QImage::Format_RGB32);
    // The gradient, one column at a time: blue to white at three quarters, back to blue.
    std::vector<QRgb> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] = ToQRgb(BannerGradientColor(x, width));
    for (int y = 0; y < height; ++y) {
        std::copy(columns.begin(), columns.end(), reinterpret_cast<QRgb*>(background_.scanLine(y)));
    }
    // The logo: the mask ORed in, then the logo ANDed; what lies outside the box is cut off.
    BannerMetrics metrics;
    metrics.width = width;
    metrics.height = height;
    metrics.logoWidth = logo_.width();
    const BannerLayout place = LayOutBanner(metrics);
    for (int ly = 0; ly < logo_.height(); ++ly) {
        const int y = place.logoY + ly;
        if (y < 0 || y >= height)
            continue;
        auto* banner = reinterpret_cast<QRgb*>(background_.scanLine(y));
        const auto* logo = reinterpret_cast<const QRgb*>(logo_.constScanLine(ly));
        for (int lx = 0; lx < logo_.width(); ++lx) {
            const int x = place.logoX + lx;
            if (x < 0 || x >= width)
                continue;
            banner[x] = ToQRgb(CombineLogoPixel(FromQRgb(banner[x]), FromQRgb(logo[lx]),
                                                logoMask_.pixelIndex(lx, ly) == 1));
        }
    }
}

void TInfo::ShowLook(QLabel* label, const InfoLinkLook& look) {
    QFont font = label->font();
    if (look.underlined) {
        font.setUnderline(true);
    } else {
        // A plain style: none at all.
        font.setBold(false);
        font.setItalic(false);
        font.setUnderline(false);
        font.setStrikeOut(false);
    }
    if (font != label->font())
        label->setFont(font);
    SetTextColor(label,
                 QColor(int(RedOf(look.color)), int(GreenOf(look.color)), int(BlueOf(look.color))));
}

void TInfo::Refresh() {
    const InfoScreen& s = model_.Screen();
    setWindowTitle(QString::fromStdString(s.caption));
    InfoLbl->setText(QString::fromStdString(s.developerLine));
    EMailLbl->setText(QString::fromStdString(s.emailText));
    URLLbl->setText(QString::fromStdString(s.urlText));
    // Measuring the labels' texts loads their font, which a hidden dialog does not need yet.
    if (isVisible())
        PlaceLabels();
    ShowLook(EMailLbl, s.email);
    ShowLook(URLLbl, s.url);
    LogoPB->update();
}

void TInfo::PlaceLabels() {
    PlaceRightAligned(InfoLbl, 430, 69);
    PlaceRightAligned(EMailLbl, 432, 100);
    PlaceRightAligned(URLLbl, 432, 113);
}

void TInfo::setVisible(bool visible) {
    if (visible)
        PlaceLabels();
    QDialog::setVisible(visible);
}

void TInfo::ShowModal() {
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

void TInfo::LogoPBPaint(QPainter& painter) {
    // A box opened while painting would be painted over and over: a failure goes to the error
    // output.
    RunWhilePainting([&] {
        const InfoScreen& s = model_.Screen();
        const QFont regular = LogoPB->font();
        QFont bold = regular;
        bold.setBold(true);
        const QFontMetrics boldMetrics(bold, painter.device());
        const QFontMetrics regularMetrics(regular, painter.device());

        BannerMetrics metrics;
        metrics.width = LogoPB->width();
        metrics.height = LogoPB->height();
        metrics.logoWidth = logo_.width();
        metrics.iconWidth = kIconSize;
        metrics.iconHeight = kIconSize;
        metrics.titleHeightBold = boldMetrics.height();
        metrics.titleHeightRegular = regularMetrics.height();
        metrics.periodHeight = regularMetrics.height();
        const BannerLayout layout = LayOutBanner(metrics);

        // The gradient with the logo is made once, when it is first painted.
        MakeBackground();
        painter.drawImage(QPoint(0, 0), background_);
        if (!icon_.isNull()) {
            painter.drawPixmap(QRect(layout.iconX, layout.iconY, kIconSize, kIconSize),
                               icon_.pixmap(QSize(kIconSize, kIconSize)));
        }
        // The frame, one pixel wide along the inside of its rectangle.
        const QColor frame = LogoPB->palette().color(LogoPB->backgroundRole());
        const Rect& f = layout.frame;
        painter.fillRect(QRect(f.left, f.top, f.right - f.left, 1), frame);
        painter.fillRect(QRect(f.left, f.bottom - 1, f.right - f.left, 1), frame);
        painter.fillRect(QRect(f.left, f.top, 1, f.bottom - f.top), frame);
        painter.fillRect(QRect(f.right - 1, f.top, 1, f.bottom - f.top), frame);

        // Texts with a transparent background; each position is the top of its line. The
        // version is read from the program file at every repaint.
        painter.setPen(LogoPB->palette().color(QPalette::WindowText));
        painter.setFont(bold);
        painter.drawText(QPoint(layout.textX, layout.titleY + boldMetrics.ascent()),
                         QString::fromStdString(s.title));
        painter.setFont(regular);
        painter.drawText(QPoint(layout.textX, layout.versionY + regularMetrics.ascent()),
                         QString::fromStdString(model_.VersionLine()));
        painter.drawText(QPoint(layout.textX, layout.periodY + regularMetrics.ascent()),
                         QString::fromStdString(model_.PeriodLine()));
    });
}

namespace {

// A top-level widget as the message-font rule sees it.
class FontedWidget : public FontedWindow {
public:
    explicit FontedWidget(QWidget* window) : window_(window) {}
    int FontPoints() const override { return FontSizeInPoints(window_->font()); }
    void SetFontFace(const std::string& face) override {
        QFont font = window_->font();
        font.setFamily(QString::fromStdString(face));
        window_->setFont(font);
    }

private:
    QWidget* window_;
};

}  // namespace

std::vector<std::unique_ptr<FontedWindow>> ProgramWindowsForFontRule() {
    // Every window of the program that exists now. Only the window's own font changes: the
    // controls that follow it take the face along, controls with a font of their own (such as
    // the info dialog's labels) keep theirs.
    std::vector<std::unique_ptr<FontedWindow>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (IsProgramWindow(window))
            windows.push_back(std::make_unique<FontedWidget>(window));
    }
    return windows;
}

void GiveWindowsMessageFontFace(const QString& face) {
    const std::vector<std::unique_ptr<FontedWindow>> adapters = ProgramWindowsForFontRule();
    std::vector<FontedWindow*> windows;
    for (const auto& adapter : adapters) windows.push_back(adapter.get());
    GiveMessageFontFace(windows, face.toStdString());
}

}  // namespace rangwerk
