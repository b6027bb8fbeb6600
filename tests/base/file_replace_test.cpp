#include "base/file_replace.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "support/counting_file_calls.h"
#include "support/environment.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

using FaultyCalls = testing_support::FaultyFileCalls;

constexpr uid_t kNobody = 65534;

// Becomes the ordinary user "nobody", for whom permissions count (root is never refused).
bool BecomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
           ::setresuid(kNobody, kNobody, kNobody) == 0;
}

class FileReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = NewFolder();
        // The copies of files written in place go to a folder of the test's own.
        stateHome_ = NewFolder();
        testing_support::SetEnvironment("XDG_STATE_HOME", stateHome_.string());
    }
    void TearDown() override {
        testing_support::UnsetEnvironment("XDG_STATE_HOME");
        for (const fs::path& folder : {folder_, stateHome_}) {
            std::error_code ec;
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
            fs::remove_all(folder, ec);
        }
    }
    static fs::path NewFolder() {
        std::string pattern = (fs::temp_directory_path() / "rangwerk-replace-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        return pattern;
    }
    static std::vector<std::string> Entries(const fs::path& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The copies kept of files written in place.
    fs::path Saves() const { return stateHome_ / "rangwerk" / "saves"; }
    static unsigned ModeOf(const fs::path& file) {
        struct stat st {};
        EXPECT_EQ(::stat(file.c_str(), &st), 0);
        return st.st_mode & 07777;
    }
    // Runs `body` in a child process and returns its exit code (-1 when it did not exit).
    static int InChild(const std::function<int()>& body) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(body());
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path folder_;
    fs::path stateHome_;
};

TEST_F(FileReplaceTest, SymbolicLinksLeadToTheFileThatIsReplaced) {
    fs::create_directory(folder_ / "daten");
    WriteFile(folder_ / "daten" / "echt.opt", "alt");
    fs::create_symlink("daten/echt.opt", folder_ / "verweis1");
    fs::create_symlink(folder_ / "verweis1", folder_ / "verweis2");  // absolute, to a link

    EXPECT_EQ(ReplaceFileContents((folder_ / "verweis2").string(), "neu"),
              ReplaceOutcome::Replaced);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder_ / "verweis1")));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder_ / "verweis2")));
    EXPECT_EQ(ReadFile(folder_ / "daten" / "echt.opt"), "neu");
    EXPECT_EQ(Entries(folder_ / "daten"), std::vector<std::string>{"echt.opt"});

    // A link to a file not yet there creates that file, and the link stays.
    fs::create_symlink("daten/neu.opt", folder_ / "vorab");
    ReplaceFileContents((folder_ / "vorab").string(), "erst");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder_ / "vorab")));
    EXPECT_EQ(ReadFile(folder_ / "daten" / "neu.opt"), "erst");
}

TEST_F(FileReplaceTest, PermissionBitsAreKept) {
    const fs::path file = folder_ / "p.opt";
    WriteFile(file, "alt");
    ::chmod(file.c_str(), 0640);
    ReplaceFileContents(file.string(), "neu");
    EXPECT_EQ(ModeOf(file), 0640u);
    ::chmod(file.c_str(), 0604);
    ReplaceFileContents(file.string(), "neuer");
    EXPECT_EQ(ModeOf(file), 0604u);
    EXPECT_EQ(ReadFile(file), "neuer");

    // A new file gets the mode of any new file.
    const mode_t old = ::umask(027);
    ReplaceFileContents((folder_ / "frisch.opt").string(), "x");
    ::umask(old);
    EXPECT_EQ(ModeOf(folder_ / "frisch.opt"), 0640u);
}

