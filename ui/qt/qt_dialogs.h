#pragma once

#include <QString>

#include "platform/dialogs.h"

class QWidget;

namespace rangwerk {

// Message boxes and file dialogs of the windows: QMessageBox and QFileDialog with the
// program's German texts.
class QtDialogs : public Dialogs {
public:
    // Boxes and dialogs open over `parent`'s window, or over the active window when null.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void SetParent(QWidget* parent) { parent_ = parent; }

    MessageButton ShowMessage(const MessageRequest& request) override;
    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;

private:
    QWidget* Parent() const;
    std::optional<std::string> AskFileName(bool save, const FileDialogRequest& request);

    QWidget* parent_ = nullptr;
};

// "Rangwerk-Dateien (*.opt)|*.opt" as a Qt name filter: "Rangwerk-Dateien (*.opt)".
// Several entries ("A|*.a|B|*.b") become one filter per line; a description that does not
// name its pattern gets the pattern in brackets.
QString QtNameFilter(const std::string& filter);

}  // namespace rangwerk
