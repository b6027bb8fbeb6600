#include "platform/system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

namespace rangwerk {
namespace {

TEST(ProgramPath, NamesTheRunningTestProgram) {
    const std::filesystem::path path = ProgramPath();
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_EQ(path.stem(), "platform_system_test");
}

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
