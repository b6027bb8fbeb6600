#include "ui/ranko1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <climits>

#include "base/path_text.h"
#include "drawing/drawing.h"
#include "drawing/ranking_row.h"
#include "drawing/spoken_row.h"
#include "platform/system.h"
#include "ui/accessibility.h"
#include "ui/mnemonics.h"
#include "ui/qt_text.h"
#include "ui/ranko1_icons.h"
#include "ui/ranko1_widgets.h"
#include "ui_ranko1.h"

namespace rangwerk {

namespace {

constexpr int kRankingRowHeight = 16;

// A name on a button: shown as typed, an "&" in it is no access key.
QString ButtonCaption(const std::string& name) {
    return FromUtf8(name).replace(u'&', QStringLiteral("&&"));
}

// Information texts keep the Windows line breaks of the project files; the edit fields
// work with single line feeds.
QString InfoForField(const std::string& info) {
    return FromUtf8(info).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string InfoFromField(const QString& text) {
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(u'\n', QStringLiteral("\r\n"));
    return ToUtf8(normalised);
}

QFont WindowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setBold(false);
    return font;
}

QColor QtColour(Color c) {
    return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)),
                  static_cast<int>(BlueOf(c)));
}

std::uint32_t SystemSeed() {
    SystemSeedSource source;
    return source.Seed();
}

// The rows of the ranking lists are painted by the window's drawing handler.
class RankingRowDelegate : public QStyledItemDelegate {
public:
    RankingRowDelegate(TForm1* form, QListWidget* list)
        : QStyledItemDelegate(list), form_(form), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        form_->ListBox_3RankingDrawItem(list_, index.row(), option, *painter);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), kRankingRowHeight);
    }

private:
    TForm1* form_;
    QListWidget* list_;
};

}  // namespace

QString TForm1::Headline(int page) {
    switch (page) {
        case kPageStart:
            return QStringLiteral("Neues Projekt oder Projekt öffnen");
        case kPageCollect:
            return QStringLiteral("Sammeln der Optionen");
        case kPageSettings:
            return QStringLiteral("Festlegen der Einstellungen");
        case kPageComparisons:
            return QStringLiteral("Vergleich der Optionen");
        case kPageResult:
            return QStringLiteral("Ergebnis");
    }
    return {};
}

