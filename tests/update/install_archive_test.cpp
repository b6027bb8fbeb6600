// The installation step on real files: signature, unpacking and the completed "Update.bat".
#include <gtest/gtest.h>
#include <zip.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/temp_files.h"
#include "support/environment.h"
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
                                             std::to_string(testing_support::ProcessNumber()));
        fs::remove_all(root_);
        temp_ = root_ / "temp dir";
        fs::create_directories(temp_);
        fs::create_directories(root_ / "outside");
        key_ = MakeKey();
    }
    // On Windows the list of a prepared installation stays locked until the process ends, and
    // with it its folder.
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    std::string TempFolder() const { return temp_.string() + "/"; }
    fs::path Archive() const { return temp_ / "Ranko.zip"; }

    // The archive in TempFolder with its signature by `key` (the test's key when null). Its
    // release is later than the installed one unless the entries name one.
    void PutSignedArchive(std::vector<Entry> entries, const SigningKey* key = nullptr) {
        bool release = false;
        for (const Entry& entry : entries) {
            release = release || entry.name.find("Release.ini") != std::string::npos;
        }
        if (!release) {
            entries.push_back(ReleaseManifest("2026-06-02"));
        }
        MakeZip(Archive(), entries);
        Write(temp_ / "Ranko.zip.sig", Sign(key ? key : key_.get(), Read(Archive())));
    }

    // The names in TempFolder.
    std::set<std::string> InFolder() const {
        std::set<std::string> names;
        for (const auto& item : fs::directory_iterator(temp_)) {
            names.insert(item.path().filename().string());
        }
        return names;
    }

    InstallationRequest Request(bool restart = true) const {
        InstallationRequest request;
        request.archiveFile = Archive().string();
        request.tempFolder = TempFolder();
        request.programPath = "/opt/rang werk/rangwerk";
        request.restart = restart;
        request.trustedKeys = {PublicPem(key_.get())};
        request.installedRelease = "2026-06-01";
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

// A key and a signature as the maker's OpenSSL makes them ("openssl pkey -pubout",
// "openssl pkeyutl -sign -rawin" over the SHA-512 digest), checked on every platform: the
// signature is pure Ed25519 over the digest's 64 bytes, and a key of another curve with the
// same layout counts for nothing.
TEST_F(InstallationTest, AcceptsTheSignatureOpenSslMakes) {
    const std::string publicPem =
        "-----BEGIN PUBLIC KEY-----\n"
        "MCowBQYDK2VwAyEAgmjjfaZH1/PM+Zz/Eq4RxEm7EmX5WrOBfwGkvtZwVuc=\n"
        "-----END PUBLIC KEY-----\n";
    const std::string x25519Pem =
        "-----BEGIN PUBLIC KEY-----\n"
        "MCowBQYDK2VuAyEAZiAvLwYibhTf/We2ZwTDDiD4gvgRksfgsC2JO4kFm3A=\n"
        "-----END PUBLIC KEY-----\n";
    const char kSignature[] =
        "\x5E\x28\x31\x6C\x60\x49\xD1\x40\x5B\xB7\xA1\x48\xFD\x73\xE5\x13\xAB\x21\x97\xB7"
        "\xE8\xBE\xEA\xF5\xE5\xFC\x00\xD6\xFC\xA6\x06\xA0\x96\x35\xD1\x3E\x93\x05\x7A\xB2"
        "\x56\x16\xEF\xC3\xD2\xFB\x54\xAC\xFC\xAD\xFC\x2E\x36\x28\x49\x12\xB2\xBB\x78\x98"
        "\x0B\xB6\x08\x01";
    const std::string signature(kSignature, sizeof kSignature - 1);
    ASSERT_EQ(signature.size(), 64u);
    Write(Archive(), "Rangwerk-Update 2026-12-09\r\n");
    const fs::path sig = temp_ / "Ranko.zip.sig";
    Write(sig, signature);
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), {publicPem}),
              SignatureCheck::Valid);
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), {x25519Pem}),
              SignatureCheck::Invalid);
    // The PEM as a text file of Windows, with CR LF.
    std::string crlf;
    for (const char c : publicPem) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), {crlf}),
              SignatureCheck::Valid);
    Write(Archive(), "Rangwerk-Update 2026-12-10\r\n");
    EXPECT_EQ(VerifyArchiveSignature(Archive().string(), sig.string(), {publicPem}),
              SignatureCheck::Invalid);
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
    // The unpacked files are listed for their removal once the batch has run.
    EXPECT_EQ(InFolder(), (std::set<std::string>{"Update.bat", "Rangwerk.exe", "Release.ini",
                                                 kInstallationListName}));
