#include "ui/win32/status_form.h"

#include <limits>
#include <utility>

#include "base/wide_text.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/paint_area.h"

namespace rangwerk {

using namespace win32;

namespace {

constexpr char kCaption[] = "Updates installieren";
constexpr COLORREF kTitleColor = RGB(49, 106, 197);
// The strip's gradient runs from this colour to white.
constexpr int kStripStart[3] = {155, 183, 230};

// Where the controls stand: the window's and, for the pages, the page's client area.
constexpr ControlPlace kStripPlace{0, 0, TStatusForm::kStripWidth, TStatusForm::kClientHeight};
constexpr ControlPlace kTitlePlace{232, 8, 417, 41};
constexpr ControlPlace kPagesPlace{232, 56, 417, 249};
constexpr ControlPlace kButtonPagesPlace{472, 320, 177, 25};

// The page texts that no rule changes.
constexpr char kWelcomeText[] =
    "In regelmäßigen Abständen sollte im Internet nach Programmverbesserungen und -updates "
    "gesucht werden, um möglichen Programmfehlern vorzubeugen.\r\nKlicken Sie auf \"Weiter\", "
    "um jetzt nach neuen Updates zu suchen, oder auf \"Abbrechen\", um zu einem anderen "
    "Zeitpunkt nach Programmverbesserungen zu suchen.\r\n\r\nKlicken Sie auf \"Einstellungen\", "
    "um festzulegen, ob und in welchen Abständen Sie zum Suchen nach Updates aufgefordert werden "
    "möchten.";
constexpr char kCheckText[] =
    "Stellen Sie sicher, dass eine Internetverbindung besteht, und klicken Sie auf \"Jetzt auf "
    "neue Updates prüfen\".";
constexpr char kFinishText[] =
    "Die Installation wurde vorbereitet.\r\nKlicken Sie auf \"Beenden\", um die alten Dateien zu "
    "ersetzen. Ein Neustart des Computers ist nicht erforderlich.\r\n\r\nWenn Sie nicht die "
    "Option zum automatischen Neustart des Programms aktiviert haben, müssen Sie das Programm "
    "nach der Installation manuell neu starten.";
constexpr char kNeverText[] =
    "Wenn Sie diese Option aktivieren, werden Sie nicht automatisch zum Suchen nach neuen "
    "Updates aufgefordert. Sie haben dann aber immer noch die Möglichkeit, über die "
    "Tastenkombination Strg+U die Suche nach Updates zu starten.";
constexpr char kRegularText[] =
    "Aktivieren Sie diese Option, um in festgelegten Abständen automatisch zum Suchen nach neuen "
    "Updates aufgefordert zu werden. Dies geschieht dann jeweils unmittelbar nach dem Starten "
    "des Programms.";

// A text that shows every "&" as it is (texts of the server, paths).
void NoPrefix(HWND text) {
    SetWindowLongW(text, GWL_STYLE, GetWindowLongW(text, GWL_STYLE) | SS_NOPREFIX);
}

void SetTextIfChanged(HWND control, const std::string& text) {
    if (TextOf(control) != text)
        SetText(control, text);
}

void SetVisible(HWND control, bool visible) {
    if ((IsWindowVisible(control) != FALSE) != visible)
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void SetChecked(HWND button, bool checked) {
    SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A picture of the system's icons (the page icons).
HWND CreateIconImage(HWND parent, int id, int left, int top) {
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON, left, top, 32, 32,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

HICON SystemIcon(bool error) {
    return LoadIconW(nullptr, error ? IDI_ERROR : IDI_INFORMATION);
}

// The pages paint a white background, as the window does.
LRESULT CALLBACK WhitePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR brush) {
    if (message == WM_ERASEBKGND) {
        RECT client{};
        GetClientRect(page, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, reinterpret_cast<HBRUSH>(brush));
        return 1;
    }
    return DefSubclassProc(page, message, wParam, lParam);
}

}  // namespace

TStatusForm::TStatusForm(WizardBackend& backend, Dialogs& dialogs, Registry& registry,
                         MessageLoop* loop, const std::optional<std::string>& face)
    : dialogs_(dialogs),
      model_(backend, dialogs, registry),
      ownLoop_(loop ? nullptr : std::make_unique<MessageLoop>()),
      loop_(loop ? *loop : *ownLoop_),
      font_([&face] {
          FontDescription font = WizardFont();
          if (face)
              font.face = WideFromUtf8(*face);
          return MakeFont(font);
      }()),
      titleFont_(MakeFont(WizardTitleFont())),
      stripFont_(MakeFont(WizardStepFont())),
      stripCurrentFont_([] {
          FontDescription current = WizardStepFont();
          current.bold = true;
          current.italic = true;
          return MakeFont(current);
      }()),
      perCentFont_(MakeFont(InfoFont())),
      perCentBoldFont_([] {
          FontDescription bold = InfoFont();
          bold.bold = true;
          return MakeFont(bold);
      }()),
      white_(CreateSolidBrush(RGB(255, 255, 255))) {
    stripPainter_ = [this](HDC dc, const RECT& client) { PaintStrip(dc, client); };
    titlePainter_ = [this](HDC dc, const RECT& client) { PaintTitle(dc, client); };
    window_ = CreateTopLevelWindow(
        {kCaption, kClientWidth, kClientHeight, WindowFrame::Border::DialogFrame}, *this);
    SetFont(window_, font_.Handle());
    CreateControls();
    built_ = true;
    model_.SetWindow(this);
    FormCreate();
}

TStatusForm::~TStatusForm() {
    Guarded([&] { model_.FormDestroy(); });
    model_.SetWindow(nullptr);
    loop_.RemoveDialogWindow(window_);
    built_ = false;
    buttons_.reset();
    pages_.reset();
    DestroyWindow(window_);
    DeleteObject(white_);
}

void TStatusForm::CreateControls() {
    const HFONT font = font_.Handle();
    CreatePaintArea(window_, kStrip, kStripPlace, stripPainter_);
    CreatePaintArea(window_, kTitle, kTitlePlace, titlePainter_);

    pages_ = std::make_unique<PageSet>(window_, kPagesPlace, 7);
    for (int i = 0; i < pages_->Count(); ++i)
        SetWindowSubclass(pages_->Page(i), WhitePage, 1, reinterpret_cast<DWORD_PTR>(white_));
    // "Bestätigung1"
    HWND page = pages_->Page(static_cast<int>(WizardPage::Welcome));
    CreateIconImage(page, kImageIcon1, 8, 8);
    CreateStaticText(page, kLabelWelcome, {56, 8, 353, 233}, kWelcomeText, font);
    // "Prüfen"
    page = pages_->Page(static_cast<int>(WizardPage::Check));
    CreateStaticText(page, kLabelCheck, {8, 8, 401, 48}, kCheckText, font);
    CreateButton(page, kButtonCheck, {96, 72, 225, 25}, "Jetzt auf neue Updates prüfen", font);
    // "Bestätigung2"
    page = pages_->Page(static_cast<int>(WizardPage::Result));
    NoPrefix(CreateStaticText(page, kLabelCheckResult, {8, 8, 401, 233}, "", font));
    // "Download"
    page = pages_->Page(static_cast<int>(WizardPage::Download));
    NoPrefix(CreateStaticText(page, kLabelDownload, {8, 8, 401, 64}, "", font));
    HWND bar = CreateProgressBar(page, kStatus, {8, 88, 401, 17}, 1);
    SetWindowLongW(bar, GWL_STYLE, GetWindowLongW(bar, GWL_STYLE) | PBS_SMOOTH);
    CreateStaticText(page, kPerCent, {8, 112, 401, 13}, "", perCentFont_.Handle(),
                     TextAlign::Centre);
    CreateStaticText(page, kStatusLabel, {8, 132, 401, 13}, "", font, TextAlign::Centre);
    CreateStaticText(page, kTimeLeft, {8, 152, 401, 13}, "", font, TextAlign::Centre);
    CreateStaticText(page, kIcon, {8, 184, 32, 32}, "", font);
    CreateButton(page, kCancelDownload, {264, 216, 145, 25}, "", font);
    // "Einrichten"
    page = pages_->Page(static_cast<int>(WizardPage::Install));
    CreateIconImage(page, kImageIcon2, 8, 8);
    NoPrefix(CreateStaticText(page, kLabel3, {56, 8, 353, 150}, "", font));
    CreateCheckBox(page, kCheckBoxRestart, {56, 176, 353, 17}, "Programm automatisch neu starten",
                   font);
    // "Bestätigung3"
    page = pages_->Page(static_cast<int>(WizardPage::Finish));
    CreateIconImage(page, kImageIcon3, 8, 8);
    CreateStaticText(page, kLabel5, {56, 8, 353, 233}, kFinishText, font);
    // "Einstellungen": the frame's controls are its siblings, placed inside it.
    page = pages_->Page(static_cast<int>(WizardPage::Settings));
    CreateGroupBox(page, kGroupBox1, {8, 8, 401, 233},
                   "Wie oft wollen Sie zum Suchen nach Updates aufgefordert werden?", font);
    CreateRadioButton(page, kRadioButtonNoAutoUpdt, {24, 32, 377, 17},
                      "Niemals automatisch zum Updaten auffordern", font, true);
    CreateStaticText(page, kLabel1, {40, 52, 361, 56}, kNeverText, font);
    CreateRadioButton(page, kRadioButtonAutoUpdt, {24, 116, 377, 17},
                      "Regelmäßig in bestimmten Abständen zum Updaten auffordern", font, false);
    CreateStaticText(page, kLabel6, {40, 136, 361, 56}, kRegularText, font);
    CreateStaticText(page, kLabelAutoUpdt1, {40, 206, 28, 13}, "Alle", font);
    spin_ = CreateSpinField(page, kSpinEditAutoUpdt, kSpinEditAutoUpdtArrows, {72, 202, 57, 22}, 1,
                            365, font);
    CreateStaticText(page, kLabelAutoUpdt2, {136, 206, 233, 13}, "Tage an Updates erinnern", font);

    CreateSeparator(window_, {232, 312, 417, 2});
    CreateButton(window_, kButtonSettings, {240, 320, 81, 25}, "Einstellungen", font);
    buttons_ = std::make_unique<PageSet>(window_, kButtonPagesPlace, 2);
    for (int i = 0; i < buttons_->Count(); ++i)
        SetWindowSubclass(buttons_->Page(i), WhitePage, 1, reinterpret_cast<DWORD_PTR>(white_));
    HWND standard = buttons_->Page(static_cast<int>(WizardButtonPage::Standard));
    CreateButton(standard, kButtonCancel, {0, 0, 81, 25}, "Abbrechen", font);
    CreateButton(standard, kButtonNext, {96, 0, 81, 25}, "", font);
    buttons_->SetKeyButtons(static_cast<int>(WizardButtonPage::Standard), kButtonNext,
                            kButtonCancel);
    HWND settings = buttons_->Page(static_cast<int>(WizardButtonPage::Settings));
    CreateButton(settings, kButtonSettingsCancel, {0, 0, 81, 25}, "Abbrechen", font);
    CreateButton(settings, kButtonSettingsSave, {96, 0, 81, 25}, "Speichern", font);
    buttons_->SetKeyButtons(static_cast<int>(WizardButtonPage::Settings), kButtonSettingsSave,
                            kButtonSettingsCancel);
}

HWND TStatusForm::Item(int id) const {
    return FindControl(window_, id);
}

bool TStatusForm::Visible() const {
    return IsWindowVisible(window_) != FALSE;
}

HFONT TStatusForm::StripFont(bool current) const {
    return current ? stripCurrentFont_.Handle() : stripFont_.Handle();
}

void TStatusForm::FormCreate() {
    // The page icons show the system's information icon.
    for (const int id : {kImageIcon1, kImageIcon2, kImageIcon3})
        SendMessageW(Item(id), STM_SETICON, reinterpret_cast<WPARAM>(SystemIcon(false)), 0);
    SetWindowTextW(Item(kSpinEditAutoUpdt), L"7");
    Refresh();
}

void TStatusForm::Show(const WizardInputs& inputs) {
    model_.SetInputs(inputs);
    FormShow();
    loop_.AddDialogWindow(window_);
    closed_ = false;
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
}

void TStatusForm::FormShow() {
    SetFont(Item(kPerCent), perCentBoldFont_.Handle());
    RECT frame{};
    GetWindowRect(window_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2,
                 GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    model_.FormShow();
}

namespace {

struct DisabledWindows {
    HWND keep;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOther(HWND window, LPARAM data) {
    auto* disabled = reinterpret_cast<DisabledWindows*>(data);
    if (window != disabled->keep && IsWindowEnabled(window) && IsWindowVisible(window)) {
        EnableWindow(window, FALSE);
        disabled->windows.push_back(window);
    }
    return TRUE;
}

}  // namespace

void TStatusForm::ShowModal(const WizardInputs& inputs) {
    Show(inputs);
    // The program's other windows take no input while the wizard is shown.
    DisabledWindows disabled{window_, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableOther, reinterpret_cast<LPARAM>(&disabled));
    inModalLoop_ = true;
    while (!closed_) {
        if (loop_.RunUntilIdle())
            break;  // WM_QUIT: posted again for the caller's loop
        if (!closed_)
            WaitMessage();
    }
    inModalLoop_ = false;
    for (HWND window : disabled.windows) {
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    }
    if (!closed_)
        Hide();
}

void TStatusForm::Hide() {
    closed_ = true;
    ShowWindow(window_, SW_HIDE);
    loop_.RemoveDialogWindow(window_);
}

void TStatusForm::Close() {
    // Asked by a handler of the wizard: the close handlers run inside its action.
    if (!model_.QueryAndClose())
        return;
    Hide();
}

void TStatusForm::CloseBox() {
    bool close = false;
    Guarded([&] { close = model_.QueryAndClose(); });
    if (close)
        Hide();
}

void TStatusForm::ProcessEvents() {
    loop_.RunUntilIdle();
}

void TStatusForm::Command(int id) {
    switch (id) {
        case kButtonNext:
            Guarded([&] { model_.Button_NextClick(); });
            break;
        case kButtonCheck:
            Guarded([&] { model_.Button_CheckClick(); });
            break;
        case kCancelDownload:
            Guarded([&] { model_.CancelDownloadClick(); });
            break;
        case kButtonCancel:
            Guarded([&] { model_.Button_CancelClick(); });
            break;
        case kCheckBoxRestart:
            Guarded([&] { model_.CheckBox_RestartClick(IsChecked(Item(kCheckBoxRestart))); });
            break;
        case kButtonSettings:
            Guarded([&] {
                model_.Button_SettingsClick();
                SetText(spin_.edit, std::to_string(model_.Screen().intervalDays));
            });
            break;
        case kRadioButtonNoAutoUpdt:
        case kRadioButtonAutoUpdt:
            Guarded([&] { model_.RadioButton_UpdtClick(IsChecked(Item(kRadioButtonNoAutoUpdt))); });
            break;
        case kButtonSettingsSave:
            Guarded([&] { model_.Button_SettingsSaveClick(TextOf(spin_.edit)); });
            break;
        case kButtonSettingsCancel:
            Guarded([&] { model_.Button_SettingsCancelClick(); });
            break;
        default:
            break;
    }
}

std::optional<LRESULT> TStatusForm::HandleMessage(HWND, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (!built_)
        return std::nullopt;
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDCANCEL) {
                // Escape: the cancel button of the shown button page.
                buttons_->PressCancelButton();
                return 0;
            }
            if (HIWORD(wParam) == BN_CLICKED && lParam != 0)
                Command(id);
            return 0;
        }
        case WM_CLOSE:
            CloseBox();
            return 0;
        case WM_CTLCOLORDLG:
            return reinterpret_cast<LRESULT>(white_);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, RGB(255, 255, 255));
            if (message == WM_CTLCOLORSTATIC) {
                SetTextColor(dc, GetSysColor(IsWindowEnabled(reinterpret_cast<HWND>(lParam))
                                                 ? COLOR_WINDOWTEXT
                                                 : COLOR_GRAYTEXT));
            }
            return reinterpret_cast<LRESULT>(white_);
        }
        default:
            return std::nullopt;
    }
}

