// DownloadArchive through the real HTTP client (Qt Network on Linux, WinINet on Windows) against
// a local server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/environment.h"
#include "support/http_test_backend.h"
#include "support/http_test_server.h"
#include "ui/qt/qt_http_client.h"
#include "update/archive_download.h"
#include "update/install_test_support.h"
#include "update/installation.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using testing::HttpTestResponse;
using testing::HttpTestServer;
using Clock = std::chrono::steady_clock;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class NetDownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::PrepareHttpBackend(); }

    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("rangwerk-net-" + std::to_string(testing_support::ProcessNumber()));
        fs::create_directories(folder_);
        archive_ = (folder_ / "Ranko.zip").string();
        hooks_.setMaximum = [this](std::uint64_t maximum) { maxima_.push_back(maximum); };
        hooks_.show = [this](const DownloadDisplay& display) { shown_.push_back(display); };
        hooks_.processEvents = [this] {
            if (onEvents_) {
                onEvents_();
            }
        };
        // The download begins at 0 s; every report afterwards sees 10 s elapsed.
        hooks_.nowSeconds = [this] { return clockCalls_++ == 0 ? 0.0 : 10.0; };
        hooks_.wait = [this](int ms) { waited_.push_back(ms); };
    }
    // On Windows the list of a prepared installation stays locked until the process ends, and
    // with it the folder.
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    // Serves `body` as the archive with the maker's signature beside it.
    void ServeSigned(HttpTestResponse archive) {
        HttpTestResponse signature;
        signature.body = install_test::Sign(key_.get(), archive.body);
        server_.Serve("/Updates/Ranko.zip", std::move(archive));
        server_.Serve("/Updates/Ranko.zip.sig", signature);
    }
    ArchiveDownloadResult Run(ArchiveDownload& download) {
        return download.Run(server_.Host(), "Ranko.zip", archive_, trusted_);
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    const DownloadDisplay* ShownAt(std::uint64_t position) const {
        for (const DownloadDisplay& display : shown_) {
            if (display.position == position) {
                return &display;
            }
        }
        return nullptr;
    }

    HttpTestServer server_;
    std::unique_ptr<HttpClient> ownClient_ = testing::MakeHttpClient();
    HttpClient& client_ = *ownClient_;
    fs::path folder_;
    std::string archive_;
    ArchiveDownloadHooks hooks_;
    std::vector<std::uint64_t> maxima_;
    std::vector<DownloadDisplay> shown_;
    std::vector<int> waited_;
    int clockCalls_ = 0;
    std::function<void()> onEvents_;
    install_test::Key key_ = install_test::MakeKey();
    std::vector<std::string> trusted_{install_test::PublicPem(key_.get())};
};

TEST_F(NetDownloadTest, ProgressTextsAtKnownByteCounts) {
    HttpTestResponse archive;
    archive.body = std::string(3145728, 'r');
    archive.chunkBytes = 3145728 / 4;  // a pause after every quarter
    archive.chunkPauseMs = 100;
    ServeSigned(archive);

    ArchiveDownload download(client_, hooks_, ProgressFormat{",", "HH:mm:ss"});
    const ArchiveDownloadResult result = Run(download);
    ASSERT_EQ(result.status, ArchiveDownloadResult::Status::Completed) << result.errorText;
    EXPECT_EQ(maxima_, (std::vector<std::uint64_t>{3145728}));
    const DownloadDisplay* quarter = ShownAt(3145728 / 4);
    ASSERT_NE(quarter, nullptr);
    EXPECT_EQ(quarter->percent, "25 %");
    EXPECT_EQ(quarter->timeLeft, "verbleibende Zeit: 00:00:30");
    const DownloadDisplay* half = ShownAt(3145728 / 2);
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->percent, "50 %");
    EXPECT_EQ(half->status, "1,5 MB von 3 MB gedownloadet");
    ASSERT_NE(ShownAt(3145728), nullptr);
    EXPECT_EQ(fs::file_size(archive_), 3145728u);
    EXPECT_EQ(Read(archive_ + ".sig"), install_test::Sign(key_.get(), archive.body));
}

