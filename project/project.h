#pragma once

#include <cstdint>
#include <optional>

#include "combinations/combination_workspace.h"
#include "core/options.h"
#include "core/run.h"
#include "core/scoring.h"

namespace rangwerk {

// The whole working state of one decision: the options with their answers, the values of the
// settings page and the combinations (the workspace the combinations window sees), and the
// settings and state of the comparison run with its ranking.
class Project : public CombinationWorkspace, private OptionRemovalListener {
public:
    Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    QueryOrder queryOrder = QueryOrder::None;
    bool liveScore = false;
    bool keepOldRanking = false;
    ComparisonRun run{options, scores};

    // Removing all options takes every combination with it, so the window asks first.
    bool RemovingAllNeedsQuestion() const { return !combinations.Empty(); }
    // Discards every combination (the window refreshes itself), then every option.
    void RemoveAllOptions();
    // "Startbildschirm": discards every combination and every option.
    void DiscardAll();

    // The values a new project starts with: points 1, 0, -1 and no query order.
    void BeginNew();

private:
    void OptionRemoving(OptionRecord& option) override;
};

// The question asked before all options are removed while combinations exist.
inline constexpr const char* kRemoveAllQuestion =
    "Wenn Sie alle Optionen löschen, gehen auch alle Kombinationen verloren. Möchten Sie "
    "wirklich alle Optionen löschen?";

}  // namespace rangwerk
