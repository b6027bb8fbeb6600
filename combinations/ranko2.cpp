#include "combinations/ranko2.h"

#include "ui/accessibility.h"
#include "ui/mnemonics.h"
#include "ui/qt_text.h"
#include "ui_ranko2.h"

#include <QCollator>
#include <QLocale>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>
#include <string>

#include "base/failure.h"
#include "base/text.h"
#include "combinations/factor_text.h"
#include "drawing/diagram_row.h"
#include "drawing/diagram_speech.h"

namespace rangwerk {
namespace {

constexpr int kClientWidth = 513;
constexpr int kClientHeight = 355;
constexpr int kDiagramRowHeight = 16;
constexpr int kFactorColumnWidth = 48;

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
void SetUpListView(QTreeWidget* list) {
    QPalette palette = list->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    list->setPalette(palette);
}

}  // namespace

// Selections the program makes itself must not run the click handlers.
class SelectingFromCode {
public:
    explicit SelectingFromCode(int& depth) : depth_(depth) { ++depth_; }
    ~SelectingFromCode() { --depth_; }
    SelectingFromCode(const SelectingFromCode&) = delete;
    SelectingFromCode& operator=(const SelectingFromCode&) = delete;

private:
    int& depth_;
};

TForm2::TForm2(CombinationWorkspace& project, Dialogs& dialogs, QWidget* mainWindow)
    : QDialog(mainWindow),
      project_(project),
      dialogs_(dialogs),
      mainWindow_(mainWindow),
      ui_(std::make_unique<Ui::Form2>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);

    SetUpListView(ui_->ListView_Combinations);
    SetUpListView(ui_->ListView_Options);
    QHeaderView* header = ui_->ListView_Options->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(1, kFactorColumnWidth);
    header->setSectionsMovable(false);
    ui_->SpinEdit_Factor->setRange(kMinFactor, kMaxFactor);
    ui_->SpinEdit_Factor->setValue(1);
    ui_->ListBox_Combinations->setItemDelegate(
        new DiagramRowDelegate(*this, ui_->ListBox_Combinations));

    ConnectControls();
    new FirstAccessKeyWins(this);
    NameControls();
    SetPage(0);
    project_.SetCombinationView(this);
}

TForm2::~TForm2() {
    if (project_.View() == this)
        project_.SetCombinationView(nullptr);
}

// Every user action enters through one guard here.
void TForm2::ConnectControls() {
    // Clicks and keyboard moves in the two lists run their click handlers; changes of the
    // selection made by the program do not.
    ui_->ListView_Combinations->viewport()->installEventFilter(this);
    ui_->ListView_Options->viewport()->installEventFilter(this);
    connect(ui_->ListView_Combinations->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, [this] {
                if (selectingFromCode_ == 0 && !mouseDownInCombinations_) {
                    Guarded([this] { ListView_CombinationsClick(); });
                }
            });
    connect(ui_->ListView_Options->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (selectingFromCode_ == 0 && !mouseDownInOptions_) {
                    Guarded([this] { ListView_OptionsClick(); });
                }
            });
    connect(ui_->ComboBox_Options, &QComboBox::activated, this,
            [this] { Guarded([this] { ComboBox_OptionsChange(); }); });

    auto onClick = [this](QPushButton* button, auto handler) {
        connect(button, &QPushButton::clicked, this,
                [this, button, handler] { Guarded([&] { handler(button); }); });
    };
    onClick(ui_->Button_CombinationAdd, [this](QObject* s) { Button_CombinationAddClick(s); });
    onClick(ui_->Button_CombinationUpdate, [this](QObject* s) { Button_CombinationAddClick(s); });
    onClick(ui_->Button_CombinationDel, [this](QObject*) { Button_CombinationDelClick(); });
    onClick(ui_->Button_CombinationUp, [this](QObject* s) { Button_CombinationUpDownClick(s); });
    onClick(ui_->Button_CombinationDown, [this](QObject* s) { Button_CombinationUpDownClick(s); });
    onClick(ui_->Button_OptionAdd, [this](QObject*) { Button_OptionAddClick(); });
    onClick(ui_->Button_OptionUpdate, [this](QObject*) { Button_OptionUpdateClick(); });
    onClick(ui_->Button_OptionDel, [this](QObject*) { Button_OptionDelClick(); });
    onClick(ui_->Button_OptionUp, [this](QObject* s) { Button_OptionUpDownClick(s); });
    onClick(ui_->Button_OptionDown, [this](QObject* s) { Button_OptionUpDownClick(s); });
    onClick(ui_->Button_Next, [this](QObject*) { Button_NextClick(); });
    onClick(ui_->Button_Back, [this](QObject*) { Button_BackClick(); });
    onClick(ui_->Button_Close, [this](QObject*) { Button_CloseClick(); });
    connect(ui_->CheckBox_Sort, &QCheckBox::toggled, this,
            [this] { Guarded([this] { CheckBox_SortClick(); }); });
}

