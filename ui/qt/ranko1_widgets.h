#pragma once

#include <QLineEdit>
#include <QSpinBox>
#include <QValidator>

#include <functional>

#include "core/scoring.h"
#include "ui/qt/qt_text.h"

// Controls of the main window's form (ui/ranko1.ui) that read differently from their Qt
// classes.
namespace rangwerk {

// A points field: a spin field whose text is whatever the user left in it, empty included. The
// text comes from the main window's model, which also counts it; the arrows, the arrow keys and
// the wheel are handed to `onStep` instead of changing the field. Leaving the field or pressing
// Enter never puts an older number back.
class PointsField : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    std::function<void(int steps)> onStep;

    void ShowText(const QString& text) {
        if (lineEdit()->text() != text)
            lineEdit()->setText(text);
    }
    void stepBy(int steps) override {
        if (onStep)
            onStep(steps);
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
    // Qt's own value of the field follows its text, so that Qt never puts another text back.
    int valueFromText(const QString& text) const override { return PointsFromText(ToUtf8(text)); }
    QString textFromValue(int value) const override {
        const QString shown = lineEdit()->text();
        if (valueFromText(shown) == value)
            return shown;
        return QSpinBox::textFromValue(value);
    }
};

}  // namespace rangwerk
