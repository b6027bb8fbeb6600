#include "platform/registry_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/counting_file_calls.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

class RegistryFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rangwerk-registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        folder_ = base_ / "registry";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(base_, ec);
    }

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path base_;
    fs::path folder_;
};

TEST_F(RegistryFileTest, EveryTypeSurvivesTheFile) {
    const std::vector<std::string> texts = {
        "",
        "Quarv-Software",
        "\"C:\\Programme\\Rangwerk\\Ranko.exe\" /uninstall",
        "endet mit \\",
        "Strg+U im Programm drücken",
        "Preis: 5 €",
        "Zeile 1\r\nZeile 2\nZeile 3",
        "Tab\tund \"Anführung\" und \\ mit Zeilenumbruch\n",
        "Notenschlüssel \xF0\x9D\x84\x9E\nzweite Zeile",
    };
    const std::vector<std::vector<std::uint8_t>> blobs = {
        {},
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xE6, 0x40},
        {0xFF, 0x00, 0x0A, 0x0D, 0x5C, 0x22},
    };
    const std::vector<std::uint32_t> numbers = {0, 28, 0x7FFFFFFF, 0xFFFFFFFF};
    {
        FileRegistry registry(folder_);
        auto key = registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk");
        for (std::size_t i = 0; i < texts.size(); ++i) {
            key->WriteString("Text" + std::to_string(i), texts[i]);
        }
        for (std::size_t i = 0; i < blobs.size(); ++i) {
            key->WriteBinary("Blob" + std::to_string(i), blobs[i]);
        }
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            key->WriteDword("Number" + std::to_string(i), numbers[i]);
        }
        key->WriteString("", "Vorgabe");
    }
    // A new registry object reads everything from the file again.
    FileRegistry registry(folder_);
    auto key = registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(key->ReadString("Text" + std::to_string(i)), texts[i]) << i;
    }
    for (std::size_t i = 0; i < blobs.size(); ++i) {
        EXPECT_EQ(key->ReadBinary("Blob" + std::to_string(i)), blobs[i]) << i;
    }
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_EQ(key->ReadDword("Number" + std::to_string(i)), numbers[i]) << i;
    }
    EXPECT_EQ(key->ReadString(""), "Vorgabe");
    // Nothing leaks into the other root, and no temporary file is left behind.
    EXPECT_FALSE(registry.OpenKey(kMachine, "SOFTWARE\\Quarv\\Rangwerk")->ValueExists("Text1"));
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock",
                                        "HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE.reg.lock"}));
}

