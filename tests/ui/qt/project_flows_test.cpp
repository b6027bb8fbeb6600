// Saved and opened projects as the main window's controls show them, the error box of a failed
// open, and the points fields' texts as typed, with scripted dialogs.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <iterator>

#include "project/project_file.h"
#include "support/find_control.h"
#include "support/fixed_seed.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/ranko1.h"

using rangwerk::testing_support::FindControl;
using namespace rangwerk;
using rangwerk::testing::FixedSeed;
using rangwerk::testing::ScriptedDialogs;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Windows {
    Project project;
    ScriptedDialogs dialogs;
    FixedSeed seed;
    MainWindowModel model{project, dialogs, seed};
    TForm1 form{model, dialogs};

    template <class T = QWidget>
    T* Get(const char* name) {
        return FindControl<T>(form, name);
    }
    QString Headline() { return Get<QLabel>("Panel_Headline")->text(); }
    void Add(const QString& name, const QString& info = {}) {
        Get<QLineEdit>("Edit_1OptionName")->setText(name);
        Get<QPlainTextEdit>("Memo_1Info")->setPlainText(info);
        Get<QPushButton>("Button_1Add")->click();
    }
    // A project with three options, answered up to the pair (0, 2).
    void BuildRun() {
        Get<QToolButton>("SpeedButton_0New")->click();
        Add("Apfel", "rund");
        Add("Birne");
        Add("Zitrone", "sauer");
        Get<QPushButton>("Button_1Next")->click();
        Get<QSpinBox>("SpinEdit_2Win")->setValue(3);
        Get<QRadioButton>("RadioGroup_2Order_Item0")->click();
        Get<QCheckBox>("CheckBox_2LiveScore")->setChecked(true);
        Get<QPushButton>("Button_2Next")->click();
        Get<QPushButton>("Button_3Option1")->click();  // Apfel > Birne
    }
};

}  // namespace

class ProjectFlowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(folder.isValid()); }

    void savedAndOpenedProjectsShowInTheControls() {
        const std::string path = Path("Lauf.opt");
        {
            Windows w;
            w.BuildRun();
            w.dialogs.AnswerFile(path);
            w.Get<QToolButton>("SpeedButton_Save")->click();
            QVERIFY(w.dialogs.AllAnswered());
            QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk - [Lauf.opt]"));
        }
        Windows w;
        w.form.show();
        w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
        w.dialogs.AnswerFile(path);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        QVERIFY2(w.dialogs.AllAnswered(),
                 w.dialogs.messages.empty() ? "" : w.dialogs.LastMessage().text.c_str());

        QCOMPARE(w.form.CurrentPage(), int(MainPage::Comparisons));
        QCOMPARE(w.Headline(), QStringLiteral("Vergleich der Optionen"));
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk - [Lauf.opt]"));
        QCOMPARE(w.Get<QPushButton>("Button_3Option1")->text(), QStringLiteral("Apfel"));
        QCOMPARE(w.Get<QPushButton>("Button_3Option2")->text(), QStringLiteral("Zitrone"));
        QCOMPARE(w.Get<QPlainTextEdit>("Memo_3Option2Info")->toPlainText(),
                 QStringLiteral("sauer"));
        QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Win")->value(), 3);
        QVERIFY(w.Get<QRadioButton>("RadioGroup_2Order_Item0")->isChecked());
        QVERIFY(w.Get<QCheckBox>("CheckBox_2LiveScore")->isChecked());
        QVERIFY(w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->isChecked());
        QVERIFY(w.Get<QListView>("ListBox_3Ranking")->isVisibleTo(&w.form));
        QCOMPARE(w.Get<QListView>("ListBox_3Ranking")->model()->rowCount(), 3);
        QCOMPARE(w.Get<QListView>("ListView_1Options")->model()->rowCount(), 3);
    }

    void aFailedOpenShowsOneErrorBox() {
        const std::string path = Path("kaputt.opt");
        {
            Windows w;
            w.BuildRun();
            w.dialogs.AnswerFile(path);
            w.Get<QToolButton>("SpeedButton_Save")->click();
        }
        Bytes bytes = ReadBytes(path);
        bytes.resize(bytes.size() / 2);  // ends in the middle of the option blocks
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));

        Windows w;
        w.dialogs.AnswerFile(path);
        w.dialogs.AnswerMessage(MessageButton::Ok);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        QVERIFY(w.dialogs.AllAnswered());
        QCOMPARE(w.dialogs.messages.size(), size_t(1));
        QCOMPARE(w.dialogs.LastMessage(), GeneralErrorMessage("Stream-Lesefehler"));
        QCOMPARE(w.dialogs.LastMessage().text, std::string("Stream-Lesefehler."));
        QCOMPARE(w.form.CurrentPage(), int(MainPage::Start));
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));
        QCOMPARE(w.Get<QListView>("ListView_1Options")->model()->rowCount(), 0);
    }

    void pointsFieldShowsWhatIsTyped() {
        Windows w;
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        w.Get<QToolButton>("SpeedButton_0New")->click();
        w.Add("Apfel");
        w.Add("Birne");
        w.Get<QPushButton>("Button_1Next")->click();
        auto* win = w.Get<QSpinBox>("SpinEdit_2Win");
        auto* tie = w.Get<QSpinBox>("SpinEdit_2Remis");
        auto* defeat = w.Get<QSpinBox>("SpinEdit_2Defeat");
        win->setValue(5);
        defeat->setValue(-2);
        // The superior points emptied, the tie points no whole number; the focus moves on.
        // Letters are not taken.
        win->setFocus();
        QTest::keyClick(win, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(win, Qt::Key_Backspace);
        QTest::keyClick(win, Qt::Key_Tab);
        QVERIFY(!win->hasFocus());
        tie->setFocus();
        QTest::keyClick(tie, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(tie, QStringLiteral("3x-"));
        QTest::keyClick(tie, Qt::Key_Return);
        defeat->setFocus();
        QCOMPARE(win->text(), QString());
        QCOMPARE(tie->text(), QStringLiteral("3-"));
        QCOMPARE(w.project.scores, (ScoreSettings{0, 0, -2}));

        // Back on the settings page after a run the texts are still those left.
        w.Get<QRadioButton>("RadioGroup_2Order_Item0")->click();
        w.Get<QPushButton>("Button_2Next")->click();
        QCOMPARE(w.form.CurrentPage(), int(MainPage::Comparisons));
        w.Get<QPushButton>("Button_3Option1")->click();
        QCOMPARE(w.form.CurrentPage(), int(MainPage::Result));
        w.Get<QPushButton>("Button_4Back")->click();
        w.Get<QPushButton>("Button_3Back")->click();
        QCOMPARE(w.form.CurrentPage(), int(MainPage::Settings));
        QCOMPARE(win->text(), QString());
        QCOMPARE(tie->text(), QStringLiteral("3-"));
        QCOMPARE(defeat->text(), QStringLiteral("-2"));

        // Values the program sets, as after opening a file, are shown as numbers.
        w.model.ReloadSettingsFromProject();
        QCOMPARE(win->text(), QStringLiteral("0"));
        QCOMPARE(tie->text(), QStringLiteral("0"));
        QCOMPARE(w.project.scores, (ScoreSettings{0, 0, -2}));
    }

private:
    std::string Path(const std::string& name) const {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }
    QTemporaryDir folder;
};

QTEST_MAIN(ProjectFlowsTest)
#include "project_flows_test.moc"
