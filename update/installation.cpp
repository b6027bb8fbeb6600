#include "update/installation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>

#include "base/failure.h"
#include "base/path_text.h"
#include "base/text.h"
#include "platform/oem_text.h"
#include "platform/temp_files.h"
#include "update/archive_unpack.h"
#include "update/batch_completion.h"
#include "update/release_date.h"
#include "update/signature.h"
#include "update/update_maker_key.h"

namespace rangwerk {

namespace {

constexpr char kTryLater[] =
    " Klicken Sie auf \"Abbrechen\" und versuchen Sie es später noch einmal.";
constexpr char kNotVerified[] =
    "Das Update konnte nicht überprüft werden: Es trägt keine gültige Signatur des Herstellers "
    "und wurde deshalb nicht installiert. Klicken Sie auf \"Abbrechen\" und versuchen Sie es "
    "später noch einmal.";
constexpr char kNoBatch[] =
    "Das Update-Archiv enthält keine Datei \"Update.bat\" und kann deshalb nicht installiert "
    "werden. Klicken Sie auf \"Abbrechen\" und versuchen Sie es später noch einmal.";

constexpr char kBatchName[] = "Update.bat";
// More than any batch file needs; the completed one is written whole from memory.
constexpr std::size_t kBatchLimit = 1024 * 1024;
constexpr std::size_t kManifestLimit = 4096;

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::u8path(utf8);
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(PathOf(path), ignored);
}

InstallationResult Refused(std::string message) {
    InstallationResult result;
    result.message = std::move(message);
    result.errorIcon = true;
    return result;
}

bool IsBatchName(const std::string& name) {
#ifdef _WIN32
    return EqualIgnoringCase(name, kBatchName);
#else
    return name == kBatchName;
#endif
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        return false;
    }
    contents = std::move(buffer).str();
    return true;
}

bool IsDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

// "YYYY-MM-DD" naming a real day.
bool IsIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !IsDigits(text.substr(0, 4)) ||
        !IsDigits(text.substr(5, 2)) || !IsDigits(text.substr(8, 2))) {
        return false;
    }
    const int year = std::stoi(std::string(text.substr(0, 4)));
    const int month = std::stoi(std::string(text.substr(5, 2)));
    const int day = std::stoi(std::string(text.substr(8, 2)));
    constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return !(month == 2 && day == 29 && !leap);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The release date of a manifest: its line "Date=YYYY-MM-DD" (the key in any case, blanks
// around key and value dropped). Section lines and other keys are ignored; a second date or an
// unreadable one makes the manifest invalid.
std::optional<std::string> ReleaseDateOfManifest(std::string_view text) {
    std::optional<std::string> date;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos ||
            !EqualIgnoringCase(Trimmed(line.substr(0, equals)), "Date")) {
            continue;
        }
        const std::string_view value = Trimmed(line.substr(equals + 1));
        if (date || !IsIsoDate(value)) {
            return std::nullopt;
        }
        date = std::string(value);
    }
    return date;
}

// "YYYY-MM-DD" as the German reader writes a date.
std::string GermanDate(const std::string& iso) {
    if (!IsIsoDate(iso)) {
        return iso;
    }
    return iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4);
}

// Why the archive's release may not replace the installed one; empty when it may.
std::string ReleaseRefusal(const std::string& archiveFile, const std::string& installed) {
    const std::optional<std::string> manifest =
        ReadArchiveEntry(archiveFile, kReleaseManifestName, kManifestLimit);
    const std::optional<std::string> release =
        manifest ? ReleaseDateOfManifest(*manifest) : std::nullopt;
    if (!release) {
        return std::string("Das Update-Archiv nennt kein gültiges Erscheinungsdatum (Datei \"") +
               kReleaseManifestName + "\") und wird deshalb nicht installiert." + kTryLater;
    }
    // Both are "YYYY-MM-DD": as texts they sort as the days do.
    if (!IsIsoDate(installed) || *release <= installed) {
        return "Das Update vom " + GermanDate(*release) +
               " ist nicht neuer als das installierte Programm vom " + GermanDate(installed) +
               " und wird deshalb nicht installiert. Klicken Sie auf \"Abbrechen\", um den "
               "Assistenten zu beenden.";
    }
    return {};
}

void RemoveUnpacked(UpdateFolder& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        folder.Remove(name);
    }
}

