#pragma once

#include <string>
#include <vector>

namespace rangwerk {

// The release date built into this program ("YYYY-MM-DD", the build setting
// RANGWERK_RELEASE_DATE). An update installs only over an older release.
const char* BuiltInReleaseDate();

// The file inside a signed update archive that names its release: a line "Date=YYYY-MM-DD".
inline constexpr char kReleaseManifestName[] = "Release.ini";

// Everything PrepareInstallation needs to know about this computer.
struct InstallationRequest {
    std::string archiveFile;  // TempFolder + "Ranko.zip"; its signature is archiveFile + ".sig"
    std::string tempFolder;   // ends with a path separator
    std::string programPath;  // the full path of the program file; its folder is replaced
    bool restart = true;      // `CheckBox_Restart`
    // Public keys (PEM) whose Ed25519 signature of the archive is accepted. Empty: nothing is
    // trusted and every archive is refused.
    std::vector<std::string> trustedKeys;
    // The release date of the running program; the archive's must be later.
    std::string installedRelease = BuiltInReleaseDate();
};

// What the "Einrichten" page shows afterwards.
struct InstallationResult {
    bool prepared = false;   // "Update.bat" is completed: InstallPrepared, go on to the last step
    std::string message;     // German text for `Label3` when not prepared
    bool errorIcon = false;  // `Image_Icon2` shows the system's error icon
};

// The text when the archive is missing.
inline constexpr char kInstallFilesMissing[] =
    "Die Installationsdateien wurden nicht gefunden. Klicken Sie auf \"Abbrechen\" und "
    "versuchen Sie es später noch einmal.";

// PrepareInstallation: verifies the archive's signature and that its release (the date in its
// kReleaseManifestName) is later than the installed one, unpacks the archive into the
// temporary folder (within the limits of UnpackArchive), completes "Update.bat" there with
// this computer's folders, lists the unpacked files in kInstallationListName for their removal
// once the batch has run (the list stays locked until the program ends) and deletes the archive
// and its signature. Every file is written new through the checked folder (UpdateFolder).
// Nothing is unpacked from an archive whose signature does not verify or whose release is not
// newer; on every refusal the archive, its signature and whatever was unpacked are removed. Never
// throws.
InstallationResult PrepareInstallation(const InstallationRequest& request);

// Removes the downloaded archive and its signature (`archiveFile` + ".sig") when they exist,
// without following links. The wizard calls it when a showing ends without a prepared
// installation (the download cancelled after it had completed, the "Einrichten" page left),
// so that nothing of the update stays in the temporary folder. PrepareInstallation does it
// itself when it refuses. Never throws.
void DiscardDownloadedArchive(const std::string& archiveFile);

// The trusted keys: the maker's key built into the program (when the build set one) and the
// PEM file named by the environment variable RANGWERK_UPDATE_TRUSTED_KEY (when set and
// readable).
std::vector<std::string> TrustedUpdateKeys();

}  // namespace rangwerk
