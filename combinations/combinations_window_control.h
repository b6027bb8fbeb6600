#pragma once

namespace rangwerk {

// The combinations window as the main window drives it: shown and closed by the main window's
// flows, its page and visibility kept in a project file. The combinations window's model
// implements it; the program's start hands it to the main window's model.
class CombinationsWindowControl {
public:
    virtual ~CombinationsWindowControl() = default;
    // Shows the window (not modal); showing refills its lists.
    virtual void ShowWindow() = 0;
    // Closes (hides) the window; its page and contents stay.
    virtual void CloseWindow() = 0;
    virtual bool WindowVisible() const = 0;
    // 0 "Voreinstellungen", 1 "Diagramm".
    virtual int Page() const = 0;
    virtual void SetPage(int page) = 0;
};

// What the combinations tell the window that shows them. The combinations window's model
// implements it and registers with the workspace (combination_workspace.h).
class CombinationListener {
public:
    virtual ~CombinationListener() = default;
    // The window is visible and shows its diagram page.
    virtual bool DiagramShowing() const = 0;
    // The evaluation changed: the diagram rows are drawn again.
    virtual void DiagramChanged() = 0;
    // The combinations were discarded: the window refreshes itself as when it is shown (if it
    // is visible).
    virtual void CombinationsDiscarded() = 0;
};

}  // namespace rangwerk
