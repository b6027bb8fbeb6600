// DownloadArchive with a scripted client: flags, progress texts, cancel, retry and failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "update/archive_download.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Serves bodies from a table by path, in chunks, reporting like the real client: the length (or
// none) once, then the count after every chunk written to the file.
class ScriptedClient : public HttpClient {
public:
    struct Answer {
        std::string body;
        bool announceLength = true;
        std::size_t chunk = 1024;
        std::string failure;  // not empty: the request fails with this text after the body
    };
    std::vector<std::pair<std::string, Answer>> answers;
    std::vector<std::string> requested;
    std::function<void()> duringGet;  // runs while Get blocks, before the body

    const Answer* Find(const std::string& path) const {
        for (const auto& [p, answer] : answers) {
            if (p == path) {
                return &answer;
            }
        }
        return nullptr;
    }

    HttpResult Get(const HttpRequest& request, const std::string& target,
                   const HttpTransferEvents& events) override {
        requested.push_back(request.host + request.path);
        EXPECT_EQ(request.readTimeoutMs, 10000);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (duringGet) {
            duringGet();
        }
        HttpResult result;
        const Answer* answer = Find(request.path);
        if (!answer) {
            result.errorText = "HTTP/1.1 404 Not Found";
            return result;
        }
        if (events.begin) {
            events.begin(answer->announceLength ? std::optional<std::uint64_t>(answer->body.size())
                                                : std::nullopt);
        }
        std::size_t sent = 0;
        while (sent < answer->body.size()) {
            const std::size_t n = std::min(answer->chunk, answer->body.size() - sent);
            out.write(answer->body.data() + sent, static_cast<std::streamsize>(n));
            out.flush();
            sent += n;
            if (events.progress && !events.progress(sent)) {
                result.status = HttpResult::Status::Aborted;
                return result;
            }
        }
        if (!answer->failure.empty()) {
            result.errorText = answer->failure;
            return result;
        }
        result.status = HttpResult::Status::Done;
        return result;
    }
};

class ArchiveDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("rangwerk-download-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        archive_ = (folder_ / "Ranko.zip").string();
        hooks_.setMaximum = [this](std::uint64_t maximum) { maxima_.push_back(maximum); };
        hooks_.show = [this](const DownloadDisplay& display) { shown_.push_back(display); };
        hooks_.processEvents = [this] {
            ++pumped_;
            if (onEvents_) {
                onEvents_();
            }
        };
        hooks_.nowSeconds = [this] { return now_; };
        hooks_.wait = [this](int ms) {
            waited_.push_back(ms);
            EXPECT_TRUE(fs::exists(archive_)) << "deleted before the pause";
        };
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
    std::string archive_;
    ArchiveDownloadHooks hooks_;
    ScriptedClient client_;
    std::vector<std::uint64_t> maxima_;
    std::vector<DownloadDisplay> shown_;
    std::vector<int> waited_;
    int pumped_ = 0;
    double now_ = 1000;
    std::function<void()> onEvents_;
};

TEST_F(ArchiveDownloadTest, ShowsProgressAtEveryReportAndFetchesTheSignature) {
    const std::string body(3145728, 'z');
    client_.answers = {{"/Updates/Ranko.zip", {body, true, 3145728 / 4, ""}},
                       {"/Updates/Ranko.zip.sig", {std::string(64, 's'), true, 64, ""}}};
    ArchiveDownload download(client_, hooks_, ProgressFormat{",", "HH:mm:ss"});
    bool downloadingSeen = false;
    client_.duringGet = [&] { downloadingSeen = downloadingSeen || download.Downloading(); };
    onEvents_ = [&] { now_ += 10; };  // each quarter takes ten seconds

    const ArchiveDownloadResult result = download.Run("127.0.0.1:8080", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Completed);
    EXPECT_TRUE(downloadingSeen);
    EXPECT_FALSE(download.Downloading());
    EXPECT_EQ(client_.requested,
              (std::vector<std::string>{"127.0.0.1:8080/Updates/Ranko.zip",
                                        "127.0.0.1:8080/Updates/Ranko.zip.sig"}));
    EXPECT_EQ(maxima_, (std::vector<std::uint64_t>{3145728}));  // the signature sets none
    ASSERT_EQ(shown_.size(), 4u);
    EXPECT_EQ(pumped_, 4);
    EXPECT_EQ(shown_[0].position, 786432u);
    EXPECT_EQ(shown_[0].percent, "25 %");
    EXPECT_EQ(shown_[0].status, "768 KB von 3 MB gedownloadet");
    EXPECT_EQ(shown_[0].timeLeft, "verbleibende Zeit: 00:00:30");
    EXPECT_EQ(shown_[1].percent, "50 %");
    EXPECT_EQ(shown_[1].status, "1,5 MB von 3 MB gedownloadet");
    EXPECT_EQ(shown_[1].timeLeft, "verbleibende Zeit: 00:00:20");
    EXPECT_EQ(shown_[3].percent, "100 %");
    EXPECT_EQ(shown_[3].timeLeft, "verbleibende Zeit: 00:00:00");
    EXPECT_EQ(fs::file_size(archive_), body.size());
    EXPECT_EQ(Read(archive_ + ".sig"), std::string(64, 's'));
    EXPECT_TRUE(waited_.empty());
}

