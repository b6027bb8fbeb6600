#include "ui/qt/quarv_update_file_statusform.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QtTest>

#include <stdlib.h>
#include <filesystem>
#include <memory>
#include <string>

#include "base/failure.h"
#include "platform/registry_file.h"
#include "support/find_control.h"
#include "support/group_box_frame.h"
#include "support/scripted_dialogs.h"

using rangwerk::testing_support::FindControl;
using namespace rangwerk;

namespace {

namespace fs = std::filesystem;

// A backend that offers an update and completes every transfer at once.
class QuickBackend : public WizardBackend {
public:
    void BeginShowing(const WizardInputs&) override {
        if (!showingFailure.empty())
            throw Failure(showingFailure);
    }
    bool CheckForUpdates() override { return true; }
    bool UpdatesAvailable() const override { return available; }
    std::string CheckResultText() override { return "Zeile 1\r\nZeile 2"; }
    WizardDownloadResult DownloadArchive(
        const std::function<void(std::uint64_t)>& begin,
        const std::function<bool(std::uint64_t)>& progress) override {
        begin(3145728);
        if (!progress(1572864))
            return {WizardDownloadResult::Status::Aborted, ""};
        return {WizardDownloadResult::Status::Completed, ""};
    }
    WizardProgress DescribeProgress(std::uint64_t received, std::uint64_t) override {
        return {received, "50 %", "1,5 MB von 3 MB gedownloadet", "verbleibende Zeit: 00:00:30"};
    }
    void AbortTransfer() override {}
    void DiscardDownload() override {}
    WizardInstallResult PrepareInstallation(bool) override { return install; }
    void ReleaseDescription() override {}
    void RenewReminder() override { ++renewals; }
    void StartUpdateBatch() override { ++batches; }
    void RequestTermination() override { ++terminations; }

    bool available = true;
    WizardInstallResult install{true, ""};
    int renewals = 0, batches = 0, terminations = 0;
    std::string showingFailure;
};

template <class T>
T* Child(QWidget& window, const char* name) {
    return FindControl<T>(window, name);
}

// Columns of `image` in rows [top, bottom) that hold a pixel darker than the strip's gradient
// there (the black text).
std::pair<int, int> InkColumns(const QImage& image, int top, int bottom) {
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        const QColor expected = TStatusForm::StripColor(x, image.width());
        for (int y = top; y < bottom; ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() + c.green() + c.blue() + 60 <
                expected.red() + expected.green() + expected.blue()) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

}  // namespace

class StatusFormTest : public QObject {
    Q_OBJECT

private:
    testing::ScriptedDialogs dialogs_;
    QuickBackend backend_;
    fs::path folder_;
    std::unique_ptr<FileRegistry> registry_;

