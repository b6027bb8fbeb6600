#include "combinations/ranko2.h"

#include "ui/accessibility.h"
#include "ui/mnemonics.h"
#include "ui/qt_text.h"

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

#include "drawing/diagram_row.h"
#include "drawing/diagram_speech.h"
#include "combinations/factor_text.h"
#include "base/text.h"
#include "base/failure.h"

namespace rangwerk {
namespace {

constexpr int kClientWidth = 513;
constexpr int kClientHeight = 355;
constexpr int kDiagramRowHeight = 16;
constexpr int kFactorColumnWidth = 48;

// The factor field: any text may be typed; it stands for the factor FactorFromText gives, and
// leaving the field shows that factor.
class FactorSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
    int valueFromText(const QString& text) const override { return FactorFromText(ToUtf8(text)); }
};

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

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x, int y) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(x, y, 75, 25);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int x, int y,
                  int width) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(x, y, width, 14);
    return label;
}

// A read-only list view with whole-row single selection that stays visible without focus.
QTreeWidget* MakeListView(QWidget* parent, const char* name, const QRect& geometry) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette palette = list->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    list->setPalette(palette);
    return list;
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
    : QDialog(mainWindow), project_(project), dialogs_(dialogs), mainWindow_(mainWindow) {
    setObjectName("Form2");
    setWindowTitle("Kombinationen");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);
    QFont font("Arial");
    font.setPixelSize(11);
    setFont(font);

    Notebook = new QStackedWidget(this);
    Notebook->setObjectName("Notebook");
    Notebook->setGeometry(0, 0, kClientWidth, kClientHeight);
    auto* preferences = new QWidget;
    preferences->setObjectName("Voreinstellungen");
    auto* diagram = new QWidget;
    diagram->setObjectName("Diagramm");
    Notebook->addWidget(preferences);
    Notebook->addWidget(diagram);
    BuildPreferencesPage(preferences);
    BuildDiagramPage(diagram);

    Button_Close = MakeButton(this, "Button_Close", "Schließen", 430, 322);
    Button_Close->raise();
    connect(Button_Close, &QPushButton::clicked, this,
            [this] { Guarded([this] { Button_CloseClick(); }); });

    new FirstAccessKeyWins(this);
    NameControls();
    SetPage(0);
    project_.SetCombinationView(this);
}

TForm2::~TForm2() {
    if (project_.View() == this)
        project_.SetCombinationView(nullptr);
}