#ifndef _WIN32
    // (Windows: the program holds the list without sharing until it ends.)
    const std::string list = Read(temp_ / kInstallationListName);
    EXPECT_EQ(list.substr(list.find('\n') + 1), "Update.bat\nRangwerk.exe\nRelease.ini\n");
#endif
}

TEST_F(InstallationTest, RefusalsLeaveAClearMessageAndNothingBehind) {
    // No archive at all; a signature alone goes too.
    Write(temp_ / "Ranko.zip.sig", "sig");
    InstallationResult result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_TRUE(result.errorIcon);
    EXPECT_EQ(result.message, kInstallFilesMissing);
    EXPECT_TRUE(InFolder().empty());

    // No "Update.bat" in the archive: a stale one in the folder must not count.
    Write(temp_ / "Update.bat", "stale");
    std::vector<Entry> noBatch{{"readme.txt", "x"}};
#ifndef _WIN32
    // Where the file system tells the cases apart, a name in another case is another file.
    noBatch.push_back({"update.bat", "wrong case"});
#endif
    PutSignedArchive(noBatch);
    result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_NE(result.message.find("keine Datei \"Update.bat\""), std::string::npos);
    EXPECT_EQ(InFolder(), std::set<std::string>{"Update.bat"});
    EXPECT_EQ(Read(temp_ / "Update.bat"), "stale");
    fs::remove(temp_ / "Update.bat");

    // A malformed template: what was unpacked goes again.
    const std::string batch = "a\r\nb %s\r\nc 50%\r\nd %s %s\r\n";
    PutSignedArchive({{"Update.bat", batch}, {"payload.exe", "MZ"}});
    result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_NE(result.message.find("Zeile 3"), std::string::npos) << result.message;
    EXPECT_TRUE(InFolder().empty());

    // A program folder with a line break unpacks nothing.
    PutSignedArchive({{"Update.bat", batch}});
    InstallationRequest broken = Request();
    broken.programPath = "/opt/a\nb/rangwerk";
    result = PrepareInstallation(broken);
    EXPECT_FALSE(result.prepared);
    EXPECT_NE(result.message.find("Zeilenumbruch"), std::string::npos);
    EXPECT_TRUE(InFolder().empty());
#ifdef _WIN32
    // Nor does a program folder that the console's code page cannot hold, or with a "%": the
    // batch interpreter would run another path.
    for (const char* path :
         {"C:\\Programme\\\xE2\x98\x83\\Rangwerk.exe", "C:\\Programme\\100%\\Rangwerk.exe"}) {
        SCOPED_TRACE(path);
        PutSignedArchive({{"Update.bat", batch}});
        InstallationRequest request = Request();
        request.programPath = path;
        result = PrepareInstallation(request);
        EXPECT_FALSE(result.prepared);
        const std::string folder = std::string(path).substr(0, std::string(path).rfind('\\') + 1);
        EXPECT_EQ(result.message.rfind("Der Pfad \"" + folder + "\" enth", 0), 0u)
            << result.message;
        EXPECT_TRUE(InFolder().empty());
    }
#endif

    // A damaged archive, signed as it is.
    MakeZip(Archive(), {{"Update.bat", std::string(5000, 'r')}, ReleaseManifest("2026-06-02")});
    std::string bytes = Read(Archive());
    bytes.resize(bytes.size() / 2);
    Write(Archive(), bytes);
    Write(temp_ / "Ranko.zip.sig", Sign(key_.get(), bytes));
    result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_TRUE(result.errorIcon);
    EXPECT_TRUE(InFolder().empty());
}

