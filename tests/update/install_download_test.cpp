// DownloadArchive with a scripted client: the flags while the transfer runs, and transfers that
// fail by themselves (the real client against a local server: install_net_download_test.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "support/environment.h"
#include "update/archive_download.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

// Writes `body` into the target, reports it in one piece, then ends with `failure` (or done).
class ScriptedClient : public HttpClient {
public:
    std::string body;
    std::string failure;
    std::function<void()> duringGet;
    // The length the answer announces; empty: the body's.
    std::optional<std::uint64_t> announced;
    int aborts = 0;

    HttpResult Get(const HttpRequest& request, const std::string& target,
                   const HttpTransferEvents& events) override {
        EXPECT_EQ(request.readTimeoutMs, 10000);
        std::ofstream(target, std::ios::binary | std::ios::trunc) << body;
        if (duringGet) {
            duringGet();
        }
        if (events.begin) {
            events.begin(announced ? *announced : body.size());
        }
        if (events.progress) {
            events.progress(body.size());
        }
        HttpResult result;
        result.status = failure.empty() ? HttpResult::Status::Done : HttpResult::Status::Failed;
        result.errorText = failure;
        return result;
    }
    void Abort() override { ++aborts; }
};

TEST(ArchiveDownload, AFailedTransferReportsItsOwnTextAndEndsTheDownload) {
    const fs::path folder =
        fs::temp_directory_path() /
        ("rangwerk-download-" + std::to_string(testing_support::ProcessNumber()));
    fs::create_directories(folder);
    const std::string archive = (folder / "Ranko.zip").string();
    ScriptedClient client;
    int waits = 0;
    ArchiveDownloadHooks hooks;
    hooks.wait = [&](int) { ++waits; };
    ArchiveDownload download(client, hooks);
    bool downloadingSeen = false;

    // The connection lost half way: the text of the transfer, no partial archive left behind.
    client.body = std::string(3000, 'p');
    client.failure = "Connection closed gracefully.";
    client.duringGet = [&] { downloadingSeen = download.Downloading(); };
    ArchiveDownloadResult result = download.Run("h", "Ranko.zip", archive, {});
    EXPECT_TRUE(downloadingSeen);
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText, "Connection closed gracefully.");
    EXPECT_FALSE(download.Downloading());
    EXPECT_FALSE(download.DownloadAborted());
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_EQ(waits, 0);

    // A client that throws leaves the flag cleared as well.
    client.duringGet = [] { throw std::runtime_error("Socket Error # 10054"); };
    result = download.Run("h", "Ranko.zip", archive, {});
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText, "Socket Error # 10054");
    EXPECT_FALSE(download.Downloading());
    EXPECT_FALSE(fs::exists(archive));

    // A server that sends more than it announced: the archive is refused, not cut to size.
    client.duringGet = nullptr;
    client.failure.clear();
    client.body = std::string(3000, 'p');
    client.announced = 2048;
    result = download.Run("h", "Ranko.zip", archive, {});
    EXPECT_EQ(result.status, ArchiveDownloadResult::Status::Failed);
    EXPECT_EQ(result.errorText,
              "Der Server hat mehr Daten gesendet, als er für das Update-Archiv angekündigt hat "
              "(2 KB). Der Download wurde verworfen.");
    EXPECT_FALSE(fs::exists(archive));

    fs::remove_all(folder);
}

}  // namespace
}  // namespace rangwerk
