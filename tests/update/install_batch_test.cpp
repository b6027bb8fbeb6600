// The update batch run at program end, end to end: completed, started, waiting for the program,
// replacing its file, restarting it and deleting itself.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/oem_text.h"
#include "platform/update_batch.h"
#include "update/batch_completion.h"
#include "update/installation.h"

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

// A program that has ended already, for the runner to wait for.
pid_t EndedProcess() {
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    int status = 0;
    waitpid(ended, &status, 0);
    return ended;
}

TEST(UpdateBatch, OneBadLineSwallowsNothingAndTheInstallationLeavesNothingBehind) {
    const fs::path root =
        fs::temp_directory_path() / ("rangwerk-batch-lines-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path temp = root / "temp";
    fs::create_directories(temp);
    const std::string t = temp.string() + "/";
    for (const char* name : {"payload.exe", "NEWS.txt", "unlisted.txt"}) {
        Write(temp / name, name);
    }
    // What the installation listed; the batch goes whether the list names it or not.
    Write(temp / "Update.lst", "Rangwerk-Installation 1\npayload.exe\nNEWS.txt\n");
    // An unclosed quote, a line that reads input, one that is only half a command; and the lines
    // end before the batch's own "del" line.
    Write(temp / "Update.bat", "touch \"" + t + "before\"\r\n" + "echo \"unclosed > " + t +
                                   "swallowed\r\n" + "touch \"" + t + "after quote\"\r\n" +
                                   "cat > \"" + t + "input\"\r\n" + "if true; then\r\n" +
                                   "touch \"" + t + "after if\"\r\n" + "flock -n \"" + t +
                                   "Update.lst\" true || touch \"" + t + "list held\"\r\n" +
                                   "exit 3\r\n" + "del " + t + "Update.bat\r\n");
    ASSERT_TRUE(StartUpdateBatchRunner((temp / "Update.bat").string(), t, EndedProcess()));
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(temp / "Update.lst"); }, 10000));
    EXPECT_TRUE(fs::exists(temp / "before"));
    EXPECT_TRUE(fs::exists(temp / "after quote"));
    EXPECT_TRUE(fs::exists(temp / "after if"));
    EXPECT_FALSE(fs::exists(temp / "swallowed"));
    EXPECT_EQ(Read(temp / "input"), "");
    // While the lines run, a program that starts leaves the installation's files alone.
    EXPECT_TRUE(fs::exists(temp / "list held"));
    EXPECT_FALSE(fs::exists(temp / "Update.bat"));
    EXPECT_FALSE(fs::exists(temp / "payload.exe"));
    EXPECT_FALSE(fs::exists(temp / "NEWS.txt"));
    EXPECT_TRUE(fs::exists(temp / "unlisted.txt"));
    fs::remove_all(root);
}

// The restarted program prepared another installation while the old batch still waited for it:
// the old runner leaves the new installation's files, its list and its batch alone.
TEST(UpdateBatch, ALaterInstallationKeepsItsFiles) {
    const fs::path root =
        fs::temp_directory_path() / ("rangwerk-batch-later-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path temp = root / "temp";
    fs::create_directories(temp);
    const std::string t = temp.string() + "/";
    Write(temp / "shared.exe", "old");
    Write(temp / "old only.txt", "old");
    Write(temp / "Update.lst", "Rangwerk-Installation 1\nshared.exe\nold only.txt\n");
    const std::string later = "Rangwerk-Installation 2\nshared.exe\nUpdate.bat\n";
    Write(temp / "later.lst", later);
    Write(temp / "Update.bat", "mv \"" + t + "later.lst\" \"" + t + "Update.lst\"\r\n");
    ASSERT_TRUE(StartUpdateBatchRunner((temp / "Update.bat").string(), t, EndedProcess()));
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(temp / "old only.txt"); }, 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Read(temp / "shared.exe"), "old");
    EXPECT_EQ(Read(temp / "Update.lst"), later);
    EXPECT_TRUE(fs::exists(temp / "Update.bat"));
    fs::remove_all(root);
}

// The demonstration update of scripts/update-server.sh, made as the maker makes a release:
// the program accepts it, and its batch replaces the demo's copy of the program.
TEST(UpdateBatch, TheUpdateServerScriptMakesAnUpdateTheProgramInstalls) {
    const fs::path root =
        fs::temp_directory_path() / ("rangwerk-batch-server-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "temp");
    Write(root / "program", "#!/bin/sh\nexit 0\n");
    const std::string command = "RANGWERK_PROGRAM='" + (root / "program").string() +
                                "' RANGWERK_UPDATE_DEMO='" + (root / "demo").string() +
                                "' bash '" RANGWERK_SOURCE_DIR
                                "/scripts/update-server.sh' "
                                "--no-serve > '" +
                                (root / "script.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << Read(root / "script.log");
    const fs::path demo = root / "demo" / "Rangwerk Demo";
    const std::string temp = (root / "temp").string() + "/";
    fs::copy_file(root / "demo" / "www" / "Updates" / "Ranko.zip", root / "temp" / "Ranko.zip");
    fs::copy_file(root / "demo" / "www" / "Updates" / "Ranko.zip.sig",
                  root / "temp" / "Ranko.zip.sig");

    InstallationRequest request;
    request.archiveFile = temp + "Ranko.zip";
    request.tempFolder = temp;
    request.programPath = (demo / "rangwerk").string();
    request.restart = false;
    request.trustedKeys = {Read(root / "demo" / "keys" / "public.pem")};
    // The script's program is of two days back, its update of today.
    const std::time_t twoDaysBack = std::time(nullptr) - 2 * 24 * 60 * 60;
    char release[16];
    std::strftime(release, sizeof release, "%Y-%m-%d", std::localtime(&twoDaysBack));
    request.installedRelease = release;
    // The program prepares the installation, starts the batch and ends.
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        const InstallationResult installed = PrepareInstallation(request);
        Write(root / "prepared", installed.prepared ? "" : installed.message);
        SystemUpdateBatchStarter starter;
        _exit(installed.prepared && starter.Start(temp + "Update.bat", temp) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(program, &status, 0), program);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Read(root / "prepared");
    EXPECT_TRUE(WaitFor([&] { return fs::is_empty(root / "temp"); }, 10000));
    EXPECT_TRUE(fs::exists(demo / "rangwerk.alt"));
    EXPECT_EQ(Read(demo / "rangwerk"), "#!/bin/sh\nexit 0\n");
    EXPECT_TRUE(fs::exists(demo / "UPDATE-DEMO.txt"));
    EXPECT_TRUE(fs::exists(demo / "UPDATE-NEWS.txt"));
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
    ASSERT_TRUE(StartUpdateBatchRunner((temp / "Update.bat").string(), t, EndedProcess()));
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(temp / "Update.bat"); }, 10000));
    EXPECT_TRUE(fs::exists(root / "victim"));
    EXPECT_TRUE(fs::exists(temp / "sub" / "inner"));
    EXPECT_TRUE(fs::is_directory(temp / "sub"));
    fs::remove_all(root);
}

}  // namespace
}  // namespace rangwerk

#endif