void TForm2::BuildPreferencesPage(QWidget* page) {
    Label1 = MakeLabel(page, "Label1",
                       "Sie können verschiedene Optionen zu Kombinationen zusammenfassen und "
                       "diese untereinander vergleichen.",
                       8, 8, 497);
    Label1->setWordWrap(true);
    Label1->setGeometry(8, 8, 497, 28);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = MakeLabel(page, "Label2", "&Kombinationen:", 8, 40, 161);
    ListView_Combinations = MakeListView(page, "ListView_Combinations", QRect(8, 56, 161, 257));
    ListView_Combinations->setColumnCount(1);
    ListView_Combinations->setHeaderHidden(true);
    Label2->setBuddy(ListView_Combinations);

    Button_CombinationAdd = MakeButton(page, "Button_CombinationAdd", "Hinz&ufügen", 176, 56);
    Button_CombinationUpdate =
        MakeButton(page, "Button_CombinationUpdate", "Ak&tualisieren", 176, 86);
    Button_CombinationDel = MakeButton(page, "Button_CombinationDel", "Entfer&nen", 176, 116);
    Button_CombinationUp = MakeButton(page, "Button_CombinationUp", "H&och", 176, 156);
    Button_CombinationDown = MakeButton(page, "Button_CombinationDown", "Runt&er", 176, 186);

    Label_CombinationName =
        MakeLabel(page, "Label_CombinationName", "Na&me der Kombination:", 264, 40, 241);
    Edit_CombinationName = new QLineEdit(page);
    Edit_CombinationName->setObjectName("Edit_CombinationName");
    Edit_CombinationName->setGeometry(264, 56, 241, 21);
    Label_CombinationName->setBuddy(Edit_CombinationName);

    Label3 = MakeLabel(page, "Label3", "Eingehende &Optionen:", 264, 86, 160);
    ListView_Options = MakeListView(page, "ListView_Options", QRect(264, 102, 160, 150));
    ListView_Options->setColumnCount(2);
    ListView_Options->setHeaderLabels({"Option", "Faktor"});
    ListView_Options->header()->setStretchLastSection(false);
    ListView_Options->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView_Options->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    ListView_Options->header()->resizeSection(1, kFactorColumnWidth);
    ListView_Options->header()->setSectionsMovable(false);
    Label3->setBuddy(ListView_Options);

    Button_OptionDel = MakeButton(page, "Button_OptionDel", "Ent&fernen", 430, 102);
    Button_OptionUp = MakeButton(page, "Button_OptionUp", "&Hoch", 430, 142);
    Button_OptionDown = MakeButton(page, "Button_OptionDown", "&Runter", 430, 172);

    ComboBox_Options = new QComboBox(page);
    ComboBox_Options->setObjectName("ComboBox_Options");
    ComboBox_Options->setEditable(false);
    ComboBox_Options->setGeometry(264, 259, 160, 21);
    Button_OptionAdd = MakeButton(page, "Button_OptionAdd", "Hin&zufügen", 430, 257);

    Label4 = MakeLabel(page, "Label4", "F&aktor:", 264, 291, 40);
    SpinEdit_Factor = new FactorSpinBox(page);
    SpinEdit_Factor->setObjectName("SpinEdit_Factor");
    SpinEdit_Factor->setRange(kMinFactor, kMaxFactor);
    SpinEdit_Factor->setValue(1);
    SpinEdit_Factor->setGeometry(304, 288, 65, 21);
    Label4->setBuddy(SpinEdit_Factor);
    Button_OptionUpdate = MakeButton(page, "Button_OptionUpdate", "Aktua&lisieren", 430, 287);

    Button_Next = MakeButton(page, "Button_Next", "&Weiter >", 342, 322);

    for (QPushButton* b : {Button_OptionAdd, Button_OptionUpdate, Button_OptionDel, Button_OptionUp,
                           Button_OptionDown, Button_CombinationUpdate, Button_CombinationDel,
                           Button_CombinationUp, Button_CombinationDown}) {
        b->setEnabled(false);
    }

    // Clicks and keyboard moves in the two lists run their click handlers; changes of the
    // selection made by the program do not.
    ListView_Combinations->viewport()->installEventFilter(this);
    ListView_Options->viewport()->installEventFilter(this);
    connect(ListView_Combinations->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (selectingFromCode_ == 0 && !mouseDownInCombinations_) {
                    Guarded([this] { ListView_CombinationsClick(); });
                }
            });
    connect(ListView_Options->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (selectingFromCode_ == 0 && !mouseDownInOptions_) {
                    Guarded([this] { ListView_OptionsClick(); });
                }
            });
    connect(ComboBox_Options, &QComboBox::activated, this,
            [this] { Guarded([this] { ComboBox_OptionsChange(); }); });

    auto onClick = [this](QPushButton* button, auto handler) {
        connect(button, &QPushButton::clicked, this,
                [this, button, handler] { Guarded([&] { handler(button); }); });
    };
    onClick(Button_CombinationAdd, [this](QObject* s) { Button_CombinationAddClick(s); });
    onClick(Button_CombinationUpdate, [this](QObject* s) { Button_CombinationAddClick(s); });
    onClick(Button_CombinationDel, [this](QObject*) { Button_CombinationDelClick(); });
    onClick(Button_CombinationUp, [this](QObject* s) { Button_CombinationUpDownClick(s); });
    onClick(Button_CombinationDown, [this](QObject* s) { Button_CombinationUpDownClick(s); });
    onClick(Button_OptionAdd, [this](QObject*) { Button_OptionAddClick(); });
    onClick(Button_OptionUpdate, [this](QObject*) { Button_OptionUpdateClick(); });
    onClick(Button_OptionDel, [this](QObject*) { Button_OptionDelClick(); });
    onClick(Button_OptionUp, [this](QObject* s) { Button_OptionUpDownClick(s); });
    onClick(Button_OptionDown, [this](QObject* s) { Button_OptionUpDownClick(s); });
    onClick(Button_Next, [this](QObject*) { Button_NextClick(); });
}

