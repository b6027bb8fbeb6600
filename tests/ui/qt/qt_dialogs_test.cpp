#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "ui/qt/qt_dialogs.h"

using rangwerk::MessageButton;
using rangwerk::QtDialogs;

namespace {

// The home and configuration folder of this test, empty at the start.
QString home;

// Runs `act` on the modal box or dialog as soon as it is open.
template <class Dialog>
void WhenOpen(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("no modal dialog open");
        act(dialog);
    });
}

QStringList ButtonTexts(QMessageBox* box) {
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    texts.sort();
    return texts;
}

}  // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void filterBecomesQtNameFilter() {
        QCOMPARE(rangwerk::QtNameFilter("Rangwerk-Dateien (*.opt)|*.opt"),
                 QStringLiteral("Rangwerk-Dateien (*.opt)"));
        QCOMPARE(rangwerk::QtNameFilter("Texte|*.txt;*.asc|Alle (*.*)|*.*"),
                 QStringLiteral("Texte (*.txt *.asc);;Alle (*.*)"));
    }

    void warningQuestionWithGermanButtons() {
        QtDialogs dialogs;
        QString title, text;
        QStringList buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString defaultText, escapeText;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = ButtonTexts(box);
            defaultText = box->defaultButton()->text();
            escapeText = box->escapeButton()->text();
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == QStringLiteral("&Nein"))
                    b->click();
            }
        });
        const MessageButton answer =
            dialogs.ShowMessage(rangwerk::WarningQuestion("Wirklich löschen?"));
        QCOMPARE(answer, MessageButton::No);
        QCOMPARE(title, QStringLiteral("Warnung"));
        QCOMPARE(text, QStringLiteral("Wirklich löschen?"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
        QCOMPARE(defaultText, QStringLiteral("&Ja"));
        QCOMPARE(escapeText, QStringLiteral("&Nein"));
    }

    void closingTheBoxAnswersTheEscapeButton() {
        QtDialogs dialogs;
        QStringList buttons;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            buttons = ButtonTexts(box);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(dialogs.ShowMessage(rangwerk::ConfirmationQuestion("Speichern?")),
                 MessageButton::Cancel);
        QCOMPARE(buttons, (QStringList{QStringLiteral("&Ja"), QStringLiteral("&Nein"),
                                       QStringLiteral("Abbrechen")}));

        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            icon = box->icon();
            box->buttons().front()->click();
        });
        QCOMPARE(dialogs.ShowMessage(rangwerk::GeneralErrorMessage("Datei fehlt")),
                 MessageButton::Ok);
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void saveDialogAddsTheExtension() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QtDialogs dialogs;
        QStringList filters;
        QString suffix;
        bool save = false;
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            suffix = dialog->defaultSuffix();
            save = dialog->acceptMode() == QFileDialog::AcceptSave;
            dialog->setDirectory(folder.path());
            dialog->selectFile(QStringLiteral("Urlaub"));
            static_cast<QDialog*>(dialog)->accept();
        });
        const auto path = dialogs.AskSaveFileName({"Rangwerk-Dateien (*.opt)|*.opt", "opt"});
        QVERIFY(path.has_value());
        QCOMPARE(QString::fromStdString(*path), QDir(folder.path()).filePath("Urlaub.opt"));
        QCOMPARE(filters, QStringList{QStringLiteral("Rangwerk-Dateien (*.opt)")});
        QCOMPARE(suffix, QStringLiteral("opt"));
        QVERIFY(save);

        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            dialog->reject();
        });
        QVERIFY(!dialogs.AskOpenFileName({"Rangwerk-Dateien (*.opt)|*.opt", "opt"}));
    }

    void fileDialogsLeaveNoSettingsFile() {
        // Qt's file dialog would keep its history in ~/.config/QtProject.conf; the program
        // keeps no configuration file.
        QTemporaryDir folder;
        QtDialogs dialogs;
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            dialog->setDirectory(folder.path());
            dialog->selectFile(QStringLiteral("Urlaub"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QVERIFY(dialogs.AskSaveFileName({"Rangwerk-Dateien (*.opt)|*.opt", "opt"}));
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(!dialogs.AskOpenFileName({"Rangwerk-Dateien (*.opt)|*.opt", "opt"}));
        QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

int main(int argc, char** argv) {
    // A home of its own, so that a file written there is seen and the user's stays untouched.
    QTemporaryDir folder;
    home = folder.path();
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QtDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "qt_dialogs_test.moc"
