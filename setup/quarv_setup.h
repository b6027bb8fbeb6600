#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dialogs.h"
#include "platform/registry.h"

namespace rangwerk {

// The system's list of installed programs and the key below which the maker's programs keep
// their settings.
inline constexpr char kUninstallKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kQuarvKeyPath[] = "SOFTWARE\\Quarv";

// The hint written as "URLUpdateInfo" when the program updates itself.
inline constexpr char kUpdateHint[] = "Strg+U im Programm drücken";

// What the component takes from the running program.
struct QuarvSetupServices {
    Registry& registry;
    Dialogs& dialogs;
    std::string applicationTitle;
    std::string programPath;  // absolute path of the running program file
    std::optional<std::string> argument1;
    std::function<std::string()> readFileVersion;  // "FileVersion" of the program, or empty
    std::function<void()> requestTermination;
};

// Enters the program into the system's list of installed programs at every start and removes
// that entry, together with the program's settings key, when the program is started with
// "/uninstall". Only registry entries are removed; the program file and the user's files stay.
class TQuarvSetup {
public:
    // Sets the defaults from the running program and, when argument 1 equals UninstallParam byte
    // for byte, runs RunUninstall at once.
    explicit TQuarvSetup(QuarvSetupServices services);

    // The values that the main window stores with its layout where they differ from the defaults.
    void ApplyMainWindowValues();

    // Writes the program's uninstall entry. Does nothing when the program was started for the
    // removal or when UninstallString or RegKeyName is empty. A registry that cannot be written
    // is reported on stderr and never stops the start.
    void WriteUninstallEntry();

    // Asks whether to remove the program, removes its uninstall entry and settings keys, reports
    // the completion and always ends with a termination request. Keys that cannot be opened or
    // deleted are passed over. An empty key name deletes nothing.
    void RunUninstall();

    // True when argument 1 equals UninstallParam.
    bool UninstallRequested() const;

    // Properties, in their published order.
    std::string DisplayName;
    std::string DisplayIcon;
    std::string DisplayVersion;
    std::string UninstallString;
    std::string ModifyPath;
    std::string Readme;
    std::string Publisher;
    std::string URLInfoAbout;
    std::string URLUpdateInfo;
    std::string HelpLink;
    std::string UninstallParam;
    std::string RegKeyName;
    std::string QuarvRegKeyName;
    bool NoModify = true;
    bool NoRepair = true;
    bool QuarvUpdateUsed = false;
    bool AutoVersion = true;
    bool HKCU = false;
    bool UninstallMessage = true;

private:
    std::string ReadVersion() const;
    RegistryRoot EntryRoot() const;

    QuarvSetupServices services_;
};

}  // namespace rangwerk