TEST_F(RegistryFileTest, ValuesOfAnotherTypeAreNotReadAsThisType) {
    FileRegistry registry(folder_);
    auto key = registry.OpenKey(kMachine, "Software\\Quarv\\Rangwerk");
    key->WriteString("NoUpdate", "");
    key->WriteDword("UpdateInterval", 7);
    EXPECT_TRUE(key->ValueExists("NoUpdate"));
    EXPECT_EQ(key->ReadString("NoUpdate"), "");
    EXPECT_EQ(key->ReadDword("NoUpdate"), std::nullopt);
    EXPECT_EQ(key->ReadBinary("UpdateInterval"), std::nullopt);
    EXPECT_EQ(key->ReadString("UpdateInterval"), std::nullopt);
    EXPECT_FALSE(key->ValueExists("Update"));
    EXPECT_EQ(key->ReadBinary("Update"), std::nullopt);

    // Writing another type replaces the value in its place.
    key->WriteBinary("UpdateInterval", {1, 2});
    EXPECT_EQ(key->ReadDword("UpdateInterval"), std::nullopt);
    EXPECT_EQ(key->ReadBinary("UpdateInterval"), (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(RegistryFileTest, DeletingValues) {
    FileRegistry registry(folder_);
    auto key = registry.OpenKey(kUser, "SOFTWARE\\Test");
    key->WriteString("ModifyPath", "x");
    key->WriteString("Readme", "y");
    EXPECT_TRUE(key->DeleteValue("ModifyPath"));
    EXPECT_FALSE(key->ValueExists("ModifyPath"));
    EXPECT_EQ(key->ReadString("Readme"), "y");
    EXPECT_FALSE(key->DeleteValue("ModifyPath"));  // missing: no error
    EXPECT_FALSE(key->DeleteValue("Nie da"));

    // A value deleted through one open key is gone for another.
    auto again = registry.OpenKey(kUser, "SOFTWARE\\Test");
    EXPECT_TRUE(again->DeleteValue("Readme"));
    EXPECT_FALSE(key->ValueExists("Readme"));
}

TEST_F(RegistryFileTest, DeletingKeyTrees) {
    FileRegistry registry(folder_);
    registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk\\Tief\\Tiefer")->WriteDword("a", 1);
    registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk")->WriteDword("b", 2);
    registry.OpenKey(kUser, "SOFTWARE\\Quarv\\RangwerkPlus")->WriteDword("c", 3);
    registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk Alt")->WriteDword("d", 4);
    registry.OpenKey(kMachine, "SOFTWARE\\Quarv\\Rangwerk")->WriteDword("e", 5);

    auto quarv = registry.OpenKey(kUser, "SOFTWARE\\Quarv");
    EXPECT_TRUE(quarv->HasSubkey("Rangwerk"));
    EXPECT_TRUE(quarv->HasSubkey("Rangwerk\\Tief\\Tiefer"));
    EXPECT_TRUE(quarv->DeleteSubkeyTree("Rangwerk"));
    EXPECT_FALSE(quarv->HasSubkey("Rangwerk"));
    EXPECT_FALSE(quarv->HasSubkey("Rangwerk\\Tief"));
    EXPECT_FALSE(quarv->DeleteSubkeyTree("Rangwerk"));  // missing: no error

    // Keys whose names merely start alike, the parent and the other root stay.
    EXPECT_EQ(registry.OpenKey(kUser, "SOFTWARE\\Quarv\\RangwerkPlus")->ReadDword("c"), 3u);
    EXPECT_EQ(registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk Alt")->ReadDword("d"), 4u);
    EXPECT_TRUE(registry.OpenKey(kUser, "SOFTWARE")->HasSubkey("Quarv"));
    EXPECT_EQ(registry.OpenKey(kMachine, "SOFTWARE\\Quarv\\Rangwerk")->ReadDword("e"), 5u);

    // Reopening creates the key again, empty.
    EXPECT_FALSE(registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk")->ValueExists("b"));

    // A name that would mean the key itself is refused instead of emptying it.
    EXPECT_THROW(quarv->DeleteSubkeyTree(""), RegistryError);
    EXPECT_THROW(quarv->DeleteSubkeyTree("\\"), RegistryError);
    EXPECT_TRUE(quarv->HasSubkey("RangwerkPlus"));
}

TEST_F(RegistryFileTest, NamesIgnoreLetterCase) {
    FileRegistry registry(folder_);
    registry.OpenKey(kUser, "Software\\Quarv\\Rangwerk")->WriteDword("UpdateInterval", 14);
    registry.OpenKey(kUser, "Software\\Quarv\\Größe")->WriteString("Äpfel", "rot");

    auto key = registry.OpenKey(kUser, "SOFTWARE\\QUARV\\rangwerk");
    EXPECT_EQ(key->ReadDword("updateinterval"), 14u);
    key->WriteDword("UPDATEINTERVAL", 21);
    EXPECT_EQ(key->ReadDword("UpdateInterval"), 21u);
    EXPECT_EQ(registry.OpenKey(kUser, "software\\quarv\\GRÖSSE")->ValueExists("äpfel"), false);
    EXPECT_EQ(registry.OpenKey(kUser, "software\\quarv\\GRÖßE")->ReadString("äPFEL"), "rot");
    EXPECT_TRUE(registry.OpenKey(kUser, "software")->HasSubkey("QUARV\\RANGWERK"));

    // One value and one key each, spelt as first written.
    std::string text = ReadFile(registry.FileOf(kUser));
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quarv\\Rangwerk]\n"
                        "\"UpdateInterval\"=dword:00000015\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("UPDATEINTERVAL"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quarv\\Größe]"), std::string::npos);

    EXPECT_TRUE(registry.OpenKey(kUser, "SOFTWARE\\quarv")->DeleteSubkeyTree("RANGWERK"));
    EXPECT_FALSE(registry.OpenKey(kUser, "Software\\Quarv")->HasSubkey("Rangwerk"));
}

TEST_F(RegistryFileTest, WritesTheExportFormat) {
    FileRegistry registry(folder_);
    auto entry = registry.OpenKey(
        kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rangwerk");
    entry->WriteString("DisplayName", "Rangwerk");
    entry->WriteString("UninstallString", "\"/opt/rangwerk/Ranko\" /uninstall");
    entry->WriteString("URLUpdateInfo", "Strg+U im Programm drücken");
    entry->WriteDword("NoModify", 1);
    auto settings = registry.OpenKey(kMachine, "Software\\Quarv\\Rangwerk");
    settings->WriteDword("UpdateInterval", 28);
    settings->WriteBinary("Update", {0x00, 0x00, 0x00, 0x00, 0xC0, 0x1B, 0xE6, 0x40});
    settings->WriteString("Notiz", "a\"b\\c\r\nd");
    settings->WriteString("", "");
    entry->WriteString("DisplayName", "Rangwerk 2");  // keeps its place
    EXPECT_EQ(ReadFile(registry.FileOf(kMachine)), "") << "written when a key is flushed";
    settings->Flush();

    const std::string expected =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rangwerk]\n"
        "\"DisplayName\"=\"Rangwerk 2\"\n"
        "\"UninstallString\"=\"\\\"/opt/rangwerk/Ranko\\\" /uninstall\"\n"
        "\"URLUpdateInfo\"=\"Strg+U im Programm drücken\"\n"
        "\"NoModify\"=dword:00000001\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quarv\\Rangwerk]\n"
        "\"UpdateInterval\"=dword:0000001c\n"
        "\"Update\"=hex:00,00,00,00,c0,1b,e6,40\n"
        "\"Notiz\"=hex(1):61,00,22,00,62,00,5c,00,63,00,0d,00,0a,00,64,00,00,00\n"
        "@=\"\"\n"
        "\n";
    EXPECT_EQ(ReadFile(registry.FileOf(kMachine)), expected);
}

TEST_F(RegistryFileTest, ReadsHandWrittenFiles) {
    fs::create_directories(folder_);
    WriteFile(folder_ / "HKEY_CURRENT_USER.reg",
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
              "\r\n"
              "; von Hand ergänzt\r\n"
              "[HKEY_CURRENT_USER\\Software\\Quarv\\Rangwerk]\r\n"
              "@=\"Standard\"\r\n"
              "\"Pfad\"=\"C:\\\\Programme\\\\Ranko.exe\"\r\n"
              "\"Update\"=hex:00,00,00,00,\\\r\n"
              "  c0,1b,e6,40\r\n"
              "\"UpdateInterval\"=dword:0000000A\r\n"
              "\"Erweitert\"=hex(2):25,00,41,00,25,00,00,00\r\n"
              "\"OnlyUpdate\"=hex(0):\r\n");
    FileRegistry registry(folder_);
    auto key = registry.OpenKey(kUser, "Software\\Quarv\\Rangwerk");
    EXPECT_EQ(key->ReadString(""), "Standard");
    EXPECT_EQ(key->ReadString("Pfad"), "C:\\Programme\\Ranko.exe");
    EXPECT_EQ(key->ReadBinary("Update"),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00, 0xC0, 0x1B, 0xE6, 0x40}));
    EXPECT_EQ(key->ReadDword("UpdateInterval"), 10u);
    EXPECT_TRUE(key->ValueExists("OnlyUpdate"));
    EXPECT_TRUE(key->ValueExists("Erweitert"));
    EXPECT_EQ(key->ReadString("Erweitert"), std::nullopt);

    // A change writes the file anew; values of other types are kept as they were.
    key->DeleteValue("Pfad");
    key->Flush();
    std::string text = ReadFile(registry.FileOf(kUser));
    EXPECT_NE(text.find("\"Erweitert\"=hex(2):25,00,41,00,25,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"OnlyUpdate\"=hex(0):\n"), std::string::npos);
    EXPECT_EQ(text.find("Pfad"), std::string::npos);
    EXPECT_EQ(text.find("\r"), std::string::npos);
}

