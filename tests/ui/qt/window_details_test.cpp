// Details of handling the windows as a person does: clicking the selected row, access keys
// that two controls share, the pair buttons with an edit under way, the order of the options
// offered for combinations.
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "support/find_control.h"
#include "support/fixed_seed.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/ranko1.h"
#include "ui/qt/ranko2.h"

using rangwerk::testing_support::FindControl;
using namespace rangwerk;
using rangwerk::testing::FixedSeed;
using rangwerk::testing::ScriptedDialogs;

namespace {

struct Windows {
    Project project;
    ScriptedDialogs dialogs;
    FixedSeed seed;
    MainWindowModel model{project, dialogs, seed};
    TForm1 form{model, dialogs};
    CombinationsWindowModel combinations{project, dialogs, ","};
    TForm2 combinationsWindow{combinations, dialogs, &form};

    Windows() { model.SetCombinationsWindow(&combinations); }

    template <class T = QWidget>
    T* Get(QWidget* window, const char* name) {
        return FindControl<T>(*window, name);
    }
    template <class T = QWidget>
    T* Get(const char* name) {
        return Get<T>(&form, name);
    }

    void Show() {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    void Add(const QString& name, const QString& info = {}) {
        Get<QLineEdit>("Edit_1OptionName")->setText(name);
        Get<QPlainTextEdit>("Memo_1Info")->setPlainText(info);
        Get<QPushButton>("Button_1Add")->click();
    }
};

}  // namespace

class WindowDetailsTest : public QObject {
    Q_OBJECT

private slots:
    void clickingTheSelectedRowLoadsItsOptionAgain() {
        Windows w;
        w.Show();
        w.Get<QToolButton>("SpeedButton_0New")->click();
        w.Add("Apfel", "rund");
        w.Add("Birne");
        QListView* list = w.Get<QListView>("ListView_1Options");
        const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("getippt"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(w.Get<QLineEdit>("Edit_1OptionName")->text(), QStringLiteral("Apfel"));
        QCOMPARE(w.Get<QPlainTextEdit>("Memo_1Info")->toPlainText(), QStringLiteral("rund"));
    }

    void aSharedAccessKeyPressesTheFirstButton() {
        Windows w;
        w.Show();
        w.Get<QToolButton>("SpeedButton_0New")->click();
        w.Add("A");
        w.Add("B");
        w.Add("C");
        // The last row is selected: "&Hoch" is enabled beside "&Hinzufügen".
        QVERIFY(w.Get<QPushButton>("Button_1Up")->isEnabled());
        w.Get<QLineEdit>("Edit_1OptionName")->setFocus();
        w.Get<QLineEdit>("Edit_1OptionName")->setText(QStringLiteral("D"));
        QTest::keyClick(&w.form, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(w.project.options.Count(), size_t(4));
        QCOMPARE(w.project.options.At(3).name, std::string("D"));
    }

    void pairButtonsStoreAnInformationTextBeingEdited() {
        Windows w;
        w.Show();
        w.Get<QToolButton>("SpeedButton_0New")->click();
        w.Add("A");
        w.Add("B");
        w.Add("C");
        w.Get<QPushButton>("Button_1Next")->click();
        w.Get<QRadioButton>("RadioGroup_2Order_Item0")->setChecked(true);
        w.Get<QPushButton>("Button_2Next")->click();
        QPlainTextEdit* memo = w.Get<QPlainTextEdit>("Memo_3Option1Info");
        memo->setFocus();
        QTest::keyClicks(memo, QStringLiteral("1 Notiz"));
        QCOMPARE(w.project.options.At(0).info, std::string());
        w.Get<QToolButton>("SpeedButton_3NextComparison")->click();
        QCOMPARE(w.project.options.At(0).info, std::string("1 Notiz"));
        QCOMPARE(w.project.run.SecondIndex(), 2);
        QVERIFY(!w.project.options.At(0).results[1].decided);  // the digit answered nothing
    }

    void optionsForCombinationsInGermanOrder() {
        Windows w;
        for (const char* name : {"Zitrone", "birne", "Äpfel", "Apfel", "Orange"}) {
            w.project.options.AddOption(name, "");
        }
        w.combinations.ShowWindow();
        QComboBox* box = w.Get<QComboBox>(&w.combinationsWindow, "ComboBox_Options");
        QStringList shown;
        for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
        QCOMPARE(shown, (QStringList{"Apfel", "Äpfel", "birne", "Orange", "Zitrone"}));
    }
};

QTEST_MAIN(WindowDetailsTest)
#include "window_details_test.moc"
