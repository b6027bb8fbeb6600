// What a screen reader finds in the windows: a name for every control, the painted rows of the
// ranking lists and of the diagram as text, and the announcements of a new pair and a new result.
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "support/find_control.h"
#include "support/fixed_seed.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/infodlg.h"
#include "ui/qt/ranko1.h"
#include "ui/qt/ranko2.h"

using rangwerk::MemberRow;
using rangwerk::OptionRecord;
using rangwerk::Project;
using rangwerk::TForm1;
using rangwerk::TForm2;
using rangwerk::testing::FixedSeed;
using rangwerk::testing::ScriptedDialogs;
using rangwerk::testing_support::FindControl;

namespace {

QString NameOf(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// The controls of `window` a person can operate right now (visible, enabled, taking the focus or
// a click) that have no accessible name. Parts of a control that hand the focus on to it (the
// edit line of a spin field) speak through that control.
QStringList UnnamedControls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !w->isEnabled())
            continue;
        const bool operable = w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(w);
        if (!operable)
            continue;
        if (w->focusProxy() && w->focusProxy() == w->parentWidget())
            continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (!iface) {
            unnamed << QStringLiteral("%1 (%2, no interface)")
                           .arg(w->objectName(), w->metaObject()->className());
        } else if (iface->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), w->metaObject()->className());
        }
    }
    return unnamed;
}

// The texts of a list's rows as its accessible children say them.
QStringList RowTexts(QWidget* list) {
    QStringList texts;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    if (!iface)
        return {QStringLiteral("no interface")};
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child && child->role() == QAccessible::ListItem)
            texts << child->text(QAccessible::Name);
    }
    return texts;
}

// Records the accessibility events of the program.
std::vector<std::pair<QAccessible::Event, QObject*>> g_events;
QStringList g_descriptions;

void RecordEvent(QAccessibleEvent* event) {
    g_events.emplace_back(event->type(), event->object());
    if (event->type() == QAccessible::Alert || event->type() == QAccessible::DescriptionChanged) {
        if (QAccessibleInterface* iface = event->accessibleInterface()) {
            g_descriptions << iface->text(QAccessible::Description);
        }
    }
}

struct MainWindow {
    Project project;
    ScriptedDialogs dialogs;
    FixedSeed seed{1u};
    rangwerk::MainWindowModel model{project, dialogs, seed};
    TForm1 form{model, dialogs};

