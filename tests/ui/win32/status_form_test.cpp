// The Win32 update wizard: how it shows the wizard model (pages, enablement, captions, the step
// strip, the title panel) and how its controls, keys and close box reach the model. The rules
// themselves are the model's test (tests/update/wizard_model_test.cpp).
#include "ui/win32/status_form.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "base/wide_text.h"
#include "support/scripted_dialogs.h"
#include "support/test_registry.h"
#include "tests/ui/win32/win32_test_support.h"

namespace rangwerk {
namespace {

using win32::FindControl;
using win32::TextOf;
using win32::testing::CaptureClient;
using win32::testing::PostClick;
using win32::testing::PostKey;
using Form = TStatusForm;

// A backend that offers an update, reports half of a 3 MiB archive and completes it; while the
// transfer runs, `duringDownload` runs at every report (as the window's events would).
class QuickBackend : public WizardBackend {
public:
    void BeginShowing(const WizardInputs&) override {}
    bool CheckForUpdates() override { return true; }
    bool UpdatesAvailable() const override { return available; }
    std::string CheckResultText() override { return "Zeile 1\r\nZeile 2 & mehr"; }
    WizardDownloadResult DownloadArchive(
        const std::function<void(std::uint64_t)>& begin,
        const std::function<bool(std::uint64_t)>& progress) override {
        begin(3145728);
        for (int report = 0; report < reports; ++report) {
            if (duringDownload)
                duringDownload(report);
            if (!progress(1572864))
                return {WizardDownloadResult::Status::Aborted, ""};
        }
        return {WizardDownloadResult::Status::Completed, ""};
    }
    WizardProgress DescribeProgress(std::uint64_t received, std::uint64_t) override {
        return {received, "50 %", "1,5 MB von 3 MB gedownloadet", "verbleibende Zeit: 00:00:30"};
    }
    void AbortTransfer() override { ++aborts; }
    void DiscardDownload() override {}
    WizardInstallResult PrepareInstallation(bool) override { return install; }
    void ReleaseDescription() override {}
    void RenewReminder() override { ++renewals; }
    void StartUpdateBatch() override { ++batches; }
    void RequestTermination() override { ++terminations; }

    bool available = true;
    int reports = 1;
    std::function<void(int report)> duringDownload;
    WizardInstallResult install{true, ""};
    int aborts = 0, renewals = 0, batches = 0, terminations = 0;
};

class StatusFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        win32::InitialiseCommonControls();
        form = std::make_unique<Form>(backend, dialogs, registry, &loop);
    }
    void TearDown() override {
        form.reset();
        EXPECT_TRUE(dialogs.AllAnswered()) << dialogs.messages.size() << " boxes";
    }

    HWND Item(int id) const { return FindControl(form->Window(), id); }
    // The page of the page set that shows, by the order of WizardPage.
    int ShownPage() const {
        for (int page = 0; page <= static_cast<int>(WizardPage::Settings); ++page) {
            HWND control = Item(FirstControlOf(page));
            if ((GetWindowLongW(GetParent(control), GWL_STYLE) & WS_VISIBLE) != 0)
                return page;
        }
        return -1;
    }
    static int FirstControlOf(int page) {
        constexpr int kFirst[] = {Form::kImageIcon1,    Form::kLabelCheck, Form::kLabelCheckResult,
                                  Form::kLabelDownload, Form::kImageIcon2, Form::kImageIcon3,
                                  Form::kGroupBox1};
        return kFirst[page];
    }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Shown(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
    bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(int id) {
        RECT place{};
        GetClientRect(Item(id), &place);
        PostClick(Item(id), place.right / 2, place.bottom / 2);
        loop.RunUntilIdle();
    }
    void Key(UINT key) {
        HWND focus = GetFocus();
        PostKey(focus != nullptr ? focus : form->Window(), key);
        loop.RunUntilIdle();
    }
    void ShowForm() {
        form->Show(WizardInputs{});
        loop.RunUntilIdle();
    }
    // From the welcome page through a successful check to the result page.
    void ClickToResult() {
        Click(Form::kButtonNext);
        Click(Form::kButtonCheck);
    }
    std::unique_ptr<RegistryKey> SettingsKey() {
        return registry.OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
    }

    testing::ScriptedDialogs dialogs;
    testing_support::TestRegistry registry;
    QuickBackend backend;
    win32::MessageLoop loop;
    std::unique_ptr<Form> form;
};

TEST_F(StatusFormTest, LayoutCaptionsAndTheStateAtCreation) {
    HWND window = form->Window();
    EXPECT_EQ(TextOf(window), "Updates installieren");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 658);
    EXPECT_EQ(client.bottom, 353);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_FALSE(form->Visible());

