// Renders every page of the main window into PNG files (default folder /tmp/rangwerk-shots),
// with a few options, answers and the live ranking, for looking at the layout.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "support/scripted_dialogs.h"
#include "ui/ranko1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral("/tmp/rangwerk-shots");
    QDir().mkpath(folder);

    rangwerk::Project project;
    rangwerk::testing::ScriptedDialogs dialogs;
    rangwerk::TForm1 form(project, dialogs);
    form.show();
    auto shoot = [&](const QString& name) {
        QApplication::processEvents();
        form.grab().save(folder + u'/' + name + QStringLiteral(".png"));
    };
    auto button = [&](const char* name) {
        return form.findChild<QAbstractButton*>(QString::fromLatin1(name));
    };

    shoot(QStringLiteral("0-start"));
    button("SpeedButton_0New")->click();
    const char* names[][2] = {{"Urlaub am Meer", "Zwei Wochen\nSonne"},
                              {"Wandern in den Alpen", "Hütten"},
                              {"Städtereise", ""},
                              {"Zuhause bleiben und den Garten endlich in Ordnung bringen", ""}};
    for (const auto& n : names) {
        form.findChild<QLineEdit*>(QStringLiteral("Edit_1OptionName"))->setText(QString::fromUtf8(n[0]));
        form.findChild<QPlainTextEdit*>(QStringLiteral("Memo_1Info"))->setPlainText(QString::fromUtf8(n[1]));
        button("Button_1Add")->click();
    }
    shoot(QStringLiteral("1-collect"));
    button("Button_1Next")->click();
    form.findChild<QRadioButton*>(QStringLiteral("RadioGroup_2Order_Item0"))->setChecked(true);
    form.findChild<QCheckBox*>(QStringLiteral("CheckBox_2LiveScore"))->setChecked(true);
    shoot(QStringLiteral("2-settings"));
    button("Button_2Next")->click();
    button("Button_3Option1")->click();
    button("Button_3Option2")->click();
    button("Button_3Remis")->click();
    button("Button_3Option1")->click();
    shoot(QStringLiteral("3-comparisons"));
    button("Button_3Option1")->click();
    button("Button_3Option2")->click();
    shoot(QStringLiteral("4-result"));
    return 0;
}
