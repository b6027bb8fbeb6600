#pragma once

#include <QAbstractButton>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QObject>
#include <QShortcutEvent>
#include <QWidget>

namespace rangwerk {

// Where two controls of a window share an access key (the settings page's "&Hinzufügen" and
// "&Hoch", say), the key acts on the first of them that can take it, as the user knows it from
// Windows, instead of only moving the focus back and forth between them.
class FirstAccessKeyWins : public QObject {
public:
    explicit FirstAccessKeyWins(QWidget* window) : QObject(window), window_(window) {
        Watch(window);
    }

    // The buttons and labels below `container` take part too (for controls made later).
    void Watch(QWidget* container) {
        for (QWidget* w : container->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) {
                w->installEventFilter(this);
            }
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut)
            return false;
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (!shortcut->isAmbiguous())
            return false;
        for (QWidget* w : window_->findChildren<QWidget*>()) {
            if (!w->isVisible() || !w->isEnabled() || !CarriesKey(w, shortcut->key()))
                continue;
            if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                button->animateClick();
            } else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
                label->buddy()->setFocus(Qt::ShortcutFocusReason);
            } else {
                continue;
            }
            return true;
        }
        (void)watched;
        return false;
    }

private:
    static bool CarriesKey(QWidget* w, const QKeySequence& key) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        return !text.isEmpty() && QKeySequence::mnemonic(text) == key;
    }

    QWidget* window_;
};

}  // namespace rangwerk
