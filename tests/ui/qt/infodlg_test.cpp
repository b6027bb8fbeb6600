#include "ui/qt/infodlg.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QFile>
#include <QFontMetrics>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/failure.h"
#include "drawing/info_banner.h"
#include "support/scripted_dialogs.h"

using rangwerk::BannerGradientColor;
using rangwerk::Color;
using rangwerk::InfoModel;
using rangwerk::TInfo;

namespace {

// Whether a label's text is painted in `color`, however the glyphs are smoothed: every pixel is
// the background (the most frequent colour), or lies channel by channel between the background
// and `color` (a glyph edge, smoothed in grey or per subpixel), and some pixels are drawn.
bool DrawnInColor(QWidget* label, const QColor& color) {
    const QImage drawn = label->grab().toImage();
    std::map<QRgb, int> counts;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) ++counts[drawn.pixel(x, y)];
    }
    const QRgb background =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    const auto between = [](int value, int from, int to) {
        return value >= std::min(from, to) - 2 && value <= std::max(from, to) + 2;
    };
    int drawnPixels = 0;
    for (const auto& [pixel, count] : counts) {
        if (pixel == background)
            continue;
        if (!between(qRed(pixel), qRed(background), color.red()) ||
            !between(qGreen(pixel), qGreen(background), color.green()) ||
            !between(qBlue(pixel), qBlue(background), color.blue())) {
            qWarning("pixel %08x is no mix of the background %08x and %s", pixel, background,
                     qPrintable(color.name()));
            return false;
        }
        drawnPixels += count;
    }
    return drawnPixels > 0;
}

constexpr int kBannerWidth = 435;

// Records the addresses the dialog asks to open.
class RecordingOpener : public rangwerk::AddressOpener {
public:
    void Open(const std::string& address) override {
        opened.push_back(QString::fromStdString(address));
    }
    std::vector<QString> opened;
};

Color ColorAt(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return rangwerk::Rgb(qRed(p), qGreen(p), qBlue(p));
}

Color FromQColor(const QColor& c) {
    return rangwerk::Rgb(c.red(), c.green(), c.blue());
}

QIcon SolidIcon(const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QImage RenderBanner(TInfo& info) {
    return info.LogoPB->grab().toImage();
}

// Pixels of rows [top, bottom) and columns [left, right) that differ from the gradient.
int PixelsOffGradient(const QImage& image, int left, int right, int top, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (ColorAt(image, x, y) != BannerGradientColor(x, kBannerWidth))
                ++count;
        }
    }
    return count;
}

void SendEnter(QWidget* widget) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &event);
}

