#include "ui/qt/ranko2.h"

#include "base/scoped_depth.h"
#include "ui/qt/accessibility.h"
#include "ui/qt/mnemonics.h"
#include "ui/qt/qt_text.h"
#include "ui_ranko2.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <string>

#include "drawing/diagram_row.h"

namespace rangwerk {

constexpr int kClientWidth = 513;
constexpr int kClientHeight = 355;
constexpr int kDiagramRowHeight = 16;
constexpr int kFactorColumnWidth = 48;

// The rows of one of the model's lists as Qt's item views and the choice read them. Qt must
// learn of every change of the row count between its begin and end calls, so the count it was
// told is kept here; the rows themselves are always the model's.
class CombinationsRows : public QAbstractTableModel {
public:
    CombinationsRows(const CombinationsWindowModel& model, CombinationsList list, QObject* parent)
        : QAbstractTableModel(parent), model_(model), list_(list), rows_(ModelRows()) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : list_ == CombinationsList::MemberRows ? 2 : 1;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const int row = index.row();
        if (role == Qt::DisplayRole) {
            switch (list_) {
                case CombinationsList::Combinations:
                    return FromUtf8(model_.CombinationRow(row));
                case CombinationsList::MemberRows:
                    return FromUtf8(index.column() == 0 ? model_.MemberOptionName(row)
                                                        : model_.MemberFactorText(row));
                case CombinationsList::Choice:
                    return FromUtf8(model_.ChoiceRow(row));
                case CombinationsList::Diagram:
                    return {};  // everything is painted
            }
        }
        if (role == Qt::AccessibleTextRole && list_ == CombinationsList::Diagram)
            return FromUtf8(model_.SpokenDiagramRow(row));
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("Option") : QStringLiteral("Faktor");
    }

    void Apply(const CombinationsListChange& change) {
        const int row = change.row;
        switch (change.kind) {
            case CombinationsListChange::Kind::Reset:
                beginResetModel();
                rows_ = ModelRows();
                endResetModel();
                break;
            case CombinationsListChange::Kind::Inserted:
                beginInsertRows({}, row, row);
                rows_ = ModelRows();
                endInsertRows();
                break;
            case CombinationsListChange::Kind::Removed:
                beginRemoveRows({}, row, row);
                rows_ = ModelRows();
                endRemoveRows();
                break;
            case CombinationsListChange::Kind::Moved:
                beginMoveRows({}, row, row, {}, change.to > row ? change.to + 1 : change.to);
                endMoveRows();
                break;
            case CombinationsListChange::Kind::Changed:
                emit dataChanged(index(row, 0), index(row, columnCount({}) - 1));
                break;
            case CombinationsListChange::Kind::Repaint:
                if (rows_ > 0)
                    emit dataChanged(index(0, 0), index(rows_ - 1, columnCount({}) - 1));
                break;
        }
    }

private:
    int ModelRows() const {
        const CombinationsScreen& s = model_.Screen();
        switch (list_) {
            case CombinationsList::Combinations:
                return s.combinationRows;
            case CombinationsList::MemberRows:
                return s.memberRows;
            case CombinationsList::Choice:
                return s.choiceRows;
            case CombinationsList::Diagram:
                return s.diagramRows;
        }
        return 0;
    }

    const CombinationsWindowModel& model_;
    const CombinationsList list_;
    int rows_;
};

namespace {

// Paints the rows of the diagram list through the window's drawing handler; every row has the
// same fixed height.
class DiagramRowDelegate : public QStyledItemDelegate {
public:
    DiagramRowDelegate(TForm2& form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        form_.ListBox_CombinationsDrawItem(*painter, index.row(), option.rect,
                                           option.state.testFlag(QStyle::State_Selected));
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), kDiagramRowHeight};
    }

private:
    TForm2& form_;
};

// The list views keep their selection visible without focus.
void SetUpListView(QAbstractItemView* list) {
    QPalette palette = list->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    list->setPalette(palette);
}

int SelectedRow(const QAbstractItemView* list) {
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ShowText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

}  // namespace

// Changes the window makes itself are not the user's.
using Applying = ScopedDepth;

