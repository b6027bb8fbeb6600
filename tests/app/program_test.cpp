// The start order of the whole program: registration at every start, "/uninstall" before any
// window is shown, the update reminder before the main window, the windows and their font, the
// info dialog behind the start page's button, Ctrl+U, the update-only start.
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <filesystem>

#include "app/program.h"
#include "platform/drive_type.h"
#include "platform/registry_file.h"
#include "support/counting_file_calls.h"
#include "support/scripted_dialogs.h"
#include "update/reminder.h"

using namespace rangwerk;
using rangwerk::testing::ScriptedDialogs;

namespace {

constexpr const char* kEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rangwerk";
constexpr const char* kSettings = "Software\\Quarv\\Rangwerk";
constexpr double kToday = 46000;

// The update wizard is a modal window: every test that may meet it says how it ends.
struct Start {
    QTemporaryDir folder;
    testing_support::CountingFileCalls calls;
    FileRegistry registry{std::filesystem::path(folder.path().toStdString()), calls};
    ScriptedDialogs dialogs;

    // Ordinary starts go straight to the main window, as after "NoUpdate" was stored.
    explicit Start(bool remind = false) {
        if (!remind)
            Settings()->WriteString("NoUpdate", "");
    }
    // The update host of the program; never asked, as every test leaves the wizard before
    // its check.
    UpdateHost host{"127.0.0.1:9", false};

    std::unique_ptr<Program> Make(std::optional<std::string> argument1) {
        return std::make_unique<Program>(ProgramServices{
            dialogs, registry, "/opt/rangwerk/bin/rangwerk", std::move(argument1),
            [] { return std::string("1.0.0.0"); }, [] { return QStringLiteral("DejaVu Sans"); },
            nullptr,
            ProgramUpdateServices{[](const std::string&) { return int(kDriveFixed); },
                                  [](const std::string&) { return std::optional<double>(45000); },
                                  [] { return kToday; },
                                  {},
                                  host}});
    }
    std::unique_ptr<RegistryKey> Settings() {
        return registry.OpenKey(RegistryRoot::LocalMachine, kSettings);
    }
    bool EntryExists() {
        return registry
            .OpenKey(RegistryRoot::LocalMachine,
                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall")
            ->HasSubkey("Rangwerk");
    }
    void AddSettingsKey(RegistryRoot root) {
        registry.OpenKey(root, "SOFTWARE\\Quarv\\Rangwerk")->WriteDword("UpdateInterval", 7);
    }
};

// Closes the update wizard with its "Abbrechen" button once it is the modal window. Records
// whether the main window was visible meanwhile. Stops looking when it goes out of scope.
struct CancelWizard {
    int shown = 0;
    bool mainWindowVisible = false;
    QTimer timer;

