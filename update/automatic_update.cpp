#include "update/automatic_update.h"

#include <exception>
#include <memory>

#include "platform/drive_type.h"
#include "platform/file_times.h"

namespace rangwerk {

namespace {

bool DriveGoesOn(int driveType) {
    return driveType == kDriveRemovable || driveType == kDriveFixed || driveType == kDriveRemote ||
           driveType == kDriveRamDisk;
}

}  // namespace

AutomaticUpdateDecision DecideAutomaticUpdate(const AutomaticUpdateServices& services,
                                              const UpdateSettingsKey& settings,
                                              const std::string& argument, bool forced,
                                              double installedDate) {
    AutomaticUpdateDecision decision;
    if (services.argument1 && *services.argument1 == kUninstallArgument)
        return decision;

    // A settings key that cannot be opened or written does not stop the check: what cannot be
    // read counts as missing.
    auto remember = [&decision](const std::exception& e) {
        if (!decision.failure)
            decision.failure = e.what();
    };
    std::unique_ptr<RegistryKey> key;
    try {
        key = settings.Open(services.registry);
    } catch (const std::exception& e) {
        remember(e);
    }

    if (!forced && key) {
        std::string commandLine = "\"" + services.programPath + "\"";
        if (!argument.empty())
            commandLine += " " + argument;
        try {
            key->WriteString(kValueApplicationFileName, commandLine);
        } catch (const std::exception& e) {
            remember(e);
        }
    }

    const int driveType = services.driveType ? services.driveType(services.programPath)
                                             : ProgramDriveType(services.programPath);
    if (!DriveGoesOn(driveType))
        return decision;

    if (installedDate != 0) {
        decision.installedDate = installedDate;
    } else {
        const auto fileTime = services.fileTime ? services.fileTime(services.programPath)
                                                : FileModificationDayCount(services.programPath);
        decision.installedDate = fileTime.value_or(0);
    }

    const double today = services.today ? services.today() : LocalToday();
    std::optional<double> reminderDate;
    bool noUpdate = false;
    if (key) {
        try {
            reminderDate = ReadReminderDate(*key);
            decision.onlyUpdate = key->ValueExists(kValueOnlyUpdate);
            noUpdate = key->ValueExists(kValueNoUpdate);
        } catch (const std::exception& e) {
            remember(e);
        }
    }
    const double reminder = reminderDate.value_or(today - 1);

    // A build without an update host would remind at every start of a check that cannot
    // succeed; Ctrl+U still opens the wizard.
    if (!forced && !services.updateHostKnown)
        return decision;

    if (!forced && !decision.onlyUpdate && (!(today > reminder) || noUpdate))
        return decision;
    decision.showWizard = true;
    return decision;
}

}  // namespace rangwerk
