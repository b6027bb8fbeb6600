#pragma once

#include <qdrawutil.h>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyle>
#include <QValidator>

#include "core/scoring.h"
#include "ui/qt_text.h"

// Controls of the main window's form (ui/ranko1.ui) that draw or read differently from their
// Qt classes.
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

// A points field: a spin field whose text is whatever the user left in it, empty included; a
// text that is not a whole number counts as 0. Leaving the field, pressing Enter or showing the
// page again never puts an older number back, so the text shown is always the one counted.
class PointsField : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    // The program's own values are shown as plain numbers.
    void ShowPoints(int points) {
        setValue(points);
        const QString number = QSpinBox::textFromValue(points);
        if (lineEdit()->text() != number)
            lineEdit()->setText(number);
    }

protected:
    // Digits and signs may be typed in any order; every such text is taken as it stands.
    QValidator::State validate(QString& text, int&) const override {
        for (QChar c : text) {
            if ((c < u'0' || c > u'9') && c != u'-' && c != u'+')
                return QValidator::Invalid;
        }
        return QValidator::Acceptable;
    }
    int valueFromText(const QString& text) const override { return PointsFromText(ToUtf8(text)); }
    // The field's own text stays while it counts as the value; the arrows and the program show
    // other values as numbers.
    QString textFromValue(int value) const override {
        const QString shown = lineEdit()->text();
        if (valueFromText(shown) == value)
            return shown;
        return QSpinBox::textFromValue(value);
    }
};

}  // namespace rangwerk