TEST_F(RegistryFileTest, EmptyOrMissingFilesAreEmpty) {
    fs::create_directories(folder_);
    WriteFile(folder_ / "HKEY_CURRENT_USER.reg", "");
    ::testing::internal::CaptureStderr();
    FileRegistry registry(folder_);
    EXPECT_FALSE(registry.OpenKey(kUser, "SOFTWARE")->HasSubkey("Quarv"));
    EXPECT_FALSE(registry.OpenKey(kMachine, "SOFTWARE")->HasSubkey("Quarv"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(RegistryFileTest, UnreadableFilesAreKeptAsideAndTreatedAsEmpty) {
    const std::vector<std::string> corrupt = {
        "Windows Registry Editor Version 4.00\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n",
        "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n",
        std::string("\0\0\xff\xfe", 4),
    };
    for (std::size_t i = 0; i < corrupt.size(); ++i) {
        SCOPED_TRACE(i);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        WriteFile(folder_ / "HKEY_CURRENT_USER.reg", corrupt[i]);

        ::testing::internal::CaptureStderr();
        FileRegistry registry(folder_);
        auto key = registry.OpenKey(kUser, "A");
        EXPECT_FALSE(key->ValueExists("x"));
        key->WriteString("y", "neu");
        EXPECT_EQ(key->ReadString("y"), "neu");
        std::string report = ::testing::internal::GetCapturedStderr();

        // Reported once, and the old text is kept under a new name.
        EXPECT_NE(report.find("HKEY_CURRENT_USER.reg"), std::string::npos) << report;
        EXPECT_EQ(report.find('\n'), report.size() - 1) << report;
        EXPECT_EQ(registry.TakeProblems().size(), 1u);
        std::vector<std::string> kept;
        for (const auto& name : FolderEntries()) {
            if (name.rfind("HKEY_CURRENT_USER.reg.corrupt-", 0) == 0) {
                kept.push_back(name);
            }
        }
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(ReadFile(folder_ / kept[0]), corrupt[i]);
    }
}

TEST_F(RegistryFileTest, AnUnreadableLineSetsAsideOnlyItsKey) {
    const std::vector<std::string> badLines = {
        "\"x\"=\"offen", "\"x\"=hex:0g", "\"x\"=dword:", "\"x\"=\"1\" Rest", "\"x\"=hex:01,\\",
    };
    for (std::size_t i = 0; i < badLines.size(); ++i) {
        SCOPED_TRACE(i);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        const std::string bad = "[HKEY_CURRENT_USER\\B]\n\"vorher\"=\"gut\"\n" + badLines[i] + "\n";
        WriteFile(folder_ / "HKEY_CURRENT_USER.reg",
                  "Windows Registry Editor Version 5.00\n\n"
                  "\"lose\"=\"vor jedem Schlüssel\"\n\n"
                  "[HKEY_CURRENT_USER\\A]\n\"a\"=\"1\"\n\n" +
                      bad +
                      "\n[HKEY_CURRENT_USER\\C]\n\"c\"=dword:00000003\n"
                      "[HKEY_LOCAL_MACHINE\\D]\n\"d\"=\"anderer Zweig\"\n");

        ::testing::internal::CaptureStderr();
        FileRegistry registry(folder_);
        EXPECT_EQ(registry.OpenKey(kUser, "A")->ReadString("a"), "1");
        EXPECT_EQ(registry.OpenKey(kUser, "C")->ReadDword("c"), 3u);
        EXPECT_FALSE(registry.OpenKey(kUser, "")->HasSubkey("B"));
        EXPECT_FALSE(registry.OpenKey(kUser, "")->HasSubkey("D"));
        registry.OpenKey(kUser, "A")->WriteString("neu", "ja");
        const std::string report = ::testing::internal::GetCapturedStderr();

        // Told once, naming the keys set aside; their lines are kept in a file of their own.
        const std::vector<std::string> problems = registry.TakeProblems();
        ASSERT_EQ(problems.size(), 1u) << report;
        EXPECT_NE(problems[0].find("HKEY_CURRENT_USER\\B"), std::string::npos) << problems[0];
        EXPECT_NE(problems[0].find("HKEY_LOCAL_MACHINE\\D"), std::string::npos) << problems[0];
        EXPECT_EQ(registry.TakeProblems().size(), 0u);
        std::vector<std::string> kept;
        for (const auto& name : FolderEntries()) {
            if (name.rfind("HKEY_CURRENT_USER.reg.corrupt-", 0) == 0) {
                kept.push_back(name);
            }
        }
        ASSERT_EQ(kept.size(), 1u);
        const std::string aside = ReadFile(folder_ / kept[0]);
        EXPECT_EQ(aside.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
        EXPECT_NE(aside.find(bad), std::string::npos) << aside;
        EXPECT_NE(aside.find("\"lose\"="), std::string::npos) << aside;
        EXPECT_EQ(aside.find("[HKEY_CURRENT_USER\\A]"), std::string::npos) << aside;

        // The store now holds the readable keys only; a new registry reports nothing.
        FileRegistry again(folder_);
        EXPECT_EQ(again.OpenKey(kUser, "A")->ReadString("neu"), "ja");
        EXPECT_TRUE(again.TakeProblems().empty());
    }
}

TEST_F(RegistryFileTest, ReadsTheWholeExportFormat) {
    fs::create_directories(folder_);
    // As the registry editor of today exports: UTF-16LE with a byte order mark, CR LF, wrapped
    // hex lines, deletions of keys and values.
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Quarv\\Rangwerk]\r\n"
        u"\"Größe\"=\"Äpfel €\"\r\n"
        u"\"Weg\"=\"fort\"\r\n"
        u"\"Update\"=hex:00,00,00,00,00,00,\\\r\n"
        u"  e6,40\r\n"
        u"\"Lang\"=hex(2):25,00,41,00,\\\r\n"
        u"  25,00,00,00\r\n"
        u"\"Weg\"=-\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Alt\\Tief]\r\n"
        u"\"t\"=dword:00000001\r\n\r\n"
        u"[-HKEY_CURRENT_USER\\Software\\Alt]\r\n\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    WriteFile(folder_ / "HKEY_CURRENT_USER.reg", bytes);
    // The old format: Windows-1252 texts, single-byte hex(1) data.
    WriteFile(folder_ / "HKEY_LOCAL_MACHINE.reg",
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quarv\\Rangwerk]\r\n"
              "\"Gr\xF6\xDF"
              "e\"=\"\xC4pfel \x80\"\r\n"
              "\"Zeilen\"=hex(1):61,0d,0a,e4,00\r\n");

    ::testing::internal::CaptureStderr();
    FileRegistry registry(folder_);
    auto user = registry.OpenKey(kUser, "Software\\Quarv\\Rangwerk");
    EXPECT_EQ(user->ReadString("größe"), "Äpfel €");
    EXPECT_FALSE(user->ValueExists("Weg"));
    EXPECT_EQ(user->ReadBinary("Update"),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xE6, 0x40}));
    EXPECT_TRUE(user->ValueExists("Lang"));
    EXPECT_FALSE(registry.OpenKey(kUser, "Software")->HasSubkey("Alt"));
    auto machine = registry.OpenKey(kMachine, "Software\\Quarv\\Rangwerk");
    EXPECT_EQ(machine->ReadString("Größe"), "Äpfel €");
    EXPECT_EQ(machine->ReadString("Zeilen"), "a\r\nä");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(registry.TakeProblems().empty());
}