TForm2::TForm2(CombinationsWindowModel& model, Dialogs& dialogs, QWidget* mainWindow)
    : QDialog(mainWindow), model_(model), guard_(dialogs), mainWindow_(mainWindow) {
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);
    // The caption belongs to the window from the start; its controls come with its first showing.
    setWindowTitle(QStringLiteral("Kombinationen"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    model_.SetView(this);
    Refresh();
}

void TForm2::MakeControls() {
    if (ui_)
        return;
    // The window's own font, which the start may have given the message font's face, stays.
    const QFont font = this->font();
    ui_ = std::make_unique<Ui::Form2>();
    ui_->setupUi(this);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    combinationRows_ = new CombinationsRows(model_, CombinationsList::Combinations, this);
    memberRows_ = new CombinationsRows(model_, CombinationsList::MemberRows, this);
    choiceRows_ = new CombinationsRows(model_, CombinationsList::Choice, this);
    diagramRows_ = new CombinationsRows(model_, CombinationsList::Diagram, this);
    ui_->ListView_Combinations->setModel(combinationRows_);
    ui_->ListView_Options->setModel(memberRows_);
    ui_->ComboBox_Options->setModel(choiceRows_);
    ui_->ListBox_Combinations->setModel(diagramRows_);

    SetUpListView(ui_->ListView_Combinations);
    SetUpListView(ui_->ListView_Options);
    QHeaderView* header = ui_->ListView_Options->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(1, kFactorColumnWidth);
    header->setSectionsMovable(false);
    ui_->SpinEdit_Factor->setRange(kMinFactor, kMaxFactor);
    ui_->SpinEdit_Factor->factor = [this] { return model_.Screen().factor; };
    ui_->ListBox_Combinations->setItemDelegate(
        new DiagramRowDelegate(*this, ui_->ListBox_Combinations));

    ConnectControls();
    new FirstAccessKeyWins(this);
    NameControls();
    Refresh();
}

TForm2::~TForm2() {
    model_.SetView(nullptr);
}

// Every user action enters through one guard here.
void TForm2::ConnectControls() {
    // Clicks and keyboard moves in the two lists run their click handlers; changes of the
    // selection made by the window itself do not.
    ui_->ListView_Combinations->viewport()->installEventFilter(this);
    ui_->ListView_Options->viewport()->installEventFilter(this);
    connect(ui_->ListView_Combinations->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, [this] {
                if (applying_ == 0 && !mouseDownInCombinations_) {
                    Guarded([this] {
                        model_.ListView_CombinationsClick(SelectedRow(ui_->ListView_Combinations));
                    });
                }
            });
    connect(ui_->ListView_Options->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (applying_ == 0 && !mouseDownInOptions_) {
                    Guarded([this] {
                        model_.ListView_OptionsClick(SelectedRow(ui_->ListView_Options));
                    });
                }
            });
    connect(ui_->ComboBox_Options, &QComboBox::activated, this,
            [this](int choice) { Guarded([&] { model_.ComboBox_OptionsChange(choice); }); });
    connect(ui_->Edit_CombinationName, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (applying_ == 0)
            Guarded([&] { model_.EditCombinationName(ToUtf8(text)); });
    });
    ui_->SpinEdit_Factor->onTyped = [this](const QString& text) {
        Guarded([&] { model_.EditFactorField(ToUtf8(text)); });
    };
    ui_->SpinEdit_Factor->onStep = [this](int steps) {
        Guarded([&] { model_.StepFactorField(steps); });
    };
    connect(ui_->SpinEdit_Factor, &QSpinBox::editingFinished, this,
            [this] { Guarded([this] { model_.FactorFieldLeft(); }); });

    auto onClick = [this](QPushButton* button, void (CombinationsWindowModel::*intent)()) {
        connect(button, &QPushButton::clicked, this,
                [this, intent] { Guarded([&] { (model_.*intent)(); }); });
    };
    using M = CombinationsWindowModel;
    onClick(ui_->Button_CombinationAdd, &M::Button_CombinationAddClick);
    onClick(ui_->Button_CombinationUpdate, &M::Button_CombinationUpdateClick);
    onClick(ui_->Button_CombinationDel, &M::Button_CombinationDelClick);
    onClick(ui_->Button_CombinationUp, &M::Button_CombinationUpClick);
    onClick(ui_->Button_CombinationDown, &M::Button_CombinationDownClick);
    onClick(ui_->Button_OptionAdd, &M::Button_OptionAddClick);
    onClick(ui_->Button_OptionUpdate, &M::Button_OptionUpdateClick);
    onClick(ui_->Button_OptionDel, &M::Button_OptionDelClick);
    onClick(ui_->Button_OptionUp, &M::Button_OptionUpClick);
    onClick(ui_->Button_OptionDown, &M::Button_OptionDownClick);
    onClick(ui_->Button_Next, &M::Button_NextClick);
    onClick(ui_->Button_Back, &M::Button_BackClick);
    onClick(ui_->Button_Close, &M::Button_CloseClick);
    connect(ui_->CheckBox_Sort, &QCheckBox::toggled, this, [this](bool checked) {
        if (applying_ == 0)
            Guarded([&] { model_.CheckBox_SortClick(checked); });
    });
}

