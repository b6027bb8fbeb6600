// The whole wizard against a local web server: the check, the download through the real HTTP
// client, the signature and the installation, down to the bytes of the completed "Update.bat".

#include "ui/qt/quarv_update_file_statusform.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <zip.h>

#include <stdlib.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry_file.h"
#include "support/find_control.h"
#include "support/http_test_server.h"
#include "support/scripted_dialogs.h"
#include "ui/qt/qt_http_client.h"
#include "update/update_signing.h"

using rangwerk::testing_support::FindControl;
using namespace rangwerk;
using rangwerk::install_test::Key;
using rangwerk::install_test::MakeKey;
using rangwerk::install_test::PublicPem;
using rangwerk::install_test::Sign;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A ZIP archive in memory, made with libzip.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& entries,
                    const fs::path& scratch) {
    int error = 0;
    zip_t* archive = zip_open(scratch.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return {};
    for (const auto& [name, data] : entries) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive);
    std::string bytes = ReadFile(scratch);
    fs::remove(scratch);
    return bytes;
}

class AlwaysConnected : public ConnectionQuery {
public:
    bool IsConnected() override { return true; }
};

class FixedClock : public DayClock {
public:
    double Now() override { return 46000.5; }  // 9 December 2025, noon
};

class RecordingStarter : public UpdateBatchStarter {
public:
    bool Start(const std::string& batchFile, const std::string& tempFolder) override {
        started.emplace_back(batchFile, tempFolder);
        return true;
    }
    std::vector<std::pair<std::string, std::string>> started;
};

template <class T>
T* Child(QWidget& window, const char* name) {
    return FindControl<T>(window, name);
}

// A model text as its label shows it (lines broken at LF).
QString LabelTextOf(const char* text) {
    return QString::fromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

class StatusFormEndToEndTest : public QObject {
    Q_OBJECT

private:
    fs::path root_;
    std::string tempFolder_;
    std::string programPath_;
    std::unique_ptr<testing::HttpTestServer> server_;
    testing::ScriptedDialogs dialogs_;
    std::unique_ptr<FileRegistry> registry_;
    QtHttpClient http_;
    AlwaysConnected connection_;
    SystemTempFiles tempFiles_;
    FixedClock clock_;
    RecordingStarter starter_;
    Key key_;
    int terminations_ = 0;
    int renewals_ = 0;

    std::unique_ptr<TStatusForm> MakeForm() {
        StatusFormServices services;
        services.dialogs = &dialogs_;
        services.registry = registry_.get();
        services.http = &http_;
        services.connection = &connection_;
        services.tempFiles = &tempFiles_;
        services.clock = &clock_;
        services.batchStarter = &starter_;
        services.tempFolder = [this] { return std::optional<std::string>(tempFolder_); };
        services.programPath = programPath_;
        services.host = {server_->Host(), true};
        services.regionalSettings = [] { return RegionalSettings{}; };
        services.trustedKeys = [this] { return std::vector<std::string>{PublicPem(key_.get())}; };
        services.terminate = [this] { ++terminations_; };
        services.renewReminder = [this](const WizardInputs&) { ++renewals_; };
        services.wait = [](int) {};
        auto form = std::make_unique<TStatusForm>(std::move(services));
        WizardInputs inputs;
        inputs.programName = "Ranko";
        inputs.installedDate = 45000;  // 13 March 2023
        form->SetInputs(inputs);
        return form;
    }

    void ServeDescription() {
        server_->Serve("/Updates.ini", {200, "OK",
                                        "[Ranko]\r\nDate=01.12.2025\r\nFile=Ranko.zip\r\n"
                                        "News=\"01.12.2025: Schneller\",01.01.2020:Alt\r\n"});
    }

    void Click(TStatusForm& form, const char* button) {
        QTest::mouseClick(Child<QPushButton>(form, button), Qt::LeftButton);
    }

    // The wizard on the screen, through "Weiter >" on its check page.
    std::unique_ptr<TStatusForm> ShownAtTheCheck() {
        auto form = MakeForm();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        Click(*form, "Button_Next");
        return form;
    }

    std::size_t FilesInTemp() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(root_ / "temp"), fs::directory_iterator()));
    }

