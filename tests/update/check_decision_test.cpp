// The update check with a scripted HTTP client: the decision, the news and the result texts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "update/update_check.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

constexpr double kToday = 46364;  // 8 December 2026
constexpr double kSecond = 1.0 / 86400;

// Writes a prepared body into the target, as a server would have sent it.
class ScriptedHttp : public HttpClient {
public:
    HttpResult Get(const HttpRequest& request, const std::string& targetPath,
                   const HttpTransferEvents& events) override {
        requests.push_back(request);
        targets.push_back(targetPath);
        HttpResult result;
        if (!answer) {
            result.errorText = "refused";
            return result;
        }
        std::ofstream out(targetPath, std::ios::binary | std::ios::trunc);
        if (events.begin) {
            events.begin(announced ? announced : std::optional<std::uint64_t>(answer->size()));
        }
        out << *answer;
        if (events.progress && !events.progress(answer->size())) {
            result.status = HttpResult::Status::Aborted;
            return result;
        }
        result.status = HttpResult::Status::Done;
        return result;
    }
    void Abort() override { ++aborts; }

    std::optional<std::string> answer;
    int aborts = 0;
    std::optional<std::uint64_t> announced;
    std::vector<HttpRequest> requests;
    std::vector<std::string> targets;
};

class FixedConnection : public ConnectionQuery {
public:
    bool IsConnected() override {
        ++asked;
        return connected;
    }
    bool connected = true;
    int asked = 0;
};

class FixedClock : public DayClock {
public:
    double Now() override { return now; }
    double now = kToday + 0.6;
};

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("rangwerk-decision-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        inputs.programName = "Ranko";
        inputs.installedDate = kToday - 10;
        inputs.host = {"www.example.invalid", false};
        inputs.tempFolder = folder_.string() + "/";
        inputs.dateFormat = {DateOrder::DayMonthYear, "."};
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    // Runs a check of a description and returns the result text.
    std::string Check(const std::string& description) {
        http.answer = description;
        EXPECT_TRUE(check.CheckForUpdates(inputs));
        return check.BuildCheckResultText();
    }

    fs::path folder_;
    ScriptedHttp http;
    FixedConnection connection;
    SystemTempFiles tempFiles;
    FixedClock clock;
    UpdateCheckInputs inputs;
    UpdateCheck check{{http, connection, tempFiles, clock}};
};

const std::string kNoUpdates =
    "Es stehen keine neuen Updates zur Verf\xC3\xBCgung. Klicken Sie auf \"Beenden\", um den "
    "Assistenten zu verlassen.";

std::string UpdatesText(const std::string& list) {
    return "Es stehen neue Updates zum Download bereit.\r\n\r\nDie Updates beheben folgende "
           "Probleme bzw. stellen folgende neue Funktionen zur Verf\xC3\xBCgung:\r\n" +
           list + "\r\n\r\nKlicken Sie auf \"Weiter\", um die Updates jetzt herunterzuladen.";
}

TEST_F(UpdateCheckTest, FetchesTheDescriptionIntoAUniqueTemporaryFile) {
    inputs.readTimeoutMs = 1234;
    Check("[Ranko]\r\nDate=09.12.2026\r\nFile=Ranko-1.1.zip\r\n");
    ASSERT_EQ(http.requests.size(), 1u);
    EXPECT_EQ(http.requests[0].host, "www.example.invalid");
    EXPECT_EQ(http.requests[0].path, "/Updates.ini");
    EXPECT_EQ(http.requests[0].readTimeoutMs, 1234);
    EXPECT_EQ(http.targets[0], check.DescriptionFile());
    EXPECT_EQ(fs::path(check.DescriptionFile()).parent_path(), folder_);
    EXPECT_EQ(fs::path(check.DescriptionFile()).filename().string().substr(0, 3), "$RW");
    EXPECT_TRUE(check.UpdatesAvailable());
    ASSERT_NE(check.UpdateDescription(), nullptr);
    EXPECT_EQ(check.UpdateFile(), "Ranko-1.1.zip");
    EXPECT_EQ(connection.asked, 1);

    check.Release();
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_EQ(check.UpdateDescription(), nullptr);
    EXPECT_EQ(check.UpdateFile(), "");
}

