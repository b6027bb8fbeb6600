#include "setup/quarv_setup.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry_file.h"
#include "setup/maker.h"
#include "support/counting_file_calls.h"
#include "support/forwarding_registry_key.h"
#include "support/scripted_dialogs.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
const std::string kEntryPath = std::string(kUninstallKeyPath) + "\\Rangwerk";
const std::string kSettingsPath = "Software\\Quarv\\Rangwerk";

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Passes every call on to another registry and records the deletions of keys.
class RecordingRegistry : public Registry {
public:
    explicit RecordingRegistry(Registry& inner) : inner_(inner) {}

    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path) override {
        return std::make_unique<Key>(*this, inner_.OpenKey(root, path),
                                     std::string(RegistryRootName(root)) + "\\" + path);
    }

    std::vector<std::string> deletedTrees;

private:
    class Key : public testing_support::ForwardingRegistryKey {
    public:
        Key(RecordingRegistry& owner, std::unique_ptr<RegistryKey> inner, std::string name)
            : ForwardingRegistryKey(std::move(inner)), owner_(owner), name_(std::move(name)) {}
        bool DeleteSubkeyTree(const std::string& n) override {
            owner_.deletedTrees.push_back(name_ + "\\" + n);
            return ForwardingRegistryKey::DeleteSubkeyTree(n);
        }

    private:
        RecordingRegistry& owner_;
        std::string name_;
    };

    Registry& inner_;
};

class QuarvSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rangwerk-setup-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        UseRegistryFolder(base_ / "registry");
    }

    void UseRegistryFolder(const fs::path& folder) {
        recording_.reset();
        registry_ = std::make_unique<FileRegistry>(folder);
        recording_ = std::make_unique<RecordingRegistry>(*registry_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(base_, ec);
    }

    QuarvSetupServices Services(std::optional<std::string> argument1,
                                std::string programPath = "/opt/rangwerk/Ranko",
                                std::string title = "Rangwerk") {
        return QuarvSetupServices{*recording_,
                                  dialogs_,
                                  std::move(title),
                                  std::move(programPath),
                                  std::move(argument1),
                                  [this] {
                                      ++versionReads_;
                                      return version_;
                                  },
                                  [this] { ++terminations_; }};
    }

    // A start as the main window makes it: construction, stored values, registration.
    void Start(std::optional<std::string> argument1 = std::nullopt,
               std::string programPath = "/opt/rangwerk/Ranko") {
        TQuarvSetup setup(Services(std::move(argument1), std::move(programPath)));
        setup.ApplyMainWindowValues();
        setup.WriteUninstallEntry();
    }

    std::unique_ptr<RegistryKey> Key(RegistryRoot root, const std::string& path) {
        return registry_->OpenKey(root, path);
    }

    std::string Files() {
        return ReadFile(registry_->FileOf(kUser)) + "|" + ReadFile(registry_->FileOf(kMachine));
    }

    // Another program's entry, the update settings in both roots and a sibling settings key.
    void FillRegistry() {
        Start();
        Key(kMachine, std::string(kUninstallKeyPath) + "\\Anderes")
            ->WriteString("DisplayName", "x");
        for (RegistryRoot root : {kUser, kMachine}) {
            auto settings = Key(root, kSettingsPath);
            settings->WriteDword("UpdateInterval", 14);
            settings->WriteString("NoUpdate", "");
            Key(root, kSettingsPath + "\\Tiefer")->WriteString("a", "b");
            Key(root, "Software\\Quarv\\Anderes")->WriteDword("UpdateInterval", 7);
        }
    }

    fs::path base_;
    std::unique_ptr<FileRegistry> registry_;
    std::unique_ptr<RecordingRegistry> recording_;
    testing::ScriptedDialogs dialogs_;
    std::string version_ = "1.0.0.0";
    int versionReads_ = 0;
    int terminations_ = 0;
};

