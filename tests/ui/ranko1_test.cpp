#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "base/failure.h"
#include "support/find_control.h"
#include "support/group_box_frame.h"
#include "support/scripted_dialogs.h"
#include "ui/ranko1.h"

using rangwerk::Answer;
using rangwerk::MessageButton;
using rangwerk::MessageIcon;
using rangwerk::MessageRequest;
using rangwerk::Project;
using rangwerk::QueryOrder;
using rangwerk::ScoreSettings;
using rangwerk::TForm1;
using rangwerk::testing::ScriptedDialogs;
using rangwerk::testing_support::FindControl;

namespace {

// The combinations window as far as the main window and the combinations use it.
class FakeCombinationView : public rangwerk::CombinationsWindowControl,
                            public rangwerk::CombinationListener {
public:
    void ShowWindow() override {
        ++shown;
        visible = true;
    }
    void CloseWindow() override {
        ++closed;
        visible = false;
    }
    bool WindowVisible() const override { return visible; }
    int Page() const override { return page; }
    void SetPage(int p) override {
        page = p;
        ++pageSet;
    }
    bool DiagramShowing() const override { return visible && page == 1; }
    void DiagramChanged() override {
        ++diagramChanges;
        if (failDiagram)
            throw rangwerk::Failure("Das Diagramm kann nicht gezeichnet werden");
    }
    void CombinationsDiscarded() override {}

    bool visible = false;
    bool failDiagram = false;
    int page = 1;
    int shown = 0, closed = 0, pageSet = 0, diagramChanges = 0;
};

struct Window {
    Project project;
    ScriptedDialogs dialogs;
    TForm1 form{project, dialogs};

    Window() {
        form.SetSeedSource([] { return 12345u; });
    }

    template <class T = QWidget>
    T* Get(const char* name) {
        return FindControl<T>(form, name);
    }
    QPushButton* Button(const char* name) { return Get<QPushButton>(name); }
    QString Headline() { return Get<QLabel>("Panel_Headline")->text(); }
    QListWidget* Options() { return Get<QListWidget>("ListView_1Options"); }

    void ShowActive() {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    void Add(const QString& name, const QString& info = {}) {
        Get<QLineEdit>("Edit_1OptionName")->setText(name);
        Get<QPlainTextEdit>("Memo_1Info")->setPlainText(info);
        Button("Button_1Add")->click();
    }
    // New project, the given options, settings page.
    void Collect(const QStringList& names) {
        Get<QToolButton>("SpeedButton_0New")->click();
        for (const QString& n : names) Add(n, n + QStringLiteral(" info"));
        Button("Button_1Next")->click();
    }
    void StartRun(int order, bool live = true) {
        Get<QRadioButton>(order == 0   ? "RadioGroup_2Order_Item0"
                          : order == 1 ? "RadioGroup_2Order_Item1"
                                       : "RadioGroup_2Order_Item2")
            ->setChecked(true);
        Get<QCheckBox>("CheckBox_2LiveScore")->setChecked(live);
        Button("Button_2Next")->click();
    }
    std::pair<QString, QString> Pair() {
        return {Button("Button_3Option1")->text(), Button("Button_3Option2")->text()};
    }
    bool Italic(const char* name) { return Button(name)->font().italic(); }
    QString Focus() { return form.focusWidget() ? form.focusWidget()->objectName() : QString(); }
    std::int32_t Outcome(std::size_t a, std::size_t b) {
        const auto& first = project.options.At(a);
        const auto& second = project.options.At(b);
        const auto& e = first.results[static_cast<std::size_t>(
            rangwerk::FindResultEntry(first.results, second.id))];
        return e.decided ? e.outcome : 99;
    }
    void ExpectRefusal(const char* text, const char* caption) {
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        const MessageRequest& m = dialogs.messages.back();
        QCOMPARE(QString::fromStdString(m.text), QString::fromUtf8(text));
        QCOMPARE(QString::fromStdString(m.caption), QString::fromUtf8(caption));
        QCOMPARE(m.icon, MessageIcon::Warning);
        QVERIFY(m.buttons == std::vector<MessageButton>{MessageButton::Ok});
        dialogs.messages.clear();
        dialogs.unexpected = 0;
    }
};

}  // namespace

class Ranko1Test : public QObject {
    Q_OBJECT

private slots:
    void startsOnTheStartPage();
    void everyPageHasItsSeparatorLine();
    void settingsGroupsHaveTheirFrameAtTheTop();
    void pageFlowShowsHeadlinesAndTheBottomRow();
    void nameRefusalsChangeNothing();
    void runRefusalsKeepTheSettingsPage();
    void pointsFieldsAndChoicesGoToTheProject();
    void selectionRuleFollowsEveryListChange();
    void enterAddsInTheNameFieldOnly();
    void aFailureEndsTheWholeActionWithOneBox();
    void aFailingStepShowsOneBoxForClickAndKey();
    void wholeRunByButtonsKeysAndNavigation();
    void chooseOptionMenus();
    void overviewAndResume();
    void keptAnswersAreMarkedAndFocused();
    void digitsInInformationFieldsAreText();
    void startScreenDiscardsEverything();
    void deleteAllAsksOnlyWithCombinations();
    void combinationsWindowIsReachedThroughTheProject();
    void captionShowsTheFileName();
    void rankingRowsArePainted();
    void liveRankingFollowsTheFlag();
};

void Ranko1Test::everyPageHasItsSeparatorLine() {
    Window w;
    w.form.show();
    auto* notebook = w.Get<QStackedWidget>("Notebook");
    for (int page = 0; page < notebook->count(); ++page) {
        notebook->setCurrentIndex(page);
        const QImage image = notebook->widget(page)->grab().toImage();
        // A line across the whole width at 280, on the page's plain background.
        const QRgb background = image.pixel(0, 275);
        int drawn = 0;
        for (int x = 2; x < image.width() - 2; ++x) {
            if (image.pixel(x, 280) != background && image.pixel(x, 279) == background)
                ++drawn;
        }
        QVERIFY2(drawn == image.width() - 4, qPrintable(QStringLiteral("page %1").arg(page)));
    }
}

void Ranko1Test::settingsGroupsHaveTheirFrameAtTheTop() {
    Window w;
    w.Collect({QStringLiteral("A"), QStringLiteral("B")});
    w.form.show();
    const struct {
        const char* name;
        QRect geometry;
        QString caption;
    } groups[] = {
        {"GroupBox_2Points", QRect(8, 40, 402, 97), QStringLiteral("Punkteverteilung")},
        {"RadioGroup_2Order", QRect(8, 144, 401, 81), QStringLiteral("Reihenfolge der Abfrage")}};
    for (const auto& g : groups) {
        QWidget* box = w.Get(g.name);
        QCOMPARE(box->geometry(), g.geometry);
        CheckGroupBoxFrameAtTop(box, g.caption);
        if (QTest::currentTestFailed())
            return;
    }
}

void Ranko1Test::startsOnTheStartPage() {
    Window w;
    QCOMPARE(w.form.size(), QSize(420, 361));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));
    QCOMPARE(w.form.CurrentPage(), 0);
    QCOMPARE(w.Headline(), QStringLiteral("Neues Projekt oder Projekt öffnen"));
    QVERIFY(w.Get("Button_Restart")->isHidden());
    QVERIFY(w.Get("Panel_Save")->isHidden());
    QVERIFY(!w.Get("Button_Exit")->isHidden());
    // The points hold 0 until a project is begun.
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Win")->value(), 0);
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Defeat")->value(), 0);
    // The info button does nothing until the info dialog is connected.
    w.Get<QToolButton>("SpeedButton_0Info")->click();
    QCOMPARE(w.form.CurrentPage(), 0);
    int shown = 0;
    w.form.onInfo = [&] { ++shown; };
    w.Get<QToolButton>("SpeedButton_0Info")->click();
    QCOMPARE(shown, 1);
    // A failure escaping a handler is shown in the general error box; the window goes on.
    w.form.onInfo = [] { throw rangwerk::Failure("Die Datei kann nicht geöffnet werden"); };
    w.Get<QToolButton>("SpeedButton_0Info")->click();
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QVERIFY(w.dialogs.messages.back() ==
            rangwerk::GeneralErrorMessage("Die Datei kann nicht geöffnet werden"));
    QCOMPARE(QString::fromStdString(w.dialogs.messages.back().text),
             QStringLiteral("Die Datei kann nicht geöffnet werden."));
    QCOMPARE(w.form.CurrentPage(), 0);
    // "Ende" closes the window.
    QSignalSpy closed(&w.form, &TForm1::Closed);
    w.ShowActive();
    w.Button("Button_Exit")->click();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!w.form.isVisible());
}

