#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
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
#include "support/fixed_seed.h"
#include "support/group_box_frame.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/ranko1.h"

using rangwerk::MainWindowModel;
using rangwerk::MessageButton;
using rangwerk::MessageIcon;
using rangwerk::MessageRequest;
using rangwerk::Project;
using rangwerk::QueryOrder;
using rangwerk::ScoreSettings;
using rangwerk::TForm1;
using rangwerk::testing::FixedSeed;
using rangwerk::testing::ScriptedDialogs;
using rangwerk::testing_support::FindControl;

namespace {

// The combinations window as far as the run refreshes its diagram.
class FakeCombinationView : public rangwerk::CombinationListener {
public:
    void SetPage(int p) { page = p; }
    bool DiagramShowing() const override { return visible && page == 1; }
    void DiagramChanged() override {
        if (failDiagram)
            throw rangwerk::Failure("Das Diagramm kann nicht gezeichnet werden");
    }
    void CombinationsDiscarded() override {}

    bool visible = false;
    bool failDiagram = false;
    int page = 1;
};

struct Window {
    Project project;
    ScriptedDialogs dialogs;
    FixedSeed seed;
    MainWindowModel model{project, dialogs, seed};
    TForm1 form{model, dialogs};

    template <class T = QWidget>
    T* Get(const char* name) {
        return FindControl<T>(form, name);
    }
    QPushButton* Button(const char* name) { return Get<QPushButton>(name); }
    QString Headline() { return Get<QLabel>("Panel_Headline")->text(); }
    QListView* Options() { return Get<QListView>("ListView_1Options"); }
    QString Row(QListView* list, int row) { return list->model()->index(row, 0).data().toString(); }
    void Select(QListView* list, int row) { list->setCurrentIndex(list->model()->index(row, 0)); }

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
};

}  // namespace

class Ranko1Test : public QObject {
    Q_OBJECT

private slots:
    void startsOnTheStartPage();
    void everyPageHasItsSeparatorLine();
    void settingsGroupsHaveTheirFrameAtTheTop();
    void pagesShowTheirHeadlinesAndTheBottomRow();
    void pointsFieldsAndChoicesGoToTheModel();
    void listViewFollowsTheOptionList();
    void enterAddsInTheNameFieldOnly();
    void aFailingStepShowsOneBoxForClickAndKey();
    void wholeRunByButtonsKeysAndNavigation();
    void chooseOptionMenus();
    void digitsInInformationFieldsAreText();
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
    int shown = 0;
    w.model.SetShowInfo([&] { ++shown; });
    w.Get<QToolButton>("SpeedButton_0Info")->click();
    QCOMPARE(shown, 1);
    // A failure escaping a handler is shown in the general error box; the window goes on.
    w.model.SetShowInfo([] { throw rangwerk::Failure("Die Datei kann nicht geöffnet werden"); });
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

void Ranko1Test::pagesShowTheirHeadlinesAndTheBottomRow() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    QCOMPARE(w.form.CurrentPage(), 1);
    QCOMPARE(w.Headline(), QStringLiteral("Sammeln der Optionen"));
    QVERIFY(!w.Get("Button_Restart")->isHidden());
    QVERIFY(!w.Get("Panel_Save")->isHidden());
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Win")->text(), QStringLiteral("1"));
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Remis")->text(), QStringLiteral("0"));
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Defeat")->text(), QStringLiteral("-1"));
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
    w.StartRun(0);
    QCOMPARE(w.form.CurrentPage(), 3);
    QCOMPARE(w.Headline(), QStringLiteral("Vergleich der Optionen"));
    w.Button("Button_3Next")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Headline(), QStringLiteral("Ergebnis"));

    w.Button("Button_Restart")->click();
    QCOMPARE(w.form.CurrentPage(), 0);
    QCOMPARE(w.Headline(), QStringLiteral("Neues Projekt oder Projekt öffnen"));
    QVERIFY(w.Get("Button_Restart")->isHidden());
    QVERIFY(w.Get("Panel_Save")->isHidden());
    QVERIFY(w.dialogs.messages.empty());
}

void Ranko1Test::pointsFieldsAndChoicesGoToTheModel() {
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
    w.model.ReloadSettingsFromProject();
    QCOMPARE(win->text(), QStringLiteral("5"));
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Remis")->text(), QStringLiteral("3"));
    QCOMPARE(w.Get<QSpinBox>("SpinEdit_2Defeat")->text(), QStringLiteral("-2"));
    QVERIFY(w.Get<QRadioButton>("RadioGroup_2Order_Item2")->isChecked());
    QVERIFY(!w.Get<QCheckBox>("CheckBox_2LiveScore")->isChecked());
    QVERIFY(w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->isChecked());
    QVERIFY((w.project.scores == ScoreSettings{5, 3, -2}));
}