TEST_F(RegistryFileTest, OldFilesKeepEveryWindows1252Byte) {
    // 0x81 and 0x9D are unassigned in Windows-1252; Windows reads them as U+0081 and U+009D,
    // and so they survive being written back as UTF-16.
    fs::create_directories(folder_);
    WriteFile(folder_ / "HKEY_CURRENT_USER.reg",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
              "\"s\"=\"x\x81y\xE4\"\r\n"
              "\"e\"=hex(2):9d,00\r\n");
    FileRegistry registry(folder_);
    auto key = registry.OpenKey(kUser, "A");
    EXPECT_EQ(key->ReadString("s"), "x\u0081y\u00E4");
    ASSERT_TRUE(key->ValueExists("e"));
    key->WriteDword("neu", 1);
    key->Flush();
    const std::string text = ReadFile(registry.FileOf(kUser));
    EXPECT_NE(text.find("\"e\"=hex(2):9d,00,00,00\n"), std::string::npos) << text;
    EXPECT_TRUE(registry.TakeProblems().empty());
}

TEST_F(RegistryFileTest, LetterCaseIsIgnoredBeyondLatin1) {
    FileRegistry registry(folder_);
    registry.OpenKey(kUser, "Software\\ΑΒΓ")->WriteString("ŒUVRE", "1");
    EXPECT_TRUE(registry.OpenKey(kUser, "software")->HasSubkey("αβγ"));
    EXPECT_EQ(registry.OpenKey(kUser, "software\\αβγ")->ReadString("œuvre"), "1");
    // Bytes that are no UTF-8 are never taken for one another.
    registry.OpenKey(kUser, "B")->WriteDword("\xFE", 1);
    registry.OpenKey(kUser, "B")->WriteDword("\xFF", 2);
    EXPECT_EQ(registry.OpenKey(kUser, "B")->ReadDword("\xFE"), 1u);
    EXPECT_EQ(registry.OpenKey(kUser, "B")->ReadDword("\xFF"), 2u);
}

