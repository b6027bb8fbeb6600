#pragma once

#include <qdrawutil.h>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

namespace rangwerk {

// A group box drawn as the desktop of the window layout draws it: the frame line runs through
// the middle of the caption at the box's top, the caption cuts the line, and the controls keep
// their places inside. (The style here would put the caption above a frame that starts only
// below it.)
class CaptionedGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // Distance of the caption from the left edge, and its margin on either side.
    static constexpr int kCaptionLeft = 8;
    static constexpr int kCaptionMargin = 2;

    // The frame's top line, in the box's own coordinates.
    static int FrameTop(const QFontMetrics& metrics) { return metrics.height() / 2; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        // An etched frame, like the separator lines of the pages.
        qDrawShadeRect(&painter, rect().adjusted(0, FrameTop(metrics), 0, 0), palette(), true);

        const QString caption = title();
        if (caption.isEmpty())
            return;
        QString shown = caption;
        shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const QRect area(kCaptionLeft, 0, metrics.horizontalAdvance(shown) + 2 * kCaptionMargin,
                         metrics.height());
        painter.fillRect(area, palette().brush(backgroundRole()));
        style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), caption, QPalette::WindowText);
    }
};

}  // namespace rangwerk