void TStatusForm::Refresh() {
    if (!built_)
        return;
    const WizardScreen& s = model_.Screen();
    const int page = static_cast<int>(s.page);
    const int buttonPage = static_cast<int>(s.buttonPage);
    if (page != shownPage_ || buttonPage != shownButtonPage_) {
        shownPage_ = page;
        shownButtonPage_ = buttonPage;
        pages_->Show(page);
        // Enter presses the button page's default button, whatever page shows above it.
        buttons_->Show(buttonPage);
    }
    if (s.title != paintedTitle_) {
        paintedTitle_ = s.title;
        InvalidateRect(Item(kTitle), nullptr, FALSE);
    }
    SetVisible(Item(kButtonSettings), s.settingsButtonVisible);

    HWND next = Item(kButtonNext);
    SetEnabled(next, s.nextEnabled);
    SetTextIfChanged(next, s.nextCaption);
    SetEnabled(Item(kButtonCancel), s.cancelEnabled);
    SetEnabled(Item(kButtonCheck), s.checkEnabled);

    SetTextIfChanged(Item(kLabelCheckResult), s.checkResult);

    SetTextIfChanged(Item(kLabelDownload), s.downloadText);
    HWND cancelDownload = Item(kCancelDownload);
    SetTextIfChanged(cancelDownload, s.cancelDownloadCaption);
    SetVisible(cancelDownload, s.cancelDownloadVisible);
    // The bar counts in ints: large archives are shown in coarser steps.
    std::uint64_t maximum = s.progressMaximum;
    std::uint64_t position = s.progressPosition;
    while (maximum > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        maximum /= 1024;
        position /= 1024;
    }
    HWND bar = Item(kStatus);
    // With no length announced the bar stays empty.
    SendMessageW(bar, PBM_SETRANGE32, 0, maximum == 0 ? 1 : static_cast<LPARAM>(maximum));
    SendMessageW(bar, PBM_SETPOS,
                 maximum == 0 ? 0 : static_cast<WPARAM>(std::min(position, maximum)), 0);
    SetTextIfChanged(Item(kPerCent), s.perCent);
    SetTextIfChanged(Item(kStatusLabel), s.status);
    SetTextIfChanged(Item(kTimeLeft), s.timeLeft);

    SetTextIfChanged(Item(kLabel3), s.installText);
    if (s.installErrorIcon != shownErrorIcon_) {
        shownErrorIcon_ = s.installErrorIcon;
        SendMessageW(Item(kImageIcon2), STM_SETICON,
                     reinterpret_cast<WPARAM>(SystemIcon(s.installErrorIcon)), 0);
    }
    SetChecked(Item(kCheckBoxRestart), s.restart);

    SetChecked(Item(kRadioButtonNoAutoUpdt), s.neverRemind);
    SetChecked(Item(kRadioButtonAutoUpdt), !s.neverRemind);
    for (const int id :
         {kLabelAutoUpdt1, kSpinEditAutoUpdt, kSpinEditAutoUpdtArrows, kLabelAutoUpdt2})
        SetEnabled(Item(id), s.intervalEnabled);

    if (s.stripStep != paintedStep_) {
        paintedStep_ = s.stripStep;
        HWND strip = Item(kStrip);
        // The strip's name is the current step's title, for a screen reader.
        SetText(strip, s.stripStep >= 0 && s.stripStep < kWizardStepCount
                           ? WizardStepTitles()[static_cast<std::size_t>(s.stripStep)]
                           : "");
        // Repainted at once, not at the next idle moment.
        RedrawWindow(strip, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

COLORREF TStatusForm::StripColor(int x, int width) {
    const auto part = [&](int start) { return start + (255 - start) * x / width; };
    return RGB(part(kStripStart[0]), part(kStripStart[1]), part(kStripStart[2]));
}

void TStatusForm::PaintStrip(HDC dc, const RECT& client) const {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    for (int x = 0; x <= width; ++x) {
        const HPEN pen = CreatePen(PS_SOLID, 1, StripColor(x, width));
        const HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, height);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const int step = model_.Screen().stripStep;
    for (int i = 0; i < kWizardStepCount; ++i) {
        const SelectedFont selected(dc, StripFont(i == step));
        const std::wstring title = WideFromUtf8(WizardStepTitles()[static_cast<std::size_t>(i)]);
        const POINT at = StripTitlePos(i);
        TextOutW(dc, at.x, at.y, title.c_str(), static_cast<int>(title.size()));
    }
}

void TStatusForm::PaintTitle(HDC dc, const RECT& client) const {
    const HBRUSH fill = CreateSolidBrush(kTitleColor);
    FillRect(dc, &client, fill);
    DeleteObject(fill);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const SelectedFont selected(dc, titleFont_.Handle());
    RECT area = client;
    const std::wstring title = WideFromUtf8(model_.Screen().title);
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace rangwerk
