// The HTTP client (Qt Network on Linux, WinINet on Windows) and the whole update check against a
// real server on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/environment.h"
#include "support/http_test_backend.h"
#include "support/http_test_server.h"
#include "update/update_check.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using testing::HttpTestResponse;
using testing::HttpTestServer;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string SomeBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) % 256);
    }
    return bytes;
}

class HttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::PrepareHttpBackend();
        folder_ = fs::temp_directory_path() /
                  ("rangwerk-http-" + std::to_string(testing_support::ProcessNumber()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        target_ = (folder_ / "body.tmp").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    HttpResult Get(const std::string& path, int timeoutMs = 10000) {
        HttpTransferEvents events;
        events.begin = [this](std::optional<std::uint64_t> length) {
            ++begins;
            announced = length;
        };
        events.progress = [this](std::uint64_t received) {
            progress.push_back(received);
            return !cutAt || received < *cutAt;
        };
        return client.Get({server.Host(), path, timeoutMs}, target_, events);
    }

    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    fs::path folder_;
    std::string target_;
    HttpTestServer server;
    std::unique_ptr<HttpClient> ownClient = testing::MakeHttpClient();
    HttpClient& client = *ownClient;
    int begins = 0;
    std::optional<std::uint64_t> announced;
    std::vector<std::uint64_t> progress;
    std::optional<std::uint64_t> cutAt;
};

TEST_F(HttpTest, StreamsTheBodyAndSendsTheHeadersOfTheProgram) {
    const std::string body = SomeBytes(300000);
    server.Serve("/Updates.ini", {.body = body});
    { std::ofstream(target_, std::ios::binary) << std::string(400000, 'x'); }

    const HttpResult result = Get("/Updates.ini");
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(ReadFile(target_), body);
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(announced, body.size());
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), body.size());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    ASSERT_EQ(server.RequestCount(), 1u);
    const auto request = server.Requests()[0];
    EXPECT_EQ(request.requestLine, "GET /Updates.ini HTTP/1.1");
    EXPECT_EQ(request.Header("Host"), server.Host());
    EXPECT_EQ(request.Header("Accept"), "text/html, */*");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(request.Header("Accept-Encoding"), "identity");
    EXPECT_FALSE(request.Header("Content-Type"));
    EXPECT_FALSE(request.Header("Content-Length"));
    EXPECT_FALSE(request.Header("Cookie"));
}

TEST_F(HttpTest, ABodyWithoutLengthEndsWithTheConnection) {
    const std::string body = SomeBytes(70000);
    server.Serve("/Updates.ini", {.body = body, .sendContentLength = false});
    const HttpResult result = Get("/Updates.ini");
    ASSERT_TRUE(result.ok()) << result.errorText;
    EXPECT_EQ(begins, 1);
    EXPECT_FALSE(announced);
    EXPECT_EQ(ReadFile(target_), body);
}

TEST_F(HttpTest, ErrorStatusesAndRedirectsFail) {
    HttpResult result = Get("/Updates.ini");  // nothing served: 404
    EXPECT_EQ(result.status, HttpResult::Status::Failed);
    EXPECT_EQ(result.errorText, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(begins, 0);
    EXPECT_EQ(ReadFile(target_), "");

    server.Serve("/Updates.ini", {.status = 302,
                                  .reason = "Found",
                                  .body = "moved",
                                  .headers = {{"Location", "http://" + server.Host() + "/b"}}});
    server.Serve("/b", {.body = "[Ranko]\n"});
    result = Get("/Updates.ini");
    EXPECT_EQ(result.status, HttpResult::Status::Failed);
    EXPECT_EQ(result.errorText, "HTTP/1.1 302 Found");
    EXPECT_EQ(server.RequestCount(), 2u);  // the redirect was not followed
    EXPECT_EQ(ReadFile(target_), "");

    server.Serve("/Updates.ini", {.status = 500, .reason = "Internal Server Error"});
    EXPECT_EQ(Get("/Updates.ini").status, HttpResult::Status::Failed);
}

TEST_F(HttpTest, EncodesBlanksInThePath) {
    server.Serve("/Updates/Ranko%201.1.zip", {.body = "zip"});
    ASSERT_TRUE(Get("/Updates/Ranko 1.1.zip").ok());
    EXPECT_EQ(server.Requests()[0].requestLine, "GET /Updates/Ranko%201.1.zip HTTP/1.1");
    EXPECT_EQ(ReadFile(target_), "zip");
}

TEST_F(HttpTest, KeepsNoCookies) {
    server.Serve("/a", {.body = "a", .headers = {{"Set-Cookie", "session=1; Path=/"}}});
    ASSERT_TRUE(Get("/a").ok());
    ASSERT_TRUE(Get("/a").ok());
    ASSERT_EQ(server.RequestCount(), 2u);
    EXPECT_FALSE(server.Requests()[1].Header("Cookie"));
}

TEST_F(HttpTest, ARefusedConnectionFails) {
    testing::RefusingPort port;
    const auto result = client.Get({port.Host(), "/Updates.ini", 10000}, target_, {});
    EXPECT_EQ(result.status, HttpResult::Status::Failed);
    EXPECT_FALSE(result.errorText.empty());
    // No host at all: nothing is sent.
    EXPECT_EQ(client.Get({"", "/Updates.ini", 10000}, target_, {}).status,
              HttpResult::Status::Failed);
}

TEST_F(HttpTest, AStalledBodyFailsAfterTheReadTimeout) {
    server.Serve("/Updates.ini",
                 {.body = SomeBytes(1000), .stallAfterBytes = 100, .stallMs = 20000});
    const auto start = std::chrono::steady_clock::now();
    const HttpResult result = Get("/Updates.ini", 300);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.status, HttpResult::Status::Failed);
    EXPECT_EQ(result.errorText, "Read timed out.");
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
    EXPECT_EQ(ReadFile(target_), SomeBytes(100));
}