TEST_F(NetDownloadTest, CancelMidTransferThenRetryFromAnEmptyFile) {
    HttpTestResponse slow;
    slow.body = std::string(1 << 20, 'a');
    slow.chunkBytes = 32 * 1024;
    slow.chunkPauseMs = 20;
    server_.Serve("/Updates/Ranko.zip", slow);
    ArchiveDownload download(client_, hooks_);
    int reports = 0;
    onEvents_ = [&] {
        if (++reports == 3) {
            download.RequestCancel();
        }
    };
    ArchiveDownloadResult result = Run(download);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Aborted) << result.errorText;
    EXPECT_TRUE(download.DownloadAborted());
    EXPECT_FALSE(download.Downloading());
    EXPECT_EQ(waited_, (std::vector<int>{3000}));
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_LT(shown_.back().position, slow.body.size());

    // "Erneut versuchen": a smaller archive now, written into an empty file.
    HttpTestResponse retry;
    retry.body = std::string(100000, 'b');
    ServeSigned(retry);
    download.ResetForRetry();
    onEvents_ = nullptr;
    shown_.clear();
    result = Run(download);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Completed) << result.errorText;
    EXPECT_EQ(Read(archive_), retry.body);
    ASSERT_FALSE(shown_.empty());
    EXPECT_LE(shown_.front().position, retry.body.size());
    EXPECT_EQ(shown_.back().position, retry.body.size());
}

TEST_F(NetDownloadTest, AMissingArchiveFailsWithTheTransfersOwnText) {
    ArchiveDownload download(client_, hooks_);
    const ArchiveDownloadResult result = Run(download);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_FALSE(result.errorText.empty());
    EXPECT_FALSE(download.Downloading());
    EXPECT_FALSE(download.DownloadAborted());
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_TRUE(waited_.empty());
}

TEST_F(NetDownloadTest, WithoutContentLengthNoProgressIsShown) {
    HttpTestResponse unsized;
    unsized.body = std::string(300000, 'u');
    unsized.sendContentLength = false;
    unsized.chunkBytes = 50000;
    unsized.chunkPauseMs = 10;
    ServeSigned(unsized);
    ArchiveDownload download(client_, hooks_);
    const ArchiveDownloadResult result = Run(download);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Completed) << result.errorText;
    EXPECT_EQ(maxima_, (std::vector<std::uint64_t>{0}));
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(Read(archive_), unsized.body);
}

// The cancel lands within a second whatever the server does: it stalls before the archive's
// header, trickles the archive without a length, or trickles the signature.
TEST_F(NetDownloadTest, ACancelEndsEveryPhaseWithinASecond) {
    const std::string body = std::string(2000, 'z');
    struct Phase {
        HttpTestResponse archive;
        HttpTestResponse signature;
        std::size_t cutRequest;  // the request whose connection the cancel closes
    };
    const Phase phases[] = {
        {{.body = body, .stallBeforeHeadersMs = 30000}, {}, 0},
        {{.body = body, .sendContentLength = false, .trickleEveryMs = 4000}, {}, 0},
        {{.body = body},
         {.body = install_test::Sign(key_.get(), body),
          .sendContentLength = false,
          .trickleEveryMs = 4000},
         1},
    };
    [[maybe_unused]] std::size_t requestsBefore = 0;
    for (std::size_t i = 0; i < std::size(phases); ++i) {
        SCOPED_TRACE(i);
        server_.Serve("/Updates/Ranko.zip", phases[i].archive);
        server_.Serve("/Updates/Ranko.zip.sig", phases[i].signature);
        ArchiveDownload download(client_, hooks_);
        waited_.clear();
        Clock::time_point cancelledAt;
        bool downloadingAtCancel = false;
        testing::RunAfter(500, [&] {
            cancelledAt = Clock::now();
            downloadingAtCancel = download.Downloading();
            download.RequestCancel();
        });
        const ArchiveDownloadResult result = Run(download);
        EXPECT_LT(Clock::now() - cancelledAt, std::chrono::seconds(1));
        EXPECT_TRUE(downloadingAtCancel);
        EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Aborted) << result.errorText;
        EXPECT_TRUE(download.DownloadAborted());
        EXPECT_EQ(waited_, (std::vector<int>{3000}));
#ifndef _WIN32
        // (When WinINet closes the connection under Wine: the client's own test.)
        const auto closedAt =
            server_.WaitForClientClose(requestsBefore + phases[i].cutRequest, 2000);
        ASSERT_TRUE(closedAt.has_value());
        EXPECT_LT(*closedAt - cancelledAt, std::chrono::seconds(1));
#endif
        EXPECT_EQ(FilesInFolder(), 0u);  // neither the archive nor its signature stays
        requestsBefore = server_.RequestCount();
    }
}