    std::unique_ptr<TStatusForm> MakeForm() {
        return std::make_unique<TStatusForm>(backend_, dialogs_, *registry_);
    }
    // Shows the form and waits until it is on the screen.
    static bool Shown(TStatusForm& form) {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }
    // From the welcome page through a successful check to the result page.
    static void ClickToResult(TStatusForm& form) {
        QTest::mouseClick(Child<QPushButton>(form, "Button_Next"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(form, "Button_Check"), Qt::LeftButton);
    }

    // The ink of each title in the step strip spans the width its font's metrics give it:
    // bold and italic for `current`, regular for the others.
    static void CheckStrip(TStatusForm& form, int current) {
        const QImage strip = Child<QWidget>(form, "PaintBox_Process")->grab().toImage();
        for (int i = 0; i < kWizardStepCount; ++i) {
            const QString text = QString::fromUtf8(WizardStepTitles()[static_cast<std::size_t>(i)]);
            const QFontMetrics metrics(form.StripFont(i == current));
            const QRect ink = metrics.boundingRect(text);
            const QPoint at = TStatusForm::StripTitlePos(i);
            const auto [first, last] = InkColumns(strip, at.y(), at.y() + metrics.height());
            QVERIFY2(first >= 0, qPrintable(text));
            QVERIFY2(std::abs(first - (at.x() + metrics.leftBearing(text.front()))) <= 2,
                     qPrintable(text));
            QVERIFY2(std::abs((last + 1 - at.x()) - ink.width()) <= 2,
                     qPrintable(QString("%1: ink %2..%3, metrics %4")
                                    .arg(text)
                                    .arg(first)
                                    .arg(last)
                                    .arg(ink.width())));
        }
    }

private slots:
    void init() {
        dialogs_ = {};
        backend_ = {};
        std::string pattern = (fs::temp_directory_path() / "rangwerk-statusform-XXXXXX").string();
        QVERIFY(::mkdtemp(pattern.data()) != nullptr);
        folder_ = pattern;
        registry_ = std::make_unique<FileRegistry>(folder_);
    }

    void cleanup() {
        registry_.reset();
        fs::remove_all(folder_);
        QVERIFY2(dialogs_.messages.empty(), "a handler reported a failure");
    }

    void layoutOfTheWindow() {
        auto form = MakeForm();
        QCOMPARE(form->windowTitle(), QString("Updates installieren"));
        QCOMPARE(form->size(), QSize(658, 353));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(form->font().family(), QString("DejaVu Sans"));
        QCOMPARE(form->font().pixelSize(), 11);

        QCOMPARE(Child<QWidget>(*form, "PaintBox_Process")->geometry(), QRect(0, 0, 225, 353));
        auto* title = Child<QLabel>(*form, "Panel_Title");
        QCOMPARE(title->geometry(), QRect(232, 8, 417, 41));
        QCOMPARE(title->font().pixelSize(), 19);
        QVERIFY(title->font().bold());
        QCOMPARE(title->text(), QString("Willkommen"));
        QCOMPARE(Child<QStackedWidget>(*form, "Pages")->geometry(), QRect(232, 56, 417, 249));
        QCOMPARE(Child<QStackedWidget>(*form, "Pages")->count(), 7);
        QCOMPARE(Child<QFrame>(*form, "Bevel1")->geometry().top(), 312);
        auto* settings = Child<QPushButton>(*form, "Button_Settings");
        QCOMPARE(settings->pos(), QPoint(240, 320));
        QCOMPARE(settings->text(), QString("Einstellungen"));
        QCOMPARE(Child<QStackedWidget>(*form, "Notebook_StdButtons")->count(), 2);
        QCOMPARE(Child<QPushButton>(*form, "Button_Cancel")->text(), QString("Abbrechen"));
        QCOMPARE(Child<QPushButton>(*form, "Button_Next")->text(), QString("Weiter >"));
        QCOMPARE(Child<QPushButton>(*form, "Button_SettingsCancel")->text(), QString("Abbrechen"));
        QCOMPARE(Child<QPushButton>(*form, "Button_SettingsSave")->text(), QString("Speichern"));
        QCOMPARE(Child<QPushButton>(*form, "Button_Check")->text(),
                 QString("Jetzt auf neue Updates prüfen"));
        QCOMPARE(Child<QPushButton>(*form, "CancelDownload")->text(),
                 QString("Download ab&brechen"));
        auto* restart = Child<QCheckBox>(*form, "CheckBox_Restart");
        QCOMPARE(restart->text(), QString("Programm automatisch neu starten"));
        QVERIFY(restart->isChecked());
        QVERIFY(
            Child<QLabel>(*form, "Label_Welcome")->text().startsWith("In regelmäßigen Abständen"));
        QVERIFY(Child<QLabel>(*form, "Label5")
                    ->text()
                    .startsWith("Die Installation wurde vorbereitet.\nKlicken"));
        QCOMPARE(Child<QGroupBox>(*form, "GroupBox1")->title(),
                 QString("Wie oft wollen Sie zum Suchen nach Updates aufgefordert werden?"));
        auto* spin = Child<QSpinBox>(*form, "SpinEdit_AutoUpdt");
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->maximum(), 365);
        QCOMPARE(spin->value(), 7);
        QVERIFY(Child<QRadioButton>(*form, "RadioButton_AutoUpdt")->isChecked());
        QVERIFY(!Child<QRadioButton>(*form, "RadioButton_NoAutoUpdt")->isChecked());
    }