TEST_F(InstallationTest, OnlyALaterReleaseIsInstalled) {
    const auto refusal = [&](const std::vector<Entry>& entries, InstallationRequest request) {
        MakeZip(Archive(), entries);
        Write(temp_ / "Ranko.zip.sig", Sign(key_.get(), Read(Archive())));
        const InstallationResult result = PrepareInstallation(request);
        EXPECT_FALSE(result.prepared);
        EXPECT_TRUE(result.errorIcon);
        EXPECT_TRUE(InFolder().empty()) << "nothing unpacked, archive and signature gone";
        return result.message;
    };
    const std::vector<Entry> files{{"Update.bat", "rem\r\n"}, {"payload.exe", "MZ"}};
    auto with = [&](Entry manifest) {
        std::vector<Entry> entries = files;
        entries.push_back(std::move(manifest));
        return entries;
    };
    // An archive the maker signed for an older release, or for the installed one.
    EXPECT_EQ(refusal(with(ReleaseManifest("2026-05-31")), Request()),
              "Das Update vom 31.05.2026 ist nicht neuer als das installierte Programm vom "
              "01.06.2026 und wird deshalb nicht installiert. Klicken Sie auf \"Abbrechen\", um "
              "den Assistenten zu beenden.");
    EXPECT_NE(refusal(with(ReleaseManifest("2026-06-01")), Request()).find("nicht neuer"),
              std::string::npos);
    // Without a readable release date.
    const std::string noDate = refusal(files, Request());
    EXPECT_EQ(noDate,
              "Das Update-Archiv nennt kein gültiges Erscheinungsdatum (Datei \"Release.ini\") und "
              "wird deshalb nicht installiert. Klicken Sie auf \"Abbrechen\" und versuchen Sie es "
              "später noch einmal.");
    for (const std::string& manifest :
         {std::string("Date=2026-02-30\r\n"), std::string("Date=07.06.2026\r\n"),
          std::string("Date=2026-06-07\nDate=2026-06-08\n"), std::string("Datum=2026-06-07\n")}) {
        SCOPED_TRACE(manifest);
        EXPECT_EQ(refusal(with({"Release.ini", manifest}), Request()), noDate);
    }
    // Two manifests: which one counts would be a guess.
    std::vector<Entry> two = with(ReleaseManifest("2026-06-07"));
    two.push_back({"a/Release.ini", "Date=2026-06-08"});
    EXPECT_EQ(refusal(two, Request()), noDate);

    // The release date of the build setting is the one compared when nothing else is given.
    EXPECT_STREQ(BuiltInReleaseDate(), RANGWERK_EXPECTED_RELEASE_DATE);
    InstallationRequest builtIn = Request();
    builtIn.installedRelease = InstallationRequest{}.installedRelease;
    EXPECT_EQ(builtIn.installedRelease, BuiltInReleaseDate());
    EXPECT_NE(refusal(with(ReleaseManifest(BuiltInReleaseDate())), builtIn).find("nicht neuer"),
              std::string::npos);

    // A later one, with blanks and in another case, installs.
    PutSignedArchive(with({"Release.ini", "[Release]\r\n date = 2026-06-02 \r\n"}));
    const InstallationResult result = PrepareInstallation(Request());
    EXPECT_TRUE(result.prepared) << result.message;
}

