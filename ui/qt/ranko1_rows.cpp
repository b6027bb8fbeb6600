#include "ui/qt/ranko1_rows.h"

#include <QAccessible>
#include <QListView>
#include <QPainter>

#include "drawing/ranking_row.h"
#include "ui/qt/qt_text.h"

namespace rangwerk {

namespace {

constexpr int kRankingRowHeight = 16;

QColor QtColour(Color c) {
    return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)),
                  static_cast<int>(BlueOf(c)));
}

}  // namespace

MainWindowRows::MainWindowRows(const MainWindowModel& model, MainList list, QObject* parent)
    : QAbstractListModel(parent), model_(model), list_(list), count_(model.RowCount(list)) {}

int MainWindowRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

QVariant MainWindowRows::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (!index.isValid() || row >= model_.RowCount(list_))
        return {};
    if (list_ == MainList::Options) {
        if (role == Qt::DisplayRole)
            return FromUtf8(model_.OptionRow(row));
        return {};
    }
    if (role == Qt::AccessibleTextRole)
        return FromUtf8(model_.RankingRowSpeech(row));
    return {};
}

void MainWindowRows::Apply(const ListChange& change) {
    switch (change.kind) {
        case ListChange::Kind::Reset:
            beginResetModel();
            count_ = model_.RowCount(list_);
            endResetModel();
            break;
        case ListChange::Kind::Inserted:
            beginInsertRows({}, change.row, change.row);
            ++count_;
            endInsertRows();
            break;
        case ListChange::Kind::Removed:
            beginRemoveRows({}, change.row, change.row);
            --count_;
            endRemoveRows();
            break;
        case ListChange::Kind::Moved:
            // Qt names the row before which the moved row lands.
            beginMoveRows({}, change.row, change.row, {},
                          change.to > change.row ? change.to + 1 : change.to);
            endMoveRows();
            break;
        case ListChange::Kind::Changed:
            emit dataChanged(index(change.row), index(change.row));
            break;
        case ListChange::Kind::Repaint:
            // The window repaints the rows; a screen reader is told that their texts changed.
            // Without one nobody reads them, and an answer costs no notice per row.
            if (QAccessible::isActive() && count_ > 0)
                emit dataChanged(index(0), index(count_ - 1), {Qt::AccessibleTextRole});
            break;
    }
}

RankingRowDelegate::RankingRowDelegate(const MainWindowModel& model, QListView* list)
    : QStyledItemDelegate(list), model_(model), list_(list) {}

void RankingRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    ListBox_3RankingDrawItem(index.row(), option, *painter);
    painter->restore();
}

QSize RankingRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), kRankingRowHeight);
}

void RankingRowDelegate::ListBox_3RankingDrawItem(int index, const QStyleOptionViewItem& option,
                                                  QPainter& painter) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = list_->palette();
    const QColor background =
        palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    const QColor text =
        palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect& r = option.rect;
    painter.fillRect(r, background);

    // The scores the last ranking step kept; painting never counts.
    const std::vector<std::int64_t>& scores = model_.RankingScores();
    if (index >= 0 && static_cast<std::size_t>(index) < scores.size()) {
        const QFont font = list_->font();
        const QFontMetrics metrics(font);
        const MeasureText measure = [&metrics](const std::string& s) {
            return metrics.horizontalAdvance(FromUtf8(s));
        };
        const RankingRowLayout row =
            LayOutRankingRow(Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
                             static_cast<std::size_t>(index), scores, model_.RankingScale(),
                             model_.RankingRowName(index), measure, metrics.height());

        const int baseline = row.textY + metrics.ascent();
        painter.setFont(font);
        painter.setPen(text);
        painter.setBackground(background);
        painter.setBackgroundMode(Qt::OpaqueMode);
        if (row.rankNumber)
            painter.drawText(row.rankNumber->x, baseline, FromUtf8(row.rankNumber->text));
        painter.drawText(row.name.x, baseline, FromUtf8(row.name.text));

        if (row.bar && row.bar->right > row.bar->left) {
            const RowBar& bar = *row.bar;
            painter.setPen(Qt::black);
            painter.setBrush(QtColour(bar.fill));
            painter.drawRect(
                QRect(bar.left, bar.top, bar.right - bar.left - 1, bar.bottom - bar.top - 1));
        }

        painter.setBackgroundMode(Qt::TransparentMode);
        painter.setPen(text);
        painter.drawText(row.score.x, baseline, FromUtf8(row.score.text));
        painter.setBackgroundMode(Qt::OpaqueMode);
    }

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.initFrom(list_);
        focus.rect = r;
        focus.backgroundColor = background;
        list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, list_);
    }
}

}  // namespace rangwerk
