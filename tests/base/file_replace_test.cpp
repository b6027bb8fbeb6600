#include "base/file_replace.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

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

// The system's calls, with single ones made to fail.
class FaultyCalls : public FileCalls {
public:
    int failCreate = 0;  // errno for CreateTemporary, 0: no failure
    int failSync = 0;
    int failRename = 0;
    int syncs = 0;

    int CreateTemporary(std::string& pattern) override {
        if (failCreate != 0)
            return errno = failCreate, -1;
        return FileCalls::CreateTemporary(pattern);
    }
    int Sync(int fd) override {
        ++syncs;
        if (failSync != 0)
            return errno = failSync, -1;
        return FileCalls::Sync(fd);
    }
    int Rename(const std::string& from, const std::string& to) override {
        if (failRename != 0)
            return errno = failRename, -1;
        return FileCalls::Rename(from, to);
    }
};

class FileReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rangwerk-replace-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(folder_, ec);
    }
    std::vector<std::string> Entries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
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
}

TEST_F(FileReplaceTest, AReadOnlyFolderWithAWritableFileForAnOrdinaryUser) {
    // Checked with the real permissions: as an ordinary user (root is never refused).
    ::chmod(folder_.c_str(), 0755);
    const fs::path file = folder_ / "p.opt";
    WriteFile(file, "alt");
    ::chmod(file.c_str(), 0666);
    ::chmod(folder_.c_str(), 0555);
    const int code = InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        try {
            return ReplaceFileContents(file.string(), "neu") == ReplaceOutcome::WrittenInPlace ? 0
                                                                                               : 1;
        } catch (const FileReplaceError&) {
            return 2;
        }
    });
    EXPECT_EQ(code, 0) << "1: replaced after all, 2: refused, 3: could not become a user";
    EXPECT_EQ(ReadFile(file), "neu");
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"p.opt"});
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
