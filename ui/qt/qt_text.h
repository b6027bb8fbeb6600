#pragma once

#include <QString>

#include <string>

namespace rangwerk {

// The model holds UTF-8 in std::string; the windows show QStrings.
inline QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

}  // namespace rangwerk
