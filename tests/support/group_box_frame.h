#pragma once

#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <QtTest>

// Checks on the grabbed picture of a shown group box that its frame line runs through the
// middle of its caption at the box's top, as the desktop of the window layout draws it: the
// caption starts 8 pixels from the left with 2 pixels of room on either side and cuts the
// line, nothing is drawn above the line, and every control inside stays clear of the frame.
// A failure is recorded for the running test (QTest::currentTestFailed()).
inline void CheckGroupBoxFrameAtTop(QWidget* box, const QString& caption) {
    const QImage image = box->grab().toImage();
    const QFontMetrics metrics(box->font());
    const int line = metrics.height() / 2;
    const int captionLeft = 8;
    const int captionRight = captionLeft + metrics.horizontalAdvance(caption) + 4;
    const int right = image.width() - 1;
    const QRgb background = box->palette().color(box->backgroundRole()).rgb();
    const QString name = box->objectName();
    QCOMPARE(image.pixel(right - 3, 1), background);
    for (int x = captionRight + 1; x < right - 2; ++x) {
        QVERIFY2(image.pixel(x, line) != background,
                 qPrintable(QStringLiteral("%1: x %2").arg(name).arg(x)));
        for (int y = 0; y < line; ++y) QCOMPARE(image.pixel(x, y), background);
    }
    for (int x = captionLeft; x < captionLeft + 2; ++x) {
        QCOMPARE(image.pixel(x, line), background);
    }
    for (int y = line + 2; y < image.height() - 2; ++y) {
        QVERIFY(image.pixel(0, y) != background);
        QVERIFY(image.pixel(right - 1, y) != background);
    }
    // The caption's letters lie above and below the line.
    int above = 0, below = 0;
    for (int x = captionLeft + 2; x < captionRight - 2; ++x) {
        for (int y = 0; y < metrics.height(); ++y) {
            if (image.pixel(x, y) == background)
                continue;
            (y < line ? above : below) += 1;
        }
    }
    QVERIFY2(above > 0 && below > 0, qPrintable(name));
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect r = child->geometry();
        QVERIFY2(r.top() > line + 1 && r.left() >= 2 && r.right() <= right - 2 &&
                     r.bottom() <= image.height() - 3,
                 qPrintable(name + QStringLiteral(": ") + child->objectName()));
    }
}
