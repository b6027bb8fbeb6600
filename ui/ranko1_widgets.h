#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QValidator>

#include "core/scoring.h"
#include "ui/qt_text.h"

// Controls of the main window's form (ui/ranko1.ui) that read differently from their Qt
// classes.
namespace rangwerk {

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