template <class Handler>
void TForm2::Guarded(Handler&& handler) {
    guard_.Run(std::forward<Handler>(handler));
}

// --- Calls from outside -------------------------------------------------------------------

void TForm2::ShowWindow() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    // Shown on behalf of the caller's action: FormShow runs inside it, before the window
    // appears, so that a failure ends that action and leaves the window hidden.
    FormShow();
    CentreOverMainWindow();
    showingForCaller_ = true;
    show();
    showingForCaller_ = false;
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

void TForm2::CloseWindow() {
    hide();
}

bool TForm2::WindowVisible() const {
    return isVisible();
}

int TForm2::Page() const {
    return ui_->Notebook->currentIndex();
}

void TForm2::SetPage(int page) {
    page = page == 1 ? 1 : 0;
    ui_->Notebook->setCurrentIndex(page);
    (page == 0 ? ui_->Button_Next : ui_->Button_Back)->setDefault(true);
}

bool TForm2::DiagramShowing() const {
    return isVisible() && Page() == 1;
}

void TForm2::DiagramChanged() {
    if (ui_->ListBox_Combinations->count() != static_cast<int>(project_.combinations.Count())) {
        FillDiagramRows();
    }
    ui_->ListBox_Combinations->viewport()->update();
    SpeakDiagramRows();
}

void TForm2::CombinationsDiscarded() {
    if (isVisible())
        FormShow();
}