TEST_F(UpdateCheckTest, WithoutConnectionMakesNoFileAndSendsNoRequest) {
    connection.connected = false;
    http.answer = "[Ranko]\nDate=09.12.2026\n";
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::NoConnection);
    EXPECT_TRUE(http.requests.empty());
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_EQ(check.DescriptionFile(), "");
    EXPECT_FALSE(check.UpdatesAvailable());

    // A host chosen by the environment is asked without the query.
    inputs.host = {"127.0.0.1:8080", true};
    EXPECT_TRUE(check.CheckForUpdates(inputs));
    EXPECT_EQ(connection.asked, 1);
    EXPECT_EQ(http.requests.size(), 1u);

    // Without a host there is nobody to ask, and nothing to fetch.
    inputs.host = {};
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::NoHost);
    EXPECT_EQ(connection.asked, 1);
    EXPECT_EQ(http.requests.size(), 1u);
}

TEST_F(UpdateCheckTest, ASecondCheckDeletesTheFirstFile) {
    Check("[Ranko]\nDate=09.12.2026\n");
    const std::string first = check.DescriptionFile();
    ASSERT_TRUE(fs::exists(first));
    Check("[Ranko]\nDate=01.01.2020\n");
    EXPECT_FALSE(fs::exists(first));
    EXPECT_NE(check.DescriptionFile(), first);
    EXPECT_TRUE(fs::exists(check.DescriptionFile()));
    EXPECT_EQ(FilesInFolder(), 1u);
    EXPECT_FALSE(check.UpdatesAvailable());
}

TEST_F(UpdateCheckTest, EveryFailureLeavesNoUpdateAndNoFile) {
    Check("[Ranko]\nDate=09.12.2026\n");
    ASSERT_TRUE(check.UpdatesAvailable());
    http.answer.reset();
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::Request);
    EXPECT_EQ(check.LastErrorText(), "refused");
    EXPECT_FALSE(check.UpdatesAvailable());
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_EQ(check.BuildCheckResultText(), kNoUpdates);

    // A description over 1 MiB is refused, announced or not.
    http.answer = std::string(kMaxUpdateDescriptionBytes + 1, ';');
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::TooLarge);
    http.announced = 10;
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::TooLarge);
    http.answer = std::string(kMaxUpdateDescriptionBytes, ';');
    http.announced.reset();
    EXPECT_TRUE(check.CheckForUpdates(inputs));

    inputs.tempFolder = folder_.string() + "/missing/";
    EXPECT_FALSE(check.CheckForUpdates(inputs));
    EXPECT_EQ(check.LastFailure(), UpdateCheck::CheckFailure::TempFile);
}

TEST_F(UpdateCheckTest, DecidesAtTheDayBoundary) {
    const std::string sameDay = "[Ranko]\nDate=08.12.2026\n";
    inputs.installedDate = kToday;  // the program file at 00:00:00
    Check(sameDay);
    EXPECT_TRUE(check.UpdatesAvailable());
    inputs.installedDate = kToday + kSecond;
    Check(sameDay);
    EXPECT_FALSE(check.UpdatesAvailable());
    inputs.installedDate = kToday + 0.999;
    Check("[Ranko]\nDate=09.12.2026\n");
    EXPECT_TRUE(check.UpdatesAvailable());
    inputs.installedDate = kToday + 1 + kSecond;
    Check("[Ranko]\nDate=09.12.2026\n");
    EXPECT_FALSE(check.UpdatesAvailable());
}

TEST_F(UpdateCheckTest, MissingOrUnreadableDateCountsAsToday) {
    for (const char* description : {"[Ranko]\nFile=a.zip\n", "[Ranko]\nDate=bald\n"}) {
        inputs.installedDate = kToday - 1 + 0.9;
        Check(description);
        EXPECT_TRUE(check.UpdatesAvailable()) << description;
        inputs.installedDate = kToday;  // today counts from midnight
        Check(description);
        EXPECT_TRUE(check.UpdatesAvailable()) << description;
        inputs.installedDate = kToday + kSecond;
        Check(description);
        EXPECT_FALSE(check.UpdatesAvailable()) << description;
    }
}

