#pragma once

#include <QSpinBox>

#include "combinations/factor_text.h"
#include "ui/qt_text.h"

namespace rangwerk {

// The factor field: any text may be typed; it stands for the factor FactorFromText gives, and
// leaving the field shows that factor.
class FactorSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    int valueFromText(const QString& text) const override { return FactorFromText(ToUtf8(text)); }
};

}  // namespace rangwerk
