#pragma once

#include "combinations/combination_model.h"
#include "core/options.h"
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

// What the combinations work on: the options their members are chosen from, the points that
// score them, the combinations with their last evaluation, and the window that shows them. A
// project (project/project.h) is this together with the comparison run; the combinations
// window sees only this part.
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

    void SetCombinationView(CombinationView* view) { view_ = view; }
    CombinationView* View() const { return view_; }

    // Evaluates every combination with the current scores.
    void EvaluateCombinations();
    // Evaluates and repaints when the combinations diagram is on screen.
    void RefreshDiagramIfShowing();

protected:
    ~CombinationWorkspace() = default;

private:
    CombinationView* view_ = nullptr;
};

}  // namespace rangwerk