TEST_F(RegistryFileTest, TheStoreKeepsItsModeAndLosesStaleTemporaryFiles) {
    {
        FileRegistry registry(folder_);
        registry.OpenKey(kUser, "A")->WriteDword("a", 1);
    }
    const fs::path file = folder_ / "HKEY_CURRENT_USER.reg";
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "a new store is private";
    ::chmod(file.c_str(), 0640);
    // Left by writers that ended before their rename (the older naming and today's).
    WriteFile(folder_ / "HKEY_CURRENT_USER.reg.tmp-Ab12Cd", "halb");
    WriteFile(folder_ / ".HKEY_CURRENT_USER.reg.tmp-Xy34Zw", "halb");
    WriteFile(folder_ / "HKEY_LOCAL_MACHINE.reg.tmp-Ab12Cd", "anderer Zweig, noch nicht dran");
    FileRegistry registry(folder_);
    registry.OpenKey(kUser, "A")->WriteDword("a", 2);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock",
                                        "HKEY_LOCAL_MACHINE.reg.tmp-Ab12Cd"}));
}

TEST_F(RegistryFileTest, EachFlushOfChangesIsOneReplace) {
    testing_support::CountingFileCalls calls;
    {
        FileRegistry registry(folder_, calls);
        auto key = registry.OpenKey(kMachine,
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                    "Uninstall\\Rangwerk");
        for (int i = 0; i < 10; ++i) {
            key->WriteString("Wert" + std::to_string(i), "x");
        }
        key->WriteDword("NoModify", 1);
        EXPECT_FALSE(key->DeleteValue("Readme"));
        EXPECT_EQ(key->ReadString("Wert3"), "x") << "a change is seen before it is written";
        EXPECT_EQ(calls.syncs, 0);
    }
    EXPECT_EQ(calls.syncs, 1) << "the file, once; the store's folder is not flushed";

    // The same values again change nothing and write nothing.
    calls.syncs = 0;
    {
        FileRegistry registry(folder_, calls);
        auto key = registry.OpenKey(kMachine,
                                    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                    "Uninstall\\Rangwerk");
        key->WriteString("Wert0", "x");
        key->WriteDword("NoModify", 1);
        key->Flush();
    }
    EXPECT_EQ(calls.syncs, 0);
}

