#pragma once

#include <QLineEdit>
#include <QSpinBox>

#include <functional>

namespace rangwerk {

// The factor field: any text may be typed, and the arrows and keys ask for a step; the factor
// the text stands for is the model's, never read out of the text here.
class FactorSpinBox : public QSpinBox {
public:
    explicit FactorSpinBox(QWidget* parent = nullptr) : QSpinBox(parent) {
        // Typing is told before the field's own handling asks for the factor.
        connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            if (onTyped)
                onTyped(text);
        });
    }

    // Text typed into the field.
    std::function<void(const QString& text)> onTyped;
    // A step of the arrows, the arrow keys or the wheel.
    std::function<void(int steps)> onStep;
    // The factor the field stands for now.
    std::function<int()> factor;

    // Shows the text; a text the field shows already is left alone, with the cursor in it.
    void ShowText(const QString& text) {
        if (lineEdit()->text() != text)
            lineEdit()->setText(text);
    }

protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    int valueFromText(const QString&) const override { return factor ? factor() : value(); }
    void stepBy(int steps) override {
        if (onStep)
            onStep(steps);
    }
};

}  // namespace rangwerk
