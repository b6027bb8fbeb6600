# Targets of the update wizard step.