TEST_F(FileReplaceTest, AFolderWithoutRoomForATemporaryFileGetsTheFileWrittenInPlace) {
    const fs::path file = folder_ / "p.opt";
    WriteFile(file, "ein langer alter Inhalt");
    FaultyCalls calls;
    calls.failCreate = EACCES;
    EXPECT_EQ(ReplaceFileContents(file.string(), "kurz", calls), ReplaceOutcome::WrittenInPlace);
    EXPECT_EQ(ReadFile(file), "kurz") << "the rest of the longer old file is cut off";

    // Other reasons and missing files are failures, and nothing is left behind.
    calls.failCreate = ENOSPC;
    EXPECT_THROW(ReplaceFileContents(file.string(), "x", calls), FileReplaceError);
    calls.failCreate = EACCES;
    try {
        ReplaceFileContents((folder_ / "fehlt.opt").string(), "x", calls);
        FAIL() << "no failure";
    } catch (const FileReplaceError& e) {
        EXPECT_EQ(e.step(), FileReplaceError::Step::Create);
        EXPECT_EQ(e.error(), EACCES);
    }
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"p.opt"});
    EXPECT_EQ(ReadFile(file), "kurz");
    EXPECT_EQ(Entries(Saves()), std::vector<std::string>{});

    // Where no copy of the old contents can be kept, the file is not written in place.
    fs::remove(Saves());
    WriteFile(Saves(), "eine Datei, kein Ordner");
    try {
        ReplaceFileContents(file.string(), "x", calls);
        FAIL() << "no failure";
    } catch (const FileReplaceError& e) {
        EXPECT_EQ(e.step(), FileReplaceError::Step::Create);
        EXPECT_EQ(e.error(), ENOTDIR);
    }
    EXPECT_EQ(ReadFile(file), "kurz");
}

