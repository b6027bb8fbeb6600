#include "platform/system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace rangwerk {
namespace {

TEST(ProgramPath, NamesTheRunningTestProgram) {
    const std::filesystem::path path = ProgramPath();
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_EQ(path.stem(), "platform_system_test");
}

#ifndef _WIN32
// Runs a copy of the probe program under `name`, replaces that file while the copy runs when
// `replace` is set, and returns what the running copy names as its path.
std::string PathSeenByRunningCopy(const std::filesystem::path& folder, const std::string& name,
                                  bool replace) {
    namespace fs = std::filesystem;
    const fs::path copy = folder / name;
    const fs::path output = folder / "output.txt";
    fs::copy_file(RANGWERK_PROGRAM_PATH_PROBE, copy, fs::copy_options::overwrite_existing);
    const std::string command = "exec '" + copy.string() + "' > '" + output.string() + "'";
    FILE* input = popen(command.c_str(), "w");
    if (input == nullptr)
        return "popen failed";
    // The copy runs once it has said "ready".
    std::string said;
    for (int i = 0; i < 1000 && said.find("ready") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::ifstream in(output);
        said.assign(std::istreambuf_iterator<char>(in), {});
    }
    if (replace) {
        // A new file takes the old one's name, as an update does.
        fs::copy_file(RANGWERK_PROGRAM_PATH_PROBE, folder / "new");
        fs::rename(folder / "new", copy);
    }
    std::fputs("go\n", input);
    pclose(input);
    std::ifstream in(output);
    std::string ready, path;
    std::getline(in, ready);
    std::getline(in, path);
    return path;
}

TEST(ProgramPath, StaysTheProgramsPathAfterItsFileWasReplaced) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("rangwerk-program-path-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    // Replaced while running: the kernel's " (deleted)" is not part of the path.
    EXPECT_EQ(PathSeenByRunningCopy(folder, "rangwerk", true), (folder / "rangwerk").string());
    // A file whose name really ends that way keeps its name.
    EXPECT_EQ(PathSeenByRunningCopy(folder, "rangwerk (deleted)", false),
              (folder / "rangwerk (deleted)").string());
    fs::remove_all(folder);
}
#endif

#ifdef _WIN32
// GetModuleFileNameW names the program in UTF-16; ProgramPath gives it as UTF-8, also for
// letters outside the ANSI code page.
TEST(ProgramPath, NamesAFolderOutsideTheAnsiCodePageInUtf8) {
    namespace fs = std::filesystem;
    const std::string name =
        "rangwerk-\xC5\x81\xC3\xB3"
        "d\xC5\xBA-" +
        std::to_string(GetCurrentProcessId());
    const fs::path folder =
        fs::temp_directory_path() / fs::path(std::u8string(name.begin(), name.end()));
    fs::create_directories(folder);
    const fs::path copy = folder / "probe.exe";
    // The probe is built beside this test program.
    const std::string self = ProgramPath();
    fs::copy_file(
        fs::path(std::u8string(self.begin(), self.end())).parent_path() / "program_path_probe.exe",
        copy, fs::copy_options::overwrite_existing);

    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                               OPEN_EXISTING, 0, nullptr);
    HANDLE output = CreateFileW((folder / "output.txt").wstring().c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + copy.wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(copy.wstring().c_str(), command.data(), nullptr, nullptr, TRUE,
                               DETACHED_PROCESS, nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(input);
    CloseHandle(output);

    std::ifstream in(folder / "output.txt", std::ios::binary);
    std::string ready, path;
    std::getline(in, ready);
    std::getline(in, path);
    if (!path.empty() && path.back() == '\r')
        path.pop_back();
    const std::u8string expected = copy.u8string();
    EXPECT_EQ(path, std::string(expected.begin(), expected.end()));
    in.close();
    std::error_code ec;
    fs::remove_all(folder, ec);
}
#endif

TEST(SystemSeedSource, FollowsTheRunningCounter) {
    SystemSeedSource source;
    std::set<std::uint32_t> seeds;
    for (int i = 0; i < 5; ++i) {
        seeds.insert(source.Seed());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(seeds.size(), 5u);
}

}  // namespace
}  // namespace rangwerk