TEST_F(UpdateCheckTest, OffersOnlyThroughTheProgramsOwnSection) {
    EXPECT_EQ(Check("[Other]\nDate=09.12.2026\n"), kNoUpdates);
    EXPECT_EQ(Check("[Ranko]\n; nothing\n[Ranko-Linux]\nDate=09.12.2026\n"), kNoUpdates);
    EXPECT_FALSE(check.UpdatesAvailable());
    EXPECT_TRUE(check.UpdateDescription() != nullptr);
    EXPECT_EQ(Check(""), kNoUpdates);
    inputs.programName = "Ranko-Linux";
    Check(
        "[Ranko]\nDate=09.12.2026\nFile=windows.zip\n[ranko-linux]\nDate=09.12.2026\n"
        "File=linux.tar\n");
    EXPECT_TRUE(check.UpdatesAvailable());
    EXPECT_EQ(check.UpdateFile(), "linux.tar");
}

TEST_F(UpdateCheckTest, WordsTheResultByteForByte) {
    EXPECT_EQ(Check("[Ranko]\nDate=09.12.2026\n"), UpdatesText("- keine Angaben gefunden\r\n"));

    inputs.installedDate = kToday + 0.5;
    EXPECT_EQ(Check("[Ranko]\nDate=09.12.2026\nNews='\"07.12.2026: alt\",\"01.01.2026: "
                    "uralt\"'\n"),
              "Es stehen neue Updates zum Download bereit.\r\n\r\nDie Updates beheben folgende "
              "Probleme bzw. stellen folgende neue Funktionen zur Verf\xC3\xBCgung:\r\n"
              "\r\n\r\nKlicken Sie auf \"Weiter\", um die Updates jetzt herunterzuladen.");

    EXPECT_EQ(Check("[Ranko]\nDate=09.12.2026\nNews='\"08.12.2026: Fehler beim Speichern "
                    "behoben\",\"09.12.2026: Neue Farben, gr\xF6\xDF"
                    "ere Schrift\","
                    "\"07.12.2026: alt\"'\n"),
              UpdatesText("- 08.12.2026: Fehler beim Speichern behoben\r\n"
                          "- 09.12.2026: Neue Farben, gr\xC3\xB6\xC3\x9F"
                          "ere Schrift\r\n"));
}

TEST_F(UpdateCheckTest, FiltersAndListsTheNews) {
    inputs.installedDate = kToday + 0.5;
    using Items = std::vector<std::string>;
    // Unquoted items fall apart at every blank; parts without a date stay.
    Check("[Ranko]\nDate=09.12.2026\nNews=08.12.2026: Neue Farben,07.12.2026:alt\n");
    EXPECT_EQ(check.NewsItems(), (Items{"08.12.2026:", "Neue", "Farben"}));
    // Quoted items keep commas and doubled quotes; a trailing comma adds an empty item.
    Check("[Ranko]\nDate=09.12.2026\nNews='\"10.12.2026: \"\"Speichern\"\", schneller\",'\n");
    EXPECT_EQ(check.NewsItems(), (Items{"10.12.2026: \"Speichern\", schneller", ""}));
    EXPECT_EQ(check.BuildCheckResultText(),
              UpdatesText("- 10.12.2026: \"Speichern\", schneller\r\n- \r\n"));
    // Items without a readable date before a colon are kept.
    Check(
        "[Ranko]\nDate=09.12.2026\nNews='\"ohne Datum\",\"demn\xE4"
        "chst: mehr\","
        "\"31.02.2026: kein Tag\",\":leer\",\"1.1.2000: alt\"'\n");
    EXPECT_EQ(check.NewsItems(),
              (Items{"ohne Datum", "demnächst: mehr", "31.02.2026: kein Tag", ":leer"}));
    // The profile reader takes the quotes of a value that begins and ends with one: the first
    // and the last item lose theirs.
    Check("[Ranko]\nDate=09.12.2026\nNews=\"08.12.2026: a\",\"08.12.2026: b\"\n");
    EXPECT_EQ(check.NewsItems(), (Items{"08.12.2026:", "a\"", "08.12.2026: b"}));
    // An empty value gives an empty list.
    EXPECT_EQ(Check("[Ranko]\nDate=09.12.2026\nNews=\n"), UpdatesText(""));
    // Two-digit years and day-month dates in the user's format.
    inputs.dateFormat = {DateOrder::MonthDayYear, "/"};
    Check(
        "[Ranko]\nDate=12/9/26\nNews='\"12/8/26: heute\",\"12/7: gestern\",\"12/10/2026: "
        "morgen\"'\n");
    EXPECT_TRUE(check.UpdatesAvailable());
    EXPECT_EQ(check.NewsItems(), (Items{"12/8/26: heute", "12/10/2026: morgen"}));
}

