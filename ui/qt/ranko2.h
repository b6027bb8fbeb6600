#pragma once

#include <QDialog>

#include <memory>

#include "combinations/combinations_window_model.h"
#include "platform/action_guard.h"
#include "platform/dialogs.h"

class QAbstractItemView;
class QPainter;

namespace Ui {
class Form2;
}

namespace rangwerk {

class CombinationsRows;

// The combinations window (Qt): shows the combinations window's model on its two pages
// ("Voreinstellungen" and "Diagramm") and hands the user's actions to it. A tool window over
// the main window, not modal; closing it only hides it.
class TForm2 : public QDialog, public CombinationsView {
    Q_OBJECT

public:
    // Shows `model` for as long as the window exists.
    TForm2(CombinationsWindowModel& model, Dialogs& dialogs, QWidget* mainWindow);
    ~TForm2() override;

    // Makes the controls, which the window otherwise makes when it is first shown: it exists
    // hidden from the start, and most starts never show it.
    Q_INVOKABLE void MakeControls();

    // CombinationsView
    void Refresh() override;
    void ListChanged(CombinationsList list, const CombinationsListChange& change) override;

    // Paints diagram row `index` into `rect` (viewport coordinates of ListBox_Combinations).
    void ListBox_CombinationsDrawItem(QPainter& painter, int index, const QRect& rect,
                                      bool selected);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectControls();
    void ShowOverMainWindow();
    void CentreOverMainWindow();
    template <class Intent>
    void Guarded(Intent&& intent);
    // Selects `row` of the list (-1: none) without it counting as a click.
    void SelectRow(QAbstractItemView* list, int row);
    // Accessible names of the controls that have no label of their own.
    void NameControls();

    CombinationsWindowModel& model_;
    ActionGuard guard_;
    QWidget* mainWindow_;
    // The lists' rows as Qt's item views read them from the model.
    CombinationsRows* combinationRows_ = nullptr;
    CombinationsRows* memberRows_ = nullptr;
    CombinationsRows* choiceRows_ = nullptr;
    CombinationsRows* diagramRows_ = nullptr;
    // Changes the window makes itself while it shows the model are no user actions.
    int applying_ = 0;
    bool mouseDownInCombinations_ = false;
    bool mouseDownInOptions_ = false;
    // The model's requests already carried out.
    int focusRequestDone_ = 0;
    int showRequestDone_ = 0;

    // The controls, laid out by ranko2.ui; none until they are made.
    std::unique_ptr<Ui::Form2> ui_;
};

}  // namespace rangwerk
