#pragma once

#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace rangwerk::testing_support {

// The control of that object name below the window; a test without it cannot go on. A window
// that makes its controls when it is first shown (it has MakeControls) makes them now.
template <class T = QWidget>
T* FindControl(const QWidget& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control && window.metaObject()->indexOfMethod("MakeControls()") >= 0) {
        QMetaObject::invokeMethod(const_cast<QWidget*>(&window), "MakeControls");
        control = window.findChild<T*>(QString::fromLatin1(name));
    }
    if (!control)
        qFatal("no control %s", name);
    return control;
}

}  // namespace rangwerk::testing_support