    EXPECT_EQ(TextOf(Item(Form::kButtonSettings)), "Einstellungen");
    EXPECT_EQ(TextOf(Item(Form::kButtonCancel)), "Abbrechen");
    EXPECT_EQ(TextOf(Item(Form::kButtonNext)), "Weiter >");
    EXPECT_EQ(TextOf(Item(Form::kButtonSettingsCancel)), "Abbrechen");
    EXPECT_EQ(TextOf(Item(Form::kButtonSettingsSave)), "Speichern");
    EXPECT_EQ(TextOf(Item(Form::kButtonCheck)), "Jetzt auf neue Updates prüfen");
    EXPECT_EQ(TextOf(Item(Form::kCancelDownload)), "Download ab&brechen");
    EXPECT_EQ(TextOf(Item(Form::kCheckBoxRestart)), "Programm automatisch neu starten");
    EXPECT_TRUE(Checked(Form::kCheckBoxRestart));
    EXPECT_EQ(TextOf(Item(Form::kLabelWelcome)).rfind("In regelmäßigen Abständen", 0), 0u);
    EXPECT_EQ(
        TextOf(Item(Form::kLabel5)).rfind("Die Installation wurde vorbereitet.\r\nKlicken", 0), 0u);
    EXPECT_EQ(TextOf(Item(Form::kGroupBox1)),
              "Wie oft wollen Sie zum Suchen nach Updates aufgefordert werden?");
    EXPECT_EQ(TextOf(Item(Form::kSpinEditAutoUpdt)), "7");
    EXPECT_TRUE(Checked(Form::kRadioButtonAutoUpdt));
    EXPECT_FALSE(Checked(Form::kRadioButtonNoAutoUpdt));
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Welcome));
    // The page icons show the system's information icon.
    for (const int icon : {Form::kImageIcon1, Form::kImageIcon2, Form::kImageIcon3}) {
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Item(icon), STM_GETICON, 0, 0)),
                  LoadIconW(nullptr, IDI_INFORMATION));
    }
}

