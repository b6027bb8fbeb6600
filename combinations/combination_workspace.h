#pragma once

#include "combinations/combination_model.h"
#include "combinations/combinations_window_control.h"
#include "core/options.h"
#include "core/scoring.h"

namespace rangwerk {

// What the combinations work on: the options their members are chosen from, the points that
// score them, the combinations with their last evaluation, and the listener that shows them
// (the combinations window's model). A project (project/project.h) is this together with the
// comparison run; the combinations window sees only this part.
class CombinationWorkspace {
public:
    CombinationWorkspace() = default;
    CombinationWorkspace(const CombinationWorkspace&) = delete;
    CombinationWorkspace& operator=(const CombinationWorkspace&) = delete;

    OptionList options;
    // The values of the settings page, read afresh at every score computation.
    ScoreSettings scores{0, 0, 0};
    CombinationList combinations;
    CombinationEvaluation evaluation;

    // The one listener told of changes (null: none).
    void SetListener(CombinationListener* listener) { listener_ = listener; }
    bool HasListener(const CombinationListener* listener) const { return listener_ == listener; }

    // Evaluates every combination with the current scores.
    void EvaluateCombinations();
    // Evaluates and has the diagram drawn again when it is on screen.
    void RefreshDiagramIfShowing();
    // Tells the listener that every combination was discarded.
    void TellCombinationsDiscarded();

protected:
    ~CombinationWorkspace() = default;

private:
    CombinationListener* listener_ = nullptr;
};

}  // namespace rangwerk