// What a server may send at most: an archive without length up to the limit, a signature of
// 4 KiB. More is refused with a German text, and nothing of it stays.
TEST_F(NetDownloadTest, LimitsRefuseEndlessAndOversizedBodies) {
    ArchiveDownloadLimits limits;
    limits.archiveWithoutLength = 1024 * 1024;
    ArchiveDownload download(client_, hooks_, ProgressFormat{",", "HH:mm:ss"}, limits);

    server_.Serve(
        "/Updates/Ranko.zip",
        {.body = std::string(64 * 1024, 'e'), .sendContentLength = false, .endless = true});
    ArchiveDownloadResult result = Run(download);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText,
              "Das Update-Archiv ist größer als 1 MB, und der Server hat seine Größe nicht "
              "angekündigt. Der Download wurde verworfen.");
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_EQ(server_.RequestCount(), 1u);  // no signature asked for

    const std::string tooLarge =
        "Die Signatur des Update-Archivs ist größer als 4 KB. Der Download wurde verworfen.";
    server_.Serve("/Updates/Ranko.zip", {.body = "archive"});
    for (const HttpTestResponse& signature :
         {HttpTestResponse{.body = std::string(4097, 's')},
          HttpTestResponse{.body = "s", .sendContentLength = false, .endless = true}}) {
        server_.Serve("/Updates/Ranko.zip.sig", signature);
        result = Run(download);
        EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
        EXPECT_EQ(result.errorText, tooLarge);
        EXPECT_EQ(FilesInFolder(), 0u);
    }
}

// The archive counts as downloaded only with the maker's signature; otherwise it is a failed
// download, and neither file stays.
TEST_F(NetDownloadTest, AMissingOrWrongSignatureFailsTheDownload) {
    ArchiveDownload download(client_, hooks_);
    server_.Serve("/Updates/Ranko.zip", {.body = "archive"});
    ArchiveDownloadResult result = Run(download);  // no signature on the server
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText,
              "Die Signatur des Update-Archivs kann nicht geladen werden: HTTP/1.1 404 Not "
              "Found. Der Download wurde verworfen.");
    EXPECT_EQ(FilesInFolder(), 0u);

    const install_test::Key stranger = install_test::MakeKey();
    server_.Serve("/Updates/Ranko.zip.sig",
                  {.body = install_test::Sign(stranger.get(), "archive")});
    result = Run(download);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText,
              "Das Update-Archiv trägt keine gültige Signatur des Herstellers. Der Download "
              "wurde verworfen.");
    EXPECT_EQ(FilesInFolder(), 0u);

    server_.Serve("/Updates/Ranko.zip.sig", {.body = "kurz"});
    result = Run(download);
    EXPECT_EQ(result.errorText,
              "Die Signatur des Update-Archivs ist unvollständig. Der Download wurde verworfen.");
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(NetDownloadTest, NamesTakenInTheFolderAreReplacedNotWrittenThrough) {
    // What stands under the archive's and the signature's names (a hard link to another file, a
    // symbolic link) is replaced by new files; the files they lead to stay as they were.
    const fs::path outside =
        folder_.parent_path() /
        ("rangwerk-net-victim-" + std::to_string(testing_support::ProcessNumber()));
    { std::ofstream(outside, std::ios::binary) << "victim"; }
    fs::create_hard_link(outside, archive_);
#ifndef _WIN32
    // (Wine makes no symbolic links.)
    fs::create_symlink(outside, archive_ + ".sig");
#endif
    ArchiveDownload download(client_, hooks_);
    ServeSigned({.body = "archive"});
    EXPECT_EQ(Run(download).status, ArchiveDownloadResult::Status::Completed);
    EXPECT_EQ(Read(archive_), "archive");
    EXPECT_FALSE(fs::is_symlink(archive_ + ".sig"));
    EXPECT_EQ(Read(outside), "victim");
    fs::remove(outside);
}