TEST_F(InstallationTest, UnpackingKeepsEverythingInsideTheFolder) {
    MakeZip(Archive(), {{"../escape.txt", "1"},
                        {"a/../../escape2.txt", "2"},
                        {"/etc/abs.txt", "3"},
                        {"C:\\abs.txt", "4"},
                        {"folder/", ""},
                        {"link", "../outside/target", true},
                        {"line\nbreak.txt", "5"},
                        {"x.rangwerk-part", "6"},
                        {"one/first.txt", "first"},
                        {"deep/er/ok.txt", "ok"}});
    UpdateFolder folder(TempFolder());
    const UnpackResult result = UnpackArchive(Archive().string(), folder);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.files, (std::vector<std::string>{"first.txt", "ok.txt"}));
    EXPECT_EQ(result.skipped.size(), 7u);
    EXPECT_EQ(Read(temp_ / "first.txt"), "first");
    EXPECT_EQ(Read(temp_ / "ok.txt"), "ok");
    EXPECT_FALSE(fs::exists(root_ / "escape.txt"));
    EXPECT_FALSE(fs::exists(root_ / "escape2.txt"));
    EXPECT_EQ(InFolder(), (std::set<std::string>{"Ranko.zip", "first.txt", "ok.txt"}));

    EXPECT_EQ(EntryTargetName("a\\b\\c.txt"), "c.txt");
    EXPECT_EQ(EntryTargetName("a/./c.txt"), "c.txt");
    EXPECT_EQ(EntryTargetName("a/.."), "");
    EXPECT_EQ(EntryTargetName("a/."), "");
    EXPECT_EQ(EntryTargetName("..\\x"), "");
    EXPECT_EQ(EntryTargetName("x:y"), "");
    EXPECT_EQ(EntryTargetName("..x/y..z"), "y..z");

    // Not an archive at all.
    Write(Archive(), "PK\x03\x04 but nothing else");
    const UnpackResult damaged = UnpackArchive(Archive().string(), folder);
    EXPECT_FALSE(damaged.ok);
    EXPECT_NE(damaged.error.find("beschädigt"), std::string::npos);
}

TEST_F(InstallationTest, ADamagedEntryIsReportedAndNothingStays) {
    MakeZip(Archive(), {{"good.txt", "fine"}, {"Update.bat", std::string(4000, 'x'), false, true}});
    std::string bytes = Read(Archive());
    // Change one byte of the stored data of the second entry: its checksum no longer matches.
    const auto at = bytes.find(std::string(100, 'x'));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 50] = 'y';
    Write(Archive(), bytes);
    UpdateFolder folder(TempFolder());
    const UnpackResult result = UnpackArchive(Archive().string(), folder);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("beschädigt"), std::string::npos);
    EXPECT_EQ(InFolder(), std::set<std::string>{"Ranko.zip"});
}

// A source of `size` zeros, made as libzip reads them: a ZIP bomb needs no memory to build.
struct Zeros {
    zip_uint64_t size = 0;
    zip_uint64_t at = 0;

    static zip_int64_t Call(void* self, void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
        auto& zeros = *static_cast<Zeros*>(self);
        switch (cmd) {
            case ZIP_SOURCE_OPEN:
                zeros.at = 0;
                return 0;
            case ZIP_SOURCE_READ: {
                const zip_uint64_t n = std::min(length, zeros.size - zeros.at);
                std::memset(data, 0, static_cast<std::size_t>(n));
                zeros.at += n;
                return static_cast<zip_int64_t>(n);
            }
            case ZIP_SOURCE_STAT: {
                auto* stat = static_cast<zip_stat_t*>(data);
                zip_stat_init(stat);
                stat->size = zeros.size;
                stat->valid |= ZIP_STAT_SIZE;
                return sizeof(zip_stat_t);
            }
            case ZIP_SOURCE_CLOSE:
            case ZIP_SOURCE_FREE:
                return 0;
            case ZIP_SOURCE_ERROR: {
                zip_error_t none;
                zip_error_init(&none);
                return zip_error_to_data(&none, data, length);
            }
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ,
                                                      ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                      ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
            default:
                return -1;
        }
    }
};