    template <class T = QWidget>
    T* Get(const char* name) {
        return FindControl<T>(form, name);
    }
    void Select(const char* list, int row) {
        auto* view = Get<QListView>(list);
        view->setCurrentIndex(view->model()->index(row, 0));
    }
    void Add(const QString& name) {
        Get<QLineEdit>("Edit_1OptionName")->setText(name);
        Get<QPushButton>("Button_1Add")->click();
    }
    // A new project with the options, a run in the list's order with the live ranking.
    void Run(const QStringList& names) {
        Get<QToolButton>("SpeedButton_0New")->click();
        for (const QString& n : names) Add(n);
        Get<QPushButton>("Button_1Next")->click();
        Get<QRadioButton>("RadioGroup_2Order_Item0")->setChecked(true);
        Get<QCheckBox>("CheckBox_2LiveScore")->setChecked(true);
        Get<QPushButton>("Button_2Next")->click();
    }
};

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The diagram shows the system's decimal separator; a German system's here.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // Accessibility is switched on as when a screen reader runs: the program's events reach
        // the recorder, and the lists' interfaces follow the changes of their rows.
        QAccessible::installUpdateHandler(&RecordEvent);
        QPlatformAccessibility* platform =
            QGuiApplicationPrivate::platformIntegration()->accessibility();
        QVERIFY(platform);
        platform->setActive(true);
        QVERIFY(QAccessible::isActive());
    }

    void everyControlOfTheMainWindowHasAName() {
        MainWindow w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));

        // The start page: the image buttons take their labels' texts, the labels are buddies.
        QCOMPARE(UnnamedControls(&w.form).join(", "), QString());
        const std::pair<const char*, const char*> start[] = {
            {"SpeedButton_0New", "Neues Projekt beginnen"},
            {"SpeedButton_0Open", "Gespeichertes Projekt öffnen"},
            {"SpeedButton_0Info", "Information"}};
        for (const auto& [button, name] : start) {
            QCOMPARE(NameOf(w.Get(button)), QString::fromUtf8(name));
            bool buddy = false;
            for (QLabel* label : w.form.findChildren<QLabel*>()) {
                buddy |=
                    label->buddy() == w.Get(button) && label->text() == QString::fromUtf8(name);
            }
            QVERIFY2(buddy, button);
        }
        // The pair buttons are named before the first pair, while they are empty.
        QCOMPARE(NameOf(w.Get("Button_3Option1")), QStringLiteral("Erste Option"));
        QCOMPARE(NameOf(w.Get("Button_3Option2")), QStringLiteral("Zweite Option"));

        w.Get<QToolButton>("SpeedButton_0New")->click();
        w.Add(QStringLiteral("Apfel"));
        w.Add(QStringLiteral("Birne"));
        w.Select("ListView_1Options", 0);  // every button enabled
        QCOMPARE(w.form.CurrentPage(), 1);
        QCOMPARE(UnnamedControls(&w.form).join(", "), QString());
        QCOMPARE(NameOf(w.Get("SpeedButton_Save")), QStringLiteral("Projekt speichern"));
        QCOMPARE(NameOf(w.Get("ListView_1Options")), QStringLiteral("Liste der Optionen"));

        w.Get<QPushButton>("Button_1Next")->click();
        QCOMPARE(w.form.CurrentPage(), 2);
        QCOMPARE(UnnamedControls(&w.form).join(", "), QString());

        w.Get<QRadioButton>("RadioGroup_2Order_Item0")->setChecked(true);
        w.Get<QCheckBox>("CheckBox_2LiveScore")->setChecked(true);
        w.Get<QPushButton>("Button_2Next")->click();
        QCOMPARE(w.form.CurrentPage(), 3);
        QCOMPARE(UnnamedControls(&w.form).join(", "), QString());
        QCOMPARE(NameOf(w.Get("Button_3ChooseOption1")), QStringLiteral("Andere Option wählen"));
        QCOMPARE(NameOf(w.Get("Button_3ChooseOption2")), QStringLiteral("Andere Option wählen"));
        QCOMPARE(NameOf(w.Get("Button_3Option1")), QStringLiteral("Apfel"));
        QCOMPARE(NameOf(w.Get("Button_3Option2")), QStringLiteral("Birne"));

        w.Get<QPushButton>("Button_3Next")->click();
        QCOMPARE(w.form.CurrentPage(), 4);
        QCOMPARE(UnnamedControls(&w.form).join(", "), QString());
        QCOMPARE(NameOf(w.Get("ListBox_4Ranking")), QStringLiteral("Reihenfolge der Optionen"));
    }

    void everyControlOfTheOtherWindowsHasAName() {
        Project project;
        ScriptedDialogs dialogs;
        QWidget mainWindow;
        project.options.AddOption("Apfel", "");
        rangwerk::CombinationsWindowModel model(project, dialogs, ",");
        TForm2 combinations(model, dialogs, &mainWindow);
        model.ShowWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&combinations));
        QCOMPARE(UnnamedControls(&combinations).join(", "), QString());
        model.Button_NextClick();
        QCOMPARE(model.Page(), 1);
        QCOMPARE(UnnamedControls(&combinations).join(", "), QString());
        QCOMPARE(NameOf(combinations.findChild<QWidget*>("ListView_Combinations")),
                 QStringLiteral("Kombinationen"));
        QCOMPARE(NameOf(combinations.findChild<QWidget*>("ListBox_Combinations")),
                 QStringLiteral("Ergebnis der Auswertung"));

        struct Opener : rangwerk::AddressOpener {
            void Open(const std::string& address) override {
                opened << QString::fromStdString(address);
            }
            QStringList opened;
        } opener;
        rangwerk::InfoModel infoModel(opener, [] { return std::string("1.0"); });
        rangwerk::TInfo info(dialogs, infoModel, QIcon());
        info.show();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        QCOMPARE(UnnamedControls(&info).join(", "), QString());
        // The links say their texts.
        QCOMPARE(NameOf(info.EMailLbl), info.EMailLbl->text());
        QCOMPARE(NameOf(info.URLLbl), info.URLLbl->text());
        QVERIFY(!info.EMailLbl->text().isEmpty());
        // They are links a screen reader can open.
        for (QLabel* link :
             {static_cast<QLabel*>(info.EMailLbl), static_cast<QLabel*>(info.URLLbl)}) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(link);
            QCOMPARE(iface->role(), QAccessible::Link);
            QVERIFY(iface->state().linked);
            QVERIFY(iface->actionInterface());
            QCOMPARE(iface->actionInterface()->actionNames(),
                     QStringList{QAccessibleActionInterface::pressAction()});
            iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        }
        QCOMPARE(opener.opened,
                 (QStringList{"mailto:" + info.EMailLbl->text(), info.URLLbl->text()}));
        info.hide();
    }

    void rankingRowsReadAsText() {
        MainWindow w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.Run({QStringLiteral("Apfel"), QStringLiteral("Birne"), QStringLiteral("Kirsche"),
               QStringLiteral("Dattel")});
        auto* live = w.Get<QListView>("ListBox_3Ranking");
        // Nothing answered: every score 0, only the first row numbered.
        QStringList zero;
        for (const OptionRecord* o : w.project.run.Ranking()) {
            zero << (zero.isEmpty() ? "1. " : "") + QString::fromStdString(o->name) + ", 0 Punkte";
        }
        QCOMPARE(zero.size(), 4);
        QCOMPARE(RowTexts(live), zero);

        // Pairs in list order. Apfel wins every pair, Birne and Kirsche tie with each other and
        // both beat Dattel: scores 3, 0, 0, -3.
        auto answer = [&](const char* button) { w.Get<QPushButton>(button)->click(); };
        g_events.clear();
        answer("Button_3Option1");  // Apfel > Birne
        QCOMPARE(RowTexts(live).first(), QStringLiteral("1. Apfel, 1 Punkt"));
        // The reader is told that the rows' texts changed.
        QVERIFY(std::any_of(g_events.begin(), g_events.end(), [&](const auto& e) {
            return e.first == QAccessible::TableModelChanged && e.second == live;
        }));
        answer("Button_3Option1");  // Apfel > Kirsche
        answer("Button_3Option1");  // Apfel > Dattel
        answer("Button_3Remis");    // Birne = Kirsche
        answer("Button_3Option1");  // Birne > Dattel
        answer("Button_3Option1");  // Kirsche > Dattel
        QCOMPARE(w.form.CurrentPage(), 4);
        auto* result = w.Get<QListView>("ListBox_4Ranking");
        // The two tied options stand in the order the ranking step left them.
        const auto name = [&](std::size_t row) {
            return QString::fromStdString(w.project.run.Ranking()[row]->name);
        };
        QVERIFY((name(1) == "Birne" && name(2) == "Kirsche") ||
                (name(1) == "Kirsche" && name(2) == "Birne"));
        const QStringList expected{"1. Apfel, 3 Punkte", "2. " + name(1) + ", 0 Punkte",
                                   name(2) + ", 0 Punkte", "4. Dattel, -3 Punkte"};
        QCOMPARE(RowTexts(result), expected);
        QCOMPARE(RowTexts(live), expected);

        // List semantics: the count, and the selected row with its position.
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(result);
        QAccessibleTableInterface* table = list->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 4);
        w.Select("ListBox_4Ranking", 2);
        const QList<QAccessibleInterface*> selected = table->selectedCells();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first()->text(QAccessible::Name), name(2) + ", 0 Punkte");
        QCOMPARE(selected.first()->tableCellInterface()->rowIndex(), 2);

        // The texts are never drawn: the rows carry no display text.
        for (int i = 0; i < result->model()->rowCount(); ++i) {
            QVERIFY(result->model()->index(i, 0).data().toString().isEmpty());
        }

        // A single point and a negative single point.
        w.Get<QPushButton>("Button_4Restart")->click();
        w.Select("ListView_1Options", 3);
        w.Get<QPushButton>("Button_1Del")->click();
        w.Select("ListView_1Options", 2);
        w.Get<QPushButton>("Button_1Del")->click();
        w.Get<QPushButton>("Button_1Next")->click();
        w.Get<QCheckBox>("CheckBox_2KeepOldRanking")->setChecked(false);
        w.Get<QPushButton>("Button_2Next")->click();
        answer("Button_3Option2");  // Birne > Apfel
        QCOMPARE(RowTexts(result), (QStringList{"1. Birne, 1 Punkt", "2. Apfel, -1 Punkt"}));
    }

    void diagramRowsReadAsText() {
        Project project;
        project.scores = {1, 0, -1};
        ScriptedDialogs dialogs;
        QWidget mainWindow;
        auto option = [&](const std::string& name, int score) {
            OptionRecord& o = project.options.AddOption(name, "");
            o.results.assign(static_cast<std::size_t>(std::abs(score)),
                             rangwerk::ResultEntry{0, score < 0 ? -1 : 1, true});
            rangwerk::RecountOutcomes(o);
        };
        option("Apfel", 8);
        option("Birne", 6);
        option("Quitte", -1);
        auto combination = [&](const std::string& name, std::vector<MemberRow> rows) {
            QVERIFY(!project.combinations.AddCombination(name, rows, project.options));
        };
        combination("Obstsalat", {{"Apfel", 2}, {"Birne", 1}});  // 22 / 3 = 7.33
        combination("Kompott", {{"Apfel", 1}});                  // 8
        combination("Mus", {{"Apfel", 3}});                      // 8, a tie
        combination("Gelee", {{"Quitte", 1}});                   // -1

        rangwerk::CombinationsWindowModel model(project, dialogs,
                                                QLocale().decimalPoint().toStdString());
        TForm2 form(model, dialogs, &mainWindow);
        model.ShowWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        model.Button_NextClick();
        auto* diagram = form.findChild<QAbstractItemView*>("ListBox_Combinations");
        // Unsorted: list order, no rank numbers.
        QCOMPARE(RowTexts(diagram),
                 (QStringList{"Obstsalat, 7,3", "Kompott, 8", "Mus, 8", "Gelee, -1"}));

        // Sorted: numbered, the tie without a number of its own.
        form.findChild<QCheckBox*>("CheckBox_Sort")->setChecked(true);
        const QStringList sorted = RowTexts(diagram);
        QCOMPARE(sorted.size(), 4);
        const QString first = QString::fromStdString(project.evaluation.sorted[0]->name);
        const QString second = QString::fromStdString(project.evaluation.sorted[1]->name);
        QVERIFY((first == "Kompott" && second == "Mus") || (first == "Mus" && second == "Kompott"));
        QCOMPARE(sorted, (QStringList{"1. " + first + ", 8", second + ", 8", "3. Obstsalat, 7,3",
                                      "4. Gelee, -1"}));
        for (int i = 0; i < diagram->model()->rowCount(); ++i)
            QVERIFY(diagram->model()->index(i, 0).data().toString().isEmpty());

        // A new evaluation with other scores is read anew.
        project.scores = {2, 0, -2};
        model.Button_NextClick();
        QCOMPARE(RowTexts(diagram).last(), QStringLiteral("4. Gelee, -2"));
    }

    void newPairsAndResultsAreAnnounced() {
        g_events.clear();
        g_descriptions.clear();
        {
            MainWindow w;
            w.form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w.form));
            w.Run({QStringLiteral("Apfel"), QStringLiteral("Birne"), QStringLiteral("Kirsche")});
            QVERIFY(g_descriptions.contains(QStringLiteral("Vergleich: Apfel oder Birne")));
            const QString remis = QAccessible::queryAccessibleInterface(w.Get("Button_3Remis"))
                                      ->text(QAccessible::Description);
            QCOMPARE(remis, QStringLiteral("Vergleich: Apfel oder Birne"));

            g_descriptions.clear();
            w.Get<QPushButton>("Button_3Option2")->click();  // Birne > Apfel, next pair
            QVERIFY(g_descriptions.contains(QStringLiteral("Vergleich: Apfel oder Kirsche")));
            const bool alerted = std::any_of(g_events.begin(), g_events.end(), [&](const auto& e) {
                return e.first == QAccessible::Alert && e.second == w.Get("Button_3Remis");
            });
            QVERIFY(alerted);

            g_descriptions.clear();
            w.Get<QPushButton>("Button_3Next")->click();
            QVERIFY(!g_descriptions.isEmpty());
            for (const QString& d : g_descriptions) {
                QCOMPARE(d, QStringLiteral("Ergebnis: 1. Birne, 1 Punkt"));
            }
            QCOMPARE(QAccessible::queryAccessibleInterface(w.Get("ListBox_4Ranking"))
                         ->text(QAccessible::Description),
                     QStringLiteral("Ergebnis: 1. Birne, 1 Punkt"));
        }
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
