// The start-up reminder check and the Ctrl+U entry, as a function of the settings key, today's
// date, the drive and the command line.
#include "update/automatic_update.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/drive_type.h"
#include "support/forwarding_registry_key.h"
#include "support/test_registry.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

constexpr double kToday = 46000;
constexpr double kFileTime = 45990.25;
const std::string kProgram = "/opt/rangwerk/bin/rangwerk";

// Passes reads on to another registry; opening or writing fails when told to.
class LockedRegistry : public Registry {
public:
    explicit LockedRegistry(Registry& inner) : inner_(inner) {}
    bool failOpen = false;
    bool failWrite = false;

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
        if (failOpen)
            throw RegistryError("Der Schlüssel kann nicht geöffnet werden");
        return std::make_unique<Key>(*this, inner_.OpenKey(root, path));
    }

private:
    class Key : public testing_support::ForwardingRegistryKey {
    public:
        Key(LockedRegistry& owner, std::unique_ptr<RegistryKey> inner)
            : ForwardingRegistryKey(std::move(inner)), owner_(owner) {}

    private:
        void BeforeChange() override {
            if (owner_.failWrite)
                throw RegistryError("Der Wert kann nicht geschrieben werden");
        }
        LockedRegistry& owner_;
    };

    Registry& inner_;
};

class AutomaticUpdateTest : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(folder_); }

    AutomaticUpdateDecision Decide(bool forced, const std::string& argument = "",
                                   double installedDate = 0) {
        AutomaticUpdateServices services{locked,    kProgram,
                                         argument1, [this](const std::string&) { return drive; },
                                         {},        [this] { return today; }};
        services.fileTime = [this](const std::string& path) -> std::optional<double> {
            EXPECT_EQ(path, kProgram);
            return fileTime;
        };
        services.updateHostKnown = hostKnown;
        return DecideAutomaticUpdate(services, UpdateSettingsKey{}, argument, forced,
                                     installedDate);
    }
    std::unique_ptr<RegistryKey> Key() {
        return registry.OpenKey(RegistryRoot::LocalMachine, "SOFTWARE\\Quarv\\Rangwerk");
    }
    bool KeyExists() {
        return registry.OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv")
            ->HasSubkey("Rangwerk");
    }
    std::optional<std::string> ApplicationFileName() {
        return Key()->ReadString("ApplicationFileName");
    }

    fs::path folder_ =
        fs::temp_directory_path() /
        ("rangwerk-automatic-update-" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    testing_support::TestRegistry registry{folder_};
    LockedRegistry locked{registry};
    std::optional<std::string> argument1;
    int drive = kDriveFixed;
    bool hostKnown = true;
    double today = kToday;
    std::optional<double> fileTime = kFileTime;
};

TEST_F(AutomaticUpdateTest, FirstStartCreatesTheKeyAndShowsTheWizard) {
    ASSERT_FALSE(KeyExists());
    const auto decision = Decide(false);
    EXPECT_TRUE(decision.showWizard);
    EXPECT_FALSE(decision.onlyUpdate);
    EXPECT_EQ(decision.installedDate, kFileTime);
    EXPECT_EQ(decision.failure, std::nullopt);
    EXPECT_EQ(ApplicationFileName(), "\"/opt/rangwerk/bin/rangwerk\"");
    // The check itself never moves the reminder.
    EXPECT_FALSE(Key()->ValueExists("Update"));
}

TEST_F(AutomaticUpdateTest, WithoutAnUpdateHostOnlyCtrlUShowsTheWizard) {
    hostKnown = false;
    Key()->WriteString("OnlyUpdate", "");
    const auto start = Decide(false);
    EXPECT_FALSE(start.showWizard);
    EXPECT_EQ(start.failure, std::nullopt);
    EXPECT_EQ(ApplicationFileName(), "\"/opt/rangwerk/bin/rangwerk\"");  // written all the same
    EXPECT_TRUE(Decide(true).showWizard);
}

TEST_F(AutomaticUpdateTest, ArgumentFollowsTheQuotedPath) {
    Decide(false, "/quiet");
    EXPECT_EQ(ApplicationFileName(), "\"/opt/rangwerk/bin/rangwerk\" /quiet");
}

TEST_F(AutomaticUpdateTest, ReminderDateOfTodayWaitsUntilTomorrow) {
    Key()->WriteBinary("Update", EncodeReminderDate(kToday));
    EXPECT_FALSE(Decide(false).showWizard);
    EXPECT_EQ(ApplicationFileName(), "\"/opt/rangwerk/bin/rangwerk\"");  // written all the same
    today = kToday + 1;
    EXPECT_TRUE(Decide(false).showWizard);
    // A date in the future, or later today, waits as well; Ctrl+U does not.
    Key()->WriteBinary("Update", EncodeReminderDate(kToday + 27));
    EXPECT_FALSE(Decide(false).showWizard);
    Key()->WriteBinary("Update", EncodeReminderDate(kToday + 1.5));
    EXPECT_FALSE(Decide(false).showWizard);
    EXPECT_TRUE(Decide(true).showWizard);
}