    void pageIconsShowTheInformationIconOnceShown() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        const QImage information =
            form->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32).toImage();
        QVERIFY(!information.isNull());
        for (const char* icon : {"Image_Icon1", "Image_Icon2", "Image_Icon3"})
            QCOMPARE(Child<QLabel>(*form, icon)->pixmap().toImage(), information);
    }

    void settingsGroupHasItsFrameAtTheTop() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        QTest::mouseClick(Child<QPushButton>(*form, "Button_Settings"), Qt::LeftButton);
        auto* box = Child<QGroupBox>(*form, "GroupBox1");
        QVERIFY(box->isVisible());
        QCOMPARE(box->geometry(), QRect(8, 8, 401, 233));
        CheckGroupBoxFrameAtTop(
            box, QStringLiteral("Wie oft wollen Sie zum Suchen nach Updates aufgefordert werden?"));
    }

    void titleColourAndStripGradient() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));

        const QImage title = Child<QLabel>(*form, "Panel_Title")->grab().toImage();
        QCOMPARE(title.pixelColor(2, 2), QColor(49, 106, 197));
        bool white = false;
        for (int x = 0; x < title.width() && !white; ++x)
            for (int y = 0; y < title.height() && !white; ++y)
                white = title.pixelColor(x, y) == QColor(Qt::white);
        QVERIFY2(white, "no white title text");

        const QImage strip = Child<QWidget>(*form, "PaintBox_Process")->grab().toImage();
        QCOMPARE(strip.size(), QSize(225, 353));
        // Below the last title only the gradient shows; every column by the formula.
        for (int x = 0; x < strip.width(); ++x) {
            const QColor expected(155 + (255 - 155) * x / 225, 183 + (255 - 183) * x / 225,
                                  230 + (255 - 230) * x / 225);
            for (int y : {0, 5, 352}) {
                if (strip.pixelColor(x, y) != expected)
                    QFAIL(qPrintable(QString("column %1 row %2").arg(x).arg(y)));
            }
        }
        QCOMPARE(TStatusForm::StripColor(225, 225), QColor(255, 255, 255));
        QCOMPARE(TStatusForm::StripColor(1, 225), QColor(155, 183, 230));  // 100/225 truncates
        QCOMPARE(TStatusForm::StripColor(3, 225), QColor(156, 183, 230));
    }

    void currentStepIsBoldAndItalicInTheStrip() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        auto* box = Child<QWidget>(*form, "PaintBox_Process");
        auto checkStrip = [&](int current) { CheckStrip(*form, current); };
        const QFont regular = form->StripFont(false);
        const QFont current = form->StripFont(true);
        QCOMPARE(regular.pointSize(), 10);
        QVERIFY(current.bold() && current.italic() && !regular.bold() && !regular.italic());
        // The two fonts differ visibly for every title, so the check can tell them apart.
        for (const char* t : WizardStepTitles())
            QVERIFY(QFontMetrics(regular).boundingRect(QString::fromUtf8(t)).width() + 3 <
                    QFontMetrics(current).boundingRect(QString::fromUtf8(t)).width());
        checkStrip(0);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(box->accessibleName(), QString("Willkommen"));

        QTest::mouseClick(Child<QPushButton>(*form, "Button_Next"), Qt::LeftButton);
        QCOMPARE(form->Model().Step(), 1);
        checkStrip(1);
        QCOMPARE(box->accessibleName(), QString("Auf neue Updates prüfen"));
        QCOMPARE(box->accessibleDescription(), QString("Schritt 2 von 6: Auf neue Updates prüfen"));
    }

    void showingCentresAndResets() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        const QRect screen = form->screen()->geometry();
        QCOMPARE(form->pos(), QPoint(screen.x() + screen.width() / 2 - 658 / 2,
                                     screen.y() + screen.height() / 2 - 353 / 2));
        QVERIFY(Child<QLabel>(*form, "PerCent")->font().bold());
        // Through the check to the result page, then hidden and shown again.
        ClickToResult(*form);
        QCOMPARE(Child<QStackedWidget>(*form, "Pages")->currentIndex(), 2);
        QCOMPARE(Child<QLabel>(*form, "Label_CheckResult")->text(), QString("Zeile 1\nZeile 2"));
        form->move(0, 0);
        form->hide();
        form->show();
        QCOMPARE(form->pos(), QPoint(screen.x() + screen.width() / 2 - 658 / 2,
                                     screen.y() + screen.height() / 2 - 353 / 2));
        QCOMPARE(Child<QStackedWidget>(*form, "Pages")->currentIndex(), 0);
        QCOMPARE(Child<QLabel>(*form, "Panel_Title")->text(), QString("Willkommen"));
    }

    void downloadPageShowsTheProgress() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        ClickToResult(*form);
        QTest::mouseClick(Child<QPushButton>(*form, "Button_Next"), Qt::LeftButton);
        QCOMPARE(Child<QLabel>(*form, "Panel_Title")->text(), QString("Download der Updates"));
        auto* bar = Child<QProgressBar>(*form, "Status");
        QCOMPARE(bar->maximum(), 3145728);
        QCOMPARE(bar->value(), 1572864);
        QCOMPARE(Child<QLabel>(*form, "PerCent")->text(), QString("50 %"));
        QCOMPARE(Child<QLabel>(*form, "StatusLabel")->text(),
                 QString("1,5 MB von 3 MB gedownloadet"));
        QCOMPARE(Child<QLabel>(*form, "TimeLeft")->text(), QString("verbleibende Zeit: 00:00:30"));
        QVERIFY(Child<QPushButton>(*form, "CancelDownload")->isHidden());
        QVERIFY(Child<QPushButton>(*form, "Button_Next")->isEnabled());
    }

    void enterAndEscape() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        form->activateWindow();
        // Enter: "Weiter >".
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(form->Model().Step(), 1);
        // On the settings page Escape leaves it, and Enter saves.
        QTest::mouseClick(Child<QPushButton>(*form, "Button_Settings"), Qt::LeftButton);
        QCOMPARE(Child<QStackedWidget>(*form, "Notebook_StdButtons")->currentIndex(), 1);
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QCOMPARE(Child<QStackedWidget>(*form, "Notebook_StdButtons")->currentIndex(), 0);
        QVERIFY(form->isVisible());
        QTest::mouseClick(Child<QPushButton>(*form, "Button_Settings"), Qt::LeftButton);
        Child<QSpinBox>(*form, "SpinEdit_AutoUpdt")->setValue(21);
        Child<QPushButton>(*form, "Button_SettingsSave")->setFocus();
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(Child<QStackedWidget>(*form, "Notebook_StdButtons")->currentIndex(), 0);
        auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
        QCOMPARE(key->ReadDword("UpdateInterval"), std::optional<std::uint32_t>(21));
        // Escape on the standard page: "Abbrechen" closes the wizard.
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(backend_.terminations, 0);
    }

    void settingsPageSaveAndCancel() {
        {
            auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
            key->WriteDword("UpdateInterval", 0);
        }
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        auto* pages = Child<QStackedWidget>(*form, "Pages");
        auto* settings = Child<QPushButton>(*form, "Button_Settings");
        auto* spin = Child<QSpinBox>(*form, "SpinEdit_AutoUpdt");
        auto* never = Child<QRadioButton>(*form, "RadioButton_NoAutoUpdt");

        QTest::mouseClick(settings, Qt::LeftButton);
        QCOMPARE(pages->currentIndex(), 6);
        QCOMPARE(Child<QLabel>(*form, "Panel_Title")->text(), QString("Einstellungen"));
        QVERIFY(settings->isHidden());
        QCOMPARE(spin->value(), 1);  // a stored 0 shows 1
        QVERIFY(spin->isEnabled());

        QTest::mouseClick(never, Qt::LeftButton);
        QVERIFY(!spin->isEnabled());
        QVERIFY(!Child<QLabel>(*form, "Label_AutoUpdt1")->isEnabled());
        // Cancelled: nothing stored, the step's page and title return.
        QTest::mouseClick(Child<QPushButton>(*form, "Button_SettingsCancel"), Qt::LeftButton);
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(Child<QLabel>(*form, "Panel_Title")->text(), QString("Willkommen"));
        QVERIFY(!settings->isHidden());
        {
            auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
            QVERIFY(!key->ValueExists("NoUpdate"));
        }

        // Saved with "never": the interval goes, "NoUpdate" comes.
        QTest::mouseClick(settings, Qt::LeftButton);
        QVERIFY(Child<QRadioButton>(*form, "RadioButton_AutoUpdt")->isChecked());
        QTest::mouseClick(never, Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(*form, "Button_SettingsSave"), Qt::LeftButton);
        auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
        QCOMPARE(key->ReadString("NoUpdate"), std::optional<std::string>(""));
        QVERIFY(!key->ValueExists("UpdateInterval"));
        QTest::mouseClick(settings, Qt::LeftButton);
        QVERIFY(never->isChecked());
        QCOMPARE(spin->value(), 28);
    }

    void refusedInstallationShowsTheErrorIconUntilTheNextShowing() {
        backend_.install = {false, "Das Update konnte nicht geprüft werden."};
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        auto* next = Child<QPushButton>(*form, "Button_Next");
        ClickToResult(*form);
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        auto* icon = Child<QLabel>(*form, "Image_Icon2");
        const QImage information = Child<QLabel>(*form, "Image_Icon1")->pixmap().toImage();
        const QImage error =
            form->style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32).toImage();
        QVERIFY(information != error);
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(Child<QStackedWidget>(*form, "Pages")->currentIndex(), 4);
        QCOMPARE(Child<QLabel>(*form, "Label3")->text(),
                 QString("Das Update konnte nicht geprüft werden."));
        QCOMPARE(icon->pixmap().toImage(), error);
        QVERIFY(!next->isEnabled());
        // The strip stays at "Installieren" with the page.
        CheckStrip(*form, 4);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Child<QWidget>(*form, "PaintBox_Process")->accessibleName(),
                 QString("Installieren"));
        // Only the wizard closes; the program goes on.
        QVERIFY(form->close());
        QCOMPARE(backend_.terminations, 0);
        form->show();
        QCOMPARE(icon->pixmap().toImage(), information);
        QVERIFY(Child<QLabel>(*form, "Label3")
                    ->text()
                    .startsWith("Das Update kann jetzt installiert werden."));
    }

    void showModalReturnsWhenTheWizardIsLeft() {
        auto form = MakeForm();
        WizardInputs inputs;
        inputs.registryKey = "Anders";
        QTimer::singleShot(0, form.get(), [&] {
            QVERIFY(form->isVisible());
            QTest::mouseClick(Child<QPushButton>(*form, "Button_Settings"), Qt::LeftButton);
            QTest::mouseClick(Child<QPushButton>(*form, "Button_SettingsSave"), Qt::LeftButton);
            QTest::mouseClick(Child<QPushButton>(*form, "Button_Cancel"), Qt::LeftButton);
        });
        form->ShowModal(inputs);
        QVERIFY(!form->isVisible());
        // The settings went below the key handed over with the showing.
        auto key = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Anders");
        QCOMPARE(key->ReadDword("UpdateInterval"), std::optional<std::uint32_t>(28));
    }

    // The update component shows the wizard inside its own action (Ctrl+U or the reminder):
    // a showing that fails ends that action with one box, and the wizard does not open.
    void aFailingShowingEndsTheCallersActionWithOneBox() {
        auto form = MakeForm();
        backend_.showingFailure = "Kein Ordner für das Update";
        // Should the wizard open after all, leave it rather than wait for ever.
        QTimer::singleShot(2000, form.get(), [&] { form->done(QDialog::Rejected); });
        bool wentOn = false;
        RunGuarded(dialogs_, [&] {
            form->ShowModal(WizardInputs{});
            wentOn = true;
        });
        QVERIFY(!wentOn);
        QVERIFY(!form->isVisible());
        QCOMPARE(dialogs_.messages.size(), std::size_t{1});
        QCOMPARE(dialogs_.messages[0], GeneralErrorMessage("Kein Ordner für das Update"));
        dialogs_.messages.clear();

        // Shown directly (not for a caller), the showing is an action of its own.
        form->show();
        QCOMPARE(dialogs_.messages.size(), std::size_t{1});
        QCOMPARE(dialogs_.messages[0].text, std::string("Kein Ordner für das Update."));
        dialogs_.messages.clear();
        form->hide();

        // Once it works again the wizard opens and starts at its first page.
        backend_.showingFailure.clear();
        QTimer::singleShot(0, form.get(), [&] {
            QVERIFY(form->isVisible());
            QCOMPARE(Child<QStackedWidget>(*form, "Pages")->currentIndex(), 0);
            QTest::mouseClick(Child<QPushButton>(*form, "Button_Cancel"), Qt::LeftButton);
        });
        form->ShowModal(WizardInputs{});
        QVERIFY(!form->isVisible());
    }

    void closingThePreparedInstallationEndsTheProgramAndStartsTheBatch() {
        auto form = MakeForm();
        QVERIFY(Shown(*form));
        auto* next = Child<QPushButton>(*form, "Button_Next");
        ClickToResult(*form);
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(next->text(), QString("Beenden"));
        QVERIFY(!Child<QPushButton>(*form, "Button_Cancel")->isEnabled());
        QVERIFY(form->close());
        QCOMPARE(backend_.terminations, 1);
        form.reset();
        QCOMPARE(backend_.renewals, 1);
        QCOMPARE(backend_.batches, 1);
    }
};

QTEST_MAIN(StatusFormTest)
#include "statusform_test.moc"
