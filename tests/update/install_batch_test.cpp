// The update batch run at program end, end to end: completed, started, waiting for the program,
// replacing its file, restarting it and deleting itself.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/oem_text.h"
#include "platform/update_batch.h"
#include "update/batch_completion.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename Condition>
bool WaitFor(Condition condition, int milliseconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(UpdateBatch, ReplacesTheProgramAfterItEndedRestartsItAndDeletesItself) {
    const fs::path root =
        fs::temp_directory_path() / ("rangwerk-batch-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path program = root / "Prog dir $HOME \"q\" `x`";
    const fs::path temp = root / "t mp$x";
    fs::create_directories(program);
    fs::create_directories(temp);
    fs::create_directories(root / "outside");
    Write(program / "app", "old");
    Write(temp / "new app", "new");
    Write(root / "outside" / "keep.txt", "keep");
    Write(temp / "keep.txt", "");
    const fs::path restart = program / "restart.sh";
    Write(restart, "#!/bin/sh\necho restarted > \"$(dirname \"$0\")/restarted\"\n");
    fs::permissions(restart, fs::perms::owner_all);

    const std::string programFolder = program.string() + "/";
    const std::string tempFolder = temp.string() + "/";
    BatchValues values;
    values.programFolder = ToOem(programFolder);
    values.tempFolder = ToOem(tempFolder);
    values.programPath = ToOem(restart.string());
    values.restart = true;
    values.units = TextUnits::Utf8;
    ASSERT_NO_THROW(CheckUnquotedBatchPath(tempFolder));
    const std::string batch =
        "echo first group\r\n"
        "test -d \"%s\"\r\n"
        "test -f \"%sapp\" && test \"$(cat \"%0:sapp\")\" = old\r\n"
        "cp \"%0:snew app\" \"%1:sapp\"\r\n"
        "echo second group\r\n"
        "touch \"%sgroup2\"\r\n"
        "echo 100%% > /dev/null\r\n"
        "cp \"%snew app\" \"%sapp2\"\r\n"
        " touch \"%stail ran\"\r\n"
        " del %s../outside/keep.txt\r\n"
        " del %skeep.txt\r\n";
    const fs::path batchFile = temp / "Update.bat";
    Write(batchFile, CompleteUpdateBatch(batch, values));

    // The program: still running when the batch is started.
    const pid_t programPid = fork();
    ASSERT_GE(programPid, 0);
    if (programPid == 0) {
        ::usleep(1500 * 1000);
        _exit(0);
    }
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(StartUpdateBatchRunner(batchFile.string(), tempFolder, programPid));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Read(program / "app"), "old") << "the batch ran before the program ended";
    // The runner holds the lines it was started with.
    Write(batchFile, "touch \"" + ToOem(tempFolder) + "replaced\"\r\n");
    int status = 0;
    ASSERT_EQ(waitpid(programPid, &status, 0), programPid);

    EXPECT_TRUE(WaitFor([&] { return !fs::exists(batchFile); }, 10000));
    EXPECT_EQ(Read(program / "app"), "new");
    EXPECT_EQ(Read(program / "app2"), "new");
    EXPECT_TRUE(fs::exists(program / "group2"));
    EXPECT_TRUE(fs::exists(temp / "tail ran"));
    EXPECT_TRUE(WaitFor([&] { return fs::exists(program / "restarted"); }, 5000));
    // "del" removes only files directly inside the temporary folder.
    EXPECT_FALSE(fs::exists(temp / "keep.txt"));
    EXPECT_EQ(Read(root / "outside" / "keep.txt"), "keep");
    EXPECT_TRUE(fs::exists(temp / "new app"));
    EXPECT_FALSE(fs::exists(temp / "replaced"));
    fs::remove_all(root);
}

TEST(UpdateBatch, TheRunnerScriptRefusesFilesOutsideTheTemporaryFolder) {
    // The del function alone, fed through the runner with an ended program.
    const fs::path root =
        fs::temp_directory_path() / ("rangwerk-batch-del-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path temp = root / "temp";
    fs::create_directories(temp / "sub");
    Write(root / "victim", "v");
    Write(temp / "sub" / "inner", "i");
    Write(temp / "two  blanks", "b");
    const std::string t = temp.string() + "/";
    Write(temp / "Update.bat", "del " + t + "..\\/victim\r\ndel " + t + "sub/inner\r\ndel " + t +
                                   "sub\r\ndel " + root.string() + "/victim\r\ndel " + t +
                                   "Update.bat\r\n");
    const pid_t ended = fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) {
        _exit(0);
    }
    int status = 0;
    waitpid(ended, &status, 0);
    ASSERT_TRUE(StartUpdateBatchRunner((temp / "Update.bat").string(), t, ended));
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(temp / "Update.bat"); }, 10000));
    EXPECT_TRUE(fs::exists(root / "victim"));
    EXPECT_TRUE(fs::exists(temp / "sub" / "inner"));
    EXPECT_TRUE(fs::is_directory(temp / "sub"));
    fs::remove_all(root);
}

}  // namespace
}  // namespace rangwerk

#endif