TEST_F(HttpTest, ABodyShorterThanAnnouncedFails) {
    server.Serve("/Updates.ini", {.body = SomeBytes(5000), .stallAfterBytes = 1000, .stallMs = 0});
    const HttpResult result = Get("/Updates.ini");
    EXPECT_EQ(result.status, HttpResult::Status::Failed);
    EXPECT_EQ(announced, 5000u);
}

TEST_F(HttpTest, TheProgressCallbackCutsTheTransferWhileEventsFlow) {
    server.Serve("/Updates/Ranko.zip",
                 {.body = SomeBytes(100000), .chunkBytes = 10000, .chunkPauseMs = 30});
    const testing::EventTicker ticker(5);
    cutAt = 30000;
    const HttpResult result = Get("/Updates/Ranko.zip");
    EXPECT_EQ(result.status, HttpResult::Status::Aborted);
    ASSERT_FALSE(progress.empty());
    EXPECT_GE(progress.back(), 30000u);
    EXPECT_LT(progress.back(), 100000u);
    EXPECT_GT(ticker.Ticks(), 0);  // the nested loop went on handling events
}

using Clock = std::chrono::steady_clock;

// The server sees the connection of an aborted request closed within this time.
#ifdef _WIN32
// WinINet under Wine: closing the request handle does not wake a call that waits for the
// server, so the connection closes once that call returns by itself, with the next byte or
// at the read time-out (3 s in the test below). Get returns at once all the same.
constexpr auto kAbortedConnectionClosedWithin = std::chrono::milliseconds(4500);
#else
constexpr auto kAbortedConnectionClosedWithin = std::chrono::seconds(1);
#endif

// Abort, called from a handler that runs inside Get, ends the transfer within a second in
// every phase: before the answer's header, between the bytes of a body without length that
// trickles in, and in a body that never ends. The server sees the connection closed.
TEST_F(HttpTest, AbortEndsTheTransferInEveryPhaseWithinASecond) {
    const HttpTestResponse phases[] = {
        {.body = "[Ranko]\r\n", .stallBeforeHeadersMs = 30000},
        {.body = "[Ranko]\r\n",
         .sendContentLength = false,
         .trickleEveryMs = 4000,
         .endless = true},
        {.body = SomeBytes(64 * 1024),
         .sendContentLength = false,
         .chunkPauseMs = 5,
         .endless = true},
    };
    for (std::size_t i = 0; i < std::size(phases); ++i) {
        SCOPED_TRACE(i);
        const std::string path = "/phase" + std::to_string(i);
        server.Serve(path, phases[i]);
        Clock::time_point abortedAt;
        testing::RunAfter(400, [&] {
            abortedAt = Clock::now();
            client.Abort();
        });
        const HttpResult result = Get(path, 3000);
        const auto returnedAt = Clock::now();
        EXPECT_EQ(result.status, HttpResult::Status::Aborted) << result.errorText;
        EXPECT_LT(returnedAt - abortedAt, std::chrono::seconds(1));
        const auto closedAt = server.WaitForClientClose(i, 6000);
        ASSERT_TRUE(closedAt.has_value());
        EXPECT_LT(*closedAt - abortedAt, kAbortedConnectionClosedWithin);
    }
    // Without a running request Abort does nothing: the next one goes through.
    client.Abort();
    server.Serve("/Updates.ini", {.body = "[Ranko]\r\n"});
    EXPECT_TRUE(Get("/Updates.ini").ok());
}