TEST_F(QuarvSetupTest, DefaultsComeFromTheRunningProgram) {
    version_ = "2.3.4.5";
    TQuarvSetup setup(Services(std::nullopt, "/home/anna/Ranko"));
    EXPECT_EQ(setup.DisplayName, "Rangwerk");
    EXPECT_EQ(setup.DisplayIcon, "/home/anna/Ranko");
    EXPECT_EQ(setup.DisplayVersion, "2.3.4.5");
    EXPECT_EQ(setup.UninstallString, "\"/home/anna/Ranko\" /uninstall");
    EXPECT_EQ(setup.ModifyPath, "");
    EXPECT_EQ(setup.Readme, "");
    EXPECT_EQ(setup.Publisher, "Quarv-Software");
    EXPECT_EQ(setup.URLInfoAbout, "http://www.quarv-software.example/Programme.htm");
    EXPECT_EQ(setup.URLUpdateInfo, "");
    EXPECT_EQ(setup.HelpLink, "http://www.quarv-software.example/");
    EXPECT_EQ(setup.UninstallParam, "/uninstall");
    EXPECT_EQ(setup.RegKeyName, "Rangwerk");
    EXPECT_EQ(setup.QuarvRegKeyName, "Rangwerk");
    EXPECT_TRUE(setup.NoModify);
    EXPECT_TRUE(setup.NoRepair);
    EXPECT_FALSE(setup.QuarvUpdateUsed);
    EXPECT_TRUE(setup.AutoVersion);
    EXPECT_FALSE(setup.HKCU);
    EXPECT_TRUE(setup.UninstallMessage);
    setup.ApplyMainWindowValues();
    EXPECT_TRUE(setup.QuarvUpdateUsed);
    // An ordinary start asks nothing and touches nothing.
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_EQ(terminations_, 0);
    EXPECT_FALSE(fs::exists(registry_->FileOf(kMachine)));
    EXPECT_EQ(std::string(kMakerWebHost), "www.quarv-software.example");
    EXPECT_EQ(std::string(kMakerEmail), "info@quarv-software.example");
}

TEST_F(QuarvSetupTest, FirstStartWritesTheEntry) {
    Start();
    const std::string section =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rangwerk]\n"
        "\"DisplayName\"=\"Rangwerk\"\n"
        "\"DisplayIcon\"=\"/opt/rangwerk/Ranko\"\n"
        "\"DisplayVersion\"=\"1.0.0.0\"\n"
        "\"UninstallString\"=\"\\\"/opt/rangwerk/Ranko\\\" /uninstall\"\n"
        "\"Publisher\"=\"Quarv-Software\"\n"
        "\"URLInfoAbout\"=\"http://www.quarv-software.example/Programme.htm\"\n"
        "\"URLUpdateInfo\"=\"Strg+U im Programm drücken\"\n"
        "\"HelpLink\"=\"http://www.quarv-software.example/\"\n"
        "\"NoModify\"=dword:00000001\n"
        "\"NoRepair\"=dword:00000001\n"
        "\n";
    std::string text = ReadFile(registry_->FileOf(kMachine));
    EXPECT_NE(text.find(section), std::string::npos) << text;
    auto entry = Key(kMachine, kEntryPath);
    EXPECT_FALSE(entry->ValueExists("ModifyPath"));
    EXPECT_FALSE(entry->ValueExists("Readme"));
    EXPECT_EQ(entry->ReadString("UninstallString"), "\"/opt/rangwerk/Ranko\" /uninstall");
    EXPECT_FALSE(Key(kUser, kUninstallKeyPath)->HasSubkey("Rangwerk"));
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_EQ(terminations_, 0);

    // The next start with the same program finds everything in place and rewrites nothing.
    std::string before = Files();
    Start();
    EXPECT_EQ(Files(), before);
}

