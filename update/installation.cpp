#include "update/installation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "base/failure.h"
#include "base/file_replace.h"
#include "base/path_text.h"
#include "base/text.h"
#include "platform/oem_text.h"
#include "update/archive_unpack.h"
#include "update/batch_completion.h"
#include "update/signature.h"
#include "update/update_maker_key.h"

namespace rangwerk {

namespace {

constexpr char kNotVerified[] =
    "Das Update konnte nicht überprüft werden: Es trägt keine gültige Signatur des Herstellers "
    "und wurde deshalb nicht installiert. Klicken Sie auf \"Abbrechen\" und versuchen Sie es "
    "später noch einmal.";
constexpr char kNoBatch[] =
    "Das Update-Archiv enthält keine Datei \"Update.bat\" und kann deshalb nicht installiert "
    "werden. Klicken Sie auf \"Abbrechen\" und versuchen Sie es später noch einmal.";

constexpr char kBatchName[] = "Update.bat";

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

}  // namespace

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
    std::error_code error;
    if (!std::filesystem::is_regular_file(PathOf(request.archiveFile), error)) {
        return Refused(kInstallFilesMissing);
    }

    const std::string signatureFile = request.archiveFile + ".sig";
    if (VerifyArchiveSignature(request.archiveFile, signatureFile, request.trustedKeys) !=
        SignatureCheck::Valid) {
        RemoveQuietly(request.archiveFile);
        RemoveQuietly(signatureFile);
        return Refused(kNotVerified);
    }

    // The folders must fit a line of the batch file before anything is unpacked.
    BatchValues values;
    try {
        values.programFolder = ToOem(FolderOfPath(request.programPath));
        values.tempFolder = ToOem(request.tempFolder);
        values.programPath = ToOem(request.programPath);
        CheckUnquotedBatchPath(request.tempFolder);
    } catch (const Failure& e) {
        return Refused(e.what());
    }
    values.restart = request.restart;
    values.units = OemTextIsUtf8() ? TextUnits::Utf8 : TextUnits::Bytes;

    const UnpackResult unpacked = UnpackArchive(request.archiveFile, request.tempFolder);
    if (!unpacked.ok) {
        return Refused(unpacked.error);
    }
    bool haveBatch = false;
    for (const std::string& name : unpacked.files) {
        haveBatch = haveBatch || IsBatchName(name);
    }
    if (!haveBatch) {
        // A "Update.bat" left from an earlier update must not run in its place.
        return Refused(kNoBatch);
    }

    const std::string batchFile = request.tempFolder + kBatchName;
    std::string contents;
    if (!ReadWholeFile(batchFile, contents)) {
        return Refused("Die Datei \"" + batchFile + "\" kann nicht gelesen werden.");
    }
    std::string completed;
    try {
        completed = CompleteUpdateBatch(contents, values);
    } catch (const TemplateError& e) {
        return Refused(e.what());
    }
    // The old file stays whole when writing fails.
    try {
        ReplaceFileContents(batchFile, completed);
    } catch (const FileReplaceError&) {
        return Refused("Die Datei \"" + batchFile + "\" kann nicht geschrieben werden.");
    }

    RemoveQuietly(request.archiveFile);
    RemoveQuietly(signatureFile);
    InstallationResult result;
    result.prepared = true;
    return result;
}

}  // namespace rangwerk
