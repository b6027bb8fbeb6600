#include "combinations/ranko2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

#include "project/project.h"
#include "support/find_control.h"
#include "support/scripted_dialogs.h"

using rangwerk::MemberRow;
using rangwerk::MessageButton;
using rangwerk::MessageIcon;
using rangwerk::OptionRecord;
using rangwerk::Project;
using rangwerk::TForm2;
using rangwerk::testing::ScriptedDialogs;
using rangwerk::testing_support::FindControl;

class CombinationsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QWidget> mainWindow;
    std::unique_ptr<Project> project;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<TForm2> form;

    template <class T>
    T* Control(const char* name) {
        return FindControl<T>(*form, name);
    }
    QPushButton* Button(const char* name) { return Control<QPushButton>(name); }
    QTreeWidget* Combinations() { return Control<QTreeWidget>("ListView_Combinations"); }
    QTreeWidget* Members() { return Control<QTreeWidget>("ListView_Options"); }
    QComboBox* Choice() { return Control<QComboBox>("ComboBox_Options"); }
    QSpinBox* Factor() { return Control<QSpinBox>("SpinEdit_Factor"); }
    QLineEdit* NameField() { return Control<QLineEdit>("Edit_CombinationName"); }

    OptionRecord& Option(const std::string& name, int score) {
        OptionRecord& o = project->options.AddOption(name, "");
        o.results.assign(static_cast<std::size_t>(std::abs(score)),
                         rangwerk::ResultEntry{0, score < 0 ? -1 : 1, true});
        rangwerk::RecountOutcomes(o);
        return o;
    }
    void Click(QPushButton* b) {
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName() + " is disabled"));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void ClickRow(QTreeWidget* list, int row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        QVERIFY(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    }
    // The user picks an entry of the drop-down list.
    void Choose(const QString& name) {
        const int i = Choice()->findText(name);
        QVERIFY2(i >= 0, qPrintable(name));
        Choice()->setCurrentIndex(i);
        emit Choice()->activated(i);
    }
    void TypeFactor(const QString& text) {
        Factor()->selectAll();
        QTest::keyClicks(Factor(), text);
    }
    void AddMember(const QString& name, int factor) {
        Choose(name);
        TypeFactor(QString::number(factor));
        Click(Button("Button_OptionAdd"));
    }
    QStringList Rows(QTreeWidget* list) {
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            rows << (list->columnCount() == 2 ? item->text(0) + "/" + item->text(1)
                                              : item->text(0));
        }
        return rows;
    }
    QStringList EnabledButtons() {
        QStringList names;
        for (QPushButton* b : form->findChildren<QPushButton*>()) {
            if (b->isEnabled() && b->isVisible())
                names << b->objectName();
        }
        names.sort();
        return names;
    }
    void Show() {
        form->ShowWindow();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

private slots:
    void init() {
        mainWindow = std::make_unique<QWidget>();
        mainWindow->setGeometry(100, 100, 640, 480);
        mainWindow->show();
        project = std::make_unique<Project>();
        project->scores = {1, 0, -1};
        dialogs = std::make_unique<ScriptedDialogs>();
        form = std::make_unique<TForm2>(*project, *dialogs, mainWindow.get());
    }
    void cleanup() {
        form.reset();
        project.reset();
        dialogs.reset();
        mainWindow.reset();
    }

    void windowIsAFixedToolWindowOverTheMainWindow() {
        QCOMPARE(project->View(), form.get());
        QCOMPARE(form->windowTitle(), QString("Kombinationen"));
        QCOMPARE(form->size(), QSize(513, 355));
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(form->parentWidget(), mainWindow.get());
        QCOMPARE(form->font().pixelSize(), 11);
        QCOMPARE(Control<QListWidget>("ListBox_Combinations")->size(), QSize(497, 249));
        Show();
        QVERIFY(!form->isModal());
        QCOMPARE(form->frameGeometry().center(), mainWindow->frameGeometry().center());
    }

    void firstShowingOffersOnlyAddNextAndClose() {
        Option("Zitrone", 0);
        Option("apfel", 0);
        Option("Birne", 0);
        Show();
        QCOMPARE(form->Page(), 0);
        QCOMPARE(EnabledButtons(),
                 (QStringList{"Button_Close", "Button_CombinationAdd", "Button_Next"}));
        QCOMPARE(Button("Button_CombinationAdd")->text(), QString("Hinz&ufügen"));
        QCOMPARE(Button("Button_Next")->text(), QString("&Weiter >"));
        QCOMPARE(Button("Button_Close")->text(), QString("Schließen"));
        // The choice list is alphabetical, letter case ignored, and nothing is chosen.
        QStringList names;
        for (int i = 0; i < Choice()->count(); ++i) names << Choice()->itemText(i);
        QCOMPARE(names, (QStringList{"apfel", "Birne", "Zitrone"}));
        QCOMPARE(Choice()->currentIndex(), -1);
        QCOMPARE(Factor()->value(), 1);
        QCOMPARE(Factor()->minimum(), 1);
        QCOMPARE(Factor()->maximum(), 8191);
    }

    void choiceAndMemberRowsEnableTheirButtons() {
        Option("A", 1);
        Option("B", 2);
        Option("C", 3);
        Show();
        Choose("B");
        QVERIFY(Button("Button_OptionAdd")->isEnabled());
        QVERIFY(Button("Button_OptionUpdate")->isEnabled());
        TypeFactor("3");
        Click(Button("Button_OptionAdd"));
        QCOMPARE(Rows(Members()), (QStringList{"B/3"}));
        QCOMPARE(Choice()->currentIndex(), -1);
        QVERIFY(!Button("Button_OptionAdd")->isEnabled());
        QVERIFY(!Button("Button_OptionUpdate")->isEnabled());
        QCOMPARE(Factor()->value(), 1);
        AddMember("A", 2);
        AddMember("C", 1);

        ClickRow(Members(), 0);
        QVERIFY(Button("Button_OptionDel")->isEnabled());
        QVERIFY(!Button("Button_OptionUp")->isEnabled());
        QVERIFY(Button("Button_OptionDown")->isEnabled());
        QCOMPARE(Choice()->currentText(), QString("B"));
        QCOMPARE(Factor()->value(), 3);

        Click(Button("Button_OptionDown"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "B/3", "C/1"}));
        QCOMPARE(Members()->selectedItems().value(0), Members()->topLevelItem(1));
        QVERIFY(Button("Button_OptionUp")->isEnabled());
        Click(Button("Button_OptionDown"));
        QVERIFY(!Button("Button_OptionDown")->isEnabled());

        // Update the selected row with another choice and factor.
        Choose("C");
        TypeFactor("7");
        // C is already another row's option.
        dialogs->AnswerMessage(MessageButton::Ok);
        Click(Button("Button_OptionUpdate"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "C/1", "B/3"}));
        Choose("B");
        Click(Button("Button_OptionUpdate"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "C/1", "B/7"}));

        Click(Button("Button_OptionDel"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "C/1"}));
        QVERIFY(Members()->selectedItems().isEmpty());
        QVERIFY(!Button("Button_OptionDel")->isEnabled());
        QCOMPARE(Choice()->currentIndex(), -1);
        QVERIFY(project->combinations.Empty());  // member rows are only an editing area

        // Without a selected row, "Aktualisieren" does nothing.
        Choose("B");
        Click(Button("Button_OptionUpdate"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "C/1"}));
        QVERIFY(dialogs->AllAnswered());
    }

    void duplicateMemberIsRefused() {
        Option("Haus", 1);
        Show();
        AddMember("Haus", 2);
        dialogs->AnswerMessage(MessageButton::Ok);
        AddMember("Haus", 5);
        QCOMPARE(dialogs->messages.size(), std::size_t{1});
        QCOMPARE(dialogs->LastMessage().text,
                 std::string("Die Option \"Haus\" ist bereits in der Liste vorhanden."));
        QCOMPARE(dialogs->LastMessage().caption, std::string("Eintrag bereits vorhanden"));
        QCOMPARE(dialogs->LastMessage().icon, MessageIcon::Warning);
        QCOMPARE(Rows(Members()), (QStringList{"Haus/2"}));
    }

    void typedFactorsAreBroughtIntoRange() {
        Option("A", 1);
        Option("B", 1);
        Show();
        AddMember("A", 9000);
        Choose("B");
        TypeFactor("abc");
        Click(Button("Button_OptionAdd"));
        QCOMPARE(Rows(Members()), (QStringList{"A/8191", "B/1"}));
    }

    void addingStoresTheCombinationAndClearsTheEditingArea() {
        Option("A", 4);
        Option("B", -2);
        Show();
        QTest::keyClicks(NameField(), "Urlaub");
        AddMember("A", 1);
        AddMember("B", 3);
        Click(Button("Button_CombinationAdd"));
        QCOMPARE(project->combinations.Count(), std::size_t{1});
        QCOMPARE(project->combinations.At(0).name, std::string("Urlaub"));
        QCOMPARE(rangwerk::MemberRowsOf(project->combinations.At(0)),
                 (std::vector<MemberRow>{{"A", 1}, {"B", 3}}));
        QCOMPARE(Rows(Combinations()), (QStringList{"Urlaub"}));
        QVERIFY(Combinations()->selectedItems().isEmpty());
        QCOMPARE(NameField()->text(), QString());
        QCOMPARE(Members()->topLevelItemCount(), 0);
        QCOMPARE(Choice()->currentIndex(), -1);
        QCOMPARE(Factor()->value(), 1);
        QCOMPARE(form->focusWidget(), NameField());

        // A name taken ignoring letter case is refused and the editing area stays.
        QTest::keyClicks(NameField(), "URLAUB");
        AddMember("A", 2);
        dialogs->AnswerMessage(MessageButton::Ok);
        Click(Button("Button_CombinationAdd"));
        QCOMPARE(dialogs->LastMessage().text,
                 std::string("Ein Eintrag mit dem Namen \"URLAUB\" ist bereits vorhanden."));
        QCOMPARE(dialogs->LastMessage().caption,
                 std::string("Name des Eintrags bereits vorhanden."));
        QCOMPARE(project->combinations.Count(), std::size_t{1});
        QCOMPARE(NameField()->text(), QString("URLAUB"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2"}));
    }

    void selectingACombinationDiscardsUnsavedMemberEdits() {
        Option("A", 1);
        Option("B", 2);
        project->combinations.AddCombination("Eins", {{"A", 2}}, project->options);
        project->combinations.AddCombination("Zwei", {{"B", 5}}, project->options);
        Show();
        QCOMPARE(Rows(Combinations()), (QStringList{"Eins", "Zwei"}));
        ClickRow(Combinations(), 0);
        QCOMPARE(NameField()->text(), QString("Eins"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2"}));
        QVERIFY(Button("Button_CombinationUpdate")->isEnabled());
        QVERIFY(Button("Button_CombinationDel")->isEnabled());
        QVERIFY(!Button("Button_CombinationUp")->isEnabled());
        QVERIFY(Button("Button_CombinationDown")->isEnabled());

        AddMember("B", 4);
        NameField()->setText("Eins geändert");
        ClickRow(Combinations(), 1);
        QCOMPARE(NameField()->text(), QString("Zwei"));
        QCOMPARE(Rows(Members()), (QStringList{"B/5"}));
        QVERIFY(!Button("Button_CombinationDown")->isEnabled());
        ClickRow(Combinations(), 0);
        QCOMPARE(NameField()->text(), QString("Eins"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2"}));

        // A click below the rows selects nothing and empties the editing area.
        QTest::mouseClick(Combinations()->viewport(), Qt::LeftButton, {},
                          QPoint(20, Combinations()->viewport()->height() - 5));
        QVERIFY(Combinations()->selectedItems().isEmpty());
        QCOMPARE(NameField()->text(), QString());
        QCOMPARE(Members()->topLevelItemCount(), 0);
        QVERIFY(!Button("Button_CombinationUpdate")->isEnabled());

        // A renamed option shows under its new name.
        project->options.At(0).name = "A neu";
        ClickRow(Combinations(), 0);
        QCOMPARE(Rows(Members()), (QStringList{"A neu/2"}));
    }

    void updateMoveAndDeleteChangeModelAndRows() {
        Option("A", 1);
        Option("B", 2);
        project->combinations.AddCombination("Eins", {{"A", 2}}, project->options);
        project->combinations.AddCombination("Zwei", {{"B", 5}}, project->options);
        Show();
        ClickRow(Combinations(), 0);
        NameField()->setText("EINS");
        AddMember("B", 1);
        Click(Button("Button_CombinationUpdate"));
        QCOMPARE(Rows(Combinations()), (QStringList{"EINS", "Zwei"}));
        QCOMPARE(project->combinations.At(0).name, std::string("EINS"));
        QCOMPARE(rangwerk::MemberRowsOf(project->combinations.At(0)),
                 (std::vector<MemberRow>{{"A", 2}, {"B", 1}}));
        QCOMPARE(NameField()->text(), QString("EINS"));

        Click(Button("Button_CombinationDown"));
        QCOMPARE(Rows(Combinations()), (QStringList{"Zwei", "EINS"}));
        QCOMPARE(project->combinations.At(1).name, std::string("EINS"));
        QCOMPARE(Combinations()->selectedItems().value(0), Combinations()->topLevelItem(1));
        QVERIFY(Button("Button_CombinationUp")->isEnabled());
        QVERIFY(!Button("Button_CombinationDown")->isEnabled());

        // The discarded record leaves the result-sorted order of the last evaluation too.
        Click(Button("Button_Next"));
        Click(Button("Button_Back"));
        QCOMPARE(project->evaluation.sorted.size(), std::size_t{2});
        Click(Button("Button_CombinationDel"));
        QCOMPARE(project->evaluation.sorted.size(), std::size_t{1});
        QCOMPARE(project->evaluation.sorted[0], &project->combinations.At(0));
        QCOMPARE(Rows(Combinations()), (QStringList{"Zwei"}));
        QCOMPARE(project->combinations.Count(), std::size_t{1});
        QCOMPARE(NameField()->text(), QString());
        QVERIFY(!Button("Button_CombinationDel")->isEnabled());
        QVERIFY(dialogs->AllAnswered());
    }

    void unresolvableRowShowsTheGeneralErrorAndChangesNothing() {
        Option("A", 1);
        Option("B", 2);
        project->combinations.AddCombination("Eins", {{"A", 2}}, project->options);
        Show();
        ClickRow(Combinations(), 0);
        // The option is renamed in the main window while the rows show the old name.
        project->options.At(0).name = "A neu";
        NameField()->setText("Anders");
        dialogs->AnswerMessage(MessageButton::Ok);
        Click(Button("Button_CombinationUpdate"));
        // ")" sorts before ".", so the general error box adds no full stop.
        QCOMPARE(dialogs->LastMessage().text,
                 std::string("Listenindex überschreitet das Maximum (2)"));
        QCOMPARE(dialogs->LastMessage().caption, std::string("Rangwerk"));
        QCOMPARE(dialogs->LastMessage().icon, MessageIcon::Error);
        QCOMPARE(project->combinations.At(0).name, std::string("Eins"));
        QCOMPARE(rangwerk::MemberRowsOf(project->combinations.At(0)),
                 (std::vector<MemberRow>{{"A neu", 2}}));
        QCOMPARE(Rows(Combinations()), (QStringList{"Eins"}));

        NameField()->setText("Neu");
        dialogs->AnswerMessage(MessageButton::Ok);
        Click(Button("Button_CombinationAdd"));
        QCOMPARE(dialogs->messages.size(), std::size_t{2});
        QCOMPARE(project->combinations.Count(), std::size_t{1});
        QCOMPARE(Rows(Combinations()), (QStringList{"Eins"}));
        QCOMPARE(NameField()->text(), QString("Neu"));
    }

    void keysPressCloseNextAndBack() {
        Show();
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(form->Page(), 1);
        QVERIFY(form->DiagramShowing());
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(form->Page(), 0);
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->WindowVisible());
        QCOMPARE(form->Page(), 0);
    }

    void showingOnTheDiagramPageEvaluatesAgain() {
        Option("A", 1);
        project->combinations.AddCombination("Eins", {{"A", 1}}, project->options);
        Show();
        Click(Button("Button_Next"));
        Click(Button("Button_Close"));
        QVERIFY(!form->WindowVisible());
        project->options.At(0).results.push_back({0, 1, true});
        rangwerk::RecountOutcomes(project->options.At(0));
        Show();
        QCOMPARE(form->Page(), 1);
        QCOMPARE(project->combinations.At(0).result, 2.0L);
        QCOMPARE(Control<QListWidget>("ListBox_Combinations")->count(), 1);
    }

    void diagramRowsShowBarsAroundTheZeroLine() {
        Option("A", 2);
        Option("B", -1);
        project->combinations.AddCombination("Minus", {{"B", 1}}, project->options);
        project->combinations.AddCombination("Plus", {{"A", 1}}, project->options);
        Show();
        Click(Button("Button_Next"));
        QCOMPARE(project->evaluation.zeroOffset, 87);

        auto* list = Control<QListWidget>("ListBox_Combinations");
        QCOMPARE(list->count(), 2);
        const QColor base = list->palette().color(QPalette::Active, QPalette::Base);
        const QColor red(255, 0, 0), green(0, 255, 0), black(0, 0, 0);
        const QFontMetrics metrics(list->font());

        auto check = [&](bool sorted, int plusRow) {
            list->viewport()->repaint();
            const QImage image = list->viewport()->grab().toImage();
            const int minusRow = 1 - plusRow;
            const QRect plus = list->visualItemRect(list->item(plusRow));
            const QRect minus = list->visualItemRect(list->item(minusRow));
            const int right = plus.x() + plus.width();
            const int zero = right - 280 + 87;
            auto at = [&](int x, const QRect& row) {
                return image.pixelColor(x, row.center().y());
            };
            // Plus: from the zero line to 20 pixels before the right edge, pure green.
            QCOMPARE(at(zero, plus), black);
            QCOMPARE(at(zero + 1, plus), green);
            QCOMPARE(at(right - 22, plus), green);
            QCOMPARE(at(right - 21, plus), black);
            QCOMPARE(at(right - 20, plus), base);
            QCOMPARE(image.pixelColor(zero + 40, plus.top()), base);  // one pixel gap above
            QCOMPARE(image.pixelColor(zero + 40, plus.top() + 1), black);
            // Minus: from the left end of the bar area to the zero line, pure red.
            QCOMPARE(at(right - 281, minus), base);
            QCOMPARE(at(right - 280, minus), black);
            QCOMPARE(at(right - 279, minus), red);
            QCOMPARE(at(zero - 2, minus), red);
            QCOMPARE(at(zero - 1, minus), black);
            // The values stand on the other side of the zero line: "2" ends there, "-1" starts
            // there.
            auto inked = [&](int from, int to, const QRect& row) {
                for (int x = from; x < to; ++x) {
                    for (int y = row.top(); y < row.top() + row.height(); ++y) {
                        if (image.pixelColor(x, y) != base)
                            return true;
                    }
                }
                return false;
            };
            QVERIFY(inked(zero - metrics.horizontalAdvance("2"), zero, plus));
            QVERIFY(!inked(zero - 40, zero - metrics.horizontalAdvance("2") - 1, plus));
            QVERIFY(inked(zero, zero + metrics.horizontalAdvance("-1"), minus));
            QVERIFY(!inked(zero + metrics.horizontalAdvance("-1") + 1, zero + 40, minus));
            // Names at the left; in sorted mode behind the rank column.
            const int nameX = sorted ? metrics.horizontalAdvance("2.") + 8 : 4;
            QVERIFY(inked(nameX, nameX + metrics.horizontalAdvance("Plus"), plus));
            QCOMPARE(inked(0, nameX - 1, plus), sorted);
        };
        check(false, 1);
        Control<QCheckBox>("CheckBox_Sort")->setChecked(true);
        check(true, 0);

        // The selected row is drawn in the selection colours.
        list->setCurrentRow(1);
        list->viewport()->repaint();
        const QImage image = list->viewport()->grab().toImage();
        const QRect row = list->visualItemRect(list->item(1));
        QCOMPARE(image.pixelColor(row.x() + 1, row.center().y()),
                 list->palette().color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(dialogs->messages.size(), std::size_t{0});
    }

    void diagramFollowsRemovedMemberOptions() {
        Option("A", 2);
        Option("B", -1);
        project->combinations.AddCombination("Beide", {{"A", 1}, {"B", 1}}, project->options);
        Show();
        Click(Button("Button_Next"));
        QCOMPARE(project->combinations.At(0).result, 0.5L);
        project->options.RemoveOption(1);
        QCOMPARE(project->combinations.At(0).result, 2.0L);
        project->RemoveAllOptions();
        QCOMPARE(Control<QListWidget>("ListBox_Combinations")->count(), 0);
        QCOMPARE(Combinations()->topLevelItemCount(), 0);
        QCOMPARE(Choice()->count(), 0);
    }
};

QTEST_MAIN(CombinationsWindowTest)
#include "ranko2_test.moc"