TEST_F(QuarvSetupTest, AFirstStartWritesTheStoreOnce) {
    testing_support::CountingFileCalls calls;
    recording_.reset();
    registry_ = std::make_unique<FileRegistry>(base_ / "registry", calls);
    recording_ = std::make_unique<RecordingRegistry>(*registry_);
    Start();
    EXPECT_EQ(calls.syncs, 1) << "one replace, the file flushed once";
    EXPECT_EQ(Key(kMachine, kEntryPath)->ReadString("DisplayName"), "Rangwerk");
    calls.syncs = 0;
    Start();
    EXPECT_EQ(calls.syncs, 0) << "a later start changes nothing";
}

TEST_F(QuarvSetupTest, AMovedProgramIsRegisteredWithItsNewPath) {
    Start(std::nullopt, "/opt/alt/Ranko");
    Start(std::nullopt, "/home/anna/Programme/Rangwerk neu/Rangwerk");
    auto entry = Key(kMachine, kEntryPath);
    EXPECT_EQ(entry->ReadString("DisplayIcon"), "/home/anna/Programme/Rangwerk neu/Rangwerk");
    EXPECT_EQ(entry->ReadString("UninstallString"),
              "\"/home/anna/Programme/Rangwerk neu/Rangwerk\" /uninstall");
}

TEST_F(QuarvSetupTest, ValuesAddedByHandAreDeletedOrKept) {
    Start();
    auto entry = Key(kMachine, kEntryPath);
    entry->WriteString("ModifyPath", "\"/opt/rangwerk/Ranko\" /modify");
    entry->WriteString("Readme", "/opt/rangwerk/Liesmich.txt");
    entry->WriteDword("EstimatedSize", 1200);
    entry->WriteDword("NoModify", 0);
    Start();
    EXPECT_FALSE(entry->ValueExists("ModifyPath"));
    EXPECT_FALSE(entry->ValueExists("Readme"));
    EXPECT_EQ(entry->ReadDword("EstimatedSize"), 1200u);  // not the program's: left alone
    EXPECT_EQ(entry->ReadDword("NoModify"), 1u);
}

TEST_F(QuarvSetupTest, PropertiesDecideWhatIsWrittenOrDeleted) {
    Start();
    TQuarvSetup setup(Services(std::nullopt));
    setup.DisplayIcon = "";
    setup.Publisher = "";
    setup.URLInfoAbout = "";
    setup.HelpLink = "";
    setup.URLUpdateInfo = "http://www.quarv-software.example/Updates.htm";
    setup.ModifyPath = "\"/opt/rangwerk/Ranko\" /modify";
    setup.Readme = "/opt/rangwerk/Liesmich.txt";
    setup.NoModify = false;
    setup.NoRepair = false;
    setup.WriteUninstallEntry();
    auto entry = Key(kMachine, kEntryPath);
    for (const char* gone :
         {"DisplayIcon", "Publisher", "URLInfoAbout", "HelpLink", "NoModify", "NoRepair"}) {
        EXPECT_FALSE(entry->ValueExists(gone)) << gone;
    }
    EXPECT_EQ(entry->ReadString("URLUpdateInfo"), "http://www.quarv-software.example/Updates.htm");
    EXPECT_EQ(entry->ReadString("ModifyPath"), "\"/opt/rangwerk/Ranko\" /modify");
    EXPECT_EQ(entry->ReadString("Readme"), "/opt/rangwerk/Liesmich.txt");

    setup.URLUpdateInfo = "";
    setup.WriteUninstallEntry();
    EXPECT_FALSE(entry->ValueExists("URLUpdateInfo"));

    // Without an uninstall command the program is not registered at all.
    setup.UninstallString = "";
    setup.RegKeyName = "Rangwerk2";
    setup.WriteUninstallEntry();
    EXPECT_FALSE(Key(kMachine, kUninstallKeyPath)->HasSubkey("Rangwerk2"));

    // HKCU puts the entry below the user's root.
    TQuarvSetup user(Services(std::nullopt));
    user.HKCU = true;
    user.WriteUninstallEntry();
    EXPECT_EQ(Key(kUser, kEntryPath)->ReadString("DisplayName"), "Rangwerk");
}

