// The registration against the registry of the system it runs on: on Windows (Wine in CI) the
// real registry, elsewhere the file registry. The cases of quarv_setup_test.cpp compare the file
// registry's stores byte for byte and run only where that registry is the system's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/system.h"
#include "setup/quarv_setup.h"
#include "support/scripted_dialogs.h"
#include "support/test_registry.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using testing_support::TestRegistry;

const std::string kEntryPath = std::string(kUninstallKeyPath) + "\\Rangwerk";

class SetupSystemRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() /
                ("rangwerk-setup-system-" + std::to_string(SystemSeedSource().Seed()));
        fs::remove_all(base_);
        fs::create_directories(base_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(base_, ec);
    }

    // A start as the main window makes it: construction, stored values, registration.
    void Start(Registry& registry, std::optional<std::string> argument1 = std::nullopt) {
        TQuarvSetup setup(QuarvSetupServices{
            registry, dialogs_, "Rangwerk", "C:\\Programme\\Rangwerk\\Ranko.exe",
            std::move(argument1), [] { return "1.0.0.0"; }, [this] { ++terminations_; }});
        setup.ApplyMainWindowValues();
        setup.WriteUninstallEntry();
    }

    fs::path base_;
    testing::ScriptedDialogs dialogs_;
    int terminations_ = 0;
};

TEST_F(SetupSystemRegistryTest, RegistersAndRemovesTheProgram) {
    TestRegistry registry(base_ / "registry");
    Start(registry);
    {
        auto entry = registry.OpenKey(RegistryRoot::LocalMachine, kEntryPath);
        EXPECT_EQ(entry->ReadString("DisplayName"), "Rangwerk");
        EXPECT_EQ(entry->ReadString("UninstallString"),
                  "\"C:\\Programme\\Rangwerk\\Ranko.exe\" /uninstall");
        EXPECT_EQ(entry->ReadString("URLUpdateInfo"),
                  "Strg+U im Programm dr\xC3\xBC"
                  "cken");
        EXPECT_EQ(entry->ReadDword("NoModify"), 1u);
        registry.OpenKey(RegistryRoot::CurrentUser, "SOFTWARE\\Quarv\\Rangwerk")
            ->WriteDword("UpdateInterval", 14);
    }

    dialogs_.AnswerMessage(MessageButton::Yes);
    dialogs_.AnswerMessage(MessageButton::Ok);
    Start(registry, "/uninstall");
    EXPECT_TRUE(dialogs_.AllAnswered());
    EXPECT_EQ(terminations_, 1);
    EXPECT_FALSE(
        registry.OpenKey(RegistryRoot::LocalMachine, kUninstallKeyPath)->HasSubkey("Rangwerk"));
    EXPECT_FALSE(registry.OpenKey(RegistryRoot::CurrentUser, kQuarvKeyPath)->HasSubkey("Rangwerk"));
}

// A machine root that refuses every key, as HKEY_LOCAL_MACHINE does for a user without
// administrator rights: the start reports it on stderr and goes on, the removal passes over it.
// Windows: the registry itself refuses (a volatile key cannot hold lasting subkeys, error 1021),
// and the backend's German message names the key. Elsewhere the file registry's folder lies
// below a plain file.
TEST_F(SetupSystemRegistryTest, ARefusingMachineRootDoesNotStopTheStart) {
#ifdef _WIN32
    TestRegistry registry;
    const std::string machine = registry.KeyPathOf(RegistryRoot::LocalMachine);
    const std::wstring wide(machine.begin(), machine.end());  // ASCII
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string expected = "Der Registrierungsschl\xC3\xBCssel \"HKEY_CURRENT_USER\\" +
                                 machine + "\\" + kEntryPath +
                                 "\" konnte nicht ge\xC3\xB6"
                                 "ffnet werden (Fehler 1021).";
#else
    std::ofstream(base_ / "blocker") << "x";
    TestRegistry registry(base_ / "blocker" / "registry");
    const std::string expected = "konnte nicht geschrieben werden";
#endif
    EXPECT_THROW(registry.OpenKey(RegistryRoot::LocalMachine, kEntryPath), RegistryError);

    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Start(registry));
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(report.rfind("Rangwerk: Der Eintrag in der Liste der installierten Programme konnte "
                           "nicht geschrieben werden: ",
                           0),
              0u)
        << report;
    EXPECT_NE(report.find(expected), std::string::npos) << report;
    EXPECT_EQ(terminations_, 0);

    dialogs_.AnswerMessage(MessageButton::Yes);
    dialogs_.AnswerMessage(MessageButton::Ok);
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Start(registry, "/uninstall"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(dialogs_.AllAnswered());
    EXPECT_EQ(dialogs_.LastMessage().caption, "Deinstallation abgeschlossen");
    EXPECT_EQ(terminations_, 1);
}

}  // namespace
}  // namespace rangwerk