void TForm2::BuildDiagramPage(QWidget* page) {
    Label5 = MakeLabel(page, "Label5", "Ergebnis der Auswertung:", 8, 8, 497);

    ListBox_Combinations = new QListWidget(page);
    ListBox_Combinations->setObjectName("ListBox_Combinations");
    ListBox_Combinations->setGeometry(8, 24, 497, 249);
    ListBox_Combinations->setUniformItemSizes(true);
    ListBox_Combinations->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox_Combinations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox_Combinations->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox_Combinations->setItemDelegate(new DiagramRowDelegate(*this, ListBox_Combinations));

    CheckBox_Sort = new QCheckBox("Nach Ergebnis &sortieren", page);
    CheckBox_Sort->setObjectName("CheckBox_Sort");
    CheckBox_Sort->setGeometry(8, 281, 200, 17);
    CheckBox_Sort->setChecked(false);
    connect(CheckBox_Sort, &QCheckBox::toggled, this,
            [this] { Guarded([this] { CheckBox_SortClick(); }); });

    Button_Back = MakeButton(page, "Button_Back", "< &Zurück", 342, 322);
    connect(Button_Back, &QPushButton::clicked, this,
            [this] { Guarded([this] { Button_BackClick(); }); });
}

template <class Handler>
void TForm2::Guarded(Handler&& handler) {
    RunGuarded(dialogs_, std::forward<Handler>(handler));
}

// --- Calls from outside -------------------------------------------------------------------

void TForm2::ShowWindow() {
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
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

void TForm2::CloseWindow() {
    hide();
}

bool TForm2::WindowVisible() const {
    return isVisible();
}

int TForm2::Page() const {
    return Notebook->currentIndex();
}

void TForm2::SetPage(int page) {
    page = page == 1 ? 1 : 0;
    Notebook->setCurrentIndex(page);
    (page == 0 ? Button_Next : Button_Back)->setDefault(true);
}

bool TForm2::DiagramShowing() const {
    return isVisible() && Page() == 1;
}

void TForm2::DiagramChanged() {
    if (ListBox_Combinations->count() != static_cast<int>(project_.combinations.Count())) {
        FillDiagramRows();
    }
    ListBox_Combinations->viewport()->update();
    SpeakDiagramRows();
}

void TForm2::CombinationsDiscarded() {
    if (isVisible())
        FormShow();
}

// --- Events -------------------------------------------------------------------------------

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Button_Close->click();
        return;
    }
    // Enter presses the default button of the current page ("&Weiter >" or "< &Zurück").
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    const bool combinations = watched == ListView_Combinations->viewport();
    const bool options = watched == ListView_Options->viewport();
    if (combinations || options) {
        bool& mouseDown = combinations ? mouseDownInCombinations_ : mouseDownInOptions_;
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            mouseDown = true;
            // A click below the rows leaves no row selected.
            QTreeWidget* list = combinations ? ListView_Combinations : ListView_Options;
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
    const auto items = ListView_Combinations->selectedItems();
    return items.isEmpty() ? -1 : ListView_Combinations->indexOfTopLevelItem(items.first());
}

int TForm2::SelectedMemberRow() const {
    const auto items = ListView_Options->selectedItems();
    return items.isEmpty() ? -1 : ListView_Options->indexOfTopLevelItem(items.first());
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
    const int count = ListView_Combinations->topLevelItemCount();
    Button_CombinationDel->setEnabled(selected >= 0);
    Button_CombinationUp->setEnabled(selected > 0);
    Button_CombinationDown->setEnabled(selected >= 0 && selected < count - 1);
    Button_CombinationUpdate->setEnabled(Button_CombinationDel->isEnabled());
}