void Ranko1Test::pageFlowShowsHeadlinesAndTheBottomRow() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    QCOMPARE(w.form.CurrentPage(), 1);
    QCOMPARE(w.Headline(), QStringLiteral("Sammeln der Optionen"));
    QVERIFY(!w.Get("Button_Restart")->isHidden());
    QVERIFY(!w.Get("Panel_Save")->isHidden());
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Win")->value(), 1);
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Remis")->value(), 0);
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Defeat")->value(), -1);
    QVERIFY((w.project.scores == ScoreSettings{1, 0, -1}));
    for (const char* item :
         {"RadioGroup_2Order_Item0", "RadioGroup_2Order_Item1", "RadioGroup_2Order_Item2"}) {
        QVERIFY(!w.Get<QRadioButton>(item)->isChecked());
    }

    w.Add(QStringLiteral("A"));
    w.Add(QStringLiteral("B"));
    w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
    w.Button("Button_1Next")->click();
    QCOMPARE(w.form.CurrentPage(), 2);
    QCOMPARE(w.Headline(), QStringLiteral("Festlegen der Einstellungen"));
    QVERIFY(w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->isChecked());
    QVERIFY(w.project.keepOldRanking);

    w.Button("Button_2Back")->click();
    QCOMPARE(w.Headline(), QStringLiteral("Sammeln der Optionen"));
    w.Button("Button_1Next")->click();
    w.StartRun(0);
    QCOMPARE(w.form.CurrentPage(), 3);
    QCOMPARE(w.Headline(), QStringLiteral("Vergleich der Optionen"));
    w.Button("Button_3Next")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Headline(), QStringLiteral("Ergebnis"));
    w.Button("Button_4Restart")->click();
    QCOMPARE(w.form.CurrentPage(), 1);
    QCOMPARE(w.Options()->count(), 2);

    w.Button("Button_Restart")->click();
    QCOMPARE(w.form.CurrentPage(), 0);
    QCOMPARE(w.Headline(), QStringLiteral("Neues Projekt oder Projekt öffnen"));
    QVERIFY(w.Get("Button_Restart")->isHidden());
    QVERIFY(w.Get("Panel_Save")->isHidden());
    QVERIFY(w.dialogs.messages.empty());
}