// Columns of the strip's capture in rows [top, bottom) that hold a pixel clearly darker than
// the gradient there (the black text).
std::pair<int, int> InkColumns(const win32::testing::Capture& strip, int top, int bottom) {
    int first = -1, last = -1;
    for (int x = 0; x < strip.width; ++x) {
        const COLORREF expected = Form::StripColor(x, strip.width);
        const int brightness = GetRValue(expected) + GetGValue(expected) + GetBValue(expected);
        for (int y = top; y < bottom && y < strip.height; ++y) {
            const Color c = strip.At(x, y);
            if (static_cast<int>(RedOf(c) + GreenOf(c) + BlueOf(c)) + 60 < brightness) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

// The ink of each title spans the width that its font gives it: bold and italic for the
// current step, regular for the others.
void ExpectStrip(Form& form, HWND strip, int current) {
    const win32::testing::Capture capture = CaptureClient(strip);
    HDC dc = GetDC(strip);
    for (int i = 0; i < kWizardStepCount; ++i) {
        SCOPED_TRACE(WizardStepTitles()[static_cast<std::size_t>(i)]);
        const std::wstring title = WideFromUtf8(WizardStepTitles()[static_cast<std::size_t>(i)]);
        const HGDIOBJ old = SelectObject(dc, form.StripFont(i == current));
        SIZE extent{};
        GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
        SelectObject(dc, old);
        const POINT at = Form::StripTitlePos(i);
        const auto [first, last] = InkColumns(capture, at.y, at.y + extent.cy);
        ASSERT_GE(first, 0);
        EXPECT_LE(std::abs(first - at.x), 2);
        EXPECT_LE(std::abs(last + 1 - at.x - extent.cx), 3) << "ink " << first << ".." << last;
    }
    ReleaseDC(strip, dc);
}

// The face the start gives the program's windows goes to the controls that follow the window's
// font.
TEST_F(StatusFormTest, AGivenFaceReplacesVerdanaInTheControls) {
    form = std::make_unique<Form>(backend, dialogs, registry, &loop, std::string("Tahoma"));
    const win32::Font tahoma = win32::MakeFont({L"Tahoma", 11});
    EXPECT_EQ(win32::testing::ChosenFaceOf(Item(Form::kButtonNext)),
              win32::ChosenFace(tahoma.Handle()));
    EXPECT_EQ(win32::testing::ChosenFaceOf(Item(Form::kLabelWelcome)),
              win32::ChosenFace(tahoma.Handle()));
}

TEST_F(StatusFormTest, StripGradientCurrentStepAndTitlePanel) {
    ShowForm();
    HWND strip = Item(Form::kStrip);
    const win32::testing::Capture capture = CaptureClient(strip);
    ASSERT_EQ(capture.width, 225);
    ASSERT_EQ(capture.height, 353);
    // Below the last title only the gradient shows; every column by the formula.
    for (int x = 0; x < capture.width; ++x) {
        const Color expected = Rgb(155 + (255 - 155) * x / 225, 183 + (255 - 183) * x / 225,
                                   230 + (255 - 230) * x / 225);
        for (const int y : {0, 5, 352})
            ASSERT_EQ(capture.At(x, y), expected) << "column " << x << " row " << y;
    }
    ExpectStrip(*form, strip, 0);
    EXPECT_EQ(TextOf(strip), "Willkommen");

    const win32::testing::Capture title = CaptureClient(Item(Form::kTitle));
    EXPECT_EQ(title.At(2, 2), Rgb(49, 106, 197));
    EXPECT_TRUE(title.AnyPixelOtherThan(0, 0, title.width, title.height, Rgb(49, 106, 197)));

    Click(Form::kButtonNext);
    ExpectStrip(*form, strip, 1);
    EXPECT_EQ(TextOf(strip), "Auf neue Updates prüfen");
}

TEST_F(StatusFormTest, PagesAndEnablementThroughCheckDownloadAndInstallation) {
    ShowForm();
    // Enter: "Weiter >" to the check page, whose "Weiter >" waits for the check.
    Key(VK_RETURN);
    EXPECT_EQ(form->Model().Step(), 1);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Check));
    EXPECT_FALSE(Enabled(Form::kButtonNext));
    Click(Form::kButtonCheck);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Result));
    EXPECT_EQ(TextOf(Item(Form::kLabelCheckResult)), "Zeile 1\r\nZeile 2 & mehr");
    EXPECT_TRUE(Enabled(Form::kButtonNext));

    // The download: the bar and the texts of the last report; "Download abbrechen" goes.
    Click(Form::kButtonNext);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Download));
    HWND bar = Item(Form::kStatus);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 3145728);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 1572864);
    EXPECT_EQ(TextOf(Item(Form::kPerCent)), "50 %");
    EXPECT_EQ(TextOf(Item(Form::kStatusLabel)), "1,5 MB von 3 MB gedownloadet");
    EXPECT_EQ(TextOf(Item(Form::kTimeLeft)), "verbleibende Zeit: 00:00:30");
    EXPECT_EQ(TextOf(Item(Form::kLabelDownload)).rfind("Die Update-Dateien wurden erfolgreich", 0),
              0u);
    EXPECT_FALSE(Shown(Form::kCancelDownload));
    EXPECT_TRUE(Enabled(Form::kButtonNext));

    // Installed: "Beenden", and "Abbrechen" is off.
    Click(Form::kButtonNext);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Install));
    Click(Form::kCheckBoxRestart);
    EXPECT_FALSE(form->Model().Screen().restart);
    Click(Form::kButtonNext);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Finish));
    EXPECT_EQ(TextOf(Item(Form::kButtonNext)), "Beenden");
    EXPECT_FALSE(Enabled(Form::kButtonCancel));

    // The close box ends the program; destroying the wizard renews the reminder and starts
    // the batch.
    PostMessageW(form->Window(), WM_CLOSE, 0, 0);
    loop.RunUntilIdle();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(backend.terminations, 1);
    form.reset();
    EXPECT_EQ(backend.renewals, 1);
    EXPECT_EQ(backend.batches, 1);
}

TEST_F(StatusFormTest, RefusedInstallationShowsTheErrorIcon) {
    backend.install = {false, "Das Update konnte nicht geprüft werden. & mehr"};
    ShowForm();
    ClickToResult();
    Click(Form::kButtonNext);
    Click(Form::kButtonNext);
    Click(Form::kButtonNext);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Install));
    EXPECT_EQ(TextOf(Item(Form::kLabel3)), "Das Update konnte nicht geprüft werden. & mehr");
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Item(Form::kImageIcon2), STM_GETICON, 0, 0)),
              LoadIconW(nullptr, IDI_ERROR));
    EXPECT_FALSE(Enabled(Form::kButtonNext));
    ExpectStrip(*form, Item(Form::kStrip), 4);
}

