#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

#include "platform/dialogs.h"
#include "project/project.h"
#include "ui/qt_dialogs.h"
#include "ui/ranko1.h"

namespace {

// The one switch of the command line, compared byte for byte.
constexpr const char* kUninstallParam = "/uninstall";

bool StartedForRemoval(int argc, char** argv) {
    return argc > 1 && std::strcmp(argv[1], kUninstallParam) == 0;
}

}  // namespace

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

    // The program's icon in its drawn sizes (the resources of the program file).
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/rangwerk-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    const bool removal = StartedForRemoval(argc, argv);

    rangwerk::Project project;
    rangwerk::QtDialogs dialogs;
    rangwerk::TForm1 form1(project, dialogs);
    dialogs.SetParent(&form1);

    // Installation registration while the main window is created: with "/uninstall" the
    // registration is removed and the program ends here, before any window is shown;
    // otherwise the uninstall entry is written. The removal itself is not built yet, so a
    // start for removal ends without changing anything.
    if (removal) return 0;

    // Then the update component's start-up check, the combinations window and the info
    // dialog, in this order.

    // Closing the main window ends the program, whatever other window is still open.
    QObject::connect(&form1, &rangwerk::TForm1::Closed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    form1.show();
    application.exec();
    return 0;
}