void Ranko1Test::nameRefusalsChangeNothing() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    w.Add(QString());
    w.ExpectRefusal("Sie müssen einen Namen für den Eintrag eingeben.",
                    "Name des Eintrags bereits vorhanden.");
    QCOMPARE(w.Options()->count(), 0);

    w.Add(QStringLiteral("Apfel"), QStringLiteral("rot"));
    w.Add(QStringLiteral("Birne"));
    w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("apfel"));
    w.Get<QPlainTextEdit>("Memo_1Info")->setPlainText(QStringLiteral("neu"));
    w.Button("Button_1Add")->click();
    w.ExpectRefusal("Ein Eintrag mit dem Namen \"apfel\" ist bereits vorhanden.",
                    "Name des Eintrags bereits vorhanden.");
    QCOMPARE(w.Options()->count(), 2);
    QCOMPARE(w.project.options.Count(), std::size_t{2});
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("apfel"));
    QCOMPARE(w.Options()->currentRow(), 1);

    // Renaming Birne to APFEL is a duplicate; renaming Apfel to APFEL is not.
    w.Options()->setCurrentRow(1);
    w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("APFEL"));
    w.Button("Button_1Update")->click();
    w.ExpectRefusal("Ein Eintrag mit dem Namen \"APFEL\" ist bereits vorhanden.",
                    "Name des Eintrags bereits vorhanden.");
    QCOMPARE(w.project.options.At(1).name, std::string("Birne"));
    w.Options()->setCurrentRow(0);
    w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("APFEL"));
    w.Get<QPlainTextEdit>("Memo_1Info")->setPlainText(QStringLiteral("Zeile 1\nZeile 2"));
    w.Button("Button_1Update")->click();
    QVERIFY(w.dialogs.messages.empty());
    QCOMPARE(w.project.options.At(0).name, std::string("APFEL"));
    QCOMPARE(w.project.options.At(0).info, std::string("Zeile 1\r\nZeile 2"));
    QCOMPARE(w.Options()->item(0)->text(), QStringLiteral("APFEL"));
    QCOMPARE(w.Options()->currentRow(), 0);

    // One option is too few to go on.
    w.Button("Button_1Del")->click();
    w.Button("Button_1Next")->click();
    w.ExpectRefusal("Sie müssen mindestens zwei Optionen angeben.", "Zu wenige Optionen");
    QCOMPARE(w.form.CurrentPage(), 1);
}

void Ranko1Test::runRefusalsKeepTheSettingsPage() {
    Window w;
    w.Collect({QStringLiteral("A"), QStringLiteral("B")});
    // Equal points for superior and inferior, whatever the tie value.
    w.Get<QSpinBox>("SpinEdit_2Win")->setValue(2);
    w.Get<QSpinBox>("SpinEdit_2Remis")->setValue(2);
    w.Get<QSpinBox>("SpinEdit_2Defeat")->setValue(2);
    w.Get<QRadioButton>("RadioGroup_2Order_Item2")->setChecked(true);
    w.Button("Button_2Next")->click();
    w.ExpectRefusal(
        "Die Punteanzahl für die überlegene Option muss sich von der der "
        "unterlegenen Option unterscheiden.",
        "Ungültige Werte");
    QCOMPARE(w.form.CurrentPage(), 2);
    QVERIFY(w.project.run.Ranking().empty());

    // No query order chosen.
    w.Get<QSpinBox>("SpinEdit_2Defeat")->setValue(-1);
    w.project.queryOrder = QueryOrder::None;
    w.form.ReloadSettingsFromProject();
    QVERIFY(!w.Get<QRadioButton>("RadioGroup_2Order_Item2")->isChecked());
    w.Button("Button_2Next")->click();
    w.ExpectRefusal(
        "Sie müssen angeben, in welcher Reihenfolge die Optionen abgefragt werden "
        "sollen.",
        "Abgabe zur Reihenfolge fehlt");
    QCOMPARE(w.form.CurrentPage(), 2);
    QCOMPARE(w.Headline(), QStringLiteral("Festlegen der Einstellungen"));
}

void Ranko1Test::pointsFieldsAndChoicesGoToTheProject() {
    Window w;
    w.Collect({QStringLiteral("A"), QStringLiteral("B")});
    QSpinBox* win = w.Get<QSpinBox>("SpinEdit_2Win");
    QCOMPARE(win->minimum(), INT_MIN);
    QCOMPARE(win->maximum(), INT_MAX);
    win->setValue(-7);
    QCOMPARE(w.project.scores.superior, -7);
    // Typing goes to the project at every key; a lone minus sign counts 0.
    win->selectAll();
    QTest::keyClicks(win, QStringLiteral("-"));
    QCOMPARE(w.project.scores.superior, 0);
    QTest::keyClicks(win, QStringLiteral("42"));
    QCOMPARE(w.project.scores.superior, -42);

    w.Get<QRadioButton>("RadioGroup_2Order_Item1")->setChecked(true);
    QCOMPARE(w.project.queryOrder, QueryOrder::Alphabetical);
    w.Get<QCheckBox>("CheckBox_2LiveScore")->setChecked(true);
    QVERIFY(w.project.liveScore);
    w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
    QVERIFY(!w.project.keepOldRanking);

    // The model's values back into the fields, as after opening a file.
    w.project.scores = ScoreSettings{5, 3, -2};
    w.project.queryOrder = QueryOrder::Random;
    w.project.liveScore = false;
    w.project.keepOldRanking = true;
    w.form.ReloadSettingsFromProject();
    QCOMPARE(win->value(), 5);
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Remis")->value(), 3);
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Defeat")->value(), -2);
    QVERIFY(w.Get<QRadioButton>("RadioGroup_2Order_Item2")->isChecked());
    QVERIFY(!w.Get<QCheckBox>("CheckBox_2LiveScore")->isChecked());
    QVERIFY(w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->isChecked());
    QVERIFY((w.project.scores == ScoreSettings{5, 3, -2}));
}

