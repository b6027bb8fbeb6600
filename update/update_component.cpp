#include "update/update_component.h"

#include <utility>

#include "update/automatic_update.h"

namespace rangwerk {

UpdateComponent::UpdateComponent(UpdateComponentServices services)
    : services_(std::move(services)) {}

void UpdateComponent::AutomaticUpdate(const std::string& argument, bool forced,
                                      double installedDate) {
    const AutomaticUpdateServices check{
        services_.registry, services_.programPath, services_.argument1,      services_.driveType,
        services_.fileTime, services_.today,       services_.updateHostKnown};
    const AutomaticUpdateDecision decision = DecideAutomaticUpdate(
        check, UpdateSettingsKey{RegistryKey, HKCU}, argument, forced, installedDate);
    if (decision.failure) {
        services_.dialogs.ShowMessage(GeneralErrorMessage(*decision.failure));
    }
    if (!decision.showWizard || !wizard_)
        return;

    WizardInputs inputs;
    inputs.programName = ProgramName;
    inputs.zipFileName = ZIPFileName;
    inputs.registryKey = RegistryKey;
    inputs.hkcu = HKCU;
    inputs.installedDate = decision.installedDate;
    if (services_.beforeShowingWizard)
        services_.beforeShowingWizard();
    wizard_->ShowModal(inputs);

    if (decision.onlyUpdate) {
        onlyUpdateEnded_ = true;
        if (services_.requestTermination)
            services_.requestTermination();
    }
}

}  // namespace rangwerk