TEST_F(AutomaticUpdateTest, NoUpdateStopsTheStartButNotCtrlU) {
    Key()->WriteString("NoUpdate", "");
    EXPECT_FALSE(Decide(false).showWizard);
    Key()->DeleteValue("ApplicationFileName");
    const auto forced = Decide(true);
    EXPECT_TRUE(forced.showWizard);
    EXPECT_EQ(forced.installedDate, kFileTime);
    EXPECT_FALSE(Key()->ValueExists("ApplicationFileName"));  // Ctrl+U never writes it
}

TEST_F(AutomaticUpdateTest, CdRomAndUnknownDrivesNeverShowTheWizard) {
    for (int type :
         std::initializer_list<int>{kDriveCdRom, kDriveNoRootDir, kDriveUnknown, 7, -1}) {
        drive = type;
        EXPECT_FALSE(Decide(false).showWizard) << type;
        EXPECT_FALSE(Decide(true).showWizard) << type;
        Key()->WriteString("OnlyUpdate", "");
        EXPECT_FALSE(Decide(false).showWizard) << type;
        EXPECT_FALSE(Decide(false).onlyUpdate) << type;
        Key()->DeleteValue("OnlyUpdate");
    }
    // "ApplicationFileName" is written at the start all the same.
    EXPECT_EQ(ApplicationFileName(), "\"/opt/rangwerk/bin/rangwerk\"");
    for (int type :
         std::initializer_list<int>{kDriveRemovable, kDriveFixed, kDriveRemote, kDriveRamDisk}) {
        drive = type;
        EXPECT_TRUE(Decide(false).showWizard) << type;
    }
}

TEST_F(AutomaticUpdateTest, NetworkPathHasNoDriveRoot) {
    // Through the platform's own query: two backslashes name no drive on any system.
    AutomaticUpdateServices services{registry, "\\\\server\\share\\Ranko.exe", std::nullopt, {},
                                     {},       [] { return kToday; },          true};
    EXPECT_FALSE(DecideAutomaticUpdate(services, UpdateSettingsKey{}, "", false, 0).showWizard);
    EXPECT_FALSE(DecideAutomaticUpdate(services, UpdateSettingsKey{}, "", true, 0).showWizard);
    EXPECT_EQ(ApplicationFileName(), "\"\\\\server\\share\\Ranko.exe\"");
}

TEST_F(AutomaticUpdateTest, UninstallDoesNothing) {
    argument1 = "/uninstall";
    for (bool forced : {false, true}) {
        EXPECT_FALSE(Decide(forced).showWizard);
    }
    EXPECT_FALSE(KeyExists());
    // Only the exact switch.
    argument1 = "/Uninstall";
    EXPECT_TRUE(Decide(false).showWizard);
    EXPECT_TRUE(KeyExists());
}

TEST_F(AutomaticUpdateTest, OnlyUpdateShowsTheWizardWhateverTheReminderSays) {
    Key()->WriteDword("OnlyUpdate", 0);  // of any type
    Key()->WriteString("NoUpdate", "");
    Key()->WriteBinary("Update", EncodeReminderDate(kToday + 100));
    for (bool forced : {false, true}) {
        const auto decision = Decide(forced);
        EXPECT_TRUE(decision.showWizard);
        EXPECT_TRUE(decision.onlyUpdate);
    }
}

TEST_F(AutomaticUpdateTest, GivenInstalledDateWinsOverTheFileTime) {
    EXPECT_EQ(Decide(false, "", 44000.5).installedDate, 44000.5);
    fileTime.reset();  // a program file that cannot be examined
    EXPECT_EQ(Decide(false).installedDate, 0.0);
    EXPECT_TRUE(Decide(false).showWizard);
}

TEST_F(AutomaticUpdateTest, ValuesOfTheWrongTypeCountAsMissing) {
    Key()->WriteString("Update", "46000");  // not binary: yesterday
    EXPECT_TRUE(Decide(false).showWizard);
    Key()->WriteBinary("Update", {0, 0, 0, 0, 0, 0x76, 0xE6, 0x40, 0});  // 9 bytes
    EXPECT_TRUE(Decide(false).showWizard);
    Key()->WriteBinary("Update", EncodeReminderDate(kToday));
    EXPECT_FALSE(Decide(false).showWizard);
    // An interval of 0 stored by another program leaves the check alone.
    Key()->WriteDword("UpdateInterval", 0);
    EXPECT_FALSE(Decide(false).showWizard);
}

TEST_F(AutomaticUpdateTest, SettingsKeyThatCannotBeWrittenDoesNotStopTheStart) {
    Key()->WriteBinary("Update", EncodeReminderDate(kToday));
    locked.failWrite = true;
    auto decision = Decide(false);
    ASSERT_TRUE(decision.failure.has_value());
    EXPECT_EQ(*decision.failure, "Der Wert kann nicht geschrieben werden");
    EXPECT_FALSE(decision.showWizard);  // the stored values were still read
    EXPECT_FALSE(Key()->ValueExists("ApplicationFileName"));
    // Ctrl+U writes nothing, so nothing fails.
    decision = Decide(true);
    EXPECT_EQ(decision.failure, std::nullopt);
    EXPECT_TRUE(decision.showWizard);

    // A key that cannot even be opened: every value counts as missing, once reported.
    locked.failOpen = true;
    decision = Decide(false);
    EXPECT_EQ(decision.failure, "Der Schlüssel kann nicht geöffnet werden");
    EXPECT_TRUE(decision.showWizard);
    EXPECT_EQ(decision.installedDate, kFileTime);
}

}  // namespace
}  // namespace rangwerk
