#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/file_version.h"
#include "app/program.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "ui/qt/qt_dialogs.h"

namespace {

QtMessageHandler qtMessages = nullptr;

// While the application object starts, a fatal message of Qt means that no window system could
// be reached (no display, an unknown or broken platform plugin). Qt would abort; the program
// says so in plain words and ends with exit code 1.
void EndWhenNoDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        qtMessages(type, context, text);
        return;
    }
    std::fprintf(stderr, "Rangwerk kann nicht starten: Die Anzeige lässt sich nicht öffnen.\n%s\n",
                 text.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    // The command line is read before Qt sees it, and only argument 1 is looked at; it is
    // compared byte for byte with "/uninstall". Qt gets the program name alone, so none of its
    // own options (-platform, -reverse, -qwindowtitle ...) changes the program or shifts
    // argument 1.
    std::optional<std::string> argument1;
    if (argc > 1)
        argument1 = argv[1];
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};

    qtMessages = qInstallMessageHandler(EndWhenNoDisplay);
    QApplication application(qtArgc, qtArgv);
    qInstallMessageHandler(qtMessages);
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
    rangwerk::Program program(rangwerk::ProgramServices{dialogs,
                                                        *registry,
                                                        rangwerk::ProgramPath(),
                                                        argument1,
                                                        [] { return rangwerk::ReadFileVersion(); },
                                                        {},
                                                        nullptr});
    dialogs.SetParent(&program.MainWindow());
    return program.Run();
}