// --- Events -------------------------------------------------------------------------------

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && !showingForCaller_)
        Guarded([this] { FormShow(); });
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
        QPushButton* pageDefault = Page() == 0 ? ui_->Button_Next : ui_->Button_Back;
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
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            mouseDown = true;
            // A click below the rows leaves no row selected.
            QTreeWidget* list = combinations ? ui_->ListView_Combinations : ui_->ListView_Options;
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!list->indexAt(mouse->position().toPoint()).isValid())
                SelectRow(list, -1);
        } else if (event->type() == QEvent::MouseButtonRelease && mouseDown) {
            // The selection follows the press; the click counts when the button is released.
            mouseDown = false;
            if (combinations) {
                Guarded([this] { ListView_CombinationsClick(); });
            } else {
                Guarded([this] { ListView_OptionsClick(); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- Helpers ------------------------------------------------------------------------------

int TForm2::SelectedCombination() const {
    const auto items = ui_->ListView_Combinations->selectedItems();
    return items.isEmpty() ? -1 : ui_->ListView_Combinations->indexOfTopLevelItem(items.first());
}

int TForm2::SelectedMemberRow() const {
    const auto items = ui_->ListView_Options->selectedItems();
    return items.isEmpty() ? -1 : ui_->ListView_Options->indexOfTopLevelItem(items.first());
}

void TForm2::SelectRow(QTreeWidget* list, int row) {
    SelectingFromCode guard(selectingFromCode_);
    list->clearSelection();
    if (QTreeWidgetItem* item = list->topLevelItem(row)) {
        list->setCurrentItem(item);
        item->setSelected(true);
    } else {
        list->setCurrentItem(nullptr);
    }
}

void TForm2::ApplyCombinationRule() {
    const int selected = SelectedCombination();
    const int count = static_cast<int>(project_.combinations.Count());
    ui_->Button_CombinationDel->setEnabled(selected >= 0);
    ui_->Button_CombinationUp->setEnabled(selected > 0);
    ui_->Button_CombinationDown->setEnabled(selected >= 0 && selected < count - 1);
    ui_->Button_CombinationUpdate->setEnabled(ui_->Button_CombinationDel->isEnabled());
}

void TForm2::ApplyMemberRowRule() {
    const int selected = SelectedMemberRow();
    const int count = static_cast<int>(draft_.RowCount());
    ui_->Button_OptionDel->setEnabled(selected >= 0);
    ui_->Button_OptionUp->setEnabled(selected > 0);
    ui_->Button_OptionDown->setEnabled(selected >= 0 && selected < count - 1);
}

void TForm2::ApplyChoiceRule() {
    ui_->Button_OptionAdd->setEnabled(ui_->ComboBox_Options->currentIndex() >= 0);
    ui_->Button_OptionUpdate->setEnabled(ui_->Button_OptionAdd->isEnabled());
}

void TForm2::ChooseNothing() {
    ui_->ComboBox_Options->setCurrentIndex(-1);
}

namespace {

// Gives `list` exactly `texts.size()` rows with these texts; rows that stay keep their place.
void ShowRows(QTreeWidget* list, const std::vector<QStringList>& texts) {
    while (list->topLevelItemCount() > static_cast<int>(texts.size()))
        delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(static_cast<int>(i));
        if (!item) {
            new QTreeWidgetItem(list, texts[i]);
            continue;
        }
        for (int column = 0; column < texts[i].size(); ++column) {
            if (item->text(column) != texts[i][column])
                item->setText(column, texts[i][column]);
        }
    }
}

}  // namespace

void TForm2::ShowCombinationRows() {
    SelectingFromCode guard(selectingFromCode_);
    std::vector<QStringList> texts;
    for (const CombinationRecord* record : project_.combinations.InOrder())
        texts.push_back({FromUtf8(record->name)});
    ShowRows(ui_->ListView_Combinations, texts);
}

void TForm2::ShowDraftRows() {
    SelectingFromCode guard(selectingFromCode_);
    std::vector<QStringList> texts;
    for (const MemberRow& row : draft_.Rows())
        texts.push_back({FromUtf8(row.optionName), QString::number(row.factor)});
    ShowRows(ui_->ListView_Options, texts);
}

void TForm2::ShowDraft() {
    const QString name = FromUtf8(draft_.Name());
    if (ui_->Edit_CombinationName->text() != name)
        ui_->Edit_CombinationName->setText(name);
    ShowDraftRows();
}

void TForm2::FillDiagramRows() {
    SelectingFromCode guard(selectingFromCode_);
    ui_->ListBox_Combinations->clear();
    for (std::size_t i = 0; i < project_.combinations.Count(); ++i) {
        ui_->ListBox_Combinations->addItem(new QListWidgetItem);
    }
    SpeakDiagramRows();
}

namespace {

// The factor the field stands for, whatever has been typed into it.
int CurrentFactor(const QSpinBox* field) {
    return FactorFromText(ToUtf8(field->text()));
}

}  // namespace

// --- Handlers -----------------------------------------------------------------------------

void TForm2::FormShow() {
    {
        SelectingFromCode guard(selectingFromCode_);
        ui_->ListView_Combinations->clear();
    }
    ShowCombinationRows();
    SelectRow(ui_->ListView_Combinations, -1);
    ListView_CombinationsClick();

    // Alphabetical as a German reader expects it: umlauts beside their base letters.
    QStringList names;
    for (const OptionRecord* option : project_.options.InOrder())
        names.push_back(FromUtf8(option->name));
    QCollator collator(QLocale(QLocale::German, QLocale::Germany));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    choiceNames_.clear();
    for (const QString& name : names) choiceNames_.push_back(ToUtf8(name));
    ui_->ComboBox_Options->clear();
    ui_->ComboBox_Options->addItems(names);
    ChooseNothing();
    ApplyChoiceRule();

    if (Page() == 1)
        Button_NextClick();
}

void TForm2::ListView_CombinationsClick() {
    ApplyCombinationRule();
    {
        SelectingFromCode guard(selectingFromCode_);
        ui_->ListView_Options->clear();
    }
    ListView_OptionsClick();

    const int selected = SelectedCombination();
    if (selected >= 0) {
        draft_.Load(project_.combinations.At(static_cast<std::size_t>(selected)));
    } else {
        draft_.Clear();
    }
    ShowDraft();
}

void TForm2::ListView_OptionsClick() {
    ApplyMemberRowRule();
    const int selected = SelectedMemberRow();
    if (selected >= 0 && static_cast<std::size_t>(selected) < draft_.RowCount()) {
        const MemberRow& row = draft_.Rows()[static_cast<std::size_t>(selected)];
        int choice = -1;
        for (std::size_t i = 0; i < choiceNames_.size(); ++i) {
            if (EqualIgnoringCase(choiceNames_[i], row.optionName)) {
                choice = static_cast<int>(i);
                break;
            }
        }
        ui_->ComboBox_Options->setCurrentIndex(choice);
        ui_->SpinEdit_Factor->setValue(row.factor);
    } else {
        ChooseNothing();
        ui_->SpinEdit_Factor->setValue(1);
    }
    ComboBox_OptionsChange();
}

void TForm2::ComboBox_OptionsChange() {
    ApplyChoiceRule();
}

void TForm2::Button_OptionAddClick() {
    const int choice = ui_->ComboBox_Options->currentIndex();
    if (choice < 0 || static_cast<std::size_t>(choice) >= choiceNames_.size())
        return;
    if (auto refusal = draft_.AddRow(choiceNames_[static_cast<std::size_t>(choice)],
                                     CurrentFactor(ui_->SpinEdit_Factor))) {
        dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
        return;
    }
    ShowDraftRows();
    ChooseNothing();
    ComboBox_OptionsChange();
    ui_->SpinEdit_Factor->setValue(1);
    // The selected row may no longer be the last one.
    ApplyMemberRowRule();
}

void TForm2::Button_OptionUpdateClick() {
    // Without a selected row there is no row to change: the press is ignored.
    const int selected = SelectedMemberRow();
    const int choice = ui_->ComboBox_Options->currentIndex();
    if (selected < 0 || choice < 0 || static_cast<std::size_t>(choice) >= choiceNames_.size())
        return;
    if (auto refusal = draft_.UpdateRow(static_cast<std::size_t>(selected),
                                        choiceNames_[static_cast<std::size_t>(choice)],
                                        CurrentFactor(ui_->SpinEdit_Factor))) {
        dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
        return;
    }
    ShowDraftRows();
}

void TForm2::Button_OptionDelClick() {
    const int selected = SelectedMemberRow();
    if (selected < 0)
        return;
    draft_.RemoveRow(static_cast<std::size_t>(selected));
    SelectRow(ui_->ListView_Options, -1);
    ShowDraftRows();
    ListView_OptionsClick();
}

void TForm2::Button_OptionUpDownClick(QObject* sender) {
    const int selected = SelectedMemberRow();
    if (selected < 0)
        return;
    const std::size_t target =
        draft_.MoveRow(static_cast<std::size_t>(selected), sender == ui_->Button_OptionUp);
    if (target == static_cast<std::size_t>(selected))
        return;
    ShowDraftRows();
    SelectRow(ui_->ListView_Options, static_cast<int>(target));
    ListView_OptionsClick();
}

void TForm2::Button_CombinationAddClick(QObject* sender) {
    // The name field holds the draft's name as typed.
    draft_.SetName(ToUtf8(ui_->Edit_CombinationName->text()));
    if (sender == ui_->Button_CombinationUpdate) {
        const int selected = SelectedCombination();
        if (selected < 0)
            return;
        if (auto refusal = project_.combinations.UpdateCombination(
                static_cast<std::size_t>(selected), draft_.Name(), draft_.Rows(),
                project_.options)) {
            dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
            return;
        }
        ShowCombinationRows();
        return;
    }

    if (auto refusal =
            project_.combinations.AddCombination(draft_.Name(), draft_.Rows(), project_.options)) {
        dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
        return;
    }
    ShowCombinationRows();
    draft_.Clear();
    ShowDraft();
    ChooseNothing();
    ApplyChoiceRule();
    ApplyMemberRowRule();
    ui_->SpinEdit_Factor->setValue(1);
    ui_->Edit_CombinationName->setFocus();
    // The selected combination may no longer be the last one.
    ApplyCombinationRule();
}

void TForm2::Button_CombinationDelClick() {
    const int selected = SelectedCombination();
    if (selected < 0)
        return;
    project_.combinations.DeleteCombination(static_cast<std::size_t>(selected),
                                            project_.evaluation);
    SelectRow(ui_->ListView_Combinations, -1);
    ShowCombinationRows();
    ListView_CombinationsClick();
}

void TForm2::Button_CombinationUpDownClick(QObject* sender) {
    const int selected = SelectedCombination();
    if (selected < 0)
        return;
    const std::size_t target = project_.combinations.MoveCombination(
        static_cast<std::size_t>(selected), sender == ui_->Button_CombinationUp);
    ShowCombinationRows();
    SelectRow(ui_->ListView_Combinations, static_cast<int>(target));
    ListView_CombinationsClick();
}

void TForm2::Button_NextClick() {
    project_.EvaluateCombinations();
    FillDiagramRows();
    SetPage(1);
}

void TForm2::Button_BackClick() {
    SetPage(0);
}

void TForm2::Button_CloseClick() {
    hide();
}

void TForm2::CheckBox_SortClick() {
    ui_->ListBox_Combinations->viewport()->update();
    SpeakDiagramRows();
}

void TForm2::ListBox_CombinationsDrawItem(QPainter& painter, int index, const QRect& rect,
                                          bool selected) {
    // Painting may not open a message box (it would be painted over and over); a failure
    // leaves the row empty and is reported on the error output.
    RunWhilePainting([&] {
        if (index < 0)
            return;
        const QFont& font = ui_->ListBox_Combinations->font();
        const QFontMetrics metrics(font);
        DiagramFont diagramFont;
        diagramFont.measure = [&metrics](const std::string& text) {
            return metrics.horizontalAdvance(FromUtf8(text));
        };
        diagramFont.textHeight = metrics.height();
        const Rect r{rect.left(), rect.top(), rect.left() + rect.width(),
                     rect.top() + rect.height()};
        const DiagramRow row =
            LayDiagramRow(static_cast<std::size_t>(index), r, ui_->CheckBox_Sort->isChecked(),
                          project_.combinations, project_.evaluation, diagramFont,
                          ToUtf8(QLocale().decimalPoint()));
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

void TForm2::SpeakDiagramRows() {
    const bool sorted = ui_->CheckBox_Sort->isChecked();
    const std::string separator = ToUtf8(QLocale().decimalPoint());
    std::vector<QString> texts;
    for (int i = 0; i < ui_->ListBox_Combinations->count(); ++i) {
        texts.push_back(
            FromUtf8(SpokenDiagramRow(static_cast<std::size_t>(i), sorted, project_.combinations,
                                      project_.evaluation, separator)));
    }
    SetSpokenRows(ui_->ListBox_Combinations, texts);
}

}  // namespace rangwerk