// The check with the real client.
class FixedConnection : public ConnectionQuery {
public:
    bool IsConnected() override { return connected; }
    bool connected = true;
};

class FixedClock : public DayClock {
public:
    double Now() override { return 46364.5; }  // 8 December 2026, noon
};

class CheckOverHttpTest : public HttpTest {
protected:
    void SetUp() override {
        HttpTest::SetUp();
        inputs.programName = "Ranko";
        inputs.installedDate = 46364.25;
        inputs.host = {server.Host(), false};
        inputs.tempFolder = folder_.string() + "/";
        inputs.dateFormat = {DateOrder::DayMonthYear, "."};
    }

    FixedConnection connection;
    SystemTempFiles tempFiles;
    FixedClock clock;
    UpdateCheckInputs inputs;
    UpdateCheck check{{client, connection, tempFiles, clock}};
};

TEST_F(CheckOverHttpTest, FindsAnUpdateInTheServedDescription) {
    server.Serve("/Updates.ini", {.body = "[Ranko]\r\nDate=09.12.2026\r\nFile=Ranko-1.1.zip\r\n"
                                          "News='\"09.12.2026: Gr\xF6\xDF"
                                          "ere Schrift\"'\r\n",
                                  .sendContentLength = false});
    ASSERT_TRUE(check.CheckForUpdates(inputs)) << check.LastErrorText();
    EXPECT_TRUE(check.UpdatesAvailable());
    EXPECT_EQ(check.UpdateFile(), "Ranko-1.1.zip");
    EXPECT_EQ(check.BuildCheckResultText(),
              "Es stehen neue Updates zum Download bereit.\r\n\r\nDie Updates beheben folgende "
              "Probleme bzw. stellen folgende neue Funktionen zur Verf\xC3\xBCgung:\r\n"
              "- 09.12.2026: Gr\xC3\xB6\xC3\x9F"
              "ere Schrift\r\n"
              "\r\n\r\nKlicken Sie auf \"Weiter\", um die Updates jetzt herunterzuladen.");
    EXPECT_EQ(server.Requests()[0].requestLine, "GET /Updates.ini HTTP/1.1");

    // A second check deletes the first file.
    const std::string first = check.DescriptionFile();
    server.Serve("/Updates.ini", {.body = "[Ranko]\r\nDate=01.12.2026\r\n"});
    ASSERT_TRUE(check.CheckForUpdates(inputs));
    EXPECT_FALSE(check.UpdatesAvailable());
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(CheckOverHttpTest, FailsWithoutConnectionOrDescription) {
    connection.connected = false;
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::NoConnection);
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_EQ(FilesInFolder(), 0u);

    connection.connected = true;
    EXPECT_FALSE(check.CheckForUpdates(inputs));  // 404
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::Request);
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(FilesInFolder(), 0u);

    inputs.readTimeoutMs = 300;
    server.Serve("/Updates.ini", {.body = "[Ranko]\r\nDate=09.12.2026\r\n", .stallAfterBytes = 5});
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastErrorText(), "Read timed out.");
    EXPECT_FALSE(check.UpdatesAvailable());
}

TEST_F(CheckOverHttpTest, RefusesADescriptionOverOneMebibyte) {
    const std::string huge = "[Ranko]\r\nDate=09.12.2026\r\n" + std::string(1 << 20, ';');
    server.Serve("/Updates.ini", {.body = huge});
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::TooLarge);
    // A body without length that never ends is cut at the limit as well.
    server.Serve("/Updates.ini", {.body = huge, .sendContentLength = false, .endless = true});
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::TooLarge);
    EXPECT_FALSE(check.UpdatesAvailable());
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(CheckOverHttpTest, ACancelledCheckEndsAtOnceAndLeavesNoFile) {
    server.Serve("/Updates.ini", {.body = "[Ranko]\r\nDate=09.12.2026\r\n",
                                  .sendContentLength = false,
                                  .trickleEveryMs = 4000});
    Clock::time_point abortedAt;
    testing::RunAfter(400, [&] {
        abortedAt = Clock::now();
        check.Abort();
    });
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_LT(Clock::now() - abortedAt, std::chrono::seconds(1));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::Aborted);
    EXPECT_FALSE(check.UpdatesAvailable());
    EXPECT_EQ(FilesInFolder(), 0u);
}

}  // namespace
}  // namespace rangwerk