TEST_F(QuarvSetupTest, VersionIsReadAtEachRegistration) {
    TQuarvSetup setup(Services(std::nullopt));
    setup.ApplyMainWindowValues();
    version_ = "";
    setup.WriteUninstallEntry();
    auto entry = Key(kMachine, kEntryPath);
    EXPECT_TRUE(entry->ValueExists("DisplayVersion"));
    EXPECT_EQ(entry->ReadString("DisplayVersion"), "");

    version_ = "1.0.0.1";
    setup.WriteUninstallEntry();
    EXPECT_EQ(entry->ReadString("DisplayVersion"), "1.0.0.1");

    // Without AutoVersion the property counts, and an empty one deletes the value.
    setup.AutoVersion = false;
    setup.DisplayVersion = "3.0";
    int reads = versionReads_;
    setup.WriteUninstallEntry();
    EXPECT_EQ(entry->ReadString("DisplayVersion"), "3.0");
    EXPECT_EQ(versionReads_, reads);
    setup.DisplayVersion = "";
    setup.WriteUninstallEntry();
    EXPECT_FALSE(entry->ValueExists("DisplayVersion"));
}

TEST_F(QuarvSetupTest, UninstallAnsweredNoChangesNothing) {
    FillRegistry();
    std::string before = Files();
    dialogs_.AnswerMessage(MessageButton::No);
    Start("/uninstall", "/somewhere/else/Ranko");

    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0],
              WarningQuestion("Soll Rangwerk wirklich deinstalliert werden?"));
    EXPECT_EQ(dialogs_.messages[0].sound, SystemSound::Exclamation);
    EXPECT_EQ(dialogs_.messages[0].defaultButton, MessageButton::Yes);
    EXPECT_EQ(dialogs_.messages[0].escapeButton, MessageButton::No);
    EXPECT_EQ(terminations_, 1);
    EXPECT_EQ(Files(), before);  // and no entry with the other path either
}

TEST_F(QuarvSetupTest, UninstallBoxClosedChangesNothing) {
    FillRegistry();
    std::string before = Files();
    Start("/uninstall");  // no answer given: the box is closed with its escape button
    EXPECT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(terminations_, 1);
    EXPECT_EQ(Files(), before);
}

