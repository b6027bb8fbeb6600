# Targets of the update check step.
