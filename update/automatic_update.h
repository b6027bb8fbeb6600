#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/registry.h"
#include "update/reminder.h"

namespace rangwerk {

// What the start-up check takes from the running program. Empty functions stand for the
// platform's own: ProgramDriveType, FileModificationDayCount and LocalToday.
struct AutomaticUpdateServices {
    Registry& registry;
    // The absolute path of the running program file.
    std::string programPath;
    // Argument 1 of the command line, when there is one.
    std::optional<std::string> argument1;
    std::function<int(const std::string& programPath)> driveType;
    std::function<std::optional<double>(const std::string& path)> fileTime;
    std::function<double()> today;
    // Whether the program knows a web server for its updates (built in or named by the
    // environment). Without one, the start never shows the wizard: it could reach nobody.
    bool updateHostKnown = false;
};

// What the start-up check found.
struct AutomaticUpdateDecision {
    // Show the wizard modally now.
    bool showWizard = false;
    // "OnlyUpdate" is present: after the wizard the program ends without its main window.
    bool onlyUpdate = false;
    // The date the wizard compares the updates with: the given one, or the program file's time.
    double installedDate = 0;
    // The first failure to open or write the settings key. The check goes on as far as it can
    // without the key (values that cannot be read count as missing); the caller reports the
    // failure once in the general error box.
    std::optional<std::string> failure;
};

// The argument that makes the program remove itself; the check then does nothing.
inline constexpr char kUninstallArgument[] = "/uninstall";

// The start-up reminder check and the Ctrl+U entry, without the wizard itself:
//   - argument 1 "/uninstall" (exactly): nothing;
//   - unless `forced`: "ApplicationFileName" = the quoted program path, a blank and `argument`
//     when that is not empty;
//   - only removable, fixed, network and RAM drives go on (not a CD-ROM, not a path whose drive
//     cannot be told), with or without `forced`;
//   - the installed date is `installedDate` when not 0, else the program file's time;
//   - unless `forced`: no wizard when the program knows no update host;
//   - unless `forced` or "OnlyUpdate" is present: no wizard when today is not later than the
//     reminder date ("Update", else yesterday) or "NoUpdate" is present.
AutomaticUpdateDecision DecideAutomaticUpdate(const AutomaticUpdateServices& services,
                                              const UpdateSettingsKey& settings,
                                              const std::string& argument, bool forced,
                                              double installedDate);

}  // namespace rangwerk