TEST_F(ArchiveDownloadTest, ACancelCutsAtTheNextReportAndARetryStartsFromAnEmptyFile) {
    client_.answers = {{"/Updates/Ranko.zip", {std::string(10000, 'a'), true, 1000, ""}}};
    ArchiveDownload download(client_, hooks_);
    int reports = 0;
    onEvents_ = [&] {
        if (++reports == 3) {
            download.RequestCancel();  // "Ja" to the question, nested in the transfer
        }
    };
    ArchiveDownloadResult result = download.Run("h", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Aborted);
    EXPECT_TRUE(download.DownloadAborted());
    EXPECT_FALSE(download.Downloading());
    EXPECT_EQ(shown_.size(), 3u);  // the report that carried out the cancel still shows
    EXPECT_EQ(waited_, (std::vector<int>{3000}));
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_EQ(client_.requested.size(), 1u);  // no signature for a cut-off archive

    // The retry: flags cleared, a new transfer from an empty file.
    download.ResetForRetry();
    EXPECT_FALSE(download.CancelRequested());
    EXPECT_FALSE(download.DownloadAborted());
    client_.answers[0].second.body = std::string(2500, 'b');
    onEvents_ = nullptr;
    shown_.clear();
    result = download.Run("h", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Completed);
    EXPECT_EQ(Read(archive_), std::string(2500, 'b'));
    ASSERT_FALSE(shown_.empty());
    EXPECT_EQ(shown_.front().position, 1000u);
    EXPECT_FALSE(fs::exists(archive_ + ".sig"));  // none on the server
}

TEST_F(ArchiveDownloadTest, WithoutAnnouncedLengthNoDisplayAndNoCancel) {
    client_.answers = {{"/Updates/Ranko.zip", {std::string(5000, 'n'), false, 1000, ""}}};
    ArchiveDownload download(client_, hooks_);
    client_.duringGet = [&] { download.RequestCancel(); };
    const ArchiveDownloadResult result = download.Run("h", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Completed);
    EXPECT_EQ(maxima_, (std::vector<std::uint64_t>{0}));
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(pumped_, 0);
    EXPECT_FALSE(download.DownloadAborted());
    EXPECT_EQ(fs::file_size(archive_), 5000u);
}

TEST_F(ArchiveDownloadTest, AFailedTransferReportsItsOwnTextAndEndsTheDownload) {
    ArchiveDownload download(client_, hooks_);
    // A missing archive on the server.
    ArchiveDownloadResult result = download.Run("h", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText, "HTTP/1.1 404 Not Found");
    EXPECT_FALSE(download.Downloading());
    EXPECT_FALSE(download.DownloadAborted());
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_TRUE(waited_.empty());

    // The connection lost half way: the partial archive does not stay behind.
    client_.answers = {
        {"/Updates/Ranko.zip", {std::string(3000, 'p'), true, 1000, "Connection closed."}}};
    result = download.Run("h", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText, "Connection closed.");
    EXPECT_FALSE(fs::exists(archive_));

    // A client that throws leaves the flag cleared as well.
    client_.duringGet = [] { throw std::runtime_error("Socket Error # 10054"); };
    result = download.Run("h", "Ranko.zip", archive_);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText, "Socket Error # 10054");
    EXPECT_FALSE(download.Downloading());
}

}  // namespace
}  // namespace rangwerk
