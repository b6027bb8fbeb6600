// The platform services of the update check: temporary files and regional settings.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "platform/regional_settings.h"
#include "platform/temp_files.h"
#include "support/environment.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using testing_support::SetEnvironment;
using testing_support::UnsetEnvironment;

// The private folder exists only outside Windows, where the update takes the user's own
// temporary folder (GetTempPath); GetTempFileName's names are tested with the platform layer.
#ifndef _WIN32
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() /
                ("rangwerk-check-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(base_);
    }
    void TearDown() override { fs::remove_all(base_); }

    std::string Private() const {
        return (base_ / ("rangwerk-" + std::to_string(getuid()))).string();
    }

    fs::path base_;
};

TEST_F(TempFolderTest, MakesAPrivateFolderWithTrailingSeparator) {
    const auto folder = PrivateTempFolderIn(base_.string());
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, Private() + "/");
    struct stat info {};
    ASSERT_EQ(::lstat(Private().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Again: the same folder; one opened to others is closed again.
    ::chmod(Private().c_str(), 0777);
    EXPECT_EQ(PrivateTempFolderIn(base_.string() + "/"), folder);
    ASSERT_EQ(::lstat(Private().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// Whoever has taken the usual name cannot block this user's updates: the update takes a
// private folder of its own instead, the same one at every run, and says why.
TEST_F(TempFolderTest, ATakenNameGivesAPrivateFolderOfItsOwn) {
    const auto expectOwnFolder = [&](const std::string& why) {
        ::testing::internal::CaptureStderr();
        const auto folder = PrivateTempFolderIn(base_.string());
        const std::string said = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(folder);
        EXPECT_TRUE(std::regex_match(
            *folder, std::regex(std::regex_replace(Private(), std::regex("[.^$|()\\[\\]{}*+?\\\\]"),
                                                   "\\$&") +
                                "-[A-Za-z0-9]{6}/")))
            << *folder;
        struct stat info {};
        ASSERT_EQ(::lstat(folder->c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(said, "rangwerk: Der Ordner \"" + Private() + "\" " + why +
                            "; die Update-Dateien kommen stattdessen in den Ordner \"" +
                            folder->substr(0, folder->size() - 1) + "\".\n");
        // The next run takes the same one.
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(PrivateTempFolderIn(base_.string()), folder);
        ::testing::internal::GetCapturedStderr();
        fs::remove_all(folder->substr(0, folder->size() - 1));
    };

    fs::create_directories(base_ / "elsewhere");
    fs::create_directory_symlink(base_ / "elsewhere", Private());
    expectOwnFolder("ist eine symbolische Verknüpfung");
    EXPECT_TRUE(fs::is_empty(base_ / "elsewhere"));
    fs::remove(Private());
    { std::ofstream(Private()) << "x"; }
    expectOwnFolder("ist kein Ordner");
    fs::remove(Private());

    // Another user has made the folder first, in a shared folder like /tmp (only root can
    // become another user).
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(base_.c_str(), 01777), 0);
        const std::string taken = Private();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool made = ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                              ::mkdir(taken.c_str(), 0777) == 0 &&
                              ::chmod(taken.c_str(), 0777) == 0;
            _exit(made ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        expectOwnFolder("gehört einem anderen Benutzer");
        EXPECT_TRUE(fs::is_empty(Private()));
    }
}

TEST_F(TempFolderTest, CreatesUniqueEmptyFiles) {
    SystemTempFiles files;
    const std::string folder = base_.string() + "/";
    std::set<std::string> made;
    for (int i = 0; i < 50; ++i) {
        const auto path = files.CreateUniqueFile(folder, "$RW");
        ASSERT_TRUE(path);
        EXPECT_TRUE(std::regex_match(*path, std::regex(".*/\\$RW[0-9A-F]{1,4}\\.TMP"))) << *path;
        EXPECT_EQ(fs::path(*path).parent_path(), base_);
        EXPECT_EQ(fs::file_size(*path), 0u);
        made.insert(*path);
    }
    EXPECT_EQ(made.size(), 50u);
    EXPECT_TRUE(files.RemoveFile(*made.begin()));
    EXPECT_FALSE(fs::exists(*made.begin()));
    EXPECT_TRUE(files.RemoveFile(*made.begin()));  // already gone
    EXPECT_FALSE(files.CreateUniqueFile(base_.string() + "/missing/", "$RW"));
}

#endif

TEST(RegionalSettings, ConvertsLocaleFormatsToPictures) {
    EXPECT_EQ(DatePictureFromStrftime("%d.%m.%Y"), "dd.MM.yyyy");
    EXPECT_EQ(DatePictureFromStrftime("%m/%d/%y"), "MM/dd/yy");
    EXPECT_EQ(DatePictureFromStrftime("%F"), "yyyy-MM-dd");
    EXPECT_EQ(DatePictureFromStrftime("%D"), "MM/dd/yy");
    EXPECT_EQ(DatePictureFromStrftime("%Y. %m. %d."), "yyyy. MM. dd.");
    EXPECT_EQ(DatePictureFromStrftime("%-d.%-m.%Y r."), "d.M.yyyy 'r'.");
    EXPECT_EQ(TimePictureFromStrftime("%T"), "HH:mm:ss");
    EXPECT_EQ(TimePictureFromStrftime("%r"), "hh:mm:ss tt");
    EXPECT_EQ(TimePictureFromStrftime("%I:%M:%S %p"), "hh:mm:ss tt");
    EXPECT_EQ(TimePictureFromStrftime("%k.%M"), "H.mm");

    EXPECT_EQ(DateSeparatorOfPicture("dd.MM.yyyy"), ".");
    EXPECT_EQ(DateSeparatorOfPicture("yyyy-MM-dd"), "-");
    EXPECT_EQ(DateSeparatorOfPicture("yyyy. MM. dd."), ". ");
    EXPECT_EQ(DateSeparatorOfPicture("ddMMyyyy"), "/");
}

TEST(RegionalSettings, FormatsTimesWithAPicture) {
    EXPECT_EQ(FormatTimeWithPicture("HH:mm:ss", 0, 0, 30), "00:00:30");
    EXPECT_EQ(FormatTimeWithPicture("H:m:s", 7, 5, 3), "7:5:3");
    EXPECT_EQ(FormatTimeWithPicture("hh:mm:ss tt", 0, 0, 30), "12:00:30 AM");
    EXPECT_EQ(FormatTimeWithPicture("h:mm t", 13, 1, 0), "1:01 P");
    EXPECT_EQ(FormatTimeWithPicture("H 'Uhr' mm", 9, 5, 0), "9 Uhr 05");
    EXPECT_EQ(FormatTimeWithPicture("HH''mm", 9, 5, 0), "09'05");
}

#ifdef _WIN32
// Windows reads the user's regional settings (GetLocaleInfoEx); Wine takes them from the locale
// of its environment, which the Windows stage sets to German.
TEST(RegionalSettings, ReadsTheUsersRegionalSettings) {
    const RegionalSettings german = ReadRegionalSettings();
    // A German Windows gives "dd.MM.yyyy", Wine 8 the shorter "d.M.yyyy".
    EXPECT_TRUE(german.shortDateFormat == "dd.MM.yyyy" || german.shortDateFormat == "d.M.yyyy")
        << german.shortDateFormat;
    EXPECT_EQ(german.dateSeparator, ".");
    EXPECT_EQ(german.decimalSeparator, ",");
    EXPECT_EQ(german.longTimeFormat, "HH:mm:ss");
}
#else
TEST(RegionalSettings, ReadsTheLocaleOfTheEnvironment) {
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old != nullptr ? old : "";
    SetEnvironment("LC_ALL", "C");
    EXPECT_EQ(ReadRegionalSettings(), (RegionalSettings{"MM/dd/yy", "/", ".", "HH:mm:ss"}));
    // A German locale when the system has one (scripts/test.sh does not install it).
    SetEnvironment("LC_ALL", "de_DE.UTF-8");
    const RegionalSettings german = ReadRegionalSettings();
    if (german.shortDateFormat != "MM/dd/yy") {
        EXPECT_EQ(german, (RegionalSettings{"dd.MM.yyyy", ".", ",", "HH:mm:ss"}));
    }
    if (old != nullptr) {
        SetEnvironment("LC_ALL", saved);
    } else {
        UnsetEnvironment("LC_ALL");
    }
}
#endif

}  // namespace
}  // namespace rangwerk