void TForm2::ApplyMemberRowRule() {
    const int selected = SelectedMemberRow();
    const int count = ListView_Options->topLevelItemCount();
    Button_OptionDel->setEnabled(selected >= 0);
    Button_OptionUp->setEnabled(selected > 0);
    Button_OptionDown->setEnabled(selected >= 0 && selected < count - 1);
}

void TForm2::ApplyChoiceRule() {
    Button_OptionAdd->setEnabled(ComboBox_Options->currentIndex() >= 0);
    Button_OptionUpdate->setEnabled(Button_OptionAdd->isEnabled());
}

void TForm2::ChooseNothing() {
    ComboBox_Options->setCurrentIndex(-1);
}

std::vector<MemberRow> TForm2::MemberRowsOnScreen() const {
    std::vector<MemberRow> rows;
    for (int i = 0; i < ListView_Options->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView_Options->topLevelItem(i);
        rows.push_back({ToUtf8(item->text(0)), item->text(1).toInt()});
    }
    return rows;
}

void TForm2::AppendMemberRow(const QString& name, int factor) {
    SelectingFromCode guard(selectingFromCode_);
    new QTreeWidgetItem(ListView_Options, {name, QString::number(factor)});
}

bool TForm2::MemberNameTaken(const QString& name, int exceptRow) const {
    const std::string wanted = ToUtf8(name);
    for (int i = 0; i < ListView_Options->topLevelItemCount(); ++i) {
        if (i != exceptRow &&
            EqualIgnoringCase(ToUtf8(ListView_Options->topLevelItem(i)->text(0)), wanted)) {
            return true;
        }
    }
    return false;
}

void TForm2::FillDiagramRows() {
    SelectingFromCode guard(selectingFromCode_);
    ListBox_Combinations->clear();
    for (std::size_t i = 0; i < project_.combinations.Count(); ++i) {
        ListBox_Combinations->addItem(new QListWidgetItem);
    }
    SpeakDiagramRows();
}