// Sets a 32-bit little-endian field of a ZIP header.
void PutField(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

TEST_F(InstallationTest, AZipBombIsRefusedBeforeTheDiskFills) {
    UpdateFolder folder(TempFolder());
    // One entry more than allowed.
    {
        std::vector<Entry> many;
        for (std::uint64_t i = 0; i <= kUnpackMaxEntries; ++i) {
            many.push_back({"f" + std::to_string(i), "", false, true});
        }
        MakeZip(Archive(), many);
        const UnpackResult result = UnpackArchive(Archive().string(), folder);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error,
                  "Das Update-Archiv enthält mehr als 10.000 Einträge und wird deshalb nicht "
                  "entpackt. Klicken Sie auf \"Abbrechen\" und versuchen Sie es später noch "
                  "einmal.");
        EXPECT_EQ(InFolder(), std::set<std::string>{"Ranko.zip"});
    }
    // A few megabytes that unpack to one byte more than 1 GiB: refused before a byte is written.
    {
        int error = 0;
        zip_t* archive = zip_open(Archive().string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(archive, nullptr);
        Zeros zeros{kUnpackMaxBytes - 9, 0};
        zip_source_t* source = zip_source_function(archive, &Zeros::Call, &zeros);
        ASSERT_NE(source, nullptr);
        const zip_int64_t index = zip_file_add(archive, "zeros", source, 0);
        ASSERT_GE(index, 0);
        ASSERT_EQ(
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1),
            0);
        zip_source_t* more = zip_source_buffer(archive, "0123456789", 10, 0);
        ASSERT_GE(zip_file_add(archive, "Update.bat", more, 0), 0);
        ASSERT_EQ(zip_close(archive), 0);
        ASSERT_LT(fs::file_size(Archive()), 20u << 20);
        const auto before = std::chrono::steady_clock::now();
        const UnpackResult result = UnpackArchive(Archive().string(), folder);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error,
                  "Das Update-Archiv würde entpackt mehr als 1 GB belegen und wird deshalb nicht "
                  "entpackt. Klicken Sie auf \"Abbrechen\" und versuchen Sie es später noch "
                  "einmal.");
        EXPECT_EQ(InFolder(), std::set<std::string>{"Ranko.zip"});
    }
    // An entry that claims less than it holds is cut off at its claim; the partial file and the
    // file unpacked before it go again.
    {
        MakeZip(Archive(), {{"first.txt", "first"}, {"liar", std::string(2u << 20, 'x')}});
        std::string bytes = Read(Archive());
        const std::size_t local = bytes.find("PK\x03\x04", 1);
        const std::size_t central = bytes.rfind("PK\x01\x02");
        ASSERT_NE(local, std::string::npos);
        ASSERT_NE(central, std::string::npos);
        PutField(bytes, local + 22, 1000);    // uncompressed size, local header
        PutField(bytes, central + 24, 1000);  // and in the central directory
        Write(Archive(), bytes);
        const UnpackResult result = UnpackArchive(Archive().string(), folder);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("beschädigt"), std::string::npos) << result.error;
        EXPECT_EQ(InFolder(), std::set<std::string>{"Ranko.zip"});
    }
}

TEST_F(InstallationTest, EntriesThatWouldShareANameAreRefused) {
    // Which of the two would run is a guess.
    PutSignedArchive({{"Update.bat", "rem first\r\n"}, {"x/Update.bat", "rem second\r\n"}});
    InstallationResult result = PrepareInstallation(Request());
    EXPECT_FALSE(result.prepared);
    EXPECT_EQ(result.message,
              "Das Update-Archiv enthält mehrere Dateien \"Update.bat\" in verschiedenen Ordnern; "
              "da offen bliebe, welche gilt, wird es nicht entpackt. Klicken Sie auf "
              "\"Abbrechen\" und versuchen Sie es später noch einmal.");
    EXPECT_TRUE(InFolder().empty());

    // Names the installation itself uses.
    for (const std::string name : {"Ranko.zip", "Ranko.zip.sig", "Update.lst"}) {
        SCOPED_TRACE(name);
        PutSignedArchive({{"Update.bat", "rem\r\n"}, {"sub/" + name, "x"}});
        result = PrepareInstallation(Request());
        EXPECT_FALSE(result.prepared);
        EXPECT_NE(result.message.find("\"" + name + "\", deren Name das Programm selbst braucht"),
                  std::string::npos)
            << result.message;
        EXPECT_TRUE(InFolder().empty());
    }
}

