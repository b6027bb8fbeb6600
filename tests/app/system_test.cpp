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

#ifndef _WIN32
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
    if (input == nullptr) return "popen failed";
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
    const fs::path folder = fs::temp_directory_path() /
                            ("rangwerk-program-path-" + std::to_string(::getpid()));
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
