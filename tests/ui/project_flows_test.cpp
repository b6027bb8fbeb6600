// Saving, opening and beginning projects through the main window, with scripted dialogs and
// the real combinations window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "combinations/ranko2.h"
#include "project/project_file.h"
#include "support/find_control.h"
#include "support/scripted_dialogs.h"
#include "ui/ranko1.h"

using rangwerk::testing_support::FindControl;
using namespace rangwerk;
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
    TForm1 form{project, dialogs};
    CombinationsWindowModel combinations{project, dialogs, ","};
    TForm2 combinationsWindow{combinations, dialogs, &form};

    Windows() {
        form.SetCombinationsWindow(&combinations);
        form.SetSeedSource([] { return 7u; });
    }

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
    // A project with three options, answered up to the pair (0, 2), with a combination.
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
        QCOMPARE(project.combinations.AddCombination("Obst", {{"Apfel", 2}, {"Zitrone", 1}},
                                                     project.options),
                 std::nullopt);
    }
};

}  // namespace

class ProjectFlowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(folder.isValid()); }

    void firstSaveAsksForAFileAndSetsTheCaption() {
        Windows w;
        w.BuildRun();
        const std::string path = Path("Urlaub.opt");
        w.dialogs.AnswerFile(std::nullopt);  // cancelled: nothing written
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QVERIFY(!QFile::exists(QString::fromStdString(path)));
        QVERIFY(w.form.ProjectFileName().empty());
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));

        w.dialogs.AnswerFile(path);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QVERIFY(w.dialogs.AllAnswered());
        QCOMPARE(w.dialogs.files.size(), size_t(2));
        QVERIFY(w.dialogs.files[1].save);
        QCOMPARE(w.dialogs.files[1].request,
                 (FileDialogRequest{"Rangwerk-Dateien (*.opt)|*.opt", "opt"}));
        QCOMPARE(w.form.ProjectFileName(), path);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk - [Urlaub.opt]"));
        QCOMPARE(ReadProjectFile(path), CaptureProject(w.project, ViewFacts{3, 0, false}));
    }

    void resaveQuestionAndItsThreeAnswers() {
        Windows w;
        w.BuildRun();
        const std::string first = Path("a.opt");
        const std::string second = Path("b.opt");
        w.dialogs.AnswerFile(first);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        const Bytes saved = ReadBytes(first);

        w.Get<QPushButton>("Button_3Remis")->click();  // changes the project
        // "Abbrechen": nothing is written.
        w.dialogs.AnswerMessage(MessageButton::Cancel);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        const MessageRequest& question = w.dialogs.LastMessage();
        QCOMPARE(question.text, "Möchten Sie die Daten wieder unter \"" + first + "\" speichern?");
        QCOMPARE(question.caption, std::string("Bestätigung"));
        QCOMPARE(question.icon, MessageIcon::Question);
        QCOMPARE(question.sound, SystemSound::Question);
        QCOMPARE(question.buttons,
                 (std::vector<MessageButton>{MessageButton::Yes, MessageButton::No,
                                             MessageButton::Cancel}));
        QCOMPARE(ReadBytes(first), saved);

        // "&Nein", then a cancelled file dialog: nothing written, the old name stays.
        w.dialogs.AnswerMessage(MessageButton::No);
        w.dialogs.AnswerFile(std::nullopt);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QCOMPARE(ReadBytes(first), saved);
        QCOMPARE(w.form.ProjectFileName(), first);
        QVERIFY(!QFile::exists(QString::fromStdString(second)));

        // "&Nein" and a new file: written there, which becomes the file in use.
        w.dialogs.AnswerMessage(MessageButton::No);
        w.dialogs.AnswerFile(second);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QCOMPARE(w.form.ProjectFileName(), second);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk - [b.opt]"));
        QCOMPARE(ReadBytes(first), saved);

        // "&Ja": written again to the file in use.
        w.Get<QPushButton>("Button_3Remis")->click();
        w.dialogs.AnswerMessage(MessageButton::Yes);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        // The last pair was answered, so the file was saved on the result page.
        QCOMPARE(ReadProjectFile(second).mainPage, 4);
        QVERIFY(w.dialogs.AllAnswered());
    }

    void openRestoresThePairPageAndWindows() {
        const std::string path = Path("Lauf.opt");
        {
            Windows w;
            w.BuildRun();
            w.combinations.SetPage(1);
            w.combinations.ShowWindow();
            w.dialogs.AnswerFile(path);
            w.Get<QToolButton>("SpeedButton_Save")->click();
            QVERIFY(w.dialogs.AllAnswered());
        }
        Windows w;
        w.form.show();
        w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
        w.dialogs.AnswerFile(path);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        QVERIFY2(w.dialogs.AllAnswered(),
                 w.dialogs.messages.empty() ? "" : w.dialogs.LastMessage().text.c_str());
        QVERIFY(!w.dialogs.files[0].save);

        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageComparisons));
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
        QVERIFY(w.Get<QListWidget>("ListBox_3Ranking")->isVisibleTo(&w.form));
        QCOMPARE(w.Get<QListWidget>("ListBox_3Ranking")->count(), 3);
        QCOMPARE(w.Get<QListWidget>("ListView_1Options")->count(), 3);
        QCOMPARE(w.project.run.Ranking().front()->name, std::string("Apfel"));
        QCOMPARE(w.project.combinations.Count(), size_t(1));
        QVERIFY(w.combinations.WindowVisible());
        QCOMPARE(w.combinations.Page(), 1);

        // Answering goes on from the restored pair.
        w.Get<QPushButton>("Button_3Remis")->click();
        QCOMPARE(w.Get<QPushButton>("Button_3Option1")->text(), QStringLiteral("Birne"));
    }

    void openOnTheResultPageAndTheSettingsPage() {
        const std::string result = Path("Ergebnis.opt");
        const std::string settings = Path("Einstellungen.opt");
        {
            Windows w;
            w.BuildRun();
            w.Get<QPushButton>("Button_3Next")->click();  // "Übersicht >"
            w.dialogs.AnswerFile(result);
            w.Get<QToolButton>("SpeedButton_Save")->click();
            w.Get<QPushButton>("Button_4Back")->click();
            w.Get<QPushButton>("Button_3Back")->click();
            w.dialogs.AnswerMessage(MessageButton::No);
            w.dialogs.AnswerFile(settings);
            w.Get<QToolButton>("SpeedButton_Save")->click();
            QVERIFY(w.dialogs.AllAnswered());
        }
        QVERIFY(!ReadProjectFile(settings).firstIndex.has_value());
        Windows w;
        w.dialogs.AnswerFile(result);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageResult));
        QCOMPARE(w.Headline(), QStringLiteral("Ergebnis"));
        QCOMPARE(w.Get<QListWidget>("ListBox_4Ranking")->count(), 3);
        QVERIFY(!w.combinations.WindowVisible());
        // Back to the comparisons: the pair saved is shown again.
        w.Get<QPushButton>("Button_4Back")->click();
        QCOMPARE(w.Get<QPushButton>("Button_3Option2")->text(), QStringLiteral("Zitrone"));
    }

    void aFailedOpenLeavesNothingBehind() {
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
        w.combinations.ShowWindow();
        w.dialogs.AnswerFile(path);
        w.dialogs.AnswerMessage(MessageButton::Ok);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        QVERIFY(w.dialogs.AllAnswered());
        const MessageRequest& error = w.dialogs.LastMessage();
        QCOMPARE(error.text, std::string("Stream-Lesefehler."));
        QCOMPARE(error.caption, std::string("Rangwerk"));
        QCOMPARE(error.icon, MessageIcon::Error);
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageStart));
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));
        QCOMPARE(w.form.ProjectFileName(), path);
        QVERIFY(w.project.options.Empty());
        QVERIFY(w.project.combinations.Empty());
        QVERIFY(!w.combinations.WindowVisible());
        QCOMPARE(w.Get<QListWidget>("ListView_1Options")->count(), 0);

        // A file that does not exist.
        w.dialogs.AnswerFile(Path("fehlt.opt"));
        w.dialogs.AnswerMessage(MessageButton::Ok);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        QVERIFY(w.dialogs.LastMessage().text.rfind(
                    "Datei " + Path("fehlt.opt") + " kann nicht geöffnet werden. ", 0) == 0);
    }

    void aPipeIsRefusedAtOnce() {
        // Nothing writes to it: the open must not wait. Should it wait for a writer after all,
        // one comes and goes, so that the test ends either way.
        const std::string fifo = Path("Rohr.opt");
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        std::atomic<bool> done = false;
        std::thread writer([&] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!done && std::chrono::steady_clock::now() < end) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        Windows w;
        w.dialogs.AnswerFile(fifo);
        w.dialogs.AnswerMessage(MessageButton::Ok);
        w.Get<QToolButton>("SpeedButton_0Open")->click();
        done = true;
        writer.join();
        QVERIFY(w.dialogs.AllAnswered());
        QVERIFY2(w.dialogs.LastMessage().text.rfind(
                     "Datei " + fifo + " kann nicht geöffnet werden. ", 0) == 0,
                 w.dialogs.LastMessage().text.c_str());
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageStart));
    }

    void aFailedSaveShowsTheErrorAndKeepsTheCaption() {
        Windows w;
        w.BuildRun();
        const std::string path = Path("kein/Ordner/x.opt");
        w.dialogs.AnswerFile(path);
        w.dialogs.AnswerMessage(MessageButton::Ok);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QVERIFY(w.dialogs.AllAnswered());
        QVERIFY(w.dialogs.LastMessage().text.rfind(
                    "Datei \"" + path + "\" kann nicht erstellt werden. ", 0) == 0);
        QCOMPARE(w.dialogs.LastMessage().caption, std::string("Rangwerk"));
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));
        QCOMPARE(w.form.ProjectFileName(), path);  // the chosen name stays
    }

    void newProjectResetsPointsAndOrder() {
        Windows w;
        w.BuildRun();
        w.combinations.SetPage(1);
        w.Get<QPushButton>("Button_Restart")->click();
        QVERIFY(w.project.options.Empty());
        w.Get<QToolButton>("SpeedButton_0New")->click();
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageCollect));
        QCOMPARE(w.Headline(), QStringLiteral("Sammeln der Optionen"));
        QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Win")->value(), 1);
        QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Remis")->value(), 0);
        QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Defeat")->value(), -1);
        QCOMPARE(w.project.queryOrder, QueryOrder::None);
        QVERIFY(!w.Get<QRadioButton>("RadioGroup_2Order_Item0")->isChecked());
        QVERIFY(w.Get<QCheckBox>("CheckBox_2LiveScore")->isChecked());  // the check boxes stay
        QCOMPARE(w.combinations.Page(), 0);
        // The new project saved at once is the example of 18 bytes.
        const std::string path = Path("neu.opt");
        w.Get<QCheckBox>("CheckBox_2LiveScore")->setChecked(false);
        w.dialogs.AnswerFile(path);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QCOMPARE(ReadBytes(path).size(), size_t(18));
    }

    void pointsFieldShowsWhatIsScoredAndSaved() {
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

        // One answer: Apfel is superior and gets the 0 points the empty field counts.
        w.Get<QRadioButton>("RadioGroup_2Order_Item0")->click();
        w.Get<QPushButton>("Button_2Next")->click();
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageComparisons));
        w.Get<QPushButton>("Button_3Option1")->click();
        auto& options = w.project.options;
        QCOMPARE(OptionScore(*options.FindByName("Apfel"), w.project.scores), 0);
        QCOMPARE(OptionScore(*options.FindByName("Birne"), w.project.scores), -2);

        // Back on the settings page the texts are still those left; saving writes what they
        // count.
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageResult));
        w.Get<QPushButton>("Button_4Back")->click();
        w.Get<QPushButton>("Button_3Back")->click();
        QCOMPARE(w.form.CurrentPage(), int(TForm1::kPageSettings));
        QCOMPARE(win->text(), QString());
        QCOMPARE(tie->text(), QStringLiteral("3-"));
        QCOMPARE(defeat->text(), QStringLiteral("-2"));
        const std::string path = Path("Punkte.opt");
        w.dialogs.AnswerFile(path);
        w.Get<QToolButton>("SpeedButton_Save")->click();
        QVERIFY(w.dialogs.AllAnswered());
        const ProjectData saved = ReadProjectFile(path);
        QCOMPARE(saved.superior, 0);
        QCOMPARE(saved.tie, 0);
        QCOMPARE(saved.inferior, -2);

        // Values the program sets, as after opening a file, are shown as numbers.
        w.form.ReloadSettingsFromProject();
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
