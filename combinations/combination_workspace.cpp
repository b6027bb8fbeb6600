#include "combinations/combination_workspace.h"

namespace rangwerk {

void CombinationWorkspace::EvaluateCombinations() {
    rangwerk::EvaluateCombinations(combinations, scores, evaluation);
}

void CombinationWorkspace::RefreshDiagramIfShowing() {
    if (listener_ && listener_->DiagramShowing()) {
        EvaluateCombinations();
        listener_->DiagramChanged();
    }
}

void CombinationWorkspace::TellCombinationsDiscarded() {
    if (listener_)
        listener_->CombinationsDiscarded();
}

}  // namespace rangwerk
