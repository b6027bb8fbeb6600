#include "update/update_settings.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <filesystem>
#include <memory>

#include "platform/system.h"
#include "support/test_registry.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

class WizardSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("rangwerk-settings-" + std::to_string(SystemSeedSource().Seed()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        registry_ = std::make_unique<testing_support::TestRegistry>(folder_);
        key_ = registry_->OpenKey(RegistryRoot::LocalMachine, "Software\\Quarv\\Rangwerk");
    }
    void TearDown() override {
        key_.reset();
        registry_.reset();
        fs::remove_all(folder_);
    }
    fs::path folder_;
    std::unique_ptr<testing_support::TestRegistry> registry_;
    std::unique_ptr<RegistryKey> key_;
};

TEST_F(WizardSettingsTest, ShowsTheStoredChoiceWithTheIntervalInTheFieldsRange) {
    ReminderChoice shown = ReadReminderChoice(*key_);
    EXPECT_FALSE(shown.neverRemind);
    EXPECT_EQ(shown.intervalDays, 28);

    const std::pair<std::uint32_t, int> cases[] = {
        {14, 14}, {1, 1}, {365, 365}, {0, 1}, {366, 365}, {0x7FFFFFFF, 365}, {0xFFFFFFFF, 1}};
    for (const auto& [stored, expected] : cases) {
        key_->WriteDword("UpdateInterval", stored);
        EXPECT_EQ(ReadReminderChoice(*key_).intervalDays, expected) << stored;
    }

    // A value of another type counts as missing.
    key_->WriteString("UpdateInterval", "14");
    EXPECT_EQ(ReadReminderChoice(*key_).intervalDays, 28);

    // "NoUpdate" counts by its presence, whatever its type.
    key_->WriteDword("NoUpdate", 0);
    EXPECT_TRUE(ReadReminderChoice(*key_).neverRemind);
}

TEST_F(WizardSettingsTest, ReadsTheFieldTextAsAWholeNumberOrOne) {
    EXPECT_EQ(IntervalFromFieldText("14"), 14);
    EXPECT_EQ(IntervalFromFieldText(" 7"), 7);
    EXPECT_EQ(IntervalFromFieldText("+30"), 30);
    EXPECT_EQ(IntervalFromFieldText("365"), 365);
    EXPECT_EQ(IntervalFromFieldText("366"), 365);
    EXPECT_EQ(IntervalFromFieldText("99999999999999999999999"), 365);
    EXPECT_EQ(IntervalFromFieldText("0"), 1);
    EXPECT_EQ(IntervalFromFieldText("-5"), 1);
    for (const char* notANumber : {"", " ", "-", "abc", "1,5", "12a", "7 ", "0x10"})
        EXPECT_EQ(IntervalFromFieldText(notANumber), 1) << '"' << notANumber << '"';
}

TEST_F(WizardSettingsTest, SavingEitherChoiceRemovesTheOtherValue) {
    key_->WriteDword("UpdateInterval", 10);
    WriteReminderChoice(*key_, {true, 10});
    EXPECT_FALSE(key_->ValueExists("UpdateInterval"));
    EXPECT_EQ(key_->ReadString("NoUpdate"), std::string());

    WriteReminderChoice(*key_, {false, 14});
    EXPECT_FALSE(key_->ValueExists("NoUpdate"));
    EXPECT_EQ(key_->ReadDword("UpdateInterval"), 14u);

    // Saving with nothing to delete works as well and leaves the other values alone.
    key_->WriteString("ApplicationFileName", "\"/opt/rangwerk\"");
    WriteReminderChoice(*key_, {false, 14});
    WriteReminderChoice(*key_, {true, 1});
    WriteReminderChoice(*key_, {true, 1});
    EXPECT_TRUE(key_->ValueExists("NoUpdate"));
    EXPECT_EQ(key_->ReadString("ApplicationFileName"), "\"/opt/rangwerk\"");
}

}  // namespace
}  // namespace rangwerk
