# Tests of the update wizard step.
