# Tests of the update install step.