// Runs `body` in a child process that has a mount namespace of its own, in which `mountPoint`
// is a file system in memory of 64 KiB; returns what `body` returned (empty: all was as
// expected) or why the child could not run it.
std::string InSmallFileSystem(const fs::path& mountPoint,
                              const std::function<std::string()>& body) {
    int report[2];
    if (::pipe(report) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        std::string result;
        if (::unshare(CLONE_NEWNS) != 0) {
            result = std::string("unshare: ") + std::strerror(errno);
        } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            result = std::string("private mounts: ") + std::strerror(errno);
        } else if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
            result = std::string("mount: ") + std::strerror(errno);
        } else {
            try {
                result = body();
            } catch (const std::exception& e) {
                result = std::string("unexpected failure: ") + e.what();
            }
        }
        const ssize_t written = ::write(report[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(report[1]);
    std::string result;
    char block[256];
    for (ssize_t n; (n = ::read(report[0], block, sizeof block)) > 0;) result.append(block, n);
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child ended early: " + result;
    return result;
}

// In place (an ordinary user, a folder closed to new files, the file itself writable): a full
// disk and a file-size limit fail before one of the old bytes changes, and a save that fits
// goes through, keeping no copy.
TEST_F(FileReplaceTest, InPlaceAFullDiskOrASizeLimitLeavesTheOldFileWhole) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, for a small file system of its own and the user nobody";
    const fs::path disk = folder_ / "disk";
    fs::create_directory(disk);
    ::chmod(folder_.c_str(), 0755);
    const std::string old(720, 'a');
    const std::string result = InSmallFileSystem(disk, [&]() -> std::string {
        const fs::path closed = disk / "ro";
        const fs::path file = closed / "p.opt";
        const fs::path state = disk / "state";
        fs::create_directory(closed);
        fs::create_directory(state);
        WriteFile(file, old);
        if (::chmod(file.c_str(), 0666) != 0 || ::chmod(closed.c_str(), 0555) != 0 ||
            ::chown(state.c_str(), kNobody, kNobody) != 0 || !BecomeNobody()) {
            return "could not prepare the files as user nobody";
        }
        testing_support::SetEnvironment("XDG_STATE_HOME", state.string());
        const fs::path saves = state / "rangwerk" / "saves";
        // The room is reserved before anything is written.
        const auto failure = [&](std::string_view contents) -> std::string {
            FaultyCalls calls;
            try {
                ReplaceFileContents(file.string(), contents, calls);
            } catch (const FileReplaceError& e) {
                if (e.step() != FileReplaceError::Step::Write)
                    return "not a write error";
                if (calls.writes != 0)
                    return "written before it failed";
                if (ReadFile(file) != old)
                    return "the old contents are gone";
                if (!Entries(saves).empty())
                    return "a copy was left behind";
                return std::strerror(e.error());
            }
            return "written";
        };
        // More than the whole disk holds.
        std::string why = failure(std::string(100 * 1024, 'n'));
        if (why != std::strerror(ENOSPC))
            return "full disk: " + why;
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{4096, limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        why = failure(std::string(16 * 1024, 'n'));
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (why != std::strerror(EFBIG))
            return "size limit: " + why;

        if (ReplaceFileContents(file.string(), "neu") != ReplaceOutcome::WrittenInPlace)
            return "not written in place";
        if (ReadFile(file) != "neu" || Entries(closed) != std::vector<std::string>{"p.opt"})
            return "not written as it should";
        struct stat st {};
        if (::stat(saves.c_str(), &st) != 0 || (st.st_mode & 0777) != 0700)
            return "the saves folder is not private";
        if (!Entries(saves).empty())
            return "the copy was left behind";
        return "";
    });
    EXPECT_EQ(result, "");
}

// A write error in place puts the old contents back; where even that fails, the failure names
// the copy, which the next successful save removes.
TEST_F(FileReplaceTest, InPlaceAWriteErrorPutsTheOldContentsBack) {
    const fs::path file = folder_ / "p.opt";
    const std::string old = "der alte Inhalt, der bleiben soll";
    WriteFile(file, old);
    FaultyCalls calls;
    calls.failCreate = EACCES;
    calls.writeChunk = 5;
    calls.failWritesFrom = 3;  // after 10 bytes of the new contents
    calls.failWritesUntil = 3;
    try {
        ReplaceFileContents(file.string(), std::string(200, 'n'), calls);
        FAIL() << "no failure";
    } catch (const FileReplaceError& e) {
        EXPECT_EQ(e.step(), FileReplaceError::Step::Write);
        EXPECT_EQ(e.error(), EIO);
        EXPECT_EQ(e.keptCopy(), "");
    }
    EXPECT_EQ(ReadFile(file), old);
    EXPECT_EQ(Entries(Saves()), std::vector<std::string>{});

    // The old contents cannot be put back either.
    calls.writes = 0;
    calls.failWritesUntil = 0;
    std::string copy;
    try {
        ReplaceFileContents(file.string(), std::string(200, 'n'), calls);
        FAIL() << "no failure";
    } catch (const FileReplaceError& e) {
        EXPECT_EQ(e.step(), FileReplaceError::Step::Write);
        copy = e.keptCopy();
        EXPECT_NE(std::string(e.what()).find(copy), std::string::npos) << e.what();
    }
    ASSERT_EQ(fs::path(copy).parent_path(), Saves());
    EXPECT_EQ(ReadFile(copy), old);
    EXPECT_NE(ReadFile(file), old);
    ReplaceFileContents(file.string(), "neu");
    EXPECT_EQ(ReadFile(file), "neu");
    EXPECT_FALSE(fs::exists(copy));
}

// A save killed while it writes the file in place leaves the copy of the old contents; the
// next successful save of that file removes it, but not a copy that a running save holds.
TEST_F(FileReplaceTest, AKillDuringTheInPlaceWriteLeavesTheCopy) {
    const fs::path file = folder_ / "p.opt";
    const std::string old = "der alte Inhalt, der bleiben soll";
    WriteFile(file, old);
    EXPECT_EQ(InChild([&] {
                  FaultyCalls calls;
                  calls.failCreate = EACCES;
                  calls.killInWrite = true;
                  ReplaceFileContents(file.string(), std::string(2 * old.size(), 'n'), calls);
                  return 0;
              }),
              -1);
    EXPECT_NE(ReadFile(file), old);
    const std::vector<std::string> copies = Entries(Saves());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(ReadFile(Saves() / copies[0]), old);

    // A copy of the same file that another save holds, and one of another file.
    const std::string held = copies[0].substr(0, copies[0].size() - 6) + "gehalt";
    WriteFile(Saves() / held, "gehalten");
    const int lock = ::open((Saves() / held).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    WriteFile(Saves() / "q.opt-0123456789abcdef-fremd1", "fremd");

    ReplaceFileContents(file.string(), "neu");
    ::close(lock);
    EXPECT_EQ(ReadFile(file), "neu");
    EXPECT_EQ(Entries(Saves()), (std::vector<std::string>{held, "q.opt-0123456789abcdef-fremd1"}));
}

// The temporary file of a save that was killed is removed by the next save of the file; one
// that a running save holds stays, and so do files of other names.
TEST_F(FileReplaceTest, AKilledSavesTemporaryFileIsRemovedByTheNextSave) {
    const fs::path file = folder_ / "p.opt";
    WriteFile(file, "alt");
    EXPECT_EQ(InChild([&] {
                  FaultyCalls calls;
                  calls.killInWrite = true;
                  ReplaceFileContents(file.string(), "neuer Inhalt", calls);
                  return 0;
              }),
              -1);
    const std::vector<std::string> left = Entries(folder_);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_TRUE(left[0].starts_with(".p.opt.tmp-")) << left[0];
    EXPECT_EQ(ReadFile(file), "alt");

    const std::vector<std::string> others = {".p.opt.tmp-gehalt", ".p.opt.tmp-zulang7",
                                             ".q.opt.tmp-fremd1"};
    for (const std::string& name : others) WriteFile(folder_ / name, "x");
    const int lock = ::open((folder_ / others[0]).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    ReplaceFileContents(file.string(), "neu");
    ::close(lock);
    EXPECT_EQ(ReadFile(file), "neu");
    EXPECT_EQ(Entries(folder_),
              (std::vector<std::string>{others[0], others[1], others[2], "p.opt"}));
}

// A folder, a pipe or a device in place of the file is refused before anything is done.
TEST_F(FileReplaceTest, WhatIsNoFileIsRefused) {
    fs::create_directory(folder_ / "ordner");
    ASSERT_EQ(::mkfifo((folder_ / "rohr").c_str(), 0600), 0);
    std::vector<std::pair<std::string, int>> cases = {{"ordner", EISDIR}, {"rohr", EINVAL}};
    // A device of its own (only root may make one): the null device.
    if (::mknod((folder_ / "gerät").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0)
        cases.emplace_back("gerät", EINVAL);
    for (const auto& [name, error] : cases) {
        fs::create_symlink(name, folder_ / (name + ".opt"));
        for (const std::string& path : {name, name + ".opt"}) {
            try {
                ReplaceFileContents((folder_ / path).string(), "neu");
                ADD_FAILURE() << path << " written";
            } catch (const FileReplaceError& e) {
                EXPECT_EQ(e.step(), FileReplaceError::Step::Open) << path;
                EXPECT_EQ(e.error(), error) << path;
            }
        }
    }
    EXPECT_TRUE(fs::is_directory(folder_ / "ordner"));
    EXPECT_TRUE(fs::is_fifo(folder_ / "rohr"));
    EXPECT_EQ(Entries(folder_ / "ordner"), std::vector<std::string>{});
    EXPECT_EQ(Entries(folder_).size(), 2 * cases.size());
}

TEST_F(FileReplaceTest, NoTemporaryFileIsLeftOnAnyFailure) {
    const fs::path file = folder_ / "p.opt";
    WriteFile(file, "alt");
    FaultyCalls calls;
    calls.failSync = EIO;
    try {
        ReplaceFileContents(file.string(), "neu", calls);
        FAIL() << "no failure";
    } catch (const FileReplaceError& e) {
        EXPECT_EQ(e.step(), FileReplaceError::Step::Write);
    }
    calls.failSync = 0;
    calls.failRename = EXDEV;
    EXPECT_THROW(ReplaceFileContents(file.string(), "neu", calls), FileReplaceError);
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"p.opt"});
    EXPECT_EQ(ReadFile(file), "alt");

    // A file-size limit of the process: a write error, not the end of the program.
    const std::string large(64 * 1024, 'x');
    const int code = InChild([&] {
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            ReplaceFileContents(file.string(), large);
        } catch (const FileReplaceError& e) {
            return e.step() == FileReplaceError::Step::Write && e.error() == EFBIG ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(code, 0) << "-1: ended by a signal, 1: reported success, 2: another failure";
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"p.opt"});
    EXPECT_EQ(ReadFile(file), "alt");
}

TEST_F(FileReplaceTest, OneReplaceFlushesTheFileAndItsFolder) {
    FaultyCalls calls;
    ReplaceFileContents((folder_ / "p.opt").string(), "neu", calls);
    EXPECT_EQ(calls.syncs, 2);
    calls.syncs = 0;
    ReplaceFileContents((folder_ / "p.opt").string(), "neuer", calls, 0666, FlushFolder::No);
    EXPECT_EQ(calls.syncs, 1) << "the file only";
    EXPECT_EQ(ReadFile(folder_ / "p.opt"), "neuer");
}

}  // namespace
}  // namespace rangwerk
