// The installation step on real files: signature, unpacking and the completed "Update.bat".
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/sha.h>
#include <unistd.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "update/archive_unpack.h"
#include "update/install_test_support.h"
#include "update/installation.h"
#include "update/signature.h"

namespace rangwerk {
namespace {

namespace fs = std::filesystem;
using namespace install_test;

class InstallationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / (std::string("rangwerk-install-") + info->name() + "-" +
                                             std::to_string(::getpid()));
        fs::remove_all(root_);
        temp_ = root_ / "temp dir";
        fs::create_directories(temp_);
        fs::create_directories(root_ / "outside");
        key_ = MakeKey();
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string TempFolder() const { return temp_.string() + "/"; }
    fs::path Archive() const { return temp_ / "Ranko.zip"; }

    // The archive in TempFolder with its signature by `key` (the test's key when null).
    void PutSignedArchive(const std::vector<Entry>& entries, EVP_PKEY* key = nullptr) {
        MakeZip(Archive(), entries);
        Write(temp_ / "Ranko.zip.sig", Sign(key ? key : key_.get(), Read(Archive())));
    }

    InstallationRequest Request(bool restart = true) const {
        InstallationRequest request;
        request.archiveFile = Archive().string();
        request.tempFolder = TempFolder();
        request.programPath = "/opt/rang werk/rangwerk";
        request.restart = restart;
        request.trustedKeys = {PublicPem(key_.get())};
        return request;
    }

    fs::path root_;
    fs::path temp_;
    Key key_;
};

TEST_F(InstallationTest, SignatureGoodFlippedMissingAndByAnotherKey) {
    MakeZip(Archive(), {{"Update.bat", "rem\r\n"}});
    std::string bytes = Read(Archive());
    const fs::path sig = temp_ / "Ranko.zip.sig";
    const std::vector<std::string> trusted{PublicPem(key_.get())};
    Write(sig, Sign(key_.get(), bytes));
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), trusted),
              SignatureCheck::Valid);
    // A second trusted key that does not match does no harm.
    Key other = MakeKey();
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(),
                                     {PublicPem(other.get()), "not a key", trusted[0]}),
              SignatureCheck::Valid);
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), {}),
              SignatureCheck::Invalid);

    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
    Write(Archive(), bytes);
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), trusted),
              SignatureCheck::Invalid);

    Write(sig, Sign(other.get(), bytes));
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), trusted),
              SignatureCheck::Invalid);

    Write(sig, Sign(key_.get(), bytes) + "x");  // not 64 bytes
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), trusted),
              SignatureCheck::Missing);
    fs::remove(sig);
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), trusted),
              SignatureCheck::Missing);
}

TEST_F(InstallationTest, AnUnverifiedArchiveIsDeletedAndNothingUnpacked) {
    Key other = MakeKey();
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        PutSignedArchive({{"Update.bat", "rem\r\n"}, {"payload.exe", "MZ"}},
                         variant == 2 ? other.get() : nullptr);
        if (variant == 0) {
            fs::remove(temp_ / "Ranko.zip.sig");
        } else if (variant == 1) {
            std::string bytes = Read(Archive());
            bytes[10] = static_cast<char>(bytes[10] ^ 0x40);
            Write(Archive(), bytes);
        }
        const InstallationResult result = PrepareInstallation(Request());
        EXPECT_FALSE(result.prepared);
        EXPECT_TRUE(result.errorIcon);
        EXPECT_NE(result.message.find("nicht überprüft werden"), std::string::npos);
        EXPECT_FALSE(fs::exists(Archive()));
        EXPECT_FALSE(fs::exists(temp_ / "Ranko.zip.sig"));
        EXPECT_FALSE(fs::exists(temp_ / "Update.bat"));
        EXPECT_FALSE(fs::exists(temp_ / "payload.exe"));
    }
}

TEST_F(InstallationTest, PreparesTheBatchAndDeletesTheArchive) {
    // A stale batch from an earlier update is replaced.
    Write(temp_ / "Update.bat", "stale");
    const std::string batch =
        "@echo off\r\n"
        "if exist \"%sRangwerk.exe\" echo \xE4\r\n"
        "del \"%sRangwerk.exe\"\r\n"
        "copy \"%sRangwerk.exe\" \"%s\"\r\n"
        " rem %s\r\n";
    PutSignedArchive({{"bin/Update.bat", batch}, {"bin/Rangwerk.exe", "new program"}});
    const InstallationResult result = PrepareInstallation(Request());
    ASSERT_TRUE(result.prepared) << result.message;
    EXPECT_FALSE(result.errorIcon);
    EXPECT_FALSE(fs::exists(Archive()));
    EXPECT_FALSE(fs::exists(temp_ / "Ranko.zip.sig"));
    EXPECT_EQ(Read(temp_ / "Rangwerk.exe"), "new program");
    const std::string t = TempFolder();
    EXPECT_EQ(Read(temp_ / "Update.bat"),
              "@echo off\r\n"
              "if exist \"/opt/rang werk/Rangwerk.exe\" echo \xE4\r\n"
              "del \"/opt/rang werk/Rangwerk.exe\"\r\n"
              "copy \"" +
                  t +
                  "Rangwerk.exe\" \"/opt/rang werk/\"\r\n"
                  " rem " +
                  t +
                  "\r\n"
                  "\"/opt/rang werk/rangwerk\"\r\n"
                  "del " +
                  t + "Update.bat\r\n");
}