TForm1::TForm1(Project& project, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      project_(project),
      dialogs_(dialogs),
      guard_(dialogs),
      ui_(std::make_unique<Ui::Form1>()),
      seed_(&SystemSeed) {
    // The fixed layout and the captions come from the form; pictures, fonts, colours and the
    // handlers are set up here.
    ui_->setupUi(this);
    setFont(WindowFont());
    ShowTitleCaption();
    TakeControlsFromForm();
    SetUpPanel();
    SetUpStartPage();
    SetUpCollectPage();
    SetUpSettingsPage();
    SetUpComparisonPage();
    ConnectHandlers();

    PopupMenu_3ChooseOption = new QMenu(this);
    PopupMenu_3ChooseOption->setObjectName(QStringLiteral("PopupMenu_3ChooseOption"));

    new FirstAccessKeyWins(this);
    NameControls();
    ReloadSettingsFromProject();
    project_.run.SetListener(this);
    qApp->installEventFilter(this);
    QAccessible::installActivationObserver(this);
    ShowPage(kPageStart);
}

TForm1::~TForm1() {
    QAccessible::removeActivationObserver(this);
    qApp->removeEventFilter(this);
    project_.run.SetListener(nullptr);
    // The controls outlive the guard and the form; whatever they send while they are taken
    // down reaches no handler.
    for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

void TForm1::TakeControlsFromForm() {
    Panel_Headline = ui_->Panel_Headline;
    Notebook = ui_->Notebook;
    Button_Exit = ui_->Button_Exit;
    Button_Restart = ui_->Button_Restart;
    Panel_Save = ui_->Panel_Save;
    SpeedButton_Save = ui_->SpeedButton_Save;

    SpeedButton_0New = ui_->SpeedButton_0New;
    SpeedButton_0Open = ui_->SpeedButton_0Open;
    SpeedButton_0Info = ui_->SpeedButton_0Info;

    Edit_1OptionName = ui_->Edit_1OptionName;
    Memo_1Info = ui_->Memo_1Info;
    Button_1Add = ui_->Button_1Add;
    Button_1Update = ui_->Button_1Update;
    Button_1DelAll = ui_->Button_1DelAll;
    ListView_1Options = ui_->ListView_1Options;
    Button_1Del = ui_->Button_1Del;
    Button_1Up = ui_->Button_1Up;
    Button_1Down = ui_->Button_1Down;
    Button_1Next = ui_->Button_1Next;

    SpinEdit_2Win = ui_->SpinEdit_2Win;
    SpinEdit_2Remis = ui_->SpinEdit_2Remis;
    SpinEdit_2Defeat = ui_->SpinEdit_2Defeat;
    RadioGroup_2Order = ui_->RadioGroup_2Order;
    CheckBox_2LiveScore = ui_->CheckBox_2LiveScore;
    CheckBox_2KeepOldRanking = ui_->CheckBox_2KeepOldRanking;
    Button_2Back = ui_->Button_2Back;
    Button_2Next = ui_->Button_2Next;

    Button_3Option1 = ui_->Button_3Option1;
    Button_3ChooseOption1 = ui_->Button_3ChooseOption1;
    Button_3ChooseOption2 = ui_->Button_3ChooseOption2;
    Button_3Option2 = ui_->Button_3Option2;
    Memo_3Option1Info = ui_->Memo_3Option1Info;
    Memo_3Option2Info = ui_->Memo_3Option2Info;
    Button_3Remis = ui_->Button_3Remis;
    SpeedButton_3PreviousComparison = ui_->SpeedButton_3PreviousComparison;
    SpeedButton_3NextComparison = ui_->SpeedButton_3NextComparison;
    ListBox_3Ranking = ui_->ListBox_3Ranking;
    Button_3Back = ui_->Button_3Back;
    Button_3Next = ui_->Button_3Next;

    Button_4Combinations = ui_->Button_4Combinations;
    ListBox_4Ranking = ui_->ListBox_4Ranking;
    Button_4Back = ui_->Button_4Back;
    Button_4Restart = ui_->Button_4Restart;
}

void TForm1::SetUpPanel() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    Panel_Headline->setFont(font);
    QPalette palette = Panel_Headline->palette();
    palette.setColor(QPalette::Window, QColor(123, 157, 221));
    palette.setColor(QPalette::WindowText, Qt::white);
    Panel_Headline->setPalette(palette);
    SpeedButton_Save->setIcon(QIcon(SavePicture()));
}

void TForm1::SetUpStartPage() {
    const struct {
        QToolButton* button;
        QLabel* label;
        QPixmap picture;
    } entries[] = {
        {SpeedButton_0New, ui_->Label_0New, NewProjectPicture()},
        {SpeedButton_0Open, ui_->Label_0Open, OpenProjectPicture()},
        {SpeedButton_0Info, ui_->Label_0Info, InformationPicture()},
    };
    // The captions beside the buttons keep the window's face, whatever face the window takes.
    QFont bold = WindowFont();
    bold.setBold(true);
    for (const auto& e : entries) {
        e.button->setIcon(QIcon(e.picture));
        e.button->setIconSize(e.picture.size());
        e.label->setFont(bold);
    }
}

void TForm1::SetUpCollectPage() {
    // The selection stays visible when the list loses the focus.
    QPalette palette = ListView_1Options->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    ListView_1Options->setPalette(palette);
}

void TForm1::SetUpSettingsPage() {
    for (QSpinBox* spin : {SpinEdit_2Win, SpinEdit_2Remis, SpinEdit_2Defeat}) {
        spin->setRange(INT_MIN, INT_MAX);
    }
    RadioGroup_2OrderItems = new QButtonGroup(RadioGroup_2Order);
    // The ids are the query orders.
    QRadioButton* const items[] = {ui_->RadioGroup_2Order_Item0, ui_->RadioGroup_2Order_Item1,
                                   ui_->RadioGroup_2Order_Item2};
    for (int i = 0; i < 3; ++i) RadioGroup_2OrderItems->addButton(items[i], i);
}

void TForm1::SetUpComparisonPage() {
    for (QPushButton* b : {Button_3ChooseOption1, Button_3ChooseOption2}) {
        b->setIcon(QIcon(ChooseOptionPicture()));
    }
    SpeedButton_3PreviousComparison->setIcon(QIcon(PreviousPairPicture()));
    SpeedButton_3NextComparison->setIcon(QIcon(NextPairPicture()));
    // The rows of the ranking lists are painted by the window's drawing handler.
    for (QListWidget* list : {ListBox_3Ranking, ListBox_4Ranking}) {
        list->setItemDelegate(new RankingRowDelegate(this, list));
    }
}

void TForm1::ConnectHandlers() {
    // Each user action is guarded once, here where its event enters the window.
    connect(Button_Exit, &QPushButton::clicked, this, Action([this] { Button_ExitClick(); }));
    connect(Button_Restart, &QPushButton::clicked, this, Action([this] { Button_RestartClick(); }));
    connect(SpeedButton_Save, &QToolButton::clicked, this,
            Action([this] { SpeedButton_SaveClick(); }));

    connect(SpeedButton_0New, &QToolButton::clicked, this,
            Action([this] { SpeedButton_0NewClick(); }));
    connect(SpeedButton_0Open, &QToolButton::clicked, this,
            Action([this] { SpeedButton_0OpenClick(); }));
    connect(SpeedButton_0Info, &QToolButton::clicked, this,
            Action([this] { SpeedButton_0InfoClick(); }));

    connect(Button_1Add, &QPushButton::clicked, this,
            Action([this] { Button_1AddClick(Button_1Add); }));
    connect(Button_1Update, &QPushButton::clicked, this,
            Action([this] { Button_1AddClick(Button_1Update); }));
    connect(ListView_1Options, &QListWidget::itemSelectionChanged, this,
            Action([this] { ListView_1OptionsClick(); }));
    // A click on the row that is selected already loads its option again as well.
    connect(ListView_1Options, &QListWidget::itemClicked, this,
            Action([this] { ListView_1OptionsClick(); }));
    connect(Button_1Del, &QPushButton::clicked, this, Action([this] { Button_1DelClick(); }));
    connect(Button_1Up, &QPushButton::clicked, this,
            Action([this] { Button_1UpDownClick(Button_1Up); }));
    connect(Button_1Down, &QPushButton::clicked, this,
            Action([this] { Button_1UpDownClick(Button_1Down); }));
    connect(Button_1DelAll, &QPushButton::clicked, this, Action([this] { Button_1DelAllClick(); }));
    connect(Button_1Next, &QPushButton::clicked, this, Action([this] { Button_1NextClick(); }));

    const struct {
        QSpinBox* spin;
        std::int32_t ScoreSettings::*value;
    } points[] = {{SpinEdit_2Win, &ScoreSettings::superior},
                  {SpinEdit_2Remis, &ScoreSettings::tie},
                  {SpinEdit_2Defeat, &ScoreSettings::inferior}};
    for (const auto& p : points) {
        // Every change of the text goes to the project at once, also while it is no whole
        // number yet (then it counts 0), so the points are always those on screen.
        const auto member = p.value;
        // The spin field reports values set by the program and typed whole numbers, its edit
        // line every typed text.
        const auto toProject = [this, member](const QString& t) {
            project_.scores.*member = PointsFromText(ToUtf8(t));
        };
        connect(p.spin, &QSpinBox::textChanged, this, Action(toProject));
        connect(p.spin->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, Action(toProject));
    }
    connect(RadioGroup_2OrderItems, &QButtonGroup::idToggled, this,
            Action([this](int id, bool checked) {
                if (checked)
                    project_.queryOrder = static_cast<QueryOrder>(id);
            }));
    connect(CheckBox_2LiveScore, &QCheckBox::toggled, this,
            Action([this](bool on) { project_.liveScore = on; }));
    connect(CheckBox_2KeepOldRanking, &QCheckBox::toggled, this,
            Action([this](bool on) { project_.keepOldRanking = on; }));
    connect(Button_2Back, &QPushButton::clicked, this, Action([this] { Button_2_3_4BackClick(); }));
    connect(Button_2Next, &QPushButton::clicked, this, Action([this] { Button_2NextClick(); }));

    connect(Button_3Option1, &QPushButton::clicked, this,
            Action([this] { Button_3OptionClick(Button_3Option1); }));
    connect(Button_3Option2, &QPushButton::clicked, this,
            Action([this] { Button_3OptionClick(Button_3Option2); }));
    connect(Button_3Remis, &QPushButton::clicked, this, Action([this] { Button_3RemisClick(); }));
    connect(Button_3ChooseOption1, &QPushButton::clicked, this,
            Action([this] { Button_3ChooseOptionClick(Button_3ChooseOption1); }));
    connect(Button_3ChooseOption2, &QPushButton::clicked, this,
            Action([this] { Button_3ChooseOptionClick(Button_3ChooseOption2); }));
    connect(SpeedButton_3PreviousComparison, &QToolButton::clicked, this, Action([this] {
                SpeedButton_3ChangeComparisonClick(SpeedButton_3PreviousComparison);
            }));
    connect(SpeedButton_3NextComparison, &QToolButton::clicked, this,
            Action([this] { SpeedButton_3ChangeComparisonClick(SpeedButton_3NextComparison); }));
    connect(Button_3Back, &QPushButton::clicked, this, Action([this] { Button_2_3_4BackClick(); }));
    connect(Button_3Next, &QPushButton::clicked, this, Action([this] { Button_3NextClick(); }));

    connect(Button_4Combinations, &QPushButton::clicked, this,
            Action([this] { Button_4CombinationsClick(); }));
    connect(Button_4Back, &QPushButton::clicked, this, Action([this] { Button_2_3_4BackClick(); }));
    connect(Button_4Restart, &QPushButton::clicked, this,
            Action([this] { Button_4RestartClick(); }));
}

// ---------------------------------------------------------------------------------------------
// Window-wide

int TForm1::CurrentPage() const {
    return Notebook->currentIndex();
}

void TForm1::ShowPage(int page) {
    Notebook->setCurrentIndex(page);
    Panel_Headline->setText(Headline(page));
    NotebookPageChanged();
}

void TForm1::NotebookPageChanged() {
    const bool started = CurrentPage() != kPageStart;
    Button_Restart->setVisible(started);
    Panel_Save->setVisible(started);
}

void TForm1::ShowTitleCaption() {
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
}

void TForm1::ShowFileCaption(const std::string& projectFileName) {
    // The file name without its folder, whichever separator the path uses.
    setWindowTitle(QString::fromUtf8(kApplicationTitle) + QStringLiteral(" - [") +
                   FromUtf8(FileNameOfPath(projectFileName)) + u']');
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!centred_ && screen()) {
        centred_ = true;
        const QRect area = screen()->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit Closed();
}

bool TForm1::KeyGoesToFocusWidget(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    // A key event travels to the parents of its receiver when the receiver ignores it; it is
    // looked at once, on its way to the focus widget.
    const QWidget* target = focusWidget() ? focusWidget() : this;
    return widget == target;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && KeyGoesToFocusWidget(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            CurrentPage() == kPageCollect && focusWidget() != Memo_1Info &&
            !qobject_cast<QAbstractButton*>(focusWidget())) {
            // "&Hinzufügen" is the default button of the collect page.
            Button_1Add->click();
            return true;
        }
        if (plain)
            guard_.Run([&] { FormKeyPress(key->text()); });
        // The key goes on to the focused control.
        return false;
    }
    if (event->type() == QEvent::FocusOut &&
        (watched == Memo_3Option1Info || watched == Memo_3Option2Info)) {
        // Leaving the field is an action of its own, or part of the action that moved the focus.
        guard_.Run([&] { Memo_3OptionInfoExit(watched); });
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::FormKeyPress(const QString& text) {
    if (CurrentPage() != kPageComparisons)
        return false;
    if (focusWidget() == Memo_3Option1Info || focusWidget() == Memo_3Option2Info)
        return false;
    if (text == QStringLiteral("0")) {
        Button_3RemisClick();
    } else if (text == QStringLiteral("1")) {
        Button_3OptionClick(Button_3Option1);
    } else if (text == QStringLiteral("2")) {
        Button_3OptionClick(Button_3Option2);
    } else {
        return false;
    }
    return true;
}

void TForm1::Button_ExitClick() {
    close();
}

void TForm1::Button_RestartClick() {
    if (CombinationsWindowControl* view = combinationsWindow_)
        view->CloseWindow();
    project_.DiscardAll();
    SetRankingRows(0);
    ListBox_4Ranking->clear();
    Button_Restart->hide();
    ShowTitleCaption();
    ShowPage(kPageStart);
}

// ---------------------------------------------------------------------------------------------
// Start page

void TForm1::SpeedButton_0NewClick() {
    // The start page is reached with empty lists only; should anything be left, it goes.
    project_.DiscardAll();
    Edit_1OptionName->clear();
    Memo_1Info->clear();
    ListView_1Options->clear();
    project_.BeginNew();
    ReloadSettingsFromProject();
    ResetAnswerFonts();
    ShowPage(kPageCollect);
    if (CombinationsWindowControl* view = combinationsWindow_)
        view->SetPage(0);
    Edit_1OptionName->setFocus();
}

void TForm1::SpeedButton_0InfoClick() {
    if (onInfo)
        onInfo();
}

// ---------------------------------------------------------------------------------------------
// Collect page

int TForm1::SelectedOptionRow() const {
    const QList<QListWidgetItem*> selected = ListView_1Options->selectedItems();
    return selected.isEmpty() ? -1 : ListView_1Options->row(selected.front());
}

void TForm1::SelectOptionRow(int row) {
    // The callers load the option themselves, within their own action.
    const QSignalBlocker quiet(ListView_1Options);
    ListView_1Options->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void TForm1::RebuildOptionList() {
    ListView_1Options->clear();
    for (const OptionRecord* option : project_.options.InOrder()) {
        ListView_1Options->addItem(FromUtf8(option->name));
    }
    ListView_1OptionsClick();
}

void TForm1::ListView_1OptionsClick() {
    const int row = SelectedOptionRow();
    const int count = ListView_1Options->count();
    Button_1Update->setEnabled(row >= 0);
    Button_1Del->setEnabled(row >= 0);
    Button_1Up->setEnabled(row > 0);
    Button_1Down->setEnabled(row >= 0 && row < count - 1);
    if (row >= 0) {
        const OptionRecord& option = project_.options.At(static_cast<std::size_t>(row));
        Edit_1OptionName->setText(FromUtf8(option.name));
        Memo_1Info->setPlainText(InfoForField(option.info));
    }
}

void TForm1::Button_1AddClick(QObject* sender) {
    const std::string name = ToUtf8(Edit_1OptionName->text());
    const std::string info = InfoFromField(Memo_1Info->toPlainText());
    if (sender == Button_1Update) {
        const int row = SelectedOptionRow();
        if (row < 0)
            return;
        const auto index = static_cast<std::size_t>(row);
        if (auto refusal = project_.options.CheckNameForUpdate(index, name)) {
            dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
            return;
        }
        project_.options.UpdateOption(index, name, info);
        ListView_1Options->item(row)->setText(FromUtf8(name));
        return;
    }
    if (auto refusal = project_.options.CheckNameForAdd(name)) {
        dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
        return;
    }
    project_.options.AddOption(name, info);
    ListView_1Options->addItem(FromUtf8(name));
    SelectOptionRow(ListView_1Options->count() - 1);
    ListView_1OptionsClick();
    Edit_1OptionName->clear();
    Memo_1Info->clear();
    Edit_1OptionName->setFocus();
}

void TForm1::Button_1DelClick() {
    const int row = SelectedOptionRow();
    if (row < 0)
        return;
    project_.options.RemoveOption(static_cast<std::size_t>(row));
    {
        // The row still exists while the list moves its selection: no rule until it is gone.
        const QSignalBlocker quiet(ListView_1Options);
        delete ListView_1Options->takeItem(row);
    }
    const int count = ListView_1Options->count();
    if (count > 0) {
        SelectOptionRow(row < count ? row : row - 1);
    } else {
        ListView_1Options->clearSelection();
    }
    ListView_1OptionsClick();
}

void TForm1::Button_1UpDownClick(QObject* sender) {
    const int row = SelectedOptionRow();
    const bool up = sender == Button_1Up;
    const int target = up ? row - 1 : row + 1;
    if (row < 0 || target < 0 || target >= ListView_1Options->count())
        return;
    project_.options.MoveOption(static_cast<std::size_t>(row), up);
    const QString moved = ListView_1Options->item(row)->text();
    ListView_1Options->item(row)->setText(ListView_1Options->item(target)->text());
    ListView_1Options->item(target)->setText(moved);
    SelectOptionRow(target);
    ListView_1OptionsClick();
}

void TForm1::Button_1DelAllClick() {
    if (project_.RemovingAllNeedsQuestion() &&
        dialogs_.ShowMessage(WarningQuestion(kRemoveAllQuestion)) != MessageButton::Yes) {
        return;
    }
    ListView_1Options->clear();
    project_.RemoveAllOptions();
    ListView_1OptionsClick();
}

void TForm1::Button_1NextClick() {
    if (project_.options.Count() < 2) {
        dialogs_.ShowMessage(
            RefusalBox("Sie müssen mindestens zwei Optionen angeben.", "Zu wenige Optionen"));
        return;
    }
    // Earlier answers are kept unless the user says otherwise at this visit.
    CheckBox_2KeepOldRanking->setChecked(true);
    project_.keepOldRanking = true;
    ShowPage(kPageSettings);
}

// ---------------------------------------------------------------------------------------------
// Settings page

void TForm1::ReloadSettingsFromProject() {
    const ScoreSettings scores = project_.scores;
    SpinEdit_2Win->ShowPoints(scores.superior);
    SpinEdit_2Remis->ShowPoints(scores.tie);
    SpinEdit_2Defeat->ShowPoints(scores.inferior);
    project_.scores = scores;

    const QueryOrder order = project_.queryOrder;
    if (order == QueryOrder::None) {
        RadioGroup_2OrderItems->setExclusive(false);
        for (QAbstractButton* item : RadioGroup_2OrderItems->buttons()) item->setChecked(false);
        RadioGroup_2OrderItems->setExclusive(true);
    } else if (QAbstractButton* item = RadioGroup_2OrderItems->button(static_cast<int>(order))) {
        item->setChecked(true);
    }
    project_.queryOrder = order;

    const bool live = project_.liveScore;
    const bool keep = project_.keepOldRanking;
    CheckBox_2LiveScore->setChecked(live);
    CheckBox_2KeepOldRanking->setChecked(keep);
}

void TForm1::Button_2NextClick() {
    const std::uint32_t seed = seed_ ? seed_() : 0;
    if (auto refusal = project_.run.Start(project_.queryOrder, project_.keepOldRanking, seed)) {
        dialogs_.ShowMessage(RefusalBox(refusal->text, refusal->caption));
        return;
    }
    SetRankingRows(static_cast<int>(project_.run.Ranking().size()));
    ShowLiveRanking(project_.liveScore);
    PreparePopupMenu_3();
    ShowPage(kPageComparisons);
    project_.run.NextComparison(false);
}

void TForm1::Button_2_3_4BackClick() {
    const int page = CurrentPage() - 1;
    if (page < kPageCollect)
        return;
    ShowPage(page);
    if (page == kPageCollect) {
        RebuildOptionList();
    } else if (page == kPageComparisons) {
        project_.run.Resume();
    }
}

// ---------------------------------------------------------------------------------------------
// Comparison page

void TForm1::SetRankingRows(int count) {
    ListBox_3Ranking->clear();
    for (int i = 0; i < count; ++i) ListBox_3Ranking->addItem(new QListWidgetItem());
    SpeakRankingRows();
}

void TForm1::CopyRankingRowsToResult() {
    ListBox_4Ranking->clear();
    for (int i = 0; i < ListBox_3Ranking->count(); ++i) {
        ListBox_4Ranking->addItem(new QListWidgetItem());
    }
    SpeakRankingRows();
}

void TForm1::ShowLiveRanking(bool visible) {
    ListBox_3Ranking->setVisible(visible);
}

void TForm1::PreparePopupMenu_3() {
    PopupMenu_3ChooseOption->clear();
    for (QActionGroup* group : PopupMenu_3ChooseOption->findChildren<QActionGroup*>()) {
        delete group;
    }
    auto* group = new QActionGroup(PopupMenu_3ChooseOption);
    group->setExclusive(true);
    int position = 0;
    for (const OptionRecord* option : project_.options.InOrder()) {
        QAction* item = PopupMenu_3ChooseOption->addAction(ButtonCaption(option->name));
        item->setCheckable(true);
        item->setChecked(false);
        item->setData(position++);
        group->addAction(item);
        connect(item, &QAction::triggered, this,
                Action([this, item] { MenuItem_3ChooseOption(item); }));
    }
}

void TForm1::ResetAnswerFonts() {
    for (QPushButton* b : {Button_3Option1, Button_3Remis, Button_3Option2})
        SetAnswerFont(b, false);
}

void TForm1::SetAnswerFont(QPushButton* button, bool italic) {
    QFont font = button->font();
    font.setItalic(italic);
    button->setFont(font);
}

void TForm1::RefreshCombinations() {
    project_.RefreshDiagramIfShowing();
}

void TForm1::RankingChanged() {
    ListBox_3Ranking->viewport()->update();
    ListBox_4Ranking->viewport()->update();
    SpeakRankingRows();
}

void TForm1::RunFinished() {
    CopyRankingRowsToResult();
    ShowPage(kPageResult);
    AnnounceResult();
}

void TForm1::ShowPair(int firstIndex, int secondIndex) {
    const OptionRecord& first = project_.options.At(static_cast<std::size_t>(firstIndex));
    const OptionRecord& second = project_.options.At(static_cast<std::size_t>(secondIndex));
    Button_3Option1->setText(ButtonCaption(first.name));
    Button_3Option2->setText(ButtonCaption(second.name));
    Memo_3Option1Info->setPlainText(InfoForField(first.info));
    Memo_3Option2Info->setPlainText(InfoForField(second.info));
    ResetAnswerFonts();
    AnnouncePair(first, second);
}

void TForm1::ShowRecordedAnswer(std::optional<std::int32_t> outcome) {
    if (CurrentPage() != kPageComparisons)
        return;
    QPushButton* answer = Button_3Remis;
    if (outcome) {
        if (*outcome > 0) {
            answer = Button_3Option1;
        } else if (*outcome < 0) {
            answer = Button_3Option2;
        }
        SetAnswerFont(answer, true);
    }
    answer->setFocus();
}

void TForm1::Button_3OptionClick(QObject* sender) {
    project_.run.Record(sender == Button_3Option2 ? Answer::SecondSuperior : Answer::FirstSuperior);
}

void TForm1::Button_3RemisClick() {
    project_.run.Record(Answer::Tie);
}

void TForm1::SpeedButton_3ChangeComparisonClick(QObject* sender) {
    // These buttons take no focus: an information text being edited is stored first.
    StorePendingInfoEdit();
    project_.run.NextComparison(sender == SpeedButton_3PreviousComparison);
}

void TForm1::Button_3ChooseOptionClick(QObject* sender) {
    const bool left = sender != Button_3ChooseOption2;
    const std::vector<int> offered =
        left ? project_.run.ChoosableFirst() : project_.run.ChoosableSecond();
    const int current = left ? project_.run.FirstIndex() : project_.run.SecondIndex();
    for (QAction* item : PopupMenu_3ChooseOption->actions()) {
        const int position = item->data().toInt();
        item->setVisible(std::find(offered.begin(), offered.end(), position) != offered.end());
        item->setChecked(position == current);
    }
    popupMenuTag_ = left ? 0 : 1;
    auto* button = static_cast<QWidget*>(left ? Button_3ChooseOption1 : Button_3ChooseOption2);
    PopupMenu_3ChooseOption->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TForm1::MenuItem_3ChooseOption(QAction* item) {
    const int position = item->data().toInt();
    if (popupMenuTag_ == 1) {
        project_.run.ChooseSecond(position);
    } else {
        project_.run.ChooseFirst(position);
    }
}

void TForm1::Memo_3OptionInfoExit(QObject* sender) {
    const int index =
        sender == Memo_3Option1Info ? project_.run.FirstIndex() : project_.run.SecondIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= project_.options.Count())
        return;
    const auto position = static_cast<std::size_t>(index);
    const auto* memo = static_cast<QPlainTextEdit*>(sender);
    project_.options.UpdateOption(position, project_.options.At(position).name,
                                  InfoFromField(memo->toPlainText()));
}

void TForm1::Button_3NextClick() {
    CopyRankingRowsToResult();
    ShowPage(kPageResult);
    AnnounceResult();
}

// ---------------------------------------------------------------------------------------------
// Result page

void TForm1::Button_4RestartClick() {
    ShowPage(kPageCollect);
    RebuildOptionList();
}

void TForm1::Button_4CombinationsClick() {
    if (CombinationsWindowControl* view = combinationsWindow_)
        view->ShowWindow();
}

// ---------------------------------------------------------------------------------------------
// Ranking lists

void TForm1::ListBox_3RankingDrawItem(QListWidget* list, int index,
                                      const QStyleOptionViewItem& option, QPainter& painter) {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = list->palette();
    const QColor background =
        palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    const QColor text =
        palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect& r = option.rect;
    painter.fillRect(r, background);

    const RankingList& ranking = project_.run.Ranking();
    if (index >= 0 && static_cast<std::size_t>(index) < ranking.size()) {
        // The scores the last ranking step kept; painting never counts.
        const std::vector<std::int64_t>& scores = project_.run.Scores();
        const QFont font = list->font();
        const QFontMetrics metrics(font);
        const MeasureText measure = [&metrics](const std::string& s) {
            return metrics.horizontalAdvance(FromUtf8(s));
        };
        const RankingRowLayout row = LayOutRankingRow(
            Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
            static_cast<std::size_t>(index), scores, project_.run.Scale(),
            ranking[static_cast<std::size_t>(index)]->name, measure, metrics.height());

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
        focus.initFrom(list);
        focus.rect = r;
        focus.backgroundColor = background;
        list->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, list);
    }
}

// ---------------------------------------------------------------------------------------------
// Screen readers

void TForm1::NameControls() {
    // The labels beside the controls that describe them.
    const auto label = [this](const QString& text) {
        for (QLabel* l : findChildren<QLabel*>()) {
            if (l->text() == text)
                return l;
        }
        qFatal("no label \"%s\"", qPrintable(text));
    };
    NameAfterLabel(SpeedButton_0New, label(QStringLiteral("Neues Projekt beginnen")));
    NameAfterLabel(SpeedButton_0Open, label(QStringLiteral("Gespeichertes Projekt öffnen")));
    NameAfterLabel(SpeedButton_0Info, label(QStringLiteral("Information")));
    NameAfterLabel(ListView_1Options, label(QStringLiteral("Liste der Optionen:")));
    NameAfterLabel(ListBox_4Ranking, label(QStringLiteral("Reihenfolge der Optionen:")));

    SpeedButton_Save->setAccessibleName(QStringLiteral("Projekt speichern"));
    // The pair buttons are named after their options (see AnnouncePair); before the first pair
    // they say which option they stand for.
    Button_3Option1->setAccessibleName(QStringLiteral("Erste Option"));
    Button_3Option2->setAccessibleName(QStringLiteral("Zweite Option"));
    Button_3ChooseOption1->setAccessibleName(QStringLiteral("Andere Option wählen"));
    Button_3ChooseOption1->setAccessibleDescription(QStringLiteral("Für die erste Option"));
    Button_3ChooseOption2->setAccessibleName(QStringLiteral("Andere Option wählen"));
    Button_3ChooseOption2->setAccessibleDescription(QStringLiteral("Für die zweite Option"));
    Memo_3Option1Info->setAccessibleName(QStringLiteral("Informationen zur ersten Option"));
    Memo_3Option2Info->setAccessibleName(QStringLiteral("Informationen zur zweiten Option"));
    SpeedButton_3PreviousComparison->setAccessibleDescription(
        QStringLiteral("Vorheriger Vergleich"));
    SpeedButton_3NextComparison->setAccessibleDescription(QStringLiteral("Nächster Vergleich"));
    ListBox_3Ranking->setAccessibleName(QStringLiteral("Zwischenstand"));
}

void TForm1::SpeakRankingRows() {
    // Without a screen reader nobody reads the rows: an answer then costs no text per row.
    if (!QAccessible::isActive())
        return;
    const RankingList& ranking = project_.run.Ranking();
    std::vector<std::int64_t> scores;
    scores.reserve(ranking.size());
    for (const OptionRecord* o : ranking) scores.push_back(OptionScore(*o, project_.scores));
    std::vector<QString> texts;
    texts.reserve(ranking.size());
    for (std::size_t i = 0; i < ranking.size(); ++i) {
        texts.push_back(
            FromUtf8(SpokenRankingRow(i, scores, project_.run.Scale(), ranking[i]->name)));
    }
    SetSpokenRows(ListBox_3Ranking, texts);
    SetSpokenRows(ListBox_4Ranking, texts);
}

void TForm1::accessibilityActiveChanged(bool active) {
    if (active)
        SpeakRankingRows();
}

void TForm1::AnnouncePair(const OptionRecord& first, const OptionRecord& second) {
    const auto name = [](const OptionRecord& option, const char* instead) {
        return option.name.empty() ? QString::fromUtf8(instead) : FromUtf8(option.name);
    };
    Button_3Option1->setAccessibleName(name(first, "Erste Option"));
    Button_3Option2->setAccessibleName(name(second, "Zweite Option"));
    if (CurrentPage() != kPageComparisons)
        return;
    // The answer buttons, one of which takes the focus, tell which pair they answer.
    Announce({Button_3Remis, Button_3Option1, Button_3Option2},
             QStringLiteral("Vergleich: %1 oder %2")
                 .arg(name(first, "Erste Option"), name(second, "Zweite Option")));
}

void TForm1::AnnounceResult() {
    const QListWidgetItem* first = ListBox_4Ranking->item(0);
    const QString best = first ? first->data(Qt::AccessibleTextRole).toString() : QString();
    Announce({ListBox_4Ranking}, best.isEmpty()
                                     ? Headline(kPageResult)
                                     : Headline(kPageResult) + QStringLiteral(": ") + best);
}

}  // namespace rangwerk
