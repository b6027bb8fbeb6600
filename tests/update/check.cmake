# Tests of the update check step.
