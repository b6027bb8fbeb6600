#pragma once

#include <cstdint>
#include <optional>

#include "combinations/combination_model.h"
#include "core/options.h"
#include "core/run.h"
#include "core/scoring.h"

namespace rangwerk {

// The combinations window as the model and the main window see it.
class CombinationView {
public:
    virtual ~CombinationView() = default;
    // Shows the window (not modal); showing refills its lists.
    virtual void ShowWindow() = 0;
    // Closes (hides) the window; its page and contents stay.
    virtual void CloseWindow() = 0;
    virtual bool WindowVisible() const = 0;
    // 0 "Voreinstellungen", 1 "Diagramm".
    virtual int Page() const = 0;
    virtual void SetPage(int page) = 0;
    // The window is visible and shows its diagram page.
    virtual bool DiagramShowing() const = 0;
    // The evaluation changed: repaint the diagram rows.
    virtual void DiagramChanged() = 0;
    // The combinations were discarded: refresh as when the window is shown (if it is visible).
    virtual void CombinationsDiscarded() = 0;
};

// The whole working state of one decision: the options with their answers, the values of the
// settings page, the comparison run with its ranking, and the combinations.
class Project : private OptionRemovalListener {
public:
    Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    OptionList options;
    // The values of the settings page, read afresh at every score computation.
    ScoreSettings scores{0, 0, 0};
    QueryOrder queryOrder = QueryOrder::None;
    bool liveScore = false;
    bool keepOldRanking = false;
    ComparisonRun run{options, scores};
    CombinationList combinations;
    CombinationEvaluation evaluation;

    void SetCombinationView(CombinationView* view) { view_ = view; }
    CombinationView* View() const { return view_; }

    // Evaluates every combination with the current scores.
    void EvaluateCombinations();
    // Evaluates and repaints when the combinations diagram is on screen.
    void RefreshDiagramIfShowing();

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

    CombinationView* view_ = nullptr;
};

// The question asked before all options are removed while combinations exist.
inline constexpr const char* kRemoveAllQuestion =
    "Wenn Sie alle Optionen löschen, gehen auch alle Kombinationen verloren. Möchten Sie "
    "wirklich alle Optionen löschen?";

}  // namespace rangwerk
