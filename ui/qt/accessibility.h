#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QListWidget>
#include <QString>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace rangwerk {

// A caption as a screen reader should say it: without access-key marks ("&&" stays a single
// "&") and without a closing colon ("Na&me der Kombination:" -> "Name der Kombination").
inline QString SpokenCaption(const QString& caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    text = text.trimmed();
    if (text.endsWith(u':'))
        text.chop(1);
    return text;
}

// The label describes the control: it becomes the control's buddy, and its text the control's
// accessible name (image buttons and other controls without a caption of their own have none).
inline void NameAfterLabel(QWidget* control, QLabel* label) {
    label->setBuddy(control);
    control->setAccessibleName(SpokenCaption(label->text()));
}

// Gives the rows of a painted list the texts a screen reader says for them, as the items'
// accessible text (a role the painting never draws); rows beyond the texts show nothing and say
// nothing. Rows whose text is unchanged stay untouched; a changed row tells the accessibility
// interface itself.
inline void SetSpokenRows(QListWidget* list, const std::vector<QString>& texts) {
    for (int i = 0; i < list->count(); ++i) {
        const auto row = static_cast<std::size_t>(i);
        list->item(i)->setData(Qt::AccessibleTextRole, row < texts.size() ? texts[row] : QString());
    }
}

// Announces a change that did not come with a move of the focus (a new pair, a new result):
// `text` becomes the accessible description of the controls that stand for the change, and an
// alert is raised from the first of them. A screen reader says a changed description of the
// control in focus at once, and says it with the control's name when the focus comes there.
inline void Announce(std::initializer_list<QWidget*> carriers, const QString& text) {
    for (QWidget* carrier : carriers) carrier->setAccessibleDescription(text);
    if (carriers.size() == 0)
        return;
    QAccessibleEvent alert(*carriers.begin(), QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

// A label that opens something when it is clicked, as a screen reader sees it: a link named by
// its text, with a press action that clicks it.
class AccessibleLink : public QAccessibleWidget {
public:
    AccessibleLink(QLabel* label, std::function<void()> click)
        : QAccessibleWidget(label, QAccessible::Link), click_(std::move(click)) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return static_cast<QLabel*>(widget())->text();
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled() && click_)
            click_();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    std::function<void()> click_;
};

}  // namespace rangwerk
