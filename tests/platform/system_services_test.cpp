// The system services behind platform/ that have a Windows and a POSIX backend: temporary
// files, the text of batch lines, the drive type, file times and the connection query. The same
// cases run on both; where the backends differ, each case says what each platform gives.
// Under Wine the tests run in a German locale, so that the OEM code page is 850.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "base/failure.h"
#include "platform/connection_query.h"
#include "platform/drive_type.h"
#include "platform/file_times.h"
#include "platform/oem_text.h"
#include "platform/system.h"
#include "platform/temp_files.h"
#include "platform/update_batch.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 text in the program and become the system's form only at the system call.
fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string Utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path FreshFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() /
                            ("rangwerk-" + name + "-" + std::to_string(SystemSeedSource().Seed()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// Windows: GetTempFileName, "<folder>$RW<up to four hex digits>.TMP", where the letters come in
// either case ("$RW1A2B.tmp" on Windows, "$RW1a2b.tmp" under Wine) as file names there ignore
// it. Elsewhere exactly that form, in capitals.
#ifdef _WIN32
const std::regex kTempName("\\$RW[0-9A-F]{1,4}\\.TMP", std::regex::icase);
#else
const std::regex kTempName("\\$RW[0-9A-F]{1,4}\\.TMP");
#endif

TEST(SystemTempFiles, NamesAreUniqueInTheGivenFolder) {
    const fs::path base = FreshFolder("temp-names");
    // The folder as the update passes it, with its trailing separator.
    const std::string folder = Utf8Of(base / "");
    SystemTempFiles files;
    std::set<std::string> made;
    for (int i = 0; i < 20; ++i) {
        const auto path = files.CreateUniqueFile(folder, "$RW");
        ASSERT_TRUE(path);
        const fs::path file = PathOf(*path);
        EXPECT_TRUE(std::regex_match(file.filename().string(), kTempName)) << *path;
        EXPECT_TRUE(fs::equivalent(file.parent_path(), base)) << *path;
        EXPECT_EQ(fs::file_size(file), 0u);
        made.insert(*path);
    }
    EXPECT_EQ(made.size(), 20u);
    EXPECT_TRUE(files.RemoveFile(*made.begin()));
    EXPECT_FALSE(fs::exists(PathOf(*made.begin())));
    EXPECT_TRUE(files.RemoveFile(*made.begin()));  // already gone: no failure
    // A missing folder gives no name.
    EXPECT_FALSE(files.CreateUniqueFile(Utf8Of(base / "fehlt" / ""), "$RW"));
    fs::remove_all(base);
}

// A folder named with letters outside ASCII: the path stays UTF-8 on both sides.
TEST(SystemTempFiles, FolderWithUmlauts) {
    const fs::path base = FreshFolder("temp-umlauts");
    const fs::path folder = base / PathOf(
                                       "Gr\xC3\xB6\xC3\x9F"
                                       "e");
    fs::create_directories(folder);
    SystemTempFiles files;
    const auto path = files.CreateUniqueFile(Utf8Of(folder / ""), "$RW");
    ASSERT_TRUE(path);
    EXPECT_NE(path->find("Gr\xC3\xB6\xC3\x9F"
                         "e"),
              std::string::npos)
        << *path;
    EXPECT_TRUE(fs::exists(PathOf(*path)));
    fs::remove_all(base);
}

TEST(SystemTempFiles, UserTempFolderEndsWithASeparator) {
    const auto folder = UserTempFolder();
    ASSERT_TRUE(folder);
    ASSERT_FALSE(folder->empty());
#ifdef _WIN32
    EXPECT_EQ(folder->back(), '\\');  // GetTempPath
#else
    EXPECT_EQ(folder->back(), '/');
#endif
    EXPECT_TRUE(fs::is_directory(PathOf(*folder)));
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Windows: CreateFileW with CREATE_NEW after DeleteFileW, no reparse point followed. Elsewhere
// openat with O_CREAT | O_EXCL | O_NOFOLLOW after unlinkat, in the folder's checked descriptor.
TEST(UpdateFolder, EveryFileIsCreatedNewWhateverStoodThere) {
    const fs::path base = FreshFolder("update-folder");
    UpdateFolder folder(Utf8Of(base / ""));
    std::ofstream(base / "old.txt") << "old contents that are longer";
    fs::create_directory(base / "empty");
    for (const std::string name : {"old.txt", "empty", "fresh.txt"}) {
        SCOPED_TRACE(name);
        NewFile file = folder.Create(name);
        EXPECT_TRUE(file.Write("new"));
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(ReadAll(base / name), "new");
    }
    EXPECT_EQ(folder.Read("old.txt", 3), "new");
    EXPECT_EQ(folder.Read("old.txt", 2), std::nullopt);  // larger than the limit
    EXPECT_EQ(folder.Read("missing", 10), std::nullopt);
    EXPECT_TRUE(folder.Rename("fresh.txt", "old.txt"));
    EXPECT_FALSE(fs::exists(base / "fresh.txt"));
    EXPECT_TRUE(folder.Remove("old.txt"));
    EXPECT_TRUE(folder.Remove("old.txt"));  // already gone
    EXPECT_FALSE(fs::exists(base / "old.txt"));
    // Only names directly inside the folder.
    fs::create_directory(base / "sub");
    for (const std::string name : {"../escape", "sub/x", "sub\\x", ".", "..", "", "a\nb"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(folder.Create(name), Failure);
        EXPECT_EQ(folder.Read(name, 10), std::nullopt);
    }
    EXPECT_FALSE(fs::exists(base.parent_path() / "escape"));
    EXPECT_TRUE(fs::is_empty(base / "sub"));
#ifndef _WIN32
    // A link under the name is removed, never followed, and no link is read through.
    const fs::path target = FreshFolder("update-folder-target") / "target.txt";
    std::ofstream(target) << "target";
    fs::create_symlink(target, base / "link");
    EXPECT_EQ(folder.Read("link", 100), std::nullopt);
    NewFile file = folder.Create("link");
    EXPECT_TRUE(file.Write("new"));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadAll(target), "target");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(base / "link")));
    // A folder that is a link is refused.
    fs::create_directory_symlink(base, base.parent_path() / (base.filename().string() + "-link"));
    EXPECT_THROW(
        UpdateFolder(Utf8Of(base.parent_path() / (base.filename().string() + "-link")) + "/"),
        Failure);
    fs::remove(base.parent_path() / (base.filename().string() + "-link"));
    fs::remove_all(target.parent_path());
#endif
    fs::remove_all(base);
}

// The list of an installation protects its files while the program that prepared it runs;
// after that the next start removes them. Windows: the list is open without sharing; elsewhere
// it is locked (flock), which the update's runner keeps while the batch runs.
TEST(InstallationList, TheNextStartRemovesTheListedFilesOnceNoProgramHoldsThem) {
    const fs::path base = FreshFolder("installation-list");
    const std::string path = Utf8Of(base / "");
    for (const char* name : {"Update.bat", "payload.exe", "NEWS.txt", "unlisted.txt"}) {
        std::ofstream(base / name) << name;
    }
    fs::create_directories(base / "sub");
    std::ofstream(base / "sub" / "inner.txt") << "inner";
    std::ofstream(base.parent_path() / "outside.txt") << "outside";
    UpdateFolder folder(path);
    // Each list is marked as its installation's own: a later list of the same names differs.
    { HeldFile earlier = WriteInstallationList(folder, {"Update.bat"}); }
    const std::string earlier = ReadAll(base / kInstallationListName);
    {
        HeldFile held = WriteInstallationList(folder, {"Update.bat", "payload.exe", "NEWS.txt"});
        RemoveFilesOfLastInstallation(path);
        EXPECT_TRUE(fs::exists(base / "payload.exe"));
        EXPECT_TRUE(fs::exists(base / kInstallationListName));
    }
    const std::string list = ReadAll(base / kInstallationListName);
    EXPECT_EQ(list.substr(list.find('\n')), "\nUpdate.bat\npayload.exe\nNEWS.txt\n");
    EXPECT_NE(list.substr(0, list.find('\n')), earlier.substr(0, earlier.find('\n')));
    RemoveFilesOfLastInstallation(path);
    EXPECT_FALSE(fs::exists(base / "Update.bat"));
    EXPECT_FALSE(fs::exists(base / "payload.exe"));
    EXPECT_FALSE(fs::exists(base / "NEWS.txt"));
    EXPECT_FALSE(fs::exists(base / kInstallationListName));
    EXPECT_TRUE(fs::exists(base / "unlisted.txt"));

    // A list names only plain files of the folder.
    std::ofstream(base / kInstallationListName, std::ios::binary)
        << "Rangwerk-Installation 1\n../outside.txt\nsub/inner.txt\nsub\n..\n\nunlisted.txt\n";
    RemoveFilesOfLastInstallation(path);
    EXPECT_TRUE(fs::exists(base.parent_path() / "outside.txt"));
    EXPECT_TRUE(fs::exists(base / "sub" / "inner.txt"));
    EXPECT_FALSE(fs::exists(base / "unlisted.txt"));
    EXPECT_FALSE(fs::exists(base / kInstallationListName));
    RemoveFilesOfLastInstallation(path);  // no list: nothing to do
    fs::remove(base.parent_path() / "outside.txt");
    fs::remove_all(base);
}

// Windows: CharToOemA of the ANSI text; in code page 850 "ä" is 0x84 and "ß" 0xE1. Elsewhere the
// text stays UTF-8 with the shell's special characters escaped.
TEST(OemText, UmlautsAndSpecialCharacters) {
#ifdef _WIN32
    ASSERT_EQ(GetOEMCP(), 850u) << "the tests run in a German locale (LANG=de_DE.UTF-8)";
    EXPECT_FALSE(OemTextIsUtf8());
    EXPECT_EQ(ToOem("\xC3\xA4"), "\x84");
    EXPECT_EQ(ToOem("\xC3\x9F"), "\xE1");
    EXPECT_EQ(ToOem("C:\\Programme\\Gr\xC3\xB6\xC3\x9F"
                    "e $1"),
              "C:\\Programme\\Gr\x94\xE1"
              "e $1");
    // The same as CharToOemA of the Windows ANSI (1252) bytes.
    char oem[3] = {};
    CharToOemA("\xE4\xDF", oem);
    EXPECT_EQ(std::string(oem), ToOem("\xC3\xA4\xC3\x9F"));
    // What the console's code page cannot hold, and a percent sign, would make the batch
    // interpreter run another path: "€" is in Windows-1252 but not in 850, "☃" in neither.
    for (const char* path : {"C:\\Programme\\100%\\", "C:\\Programme\\\xE2\x82\xAC\\",
                             "C:\\Programme\\\xE2\x98\x83\\"}) {
        SCOPED_TRACE(path);
        EXPECT_THROW(ToOem(path), Failure);
    }
#else
    EXPECT_TRUE(OemTextIsUtf8());
    EXPECT_EQ(ToOem("\xC3\xA4"), "\xC3\xA4");
    EXPECT_EQ(ToOem("\xC3\x9F"), "\xC3\x9F");
    EXPECT_EQ(ToOem("/home/Gr\xC3\xB6\xC3\x9F"
                    "e $1"),
              "/home/Gr\xC3\xB6\xC3\x9F"
              "e \\$1");
#endif
    EXPECT_EQ(ToOem(""), "");
    // No platform can carry a line break in a line of a batch file.
    EXPECT_THROW(ToOem("C:\\a\nb"), Failure);
    EXPECT_THROW(ToOem("C:\\a\rb"), Failure);
}

// A path beginning with two backslashes names no drive on either platform.
// Windows: GetDriveType of the first three characters, "C:\" is a fixed disk (3).
// Elsewhere "C:\" is no path of a mounted file system and cannot be examined (1).
TEST(DriveType, DriveRootsAndNetworkPaths) {
    EXPECT_EQ(ProgramDriveType("\\\\server\\share\\Ranko.exe"), kDriveNoRootDir);
    EXPECT_EQ(ProgramDriveType(""), kDriveNoRootDir);
#ifdef _WIN32
    EXPECT_EQ(ProgramDriveType("C:\\"), kDriveFixed);
    EXPECT_EQ(ProgramDriveType("C:\\Programme\\Rangwerk\\Ranko.exe"), kDriveFixed);
#else
    EXPECT_EQ(ProgramDriveType("C:\\"), kDriveNoRootDir);
#endif
}

// Both platforms give file times in two-second steps, odd seconds going down.
TEST(FileTimes, ModificationTimeInTwoSecondSteps) {
    const fs::path folder = FreshFolder("file-times");
    const fs::path file = folder / PathOf("\xC3\xA4nderung.txt");
    std::ofstream(file) << "x";
    // 1 March 2024, 18:00:07 local time.
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 2;
    local.tm_mday = 1;
    local.tm_hour = 18;
    local.tm_min = 0;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    ASSERT_NE(when, static_cast<std::time_t>(-1));
    fs::last_write_time(
        file, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(when)));
    EXPECT_EQ(FileModificationDayCount(Utf8Of(file)), LocalDayCount(2024, 3, 1, 18, 0, 6));
    fs::remove(file);
    EXPECT_EQ(FileModificationDayCount(Utf8Of(file)), std::nullopt);
    EXPECT_EQ(FileModificationDayCount(""), std::nullopt);
    fs::remove_all(folder);
}

