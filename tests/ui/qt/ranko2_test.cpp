#include "ui/qt/ranko2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

#include "project/project.h"
#include "support/find_control.h"
#include "support/scripted_dialogs.h"

using rangwerk::CombinationsWindowModel;
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
    std::unique_ptr<CombinationsWindowModel> model;
    std::unique_ptr<TForm2> form;

    template <class T>
    T* Control(const char* name) {
        return FindControl<T>(*form, name);
    }
    QPushButton* Button(const char* name) { return Control<QPushButton>(name); }
    QTreeView* Combinations() { return Control<QTreeView>("ListView_Combinations"); }
    QTreeView* Members() { return Control<QTreeView>("ListView_Options"); }
    QListView* Diagram() { return Control<QListView>("ListBox_Combinations"); }
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
    void ClickRow(QTreeView* list, int row) {
        const QModelIndex index = list->model()->index(row, 0);
        QVERIFY(index.isValid());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
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
    QStringList Rows(QTreeView* list) {
        const QAbstractItemModel* rows = list->model();
        QStringList texts;
        for (int i = 0; i < rows->rowCount(); ++i) {
            QString text = rows->index(i, 0).data().toString();
            if (rows->columnCount() == 2)
                text += "/" + rows->index(i, 1).data().toString();
            texts << text;
        }
        return texts;
    }
    int SelectedRow(QTreeView* list) {
        const QModelIndexList rows = list->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
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
        model->ShowWindow();
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
        model = std::make_unique<CombinationsWindowModel>(*project, *dialogs, ",");
        form = std::make_unique<TForm2>(*model, *dialogs, mainWindow.get());
    }
    void cleanup() {
        form.reset();
        model.reset();
        project.reset();
        dialogs.reset();
        mainWindow.reset();
    }

    void windowIsAFixedToolWindowOverTheMainWindow() {
        QCOMPARE(form->windowTitle(), QString("Kombinationen"));
        QCOMPARE(form->size(), QSize(513, 355));
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(form->parentWidget(), mainWindow.get());
        QCOMPARE(form->font().pixelSize(), 11);
        QCOMPARE(Diagram()->size(), QSize(497, 249));
        Show();
        QVERIFY(!form->isModal());
        QCOMPARE(form->frameGeometry().center(), mainWindow->frameGeometry().center());
    }

    void firstShowingOffersOnlyAddNextAndClose() {
        Option("Zitrone", 0);
        Option("apfel", 0);
        Option("Birne", 0);
        Show();
        QCOMPARE(Control<QStackedWidget>("Notebook")->currentIndex(), 0);
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

    // The controls show the model's editing area and hand clicks, keys and typing to it.
    void controlsShowTheEditingAreaAndPassOnTheUsersActions() {
        Option("A", 1);
        Option("B", 2);
        Option("C", 3);
        Show();
        Choose("B");
        QCOMPARE(EnabledButtons(),
                 (QStringList{"Button_Close", "Button_CombinationAdd", "Button_Next",
                              "Button_OptionAdd", "Button_OptionUpdate"}));
        TypeFactor("3");
        Click(Button("Button_OptionAdd"));
        QCOMPARE(Rows(Members()), (QStringList{"B/3"}));
        QCOMPARE(Choice()->currentIndex(), -1);
        QCOMPARE(Factor()->text(), QString("1"));
        AddMember("A", 2);
        AddMember("C", 1);

        ClickRow(Members(), 0);
        QCOMPARE(Choice()->currentText(), QString("B"));
        QCOMPARE(Factor()->value(), 3);
        QVERIFY(Button("Button_OptionDown")->isEnabled());
        QVERIFY(!Button("Button_OptionUp")->isEnabled());
        Click(Button("Button_OptionDown"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "B/3", "C/1"}));
        QCOMPARE(SelectedRow(Members()), 1);

        // The arrow keys step the factor; leaving the field shows the factor a text stands for.
        Factor()->setFocus();
        QTest::keyClick(Factor(), Qt::Key_Up);
        QCOMPARE(Factor()->text(), QString("4"));
        QCOMPARE(Factor()->value(), 4);
        TypeFactor("9000");
        QCOMPARE(Factor()->text(), QString("9000"));
        NameField()->setFocus();
        QCOMPARE(Factor()->text(), QString("8191"));
        QCOMPARE(model->Screen().factorText, std::string("8191"));

        QTest::keyClicks(NameField(), "Urlaub");
        Click(Button("Button_CombinationAdd"));
        QCOMPARE(Rows(Combinations()), (QStringList{"Urlaub"}));
        QCOMPARE(NameField()->text(), QString());
        QCOMPARE(Rows(Members()), QStringList());
        QCOMPARE(form->focusWidget(), NameField());
        QTest::keyClicks(NameField(), "Zwei");
        Click(Button("Button_CombinationAdd"));

        ClickRow(Combinations(), 0);
        QCOMPARE(NameField()->text(), QString("Urlaub"));
        QCOMPARE(Rows(Members()), (QStringList{"A/2", "B/3", "C/1"}));
        QVERIFY(Button("Button_CombinationDel")->isEnabled());
        // A key moves the selection like a click.
        Combinations()->setFocus();
        QTest::keyClick(Combinations(), Qt::Key_Down);
        QCOMPARE(NameField()->text(), QString("Zwei"));
        // A click below the rows selects nothing and empties the editing area.
        QTest::mouseClick(Combinations()->viewport(), Qt::LeftButton, {},
                          QPoint(20, Combinations()->viewport()->height() - 5));
        QCOMPARE(SelectedRow(Combinations()), -1);
        QCOMPARE(NameField()->text(), QString());
        QVERIFY(!Button("Button_CombinationDel")->isEnabled());
        QVERIFY(dialogs->AllAnswered());
    }

    void aFailureOfAnActionShowsTheGeneralError() {
        Option("A", 1);
        Option("B", 2);
        QVERIFY(!project->combinations.AddCombination("Eins", {{"A", 2}}, project->options));
        Show();
        ClickRow(Combinations(), 0);
        // The option is renamed in the main window while the rows show the old name.
        project->options.At(0).name = "A neu";
        dialogs->AnswerMessage(MessageButton::Ok);
        Click(Button("Button_CombinationUpdate"));
        // ")" sorts before ".", so the general error box adds no full stop.
        QCOMPARE(dialogs->LastMessage().text,
                 std::string("Listenindex überschreitet das Maximum (2)"));
        QCOMPARE(dialogs->LastMessage().caption, std::string("Rangwerk"));
        QCOMPARE(dialogs->LastMessage().icon, MessageIcon::Error);
        QVERIFY(dialogs->AllAnswered());
    }

    void keysPressCloseNextAndBack() {
        Show();
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(Control<QStackedWidget>("Notebook")->currentIndex(), 1);
        QVERIFY(model->DiagramShowing());
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(Control<QStackedWidget>("Notebook")->currentIndex(), 0);
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QVERIFY(!model->WindowVisible());
        QCOMPARE(model->Page(), 0);
        // The close box hides it too.
        Show();
        form->close();
        QVERIFY(!form->isVisible());
        QVERIFY(!model->WindowVisible());
    }

    void diagramRowsShowBarsAroundTheZeroLine() {
        Option("A", 2);
        Option("B", -1);
        project->combinations.AddCombination("Minus", {{"B", 1}}, project->options);
        project->combinations.AddCombination("Plus", {{"A", 1}}, project->options);
        Show();
        Click(Button("Button_Next"));
        QCOMPARE(project->evaluation.zeroOffset, 87);

        QListView* list = Diagram();
        QCOMPARE(list->model()->rowCount(), 2);
        const auto rowRect = [list](int row) {
            return list->visualRect(list->model()->index(row, 0));
        };
        const QColor base = list->palette().color(QPalette::Active, QPalette::Base);
        const QColor red(255, 0, 0), green(0, 255, 0), black(0, 0, 0);
        const QFontMetrics metrics(list->font());

        auto check = [&](bool sorted, int plusRow) {
            list->viewport()->repaint();
            const QImage image = list->viewport()->grab().toImage();
            const int minusRow = 1 - plusRow;
            const QRect plus = rowRect(plusRow);
            const QRect minus = rowRect(minusRow);
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
        list->setCurrentIndex(list->model()->index(1, 0));
        list->viewport()->repaint();
        const QImage image = list->viewport()->grab().toImage();
        const QRect row = rowRect(1);
        QCOMPARE(image.pixelColor(row.x() + 1, row.center().y()),
                 list->palette().color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(dialogs->messages.size(), std::size_t{0});
    }

    // The project tells the window of removed options.
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
        QCOMPARE(Diagram()->model()->rowCount(), 0);
        QCOMPARE(Combinations()->model()->rowCount(), 0);
        QCOMPARE(Choice()->count(), 0);
    }
};

QTEST_MAIN(CombinationsWindowTest)
#include "ranko2_test.moc"
