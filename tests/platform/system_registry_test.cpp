// The registry of this system through the Registry interface: on Windows (and under Wine) the
// real registry, elsewhere the file registry in a throwaway folder. The same cases run on both.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/system.h"

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include "platform/registry_file.h"
#endif

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

// Keys of their own below both roots, removed before and after each test.
const std::string kUserKey = "Software\\Rangwerk-Test";
const std::string kMachineKey = "SOFTWARE\\Rangwerk-Test";

class SystemRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("rangwerk-system-registry-" + std::to_string(SystemSeedSource().Seed()));
        fs::create_directories(folder_);
#ifndef _WIN32
        ::setenv("RANGWERK_REGISTRY_DIR", (folder_ / "registry").c_str(), 1);
#endif
        registry_ = CreateSystemRegistry();
        RemoveTestKeys();
    }
    void TearDown() override {
        RemoveTestKeys();
        registry_.reset();
        std::error_code ec;
        fs::remove_all(folder_, ec);
#ifndef _WIN32
        ::unsetenv("RANGWERK_REGISTRY_DIR");
#endif
    }

    void RemoveTestKeys() {
        registry_->OpenKey(RegistryRoot::CurrentUser, "Software")
            ->DeleteSubkeyTree("Rangwerk-Test");
        registry_->OpenKey(RegistryRoot::LocalMachine, "SOFTWARE")
            ->DeleteSubkeyTree("Rangwerk-Test");
    }

    // Puts the contents of a file in the registry editor's export format into the registry as
    // importing it does: on Windows `regedit /S` imports the file, written in UTF-16LE with a
    // byte order mark as the editor exports it; elsewhere the file (UTF-8) becomes the store of
    // the current-user root.
    void Import(const std::string& utf8Text) {
#ifdef _WIN32
        const fs::path file = folder_ / "import.reg";
        const std::wstring wide = WideFromUtf8(utf8Text);
        {
            std::ofstream out(file, std::ios::binary);
            out.write("\xFF\xFE", 2);
            out.write(reinterpret_cast<const char*>(wide.data()),
                      static_cast<std::streamsize>(wide.size() * sizeof(wchar_t)));
        }
        std::wstring command = L"regedit.exe /S \"" + file.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
#else
        registry_.reset();
        fs::create_directories(folder_ / "registry");
        std::ofstream(folder_ / "registry" / "HKEY_CURRENT_USER.reg", std::ios::binary) << utf8Text;
        registry_ = CreateSystemRegistry();
#endif
    }

    fs::path folder_;
    std::unique_ptr<Registry> registry_;
};

TEST_F(SystemRegistryTest, EveryValueTypeRoundTripsInBothRoots) {
    const std::vector<std::uint8_t> bytes = {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xE6, 0x40};
    for (const auto& [root, path] : {std::pair{RegistryRoot::CurrentUser, kUserKey},
                                     std::pair{RegistryRoot::LocalMachine, kMachineKey}}) {
        SCOPED_TRACE(RegistryRootName(root));
        {
            auto key = registry_->OpenKey(root, path + "\\Rangwerk");
            key->WriteString("", "Standardwert");
            key->WriteString("Name", "Größe \"groß\" C:\\Programme\\Rangwerk");
            key->WriteString("Zeilen", "eins\r\nzwei\ttab");
            key->WriteString("Leer", "");
            key->WriteDword("UpdateInterval", 28);
            key->WriteDword("Groß", 0xFFFFFFFFu);
            key->WriteBinary("Update", bytes);
            key->WriteBinary("Nichts", {});
        }
        // Read through a newly opened key and another registry object.
        registry_ = CreateSystemRegistry();
        auto key = registry_->OpenKey(root, path + "\\rangwerk");  // names ignore letter case
        EXPECT_EQ(key->ReadString(""), "Standardwert");
        EXPECT_EQ(key->ReadString("NAME"), "Größe \"groß\" C:\\Programme\\Rangwerk");
        EXPECT_EQ(key->ReadString("Zeilen"), "eins\r\nzwei\ttab");
        EXPECT_EQ(key->ReadString("Leer"), "");
        EXPECT_EQ(key->ReadDword("updateinterval"), 28u);
        EXPECT_EQ(key->ReadDword("Groß"), 0xFFFFFFFFu);
        EXPECT_EQ(key->ReadBinary("Update"), bytes);
        EXPECT_EQ(key->ReadBinary("Nichts"), std::vector<std::uint8_t>{});

        // A value of another type reads as missing, but it exists.
        EXPECT_EQ(key->ReadDword("Name"), std::nullopt);
        EXPECT_EQ(key->ReadString("UpdateInterval"), std::nullopt);
        EXPECT_EQ(key->ReadBinary("Name"), std::nullopt);
        EXPECT_TRUE(key->ValueExists("Update"));
        EXPECT_FALSE(key->ValueExists("Fehlt"));
        EXPECT_EQ(key->ReadString("Fehlt"), std::nullopt);

        // Writing replaces a value of any type.
        key->WriteDword("Name", 7);
        EXPECT_EQ(key->ReadDword("Name"), 7u);
        EXPECT_EQ(key->ReadString("Name"), std::nullopt);
    }
}