namespace {

MessageRequest DuplicateMemberBox(const QString& name) {
    return RefusalBox("Die Option \"" + ToUtf8(name) + "\" ist bereits in der Liste vorhanden.",
                      "Eintrag bereits vorhanden");
}

// The factor the field stands for, whatever has been typed into it.
int CurrentFactor(const QSpinBox* field) {
    return FactorFromText(ToUtf8(field->text()));
}

Failure IndexBeyondMaximum(int index) {
    return Failure("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
}

}  // namespace

// --- Handlers -----------------------------------------------------------------------------

void TForm2::FormShow() {
    {
        SelectingFromCode guard(selectingFromCode_);
        ListView_Combinations->clear();
        for (const CombinationRecord* record : project_.combinations.InOrder()) {
            new QTreeWidgetItem(ListView_Combinations, {FromUtf8(record->name)});
        }
        ListView_Combinations->setCurrentItem(nullptr);
        ListView_Combinations->clearSelection();
    }
    ListView_CombinationsClick();

    // Alphabetical as a German reader expects it: umlauts beside their base letters.
    QStringList names;
    for (const OptionRecord* option : project_.options.InOrder()) names.push_back(FromUtf8(option->name));
    QCollator collator(QLocale(QLocale::German, QLocale::Germany));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    ComboBox_Options->clear();
    ComboBox_Options->addItems(names);
    ChooseNothing();
    ApplyChoiceRule();

    if (Page() == 1)
        Button_NextClick();
}

void TForm2::ListView_CombinationsClick() {
    ApplyCombinationRule();
    {
        SelectingFromCode guard(selectingFromCode_);
        ListView_Options->clear();
    }
    ListView_OptionsClick();

    const int selected = SelectedCombination();
    if (selected >= 0) {
        if (static_cast<std::size_t>(selected) >= project_.combinations.Count()) {
            throw IndexBeyondMaximum(selected);
        }
        const CombinationRecord& record =
            project_.combinations.At(static_cast<std::size_t>(selected));
        Edit_CombinationName->setText(FromUtf8(record.name));
        for (const MemberRow& row : MemberRowsOf(record)) {
            AppendMemberRow(FromUtf8(row.optionName), row.factor);
        }
    } else {
        Edit_CombinationName->clear();
    }
}

void TForm2::ListView_OptionsClick() {
    ApplyMemberRowRule();
    const int selected = SelectedMemberRow();
    if (selected >= 0) {
        const QTreeWidgetItem* item = ListView_Options->topLevelItem(selected);
        const std::string name = ToUtf8(item->text(0));
        int choice = -1;
        for (int i = 0; i < ComboBox_Options->count(); ++i) {
            if (EqualIgnoringCase(ToUtf8(ComboBox_Options->itemText(i)), name)) {
                choice = i;
                break;
            }
        }
        ComboBox_Options->setCurrentIndex(choice);
        SpinEdit_Factor->setValue(item->text(1).toInt());
    } else {
        ChooseNothing();
        SpinEdit_Factor->setValue(1);
    }
    ComboBox_OptionsChange();
}

void TForm2::ComboBox_OptionsChange() {
    ApplyChoiceRule();
}

void TForm2::Button_OptionAddClick() {
    if (ComboBox_Options->currentIndex() < 0)
        return;
    const QString name = ComboBox_Options->currentText();
    if (MemberNameTaken(name, -1)) {
        dialogs_.ShowMessage(DuplicateMemberBox(name));
        return;
    }
    AppendMemberRow(name, CurrentFactor(SpinEdit_Factor));
    ChooseNothing();
    ComboBox_OptionsChange();
    SpinEdit_Factor->setValue(1);
    // The selected row may no longer be the last one.
    ApplyMemberRowRule();
}

void TForm2::Button_OptionUpdateClick() {
    const int selected = SelectedMemberRow();
    if (selected < 0 || ComboBox_Options->currentIndex() < 0)
        return;
    const QString name = ComboBox_Options->currentText();
    if (MemberNameTaken(name, selected)) {
        dialogs_.ShowMessage(DuplicateMemberBox(name));
        return;
    }
    QTreeWidgetItem* item = ListView_Options->topLevelItem(selected);
    item->setText(0, name);
    item->setText(1, QString::number(CurrentFactor(SpinEdit_Factor)));
}

void TForm2::Button_OptionDelClick() {
    const int selected = SelectedMemberRow();
    if (selected < 0)
        return;
    {
        SelectingFromCode guard(selectingFromCode_);
        delete ListView_Options->takeTopLevelItem(selected);
    }
    SelectRow(ListView_Options, -1);
    ListView_OptionsClick();
}

void TForm2::Button_OptionUpDownClick(QObject* sender) {
    const int selected = SelectedMemberRow();
    const int target = sender == Button_OptionUp ? selected - 1 : selected + 1;
    if (selected < 0 || target < 0 || target >= ListView_Options->topLevelItemCount())
        return;
    {
        SelectingFromCode guard(selectingFromCode_);
        QTreeWidgetItem* item = ListView_Options->takeTopLevelItem(selected);
        ListView_Options->insertTopLevelItem(target, item);
    }
    SelectRow(ListView_Options, target);
    ListView_OptionsClick();
}

void TForm2::Button_CombinationAddClick(QObject* sender) {
    const std::string name = ToUtf8(Edit_CombinationName->text());
    const std::vector<MemberRow> rows = MemberRowsOnScreen();

    if (sender == Button_CombinationUpdate) {
        const int selected = SelectedCombination();
        if (selected < 0)
            return;
        if (static_cast<std::size_t>(selected) >= project_.combinations.Count()) {
            throw IndexBeyondMaximum(selected);
        }
        if (auto refusal = project_.combinations.UpdateCombination(
                static_cast<std::size_t>(selected), name, rows, project_.options)) {
            dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
            return;
        }
        ListView_Combinations->topLevelItem(selected)->setText(0, FromUtf8(name));
        return;
    }

    if (auto refusal = project_.combinations.AddCombination(name, rows, project_.options)) {
        dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
        return;
    }
    {
        SelectingFromCode guard(selectingFromCode_);
        new QTreeWidgetItem(ListView_Combinations, {FromUtf8(name)});
        ListView_Options->clear();
    }
    Edit_CombinationName->clear();
    ChooseNothing();
    ApplyChoiceRule();
    ApplyMemberRowRule();
    SpinEdit_Factor->setValue(1);
    Edit_CombinationName->setFocus();
    // The selected combination may no longer be the last one.
    ApplyCombinationRule();
}

void TForm2::Button_CombinationDelClick() {
    const int selected = SelectedCombination();
    if (selected < 0)
        return;
    if (static_cast<std::size_t>(selected) >= project_.combinations.Count()) {
        throw IndexBeyondMaximum(selected);
    }
    // The result-sorted order of the last evaluation must not keep the discarded record.
    CombinationRecord* gone = &project_.combinations.At(static_cast<std::size_t>(selected));
    project_.combinations.DeleteCombination(static_cast<std::size_t>(selected));
    auto& sorted = project_.evaluation.sorted;
    sorted.erase(std::remove(sorted.begin(), sorted.end(), gone), sorted.end());
    {
        SelectingFromCode guard(selectingFromCode_);
        delete ListView_Combinations->takeTopLevelItem(selected);
    }
    SelectRow(ListView_Combinations, -1);
    ListView_CombinationsClick();
}

void TForm2::Button_CombinationUpDownClick(QObject* sender) {
    const int selected = SelectedCombination();
    const bool up = sender == Button_CombinationUp;
    const int target = up ? selected - 1 : selected + 1;
    if (selected < 0 || target < 0 || target >= ListView_Combinations->topLevelItemCount())
        return;
    if (static_cast<std::size_t>(target) >= project_.combinations.Count()) {
        throw IndexBeyondMaximum(target);
    }
    project_.combinations.MoveCombination(static_cast<std::size_t>(selected), up);
    {
        SelectingFromCode guard(selectingFromCode_);
        QTreeWidgetItem* item = ListView_Combinations->takeTopLevelItem(selected);
        ListView_Combinations->insertTopLevelItem(target, item);
    }
    SelectRow(ListView_Combinations, target);
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
    ListBox_Combinations->viewport()->update();
    SpeakDiagramRows();
}

void TForm2::ListBox_CombinationsDrawItem(QPainter& painter, int index, const QRect& rect,
                                          bool selected) {
    // Painting may not open a message box (it would be painted over and over); a failure
    // leaves the row empty and is reported on the error output.
    RunWhilePainting([&] {
        if (index < 0)
            return;
        const QFont& font = ListBox_Combinations->font();
        const QFontMetrics metrics(font);
        DiagramFont diagramFont;
        diagramFont.measure = [&metrics](const std::string& text) {
            return metrics.horizontalAdvance(FromUtf8(text));
        };
        diagramFont.textHeight = metrics.height();
        const Rect r{rect.left(), rect.top(), rect.left() + rect.width(),
                            rect.top() + rect.height()};
        const DiagramRow row = LayDiagramRow(
            static_cast<std::size_t>(index), r, CheckBox_Sort->isChecked(), project_.combinations,
            project_.evaluation, diagramFont, ToUtf8(QLocale().decimalPoint()));
        if (!row.draw)
            return;

        const QPalette& palette = ListBox_Combinations->palette();
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
    ComboBox_Options->setAccessibleName("Option auswählen");
    NameAfterLabel(ListView_Combinations, Label2);
    NameAfterLabel(ListView_Options, Label3);
    NameAfterLabel(ListBox_Combinations, Label5);
}

void TForm2::SpeakDiagramRows() {
    const bool sorted = CheckBox_Sort->isChecked();
    const std::string separator = ToUtf8(QLocale().decimalPoint());
    std::vector<QString> texts;
    for (int i = 0; i < ListBox_Combinations->count(); ++i) {
        texts.push_back(FromUtf8(SpokenDiagramRow(static_cast<std::size_t>(i), sorted,
                                                  project_.combinations, project_.evaluation,
                                                  separator)));
    }
    SetSpokenRows(ListBox_Combinations, texts);
}

}  // namespace rangwerk