template <class Intent>
void TForm2::Guarded(Intent&& intent) {
    guard_.Run(std::forward<Intent>(intent));
}

// --- Showing the model --------------------------------------------------------------------

void TForm2::Refresh() {
    const CombinationsScreen& s = model_.Screen();
    if (!ui_) {
        // The controls come when the window is first shown; their lists then read the rows.
        if (s.visible)
            MakeControls();
        return;
    }
    Applying applying(applying_);
    ui_->Notebook->setCurrentIndex(s.page);
    ui_->Button_Next->setDefault(s.defaultButton == CombinationsDefaultButton::Next);
    ui_->Button_Back->setDefault(s.defaultButton == CombinationsDefaultButton::Back);

    SelectRow(ui_->ListView_Combinations, s.selectedCombination);
    ShowText(ui_->Edit_CombinationName, FromUtf8(s.name));
    SelectRow(ui_->ListView_Options, s.selectedMemberRow);
    ui_->ComboBox_Options->setCurrentIndex(s.chosenOption);
    ui_->SpinEdit_Factor->ShowText(FromUtf8(s.factorText));

    ui_->Button_CombinationUpdate->setEnabled(s.combinationUpdateEnabled);
    ui_->Button_CombinationDel->setEnabled(s.combinationDelEnabled);
    ui_->Button_CombinationUp->setEnabled(s.combinationUpEnabled);
    ui_->Button_CombinationDown->setEnabled(s.combinationDownEnabled);
    ui_->Button_OptionDel->setEnabled(s.optionDelEnabled);
    ui_->Button_OptionUp->setEnabled(s.optionUpEnabled);
    ui_->Button_OptionDown->setEnabled(s.optionDownEnabled);
    ui_->Button_OptionAdd->setEnabled(s.optionAddEnabled);
    ui_->Button_OptionUpdate->setEnabled(s.optionUpdateEnabled);
    ui_->CheckBox_Sort->setChecked(s.sorted);

    const bool showRequested = std::exchange(showRequestDone_, s.showRequest) != s.showRequest;
    if (s.visible && !isVisible()) {
        ShowOverMainWindow();
    } else if (!s.visible && isVisible()) {
        hide();
    } else if (s.visible && showRequested) {
        raise();
        activateWindow();
    }
    if (std::exchange(focusRequestDone_, s.focusRequest) != s.focusRequest &&
        s.focus == CombinationsFocus::NameField) {
        ui_->Edit_CombinationName->setFocus();
    }
}

void TForm2::ListChanged(CombinationsList list, const CombinationsListChange& change) {
    if (!ui_)
        return;
    Applying applying(applying_);
    switch (list) {
        case CombinationsList::Combinations:
            combinationRows_->Apply(change);
            break;
        case CombinationsList::MemberRows:
            memberRows_->Apply(change);
            break;
        case CombinationsList::Choice:
            choiceRows_->Apply(change);
            break;
        case CombinationsList::Diagram:
            diagramRows_->Apply(change);
            break;
    }
}

