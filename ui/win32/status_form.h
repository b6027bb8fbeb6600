#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "platform/registry.h"
#include "ui/win32/controls.h"
#include "ui/win32/fonts.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/pages.h"
#include "ui/win32/paint_area.h"
#include "ui/win32/top_level_window.h"
#include "ui/win32/win32.h"
#include "update/update_component.h"
#include "update/wizard_model.h"

namespace rangwerk {

// The update wizard "Updates installieren" as a native Win32 window: it shows the wizard model
// (WizardModel) and hands its controls' events to it. Created once at program start and hidden;
// every showing starts again at "Willkommen". Destroying it carries out the decisions of
// program end (the reminder, the update batch).
//
// The pages ("Bestätigung1" to "Einstellungen") and the two button pages at the bottom right
// ("Standard", "Einstellungen") are page sets; the step strip and the title panel are painted.
// Enter presses the default button of the shown button page ("Weiter >", "Speichern"), Escape
// its cancel button; the close box asks the model whether the wizard may close.
class TStatusForm : public UpdateWizard, private WizardWindow, private win32::WindowHandler {
public:
    static constexpr int kClientWidth = 658;
    static constexpr int kClientHeight = 353;
    static constexpr int kStripWidth = 225;

    // The controls, by their command identifiers.
    enum Control : int {
        kStrip = 100,
        kTitle,
        kButtonSettings,
        kButtonCancel,
        kButtonNext,
        kButtonSettingsCancel,
        kButtonSettingsSave,
        kImageIcon1,
        kLabelWelcome,
        kLabelCheck,
        kButtonCheck,
        kLabelCheckResult,
        kLabelDownload,
        kStatus,
        kPerCent,
        kStatusLabel,
        kTimeLeft,
        kIcon,
        kCancelDownload,
        kImageIcon2,
        kLabel3,
        kCheckBoxRestart,
        kImageIcon3,
        kLabel5,
        kGroupBox1,
        kRadioButtonNoAutoUpdt,
        kLabel1,
        kRadioButtonAutoUpdt,
        kLabel6,
        kLabelAutoUpdt1,
        kSpinEditAutoUpdt,
        kSpinEditAutoUpdtArrows,
        kLabelAutoUpdt2,
    };

    // The window over the work behind the wizard. `loop` is the program's message loop, which
    // the wizard joins while it is shown, so that every loop that handles the messages (the
    // HTTP client's while a transfer waits, too) gives it a dialog's keyboard; null: a loop of
    // its own. `face` replaces the face of the window's font (Verdana), which every control but
    // the step strip and the title follows: the message font's, which the start gives the
    // program's windows.
    TStatusForm(WizardBackend& backend, Dialogs& dialogs, Registry& registry,
                win32::MessageLoop* loop = nullptr,
                const std::optional<std::string>& face = std::nullopt);
    ~TStatusForm() override;
    TStatusForm(const TStatusForm&) = delete;
    TStatusForm& operator=(const TStatusForm&) = delete;

    // Hands the values over and shows the wizard modally (the program's other windows take no
    // input meanwhile); returns when it has been closed. The showing runs inside the caller's
    // action: when it fails, the wizard stays hidden and the failure goes on to the caller.
    void ShowModal(const WizardInputs& inputs) override;
    // The same showing without waiting for its end.
    void Show(const WizardInputs& inputs);

    HWND Window() const { return window_; }
    WizardModel& Model() { return model_; }
    bool Visible() const;

    // The step strip's colour at column x of a strip `width` pixels wide.
    static COLORREF StripColor(int x, int width);
    // Where title i of the strip is drawn (top left of its text).
    static POINT StripTitlePos(int i) { return POINT{16, 16 + 56 * i}; }
    // The strip's titles' font: bold and italic for the current step.
    HFONT StripFont(bool current) const;

private:
    // WizardWindow
    void Refresh() override;
    void ProcessEvents() override;
    void Close() override;

    // WindowHandler
    std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) override;

    void CreateControls();
    void FormCreate();
    void FormShow();
    void Command(int id);
    void CloseBox();
    void Hide();
    void PaintStrip(HDC dc, const RECT& client) const;
    void PaintTitle(HDC dc, const RECT& client) const;
    HWND Item(int id) const;
    template <class Handler>
    void Guarded(Handler&& handler) {
        guard_.Run(std::forward<Handler>(handler));
    }

    Dialogs& dialogs_;
    ActionGuard guard_{dialogs_};
    WizardModel model_;
    std::unique_ptr<win32::MessageLoop> ownLoop_;
    win32::MessageLoop& loop_;

    win32::Font font_;
    win32::Font titleFont_;
    win32::Font stripFont_;
    win32::Font stripCurrentFont_;
    win32::Font perCentFont_;
    win32::Font perCentBoldFont_;
    HBRUSH white_ = nullptr;
    win32::Painter stripPainter_;
    win32::Painter titlePainter_;

    HWND window_ = nullptr;
    std::unique_ptr<win32::PageSet> pages_;
    std::unique_ptr<win32::PageSet> buttons_;
    win32::SpinField spin_;
    bool built_ = false;
    bool closed_ = true;
    bool inModalLoop_ = false;
    // What Refresh showed last.
    int shownPage_ = -1;
    int shownButtonPage_ = -1;
    int paintedStep_ = -1;
    std::string paintedTitle_;
    bool shownErrorIcon_ = false;
};

}  // namespace rangwerk
