#include "app/program.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#ifdef _WIN32
#include <windows.h>
#endif

namespace rangwerk {

QString SystemMessageFontFace() {
#ifdef _WIN32
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        return QString::fromWCharArray(metrics.lfMessageFont.lfFaceName);
    }
#endif
    const QString arialMetrics = QStringLiteral("Liberation Sans");
    if (QFontDatabase::families().contains(arialMetrics)) return arialMetrics;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

Program::Program(ProgramServices services) : services_(std::move(services)) {
    if (!services_.messageFontFace) services_.messageFontFace = SystemMessageFontFace;
    // The info dialog's labels keep "MS Sans Serif", a Windows face; elsewhere the face with
    // its metrics stands in for it.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    // The main window with its layout; its non-visual components come last, the installation
    // registration among them. Constructing it carries out "/uninstall" at once, before any
    // window is shown, and that always ends with a termination request.
    project_ = std::make_unique<Project>();
    form1_ = std::make_unique<TForm1>(*project_, services_.dialogs);
    setup_ = std::make_unique<TQuarvSetup>(QuarvSetupServices{
        services_.registry, services_.dialogs, kApplicationTitle, services_.programPath,
        services_.argument1, services_.readFileVersion, [this] { terminated_ = true; }});
    setup_->ApplyMainWindowValues();

    // The main window's creation handler: the uninstall entry at every start (skipped for
    // "/uninstall"); a failed registry write never stops the start.
    setup_->WriteUninstallEntry();

    form2_ = std::make_unique<TForm2>(*project_, services_.dialogs, form1_.get());
    // Creating the info dialog gives every window of 8-point font the message font's face.
    info_ = std::make_unique<TInfo>(
        services_.dialogs,
        InfoServices{services_.readFileVersion, services_.messageFontFace, services_.urlOpener});
    form1_->onInfo = [this] {
        info_->ShowInfo(QString::fromUtf8(kApplicationTitle), QStringLiteral("2004"),
                        QApplication::windowIcon());
    };
}

Program::~Program() {
    info_.reset();
    form2_.reset();
    setup_.reset();
    form1_.reset();
    project_.reset();
}

void Program::ShowStoreProblems() {
    for (const std::string& problem : services_.registry.TakeProblems()) {
        services_.dialogs.ShowMessage(GeneralErrorMessage(problem));
    }
}

int Program::Run() {
    if (terminated_) return 0;
    // Closing the main window ends the program, whatever other window is still open.
    QObject::connect(form1_.get(), &TForm1::Closed, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
    form1_->show();
    ShowStoreProblems();
    QApplication::exec();
    return 0;
}

}  // namespace rangwerk