TEST_F(QuarvSetupTest, UninstallAnsweredYesRemovesTheProgramsKeys) {
    FillRegistry();
    dialogs_.AnswerMessage(MessageButton::Yes);
    dialogs_.AnswerMessage(MessageButton::Ok);
    Start("/uninstall");

    EXPECT_TRUE(dialogs_.AllAnswered());
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    const MessageRequest& done = dialogs_.messages[1];
    EXPECT_EQ(done.caption, "Deinstallation abgeschlossen");
    EXPECT_EQ(done.icon, MessageIcon::Information);
    EXPECT_EQ(done.buttons, std::vector<MessageButton>{MessageButton::Ok});
    EXPECT_EQ(done.text,
              "Rangwerk wurde erfolgreich entfernt. Die Programmdatei und evtl. mit diesem "
              "Programm erstellte Dateien müssen manuell gelöscht werden.");
    EXPECT_EQ(terminations_, 1);
    EXPECT_EQ(
        recording_->deletedTrees,
        (std::vector<std::string>{
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rangwerk",
            "HKEY_CURRENT_USER\\SOFTWARE\\Quarv\\Rangwerk",
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv\\Rangwerk"}));

    EXPECT_FALSE(Key(kMachine, kUninstallKeyPath)->HasSubkey("Rangwerk"));
    EXPECT_EQ(
        Key(kMachine, std::string(kUninstallKeyPath) + "\\Anderes")->ReadString("DisplayName"),
        "x");
    for (RegistryRoot root : {kUser, kMachine}) {
        auto quarv = Key(root, "SOFTWARE");
        EXPECT_TRUE(quarv->HasSubkey("Quarv"));
        EXPECT_FALSE(quarv->HasSubkey("Quarv\\Rangwerk"));
        EXPECT_EQ(Key(root, "SOFTWARE\\Quarv\\Anderes")->ReadDword("UpdateInterval"), 7u);
    }
}

TEST_F(QuarvSetupTest, UninstallWithoutAnyEntryCreatesTheQuarvKey) {
    dialogs_.AnswerMessage(MessageButton::Yes);
    dialogs_.AnswerMessage(MessageButton::Ok);
    TQuarvSetup setup(Services("/uninstall"));
    EXPECT_TRUE(dialogs_.AllAnswered());
    EXPECT_EQ(terminations_, 1);
    for (RegistryRoot root : {kUser, kMachine}) {
        std::string text = ReadFile(registry_->FileOf(root));
        EXPECT_NE(text.find(std::string("[") + RegistryRootName(root) + "\\SOFTWARE\\Quarv]\n"),
                  std::string::npos)
            << text;
    }
    // The registration after the construction does nothing on this start.
    setup.WriteUninstallEntry();
    EXPECT_FALSE(Key(kMachine, kUninstallKeyPath)->HasSubkey("Rangwerk"));
}

TEST_F(QuarvSetupTest, OnlyTheExactSwitchStartsTheRemoval) {
    for (const char* argument : {"/UNINSTALL", "/uninstall ", "uninstall", "-uninstall", ""}) {
        SCOPED_TRACE(argument);
        Start(argument);
        EXPECT_TRUE(dialogs_.messages.empty());
        EXPECT_EQ(terminations_, 0);
        EXPECT_TRUE(Key(kMachine, kUninstallKeyPath)->HasSubkey("Rangwerk"));
        ASSERT_TRUE(Key(kMachine, kUninstallKeyPath)->DeleteSubkeyTree("Rangwerk"));
    }
    // An empty switch matches no start, not even one with an empty argument.
    TQuarvSetup setup(Services(""));
    setup.UninstallParam = "";
    EXPECT_FALSE(setup.UninstallRequested());
}

TEST_F(QuarvSetupTest, EmptyKeyNamesDeleteNothing) {
    FillRegistry();
    Key(kMachine, kUninstallKeyPath)->WriteString("Eigen", "im Schlüssel selbst");
    Key(kUser, "SOFTWARE\\Quarv")->WriteString("Eigen", "im Schlüssel selbst");
    std::string before = Files();

    dialogs_.AnswerMessage(MessageButton::Yes);
    dialogs_.AnswerMessage(MessageButton::Ok);
    TQuarvSetup setup(Services("/uninstall", "/opt/rangwerk/Ranko", ""));  // empty title
    EXPECT_TRUE(dialogs_.AllAnswered());
    EXPECT_EQ(setup.RegKeyName, "");
    EXPECT_TRUE(recording_->deletedTrees.empty());
    EXPECT_EQ(Files(), before);

    // Nor is an entry written into the uninstall list's own key.
    TQuarvSetup ordinary(Services(std::nullopt, "/opt/rangwerk/Ranko", ""));
    ordinary.WriteUninstallEntry();
    EXPECT_EQ(Files(), before);
}

TEST_F(QuarvSetupTest, ARegistryThatCannotBeWrittenDoesNotStopTheStart) {
    // The registry folder lies below a plain file: nothing can be created there, not even by root.
    std::ofstream(base_ / "blocker") << "x";
    UseRegistryFolder(base_ / "blocker" / "registry");

    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Start());
    std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("Rangwerk: "), std::string::npos) << report;
    EXPECT_EQ(terminations_, 0);

    // The removal passes over the keys silently and still reports its completion.
    dialogs_.AnswerMessage(MessageButton::Yes);
    dialogs_.AnswerMessage(MessageButton::Ok);
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Start("/uninstall"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(dialogs_.AllAnswered());
    EXPECT_EQ(dialogs_.LastMessage().caption, "Deinstallation abgeschlossen");
    EXPECT_EQ(terminations_, 1);
}

}  // namespace
}  // namespace rangwerk