void Ranko1Test::listViewFollowsTheOptionList() {
    Window w;
    w.Get<QToolButton>("SpeedButton_0New")->click();
    auto enabled = [&] {
        return QString::fromLatin1("%1%2%3%4")
            .arg(w.Button("Button_1Update")->isEnabled())
            .arg(w.Button("Button_1Del")->isEnabled())
            .arg(w.Button("Button_1Up")->isEnabled())
            .arg(w.Button("Button_1Down")->isEnabled());
    };
    auto rows = [&] {
        QStringList texts;
        for (int i = 0; i < w.Options()->model()->rowCount(); ++i) texts << w.Row(w.Options(), i);
        return texts;
    };
    QCOMPARE(enabled(), QStringLiteral("0000"));
    w.Add(QStringLiteral("A"), QStringLiteral("a"));
    w.Add(QStringLiteral("B"), QStringLiteral("b"));
    w.Add(QStringLiteral("C"), QStringLiteral("c"));
    QCOMPARE(rows(), (QStringList{"A", "B", "C"}));
    QCOMPARE(w.Options()->currentIndex().row(), 2);
    QCOMPARE(enabled(), QStringLiteral("1110"));
    QVERIFY(w.Get<QLineEdit>("Edit_1OptionName")->text().isEmpty());

    // Choosing a row in the list loads its option into the fields.
    w.Select(w.Options(), 0);
    QCOMPARE(enabled(), QStringLiteral("1101"));
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("A"));
    QCOMPARE(w.Get<QPlainTextEdit>("Memo_1Info")->toPlainText(), QStringLiteral("a"));
    w.Get<QPlainTextEdit>("Memo_1Info")->setPlainText(QStringLiteral("Zeile 1\nZeile 2"));
    w.Button("Button_1Update")->click();
    QCOMPARE(w.project.options.At(0).info, std::string("Zeile 1\r\nZeile 2"));

    // The moved row follows with the selection.
    w.Button("Button_1Down")->click();
    QCOMPARE(rows(), (QStringList{"B", "A", "C"}));
    QCOMPARE(w.Options()->currentIndex().row(), 1);
    QCOMPARE(enabled(), QStringLiteral("1111"));
    // Removing the last row selects the new last row.
    w.Select(w.Options(), 2);
    w.Button("Button_1Del")->click();
    QCOMPARE(rows(), (QStringList{"B", "A"}));
    QVERIFY(w.Options()->selectionModel()->isRowSelected(1, {}));
    QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("A"));
    // A renamed option shows its new name.
    w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("APFEL"));
    w.Button("Button_1Update")->click();
    QCOMPARE(rows(), (QStringList{"B", "APFEL"}));

    // A rebuild (back from the settings page) leaves nothing selected.
    w.Button("Button_1Next")->click();
    w.Button("Button_2Back")->click();
    QVERIFY(!w.Options()->selectionModel()->hasSelection());
    QCOMPARE(enabled(), QStringLiteral("0000"));
    w.Button("Button_1DelAll")->click();
    QCOMPARE(w.Options()->model()->rowCount(), 0);
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

void Ranko1Test::aFailingStepShowsOneBoxForClickAndKey() {
    // A failing step of the run, reached by a click and by a key: one box each, and the pair
    // on screen stays.
    Window w;
    FakeCombinationView view;
    view.visible = true;
    w.project.SetListener(&view);
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
    QTest::keyClick(w.form.focusWidget(), '0');  // B ties C: the last pair ends the run
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Headline(), QStringLiteral("Ergebnis"));
    QCOMPARE(w.Outcome(0, 1), 1);
    QCOMPARE(w.Outcome(0, 2), -1);
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

    // Enter confirms the recorded answer on the focused button.
    QTest::keyClick(w.form.focusWidget(), Qt::Key_Return);
    QCOMPARE(w.Pair(), P("B", "C"));
    QCOMPARE(w.Outcome(0, 2), -1);
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

    // The menu opens below its button with the items the model offers, the current one checked.
    w.Button("Button_3ChooseOption1")->click();
    QCOMPARE(shown(), QStringLiteral("Xoo-"));
    QVERIFY(menu->isVisible());
    const QWidget* button = w.Get("Button_3ChooseOption1");
    QCOMPARE(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
    menu->hide();
    items[2]->trigger();
    QCOMPARE(w.Pair(), std::make_pair(QStringLiteral("C"), QStringLiteral("D && E")));

    w.Button("Button_3ChooseOption2")->click();
    QCOMPARE(shown(), QStringLiteral("---X"));
    menu->hide();
    w.Button("Button_3ChooseOption1")->click();
    menu->hide();
    items[0]->trigger();
    w.Button("Button_3ChooseOption2")->click();
    menu->hide();
    items[1]->trigger();
    QCOMPARE(w.Pair(), std::make_pair(QStringLiteral("A"), QStringLiteral("B")));
    QVERIFY(w.dialogs.messages.empty());
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

    auto* list = w.Get<QListView>("ListBox_4Ranking");
    w.Select(list, 2);
    list->clearFocus();
    QApplication::processEvents();
    QCOMPARE(list->visualRect(list->model()->index(1, 0)).height(), 16);
    const QImage image = list->viewport()->grab().toImage();
    const int right = list->viewport()->width();
    QCOMPARE(list->visualRect(list->model()->index(0, 0)).width(), right);
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
    auto* live = w.Get<QListView>("ListBox_3Ranking");
    QVERIFY(live->isHidden());
    QCOMPARE(live->model()->rowCount(), 2);
    w.Button("Button_3Option2")->click();
    QCOMPARE(w.form.CurrentPage(), 4);
    QCOMPARE(w.Get<QListView>("ListBox_4Ranking")->model()->rowCount(), 2);
    w.Button("Button_4Back")->click();
    w.Button("Button_3Back")->click();
    w.StartRun(0, true);
    QVERIFY(!live->isHidden());

    // Every step paints the live standings again.
    w.ShowActive();
    QApplication::processEvents();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    live->viewport()->installEventFilter(&counter);
    w.Get<QToolButton>("SpeedButton_3PreviousComparison")->click();
    QCOMPARE(w.form.CurrentPage(), 3);
    QTRY_VERIFY(counter.paints > 0);
}

QTEST_MAIN(Ranko1Test)
#include "ranko1_test.moc"