TEST_F(InstallationTest, RefusalsLeaveAClearMessage) {
    // No archive at all.
    InstallationResult result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_TRUE(result.errorIcon);
    EXPECT_EQ(result.message, kInstallFilesMissing);

    // No "Update.bat" in the archive: a stale one in the folder must not count.
    Write(temp_ / "Update.bat", "stale");
    PutSignedArchive({{"readme.txt", "x"}, {"update.bat", "wrong case"}});
    result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_NE(result.message.find("keine Datei \"Update.bat\""), std::string::npos);

    // A malformed template leaves the unpacked file as it was.
    const std::string batch = "a\r\nb %s\r\nc 50%\r\nd %s %s\r\n";
    PutSignedArchive({{"Update.bat", batch}});
    result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_NE(result.message.find("Zeile 3"), std::string::npos) << result.message;
    EXPECT_EQ(Read(temp_ / "Update.bat"), batch);

    // A program folder with a line break unpacks nothing.
    fs::remove(temp_ / "Update.bat");
    PutSignedArchive({{"Update.bat", batch}});
    InstallationRequest broken = Request();
    broken.programPath = "/opt/a\nb/rangwerk";
    result = PrepareInstallation(broken);
    EXPECT_FALSE(result.prepared);
    EXPECT_NE(result.message.find("Zeilenumbruch"), std::string::npos);
    EXPECT_FALSE(fs::exists(temp_ / "Update.bat"));

    // A damaged archive, signed as it is.
    MakeZip(Archive(), {{"Update.bat", std::string(5000, 'r')}});
    std::string bytes = Read(Archive());
    bytes.resize(bytes.size() / 2);
    Write(Archive(), bytes);
    Write(temp_ / "Ranko.zip.sig", Sign(key_.get(), bytes));
    result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_TRUE(result.errorIcon);
    EXPECT_NE(result.message.find("beschädigt"), std::string::npos);
}

TEST_F(InstallationTest, UnpackingKeepsEverythingInsideTheFolder) {
    MakeZip(Archive(), {{"../escape.txt", "1"},
                        {"a/../../escape2.txt", "2"},
                        {"/etc/abs.txt", "3"},
                        {"C:\\abs.txt", "4"},
                        {"folder/", ""},
                        {"link", "../outside/target", true},
                        {"one/dup.txt", "first"},
                        {"two/dup.txt", "second"},
                        {"deep/er/ok.txt", "ok"}});
    const UnpackResult result = UnpackArchive(Archive().string(), TempFolder());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.files, (std::vector<std::string>{"dup.txt", "dup.txt", "ok.txt"}));
    EXPECT_EQ(result.skipped.size(), 5u);
    EXPECT_EQ(Read(temp_ / "dup.txt"), "second");
    EXPECT_EQ(Read(temp_ / "ok.txt"), "ok");
    EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
    EXPECT_FALSE(fs::exists(root_ / "escape2.txt"));
    EXPECT_FALSE(fs::exists(temp_ / "link"));
    EXPECT_FALSE(fs::exists(temp_ / "abs.txt"));
    EXPECT_FALSE(fs::exists(temp_ / "folder"));
    std::size_t inFolder = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(temp_)) {
        ++inFolder;
    }
    EXPECT_EQ(inFolder, 3u);  // the archive, dup.txt and ok.txt

    EXPECT_EQ(EntryTargetName("a\\b\\c.txt"), "c.txt");
    EXPECT_EQ(EntryTargetName("a/./c.txt"), "c.txt");
    EXPECT_EQ(EntryTargetName("a/.."), "");
    EXPECT_EQ(EntryTargetName("a/."), "");
    EXPECT_EQ(EntryTargetName("..\\x"), "");
    EXPECT_EQ(EntryTargetName("x:y"), "");
    EXPECT_EQ(EntryTargetName("..x/y..z"), "y..z");

    // Not an archive at all.
    Write(Archive(), "PK\x03\x04 but nothing else");
    const UnpackResult damaged = UnpackArchive(Archive().string(), TempFolder());
    EXPECT_FALSE(damaged.ok);
    EXPECT_NE(damaged.error.find("beschädigt"), std::string::npos);
}

TEST_F(InstallationTest, ADamagedEntryIsReportedNotWritten) {
    MakeZip(Archive(), {{"good.txt", "fine"}, {"Update.bat", std::string(4000, 'x'), false, true}});
    std::string bytes = Read(Archive());
    // Change one byte of the stored data of the second entry: its checksum no longer matches.
    const auto at = bytes.find(std::string(100, 'x'));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 50] = 'y';
    Write(Archive(), bytes);
    const UnpackResult result = UnpackArchive(Archive().string(), TempFolder());
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("beschädigt"), std::string::npos);
    EXPECT_FALSE(fs::exists(temp_ / "Update.bat"));
    EXPECT_FALSE(fs::exists(temp_ / "Update.bat.rangwerk-part"));
}

TEST(TrustedUpdateKeys, TheEnvironmentNamesAnExtraKey) {
    const fs::path file =
        fs::temp_directory_path() / ("rangwerk-trusted-" + std::to_string(::getpid()) + ".pem");
    Key key = MakeKey();
    Write(file, PublicPem(key.get()));
    const std::size_t builtIn = [] {
        ::unsetenv("RANGWERK_UPDATE_TRUSTED_KEY");
        return TrustedUpdateKeys().size();
    }();
    EXPECT_LE(builtIn, 1u);
    ::setenv("RANGWERK_UPDATE_TRUSTED_KEY", file.c_str(), 1);
    const std::vector<std::string> keys = TrustedUpdateKeys();
    ASSERT_EQ(keys.size(), builtIn + 1);
    EXPECT_EQ(keys.back(), PublicPem(key.get()));
    ::setenv("RANGWERK_UPDATE_TRUSTED_KEY", (file.string() + ".missing").c_str(), 1);
    EXPECT_EQ(TrustedUpdateKeys().size(), builtIn);
    ::unsetenv("RANGWERK_UPDATE_TRUSTED_KEY");
    fs::remove(file);
}

}  // namespace
}  // namespace rangwerk