TEST(UpdateCheckTexts, NoConnectionBoxAndNewsList) {
    const MessageRequest box = NoConnectionMessage();
    EXPECT_EQ(box.text, "Es besteht keine Internetverbindung.");
    EXPECT_EQ(box.caption, "Internetverbindung erforderlich");
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_EQ(box.buttons, std::vector<MessageButton>{MessageButton::Ok});
    EXPECT_EQ(FormatNewsList({}), "");
    EXPECT_EQ(FormatNewsList({"a", "", "b c"}), "- a\r\n- \r\n- b c\r\n");
}

TEST(UpdateHost, TheEnvironmentComesBeforeTheBuiltInHost) {
    const std::string builtIn = "updates.example.invalid";
    EXPECT_EQ(ResolveUpdateHost(nullptr, builtIn), (UpdateHost{builtIn, false}));
    EXPECT_EQ(ResolveUpdateHost(" \t", builtIn), (UpdateHost{builtIn, false}));
    EXPECT_EQ(ResolveUpdateHost(" 127.0.0.1:8080 ", builtIn), (UpdateHost{"127.0.0.1:8080", true}));
    EXPECT_EQ(ResolveUpdateHost("127.0.0.1:8080", ""), (UpdateHost{"127.0.0.1:8080", true}));
    // A build that set no host knows none: it is not the maker's web host.
    EXPECT_FALSE(ResolveUpdateHost(nullptr, "").Known());
#if defined(_WIN64)
    EXPECT_STREQ(kUpdateProgramName, "Ranko-Win64");
#elif defined(_WIN32)
    EXPECT_STREQ(kUpdateProgramName, "Ranko");
#else
    EXPECT_STREQ(kUpdateProgramName, "Ranko-Linux");
#endif
}

TEST(UpdateCheckTexts, ArchiveNamesStayBelowUpdates) {
    for (const char* allowed : {"Ranko.zip", "Ranko 1.1.zip", "2026/Ranko.zip", "./Ranko.zip",
                                "Ranko..zip", "Ranko%201.zip", "a/b/c.zip?v=2"}) {
        EXPECT_TRUE(IsArchiveBelowUpdates(allowed)) << allowed;
    }
    for (const char* refused : {"",
                                "../Ranko.zip",
                                "a/../../Ranko.zip",
                                "..",
                                "a/..",
                                "..\\Ranko.zip",
                                "a\\..\\b",
                                "%2e%2e/Ranko.zip",
                                "%2E%2e%2fRanko.zip",
                                "%252e%252e/Ranko.zip",
                                ".. /x",
                                "a/.../b",
                                "http://other.example/Ranko.zip",
                                "file:///etc/passwd",
                                "C:\\Ranko.zip",
                                "mailto:x@y",
                                "//other.example/Ranko.zip",
                                "/Ranko.zip",
                                "\\\\server\\Ranko.zip",
                                "%2F%2Fother.example/x",
                                "Ranko.zip\r\nHost: other",
                                "a\tb"}) {
        EXPECT_FALSE(IsArchiveBelowUpdates(refused)) << refused;
    }
}

}  // namespace
}  // namespace rangwerk
