# Targets of the update install step.
