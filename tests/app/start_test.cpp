// The program started as a process: its command line is argument 1 alone, Qt's own options
// never reach Qt, and a display that cannot be opened ends the start with a message and exit
// code 1 instead of an abort. Every run gets a registry folder of its own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 20000;
const QByteArray kEntryKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rangwerk]";

struct Run {
    QTemporaryDir folder;
    QProcess process;

    explicit Run(const QString& platform, const QString& display = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("RANGWERK_REGISTRY_DIR"), folder.path());
        environment.insert(QStringLiteral("HOME"), folder.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (!display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), display);
        process.setProcessEnvironment(environment);
    }
    ~Run() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    void Start(const QStringList& arguments) {
        process.start(QStringLiteral(RANGWERK_PROGRAM), arguments);
    }

    // The uninstall entry that an ordinary start writes before its window is shown.
    bool EntryWritten() {
        QFile store(folder.filePath(QStringLiteral("HKEY_LOCAL_MACHINE.reg")));
        return store.open(QIODevice::ReadOnly) && store.readAll().contains(kEntryKey);
    }

    // Waits until the program has written its entry, or ended.
    bool WaitForOrdinaryStart() {
        QDeadlineTimer deadline(kStartTimeoutMs);
        while (!deadline.hasExpired()) {
            if (EntryWritten())
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForFinished(50);
        }
        return false;
    }
};

// An X display number that nobody serves.
QString FreeDisplay() {
    for (int number = 7391; number < 7491; ++number) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) {
            return QStringLiteral(":%1").arg(number);
        }
    }
    return {};
}

}  // namespace

class StartTest : public QObject {
    Q_OBJECT

private slots:
    void qtOptionsBeforeUninstallDoNotShiftArgumentOne() {
        // Qt would take "-reverse" and leave "/uninstall" as argument 1: the removal would ask
        // its question. Argument 1 is "-reverse": an ordinary start.
        Run run(QStringLiteral("offscreen"));
        run.Start({QStringLiteral("-reverse"), QStringLiteral("/uninstall")});
        QVERIFY2(run.WaitForOrdinaryStart(), run.process.readAllStandardError().constData());
        QCOMPARE(run.process.state(), QProcess::Running);
    }

    void platformOptionIsNotQtsToRead() {
        for (const QStringList& arguments :
             {QStringList{QStringLiteral("-platform"), QStringLiteral("nichtda")},
              QStringList{QStringLiteral("-platform=nichtda")}}) {
            Run run(QStringLiteral("offscreen"));
            run.Start(arguments);
            QVERIFY2(run.WaitForOrdinaryStart(),
                     qPrintable(arguments.join(u' ') + QStringLiteral(": ") +
                                QString::fromLocal8Bit(run.process.readAllStandardError())));
            QCOMPARE(run.process.state(), QProcess::Running);
        }
    }

    void windowTitleOptionLeavesTheCaptionAlone() {
        // A virtual X display of the test's own, where the program's window names are seen.
        const QString display = FreeDisplay();
        QVERIFY(!display.isEmpty());
        QProcess server;
        server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-nolisten"),
                                              QStringLiteral("tcp"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("800x600x24")});
        QVERIFY2(server.waitForStarted(), "Xvfb (package xvfb) is needed");
        const QString socket = QStringLiteral("/tmp/.X11-unix/X") + display.mid(1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), kStartTimeoutMs);

        Run run(QStringLiteral("xcb"), display);
        run.Start({QStringLiteral("-qwindowtitle"), QStringLiteral("X")});
        QVERIFY(run.WaitForOrdinaryStart());
        // The names of the program's top-level windows, once one is shown.
        QStringList names;
        QDeadlineTimer deadline(kStartTimeoutMs);
        while (names.isEmpty() && !deadline.hasExpired()) {
            QProcess list;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DISPLAY"), display);
            list.setProcessEnvironment(environment);
            list.start(QStringLiteral("xwininfo"),
                       {QStringLiteral("-root"), QStringLiteral("-children")});
            QVERIFY2(list.waitForFinished() && list.exitCode() == 0,
                     "xwininfo (package x11-utils) is needed");
            static const QRegularExpression window(
                QStringLiteral("^\\s*0x[0-9a-f]+ \"([^\"]*)\": \\(\"rangwerk\""));
            for (const QString& line :
                 QString::fromLocal8Bit(list.readAllStandardOutput()).split(u'\n')) {
                const QRegularExpressionMatch match = window.match(line);
                if (match.hasMatch())
                    names << match.captured(1);
            }
            if (names.isEmpty())
                QTest::qWait(50);
        }
        run.process.kill();
        run.process.waitForFinished();
        server.kill();
        server.waitForFinished();
        QVERIFY(!names.isEmpty());
        QVERIFY2(!names.contains(QStringLiteral("X")), qPrintable(names.join(u',')));
    }

    void theStartRemovesTheFilesTheLastInstallationListed() {
        Run run(QStringLiteral("offscreen"));
        QProcessEnvironment environment = run.process.processEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), run.folder.path());
        run.process.setProcessEnvironment(environment);
        const QString folder = run.folder.filePath(QStringLiteral("rangwerk-%1/").arg(::getuid()));
        QVERIFY(QDir().mkpath(folder));
        const auto write = [&](const QString& name, const QByteArray& contents) {
            QFile file(folder + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        };
        write(QStringLiteral("Update.lst"), "Rangwerk-Installation 1\nNEWS.txt\npayload.exe\n");
        write(QStringLiteral("NEWS.txt"), "news");
        write(QStringLiteral("payload.exe"), "MZ");
        write(QStringLiteral("unlisted.txt"), "stays");
        run.Start({});
        QVERIFY2(run.WaitForOrdinaryStart(), run.process.readAllStandardError().constData());
        QVERIFY(!QFile::exists(folder + QStringLiteral("NEWS.txt")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("payload.exe")));
        QVERIFY(!QFile::exists(folder + QStringLiteral("Update.lst")));
        QVERIFY(QFile::exists(folder + QStringLiteral("unlisted.txt")));
    }

    void displayThatCannotBeOpenedEndsWithExitCodeOne() {
        // An X display number nobody serves, and a platform plugin that does not exist.
        const QString display = FreeDisplay();
        QVERIFY(!display.isEmpty());
        for (const auto& [platform, shown] : {std::pair{QStringLiteral("xcb"), display},
                                              std::pair{QStringLiteral("nichtda"), QString()}}) {
            Run run(platform, shown);
            run.Start({});
            QVERIFY(run.process.waitForFinished(kStartTimeoutMs));
            const QString errors = QString::fromLocal8Bit(run.process.readAllStandardError());
            QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(run.process.exitCode(), 1);
            QVERIFY2(errors.contains(QStringLiteral(
                         "Rangwerk kann nicht starten: Die Anzeige lässt sich nicht öffnen.")),
                     qPrintable(errors));
            QVERIFY(!run.EntryWritten());
        }
    }
};

QTEST_GUILESS_MAIN(StartTest)
#include "start_test.moc"