TEST_F(RegistryFileTest, HeldChangesAreSeenAndWrittenOnceAtTheRelease) {
    testing_support::CountingFileCalls calls;
    FileRegistry registry(folder_, calls);
    registry.HoldChanges();
    registry.OpenKey(kMachine, "SOFTWARE\\Quarv\\Rangwerk")
        ->WriteString("ApplicationFileName", "a");
    registry.OpenKey(kMachine, "SOFTWARE\\Microsoft")->WriteDword("Eins", 1);
    EXPECT_EQ(calls.syncs, 0) << "closed keys write nothing while changes are held";
    EXPECT_EQ(
        registry.OpenKey(kMachine, "SOFTWARE\\Quarv\\Rangwerk")->ReadString("ApplicationFileName"),
        "a");
    registry.ReleaseChanges();
    EXPECT_EQ(calls.syncs, 1) << "both keys in one replace";
    EXPECT_EQ(FileRegistry(folder_).OpenKey(kMachine, "SOFTWARE\\Microsoft")->ReadDword("Eins"),
              1u);
    registry.ReleaseChanges();  // one release too many does nothing
    EXPECT_EQ(calls.syncs, 1);
}

TEST_F(RegistryFileTest, AFileSizeLimitIsAWriteError) {
    {
        FileRegistry registry(folder_);
        registry.OpenKey(kUser, "A")->WriteDword("a", 1);
    }
    const std::string before = ReadFile(folder_ / "HKEY_CURRENT_USER.reg");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FileRegistry registry(folder_);
        auto key = registry.OpenKey(kUser, "A");
        key->WriteString("gross", std::string(20000, 'x'));
        try {
            key->Flush();
        } catch (const RegistryError&) {
            ::_exit(0);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(folder_ / "HKEY_CURRENT_USER.reg"), before);
    EXPECT_EQ(FolderEntries(),
              (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
}

TEST_F(RegistryFileTest, AFolderThatCannotBeCreatedReportsFailure) {
    // A registry folder below a plain file can never be created, not even by root.
    WriteFile(base_ / "blocker", "x");
    FileRegistry blocked(base_ / "blocker" / "registry");
    EXPECT_THROW(blocked.OpenKey(kUser, "SOFTWARE\\Quarv"), RegistryError);
    // The root itself always exists; reading finds nothing, writing fails.
    auto root = blocked.OpenKey(kMachine, "");
    EXPECT_FALSE(root->HasSubkey("SOFTWARE"));
    EXPECT_FALSE(root->ValueExists("x"));
    EXPECT_THROW(root->WriteString("x", "y"), RegistryError);
}

// Reads and writes in a folder that cannot be written; returns the number of the first check
// that failed, or 0.
int CheckReadOnlyFolder(const fs::path& folder) {
    FileRegistry registry(folder);
    std::unique_ptr<RegistryKey> key;
    try {
        key = registry.OpenKey(kUser, "SOFTWARE\\Quarv");  // exists: nothing to write
    } catch (const RegistryError&) {
        return 1;
    }
    if (key->ReadDword("a") != 1u || key->DeleteValue("missing")) {
        return 2;
    }
    for (int check = 3; check <= 5; ++check) {
        try {
            if (check == 3) {
                key->WriteDword("b", 2);
            } else if (check == 4) {
                key->DeleteValue("a");
            } else {
                registry.OpenKey(kUser, "SOFTWARE\\Neu");
            }
            return check;
        } catch (const RegistryError&) {
        }
    }
    return key->ReadDword("a") == 1u && !key->ValueExists("b") ? 0 : 6;
}

TEST_F(RegistryFileTest, AReadOnlyFolderCanBeReadButNotChanged) {
    {
        FileRegistry registry(folder_);
        registry.OpenKey(kUser, "SOFTWARE\\Quarv")->WriteDword("a", 1);
    }
    for (const auto& entry : fs::directory_iterator(folder_)) {
        fs::permissions(entry.path(),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(CheckReadOnlyFolder(folder_), 0);
        return;
    }
    // Root writes into read-only folders: check as an ordinary user instead.
    fs::permissions(base_, fs::perms::others_exec, fs::perm_options::add);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(100);
        }
        ::_exit(CheckReadOnlyFolder(folder_));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Two running copies of the program write into the same root at the same time.
TEST_F(RegistryFileTest, ConcurrentProcessesLoseNothing) {
    constexpr int kWrites = 100;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    auto writer = [&](const std::string& prefix) {
        ::close(ready[1]);
        char go;
        if (::read(ready[0], &go, 1) != 0) {
            ::_exit(3);
        }
        try {
            FileRegistry registry(folder_);
            for (int i = 0; i < kWrites; ++i) {
                registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk")
                    ->WriteDword(prefix + std::to_string(i), static_cast<std::uint32_t>(i));
                registry.OpenKey(kUser, "SOFTWARE\\" + prefix)->WriteString("n", std::to_string(i));
            }
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0);
    };
    pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        writer("A");
    }
    pid_t second = ::fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        writer("B");
    }
    ::close(ready[0]);
    ::close(ready[1]);  // both start now
    for (pid_t child : {first, second}) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    FileRegistry registry(folder_);
    auto key = registry.OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk");
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(key->ReadDword("A" + std::to_string(i)), static_cast<std::uint32_t>(i));
        EXPECT_EQ(key->ReadDword("B" + std::to_string(i)), static_cast<std::uint32_t>(i));
    }
    EXPECT_EQ(registry.OpenKey(kUser, "SOFTWARE\\A")->ReadString("n"), std::to_string(kWrites - 1));
    EXPECT_EQ(registry.OpenKey(kUser, "SOFTWARE\\B")->ReadString("n"), std::to_string(kWrites - 1));
}

class DefaultRegistryFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"RANGWERK_REGISTRY_DIR", "XDG_DATA_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DefaultRegistryFolderTest, FollowsTheEnvironment) {
    ::setenv("HOME", "/home/anna", 1);
    ::setenv("XDG_DATA_HOME", "/daten", 1);
    ::setenv("RANGWERK_REGISTRY_DIR", "/tmp/reg", 1);
    EXPECT_EQ(FileRegistry::DefaultRegistryFolder(), fs::path("/tmp/reg"));
    ::unsetenv("RANGWERK_REGISTRY_DIR");
    EXPECT_EQ(FileRegistry::DefaultRegistryFolder(), fs::path("/daten/rangwerk/registry"));
    ::setenv("XDG_DATA_HOME", "relativ", 1);  // not absolute: ignored
    EXPECT_EQ(FileRegistry::DefaultRegistryFolder(),
              fs::path("/home/anna/.local/share/rangwerk/registry"));
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(FileRegistry::DefaultRegistryFolder(),
              fs::path("/home/anna/.local/share/rangwerk/registry"));
}

TEST_F(DefaultRegistryFolderTest, TheSystemRegistryUsesThatFolder) {
    std::string pattern = (fs::temp_directory_path() / "rangwerk-registry-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    fs::path folder = fs::path(pattern) / "neu";
    ::setenv("RANGWERK_REGISTRY_DIR", folder.c_str(), 1);
    CreateSystemRegistry()->OpenKey(kUser, "SOFTWARE\\Quarv\\Rangwerk")->WriteDword("a", 1);
    EXPECT_NE(ReadFile(folder / "HKEY_CURRENT_USER.reg").find("\"a\"=dword:00000001"),
              std::string::npos);
    fs::remove_all(pattern);
}

}  // namespace
}  // namespace rangwerk