TEST_F(NetDownloadTest, DownloadedPreparedAndCompletedEndToEnd) {
    install_test::Key key = install_test::MakeKey();
    const fs::path zip = folder_ / "made.zip";
    const std::string batch =
        "@echo off\r\n"
        "copy \"%sRangwerk.exe\" \"%0:sRangwerk.bak\"\r\n"
        "del \"%sRangwerk.exe\"\r\n"
        "copy \"%sRangwerk.exe\" \"%s\"\r\n"
        " rem \xE4 %s\r\n";
    install_test::MakeZip(
        zip, {{"Update.bat", batch}, {"Rangwerk.exe", "program"}, install_test::NewerRelease()});
    HttpTestResponse archive;
    archive.body = Read(zip);
    fs::remove(zip);
    server_.Serve("/Updates/Ranko.zip", archive);
    HttpTestResponse signature;
    signature.body = install_test::Sign(key.get(), archive.body);
    server_.Serve("/Updates/Ranko.zip.sig", signature);

    ArchiveDownload download(client_, hooks_);
    const ArchiveDownloadResult result =
        download.Run(server_.Host(), "Ranko.zip", archive_, {install_test::PublicPem(key.get())});
    ASSERT_EQ(result.status, ArchiveDownloadResult::Status::Completed) << result.errorText;

    InstallationRequest request;
    request.archiveFile = archive_;
    request.tempFolder = folder_.string() + "/";
#ifdef _WIN32
    request.programPath = "C:\\Programme\\Rang $werk\\Rangwerk.exe";
    const std::string p = "C:\\Programme\\Rang $werk\\";  // as the batch names it
    const std::string program = p + "Rangwerk.exe";
#else
    request.programPath = "/opt/Rang $werk/rangwerk";
    const std::string p = "/opt/Rang \\$werk/";
    const std::string program = p + "rangwerk";
#endif
    request.trustedKeys = {install_test::PublicPem(key.get())};
    const InstallationResult installed = PrepareInstallation(request);
    ASSERT_TRUE(installed.prepared) << installed.message;
    const std::string t = request.tempFolder;
    EXPECT_EQ(Read(folder_ / "Update.bat"),
              "@echo off\r\n"
              "copy \"" +
                  p + "Rangwerk.exe\" \"" + p +
                  "Rangwerk.bak\"\r\n"
                  "del \"" +
                  p +
                  "Rangwerk.exe\"\r\n"
                  "copy \"" +
                  t + "Rangwerk.exe\" \"" + p +
                  "\"\r\n"
                  " rem \xE4 " +
                  t +
                  "\r\n"
                  "\"" +
                  program +
                  "\"\r\n"
                  "del " +
                  t + "Update.bat\r\n");
    EXPECT_EQ(Read(folder_ / "Rangwerk.exe"), "program");
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_FALSE(fs::exists(archive_ + ".sig"));
}

}  // namespace
}  // namespace rangwerk