// The cancel question while the archive arrives: the close box asks, and "Nein" keeps the
// wizard and the transfer; Escape ("Abbrechen") asks again, and "Ja" cuts the transfer and
// closes the wizard once it has stopped.
TEST_F(StatusFormTest, TheCancelQuestionDuringTheDownload) {
    backend.reports = 50;
    dialogs.AnswerMessage(MessageButton::No);
    dialogs.AnswerMessage(MessageButton::Yes);
    backend.duringDownload = [&](int report) {
        if (report == 2) {
            PostMessageW(form->Window(), WM_CLOSE, 0, 0);
        } else if (report == 5) {
            EXPECT_TRUE(form->Visible());
            EXPECT_TRUE(form->Model().Downloading());
            PostKey(GetFocus() != nullptr ? GetFocus() : form->Window(), VK_ESCAPE);
        }
    };
    ShowForm();
    ClickToResult();
    Click(Form::kButtonNext);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (const MessageRequest& asked : dialogs.messages)
        EXPECT_EQ(asked.text, "Soll der Download wirklich abgebrochen werden?");
    EXPECT_TRUE(form->Model().DownloadAborted());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(backend.terminations, 0);
}

TEST_F(StatusFormTest, SettingsPageCancelAndSave) {
    SettingsKey()->WriteDword("UpdateInterval", 0);
    ShowForm();
    Click(Form::kButtonSettings);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Settings));
    EXPECT_FALSE(Shown(Form::kButtonSettings));
    EXPECT_TRUE(Shown(Form::kButtonSettingsSave));
    EXPECT_FALSE(Shown(Form::kButtonNext));
    EXPECT_EQ(TextOf(Item(Form::kSpinEditAutoUpdt)), "1");  // a stored 0 shows 1
    EXPECT_TRUE(Enabled(Form::kSpinEditAutoUpdt));

    Click(Form::kRadioButtonNoAutoUpdt);
    for (const int id : {Form::kLabelAutoUpdt1, Form::kSpinEditAutoUpdt,
                         Form::kSpinEditAutoUpdtArrows, Form::kLabelAutoUpdt2})
        EXPECT_FALSE(Enabled(id)) << id;
    // Escape leaves the page without storing anything.
    Key(VK_ESCAPE);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Welcome));
    EXPECT_TRUE(Shown(Form::kButtonSettings));
    EXPECT_TRUE(Shown(Form::kButtonNext));
    EXPECT_FALSE(SettingsKey()->ValueExists("NoUpdate"));

    // A typed interval, saved with Enter.
    Click(Form::kButtonSettings);
    EXPECT_TRUE(Checked(Form::kRadioButtonAutoUpdt));
    SetFocus(Item(Form::kSpinEditAutoUpdt));
    win32::SetText(Item(Form::kSpinEditAutoUpdt), "21");
    Key(VK_RETURN);
    EXPECT_EQ(ShownPage(), static_cast<int>(WizardPage::Welcome));
    EXPECT_EQ(SettingsKey()->ReadDword("UpdateInterval"), std::optional<std::uint32_t>(21));

    // "Niemals": the interval goes and "NoUpdate" comes.
    Click(Form::kButtonSettings);
    Click(Form::kRadioButtonNoAutoUpdt);
    Click(Form::kButtonSettingsSave);
    EXPECT_EQ(SettingsKey()->ReadString("NoUpdate"), std::optional<std::string>(""));
    EXPECT_FALSE(SettingsKey()->ValueExists("UpdateInterval"));
    Click(Form::kButtonSettings);
    EXPECT_TRUE(Checked(Form::kRadioButtonNoAutoUpdt));
    EXPECT_EQ(TextOf(Item(Form::kSpinEditAutoUpdt)), "28");

    // Escape on the standard page: "Abbrechen" closes the wizard.
    Key(VK_ESCAPE);
    Key(VK_ESCAPE);
    EXPECT_FALSE(form->Visible());
}

// Shown modally, the wizard is centred on the screen, the program's other windows take no
// input until it has been left, and the showing returns then.
TEST_F(StatusFormTest, ShowModalCentresBlocksTheOtherWindowsAndReturnsWhenLeft) {
    HWND other = CreateWindowExW(0, L"STATIC", L"Hauptfenster", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                 0, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    bool checked = false;
    win32::testing::WhileModal([&] {
        if (!form->Visible())
            return false;
        checked = true;
        RECT frame{};
        GetWindowRect(form->Window(), &frame);
        EXPECT_EQ(frame.left, GetSystemMetrics(SM_CXSCREEN) / 2 - (frame.right - frame.left) / 2);
        EXPECT_EQ(frame.top, GetSystemMetrics(SM_CYSCREEN) / 2 - (frame.bottom - frame.top) / 2);
        EXPECT_FALSE(IsWindowEnabled(other));
        Click(Form::kButtonCancel);
        return true;
    });
    form->ShowModal(WizardInputs{});
    EXPECT_TRUE(checked);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(IsWindowEnabled(other));
    DestroyWindow(other);
}

}  // namespace
}  // namespace rangwerk
