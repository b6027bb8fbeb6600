#include "ui/qt/ranko1_icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace rangwerk {

namespace {

template <class Draw>
QPixmap Picture(int width, int height, Draw&& draw, bool smooth = true) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    draw(painter);
    return pixmap;
}

const QColor kOutline(60, 60, 60);

QPixmap Arrow(bool toTheRight) {
    return Picture(20, 18, [toTheRight](QPainter& p) {
        QPolygonF arrow{{1, 6}, {10, 6}, {10, 1}, {19, 9}, {10, 17}, {10, 12}, {1, 12}};
        if (!toTheRight) {
            for (QPointF& point : arrow) point.setX(20 - point.x());
        }
        p.setPen(QPen(QColor(20, 90, 30), 1));
        p.setBrush(QColor(70, 170, 80));
        p.drawPolygon(arrow);
    });
}

}  // namespace

QPixmap NewProjectPicture() {
    return Picture(32, 32, [](QPainter& p) {
        QPainterPath sheet;
        sheet.moveTo(6.5, 2.5);
        sheet.lineTo(20.5, 2.5);
        sheet.lineTo(26.5, 8.5);
        sheet.lineTo(26.5, 29.5);
        sheet.lineTo(6.5, 29.5);
        sheet.closeSubpath();
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        p.setBrush(QColor(220, 220, 220));
        p.drawPolygon(QPolygonF{{20.5, 2.5}, {20.5, 8.5}, {26.5, 8.5}});
        p.setPen(QPen(QColor(170, 170, 170), 1));
        for (int y = 14; y <= 25; y += 4) p.drawLine(QPointF(10, y + 0.5), QPointF(23, y + 0.5));
        // The sparkle of something new.
        QPolygonF star;
        for (int i = 0; i < 8; ++i) {
            const double r = i % 2 == 0 ? 7.0 : 2.5;
            const double a = i * 3.14159265358979 / 4;
            star << QPointF(8 + r * std::sin(a), 9 - r * std::cos(a));
        }
        p.setPen(QPen(QColor(200, 130, 0), 1));
        p.setBrush(QColor(255, 210, 40));
        p.drawPolygon(star);
    });
}

QPixmap OpenProjectPicture() {
    return Picture(32, 32, [](QPainter& p) {
        p.setPen(QPen(QColor(150, 100, 10), 1));
        p.setBrush(QColor(230, 180, 60));
        p.drawPolygon(QPolygonF{
            {2.5, 7.5}, {11.5, 7.5}, {14.5, 10.5}, {27.5, 10.5}, {27.5, 27.5}, {2.5, 27.5}});
        // A sheet sticking out of it.
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8.5, 4.5, 16, 14));
        p.setPen(QPen(QColor(150, 100, 10), 1));
        p.setBrush(QColor(250, 210, 90));
        p.drawPolygon(QPolygonF{{6.5, 14.5}, {30.5, 14.5}, {27.5, 27.5}, {2.5, 27.5}});
    });
}

QPixmap InformationPicture() {
    return Picture(32, 32, [](QPainter& p) {
        p.setPen(QPen(QColor(20, 60, 140), 1));
        p.setBrush(QColor(60, 110, 210));
        p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(14, 7, 4.5, 4.5));
        p.drawRoundedRect(QRectF(14, 13.5, 4.5, 12), 1, 1);
    });
}

QPixmap SavePicture() {
    return Picture(
        16, 16,
        [](QPainter& p) {
            p.setPen(QColor(30, 40, 90));
            p.setBrush(QColor(60, 80, 170));
            p.drawRect(1, 1, 13, 13);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(235, 235, 235));
            p.drawRect(4, 2, 8, 5);  // label
            p.setBrush(QColor(190, 190, 200));
            p.drawRect(4, 10, 8, 5);  // shutter
            p.setBrush(QColor(60, 80, 170));
            p.drawRect(9, 11, 2, 3);
        },
        false);
}

QPixmap PreviousPairPicture() {
    return Arrow(false);
}

QPixmap NextPairPicture() {
    return Arrow(true);
}

QPixmap ChooseOptionPicture() {
    return Picture(
        11, 7,
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPolygon(QPolygon{{0, 1}, {10, 1}, {5, 6}});
        },
        false);
}

}  // namespace rangwerk