    void Arm(std::function<QWidget*()> mainWindow) {
        timer.disconnect();
        QObject::connect(&timer, &QTimer::timeout, [this, mainWindow] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != QStringLiteral("StatusForm"))
                return;
            timer.stop();
            ++shown;
            QWidget* main = mainWindow();
            mainWindowVisible = main && main->isVisible();
            modal->findChild<QPushButton*>(QStringLiteral("Button_Cancel"))->click();
        });
        timer.start(0);
    }
};

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void ordinaryStartWritesTheEntryAndCreatesTheWindows() {
        Start s;
        auto program = s.Make(std::nullopt);
        QVERIFY(!program->Terminated());
        QVERIFY(s.dialogs.messages.empty());
        auto key = s.registry.OpenKey(RegistryRoot::LocalMachine, kEntry);
        QCOMPARE(key->ReadString("DisplayName"), std::optional<std::string>("Rangwerk"));
        QCOMPARE(key->ReadString("DisplayVersion"), std::optional<std::string>("1.0.0.0"));
        QCOMPARE(key->ReadString("UninstallString"),
                 std::optional<std::string>("\"/opt/rangwerk/bin/rangwerk\" /uninstall"));
        QCOMPARE(key->ReadString("URLUpdateInfo"),
                 std::optional<std::string>("Strg+U im Programm drücken"));
        // The combinations window stays on top of the main window; nothing is shown yet.
        QCOMPARE(program->CombinationsWindow().parentWidget(), &program->MainWindow());
        QVERIFY(!program->MainWindow().isVisible());
        QCOMPARE(program->MainWindow().windowTitle(), QStringLiteral("Rangwerk"));
        QCOMPARE(program->MainWindow().CurrentPage(), int(MainPage::Start));
        // The windows' 8-point font took the face of the message font.
        QCOMPARE(program->MainWindow().font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(program->CombinationsWindow().font().family(), QStringLiteral("DejaVu Sans"));
        // The main window's flows drive the combinations window.
        MainWindowModel& main = program->MainWindowState();
        main.SpeedButton_0NewClick();
        for (const char* name : {"A", "B"}) {
            main.EditOptionName(name);
            main.Button_1AddClick();
        }
        main.Button_1NextClick();
        main.RadioGroup_2OrderClick(QueryOrder::Unchanged);
        main.Button_2NextClick();
        main.Button_3NextClick();
        main.Button_4CombinationsClick();
        QVERIFY(program->CombinationsWindow().isVisible());
        QVERIFY(program->MainWindowState().CurrentViewFacts().combinationsOpen);
        program->CombinationsModel().CloseWindow();
        // The update wizard exists hidden, a window of its own, and took the face as well.
        QWidget& wizard = program->QuarvUpdateFile().StatusForm()->Window();
        QVERIFY(wizard.isWindow());
        QVERIFY(wizard.parentWidget() == nullptr);
        QVERIFY(!wizard.isVisible());
        QCOMPARE(wizard.font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(s.Settings()->ReadString("ApplicationFileName"),
                 std::optional<std::string>("\"/opt/rangwerk/bin/rangwerk\""));
    }

    void firstStartShowsTheWizardBeforeTheMainWindow() {
        Start s(true);
        CancelWizard cancel;
        std::unique_ptr<Program> program;
        cancel.Arm([&]() -> QWidget* { return program ? &program->MainWindow() : nullptr; });
        program = s.Make(std::nullopt);
        QCOMPARE(cancel.shown, 1);
        QVERIFY(!cancel.mainWindowVisible);
        QVERIFY(!program->Terminated());
        QVERIFY(s.dialogs.messages.empty());
        QCOMPARE(program->MainWindow().CurrentPage(), int(MainPage::Start));
        QCOMPARE(s.Settings()->ReadString("ApplicationFileName"),
                 std::optional<std::string>("\"/opt/rangwerk/bin/rangwerk\""));
        // Cancelling does not renew the reminder, also not at program end: the next start
        // reminds again.
        program.reset();
        QVERIFY(!s.Settings()->ValueExists("Update"));
        cancel.Arm([] { return nullptr; });
        program = s.Make(std::nullopt);
        QCOMPARE(cancel.shown, 2);
        program.reset();

        // Reminded today: no wizard until tomorrow.
        s.Settings()->WriteBinary("Update", EncodeReminderDate(kToday));
        program = s.Make(std::nullopt);
        QCOMPARE(cancel.shown, 2);
        QVERIFY(!program->Terminated());
    }

    void aProgramThatKnowsNoUpdateHostRemindsOfNothingButCtrlUOpensTheWizard() {
        Start s(true);
        s.host = {};
        CancelWizard cancel;
        cancel.Arm([] { return nullptr; });
        auto program = s.Make(std::nullopt);
        QCOMPARE(cancel.shown, 0);
        QVERIFY(!program->Terminated());
        QCOMPARE(s.Settings()->ReadString("ApplicationFileName"),
                 std::optional<std::string>("\"/opt/rangwerk/bin/rangwerk\""));
        program->QuarvUpdateFile().UpdateAction()->trigger();
        QCOMPARE(cancel.shown, 1);
        QVERIFY(s.dialogs.messages.empty());
    }

    void ctrlUOpensTheWizardOverTheFocusedNameField() {
        Start s;
        auto program = s.Make(std::nullopt);
        s.Settings()->DeleteValue("ApplicationFileName");
        TForm1& window = program->MainWindow();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        program->MainWindowState().SpeedButton_0NewClick();
        auto* name = window.findChild<QLineEdit*>(QStringLiteral("Edit_1OptionName"));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("Urlaub"));
        CancelWizard cancel;
        cancel.Arm([&]() -> QWidget* { return &window; });
        QTest::keyClick(name, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(cancel.shown, 1);
        QCOMPARE(name->text(), QStringLiteral("Urlaub"));
        QVERIFY(!s.Settings()->ValueExists("ApplicationFileName"));
        QVERIFY(s.dialogs.messages.empty());
    }

    void updateOnlyStartNeverShowsTheMainWindow() {
        Start s;
        s.Settings()->WriteString("OnlyUpdate", "");
        s.Settings()->WriteBinary("Update", EncodeReminderDate(kToday + 10));
        CancelWizard cancel;
        std::unique_ptr<Program> program;
        cancel.Arm([&]() -> QWidget* { return program ? &program->MainWindow() : nullptr; });
        program = s.Make(std::nullopt);
        QCOMPARE(cancel.shown, 1);
        QVERIFY(program->Terminated());
        QVERIFY(program->OnlyUpdateEnded());
        QCOMPARE(program->Run(), 0);
        QVERIFY(!program->MainWindow().isVisible());
        QVERIFY(s.dialogs.messages.empty());
        program.reset();  // the wizard's clean-up runs, the main window goes last
    }

    void settingsThatCannotBeWrittenDoNotStopTheStart() {
        // A store that refuses every key, as a machine-wide store without rights does.
        struct Refusing : Registry {
            std::unique_ptr<RegistryKey> OpenKey(RegistryRoot, const std::string&) override {
                throw RegistryError("Kein Zugriff auf die Registrierung");
            }
        } refusing;
        ScriptedDialogs dialogs;
        dialogs.AnswerMessage(MessageButton::Ok);
        CancelWizard cancel;
        cancel.Arm([] { return nullptr; });
        Program program(ProgramServices{
            dialogs,
            refusing,
            "/opt/rangwerk/bin/rangwerk",
            std::nullopt,
            [] { return std::string("1.0.0.0"); },
            {},
            nullptr,
            ProgramUpdateServices{[](const std::string&) { return int(kDriveFixed); },
                                  [](const std::string&) { return std::optional<double>(45000); },
                                  [] { return kToday; },
                                  {},
                                  UpdateHost{"127.0.0.1:9", false}}});
        QVERIFY(dialogs.AllAnswered());
        QCOMPARE(dialogs.messages.size(), size_t(1));
        QCOMPARE(dialogs.messages[0].caption, std::string("Rangwerk"));
        QCOMPARE(dialogs.messages[0].text, std::string("Kein Zugriff auf die Registrierung."));
        // Nothing is known of the reminder, so it comes; the start goes on.
        QCOMPARE(cancel.shown, 1);
        QVERIFY(!program.Terminated());
        QCOMPARE(program.MainWindow().CurrentPage(), int(MainPage::Start));
        QCOMPARE(program.InfoDialog().isVisible(), false);
    }

    void theStartWritesTheStoreOnceWhenTheMainWindowIsOnScreen() {
        Start s;
        s.calls.syncs = 0;
        auto program = s.Make(std::nullopt);
        QVERIFY(s.EntryExists());  // written, as far as every reader sees
        QCOMPARE(s.calls.syncs, 0);
        int syncsWhenShown = -1;
        QTimer::singleShot(200, [&] {
            syncsWhenShown = s.calls.syncs;
            program->RequestTermination();
        });
        QCOMPARE(program->Run(), 0);
        QCOMPARE(syncsWhenShown, 1);  // the entry and the reminder's path, in one replace
    }

    void terminationRequestEndsTheEventLoop() {
        Start s;
        auto program = s.Make(std::nullopt);
        QTimer::singleShot(0, [&] { program->RequestTermination(); });
        QCOMPARE(program->Run(), 0);
        QVERIFY(program->Terminated());
    }

    void messageFontHasTheMetricsTheWindowsAreLaidOutFor() {
        // fonts-liberation is installed with the program's packages.
        QCOMPARE(SystemMessageFontFace(), QStringLiteral("Liberation Sans"));
    }

    void otherArgumentsStartNormally() {
        for (const char* argument : {"/UNINSTALL", "Urlaub.opt", "/uninstall "}) {
            Start s;
            auto program = s.Make(std::string(argument));
            QVERIFY(!program->Terminated());
            QVERIFY(s.EntryExists());
            QVERIFY(s.dialogs.messages.empty());
            QVERIFY(program->WorkingState().options.Empty());
        }
    }

    void uninstallAnsweredNoChangesNothing() {
        Start s;
        s.AddSettingsKey(RegistryRoot::CurrentUser);
        s.dialogs.AnswerMessage(MessageButton::No);
        auto program = s.Make(std::string("/uninstall"));
        QVERIFY(program->Terminated());
        QVERIFY(s.dialogs.AllAnswered());
        QCOMPARE(s.dialogs.messages.size(), size_t(1));
        const MessageRequest& question = s.dialogs.messages[0];
        QCOMPARE(question.text, std::string("Soll Rangwerk wirklich deinstalliert werden?"));
        QCOMPARE(question.caption, std::string("Warnung"));
        QCOMPARE(question.sound, SystemSound::Exclamation);
        QCOMPARE(question.defaultButton, MessageButton::Yes);
        QCOMPARE(question.escapeButton, MessageButton::No);
        QVERIFY(!s.EntryExists());
        QVERIFY(s.registry.OpenKey(RegistryRoot::CurrentUser, "SOFTWARE\\Quarv")
                    ->HasSubkey("Rangwerk"));
        QCOMPARE(program->Run(), 0);
        QVERIFY(!program->MainWindow().isVisible());
    }

    void uninstallAnsweredYesRemovesEntryAndSettings() {
        Start s;
        {
            auto first = s.Make(std::nullopt);  // an earlier start registered the program
        }
        QVERIFY(s.EntryExists());
        s.AddSettingsKey(RegistryRoot::CurrentUser);
        s.AddSettingsKey(RegistryRoot::LocalMachine);
        s.dialogs.AnswerMessage(MessageButton::Yes);
        s.dialogs.AnswerMessage(MessageButton::Ok);
        auto program = s.Make(std::string("/uninstall"));
        QVERIFY(program->Terminated());
        QVERIFY(s.dialogs.AllAnswered());
        QCOMPARE(s.dialogs.messages[1].caption, std::string("Deinstallation abgeschlossen"));
        QCOMPARE(s.dialogs.messages[1].text,
                 std::string("Rangwerk wurde erfolgreich entfernt. Die Programmdatei und evtl. mit "
                             "diesem Programm erstellte Dateien müssen manuell gelöscht werden."));
        QVERIFY(!s.EntryExists());  // no entry written after the removal
        for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
            QVERIFY(!s.registry.OpenKey(root, "SOFTWARE\\Quarv")->HasSubkey("Rangwerk"));
        }
        QCOMPARE(program->Run(), 0);
        QVERIFY(!program->MainWindow().isVisible());
    }

    void aStoreWithAnUnreadableLineIsReportedOnceInTheErrorBox() {
        Start s;
        const std::string store = s.folder.path().toStdString() + "/HKEY_LOCAL_MACHINE.reg";
        FILE* file = std::fopen(store.c_str(), "w");
        QVERIFY(file != nullptr);
        // The settings keep "NoUpdate"; another key holds a string that never ends.
        std::fputs(
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv"
            "\\Rangwerk]\n\"NoUpdate\"=\"\"\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv"
            "\\Anderes]\n\"Wert\"=\"offen\n",
            file);
        std::fclose(file);
        auto program = s.Make(std::nullopt);
        QVERIFY(s.dialogs.messages.empty());
        s.dialogs.AnswerMessage(MessageButton::Ok);
        program->ShowStoreProblems();
        QVERIFY(s.dialogs.AllAnswered());
        QCOMPARE(s.dialogs.messages.size(), size_t(1));
        const MessageRequest& box = s.dialogs.messages[0];
        QCOMPARE(box.caption, std::string("Rangwerk"));
        QCOMPARE(box.icon, MessageIcon::Error);
        QVERIFY(box.text.find("SOFTWARE\\Quarv\\Anderes") != std::string::npos);
        // The entry was written all the same, and the problem is told only once.
        QVERIFY(s.EntryExists());
        program->ShowStoreProblems();
        QCOMPARE(s.dialogs.messages.size(), size_t(1));
    }

    void infoButtonShowsTheInfoDialog() {
        Start s;
        auto program = s.Make(std::nullopt);
        QString caption;
        QTimer::singleShot(0, [&] {
            caption = program->InfoDialog().windowTitle();
            program->InfoDialog().reject();
        });
        program->MainWindow().findChild<QToolButton*>(QStringLiteral("SpeedButton_0Info"))->click();
        QCOMPARE(caption, QStringLiteral("Info über Rangwerk"));
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
