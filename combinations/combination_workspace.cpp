#include "combinations/combination_workspace.h"

namespace rangwerk {

void CombinationWorkspace::EvaluateCombinations() {
    rangwerk::EvaluateCombinations(combinations, scores, evaluation);
}

void CombinationWorkspace::RefreshDiagramIfShowing() {
    if (view_ && view_->DiagramShowing()) {
        EvaluateCombinations();
        view_->DiagramChanged();
    }
}

}  // namespace rangwerk