#ifndef _WIN32
// The private folder existed with lax permissions, and another user put links in it before the
// program closed it: where the signed update writes its files, the links lead to the user's
// own files. Another user where the tests run as root, else the same user: the program never
// follows a link it finds there either way.
TEST_F(InstallationTest, LinksPlantedInTheFolderAreNotFollowed) {
    const auto folder = PrivateTempFolderIn(root_.string());
    ASSERT_TRUE(folder);
    const fs::path temp = folder->substr(0, folder->size() - 1);
    ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(temp.c_str(), 0777), 0);
    const fs::path victim = root_ / "outside" / "victim.txt";
    Write(victim, "the user's own file");
    ASSERT_EQ(::chmod((root_ / "outside").c_str(), 0755), 0);
    const std::vector<std::string> planted{
        "Update.bat.rangwerk-part",  "payload.exe.rangwerk-part", "Update.bat", "payload.exe",
        "Release.ini.rangwerk-part", "Update.lst.rangwerk-part",  "Update.lst"};
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            _exit(2);
        }
        for (const std::string& name : planted) {
            if (::symlink(victim.c_str(), (temp / name).c_str()) != 0) {
                _exit(3);
            }
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    // The program starts again and takes its folder back.
    ASSERT_EQ(PrivateTempFolderIn(root_.string()), folder);
    MakeZip(temp / "Ranko.zip",
            {{"Update.bat", "rem %s\r\n"}, {"payload.exe", "MZ"}, ReleaseManifest("2026-06-02")});
    Write(temp / "Ranko.zip.sig", Sign(key_.get(), Read(temp / "Ranko.zip")));
    InstallationRequest request = Request();
    request.archiveFile = (temp / "Ranko.zip").string();
    request.tempFolder = *folder;
    const InstallationResult result = PrepareInstallation(request);
    ASSERT_TRUE(result.prepared) << result.message;

    EXPECT_EQ(Read(victim), "the user's own file");
    EXPECT_EQ(Read(temp / "payload.exe"), "MZ");
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(temp)) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(item.path()))) << item.path();
        names.insert(item.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"Update.bat", "payload.exe", "Release.ini",
                                            kInstallationListName}));
}
#endif

TEST(TrustedUpdateKeys, TheEnvironmentNamesAnExtraKey) {
    const fs::path file =
        fs::temp_directory_path() /
        ("rangwerk-trusted-" + std::to_string(testing_support::ProcessNumber()) + ".pem");
    Key key = MakeKey();
    Write(file, PublicPem(key.get()));
    const std::size_t builtIn = [] {
        testing_support::UnsetEnvironment("RANGWERK_UPDATE_TRUSTED_KEY");
        return TrustedUpdateKeys().size();
    }();
    EXPECT_LE(builtIn, 1u);
    testing_support::SetEnvironment("RANGWERK_UPDATE_TRUSTED_KEY", file.string());
    const std::vector<std::string> keys = TrustedUpdateKeys();
    ASSERT_EQ(keys.size(), builtIn + 1);
    EXPECT_EQ(keys.back(), PublicPem(key.get()));
    testing_support::SetEnvironment("RANGWERK_UPDATE_TRUSTED_KEY", file.string() + ".missing");
    EXPECT_EQ(TrustedUpdateKeys().size(), builtIn);
    testing_support::UnsetEnvironment("RANGWERK_UPDATE_TRUSTED_KEY");
    fs::remove(file);
}

}  // namespace
}  // namespace rangwerk
