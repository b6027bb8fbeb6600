#pragma once

#include <string>
#include <vector>

namespace rangwerk {

// Everything PrepareInstallation needs to know about this computer.
struct InstallationRequest {
    std::string archiveFile;  // TempFolder + "Ranko.zip"; its signature is archiveFile + ".sig"
    std::string tempFolder;   // ends with a path separator
    std::string programPath;  // the full path of the program file; its folder is replaced
    bool restart = true;      // `CheckBox_Restart`
    // Public keys (PEM) whose Ed25519 signature of the archive is accepted. Empty: nothing is
    // trusted and every archive is refused.
    std::vector<std::string> trustedKeys;
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

// PrepareInstallation: verifies the archive's signature, unpacks the archive into the
// temporary folder, completes "Update.bat" there with this computer's folders and deletes the
// archive. Nothing is unpacked from an archive whose signature does not verify; such an archive
// is deleted. Never throws.
InstallationResult PrepareInstallation(const InstallationRequest& request);

// The trusted keys: the maker's key built into the program (when the build set one) and the
// PEM file named by the environment variable RANGWERK_UPDATE_TRUSTED_KEY (when set and
// readable).
std::vector<std::string> TrustedUpdateKeys();

}  // namespace rangwerk
