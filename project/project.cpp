#include "project/project.h"

namespace rangwerk {

Project::Project() {
    options.SetRemovalListener(this);
}

void Project::OptionRemoving(OptionRecord& option) {
    // The members go first, each changed combination re-evaluated on screen while the option
    // and its answers still count; then the option leaves the ranking as well.
    combinations.RemoveMembersOf(&option, [this] { RefreshDiagramIfShowing(); });
    run.Forget(&option);
}

void Project::RemoveAllOptions() {
    evaluation.sorted.clear();
    combinations.Clear();
    run.Clear();
    options.RemoveAllOptions();
    // Refreshed after the options are gone too, so that the window's choice of options does
    // not offer names that no longer exist.
    TellCombinationsDiscarded();
}

void Project::DiscardAll() {
    evaluation.sorted.clear();
    combinations.Clear();
    run.Clear();
    options.RemoveAllOptions();
}

void Project::BeginNew() {
    scores = ScoreSettings{1, 0, -1};
    queryOrder = QueryOrder::None;
}

}  // namespace rangwerk
