#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include "ui/main_window_model.h"

class QListView;

namespace rangwerk {

// One list of the main window as a Qt item model over the model's rows: the option list shows
// the options' names, the ranking lists carry what a screen reader says for each row and show
// no text of their own (their rows are painted). The rows are read from the model when asked;
// Qt needs the row count before and after each change, so it is taken at every change notice.
class MainWindowRows : public QAbstractListModel {
public:
    MainWindowRows(const MainWindowModel& model, MainList list, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // A change notice of the model.
    void Apply(const ListChange& change);

private:
    const MainWindowModel& model_;
    MainList list_;
    int count_ = 0;
};

// Paints the rows of a ranking list with the ranking row layout of drawing/.
class RankingRowDelegate : public QStyledItemDelegate {
public:
    RankingRowDelegate(const MainWindowModel& model, QListView* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The drawing of one row of either ranking list.
    void ListBox_3RankingDrawItem(int index, const QStyleOptionViewItem& option,
                                  QPainter& painter) const;

    const MainWindowModel& model_;
    QListView* list_;
};

}  // namespace rangwerk
