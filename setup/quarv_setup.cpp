#include "setup/quarv_setup.h"

#include <exception>
#include <iostream>
#include <utility>

#include "setup/maker.h"

namespace rangwerk {

TQuarvSetup::TQuarvSetup(QuarvSetupServices services) : services_(std::move(services)) {
    DisplayName = services_.applicationTitle;
    DisplayIcon = services_.programPath;
    DisplayVersion = ReadVersion();
    // Ends in the literal switch, whatever UninstallParam is set to later.
    UninstallString = "\"" + services_.programPath + "\" /uninstall";
    Publisher = "Quarv-Software";
    URLInfoAbout = kMakerUrlInfoAbout;
    HelpLink = kMakerHelpLink;
    UninstallParam = "/uninstall";
    RegKeyName = services_.applicationTitle;
    QuarvRegKeyName = services_.applicationTitle;

    if (UninstallRequested()) {
        RunUninstall();
    }
}

void TQuarvSetup::ApplyMainWindowValues() {
    QuarvUpdateUsed = true;
}

bool TQuarvSetup::UninstallRequested() const {
    // An empty switch never matches, so that a start without arguments is never a removal.
    return !UninstallParam.empty() && services_.argument1.has_value() &&
           *services_.argument1 == UninstallParam;
}

std::string TQuarvSetup::ReadVersion() const {
    return services_.readFileVersion ? services_.readFileVersion() : std::string();
}

RegistryRoot TQuarvSetup::EntryRoot() const {
    return HKCU ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
}

void TQuarvSetup::WriteUninstallEntry() {
    // An empty RegKeyName would put the values into the uninstall list's own key.
    if (UninstallRequested() || UninstallString.empty() || RegKeyName.empty()) {
        return;
    }
    try {
        auto key = services_.registry.OpenKey(EntryRoot(),
                                              std::string(kUninstallKeyPath) + "\\" + RegKeyName);
        auto writeOrDelete = [&key](const char* name, const std::string& data) {
            if (data.empty()) {
                key->DeleteValue(name);
            } else {
                key->WriteString(name, data);
            }
        };
        auto flag = [&key](const char* name, bool set) {
            if (set) {
                key->WriteDword(name, 1);
            } else {
                key->DeleteValue(name);
            }
        };
        key->WriteString("DisplayName", DisplayName);
        writeOrDelete("DisplayIcon", DisplayIcon);
        if (AutoVersion) {
            key->WriteString("DisplayVersion", ReadVersion());
        } else {
            writeOrDelete("DisplayVersion", DisplayVersion);
        }
        key->WriteString("UninstallString", UninstallString);
        writeOrDelete("ModifyPath", ModifyPath);
        writeOrDelete("Readme", Readme);
        writeOrDelete("Publisher", Publisher);
        writeOrDelete("URLInfoAbout", URLInfoAbout);
        writeOrDelete("URLUpdateInfo", QuarvUpdateUsed ? std::string(kUpdateHint) : URLUpdateInfo);
        writeOrDelete("HelpLink", HelpLink);
        flag("NoModify", NoModify);
        flag("NoRepair", NoRepair);
        key->Flush();  // all values in one write of the store
    } catch (const std::exception& e) {
        std::cerr << "Rangwerk: Der Eintrag in der Liste der installierten Programme konnte nicht "
                     "geschrieben werden: "
                  << e.what() << "\n";
    }
}

namespace {

// Runs one step of the removal; a key that cannot be opened or deleted is passed over.
template <typename Step>
void IgnoringRegistryFailures(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace

void TQuarvSetup::RunUninstall() {
    MessageButton answer = services_.dialogs.ShowMessage(
        WarningQuestion("Soll " + DisplayName + " wirklich deinstalliert werden?"));
    if (answer == MessageButton::Yes) {
        Registry& registry = services_.registry;
        IgnoringRegistryFailures([&] {
            auto uninstall = registry.OpenKey(EntryRoot(), kUninstallKeyPath);
            if (!RegKeyName.empty()) {
                uninstall->DeleteSubkeyTree(RegKeyName);
            }
        });
        for (RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
            IgnoringRegistryFailures([&] {
                auto quarv = registry.OpenKey(root, kQuarvKeyPath);  // stays, even when empty
                if (!QuarvRegKeyName.empty() && quarv->HasSubkey(QuarvRegKeyName)) {
                    quarv->DeleteSubkeyTree(QuarvRegKeyName);
                }
            });
        }
        if (UninstallMessage) {
            services_.dialogs.ShowMessage(InformationMessage(
                DisplayName +
                    " wurde erfolgreich entfernt. Die Programmdatei und evtl. mit diesem Programm "
                    "erstellte Dateien müssen manuell gelöscht werden.",
                "Deinstallation abgeschlossen"));
        }
    }
    if (services_.requestTermination) {
        services_.requestTermination();
    }
}

}  // namespace rangwerk
