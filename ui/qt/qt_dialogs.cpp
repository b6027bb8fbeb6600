#include "ui/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStringList>

namespace rangwerk {

namespace {

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole RoleOf(MessageButton button) {
    switch (button) {
        case MessageButton::Ok:
            return QMessageBox::AcceptRole;
        case MessageButton::Yes:
            return QMessageBox::YesRole;
        case MessageButton::No:
            return QMessageBox::NoRole;
        case MessageButton::Cancel:
            return QMessageBox::RejectRole;
    }
    return QMessageBox::AcceptRole;
}

// Qt's file dialog keeps its history and view in the user's settings ("QtProject.conf").
// The program keeps no configuration file: Qt's settings of the user scope are pointed at a
// place where no file can be created, so the dialog starts fresh and saves nothing.
void KeepQtSettingsAway() {
    static const bool done = [] {
        const QString nowhere = QStringLiteral("/dev/null");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, nowhere);
        return true;
    }();
    (void)done;
}

}  // namespace

QString QtNameFilter(const std::string& filter) {
    const QStringList parts = Text(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(u';', u' ');
        filters << (description.contains(u'(')
                        ? description
                        : description + QStringLiteral(" (") + pattern + u')');
    }
    if (parts.size() % 2 == 1 && !parts.back().isEmpty())
        filters << parts.back();
    return filters.join(QStringLiteral(";;"));
}

QWidget* QtDialogs::Parent() const {
    return parent_ ? parent_->window() : QApplication::activeWindow();
}

MessageButton QtDialogs::ShowMessage(const MessageRequest& request) {
    if (request.sound != SystemSound::None)
        QApplication::beep();

    QMessageBox box(Parent());
    box.setWindowTitle(Text(request.caption));
    box.setText(Text(request.text));
    box.setIcon(IconOf(request.icon));
    box.setTextFormat(Qt::PlainText);

    std::vector<std::pair<QAbstractButton*, MessageButton>> buttons;
    for (MessageButton b : request.buttons) {
        QPushButton* button = box.addButton(QString::fromUtf8(ButtonText(b)), RoleOf(b));
        buttons.emplace_back(button, b);
        if (b == request.defaultButton)
            box.setDefaultButton(button);
        if (b == request.escapeButton)
            box.setEscapeButton(button);
    }
    box.exec();

    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, kind] : buttons) {
        if (button == clicked)
            return kind;
    }
    // Closed without a button (close box, Escape without an escape button).
    return request.escapeButton;
}

std::optional<std::string> QtDialogs::AskSaveFileName(const FileDialogRequest& request) {
    return AskFileName(true, request);
}

std::optional<std::string> QtDialogs::AskOpenFileName(const FileDialogRequest& request) {
    return AskFileName(false, request);
}

std::optional<std::string> QtDialogs::AskFileName(bool save, const FileDialogRequest& request) {
    KeepQtSettingsAway();
    QFileDialog dialog(Parent());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Save asks before overwriting (the default); open takes only an existing file.
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QtNameFilter(request.filter));
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(Text(request.defaultExtension));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.front().toStdString();
}

}  // namespace rangwerk