// Windows asks InternetGetConnectedState, which reports the machine's network connection (CI
// machines have one, and Wine gives it as a LAN connection); elsewhere the query always says
// "connected" and the request itself decides. Either way it answers at once.
TEST(ConnectionQuery, ReportsTheMachinesConnection) {
    SystemConnectionQuery query;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(query.IsConnected());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

#ifdef _WIN32
// Windows: the shell opens the batch file in a hidden window and the batch interpreter runs it
// in the OEM code page, so a line that ToOem wrote names a folder with umlauts correctly.
// (Elsewhere the runner waits for the program's end first; the update's install tests run it.)
TEST(UpdateBatch, TheShellRunsTheBatchWithOemPaths) {
    const fs::path base = FreshFolder("batch");
    const fs::path folder = base / PathOf(
                                       "Gr\xC3\xB6\xC3\x9F"
                                       "e");
    fs::create_directories(folder);
    const std::string temp = Utf8Of(folder / "");
    {
        std::ofstream batch(PathOf(temp + "Update.bat"), std::ios::binary);
        batch << "@echo off\r\necho fertig> \"" << ToOem(temp) << "gelaufen.txt\"\r\n";
    }
    SystemUpdateBatchStarter starter;
    ASSERT_TRUE(starter.Start(temp + "Update.bat", temp));
    const fs::path done = folder / "gelaufen.txt";
    for (int i = 0; i < 300 && !fs::exists(done); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(fs::exists(done));
    // A batch file that is not there cannot be started.
    EXPECT_FALSE(starter.Start(temp + "Fehlt.bat", temp));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the interpreter lets go
    std::error_code ec;
    fs::remove_all(base, ec);
}
#endif

}  // namespace
}  // namespace rangwerk