// Writes the completed batch as a new file and renames it over the unpacked one.
void WriteBatch(UpdateFolder& folder, const std::string& contents) {
    const std::string partial = std::string(kBatchName) + kPartialFileSuffix;
    NewFile file = folder.Create(partial);
    const bool written = file.Write(contents);
    if (!file.Close() || !written || !folder.Rename(partial, kBatchName)) {
        folder.Remove(partial);
        throw Failure("Die Datei \"" + folder.Path() + kBatchName +
                      "\" kann nicht geschrieben werden.");
    }
}

// The list of the last prepared installation, held until the program ends.
HeldFile& PendingInstallationList() {
    static HeldFile held;
    return held;
}

}  // namespace

const char* BuiltInReleaseDate() {
    return kReleaseDate;
}

void DiscardDownloadedArchive(const std::string& archiveFile) {
    RemoveQuietly(archiveFile);
    RemoveQuietly(archiveFile + ".sig");
}

std::vector<std::string> TrustedUpdateKeys() {
    std::vector<std::string> keys;
    if (kUpdateMakerKey[0] != '\0') {
        keys.emplace_back(kUpdateMakerKey);
    }
    if (const char* extra = std::getenv("RANGWERK_UPDATE_TRUSTED_KEY"); extra && *extra) {
        std::string pem;
        if (ReadWholeFile(extra, pem) && pem.size() < 64 * 1024) {
            keys.push_back(std::move(pem));
        }
    }
    return keys;
}

InstallationResult PrepareInstallation(const InstallationRequest& request) {
    const auto refuse = [&](std::string message) {
        DiscardDownloadedArchive(request.archiveFile);
        return Refused(std::move(message));
    };
    std::error_code error;
    if (!std::filesystem::is_regular_file(PathOf(request.archiveFile), error)) {
        return refuse(kInstallFilesMissing);
    }

    const std::string signatureFile = request.archiveFile + ".sig";
    if (VerifyArchiveSignature(request.archiveFile, signatureFile, request.trustedKeys) !=
        SignatureCheck::Valid) {
        return refuse(kNotVerified);
    }
    if (const std::string why = ReleaseRefusal(request.archiveFile, request.installedRelease);
        !why.empty()) {
        return refuse(why);
    }

    // The folders must fit a line of the batch file before anything is unpacked.
    BatchValues values;
    std::optional<UpdateFolder> folder;
    try {
        values.programFolder = ToOem(FolderOfPath(request.programPath));
        values.tempFolder = ToOem(request.tempFolder);
        values.programPath = ToOem(request.programPath);
        CheckUnquotedBatchPath(request.tempFolder);
        folder.emplace(request.tempFolder);
    } catch (const Failure& e) {
        return refuse(e.what());
    }
    values.restart = request.restart;
    values.units = OemTextIsUtf8() ? TextUnits::Utf8 : TextUnits::Bytes;

    const std::string archiveName = FileNameOfPath(request.archiveFile);
    const UnpackResult unpacked = UnpackArchive(
        request.archiveFile, *folder, {archiveName, archiveName + ".sig", kInstallationListName});
    if (!unpacked.ok) {
        return refuse(unpacked.error);
    }
    const auto refuseUnpacked = [&](std::string message) {
        RemoveUnpacked(*folder, unpacked.files);
        return refuse(std::move(message));
    };
    bool haveBatch = false;
    for (const std::string& name : unpacked.files) {
        haveBatch = haveBatch || IsBatchName(name);
    }
    if (!haveBatch) {
        // A "Update.bat" left from an earlier update must not run in its place.
        return refuseUnpacked(kNoBatch);
    }

    const std::optional<std::string> contents = folder->Read(kBatchName, kBatchLimit);
    if (!contents) {
        return refuseUnpacked("Die Datei \"" + folder->Path() + kBatchName +
                              "\" kann nicht gelesen werden.");
    }
    try {
        WriteBatch(*folder, CompleteUpdateBatch(*contents, values));
        PendingInstallationList() = HeldFile();  // an earlier one of this run gives way
        PendingInstallationList() = WriteInstallationList(*folder, unpacked.files);
    } catch (const Failure& e) {
        return refuseUnpacked(e.what());
    }

    DiscardDownloadedArchive(request.archiveFile);
    InstallationResult result;
    result.prepared = true;
    return result;
}

}  // namespace rangwerk