private slots:
    void init() {
        std::string pattern = (fs::temp_directory_path() / "rangwerk-wizard-e2e-XXXXXX").string();
        QVERIFY(::mkdtemp(pattern.data()) != nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "temp");
        fs::create_directories(root_ / "rang werk");
        tempFolder_ = (root_ / "temp").string() + "/";
        programPath_ = (root_ / "rang werk" / "rangwerk").string();
        registry_ = std::make_unique<FileRegistry>(root_ / "registry");
        server_ = std::make_unique<testing::HttpTestServer>();
        dialogs_ = {};
        starter_ = {};
        key_ = MakeKey();
        terminations_ = renewals_ = 0;
    }

    void cleanup() {
        server_.reset();
        registry_.reset();
        fs::remove_all(root_);
    }

    void checkDownloadAndInstall() {
        ServeDescription();
        const std::string batch =
            "@echo off\r\n"
            "if exist \"%srangwerk\" echo 100%%\n"
            "echo %-4s|\r"
            "copy \"%0:sRangwerk.neu\" \"%1:srangwerk\"\r\n"
            " del \"%sRanko.txt\"\r\n"
            "echo \xE4 \xFC\r\n";
        const std::string archive = MakeZip({{"Update.bat", batch},
                                             {"Daten/Rangwerk.neu", "neues Programm"},
                                             {"Release.ini", "[Release]\r\nDate=9999-12-31\r\n"}},
                                            root_ / "scratch.zip");
        QVERIFY(!archive.empty());
        testing::HttpTestResponse body{200, "OK", archive};
        body.chunkBytes = 100;
        server_->Serve("/Updates/Ranko.zip", body);
        server_->Serve("/Updates/Ranko.zip.sig", {200, "OK", Sign(key_.get(), archive)});
        fs::create_directories(root_ / "temp");
        std::ofstream(root_ / "temp" / "Update.bat") << "alt";

        auto form = MakeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto* pages = Child<QStackedWidget>(*form, "Pages");
        Click(*form, "Button_Next");
        Click(*form, "Button_Check");
        QCOMPARE(pages->currentIndex(), 2);
        const QString result = Child<QLabel>(*form, "Label_CheckResult")->text();
        QVERIFY2(result.contains("- 01.12.2025: Schneller\n") && !result.contains("Alt"),
                 qPrintable(result));

        Click(*form, "Button_Next");
        QCOMPARE(pages->currentIndex(), 3);
        QVERIFY(dialogs_.messages.empty());
        QCOMPARE(Child<QLabel>(*form, "Label_Download")->text(),
                 QString::fromUtf8(kWizardDownloadDoneText));
        QCOMPARE(Child<QLabel>(*form, "PerCent")->text(), QString("100 %"));
        QVERIFY(Child<QPushButton>(*form, "Button_Next")->isEnabled());
        QCOMPARE(ReadFile(tempFolder_ + "Ranko.zip"), archive);

        Click(*form, "Button_Next");
        QCOMPARE(pages->currentIndex(), 4);
        Click(*form, "Button_Next");
        QCOMPARE(pages->currentIndex(), 5);
        QCOMPARE(Child<QLabel>(*form, "Panel_Title")->text(),
                 QString("Abschließen der Installation"));
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip"));
        QCOMPARE(ReadFile(tempFolder_ + "Rangwerk.neu"), std::string("neues Programm"));

        const std::string program = (root_ / "rang werk").string() + "/";
        const std::string expected =
            "@echo off\r\n"
            "if exist \"" +
            program +
            "rangwerk\" echo 100%\r\n"
            "echo " +
            program +
            "|\r\n"
            "copy \"" +
            tempFolder_ + "Rangwerk.neu\" \"" + program +
            "rangwerk\"\r\n"
            " del \"" +
            tempFolder_ +
            "Ranko.txt\"\r\n"
            "echo \xE4 \xFC\r\n"
            "\"" +
            programPath_ +
            "\"\r\n"
            "del " +
            tempFolder_ + "Update.bat\r\n";
        QCOMPARE(ReadFile(tempFolder_ + "Update.bat"), expected);

        Click(*form, "Button_Next");
        QCOMPARE(terminations_, 1);
        QVERIFY(!form->isVisible());
        form.reset();
        QCOMPARE(renewals_, 1);
        QCOMPARE(starter_.started.size(), std::size_t(1));
        QCOMPARE(starter_.started[0].first, tempFolder_ + "Update.bat");
        QVERIFY(dialogs_.AllAnswered());
    }

    void closeBoxDuringTheTransferCancelsItAndClosesOnceItStopped() {
        ServeDescription();
        testing::HttpTestResponse slow{200, "OK", std::string(400000, 'x')};
        slow.chunkBytes = 4000;
        slow.chunkPauseMs = 20;  // two seconds in all
        server_->Serve("/Updates/Ranko.zip", slow);
        auto form = MakeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        Click(*form, "Button_Next");
        Click(*form, "Button_Check");

        // The close box while the bytes arrive, answered with Ja.
        dialogs_.AnswerMessage(MessageButton::Yes);
        bool downloadingAtClose = false;
        QTimer::singleShot(200, form.get(), [&] {
            downloadingAtClose = form->Model().Downloading();
            form->close();
        });
        QElapsedTimer elapsed;
        elapsed.start();
        Click(*form, "Button_Next");
        QVERIFY(downloadingAtClose);
        QVERIFY2(elapsed.elapsed() < 1800, "the transfer ran to its end");
        QCOMPARE(dialogs_.messages.size(), std::size_t(1));
        QCOMPARE(dialogs_.messages[0].text,
                 std::string("Soll der Download wirklich abgebrochen werden?"));
        QVERIFY(!form->isVisible());
        QVERIFY(form->Model().DownloadAborted());
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip"));
        QCOMPARE(Child<QPushButton>(*form, "CancelDownload")->text(), QString("Erneut versuchen"));
        QCOMPARE(terminations_, 0);
    }

    // "Abbrechen", Escape and the close box, each while the server has not even sent the
    // header of the description: the check ends within a second and the wizard closes,
    // without the no-connection box.
    void cancellingTheCheckClosesTheWizardAtOnce() {
        server_->Serve("/Updates.ini", {.body = "[Ranko]\r\n", .stallBeforeHeadersMs = 30000});
        const std::function<void(TStatusForm&)> ways[] = {
            [this](TStatusForm& form) { Click(form, "Button_Cancel"); },
            [](TStatusForm& form) { QTest::keyClick(&form, Qt::Key_Escape); },
            [](TStatusForm& form) { form.close(); },
        };
        for (std::size_t i = 0; i < std::size(ways); ++i) {
            auto form = ShownAtTheCheck();
            QVERIFY(form);
            std::chrono::steady_clock::time_point cancelledAt;
            bool checkingAtCancel = false;
            QTimer::singleShot(300, form.get(), [&] {
                checkingAtCancel = form->Model().Checking();
                cancelledAt = std::chrono::steady_clock::now();
                ways[i](*form);
            });
            Click(*form, "Button_Check");
            QVERIFY(checkingAtCancel);
            QVERIFY(std::chrono::steady_clock::now() - cancelledAt < std::chrono::seconds(1));
            const auto closedAt = server_->WaitForClientClose(i, 2000);
            QVERIFY(closedAt.has_value());
            QVERIFY(*closedAt - cancelledAt < std::chrono::seconds(1));
            QVERIFY(!form->isVisible());
            QCOMPARE(form->Model().Step(), 1);
            QVERIFY2(dialogs_.messages.empty(),
                     dialogs_.messages.empty() ? "" : dialogs_.messages[0].text.c_str());
            QCOMPARE(FilesInTemp(), std::size_t(0));
        }
    }

    // An archive without a length that trickles in: "Download abbrechen" with Ja cuts it
    // within a second, and the page offers the retry.
    void cancellingATrickleWithoutLengthEndsItAtOnce() {
        ServeDescription();
        server_->Serve(
            "/Updates/Ranko.zip",
            {.body = "PK", .sendContentLength = false, .trickleEveryMs = 4000, .endless = true});
        auto form = ShownAtTheCheck();
        QVERIFY(form);
        Click(*form, "Button_Check");
        dialogs_.AnswerMessage(MessageButton::Yes);
        std::chrono::steady_clock::time_point cancelledAt;
        QTimer::singleShot(500, form.get(), [&] {
            cancelledAt = std::chrono::steady_clock::now();
            Click(*form, "CancelDownload");
        });
        Click(*form, "Button_Next");
        QVERIFY(std::chrono::steady_clock::now() - cancelledAt < std::chrono::seconds(1));
        const auto closedAt = server_->WaitForClientClose(1, 2000);
        QVERIFY(closedAt.has_value());
        QVERIFY(*closedAt - cancelledAt < std::chrono::seconds(1));
        QCOMPARE(dialogs_.messages.size(), std::size_t(1));
        QCOMPARE(dialogs_.messages[0].text,
                 std::string("Soll der Download wirklich abgebrochen werden?"));
        QCOMPARE(Child<QLabel>(*form, "Label_Download")->text(),
                 LabelTextOf(kWizardDownloadAbortedText));
        QCOMPARE(Child<QPushButton>(*form, "CancelDownload")->text(), QString("Erneut versuchen"));
        QVERIFY(!Child<QPushButton>(*form, "Button_Next")->isEnabled());
        QVERIFY(form->isVisible());
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip"));
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip.sig"));
        QVERIFY(dialogs_.AllAnswered());
    }

    // A wrong signature is a failed download: the error box with our text, then the retry
    // page; the page never says that the download succeeded, and nothing of it stays.
    void aWrongSignatureFailsTheDownload() {
        ServeDescription();
        const std::string archive = MakeZip({{"Update.bat", "rem\r\n"}}, root_ / "scratch.zip");
        const Key stranger = MakeKey();
        server_->Serve("/Updates/Ranko.zip", {200, "OK", archive});
        server_->Serve("/Updates/Ranko.zip.sig", {200, "OK", Sign(stranger.get(), archive)});
        auto form = ShownAtTheCheck();
        QVERIFY(form);
        Click(*form, "Button_Check");
        auto* label = Child<QLabel>(*form, "Label_Download");
        QStringList shown;
        dialogs_.AnswerMessage(MessageButton::Ok);
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (shown.isEmpty() || shown.back() != label->text())
                shown.push_back(label->text());
        });
        watch.start(0);
        Click(*form, "Button_Next");
        watch.stop();
        QCOMPARE(dialogs_.messages.size(), std::size_t(1));
        QCOMPARE(dialogs_.messages[0].caption, std::string("Rangwerk"));
        QCOMPARE(dialogs_.messages[0].icon, MessageIcon::Error);
        QCOMPARE(dialogs_.messages[0].text,
                 std::string("Das Update-Archiv trägt keine gültige Signatur des Herstellers. "
                             "Der Download wurde verworfen."));
        QVERIFY(!shown.contains(LabelTextOf(kWizardDownloadDoneText)));
        QCOMPARE(label->text(), LabelTextOf(kWizardDownloadAbortedText));
        QCOMPARE(Child<QPushButton>(*form, "CancelDownload")->text(), QString("Erneut versuchen"));
        QVERIFY(!Child<QPushButton>(*form, "Button_Next")->isEnabled());
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip"));
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip.sig"));
    }

    // A "File" value that leads out of "/Updates/" is refused before any request is sent.
    void anArchiveOutsideTheUpdatesFolderIsNeverRequested() {
        server_->Serve("/Updates.ini", {200, "OK",
                                        "[Ranko]\r\nDate=01.12.2025\r\n"
                                        "File=../Geheim/Ranko.zip\r\n"});
        auto form = ShownAtTheCheck();
        QVERIFY(form);
        Click(*form, "Button_Check");
        dialogs_.AnswerMessage(MessageButton::Ok);
        Click(*form, "Button_Next");
        QCOMPARE(dialogs_.messages.size(), std::size_t(1));
        QCOMPARE(dialogs_.messages[0].text,
                 std::string("Die Update-Beschreibung nennt als Update-Archiv "
                             "\"../Geheim/Ranko.zip\", das nicht im Ordner \"/Updates/\" des "
                             "Servers liegt. Der Download wurde nicht begonnen."));
        QCOMPARE(server_->RequestCount(), std::size_t(1));  // the description alone
        QCOMPARE(Child<QPushButton>(*form, "CancelDownload")->text(), QString("Erneut versuchen"));
    }

    void missingArchiveReportsTheServersErrorAndOffersTheRetry() {
        ServeDescription();
        auto form = MakeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        Click(*form, "Button_Next");
        Click(*form, "Button_Check");
        dialogs_.AnswerMessage(MessageButton::Ok);
        Click(*form, "Button_Next");
        QCOMPARE(dialogs_.messages.size(), std::size_t(1));
        const MessageRequest& box = dialogs_.messages[0];
        QCOMPARE(box.caption, std::string("Rangwerk"));
        QCOMPARE(box.icon, MessageIcon::Error);
        QVERIFY2(box.text.find("404") != std::string::npos ||
                     box.text.find("Not Found") != std::string::npos,
                 box.text.c_str());
        QCOMPARE(Child<QPushButton>(*form, "CancelDownload")->text(), QString("Erneut versuchen"));
        QVERIFY(!Child<QPushButton>(*form, "Button_Next")->isEnabled());
        QVERIFY(!form->Model().Downloading());

        // Once the archive is there, the retry fetches it.
        const std::string archive = MakeZip({{"Update.bat", "rem\r\n"}}, root_ / "scratch.zip");
        server_->Serve("/Updates/Ranko.zip", {200, "OK", archive});
        server_->Serve("/Updates/Ranko.zip.sig", {200, "OK", Sign(key_.get(), archive)});
        Click(*form, "CancelDownload");
        QVERIFY(Child<QPushButton>(*form, "Button_Next")->isEnabled());
        QCOMPARE(ReadFile(tempFolder_ + "Ranko.zip"), archive);

        // Left without installing: no reminder moves, no batch starts, and neither the archive
        // nor its signature stays behind.
        Click(*form, "Button_Cancel");
        QVERIFY(!form->isVisible());
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip"));
        QVERIFY(!fs::exists(tempFolder_ + "Ranko.zip.sig"));
        form.reset();
        QCOMPARE(renewals_, 0);
        QVERIFY(starter_.started.empty());
        QCOMPARE(terminations_, 0);
    }
};

QTEST_MAIN(StatusFormEndToEndTest)
#include "statusform_e2e_test.moc"