void Ranko1Test::selectionRuleFollowsEveryListChange() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    auto enabled = [&] {
        return QString::fromLatin1("%1%2%3%4")
            .arg(w.Button("Button_1Update")->isEnabled())
            .arg(w.Button("Button_1Del")->isEnabled())
            .arg(w.Button("Button_1Up")->isEnabled())
            .arg(w.Button("Button_1Down")->isEnabled());
    };
    QCOMPARE(enabled(), QStringLiteral("0000"));
    w.Add(QStringLiteral("A"), QStringLiteral("a"));
    QCOMPARE(enabled(), QStringLiteral("1100"));  // only row
    w.Add(QStringLiteral("B"), QStringLiteral("b"));
    w.Add(QStringLiteral("C"), QStringLiteral("c"));
    QCOMPARE(w.Options()->currentRow(), 2);
    QCOMPARE(enabled(), QStringLiteral("1110"));  // last row
    // Adding clears the fields.
    QVERIFY(w.Get<QLineEdit>("Edit_1OptionName")->text().isEmpty());
    QVERIFY(w.Get<QPlainTextEdit>("Memo_1Info")->toPlainText().isEmpty());

    w.Options()->setCurrentRow(0);
    QCOMPARE(enabled(), QStringLiteral("1101"));
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("A"));
    QCOMPARE(w.Get<QPlainTextEdit>("Memo_1Info")->toPlainText(), QStringLiteral("a"));

    // Moving A down: B A C, A stays selected, answers and ids untouched.
    const auto idA = w.project.options.At(0).id;
    w.Button("Button_1Down")->click();
    QCOMPARE(w.project.options.At(1).id, idA);
    QCOMPARE(w.Options()->item(0)->text(), QStringLiteral("B"));
    QCOMPARE(w.Options()->item(1)->text(), QStringLiteral("A"));
    QCOMPARE(w.Options()->currentRow(), 1);
    QCOMPARE(enabled(), QStringLiteral("1111"));
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("A"));
    w.Button("Button_1Up")->click();
    QCOMPARE(w.project.options.At(0).name, std::string("A"));
    QCOMPARE(enabled(), QStringLiteral("1101"));

    // Removing the last row selects the new last row.
    w.Options()->setCurrentRow(2);
    w.Button("Button_1Del")->click();
    QCOMPARE(w.project.options.Count(), std::size_t{2});
    QCOMPARE(w.Options()->count(), 2);
    QCOMPARE(w.Options()->currentRow(), 1);
    QVERIFY(w.Options()->item(1)->isSelected());
    QCOMPARE(enabled(), QStringLiteral("1110"));
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("B"));
    // Removing a middle row selects the row that moved up.
    w.Add(QStringLiteral("C"));
    w.Options()->setCurrentRow(1);
    w.Button("Button_1Del")->click();
    QCOMPARE(w.Options()->item(1)->text(), QStringLiteral("C"));
    QVERIFY(w.Options()->item(1)->isSelected());

    // A rebuild (back from the settings page) leaves nothing selected; the fields stay.
    w.Options()->setCurrentRow(0);
    w.Button("Button_1Next")->click();
    w.Button("Button_2Back")->click();
    QVERIFY(w.Options()->selectedItems().isEmpty());
    QCOMPARE(enabled(), QStringLiteral("0000"));
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("A"));

    // Removing the only row leaves nothing selected.
    w.Options()->setCurrentRow(1);
    w.Button("Button_1Del")->click();
    w.Options()->setCurrentRow(0);
    w.Button("Button_1Del")->click();
    QCOMPARE(w.Options()->count(), 0);
    QVERIFY(w.project.options.Empty());
    QCOMPARE(enabled(), QStringLiteral("0000"));

    // After an alphabetical run "Zum Anfang" shows the new order, and a row loads its option.
    w.Add(QStringLiteral("Zitrone"), QStringLiteral("gelb"));
    w.Add(QStringLiteral("apfel"), QStringLiteral("grün"));
    w.Add(QStringLiteral("Birne"), QStringLiteral("braun"));
    w.Button("Button_1Next")->click();
    w.StartRun(1);
    w.Button("Button_3Next")->click();
    w.Button("Button_4Restart")->click();
    QCOMPARE(w.Options()->item(0)->text(), QStringLiteral("apfel"));
    QCOMPARE(w.Options()->item(1)->text(), QStringLiteral("Birne"));
    QCOMPARE(w.Options()->item(2)->text(), QStringLiteral("Zitrone"));
    QCOMPARE(enabled(), QStringLiteral("0000"));
    w.Options()->setCurrentRow(1);
    QCOMPARE(w.Get<QPlainTextEdit>("Memo_1Info")->toPlainText(), QStringLiteral("braun"));
}

void Ranko1Test::aFailureEndsTheWholeActionWithOneBox() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    w.Add(QStringLiteral("A"));
    w.Add(QStringLiteral("B"));
    // A row without an option: loading the option of the new last row runs past the end of
    // the option list, inside the adding handler.
    w.Options()->addItem(QStringLiteral("Geist"));
    w.Add(QStringLiteral("C"), QStringLiteral("C info"));
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(w.dialogs.messages[0].icon, MessageIcon::Error);
    QCOMPARE(w.dialogs.messages[0].caption, std::string("Rangwerk"));
    // The action ended there: the fields keep what was typed.
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("C"));
    QCOMPARE(w.Get<QPlainTextEdit>("Memo_1Info")->toPlainText(), QStringLiteral("C info"));
    QCOMPARE(w.project.options.Count(), std::size_t{3});
}

