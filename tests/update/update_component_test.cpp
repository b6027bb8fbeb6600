// The update component: the values it hands the wizard, the update-only start and a settings
// key that cannot be opened. The decision itself is automatic_update_test's.
#include "update/update_component.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/drive_type.h"
#include "support/scripted_dialogs.h"
#include "support/test_registry.h"
#include "update/reminder.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

constexpr double kToday = 46000;
constexpr double kFileTime = 45990.5;

class RecordingWizard : public UpdateWizard {
public:
    void ShowModal(const WizardInputs& inputs) override { showings.push_back(inputs); }
    std::vector<WizardInputs> showings;
};

class FailingRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot, const std::string&) override {
        throw RegistryError("Der Registrierungsschlüssel kann nicht geöffnet werden");
    }
};

class UpdateComponentTest : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(folder_); }

    UpdateComponent Make(Registry& store) {
        UpdateComponent component(UpdateComponentServices{
            store, dialogs, "/opt/rangwerk/bin/rangwerk", std::nullopt,
            [](const std::string&) { return kDriveFixed; },
            [](const std::string&) { return std::optional<double>(kFileTime); },
            [] { return kToday; }, [this] { ++terminations; }, true});
        component.SetWizard(&wizard);
        return component;
    }
    std::unique_ptr<RegistryKey> Key(RegistryRoot root = RegistryRoot::LocalMachine) {
        return registry.OpenKey(root, "Software\\Quarv\\Rangwerk");
    }

    fs::path folder_ =
        fs::temp_directory_path() /
        ("rangwerk-update-component-" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    testing_support::TestRegistry registry{folder_};
    testing::ScriptedDialogs dialogs;
    RecordingWizard wizard;
    int terminations = 0;
};

TEST_F(UpdateComponentTest, TheStartShowsTheWizardWithTheComponentsValues) {
    UpdateComponent component = Make(registry);
    EXPECT_EQ(component.ProgramName, kUpdateProgramName);
    EXPECT_EQ(component.RegistryKey, "Rangwerk");
    EXPECT_FALSE(component.HKCU);
    component.HKCU = true;
    component.ZIPFileName = "Other.zip";
    component.AutomaticUpdate("", false, 0);
    ASSERT_EQ(wizard.showings.size(), 1u);
    const WizardInputs& inputs = wizard.showings[0];
    EXPECT_EQ(inputs.programName, kUpdateProgramName);
    EXPECT_EQ(inputs.zipFileName, "Other.zip");
    EXPECT_EQ(inputs.registryKey, "Rangwerk");
    EXPECT_TRUE(inputs.hkcu);
    EXPECT_EQ(inputs.installedDate, kFileTime);
    EXPECT_EQ(Key(RegistryRoot::CurrentUser)->ReadString("ApplicationFileName"),
              std::optional<std::string>("\"/opt/rangwerk/bin/rangwerk\""));
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(component.OnlyUpdateEnded());

    // Reminded today already: nothing more today, but Ctrl+U still opens it.
    Key(RegistryRoot::CurrentUser)->WriteBinary("Update", EncodeReminderDate(kToday));
    component.AutomaticUpdate("", false, 0);
    EXPECT_EQ(wizard.showings.size(), 1u);
    component.ShortcutPressed();
    EXPECT_EQ(wizard.showings.size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(UpdateComponentTest, AnUpdateOnlyStartEndsTheProgramAfterTheWizard) {
    UpdateComponent component = Make(registry);
    Key()->WriteString("OnlyUpdate", "");
    Key()->WriteString("NoUpdate", "");
    component.AutomaticUpdate("", false, 0);
    EXPECT_EQ(wizard.showings.size(), 1u);
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(component.OnlyUpdateEnded());
}

TEST_F(UpdateComponentTest, ASettingsKeyThatCannotBeOpenedIsReportedOnce) {
    FailingRegistry failing;
    UpdateComponent component = Make(failing);
    dialogs.AnswerMessage(MessageButton::Ok);
    component.AutomaticUpdate("", false, 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              GeneralErrorMessage("Der Registrierungsschlüssel kann nicht geöffnet werden"));
    // Nothing is known of the reminder: the wizard comes.
    EXPECT_EQ(wizard.showings.size(), 1u);
}

}  // namespace
}  // namespace rangwerk
