#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "update/wizard_backend.h"
#include "update/wizard_model.h"

class QPainter;

namespace Ui {
class StatusForm;
}

namespace rangwerk {

// The update wizard "Updates installieren": shows the wizard model and forwards its events.
// Created once at program start and hidden; every showing starts again at "Willkommen".
// Destroying it carries out the decisions of program end (reminder, update batch).
class TStatusForm : public QDialog, private WizardWindow {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 658;
    static constexpr int kClientHeight = 353;
    static constexpr int kStripWidth = 225;

    // The window with the real work behind it.
    TStatusForm(StatusFormServices services, QWidget* parent = nullptr);
    // The window over another backend (tests).
    TStatusForm(WizardBackend& backend, Dialogs& dialogs, Registry& registry,
                QWidget* parent = nullptr);
    ~TStatusForm() override;

    // What the update component hands over before each showing.
    void SetInputs(const WizardInputs& inputs) { model_.SetInputs(inputs); }
    // Hands the values over and shows the wizard modally; returns when it has been closed.
    // The showing runs inside the caller's action: when it fails, the wizard stays hidden
    // and the failure goes on to the caller.
    void ShowModal(const WizardInputs& inputs);
    QWidget& Window() { return *this; }

    WizardModel& Model() { return model_; }

    // The step strip's colour at column x of a strip `width` pixels wide.
    static QColor StripColor(int x, int width);
    // The font of the strip's titles: the window's font at 10 points, bold and italic for the
    // current step.
    QFont StripFont(bool current) const;
    // Where title i is drawn (top left of its text).
    static QPoint StripTitlePos(int i) { return QPoint(16, 16 + 56 * i); }

    // Makes the controls, which the window otherwise makes when it is first shown: it exists
    // hidden from the start, and most starts never show it.
    Q_INVOKABLE void MakeControls();
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape: the cancel button of the current button page.
    void reject() override;

private:
    TStatusForm(std::unique_ptr<StatusFormBackend> own, WizardBackend* other, Dialogs& dialogs,
                Registry& registry, QWidget* parent);

    // WizardWindow
    void Refresh() override;
    void ProcessEvents() override;
    void Close() override;

    void FormCreate();
    void FormShow();
    // Gives the page icons their pictures (see FormCreate).
    void ShowPageIcons();
    void PaintBox_ProcessPaint(QPainter& painter);
    void UpdateStripAccessibility();
    // Runs `handler` as one user action: a failure ends it and is shown in the general error
    // box. Only where an event enters the window; handlers that run inside another action
    // are called directly, so that its guard sees their failures.
    template <class Handler>
    void Guarded(Handler&& handler) {
        guard_.Run(std::forward<Handler>(handler));
    }

    std::unique_ptr<StatusFormBackend> ownBackend_;
    Dialogs& dialogs_;
    ActionGuard guard_{dialogs_};
    std::unique_ptr<Ui::StatusForm> ui_;
    WizardModel model_;
    // Set while the window is shown or closed on behalf of a running action, whose handlers
    // have already been run.
    bool showingForCaller_ = false;
    bool closingForCaller_ = false;
    int paintedStep_ = -1;
    bool shownErrorIcon_ = false;
    bool pageIconsShown_ = false;
    QString announcedTitle_;
};

}  // namespace rangwerk