void Ranko1Test::aFailingStepShowsOneBoxForClickAndKey() {
    // A failing step of the run, reached by a click and by a key: one box each, and the pair
    // on screen stays.
    Window w;
    FakeCombinationView view;
    view.visible = true;
    w.project.SetListener(&view);
    w.form.SetCombinationsWindow(&view);
    w.Collect({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    view.SetPage(1);  // the diagram is showing
    w.StartRun(0);
    const auto first = std::make_pair(QStringLiteral("A"), QStringLiteral("B"));
    QCOMPARE(w.Pair(), first);
    view.failDiagram = true;
    w.ShowActive();
    w.Button("Button_3Option1")->click();
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    QVERIFY(w.dialogs.messages[0] ==
            rangwerk::GeneralErrorMessage("Das Diagramm kann nicht gezeichnet werden"));
    QCOMPARE(w.Pair(), first);
    w.Button("Button_3Remis")->setFocus();
    QTest::keyClick(w.Get("Button_3Remis"), Qt::Key_2);
    QCOMPARE(w.dialogs.messages.size(), std::size_t{2});
    QCOMPARE(w.dialogs.messages[1].icon, MessageIcon::Error);
    QCOMPARE(w.Pair(), first);
    // Once the diagram can be drawn again, the run goes on.
    view.failDiagram = false;
    w.Button("Button_3Option1")->click();
    QCOMPARE(w.dialogs.messages.size(), std::size_t{2});
    QCOMPARE(w.Pair(), std::make_pair(QStringLiteral("A"), QStringLiteral("C")));
    w.project.SetListener(nullptr);
    w.form.SetCombinationsWindow(nullptr);
}

void Ranko1Test::enterAddsInTheNameFieldOnly() {
    Window w;
    w.ShowActive();
    w.Get<QToolButton>("SpeedButton_0New")->click();
    auto* name = w.Get<QLineEdit>("Edit_1OptionName");
    QCOMPARE(w.Focus(), QStringLiteral("Edit_1OptionName"));
    QTest::keyClicks(name, QStringLiteral("Urlaub"));
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(w.project.options.Count(), std::size_t{1});
    QCOMPARE(w.project.options.At(0).name, std::string("Urlaub"));
    QVERIFY(name->text().isEmpty());

    auto* memo = w.Get<QPlainTextEdit>("Memo_1Info");
    name->setText(QStringLiteral("Zuhause"));
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("eins"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("zwei"));
    QCOMPARE(w.project.options.Count(), std::size_t{1});
    QCOMPARE(memo->toPlainText(), QStringLiteral("eins\nzwei"));
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Enter);
    QCOMPARE(w.project.options.Count(), std::size_t{2});
    QCOMPARE(w.project.options.At(1).info, std::string("eins\r\nzwei"));
}

void Ranko1Test::wholeRunByButtonsKeysAndNavigation() {
    Window w;
    w.ShowActive();
    w.Collect({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    w.StartRun(0);
    using P = std::pair<QString, QString>;
    QCOMPARE(w.Pair(), P("A", "B"));
    QCOMPARE(w.Get<QPlainTextEdit>("Memo_3Option1Info")->toPlainText(), QStringLiteral("A info"));
    QCOMPARE(w.Get<QPlainTextEdit>("Memo_3Option2Info")->toPlainText(), QStringLiteral("B info"));
    QCOMPARE(w.Focus(), QStringLiteral("Button_3Remis"));

    w.Button("Button_3Option1")->click();  // A over B
    QCOMPARE(w.Pair(), P("A", "C"));
    QTest::keyClick(w.form.focusWidget(), '2');  // C over A
    QCOMPARE(w.Pair(), P("B", "C"));
    QCOMPARE(w.Focus(), QStringLiteral("Button_3Remis"));
    // Other keys answer nothing.
    QTest::keyClick(w.form.focusWidget(), '3');
    QTest::keyClick(w.form.focusWidget(), 'a');
    QCOMPARE(w.Pair(), P("B", "C"));
    QTest::keyClick(w.form.focusWidget(), '0');  // B ties C: the last pair ends the run
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Headline(), QStringLiteral("Ergebnis"));
    QCOMPARE(w.Get<QListWidget>("ListBox_4Ranking")->count(), 3);
    QCOMPARE(w.Outcome(0, 1), 1);
    QCOMPARE(w.Outcome(1, 0), -1);
    QCOMPARE(w.Outcome(0, 2), -1);
    QCOMPARE(w.Outcome(1, 2), 0);
    // Scores: A +1 -1 = 0, B -1 + 0 = -1, C +1 + 0 = 1.
    QCOMPARE(w.project.run.Ranking()[0]->name, std::string("C"));
    QCOMPARE(w.project.run.Ranking()[2]->name, std::string("B"));
    // A key on the result page answers nothing.
    QTest::keyClick(w.form.focusWidget() ? w.form.focusWidget() : &w.form, '1');
    QCOMPARE(w.Outcome(1, 2), 0);

    // Back after the last pair: the run starts again at the first pair, answers shown.
    w.Button("Button_4Back")->click();
    QCOMPARE(w.form.CurrentPage(), 3);
    QCOMPARE(w.Pair(), P("A", "B"));
    QVERIFY(w.Italic("Button_3Option1"));
    QVERIFY(!w.Italic("Button_3Remis"));
    QCOMPARE(w.Focus(), QStringLiteral("Button_3Option1"));

    auto* next = w.Get<QToolButton>("SpeedButton_3NextComparison");
    auto* previous = w.Get<QToolButton>("SpeedButton_3PreviousComparison");
    next->click();
    QCOMPARE(w.Pair(), P("A", "C"));
    QVERIFY(!w.Italic("Button_3Option1"));
    QVERIFY(w.Italic("Button_3Option2"));
    QCOMPARE(w.Focus(), QStringLiteral("Button_3Option2"));
    previous->click();
    previous->click();  // from the first pair round to the last
    QCOMPARE(w.Pair(), P("B", "C"));
    QVERIFY(w.Italic("Button_3Remis"));
    QCOMPARE(w.Focus(), QStringLiteral("Button_3Remis"));
    previous->click();
    QCOMPARE(w.Pair(), P("A", "C"));

    // Enter confirms the recorded answer on the focused button, and answering again
    // overwrites both entries.
    QTest::keyClick(w.form.focusWidget(), Qt::Key_Return);
    QCOMPARE(w.Pair(), P("B", "C"));
    QCOMPARE(w.Outcome(0, 2), -1);
    previous->click();
    QTest::keyClick(w.form.focusWidget(), '1');
    QCOMPARE(w.Outcome(0, 2), 1);
    QCOMPARE(w.Outcome(2, 0), -1);
    QVERIFY(w.dialogs.messages.empty());
}

void Ranko1Test::chooseOptionMenus() {
    Window w;
    w.Collect(
        {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D & E")});
    w.StartRun(0);
    auto* menu = w.Get<QMenu>("PopupMenu_3ChooseOption");
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[3]->text(), QStringLiteral("D && E"));
    auto shown = [&] {
        QString s;
        for (QAction* a : items) s += a->isVisible() ? (a->isChecked() ? 'X' : 'o') : '-';
        return s;
    };

    // Left: every option but the last, the current first checked.
    w.Button("Button_3ChooseOption1")->click();
    QCOMPARE(shown(), QStringLiteral("Xoo-"));
    menu->hide();
    // Choosing a first option at or after the current second moves the second after it.
    items[2]->trigger();
    QCOMPARE(w.project.run.FirstIndex(), 2);
    QCOMPARE(w.project.run.SecondIndex(), 3);
    QCOMPARE(w.Button("Button_3Option2")->text(), QStringLiteral("D && E"));

    w.Button("Button_3ChooseOption1")->click();
    menu->hide();
    items[0]->trigger();
    QCOMPARE(w.project.run.FirstIndex(), 0);
    QCOMPARE(w.project.run.SecondIndex(), 3);

    // Right: only options after the current first, the current second checked.
    w.Button("Button_3ChooseOption1")->click();
    menu->hide();
    items[1]->trigger();
    w.Button("Button_3ChooseOption2")->click();
    QCOMPARE(shown(), QStringLiteral("--oX"));
    QVERIFY(menu->isVisible());
    menu->hide();
    items[2]->trigger();
    QCOMPARE(w.project.run.FirstIndex(), 1);
    QCOMPARE(w.project.run.SecondIndex(), 2);
    QCOMPARE(w.form.CurrentPage(), 3);
    // Choosing the last pair shows it; it does not end the run.
    w.Button("Button_3ChooseOption1")->click();
    menu->hide();
    items[2]->trigger();
    QCOMPARE(w.form.CurrentPage(), 3);
    QCOMPARE(w.project.run.FirstIndex(), 2);
    QCOMPARE(w.project.run.SecondIndex(), 3);
    QVERIFY(w.dialogs.messages.empty());
}

void Ranko1Test::overviewAndResume() {
    Window w;
    w.Collect({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    w.StartRun(0);
    w.Button("Button_3Remis")->click();
    QCOMPARE(w.project.run.SecondIndex(), 2);
    w.Button("Button_3Next")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Get<QListWidget>("ListBox_4Ranking")->count(), 3);
    // Nothing recorded for the pair left open.
    QCOMPARE(w.Outcome(0, 2), 99);
    w.Button("Button_4Back")->click();
    QCOMPARE(w.form.CurrentPage(), 3);
    QCOMPARE(w.project.run.FirstIndex(), 0);
    QCOMPARE(w.project.run.SecondIndex(), 2);
    // Back to the settings page and a new run without keeping: answers cleared.
    w.Button("Button_3Back")->click();
    QCOMPARE(w.form.CurrentPage(), 2);
    w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
    w.Button("Button_2Next")->click();
    QCOMPARE(w.Outcome(0, 1), 99);
    QCOMPARE(w.project.run.SecondIndex(), 1);
}

void Ranko1Test::keptAnswersAreMarkedAndFocused() {
    Window w;
    w.ShowActive();
    w.Collect({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    w.StartRun(0);
    w.Button("Button_3Option2")->click();
    w.Button("Button_3Remis")->click();
    w.Button("Button_3Option1")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    w.Button("Button_4Restart")->click();
    w.Button("Button_1Next")->click();  // checks the keep flag again
    w.Button("Button_2Next")->click();
    const char* expected[] = {"Button_3Option2", "Button_3Remis", "Button_3Option1"};
    for (const char* answer : expected) {
        QCOMPARE(w.Focus(), QString::fromLatin1(answer));
        for (const char* b : {"Button_3Option1", "Button_3Remis", "Button_3Option2"}) {
            QCOMPARE(w.Italic(b), qstrcmp(b, answer) == 0);
        }
        w.Get<QToolButton>("SpeedButton_3NextComparison")->click();
    }
    QCOMPARE(w.form.CurrentPage(), 4);

    // Without keeping, no mark and the focus on "Unentschieden" at every pair.
    w.Button("Button_4Back")->click();
    w.Button("Button_3Back")->click();
    w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
    w.Button("Button_2Next")->click();
    for (int pair = 0; pair < 3; ++pair) {
        QCOMPARE(w.Focus(), QStringLiteral("Button_3Remis"));
        for (const char* b : {"Button_3Option1", "Button_3Remis", "Button_3Option2"}) {
            QVERIFY(!w.Italic(b));
        }
        w.Get<QToolButton>("SpeedButton_3NextComparison")->click();
    }

    // A new project resets the marks.
    w.Button("Button_4Back")->click();
    w.Button("Button_3Option1")->click();
    w.Get<QToolButton>("SpeedButton_3PreviousComparison")->click();
    QVERIFY(w.Italic("Button_3Option1"));
    w.Button("Button_Restart")->click();
    w.Get<QToolButton>("SpeedButton_0New")->click();
    QVERIFY(!w.Italic("Button_3Option1"));
}

void Ranko1Test::digitsInInformationFieldsAreText() {
    Window w;
    w.ShowActive();
    w.Collect({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    w.StartRun(0);
    auto* memo = w.Get<QPlainTextEdit>("Memo_3Option1Info");
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, '1');
    QTest::keyClick(memo, '2');
    QTest::keyClick(memo, '0');
    QCOMPARE(memo->toPlainText(), QStringLiteral("A info120"));
    QCOMPARE(w.project.run.SecondIndex(), 1);
    QCOMPARE(w.Outcome(0, 1), 99);
    // Leaving the field stores the text for the option shown above it.
    QCOMPARE(w.project.options.At(0).info, std::string("A info"));
    w.Button("Button_3Remis")->setFocus();
    QCOMPARE(w.project.options.At(0).info, std::string("A info120"));

    auto* second = w.Get<QPlainTextEdit>("Memo_3Option2Info");
    second->setFocus();
    second->moveCursor(QTextCursor::End);
    QTest::keyClick(second, Qt::Key_Return);
    QTest::keyClicks(second, QStringLiteral("2. Zeile"));
    QTest::mouseClick(w.Button("Button_3Option2"), Qt::LeftButton);  // stores the edit first
    QCOMPARE(w.project.options.At(1).info, std::string("B info\r\n2. Zeile"));
    QCOMPARE(w.Outcome(0, 1), -1);
}

void Ranko1Test::startScreenDiscardsEverything() {
    Window w;
    w.Collect({QStringLiteral("A"), QStringLiteral("B")});
    w.StartRun(0);
    QVERIFY(!w.project.combinations.AddCombination("K", {{"A", 2}}, w.project.options));
    w.Button("Button_3Option1")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    w.form.ShowFileCaption("/home/x/Urlaub.opt");
    w.Button("Button_Restart")->click();
    QVERIFY(w.project.options.Empty());
    QVERIFY(w.project.combinations.Empty());
    QVERIFY(w.project.run.Ranking().empty());
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));
    QCOMPARE(w.form.CurrentPage(), 0);
    QVERIFY(w.dialogs.messages.empty());
    // Points, order and check boxes keep their values until a project is begun.
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Win")->value(), 1);
    QVERIFY(w.Get<QRadioButton>("RadioGroup_2Order_Item0")->isChecked());
    w.Get<QToolButton>("SpeedButton_0New")->click();
    QCOMPARE(w.Options()->count(), 0);
    QVERIFY(!w.Get<QRadioButton>("RadioGroup_2Order_Item0")->isChecked());
    QCOMPARE(w.project.queryOrder, QueryOrder::None);
    QVERIFY(w.Get<QCheckBox>("CheckBox_2LiveScore")->isChecked());
}

void Ranko1Test::deleteAllAsksOnlyWithCombinations() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    w.Add(QStringLiteral("A"));
    w.Add(QStringLiteral("B"));
    w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("bleibt"));
    w.Button("Button_1DelAll")->click();
    QVERIFY(w.dialogs.messages.empty());
    QVERIFY(w.project.options.Empty());
    QCOMPARE(w.Options()->count(), 0);
    QVERIFY(!w.Button("Button_1Del")->isEnabled());
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("bleibt"));

    w.Add(QStringLiteral("A"));
    w.Add(QStringLiteral("B"));
    QVERIFY(!w.project.combinations.AddCombination("K", {{"B", 1}}, w.project.options));
    w.dialogs.AnswerMessage(MessageButton::No);
    w.Button("Button_1DelAll")->click();
    QCOMPARE(w.dialogs.messages.size(), std::size_t{1});
    const MessageRequest& q = w.dialogs.messages.back();
    QVERIFY(q == rangwerk::WarningQuestion(rangwerk::kRemoveAllQuestion));
    QCOMPARE(QString::fromStdString(q.text),
             QStringLiteral("Wenn Sie alle Optionen löschen, gehen auch alle Kombinationen "
                            "verloren. Möchten Sie wirklich alle Optionen löschen?"));
    QCOMPARE(QString::fromStdString(q.caption), QStringLiteral("Warnung"));
    QCOMPARE(w.project.options.Count(), std::size_t{2});
    QCOMPARE(w.project.combinations.Count(), std::size_t{1});
    QCOMPARE(w.Options()->count(), 2);

    w.dialogs.AnswerMessage(MessageButton::Yes);
    w.Button("Button_1DelAll")->click();
    QVERIFY(w.dialogs.AllAnswered());
    QVERIFY(w.project.options.Empty());
    QVERIFY(w.project.combinations.Empty());
    QCOMPARE(w.Options()->count(), 0);
}

void Ranko1Test::combinationsWindowIsReachedThroughTheProject() {
    Window w;
    // Without a combinations window "Kombinationen..." does nothing.
    w.Collect({QStringLiteral("A"), QStringLiteral("B")});
    w.StartRun(0);
    w.Button("Button_3Next")->click();
    w.Button("Button_4Combinations")->click();
    QVERIFY(w.dialogs.messages.empty());

    FakeCombinationView view;
    w.project.SetListener(&view);
    w.form.SetCombinationsWindow(&view);
    w.Button("Button_4Combinations")->click();
    QCOMPARE(view.shown, 1);
    // Every step refreshes the diagram while it is showing.
    w.Button("Button_4Back")->click();
    QVERIFY(view.diagramChanges >= 1);
    const int before = view.diagramChanges;
    w.Button("Button_3Option1")->click();
    QVERIFY(view.diagramChanges > before);

    w.Button("Button_Restart")->click();
    QCOMPARE(view.closed, 1);
    QVERIFY(!view.visible);
    w.Get<QToolButton>("SpeedButton_0New")->click();
    QCOMPARE(view.page, 0);
    w.project.SetListener(nullptr);
    w.form.SetCombinationsWindow(nullptr);
}

void Ranko1Test::captionShowsTheFileName() {
    Window w;
    w.form.ShowFileCaption("C:\\Eigene Dateien\\Urlaub.opt");
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk - [Urlaub.opt]"));
    w.form.ShowFileCaption("/home/anna/Ärger.opt");
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk - [Ärger.opt]"));
    w.form.ShowTitleCaption();
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Rangwerk"));
}

void Ranko1Test::rankingRowsArePainted() {
    Window w;
    w.ShowActive();
    // A beats B and C, B and C tie: scores 2, -1, -1 and the zero line 67 px into the bars.
    w.Collect({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    w.StartRun(0);
    w.Button("Button_3Option1")->click();
    w.Button("Button_3Option1")->click();
    w.Button("Button_3Remis")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    QVERIFY((w.project.run.Scale() == rangwerk::BarScale{2, -1, 67}));

    auto* list = w.Get<QListWidget>("ListBox_4Ranking");
    list->setCurrentRow(2);
    list->clearFocus();
    QApplication::processEvents();
    QCOMPARE(list->visualItemRect(list->item(1)).height(), 16);
    const QImage image = list->viewport()->grab().toImage();
    const int right = list->viewport()->width();
    QCOMPARE(list->visualItemRect(list->item(0)).width(), right);
    const QColor base = list->palette().color(QPalette::Active, QPalette::Base);
    const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
    auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    const int zero = right - 220 + 67;
    const int mid = 8;  // middle of a row

    // Row 0 (A, 2): green bar from the zero line 133 px to the right, black outline.
    QCOMPARE(at(zero + 60, mid), QColor(0, 255, 0));
    QCOMPARE(at(right - 21, mid), QColor(Qt::black));
    QCOMPARE(at(zero, mid), QColor(Qt::black));
    QCOMPARE(at(right - 21, 1), QColor(Qt::black));
    QCOMPARE(at(right - 21, 0), base);
    QCOMPARE(at(right - 20, mid), base);
    QCOMPARE(at(zero - 20, mid), base);  // nothing between the names and the bar
    // Rows 1 and 2 (B, C, -1): red bars from the zero line 67 px to the left.
    QCOMPARE(at(zero - 40, 16 + 3), QColor(255, 0, 0));
    QCOMPARE(at(right - 220, 16 + mid), QColor(Qt::black));
    QCOMPARE(at(right - 221, 16 + mid), base);
    QCOMPARE(at(zero + 60, 16 + mid), base);
    // The selected row in the selection colour, the bar over it.
    QCOMPARE(at(right - 5, 32 + mid), highlight);
    QCOMPARE(at(zero - 40, 32 + 3), QColor(255, 0, 0));

    // Rank numbers: rows 0 and 1 carry one, the tied row 2 none. The number column ends at
    // the width of "3." plus 4.
    const QFontMetrics metrics(list->font());
    const int x0 = metrics.horizontalAdvance(QStringLiteral("3.")) + 4;
    auto inked = [&](int top, int left, int width, QColor background) {
        for (int y = top; y < top + 16; ++y) {
            for (int x = left; x < left + width; ++x) {
                if (at(x, y) != background)
                    return true;
            }
        }
        return false;
    };
    QVERIFY(inked(0, 0, x0, base));
    QVERIFY(inked(16, 0, x0, base));
    QVERIFY(!inked(32, 0, x0, highlight));
    // Names start at x0 + 4 and stop before the bars; scores stand beside the zero line.
    QVERIFY(!inked(0, x0, 3, base));
    QVERIFY(inked(0, x0 + 4, metrics.horizontalAdvance(QStringLiteral("A")), base));
    QVERIFY(inked(0, zero - metrics.horizontalAdvance(QStringLiteral("2")),
                  metrics.horizontalAdvance(QStringLiteral("2")), base));
    QVERIFY(!inked(0, right - 240 - 20, 20, base));
}

void Ranko1Test::liveRankingFollowsTheFlag() {
    Window w;
    w.Collect({QStringLiteral("A"), QStringLiteral("B")});
    w.StartRun(0, false);
    auto* live = w.Get<QListWidget>("ListBox_3Ranking");
    QVERIFY(live->isHidden());
    QCOMPARE(live->count(), 2);
    w.Button("Button_3Option2")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Get<QListWidget>("ListBox_4Ranking")->count(), 2);
    QCOMPARE(w.project.run.Ranking()[0]->name, std::string("B"));
    w.Button("Button_4Back")->click();
    w.Button("Button_3Back")->click();
    w.StartRun(0, true);
    QVERIFY(!live->isHidden());
}

QTEST_MAIN(Ranko1Test)
#include "ranko1_test.moc"
