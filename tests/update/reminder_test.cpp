// The reminder date and interval in the settings key, and their renewal at program end.
#include "update/reminder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/file_times.h"
#include "support/environment.h"
#include "support/test_registry.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using testing_support::SetEnvironment;
using testing_support::TestRegistry;
using testing_support::UnsetEnvironment;

struct Store {
    fs::path folder =
        fs::temp_directory_path() /
        ("rangwerk-reminder-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TestRegistry registry{folder};
    UpdateSettingsKey settings;
    ~Store() { fs::remove_all(folder); }
    std::unique_ptr<RegistryKey> Key() { return settings.Open(registry); }
};

TEST(Reminder, DateIsALittleEndianDoubleOfEightBytes) {
    // 1 January 2024, 12:00 is day 45292.5: 0x40E61D9000000000.
    const std::vector<std::uint8_t> bytes = {0x00, 0x00, 0x00, 0x00, 0x90, 0x1D, 0xE6, 0x40};
    EXPECT_EQ(EncodeReminderDate(45292.5), bytes);
    EXPECT_EQ(DecodeReminderDate(bytes), 45292.5);
    EXPECT_EQ(DecodeReminderDate({0, 0, 0, 0, 0x90, 0x1D, 0xE6}), std::nullopt);
    EXPECT_EQ(DecodeReminderDate({0, 0, 0, 0, 0x90, 0x1D, 0xE6, 0x40, 0}), std::nullopt);
}

TEST(Reminder, SettingsKeyLiesBelowTheMakersKey) {
    UpdateSettingsKey settings;
    EXPECT_EQ(settings.Path(), "Software\\Quarv\\Rangwerk");
    EXPECT_EQ(settings.Root(), RegistryRoot::LocalMachine);
    settings.hkcu = true;
    EXPECT_EQ(settings.Root(), RegistryRoot::CurrentUser);
}

TEST(Reminder, RenewalCountsTheIntervalFromToday) {
    Store s;
    RenewReminder(s.registry, s.settings, 45000);
    EXPECT_EQ(ReadReminderDate(*s.Key()), 45027.0);  // 28 days: again from day 45028 on

    s.Key()->WriteDword("UpdateInterval", 1);
    RenewReminder(s.registry, s.settings, 45000);
    EXPECT_EQ(ReadReminderDate(*s.Key()), 45000.0);  // daily: again tomorrow

    s.Key()->WriteDword("UpdateInterval", 365);
    RenewReminder(s.registry, s.settings, 45000);
    EXPECT_EQ(ReadReminderDate(*s.Key()), 45364.0);
}

TEST(Reminder, IntervalsBelowOneAndOtherTypesCountAsTheDefault) {
    Store s;
    for (std::uint32_t stored : {0u, 0xFFFFFFFFu, 0x80000000u}) {
        s.Key()->WriteDword("UpdateInterval", stored);
        RenewReminder(s.registry, s.settings, 45000);
        EXPECT_EQ(ReadReminderDate(*s.Key()), 45027.0) << stored;
    }
    EXPECT_EQ(ReadStoredInterval(*s.Key()), std::int32_t{-2147483647 - 1});
    s.Key()->WriteString("UpdateInterval", "7");
    EXPECT_EQ(ReadStoredInterval(*s.Key()), std::nullopt);
    EXPECT_EQ(ReminderInterval(*s.Key()), 28);
    s.Key()->WriteBinary("UpdateInterval", {7, 0, 0, 0});
    EXPECT_EQ(ReminderInterval(*s.Key()), 28);
}

TEST(Reminder, NoUpdateDoesNotStopTheRenewal) {
    Store s;
    s.Key()->WriteString("NoUpdate", "");
    s.Key()->WriteDword("UpdateInterval", 14);
    RenewReminder(s.registry, s.settings, 45000);
    EXPECT_EQ(ReadReminderDate(*s.Key()), 45013.0);
    EXPECT_TRUE(s.Key()->ValueExists("NoUpdate"));
}

TEST(Reminder, DateOfAnotherTypeOrLengthCountsAsMissing) {
    Store s;
    s.Key()->WriteString("Update", "45000");
    EXPECT_EQ(ReadReminderDate(*s.Key()), std::nullopt);
    s.Key()->WriteDword("Update", 45000);
    EXPECT_EQ(ReadReminderDate(*s.Key()), std::nullopt);
    s.Key()->WriteBinary("Update", {0, 0, 0, 0, 0, 0x40, 0xE6});
    EXPECT_EQ(ReadReminderDate(*s.Key()), std::nullopt);
    // The renewal replaces such a value with a proper one.
    RenewReminder(s.registry, s.settings, 45000);
    EXPECT_EQ(s.Key()->ReadBinary("Update")->size(), 8u);
}

TEST(Reminder, RenewalWithTodayFromTheEnvironment) {
    Store s;
    UnsetEnvironment("RANGWERK_TODAY");
    const double clockToday = LocalToday();
    EXPECT_GT(clockToday, 45292.0);  // this machine's clock is past 2024
    SetEnvironment("RANGWERK_TODAY", "2024-01-01");
    EXPECT_EQ(LocalToday(), 45292.0);
    RenewReminder(s.registry, s.settings);
    EXPECT_EQ(ReadReminderDate(*s.Key()), 45319.0);
    // Another form, or a day that does not exist, leaves the clock's today.
    for (const char* wrong : {"2024-02-30", "2024-1-01", "01.01.2024", "2024-01-01 ", ""}) {
        SetEnvironment("RANGWERK_TODAY", wrong);
        EXPECT_EQ(LocalToday(), clockToday) << wrong;
    }
    UnsetEnvironment("RANGWERK_TODAY");
}

TEST(Reminder, DayCountsOfCalendarDates) {
    EXPECT_EQ(LocalDayCount(1899, 12, 30), 0.0);
    EXPECT_EQ(LocalDayCount(1900, 3, 1), 61.0);
    EXPECT_EQ(LocalDayCount(2000, 2, 29), 36585.0);
    EXPECT_EQ(LocalDayCount(2024, 3, 1), 45352.0);
    EXPECT_EQ(LocalDayCount(2024, 3, 1, 18, 0, 0), 45352.75);
    EXPECT_EQ(LocalDayCount(1899, 12, 29), -1.0);
}

}  // namespace
}  // namespace rangwerk