TEST_F(SystemRegistryTest, DeletingValuesAndKeys) {
    {
        auto key = registry_->OpenKey(RegistryRoot::CurrentUser, kUserKey + "\\A\\B\\C");
        key->WriteString("Wert", "x");
    }
    auto top = registry_->OpenKey(RegistryRoot::CurrentUser, kUserKey);
    EXPECT_TRUE(top->HasSubkey("A"));
    EXPECT_TRUE(top->HasSubkey("a\\b\\c"));
    EXPECT_FALSE(top->HasSubkey("A\\C"));

    auto leaf = registry_->OpenKey(RegistryRoot::CurrentUser, kUserKey + "\\A\\B\\C");
    EXPECT_TRUE(leaf->DeleteValue("wert"));
    EXPECT_FALSE(leaf->ValueExists("Wert"));
    EXPECT_FALSE(leaf->DeleteValue("Wert"));  // already gone: no error
    leaf.reset();

    // The whole tree below "A" goes; a sibling stays.
    registry_->OpenKey(RegistryRoot::CurrentUser, kUserKey + "\\Nachbar")->WriteDword("D", 1);
    EXPECT_TRUE(top->DeleteSubkeyTree("A"));
    EXPECT_FALSE(top->HasSubkey("A"));
    EXPECT_FALSE(top->HasSubkey("A\\B\\C"));
    EXPECT_TRUE(top->HasSubkey("Nachbar"));
    EXPECT_FALSE(top->DeleteSubkeyTree("A"));  // already gone: no error

    // An empty name never deletes the key's own contents.
    EXPECT_THROW(top->DeleteSubkeyTree(""), RegistryError);
    EXPECT_THROW(top->DeleteSubkeyTree("\\"), RegistryError);
    EXPECT_TRUE(top->HasSubkey("Nachbar"));
}

TEST_F(SystemRegistryTest, ReadsWhatTheRegistryEditorImported) {
    Import(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Rangwerk-Test\\Import]\r\n"
        "@=\"Vorgabe\"\r\n"
        "\"Pfad\"=\"C:\\\\Programme\\\\Größe \\\"1\\\"\"\r\n"
        "\"UpdateInterval\"=dword:0000001c\r\n"
        "\"Update\"=hex:00,00,00,00,00,40,e6,40\r\n"
        "\"Zeilen\"=hex(1):41,00,0d,00,0a,00,42,00,00,00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Rangwerk-Test\\Import\\Unten]\r\n"
        "\"Lang\"=hex:01,02,03,\\\r\n"
        "  04,05\r\n"
        "\r\n");
    auto key = registry_->OpenKey(RegistryRoot::CurrentUser, kUserKey + "\\Import");
    EXPECT_EQ(key->ReadString(""), "Vorgabe");
    EXPECT_EQ(key->ReadString("Pfad"), "C:\\Programme\\Größe \"1\"");
    EXPECT_EQ(key->ReadDword("UpdateInterval"), 28u);
    EXPECT_EQ(key->ReadBinary("Update"),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xE6, 0x40}));
    EXPECT_EQ(key->ReadString("Zeilen"), "A\r\nB");
    EXPECT_TRUE(key->HasSubkey("Unten"));
    EXPECT_EQ(registry_->OpenKey(RegistryRoot::CurrentUser, kUserKey + "\\Import\\Unten")
                  ->ReadBinary("Lang"),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace rangwerk
