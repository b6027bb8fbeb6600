#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>
#include <optional>
#include <string>

#include "app/file_version.h"
#include "app/program.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "ui/qt_dialogs.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The title of the program. Only the name is set: a display name would be appended to
    // every window caption by the window system ("Rangwerk - [Urlaub.opt] – Rangwerk").
    QApplication::setApplicationName(QString::fromUtf8(rangwerk::kApplicationTitle));

    // The program speaks German, the file dialogs and their questions included.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    // The program's icon in its drawn sizes.
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/rangwerk-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    rangwerk::QtDialogs dialogs;
    std::unique_ptr<rangwerk::Registry> registry = rangwerk::CreateSystemRegistry();
    // Only argument 1 is looked at; it is compared byte for byte with "/uninstall".
    std::optional<std::string> argument1;
    if (argc > 1) argument1 = argv[1];

    rangwerk::Program program(rangwerk::ProgramServices{
        dialogs, *registry, rangwerk::ProgramPath(), argument1,
        [] { return rangwerk::ReadFileVersion(); }, {}, nullptr});
    dialogs.SetParent(&program.MainWindow());
    return program.Run();
}
