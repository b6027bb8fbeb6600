// The update component on the main window: the Ctrl+U action over a focused line edit and the
// wizard created hidden (what the component decides: update_component_test).
#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>

#include "platform/drive_type.h"
#include "platform/registry_file.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/quarv_update_file.h"

using namespace rangwerk;
using rangwerk::testing::ScriptedDialogs;

namespace {

constexpr double kToday = 46000;
constexpr double kFileTime = 45990.5;

// A wizard that records each showing and closes itself as soon as its modal loop runs.
class FakeWizard : public UpdateWizardWindow {
public:
    explicit FakeWizard(std::vector<WizardInputs>& showings) : showings_(showings) {
        dialog_.setObjectName(QStringLiteral("StatusForm"));
    }
    QWidget& Window() override { return dialog_; }
    void ShowModal(const WizardInputs& inputs) override {
        showings_.push_back(inputs);
        QTimer::singleShot(0, &dialog_, [this] {
            visibleWhileShown_ = dialog_.isVisible();
            dialog_.reject();
        });
        dialog_.exec();
    }
    bool visibleWhileShown_ = false;

private:
    QDialog dialog_;
    std::vector<WizardInputs>& showings_;
};

struct Setup {
    QTemporaryDir folder;
    FileRegistry registry{std::filesystem::path(folder.path().toStdString())};
    ScriptedDialogs dialogs;
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    std::vector<WizardInputs> showings;
    FakeWizard* wizard = nullptr;
    int terminations = 0;
    int drive = kDriveFixed;

    Setup() { (new QVBoxLayout(&window))->addWidget(edit); }

    std::unique_ptr<UpdateComponent> state;

    std::unique_ptr<TQuarvUpdateFile> Make() {
        state = std::make_unique<UpdateComponent>(UpdateComponentServices{
            registry, dialogs, "/opt/rangwerk/bin/rangwerk", std::nullopt,
            [this](const std::string&) { return drive; },
            [](const std::string&) { return std::optional<double>(kFileTime); },
            [] { return kToday; }, [this] { ++terminations; }, true});
        return std::make_unique<TQuarvUpdateFile>(&window, *state, dialogs, [this] {
            auto made = std::make_unique<FakeWizard>(showings);
            wizard = made.get();
            return made;
        });
    }
    std::unique_ptr<RegistryKey> Key() {
        return registry.OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
    }
};

}  // namespace

class QuarvUpdateFileTest : public QObject {
    Q_OBJECT

private slots:
    void constructionRegistersCtrlUAndCreatesTheHiddenWizard() {
        Setup s;
        auto component = s.Make();
        QVERIFY(s.window.actions().contains(component->UpdateAction()));
        QCOMPARE(component->UpdateAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+U")));
        QCOMPARE(component->UpdateAction()->parent()->objectName(), QStringLiteral("ActionList_"));
        QVERIFY(component->StatusForm() == s.wizard);
        QVERIFY(s.wizard->Window().isWindow());
        QVERIFY(!s.wizard->Window().isVisible());
        // Constructing writes nothing.
        QVERIFY(!s.registry.OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv")
                     ->HasSubkey("Rangwerk"));
        component->DestroyStatusForm();
        QVERIFY(component->StatusForm() == nullptr);
    }

    void ctrlUOverAFocusedLineEditOpensTheWizard() {
        Setup s;
        auto component = s.Make();
        s.Key()->WriteString("NoUpdate", "");
        s.window.show();
        s.window.activateWindow();  // no window manager on a bare X server
        QVERIFY(QTest::qWaitForWindowActive(&s.window));
        s.edit->setText(QStringLiteral("Urlaub"));
        s.edit->setFocus();
        QTest::keyClick(s.edit, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(s.showings.size(), size_t(1));
        QVERIFY(s.wizard->visibleWhileShown_);
        QCOMPARE(s.showings[0].installedDate, kFileTime);
        QCOMPARE(s.edit->text(), QStringLiteral("Urlaub"));
        QVERIFY(!s.Key()->ValueExists("ApplicationFileName"));
        QVERIFY(!s.Key()->ValueExists("Update"));
        // Other keys still reach the line edit; Ctrl+Shift+U is not the shortcut.
        QTest::keyClick(s.edit, Qt::Key_X);
        QTest::keyClick(s.edit, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(s.edit->text(), QStringLiteral("Urlaubx"));
        QCOMPARE(s.showings.size(), size_t(1));
        QVERIFY(s.dialogs.AllAnswered());
    }

    void ctrlUFromACdRomShowsNothing() {
        Setup s;
        s.drive = kDriveCdRom;
        auto component = s.Make();
        component->UpdateAction()->trigger();
        QVERIFY(s.showings.empty());
        QVERIFY(s.dialogs.messages.empty());
    }
};

QTEST_MAIN(QuarvUpdateFileTest)
#include "quarv_update_file_test.moc"