void TForm2::SelectRow(QAbstractItemView* list, int row) {
    Applying applying(applying_);
    QItemSelectionModel* selection = list->selectionModel();
    const QModelIndex index = list->model()->index(row, 0);
    if (!index.isValid()) {
        selection->clear();
    } else if (!selection->isRowSelected(row) || selection->currentIndex().row() != row) {
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void TForm2::ShowOverMainWindow() {
    CentreOverMainWindow();
    show();
    // The frame is known only once the window is on screen.
    CentreOverMainWindow();
    activateWindow();
}

void TForm2::CentreOverMainWindow() {
    if (!mainWindow_)
        return;
    const QRect over = mainWindow_->frameGeometry();
    const QRect mine = frameGeometry();
    move(pos() + over.center() - mine.center());
}

// --- Events -------------------------------------------------------------------------------

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Shown by a caller that went past the model.
    if (!event->spontaneous() && applying_ == 0)
        Guarded([this] { model_.ShowWindow(); });
}

void TForm2::closeEvent(QCloseEvent* event) {
    // The close box hides the window through the model.
    event->ignore();
    Guarded([this] { model_.CloseWindow(); });
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ui_->Button_Close->click();
        return;
    }
    // Enter presses the default button of the current page ("&Weiter >" or "< &Zurück") from
    // every control that leaves the key to the window; a focused button takes it itself. The
    // button is named here rather than looked up by Qt's default-button search, which presses
    // whichever visible button carries the default mark first and does nothing when that one is
    // disabled, and the mark follows the focus from button to button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier) {
        QPushButton* pageDefault = model_.Screen().defaultButton == CombinationsDefaultButton::Next
                                       ? ui_->Button_Next
                                       : ui_->Button_Back;
        if (pageDefault->isEnabled())
            pageDefault->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    const bool combinations = watched == ui_->ListView_Combinations->viewport();
    const bool options = watched == ui_->ListView_Options->viewport();
    if (combinations || options) {
        bool& mouseDown = combinations ? mouseDownInCombinations_ : mouseDownInOptions_;
        QTreeView* list = combinations ? ui_->ListView_Combinations : ui_->ListView_Options;
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            mouseDown = true;
            // A click below the rows leaves no row selected.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!list->indexAt(mouse->position().toPoint()).isValid())
                SelectRow(list, -1);
        } else if (event->type() == QEvent::MouseButtonRelease && mouseDown) {
            // The selection follows the press; the click counts when the button is released.
            mouseDown = false;
            const int row = SelectedRow(list);
            if (combinations) {
                Guarded([&] { model_.ListView_CombinationsClick(row); });
            } else {
                Guarded([&] { model_.ListView_OptionsClick(row); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Painting -----------------------------------------------------------------------------

void TForm2::ListBox_CombinationsDrawItem(QPainter& painter, int index, const QRect& rect,
                                          bool selected) {
    // Painting may not open a message box (it would be painted over and over); a failure
    // leaves the row empty and is reported on the error output.
    RunWhilePainting([&] {
        const QFont& font = ui_->ListBox_Combinations->font();
        const QFontMetrics metrics(font);
        DiagramFont diagramFont;
        diagramFont.measure = [&metrics](const std::string& text) {
            return metrics.horizontalAdvance(FromUtf8(text));
        };
        diagramFont.textHeight = metrics.height();
        const Rect r{rect.left(), rect.top(), rect.left() + rect.width(),
                     rect.top() + rect.height()};
        const DiagramRow row = model_.DiagramRowIn(index, r, diagramFont);
        if (!row.draw)
            return;

        const QPalette& palette = ui_->ListBox_Combinations->palette();
        const QColor background =
            palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
        const QColor foreground =
            palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);

        painter.save();
        painter.fillRect(rect, background);
        painter.setFont(font);
        painter.setPen(foreground);
        const int baseline = row.textY + metrics.ascent();
        if (row.rank)
            painter.drawText(QPoint(row.rank->x, baseline), FromUtf8(row.rank->text));
        painter.drawText(QPoint(row.name.x, baseline), FromUtf8(row.name.text));

        if (row.bar) {
            const DiagramBar& bar = *row.bar;
            const int left = std::min(bar.x1, bar.x2);
            const int right = std::max(bar.x1, bar.x2);
            if (right > left && bar.bottom > bar.top) {
                const QRect outline(left, bar.top, right - left, bar.bottom - bar.top);
                painter.fillRect(outline, Qt::black);
                if (outline.width() > 2 && outline.height() > 2) {
                    painter.fillRect(outline.adjusted(1, 1, -1, -1),
                                     QColor(static_cast<int>(RedOf(bar.color)),
                                            static_cast<int>(GreenOf(bar.color)),
                                            static_cast<int>(BlueOf(bar.color))));
                }
            }
        }
        // The value stands over the bar without a background of its own.
        painter.setPen(foreground);
        painter.drawText(QPoint(row.value.x, baseline), FromUtf8(row.value.text));
        painter.restore();
    });
}

// --- Screen readers -----------------------------------------------------------------------

void TForm2::NameControls() {
    ui_->ComboBox_Options->setAccessibleName(QStringLiteral("Option auswählen"));
    NameAfterLabel(ui_->ListView_Combinations, ui_->Label2);
    NameAfterLabel(ui_->ListView_Options, ui_->Label3);
    NameAfterLabel(ui_->ListBox_Combinations, ui_->Label5);
}

}  // namespace rangwerk