void SendLeave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class InfoDialogTest : public QObject {
    Q_OBJECT

private:
    rangwerk::testing::ScriptedDialogs dialogs_;
    RecordingOpener opener_;
    std::string version_ = "1.0.0.0";
    std::unique_ptr<InfoModel> model_;

    // The dialog as the program's start makes it: the model, the window, then the message font.
    std::unique_ptr<TInfo> MakeInfo(QString face = "DejaVu Sans", QIcon icon = QIcon()) {
        model_ = std::make_unique<InfoModel>(opener_, [this] { return version_; });
        auto info = std::make_unique<TInfo>(dialogs_, *model_, std::move(icon));
        rangwerk::GiveWindowsMessageFontFace(face);
        return info;
    }

private slots:
    void init() {
        dialogs_ = {};
        opener_ = {};
        version_ = "1.0.0.0";
    }

    void cleanup() { QVERIFY2(dialogs_.messages.empty(), "a handler reported a failure"); }

    void layoutOfTheDialog() {
        auto info = MakeInfo();
        QVERIFY(!info->isVisible());  // made hidden
        info->show();  // the labels take their places by their texts when it is shown
        QCOMPARE(info->size(), QSize(435, 132));
        QCOMPARE(info->minimumSize(), info->maximumSize());
        QCOMPARE(info->LogoPB->geometry(), QRect(0, 0, 435, 65));
        QCOMPARE(info->OK->geometry(), QRect(177, 101, 81, 25));
        QCOMPARE(info->OK->text(), QString("OK"));
        QVERIFY(info->OK->isDefault());

        QCOMPARE(info->InfoLbl->text(),
                 QString("Quarv-Software wird entwickelt von dem Rangwerk-Team"));
        QCOMPARE(info->EMailLbl->text(), QString("info@quarv-software.example"));
        QCOMPARE(info->URLLbl->text(), QString("www.quarv-software.example"));
        // Sized to the text, right edges 430, 432 and 432 (exclusive).
        const QFontMetrics labelMetrics(info->InfoLbl->font());
        const int textWidth = labelMetrics.horizontalAdvance(info->InfoLbl->text());
        QVERIFY(info->InfoLbl->width() >= textWidth && info->InfoLbl->width() <= textWidth + 4);
        QCOMPARE(info->InfoLbl->x() + info->InfoLbl->width(), 430);
        QCOMPARE(info->InfoLbl->y(), 69);
        QCOMPARE(info->EMailLbl->x() + info->EMailLbl->width(), 432);
        QCOMPARE(info->EMailLbl->y(), 100);
        QCOMPARE(info->URLLbl->x() + info->URLLbl->width(), 432);
        QCOMPARE(info->URLLbl->y(), 113);
        for (QLabel* link :
             {static_cast<QLabel*>(info->EMailLbl), static_cast<QLabel*>(info->URLLbl)}) {
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(DrawnInColor(link, QColor(0, 0, 255)));
            QVERIFY(!link->font().underline());
        }
    }

    void showInfoSetsCaptionAndClosesOnOkEnterAndEscape() {
        auto info = MakeInfo();
        bool shown = false;
        QPoint centreOffset;
        QTimer::singleShot(0, info.get(), [&] {
            shown = info->isVisible() && info->isModal();
            const QRect screen = info->screen()->geometry();
            centreOffset = info->frameGeometry().center() - screen.center();
            info->OK->click();
        });
        model_->ShowInfo("Rangwerk", "2004");
        QVERIFY(shown);
        QVERIFY(!info->isVisible());
        QCOMPARE(info->windowTitle(), QString("Info über Rangwerk"));
        QVERIFY2(qAbs(centreOffset.x()) <= 1 && qAbs(centreOffset.y()) <= 1,
                 "the dialog is not centred on the screen");

        // Shown again with other values: the caption follows; Escape and Enter close it.
        QTimer::singleShot(0, info.get(), [&] { QTest::keyClick(info.get(), Qt::Key_Escape); });
        model_->ShowInfo("Anderes Programm", "2005");
        QVERIFY(!info->isVisible());
        QCOMPARE(info->windowTitle(), QString("Info über Anderes Programm"));
        QTimer::singleShot(0, info.get(), [&] { QTest::keyClick(info.get(), Qt::Key_Return); });
        model_->ShowInfo("Rangwerk", "2004");
        QVERIFY(!info->isVisible());
        QCOMPARE(info->result(), int(QDialog::Accepted));
    }

    void logoResourceAndMask() {
        auto info = MakeInfo();
        QCOMPARE(info->Logo().size(), QSize(142, 63));
        QFile file(":/LOGO");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(int(uchar(header[28])), 24);  // bits per pixel

        int black = 0;
        for (int y = 0; y < 63; ++y) {
            for (int x = 0; x < 142; ++x) {
                const bool isBlack = (info->Logo().pixel(x, y) & 0xFFFFFF) == 0;
                black += isBlack;
                QCOMPARE(info->LogoMask().pixelIndex(x, y) == 1, isBlack);
            }
        }
        QVERIFY(black > 500);
    }

    void bannerGradientLogoAndIcon() {
        auto info = MakeInfo("DejaVu Sans", SolidIcon(QColor(255, 0, 255)));
        model_->SetValues("Rangwerk", "2004");
        const QImage banner = RenderBanner(*info);
        QCOMPARE(banner.size(), QSize(435, 65));

        // Above the logo and the texts only the gradient shows.
        for (int x : {0, 1, 100, 163, 254, 255, 326, 380, 396, 397, 434}) {
            QCOMPARE(ColorAt(banner, x, 0), BannerGradientColor(x, kBannerWidth));
            QCOMPARE(ColorAt(banner, x, 3), BannerGradientColor(x, kBannerWidth));
        }
        QCOMPARE(ColorAt(banner, 0, 64), rangwerk::Rgb(74, 160, 255));
        QCOMPARE(ColorAt(banner, 326, 2), rangwerk::Rgb(255, 255, 255));
        QCOMPARE(ColorAt(banner, 434, 40), rangwerk::Rgb(76, 161, 255));
        QCOMPARE(PixelsOffGradient(banner, 397, 435, 0, 65), 0);  // right of the logo

        // The logo at (255, 4): black stays black, white takes the gradient, colours mix by AND;
        // its last two rows lie below the box.
        int black = 0, white = 0, coloured = 0;
        for (int ly = 0; ly < 61; ++ly) {
            for (int lx = 0; lx < 142; ++lx) {
                const int x = 255 + lx, y = 4 + ly;
                const QRgb p = info->Logo().pixel(lx, ly);
                const Color logo = rangwerk::Rgb(qRed(p), qGreen(p), qBlue(p));
                const Color gradient = BannerGradientColor(x, kBannerWidth);
                if (logo == 0) {
                    ++black;
                    QCOMPARE(ColorAt(banner, x, y), Color(0));
                } else if (logo == rangwerk::Rgb(255, 255, 255)) {
                    ++white;
                    QCOMPARE(ColorAt(banner, x, y), gradient);
                } else {
                    ++coloured;
                    QCOMPARE(ColorAt(banner, x, y), logo & gradient);
                }
            }
        }
        QVERIFY(black > 0 && white > 0 && coloured > 0);

        // The icon at (8, 16), then the frame in the background colour along (7, 15)-(40, 48),
        // which covers the icon's last column and row.
        const Color frame =
            FromQColor(info->LogoPB->palette().color(info->LogoPB->backgroundRole()));
        QVERIFY(frame != rangwerk::Rgb(255, 0, 255));
        QCOMPARE(ColorAt(banner, 8, 16), rangwerk::Rgb(255, 0, 255));
        QCOMPARE(ColorAt(banner, 38, 46), rangwerk::Rgb(255, 0, 255));
        QCOMPARE(ColorAt(banner, 20, 30), rangwerk::Rgb(255, 0, 255));
        for (QPoint p : {QPoint(7, 15), QPoint(39, 15), QPoint(7, 47), QPoint(39, 47),
                         QPoint(7, 30), QPoint(39, 30), QPoint(20, 15), QPoint(20, 47)}) {
            QCOMPARE(ColorAt(banner, p.x(), p.y()), frame);
        }
        for (QPoint p : {QPoint(6, 30), QPoint(40, 30), QPoint(20, 14), QPoint(20, 48)}) {
            QCOMPARE(ColorAt(banner, p.x(), p.y()), BannerGradientColor(p.x(), kBannerWidth));
        }
    }

    void bannerTextsStandAtTheirLines() {
        auto info = MakeInfo();
        model_->SetValues("Rangwerk", "2004");
        const QImage banner = RenderBanner(*info);
        QFont regular = info->LogoPB->font();
        QFont bold = regular;
        bold.setBold(true);
        const int h = QFontMetrics(regular, &banner).height();
        const int hb = QFontMetrics(bold, &banner).height();
        const int titleY = 32 - hb * 3 / 2, versionY = 32 - h / 2, periodY = 32 + h / 2;

        // Nothing is written above the title's line or left of x 48; each line has ink.
        QCOMPARE(PixelsOffGradient(banner, 41, 250, 0, titleY), 0);
        QCOMPARE(PixelsOffGradient(banner, 41, 48, 0, 65), 0);
        QVERIFY(PixelsOffGradient(banner, 48, 250, titleY, titleY + hb) > 20);
        QVERIFY(PixelsOffGradient(banner, 48, 250, versionY, versionY + h) > 20);
        QVERIFY(PixelsOffGradient(banner, 48, 250, periodY, periodY + h) > 20);
        QCOMPARE(PixelsOffGradient(banner, 48, 250, periodY + h, 65), 0);

        // The bold title is wider than the same text in the regular font would be.
        auto inkRight = [&](int top, int bottom) {
            int right = 0;
            for (int y = top; y < bottom; ++y)
                for (int x = 48; x < 250; ++x)
                    if (ColorAt(banner, x, y) != BannerGradientColor(x, kBannerWidth))
                        right = qMax(right, x);
            return right;
        };
        const int titleRight = inkRight(titleY, versionY);
        QVERIFY(titleRight > 48 + QFontMetrics(regular).horizontalAdvance("Rangwerk") - 2);
        QVERIFY(titleRight <= 48 + QFontMetrics(bold).horizontalAdvance("Rangwerk") + 1);

        // Text in the window-text colour.
        const Color text = FromQColor(info->LogoPB->palette().color(QPalette::WindowText));
        bool found = false;
        for (int y = titleY; y < titleY + hb && !found; ++y)
            for (int x = 48; x < 250 && !found; ++x) found = ColorAt(banner, x, y) == text;
        QVERIFY(found);
    }

    void versionLineIsReadAtEveryRepaint() {
        auto info = MakeInfo();
        model_->SetValues("Rangwerk", "2004");
        version_ = "1.0.0.0";
        const QImage withVersion = RenderBanner(*info);
        version_ = "";
        const QImage withoutVersion = RenderBanner(*info);

        const QFont regular = info->LogoPB->font();
        const QFontMetrics metrics(regular, &withVersion);
        const int top = 32 - metrics.height() / 2, bottom = top + metrics.height();
        const int prefixEnd = 48 + metrics.horizontalAdvance("Version: ");
        const int fullEnd = 48 + metrics.horizontalAdvance("Version: 1.0.0.0");

        // "Version: " is drawn the same in both; the number follows it only when there is one.
        QVERIFY(PixelsOffGradient(withoutVersion, 48, prefixEnd, top, bottom) > 20);
        for (int y = top; y < bottom; ++y)
            for (int x = 48; x < prefixEnd - 2; ++x)
                QCOMPARE(withVersion.pixel(x, y), withoutVersion.pixel(x, y));
        QCOMPARE(PixelsOffGradient(withoutVersion, prefixEnd, 250, top, bottom), 0);
        QVERIFY(PixelsOffGradient(withVersion, prefixEnd + 1, fullEnd, top, bottom) > 10);
        QCOMPARE(PixelsOffGradient(withVersion, fullEnd + 2, 250, top, bottom), 0);
    }

    void linksFollowTheMouse() {
        auto info = MakeInfo();
        for (rangwerk::TLinkLabel* link : {info->EMailLbl, info->URLLbl}) {
            SendEnter(link);
            QVERIFY(link->font().underline());
            QCOMPARE(link->font().family(), QString("MS Sans Serif"));
            SendLeave(link);
            QVERIFY(!link->font().underline());

            QTest::mousePress(link, Qt::LeftButton, {}, QPoint(3, 3));
            QVERIFY(DrawnInColor(link, QColor(255, 0, 0)));
            QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(3, 3));
            QVERIFY(DrawnInColor(link, QColor(0, 0, 255)));

            // Released outside the label: nothing opens, the link is blue again.
            QTest::mousePress(link, Qt::LeftButton, {}, QPoint(3, 3));
            QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-4, link->height() + 4));
            QVERIFY(DrawnInColor(link, QColor(0, 0, 255)));

            // Any button turns it red, only the left one clicks.
            QTest::mousePress(link, Qt::RightButton, {}, QPoint(3, 3));
            QVERIFY(DrawnInColor(link, QColor(255, 0, 0)));
            QTest::mouseRelease(link, Qt::RightButton, {}, QPoint(3, 3));
            QVERIFY(DrawnInColor(link, QColor(0, 0, 255)));
        }
        // One click on each: the e-mail address with "mailto:", the web host name alone.
        QCOMPARE(opener_.opened.size(), size_t(2));
        QCOMPARE(opener_.opened[0], QString("mailto:info@quarv-software.example"));
        QCOMPARE(opener_.opened[1], QString("www.quarv-software.example"));
    }

    void aFailingLinkShowsOneBoxAndEndsTheClick() {
        struct FailingOpener : rangwerk::AddressOpener {
            void Open(const std::string&) override {
                ++asked;
                throw rangwerk::Failure("Kein Programm für diese Adresse");
            }
            int asked = 0;
        } opener;
        InfoModel model(opener, [] { return std::string("1.0"); });
        TInfo info(dialogs_, model, QIcon());

        // The click fails inside the release: one box, and the release goes no further, so the
        // link keeps the colour of the press.
        QTest::mousePress(info.EMailLbl, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseRelease(info.EMailLbl, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(opener.asked, 1);
        QCOMPARE(dialogs_.messages.size(), size_t(1));
        QVERIFY(dialogs_.messages[0] ==
                rangwerk::GeneralErrorMessage("Kein Programm für diese Adresse"));
        QVERIFY(DrawnInColor(info.EMailLbl, QColor(255, 0, 0)));
        // The next press and release are actions of their own.
        QTest::mousePress(info.EMailLbl, Qt::RightButton, {}, QPoint(3, 3));
        QTest::mouseRelease(info.EMailLbl, Qt::RightButton, {}, QPoint(3, 3));
        QVERIFY(DrawnInColor(info.EMailLbl, QColor(0, 0, 255)));
        QCOMPARE(dialogs_.messages.size(), size_t(1));

        // A screen reader's press fails the same way, with a box of its own.
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(info.URLLbl);
        QVERIFY(link && link->actionInterface());
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(opener.asked, 2);
        QCOMPARE(dialogs_.messages.size(), size_t(2));
        dialogs_.messages.clear();
        dialogs_.unexpected = 0;
    }

    void leavingClearsEveryStyle() {
        auto info = MakeInfo();
        QFont font = info->URLLbl->font();
        font.setBold(true);
        font.setItalic(true);
        info->URLLbl->setFont(font);
        SendEnter(info->URLLbl);
        QVERIFY(info->URLLbl->font().underline() && info->URLLbl->font().bold());
        SendLeave(info->URLLbl);
        QVERIFY(!info->URLLbl->font().bold());
        QVERIFY(!info->URLLbl->font().italic());
        QCOMPARE(info->URLLbl->font().pointSize(), 8);
    }

    void desktopAddresses() {
        const QUrl mail = rangwerk::DesktopUrl("mailto:info@quarv-software.example");
        QCOMPARE(mail.scheme(), QString("mailto"));
        QCOMPARE(mail.toString(), QString("mailto:info@quarv-software.example"));
        QCOMPARE(rangwerk::DesktopUrl("www.quarv-software.example").toString(),
                 QString("http://www.quarv-software.example"));
    }

    void fontAdaptationTouchesOnlyEightPointWindows() {
        QWidget eightPoints;
        QFont f8("Arial", 8);
        f8.setBold(true);
        eightPoints.setFont(f8);
        QWidget tenPoints;
        tenPoints.setFont(QFont("Arial", 10));
        QWidget elevenPixels;
        QFont px11("Arial");
        px11.setPixelSize(11);
        elevenPixels.setFont(px11);
        QWidget twelvePixels;
        QFont px12("Arial");
        px12.setPixelSize(12);
        twelvePixels.setFont(px12);
        QWidget childOfEight(&eightPoints);

        auto info = MakeInfo("DejaVu Serif");

        QCOMPARE(eightPoints.font().family(), QString("DejaVu Serif"));
        QCOMPARE(eightPoints.font().pointSize(), 8);
        QVERIFY(eightPoints.font().bold());
        QCOMPARE(childOfEight.font().family(), QString("DejaVu Serif"));
        QCOMPARE(tenPoints.font().family(), QString("Arial"));
        QCOMPARE(elevenPixels.font().family(), QString("DejaVu Serif"));
        QCOMPARE(elevenPixels.font().pixelSize(), 11);
        QCOMPARE(twelvePixels.font().family(), QString("Arial"));

        // The dialog itself, its button and its banner take the face; the labels keep theirs.
        QCOMPARE(info->font().family(), QString("DejaVu Serif"));
        QCOMPARE(info->font().pointSize(), 8);
        QCOMPARE(info->OK->font().family(), QString("DejaVu Serif"));
        QCOMPARE(info->LogoPB->font().family(), QString("DejaVu Serif"));
        for (QLabel* label : {info->InfoLbl, static_cast<QLabel*>(info->EMailLbl),
                              static_cast<QLabel*>(info->URLLbl)}) {
            QCOMPARE(label->font().family(), QString("MS Sans Serif"));
            QCOMPARE(label->font().pointSize(), 8);
        }
    }

    void fontSizesInPoints() {
        QFont f("Arial", 8);
        QCOMPARE(rangwerk::FontSizeInPoints(f), 8);
        f.setPixelSize(11);
        QCOMPARE(rangwerk::FontSizeInPoints(f), 8);
        f.setPixelSize(10);  // 7.5 rounds up
        QCOMPARE(rangwerk::FontSizeInPoints(f), 8);
        f.setPixelSize(9);
        QCOMPARE(rangwerk::FontSizeInPoints(f), 7);
        f.setPixelSize(12);
        QCOMPARE(rangwerk::FontSizeInPoints(f), 9);
    }
};

QTEST_MAIN(InfoDialogTest)
#include "infodlg_test.moc"
