#include "ui/qt/ranko1.h"

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
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>

#include <climits>
#include <type_traits>

#include "ui/qt/accessibility.h"
#include "ui/qt/mnemonics.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/ranko1_icons.h"
#include "ui/qt/ranko1_rows.h"
#include "ui/qt/ranko1_widgets.h"
#include "ui_ranko1.h"
#include "ui_ranko1_collect.h"
#include "ui_ranko1_comparison.h"
#include "ui_ranko1_result.h"
#include "ui_ranko1_settings.h"

namespace rangwerk {

namespace {

// A name on a button: shown as typed, an "&" in it is no access key.
QString ButtonCaption(const std::string& name) {
    return FromUtf8(name).replace(u'&', QStringLiteral("&&"));
}

// The model keeps the Windows line breaks of the project files; Qt's edit fields work with
// single line feeds.
QString TextForField(const std::string& text) {
    return FromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QFont WindowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setBold(false);
    return font;
}

// The controls take a text of the model only when it differs, so that the cursor stays where
// the user types.
void ShowText(QLineEdit* edit, const std::string& text) {
    const QString shown = FromUtf8(text);
    if (edit->text() != shown)
        edit->setText(shown);
}

void ShowText(QPlainTextEdit* memo, const std::string& text) {
    const QString shown = TextForField(text);
    if (memo->toPlainText() != shown)
        memo->setPlainText(shown);
}

void ShowItalic(QPushButton* button, bool italic) {
    if (button->font().italic() == italic)
        return;
    QFont font = button->font();
    font.setItalic(italic);
    button->setFont(font);
}

void ShowAccessibleName(QWidget* control, const std::string& name) {
    const QString text = FromUtf8(name);
    if (control->accessibleName() != text)
        control->setAccessibleName(text);
}

int SelectedRow(const QListView* list) {
    const QModelIndexList selected = list->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void ShowSelectedRow(QListView* list, int row) {
    QItemSelectionModel* selection = list->selectionModel();
    if (row < 0) {
        selection->clearSelection();
        return;
    }
    if (SelectedRow(list) != row || list->currentIndex().row() != row)
        selection->setCurrentIndex(list->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect);
}

}  // namespace

TForm1::TForm1(MainWindowModel& model, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model),
      guard_(dialogs),
      ui_(std::make_unique<Ui::Form1>()) {
    // The fixed layout and the captions come from the forms: the window with its start page in
    // ranko1.ui, each further page in a form of its own, made when the page is first shown (a
    // start shows only the start page). Pictures, fonts, colours, the lists' rows and the
    // handlers are set up here.
    ui_->setupUi(this);
    setFont(WindowFont());
    Panel_Headline = ui_->Panel_Headline;
    Notebook = ui_->Notebook;
    Button_Exit = ui_->Button_Exit;
    Button_Restart = ui_->Button_Restart;
    Panel_Save = ui_->Panel_Save;
    SpeedButton_Save = ui_->SpeedButton_Save;
    SpeedButton_0New = ui_->SpeedButton_0New;
    SpeedButton_0Open = ui_->SpeedButton_0Open;
    SpeedButton_0Info = ui_->SpeedButton_0Info;
    SetUpPanel();
    SetUpStartPage();
    ConnectWindowAndStartPage();

    accessKeys_ = new FirstAccessKeyWins(this);
    NameWindowControls();
    // A page that comes on screen by other ways than the model's (a screen reader, say) gets
    // its controls as well.
    connect(Notebook, &QStackedWidget::currentChanged, this, [this](int page) {
        if (!showing_) {
            MakePage(static_cast<MainPage>(page));
            Refresh();
        }
    });
    qApp->installEventFilter(this);
    model_.SetView(this);
    Refresh();
}

TForm1::~TForm1() {
    model_.SetView(nullptr);
    qApp->removeEventFilter(this);
    // The controls outlive the guard and the form; whatever they send while they are taken
    // down reaches no handler.
    for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

void TForm1::MakeControls() {
    for (MainPage page :
         {MainPage::Collect, MainPage::Settings, MainPage::Comparisons, MainPage::Result}) {
        MakePage(page);
    }
    Refresh();
}

void TForm1::MakePage(MainPage page) {
    // What the page's controls send while they are made is no user action.
    const QScopedValueRollback<bool> quiet(showing_, true);
    QWidget* container = Notebook->widget(static_cast<int>(page));
    switch (page) {
        case MainPage::Start:
            return;
        case MainPage::Collect:
            if (collect_)
                return;
            collect_ = std::make_unique<Ui::CollectPage>();
            collect_->setupUi(container);
            Edit_1OptionName = collect_->Edit_1OptionName;
            Memo_1Info = collect_->Memo_1Info;
            Button_1Add = collect_->Button_1Add;
            Button_1Update = collect_->Button_1Update;
            Button_1DelAll = collect_->Button_1DelAll;
            ListView_1Options = collect_->ListView_1Options;
            Button_1Del = collect_->Button_1Del;
            Button_1Up = collect_->Button_1Up;
            Button_1Down = collect_->Button_1Down;
            Button_1Next = collect_->Button_1Next;
            SetUpCollectPage();
            ConnectCollectPage();
            NameAfterLabel(ListView_1Options, collect_->Label_1Options);
            break;
        case MainPage::Settings:
            if (settings_)
                return;
            settings_ = std::make_unique<Ui::SettingsPage>();
            settings_->setupUi(container);
            SpinEdit_2Win = settings_->SpinEdit_2Win;
            SpinEdit_2Remis = settings_->SpinEdit_2Remis;
            SpinEdit_2Defeat = settings_->SpinEdit_2Defeat;
            RadioGroup_2Order = settings_->RadioGroup_2Order;
            CheckBox_2LiveScore = settings_->CheckBox_2LiveScore;
            CheckBox_2KeepOldRanking = settings_->CheckBox_2KeepOldRanking;
            Button_2Back = settings_->Button_2Back;
            Button_2Next = settings_->Button_2Next;
            SetUpSettingsPage();
            ConnectSettingsPage();
            break;
        case MainPage::Comparisons:
            if (comparison_)
                return;
            comparison_ = std::make_unique<Ui::ComparisonPage>();
            comparison_->setupUi(container);
            Button_3Option1 = comparison_->Button_3Option1;
            Button_3ChooseOption1 = comparison_->Button_3ChooseOption1;
            Button_3ChooseOption2 = comparison_->Button_3ChooseOption2;
            Button_3Option2 = comparison_->Button_3Option2;
            Memo_3Option1Info = comparison_->Memo_3Option1Info;
            Memo_3Option2Info = comparison_->Memo_3Option2Info;
            Button_3Remis = comparison_->Button_3Remis;
            SpeedButton_3PreviousComparison = comparison_->SpeedButton_3PreviousComparison;
            SpeedButton_3NextComparison = comparison_->SpeedButton_3NextComparison;
            ListBox_3Ranking = comparison_->ListBox_3Ranking;
            Button_3Back = comparison_->Button_3Back;
            Button_3Next = comparison_->Button_3Next;
            SetUpComparisonPage();
            ConnectComparisonPage();
            NameComparisonControls();
            RebuildChooseMenu();
            break;
        case MainPage::Result:
            if (result_)
                return;
            result_ = std::make_unique<Ui::ResultPage>();
            result_->setupUi(container);
            Button_4Combinations = result_->Button_4Combinations;
            ListBox_4Ranking = result_->ListBox_4Ranking;
            Button_4Back = result_->Button_4Back;
            Button_4Restart = result_->Button_4Restart;
            SetUpResultPage();
            ConnectResultPage();
            NameAfterLabel(ListBox_4Ranking, result_->Label_4Ranking);
            break;
    }
    accessKeys_->Watch(container);
    // Controls made on a page that is on screen already must be shown themselves.
    if (container->isVisible()) {
        for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->show();
    }
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
    optionRows_ = new MainWindowRows(model_, MainList::Options, this);
    ListView_1Options->setModel(optionRows_);
}

void TForm1::SetUpSettingsPage() {
    for (QSpinBox* spin : {SpinEdit_2Win, SpinEdit_2Remis, SpinEdit_2Defeat}) {
        spin->setRange(INT_MIN, INT_MAX);
    }
    RadioGroup_2OrderItems = new QButtonGroup(RadioGroup_2Order);
    // The ids are the query orders.
    QRadioButton* const items[] = {settings_->RadioGroup_2Order_Item0,
                                   settings_->RadioGroup_2Order_Item1,
                                   settings_->RadioGroup_2Order_Item2};
    for (int i = 0; i < 3; ++i) RadioGroup_2OrderItems->addButton(items[i], i);
}

void TForm1::SetUpComparisonPage() {
    for (QPushButton* b : {Button_3ChooseOption1, Button_3ChooseOption2}) {
        b->setIcon(QIcon(ChooseOptionPicture()));
    }
    SpeedButton_3PreviousComparison->setIcon(QIcon(PreviousPairPicture()));
    SpeedButton_3NextComparison->setIcon(QIcon(NextPairPicture()));
    liveRows_ = new MainWindowRows(model_, MainList::LiveRanking, this);
    ListBox_3Ranking->setModel(liveRows_);
    ListBox_3Ranking->setItemDelegate(new RankingRowDelegate(model_, ListBox_3Ranking));
    PopupMenu_3ChooseOption = new QMenu(this);
    PopupMenu_3ChooseOption->setObjectName(QStringLiteral("PopupMenu_3ChooseOption"));
}

void TForm1::SetUpResultPage() {
    resultRows_ = new MainWindowRows(model_, MainList::ResultRanking, this);
    ListBox_4Ranking->setModel(resultRows_);
    ListBox_4Ranking->setItemDelegate(new RankingRowDelegate(model_, ListBox_4Ranking));
}

template <class Intent>
auto TForm1::Action(Intent intent) {
    return guard_.Wrap([this, intent = std::move(intent)](auto&&... arguments) {
        if (showing_)
            return;
        if constexpr (std::is_invocable_v<const Intent&, decltype(arguments)...>) {
            intent(std::forward<decltype(arguments)>(arguments)...);
        } else {
            intent();
        }
    });
}

void TForm1::Click(QAbstractButton* button, void (MainWindowModel::*intent)()) {
    connect(button, &QAbstractButton::clicked, this,
            Action([this, intent] { (model_.*intent)(); }));
}

void TForm1::ConnectWindowAndStartPage() {
    const auto click = [this](QAbstractButton* button, void (MainWindowModel::*intent)()) {
        Click(button, intent);
    };
    click(Button_Exit, &MainWindowModel::Button_ExitClick);
    click(Button_Restart, &MainWindowModel::Button_RestartClick);
    click(SpeedButton_Save, &MainWindowModel::SpeedButton_SaveClick);

    click(SpeedButton_0New, &MainWindowModel::SpeedButton_0NewClick);
    click(SpeedButton_0Open, &MainWindowModel::SpeedButton_0OpenClick);
    click(SpeedButton_0Info, &MainWindowModel::SpeedButton_0InfoClick);
}

void TForm1::ConnectCollectPage() {
    MainWindowModel& m = model_;
    const auto click = [this](QAbstractButton* button, void (MainWindowModel::*intent)()) {
        Click(button, intent);
    };
    connect(Edit_1OptionName, &QLineEdit::textChanged, this,
            Action([&m](const QString& text) { m.EditOptionName(ToUtf8(text)); }));
    connect(Memo_1Info, &QPlainTextEdit::textChanged, this,
            Action([this] { model_.EditOptionInfo(ToUtf8(Memo_1Info->toPlainText())); }));
    connect(ListView_1Options->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            Action([this] { model_.ListView_1OptionsClick(SelectedRow(ListView_1Options)); }));
    // A click on the row that is selected already loads its option again as well.
    connect(ListView_1Options, &QAbstractItemView::clicked, this,
            Action([&m](const QModelIndex& index) { m.ListView_1OptionsClick(index.row()); }));
    click(Button_1Add, &MainWindowModel::Button_1AddClick);
    click(Button_1Update, &MainWindowModel::Button_1UpdateClick);
    click(Button_1Del, &MainWindowModel::Button_1DelClick);
    click(Button_1Up, &MainWindowModel::Button_1UpClick);
    click(Button_1Down, &MainWindowModel::Button_1DownClick);
    click(Button_1DelAll, &MainWindowModel::Button_1DelAllClick);
    click(Button_1Next, &MainWindowModel::Button_1NextClick);
}

void TForm1::ConnectSettingsPage() {
    MainWindowModel& m = model_;
    const auto click = [this](QAbstractButton* button, void (MainWindowModel::*intent)()) {
        Click(button, intent);
    };
    const std::pair<PointsField*, ScoreField> points[] = {{SpinEdit_2Win, ScoreField::Win},
                                                          {SpinEdit_2Remis, ScoreField::Remis},
                                                          {SpinEdit_2Defeat, ScoreField::Defeat}};
    for (const auto& [spin, field] : points) {
        // Every text goes to the model as it stands. The spin field reports the values set
        // through it and typed whole numbers, its edit line every typed text.
        const auto toModel = [&m, field = field](const QString& text) {
            m.EditPointsField(field, ToUtf8(text));
        };
        connect(spin, &QSpinBox::textChanged, this, Action(toModel));
        connect(spin->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, Action(toModel));
        spin->onStep = [this, field = field](int steps) {
            guard_.Run([&] { model_.StepPointsField(field, steps); });
        };
    }
    connect(RadioGroup_2OrderItems, &QButtonGroup::idToggled, this,
            Action([&m](int id, bool checked) {
                if (checked)
                    m.RadioGroup_2OrderClick(static_cast<QueryOrder>(id));
            }));
    connect(CheckBox_2LiveScore, &QCheckBox::toggled, this,
            Action([&m](bool on) { m.CheckBox_2LiveScoreClick(on); }));
    connect(CheckBox_2KeepOldRanking, &QCheckBox::toggled, this,
            Action([&m](bool on) { m.CheckBox_2KeepOldRankingClick(on); }));
    click(Button_2Back, &MainWindowModel::Button_2_3_4BackClick);
    click(Button_2Next, &MainWindowModel::Button_2NextClick);
}

void TForm1::ConnectComparisonPage() {
    MainWindowModel& m = model_;
    const auto click = [this](QAbstractButton* button, void (MainWindowModel::*intent)()) {
        Click(button, intent);
    };
    click(Button_3Option1, &MainWindowModel::Button_3Option1Click);
    click(Button_3Option2, &MainWindowModel::Button_3Option2Click);
    click(Button_3Remis, &MainWindowModel::Button_3RemisClick);
    click(Button_3ChooseOption1, &MainWindowModel::Button_3ChooseOption1Click);
    click(Button_3ChooseOption2, &MainWindowModel::Button_3ChooseOption2Click);
    click(SpeedButton_3PreviousComparison, &MainWindowModel::SpeedButton_3PreviousComparisonClick);
    click(SpeedButton_3NextComparison, &MainWindowModel::SpeedButton_3NextComparisonClick);
    const std::pair<QPlainTextEdit*, PairSide> infos[] = {{Memo_3Option1Info, PairSide::First},
                                                          {Memo_3Option2Info, PairSide::Second}};
    for (const auto& [memo, side] : infos) {
        connect(memo, &QPlainTextEdit::textChanged, this, Action([&m, memo = memo, side = side] {
                    m.EditInfoField(side, ToUtf8(memo->toPlainText()));
                }));
    }
    click(Button_3Back, &MainWindowModel::Button_2_3_4BackClick);
    click(Button_3Next, &MainWindowModel::Button_3NextClick);
}

void TForm1::ConnectResultPage() {
    const auto click = [this](QAbstractButton* button, void (MainWindowModel::*intent)()) {
        Click(button, intent);
    };
    click(Button_4Combinations, &MainWindowModel::Button_4CombinationsClick);
    click(Button_4Back, &MainWindowModel::Button_2_3_4BackClick);
    click(Button_4Restart, &MainWindowModel::Button_4RestartClick);
}

// ---------------------------------------------------------------------------------------------
// Showing the model

int TForm1::CurrentPage() const {
    return Notebook->currentIndex();
}

QWidget* TForm1::Control(MainControl control) const {
    switch (control) {
        case MainControl::None:
            break;
        case MainControl::Edit_1OptionName:
            return Edit_1OptionName;
        case MainControl::Button_1Add:
            return Button_1Add;
        case MainControl::Button_3Option1:
            return Button_3Option1;
        case MainControl::Button_3Remis:
            return Button_3Remis;
        case MainControl::Button_3Option2:
            return Button_3Option2;
    }
    return nullptr;
}

void TForm1::Refresh() {
    const MainWindowScreen& s = model_.Screen();
    const QScopedValueRollback<bool> quiet(showing_, true);
    MakePage(s.page);
    setWindowTitle(FromUtf8(s.caption));
    Panel_Headline->setText(FromUtf8(s.headline));
    Notebook->setCurrentIndex(static_cast<int>(s.page));
    Button_Restart->setVisible(s.restartVisible);
    Panel_Save->setVisible(s.saveVisible);

    // A page that was never shown has no controls yet; it shows the screen once it is made.
    if (collect_) {
        Button_1Add->setDefault(s.defaultButton == MainControl::Button_1Add);
        ShowText(Edit_1OptionName, s.optionName);
        ShowText(Memo_1Info, s.optionInfo);
        ShowSelectedRow(ListView_1Options, s.selectedOption);
        Button_1Update->setEnabled(s.updateEnabled);
        Button_1Del->setEnabled(s.deleteEnabled);
        Button_1Up->setEnabled(s.upEnabled);
        Button_1Down->setEnabled(s.downEnabled);
    }

    if (settings_) {
        PointsField* const fields[] = {SpinEdit_2Win, SpinEdit_2Remis, SpinEdit_2Defeat};
        for (std::size_t i = 0; i < 3; ++i) fields[i]->ShowText(FromUtf8(s.points[i]));
        if (s.queryOrder == QueryOrder::None) {
            RadioGroup_2OrderItems->setExclusive(false);
            for (QAbstractButton* item : RadioGroup_2OrderItems->buttons()) item->setChecked(false);
            RadioGroup_2OrderItems->setExclusive(true);
        } else if (QAbstractButton* item =
                       RadioGroup_2OrderItems->button(static_cast<int>(s.queryOrder))) {
            item->setChecked(true);
        }
        CheckBox_2LiveScore->setChecked(s.liveScore);
        CheckBox_2KeepOldRanking->setChecked(s.keepOldRanking);
    }

    if (comparison_) {
        QPushButton* const options[] = {Button_3Option1, Button_3Option2};
        QPlainTextEdit* const infos[] = {Memo_3Option1Info, Memo_3Option2Info};
        for (std::size_t i = 0; i < 2; ++i) {
            options[i]->setText(ButtonCaption(s.pairNames[i]));
            ShowAccessibleName(options[i], s.pairSpokenNames[i]);
            ShowText(infos[i], s.pairInfos[i]);
        }
        ShowItalic(Button_3Option1, s.italicAnswer == AnswerButton::Option1);
        ShowItalic(Button_3Remis, s.italicAnswer == AnswerButton::Remis);
        ShowItalic(Button_3Option2, s.italicAnswer == AnswerButton::Option2);
        ListBox_3Ranking->setVisible(s.liveRankingVisible);
    }

    if (s.announcementRequest != announcementRequest_) {
        announcementRequest_ = s.announcementRequest;
        const QString text = FromUtf8(s.announcement);
        if (s.announced == Announcement::Pair && comparison_) {
            Announce({Button_3Remis, Button_3Option1, Button_3Option2}, text);
        } else if (s.announced != Announcement::Pair && result_) {
            Announce({ListBox_4Ranking}, text);
        }
    }
    if (s.focusRequest != focusRequest_) {
        focusRequest_ = s.focusRequest;
        if (QWidget* control = Control(s.focus))
            control->setFocus();
    }
}

void TForm1::ListChanged(MainList list, const ListChange& change) {
    const QScopedValueRollback<bool> quiet(showing_, true);
    // The lists of a page that was never shown read their rows when the page is made.
    switch (list) {
        case MainList::Options:
            if (collect_)
                optionRows_->Apply(change);
            break;
        case MainList::LiveRanking:
            if (!comparison_)
                break;
            liveRows_->Apply(change);
            if (change.kind == ListChange::Kind::Repaint)
                ListBox_3Ranking->viewport()->update();
            break;
        case MainList::ResultRanking:
            if (!result_)
                break;
            resultRows_->Apply(change);
            if (change.kind == ListChange::Kind::Repaint)
                ListBox_4Ranking->viewport()->update();
            break;
        case MainList::ChooseMenu:
            if (comparison_)
                RebuildChooseMenu();
            break;
    }
}

void TForm1::RebuildChooseMenu() {
    PopupMenu_3ChooseOption->clear();
    for (QActionGroup* group : PopupMenu_3ChooseOption->findChildren<QActionGroup*>()) {
        delete group;
    }
    auto* group = new QActionGroup(PopupMenu_3ChooseOption);
    group->setExclusive(true);
    const std::vector<ChooseMenuItem>& items = model_.Screen().chooseMenu;
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* item = PopupMenu_3ChooseOption->addAction(ButtonCaption(items[i].caption));
        item->setCheckable(true);
        group->addAction(item);
        const int position = static_cast<int>(i);
        connect(item, &QAction::triggered, this,
                Action([this, position] { model_.MenuItem_3ChooseOption(position); }));
    }
}

void TForm1::PopUpChooseMenu(PairSide side) {
    const std::vector<ChooseMenuItem>& items = model_.Screen().chooseMenu;
    const QList<QAction*> actions = PopupMenu_3ChooseOption->actions();
    for (qsizetype i = 0; i < actions.size() && static_cast<std::size_t>(i) < items.size(); ++i) {
        actions[i]->setVisible(items[static_cast<std::size_t>(i)].visible);
        actions[i]->setChecked(items[static_cast<std::size_t>(i)].checked);
    }
    // Opening downwards from the bottom-left corner of the button.
    QWidget* button = side == PairSide::First ? Button_3ChooseOption1 : Button_3ChooseOption2;
    PopupMenu_3ChooseOption->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TForm1::CloseWindow() {
    close();
}

// ---------------------------------------------------------------------------------------------
// Events

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
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter presses the page's default button, except in the controls that take it
        // themselves: a field of several lines and a button.
        QWidget* focused = focusWidget();
        auto* defaultButton = qobject_cast<QPushButton*>(Control(model_.Screen().defaultButton));
        if (plain && enter && defaultButton && !qobject_cast<QPlainTextEdit*>(focused) &&
            !qobject_cast<QAbstractButton*>(focused)) {
            defaultButton->click();
            return true;
        }
        // Every key reaches the window before the focused control, and goes on to it.
        if (plain)
            guard_.Run([&] { model_.FormKeyPress(ToUtf8(key->text())); });
        return false;
    }
    const bool focusIn = event->type() == QEvent::FocusIn;
    if ((focusIn || event->type() == QEvent::FocusOut) &&
        (watched == Memo_3Option1Info || watched == Memo_3Option2Info)) {
        // Leaving the field is an action of its own, or part of the action that moved the focus.
        const PairSide side = watched == Memo_3Option1Info ? PairSide::First : PairSide::Second;
        guard_.Run([&] {
            if (focusIn) {
                model_.InfoFieldEntered(side);
            } else {
                model_.InfoFieldLeft(side);
            }
        });
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Screen readers

void TForm1::NameWindowControls() {
    // The labels beside the buttons that describe them.
    NameAfterLabel(SpeedButton_0New, ui_->Label_0New);
    NameAfterLabel(SpeedButton_0Open, ui_->Label_0Open);
    NameAfterLabel(SpeedButton_0Info, ui_->Label_0Info);
    SpeedButton_Save->setAccessibleName(QStringLiteral("Projekt speichern"));
}

void TForm1::NameComparisonControls() {
    // The pair buttons are named after their options, as the model says.
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

}  // namespace rangwerk
