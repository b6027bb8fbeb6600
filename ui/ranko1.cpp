#include "ui/ranko1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <qdrawutil.h>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <climits>

#include "platform/system.h"
#include "ui/accessibility.h"
#include "drawing/drawing.h"
#include "ui/mnemonics.h"
#include "ui/qt_text.h"
#include "drawing/ranking_row.h"
#include "ui/ranko1_icons.h"
#include "drawing/spoken_row.h"

namespace rangwerk {

namespace {

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 361;
constexpr int kHeadlineHeight = 41;
constexpr int kPageHeight = 320;
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

template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int left,
                    int top, int width, int height) {
    auto* button = Place(new QPushButton(caption, parent), name, left, top, width, height);
    // Enter presses the focused button, as with every button of the system.
    button->setAutoDefault(true);
    return button;
}

QLabel* Text(QWidget* parent, const QString& text, int left, int top, int width, int height,
             bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(left, top, width, height);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void Separator(QWidget* page) {
    auto* line = new QFrame(page);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 280, kClientWidth, 2);
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, int left, int top, int width,
                     int height) {
    auto* memo = Place(new QPlainTextEdit(parent), name, left, top, width, height);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setTabChangesFocus(true);
    return memo;
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

// A group box drawn as the desktop of the window layout draws it: the frame line runs through
// the middle of the caption at the box's top, the caption cuts the line, and the controls keep
// their places inside. (The style here would put the caption above a frame that starts only
// below it.)
class CaptionedGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // Distance of the caption from the left edge, and its margin on either side.
    static constexpr int kCaptionLeft = 8;
    static constexpr int kCaptionMargin = 2;

    // The frame's top line, in the box's own coordinates.
    static int FrameTop(const QFontMetrics& metrics) { return metrics.height() / 2; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        // An etched frame, like the separator lines of the pages.
        qDrawShadeRect(&painter, rect().adjusted(0, FrameTop(metrics), 0, 0), palette(), true);

        const QString caption = title();
        if (caption.isEmpty()) return;
        QString shown = caption;
        shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const QRect area(kCaptionLeft, 0, metrics.horizontalAdvance(shown) + 2 * kCaptionMargin,
                         metrics.height());
        painter.fillRect(area, palette().brush(backgroundRole()));
        style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), caption, QPalette::WindowText);
    }
};

// A points field: a spin field whose text is whatever the user left in it, empty included; a
// text that is not a whole number counts as 0. Leaving the field, pressing Enter or showing the
// page again never puts an older number back, so the text shown is always the one counted.
class PointsField : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    // The program's own values are shown as plain numbers.
    void ShowPoints(int points) {
        setValue(points);
        const QString number = QSpinBox::textFromValue(points);
        if (lineEdit()->text() != number) lineEdit()->setText(number);
    }

protected:
    // Digits and signs may be typed in any order; every such text is taken as it stands.
    QValidator::State validate(QString& text, int&) const override {
        for (QChar c : text) {
            if ((c < u'0' || c > u'9') && c != u'-' && c != u'+') return QValidator::Invalid;
        }
        return QValidator::Acceptable;
    }
    int valueFromText(const QString& text) const override { return PointsFromText(ToUtf8(text)); }
    // The field's own text stays while it counts as the value; the arrows and the program show
    // other values as numbers.
    QString textFromValue(int value) const override {
        const QString shown = lineEdit()->text();
        if (valueFromText(shown) == value) return shown;
        return QSpinBox::textFromValue(value);
    }
};

}  // namespace

QString TForm1::Headline(int page) {
    switch (page) {
        case kPageStart: return QStringLiteral("Neues Projekt oder Projekt öffnen");
        case kPageCollect: return QStringLiteral("Sammeln der Optionen");
        case kPageSettings: return QStringLiteral("Festlegen der Einstellungen");
        case kPageComparisons: return QStringLiteral("Vergleich der Optionen");
        case kPageResult: return QStringLiteral("Ergebnis");
    }
    return {};
}

TForm1::TForm1(Project& project, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      project_(project),
      dialogs_(dialogs),
      seed_(&SystemSeed) {
    setObjectName(QStringLiteral("Form1"));
    setFont(WindowFont());
    setFixedSize(kClientWidth, kClientHeight);
    ShowTitleCaption();

    CreatePanel();

    Notebook = Place(new QStackedWidget(this), "Notebook", 0, kHeadlineHeight, kClientWidth,
                     kPageHeight);
    const char* pageNames[] = {"Start", "Sammeln", "Optionen", "Vergleiche", "Ergebnis"};
    for (const char* name : pageNames) {
        auto* page = new QWidget(Notebook);
        page->setObjectName(QString::fromLatin1(name));
        Notebook->addWidget(page);
    }
    CreateStartPage(Notebook->widget(kPageStart));
    CreateCollectPage(Notebook->widget(kPageCollect));
    CreateSettingsPage(Notebook->widget(kPageSettings));
    CreateComparisonPage(Notebook->widget(kPageComparisons));
    CreateResultPage(Notebook->widget(kPageResult));

    // The bottom row lies over the page area.
    Button_Exit = Button(this, "Button_Exit", QStringLiteral("Ende"), 8, 328, 81, 25);
    Button_Restart =
        Button(this, "Button_Restart", QStringLiteral("Startbildschirm"), 96, 328, 81, 25);
    Panel_Save = Place(new QFrame(this), "Panel_Save", 184, 328, 27, 25);
    SpeedButton_Save = Place(new QToolButton(Panel_Save), "SpeedButton_Save", 0, 0, 27, 25);
    SpeedButton_Save->setIcon(QIcon(SavePicture()));
    SpeedButton_Save->setIconSize(QSize(16, 16));
    SpeedButton_Save->setFocusPolicy(Qt::NoFocus);
    SpeedButton_Save->setAutoRaise(false);
    for (QWidget* w : {static_cast<QWidget*>(Button_Exit), static_cast<QWidget*>(Button_Restart),
                       static_cast<QWidget*>(Panel_Save)}) {
        w->raise();
    }
    connect(Button_Exit, &QPushButton::clicked, this, [this] { Button_ExitClick(); });
    connect(Button_Restart, &QPushButton::clicked, this, [this] { Button_RestartClick(); });
    connect(SpeedButton_Save, &QToolButton::clicked, this, [this] { SpeedButton_SaveClick(); });

    PopupMenu_3ChooseOption = new QMenu(this);
    PopupMenu_3ChooseOption->setObjectName(QStringLiteral("PopupMenu_3ChooseOption"));

    new FirstAccessKeyWins(this);
    NameControls();
    ReloadSettingsFromProject();
    project_.run.SetListener(this);
    qApp->installEventFilter(this);
    ShowPage(kPageStart);
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    project_.run.SetListener(nullptr);
}

void TForm1::CreatePanel() {
    Panel_Headline = Place(new QLabel(this), "Panel_Headline", 0, 0, kClientWidth,
                           kHeadlineHeight);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    Panel_Headline->setFont(font);
    QPalette palette = Panel_Headline->palette();
    palette.setColor(QPalette::Window, QColor(123, 157, 221));
    palette.setColor(QPalette::WindowText, Qt::white);
    Panel_Headline->setPalette(palette);
    Panel_Headline->setAutoFillBackground(true);
    Panel_Headline->setAlignment(Qt::AlignCenter);
}

void TForm1::CreateStartPage(QWidget* page) {
    Text(page,
         QStringLiteral("Sie können entweder ein neues Projekt starten oder ein zuvor "
                        "gespeichertes Projekt öffnen."),
         8, 16, 404, 30, true);
    struct Entry {
        QToolButton** button;
        const char* name;
        QString label;
        QPixmap picture;
        int top;
    };
    const Entry entries[] = {
        {&SpeedButton_0New, "SpeedButton_0New", QStringLiteral("Neues Projekt beginnen"),
         NewProjectPicture(), 64},
        {&SpeedButton_0Open, "SpeedButton_0Open", QStringLiteral("Gespeichertes Projekt öffnen"),
         OpenProjectPicture(), 120},
        {&SpeedButton_0Info, "SpeedButton_0Info", QStringLiteral("Information"),
         InformationPicture(), 200},
    };
    QFont bold = WindowFont();
    bold.setBold(true);
    for (const Entry& e : entries) {
        auto* button = Place(new QToolButton(page), e.name, 24, e.top, 57, 49);
        button->setIcon(QIcon(e.picture));
        button->setIconSize(e.picture.size());
        button->setFocusPolicy(Qt::NoFocus);
        *e.button = button;
        QLabel* label = Text(page, e.label, 96, e.top, 300, 49);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setFont(bold);
    }
    Separator(page);
    connect(SpeedButton_0New, &QToolButton::clicked, this, [this] { SpeedButton_0NewClick(); });
    connect(SpeedButton_0Open, &QToolButton::clicked, this, [this] { SpeedButton_0OpenClick(); });
    connect(SpeedButton_0Info, &QToolButton::clicked, this, [this] { SpeedButton_0InfoClick(); });
}

void TForm1::CreateCollectPage(QWidget* page) {
    Text(page,
         QStringLiteral("Sammeln Sie zunächst alle Optionen, zwischen denen Sie sich "
                        "entscheiden wollen."),
         8, 4, 404, 30, true);
    QLabel* nameLabel = Text(page, QStringLiteral("&Name der Option:"), 8, 40, 177, 14);
    Edit_1OptionName = Place(new QLineEdit(page), "Edit_1OptionName", 8, 56, 177, 22);
    nameLabel->setBuddy(Edit_1OptionName);
    QLabel* infoLabel = Text(page, QStringLiteral("Weitere &Informationen:"), 8, 96, 177, 14);
    Memo_1Info = Memo(page, "Memo_1Info", 8, 112, 177, 129);
    infoLabel->setBuddy(Memo_1Info);
    Button_1Add = Button(page, "Button_1Add", QStringLiteral("&Hinzufügen"), 8, 248, 81, 25);
    Button_1Add->setDefault(true);
    Button_1Update =
        Button(page, "Button_1Update", QStringLiteral("&Aktualisieren"), 104, 248, 83, 25);

    Text(page, QStringLiteral("Liste der Optionen:"), 216, 40, 95, 14);
    Button_1DelAll =
        Button(page, "Button_1DelAll", QStringLiteral("Alles löschen"), 312, 36, 97, 17);
    ListView_1Options = Place(new QListWidget(page), "ListView_1Options", 216, 56, 193, 185);
    ListView_1Options->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_1Options->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView_1Options->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView_1Options->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The selection stays visible when the list loses the focus.
    QPalette palette = ListView_1Options->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    ListView_1Options->setPalette(palette);
    Button_1Del = Button(page, "Button_1Del", QStringLiteral("Ent&fernen"), 216, 248, 75, 25);
    Button_1Up = Button(page, "Button_1Up", QStringLiteral("&Hoch"), 304, 248, 49, 25);
    Button_1Down = Button(page, "Button_1Down", QStringLiteral("&Runter"), 360, 248, 49, 25);
    Separator(page);
    Button_1Next = Button(page, "Button_1Next", QStringLiteral("Weiter >"), 336, 288, 75, 25);

    for (QPushButton* b : {Button_1Update, Button_1Del, Button_1Up, Button_1Down}) {
        b->setEnabled(false);
    }
    connect(Button_1Add, &QPushButton::clicked, this, [this] { Button_1AddClick(Button_1Add); });
    connect(Button_1Update, &QPushButton::clicked, this,
            [this] { Button_1AddClick(Button_1Update); });
    connect(ListView_1Options, &QListWidget::itemSelectionChanged, this,
            [this] { ListView_1OptionsClick(); });
    // A click on the row that is selected already loads its option again as well.
    connect(ListView_1Options, &QListWidget::itemClicked, this,
            [this] { ListView_1OptionsClick(); });
    connect(Button_1Del, &QPushButton::clicked, this, [this] { Button_1DelClick(); });
    connect(Button_1Up, &QPushButton::clicked, this, [this] { Button_1UpDownClick(Button_1Up); });
    connect(Button_1Down, &QPushButton::clicked, this,
            [this] { Button_1UpDownClick(Button_1Down); });
    connect(Button_1DelAll, &QPushButton::clicked, this, [this] { Button_1DelAllClick(); });
    connect(Button_1Next, &QPushButton::clicked, this, [this] { Button_1NextClick(); });
}

void TForm1::CreateSettingsPage(QWidget* page) {
    Text(page,
         QStringLiteral("Legen Sie die Einstellungen fest, die beim Ermitteln der Rangfolge "
                        "der gesammelten Optionen angewandt werden sollen."),
         8, 4, 404, 30, true);
    auto* points = Place(new CaptionedGroupBox(QStringLiteral("Punkteverteilung"), page),
                         "GroupBox_2Points", 8, 40, 402, 97);
    struct Field {
        QSpinBox** spin;
        const char* name;
        QString label;
        int top;
        std::int32_t ScoreSettings::*value;
    };
    const Field fields[] = {
        {&SpinEdit_2Win, "SpinEdit_2Win", QStringLiteral("Punkte für &überlegene Option:"), 20,
         &ScoreSettings::superior},
        {&SpinEdit_2Remis, "SpinEdit_2Remis",
         QStringLiteral("Punkte für &gleichgestellte Option:"), 44, &ScoreSettings::tie},
        {&SpinEdit_2Defeat, "SpinEdit_2Defeat",
         QStringLiteral("Punkte für &unterlegene Option:"), 68, &ScoreSettings::inferior},
    };
    for (const Field& f : fields) {
        QLabel* label = Text(points, f.label, 12, f.top + 4, 160, 16);
        auto* spin = Place(new PointsField(points), f.name, 176, f.top, 81, 23);
        spin->setRange(INT_MIN, INT_MAX);
        spin->setSingleStep(1);
        spin->setKeyboardTracking(true);
        label->setBuddy(spin);
        *f.spin = spin;
        // Every change of the text goes to the project at once, also while it is no whole
        // number yet (then it counts 0), so the points are always those on screen.
        const auto member = f.value;
        // The spin field reports values set by the program and typed whole numbers, its edit
        // line every typed text.
        const auto toProject = [this, member](const QString& t) {
            Guarded([&] { project_.scores.*member = PointsFromText(ToUtf8(t)); });
        };
        connect(spin, &QSpinBox::textChanged, this, toProject);
        connect(spin->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, toProject);
    }

    RadioGroup_2Order =
        Place(new CaptionedGroupBox(QStringLiteral("&Reihenfolge der Abfrage"), page),
              "RadioGroup_2Order", 8, 144, 401, 81);
    RadioGroup_2OrderItems = new QButtonGroup(RadioGroup_2Order);
    const QString items[] = {QStringLiteral("Reihenfolge nicht verändern"),
                             QStringLiteral("Alphabetisch anordnen"),
                             QStringLiteral("Optionen zufällig anordnen")};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(items[i], RadioGroup_2Order);
        radio->setObjectName(QStringLiteral("RadioGroup_2Order_Item%1").arg(i));
        radio->setGeometry(10, 18 + 19 * i, 380, 17);
        RadioGroup_2OrderItems->addButton(radio, i);
    }
    connect(RadioGroup_2OrderItems, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) project_.queryOrder = static_cast<QueryOrder>(id);
    });

    CheckBox_2LiveScore = Place(
        new QCheckBox(QStringLiteral("&Zwischenstände während der Vergleiche einblenden"), page),
        "CheckBox_2LiveScore", 8, 232, 401, 17);
    CheckBox_2KeepOldRanking = Place(
        new QCheckBox(QStringLiteral("Bereits getroffene Entscheidungen &beibehalten"), page),
        "CheckBox_2KeepOldRanking", 8, 256, 401, 17);
    connect(CheckBox_2LiveScore, &QCheckBox::toggled, this,
            [this](bool on) { project_.liveScore = on; });
    connect(CheckBox_2KeepOldRanking, &QCheckBox::toggled, this,
            [this](bool on) { project_.keepOldRanking = on; });

    Separator(page);
    Button_2Back = Button(page, "Button_2Back", QStringLiteral("< Zurück"), 256, 288, 75, 25);
    Button_2Next = Button(page, "Button_2Next", QStringLiteral("Weiter >"), 336, 288, 75, 25);
    connect(Button_2Back, &QPushButton::clicked, this, [this] { Button_2_3_4BackClick(); });
    connect(Button_2Next, &QPushButton::clicked, this, [this] { Button_2NextClick(); });
}

void TForm1::CreateComparisonPage(QWidget* page) {
    Text(page,
         QStringLiteral("Wählen Sie, welche der beiden folgenden Optionen der anderen überlegen "
                        "ist. Falls Sie sich nicht entscheiden können, klicken Sie auf "
                        "\"Unentschieden\"."),
         8, 4, 404, 40, true);
    Button_3Option1 = Button(page, "Button_3Option1", QString(), 8, 48, 161, 25);
    Button_3ChooseOption1 = Button(page, "Button_3ChooseOption1", QString(), 176, 48, 25, 25);
    auto* dash = Text(page, QStringLiteral("–"), 207, 52, 10, 16);
    dash->setObjectName(QStringLiteral("Label_3Dash"));
    Button_3ChooseOption2 = Button(page, "Button_3ChooseOption2", QString(), 219, 48, 25, 25);
    Button_3Option2 = Button(page, "Button_3Option2", QString(), 251, 48, 161, 25);
    for (QPushButton* b : {Button_3ChooseOption1, Button_3ChooseOption2}) {
        b->setIcon(QIcon(ChooseOptionPicture()));
        b->setIconSize(QSize(11, 7));
    }
    Memo_3Option1Info = Memo(page, "Memo_3Option1Info", 8, 80, 153, 89);
    Button_3Remis =
        Button(page, "Button_3Remis", QStringLiteral("&Unentschieden"), 168, 80, 83, 25);
    SpeedButton_3PreviousComparison = Place(new QToolButton(page),
                                            "SpeedButton_3PreviousComparison", 168, 120, 41, 46);
    SpeedButton_3NextComparison =
        Place(new QToolButton(page), "SpeedButton_3NextComparison", 210, 120, 41, 46);
    SpeedButton_3PreviousComparison->setText(QStringLiteral("&Zurück"));
    SpeedButton_3PreviousComparison->setIcon(QIcon(PreviousPairPicture()));
    SpeedButton_3NextComparison->setText(QStringLiteral("&Weiter"));
    SpeedButton_3NextComparison->setIcon(QIcon(NextPairPicture()));
    for (QToolButton* b : {SpeedButton_3PreviousComparison, SpeedButton_3NextComparison}) {
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIconSize(QSize(20, 18));
        // Image buttons take no focus.
        b->setFocusPolicy(Qt::NoFocus);
    }
    Memo_3Option2Info = Memo(page, "Memo_3Option2Info", 259, 80, 153, 89);
    ListBox_3Ranking = CreateRankingList(page, "ListBox_3Ranking", QRect(8, 176, 404, 97));
    Separator(page);
    Button_3Back = Button(page, "Button_3Back", QStringLiteral("< Zurück"), 256, 288, 75, 25);
    Button_3Next = Button(page, "Button_3Next", QStringLiteral("Übersicht >"), 336, 288, 75, 25);

    connect(Button_3Option1, &QPushButton::clicked, this,
            [this] { Button_3OptionClick(Button_3Option1); });
    connect(Button_3Option2, &QPushButton::clicked, this,
            [this] { Button_3OptionClick(Button_3Option2); });
    connect(Button_3Remis, &QPushButton::clicked, this, [this] { Button_3RemisClick(); });
    connect(Button_3ChooseOption1, &QPushButton::clicked, this,
            [this] { Button_3ChooseOptionClick(Button_3ChooseOption1); });
    connect(Button_3ChooseOption2, &QPushButton::clicked, this,
            [this] { Button_3ChooseOptionClick(Button_3ChooseOption2); });
    connect(SpeedButton_3PreviousComparison, &QToolButton::clicked, this,
            [this] { SpeedButton_3ChangeComparisonClick(SpeedButton_3PreviousComparison); });
    connect(SpeedButton_3NextComparison, &QToolButton::clicked, this,
            [this] { SpeedButton_3ChangeComparisonClick(SpeedButton_3NextComparison); });
    connect(Button_3Back, &QPushButton::clicked, this, [this] { Button_2_3_4BackClick(); });
    connect(Button_3Next, &QPushButton::clicked, this, [this] { Button_3NextClick(); });
}

void TForm1::CreateResultPage(QWidget* page) {
    Text(page, QStringLiteral("Reihenfolge der Optionen:"), 8, 14, 200, 14);
    Button_4Combinations = Button(page, "Button_4Combinations",
                                  QStringLiteral("Kombinationen..."), 312, 0, 107, 25);
    ListBox_4Ranking = CreateRankingList(page, "ListBox_4Ranking", QRect(8, 32, 404, 241));
    Separator(page);
    Button_4Back = Button(page, "Button_4Back", QStringLiteral("< Zurück"), 256, 288, 75, 25);
    Button_4Restart =
        Button(page, "Button_4Restart", QStringLiteral("Zum Anfang"), 336, 288, 75, 25);
    connect(Button_4Combinations, &QPushButton::clicked, this,
            [this] { Button_4CombinationsClick(); });
    connect(Button_4Back, &QPushButton::clicked, this, [this] { Button_2_3_4BackClick(); });
    connect(Button_4Restart, &QPushButton::clicked, this, [this] { Button_4RestartClick(); });
}

QListWidget* TForm1::CreateRankingList(QWidget* page, const char* name, const QRect& place) {
    auto* list = Place(new QListWidget(page), name, place.left(), place.top(), place.width(),
                       place.height());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setItemDelegate(new RankingRowDelegate(this, list));
    return list;
}

// ---------------------------------------------------------------------------------------------
// Window-wide

int TForm1::CurrentPage() const { return Notebook->currentIndex(); }

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

void TForm1::ShowTitleCaption() { setWindowTitle(QString::fromUtf8(kApplicationTitle)); }

void TForm1::ShowFileCaption(const std::string& projectFileName) {
    // The file name without its folder, whichever separator the path uses.
    const std::size_t slash = projectFileName.find_last_of("/\\");
    const std::string name =
        slash == std::string::npos ? projectFileName : projectFileName.substr(slash + 1);
    setWindowTitle(QString::fromUtf8(kApplicationTitle) + QStringLiteral(" - [") +
                   FromUtf8(name) + u']');
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
    if (event->isAccepted()) emit Closed();
}

bool TForm1::KeyGoesToFocusWidget(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
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
        if (plain) FormKeyPress(key->text());
        // The key goes on to the focused control.
        return false;
    }
    if (event->type() == QEvent::FocusOut &&
        (watched == Memo_3Option1Info || watched == Memo_3Option2Info)) {
        Memo_3OptionInfoExit(watched);
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::FormKeyPress(const QString& text) {
    if (CurrentPage() != kPageComparisons) return false;
    if (focusWidget() == Memo_3Option1Info || focusWidget() == Memo_3Option2Info) return false;
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
    Guarded([&] { close(); });
}

void TForm1::Button_RestartClick() {
    Guarded([&] {
        if (CombinationView* view = project_.View()) view->CloseWindow();
        project_.DiscardAll();
        SetRankingRows(0);
        ListBox_4Ranking->clear();
        Button_Restart->hide();
        ShowTitleCaption();
        ShowPage(kPageStart);
    });
}

// ---------------------------------------------------------------------------------------------
// Start page

void TForm1::SpeedButton_0NewClick() {
    Guarded([&] {
        // The start page is reached with empty lists only; should anything be left, it goes.
        project_.DiscardAll();
        Edit_1OptionName->clear();
        Memo_1Info->clear();
        ListView_1Options->clear();
        project_.BeginNew();
        ReloadSettingsFromProject();
        ResetAnswerFonts();
        ShowPage(kPageCollect);
        if (CombinationView* view = project_.View()) view->SetPage(0);
        Edit_1OptionName->setFocus();
    });
}

void TForm1::SpeedButton_0InfoClick() {
    Guarded([&] {
        if (onInfo) onInfo();
    });
}

// ---------------------------------------------------------------------------------------------
// Collect page

int TForm1::SelectedOptionRow() const {
    const QList<QListWidgetItem*> selected = ListView_1Options->selectedItems();
    return selected.isEmpty() ? -1 : ListView_1Options->row(selected.front());
}

void TForm1::SelectOptionRow(int row) {
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
    Guarded([&] {
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
    });
}

void TForm1::Button_1AddClick(QObject* sender) {
    Guarded([&] {
        const std::string name = ToUtf8(Edit_1OptionName->text());
        const std::string info = InfoFromField(Memo_1Info->toPlainText());
        if (sender == Button_1Update) {
            const int row = SelectedOptionRow();
            if (row < 0) return;
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
    });
}

void TForm1::Button_1DelClick() {
    Guarded([&] {
        const int row = SelectedOptionRow();
        if (row < 0) return;
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
    });
}

void TForm1::Button_1UpDownClick(QObject* sender) {
    Guarded([&] {
        const int row = SelectedOptionRow();
        const bool up = sender == Button_1Up;
        const int target = up ? row - 1 : row + 1;
        if (row < 0 || target < 0 || target >= ListView_1Options->count()) return;
        project_.options.MoveOption(static_cast<std::size_t>(row), up);
        const QString moved = ListView_1Options->item(row)->text();
        ListView_1Options->item(row)->setText(ListView_1Options->item(target)->text());
        ListView_1Options->item(target)->setText(moved);
        SelectOptionRow(target);
        ListView_1OptionsClick();
    });
}

void TForm1::Button_1DelAllClick() {
    Guarded([&] {
        if (project_.RemovingAllNeedsQuestion() &&
            dialogs_.ShowMessage(WarningQuestion(kRemoveAllQuestion)) != MessageButton::Yes) {
            return;
        }
        ListView_1Options->clear();
        project_.RemoveAllOptions();
        ListView_1OptionsClick();
    });
}

void TForm1::Button_1NextClick() {
    Guarded([&] {
        if (project_.options.Count() < 2) {
            dialogs_.ShowMessage(RefusalBox("Sie müssen mindestens zwei Optionen angeben.",
                                            "Zu wenige Optionen"));
            return;
        }
        // Earlier answers are kept unless the user says otherwise at this visit.
        CheckBox_2KeepOldRanking->setChecked(true);
        project_.keepOldRanking = true;
        ShowPage(kPageSettings);
    });
}

// ---------------------------------------------------------------------------------------------
// Settings page

void TForm1::ReloadSettingsFromProject() {
    const ScoreSettings scores = project_.scores;
    static_cast<PointsField*>(SpinEdit_2Win)->ShowPoints(scores.superior);
    static_cast<PointsField*>(SpinEdit_2Remis)->ShowPoints(scores.tie);
    static_cast<PointsField*>(SpinEdit_2Defeat)->ShowPoints(scores.inferior);
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
    Guarded([&] {
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
    });
}

void TForm1::Button_2_3_4BackClick() {
    Guarded([&] {
        const int page = CurrentPage() - 1;
        if (page < kPageCollect) return;
        ShowPage(page);
        if (page == kPageCollect) {
            RebuildOptionList();
        } else if (page == kPageComparisons) {
            project_.run.Resume();
        }
    });
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

void TForm1::ShowLiveRanking(bool visible) { ListBox_3Ranking->setVisible(visible); }

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
        connect(item, &QAction::triggered, this, [this, item] { MenuItem_3ChooseOption(item); });
    }
}

void TForm1::ResetAnswerFonts() {
    for (QPushButton* b : {Button_3Option1, Button_3Remis, Button_3Option2}) SetAnswerFont(b, false);
}

void TForm1::SetAnswerFont(QPushButton* button, bool italic) {
    QFont font = button->font();
    font.setItalic(italic);
    button->setFont(font);
}

void TForm1::RefreshCombinations() { project_.RefreshDiagramIfShowing(); }

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
    if (CurrentPage() != kPageComparisons) return;
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
    Guarded([&] {
        project_.run.Record(sender == Button_3Option2 ? Answer::SecondSuperior
                                                      : Answer::FirstSuperior);
    });
}

void TForm1::Button_3RemisClick() {
    Guarded([&] { project_.run.Record(Answer::Tie); });
}

void TForm1::SpeedButton_3ChangeComparisonClick(QObject* sender) {
    Guarded([&] {
        // These buttons take no focus: an information text being edited is stored first.
        StorePendingInfoEdit();
        project_.run.NextComparison(sender == SpeedButton_3PreviousComparison);
    });
}

void TForm1::Button_3ChooseOptionClick(QObject* sender) {
    Guarded([&] {
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
    });
}

void TForm1::MenuItem_3ChooseOption(QAction* item) {
    Guarded([&] {
        const int position = item->data().toInt();
        if (popupMenuTag_ == 1) {
            project_.run.ChooseSecond(position);
        } else {
            project_.run.ChooseFirst(position);
        }
    });
}

void TForm1::Memo_3OptionInfoExit(QObject* sender) {
    Guarded([&] {
        const int index =
            sender == Memo_3Option1Info ? project_.run.FirstIndex() : project_.run.SecondIndex();
        if (index < 0 || static_cast<std::size_t>(index) >= project_.options.Count()) return;
        const auto position = static_cast<std::size_t>(index);
        const auto* memo = static_cast<QPlainTextEdit*>(sender);
        project_.options.UpdateOption(position, project_.options.At(position).name,
                                      InfoFromField(memo->toPlainText()));
    });
}

void TForm1::Button_3NextClick() {
    Guarded([&] {
        CopyRankingRowsToResult();
        ShowPage(kPageResult);
        AnnounceResult();
    });
}

// ---------------------------------------------------------------------------------------------
// Result page

void TForm1::Button_4RestartClick() {
    Guarded([&] {
        ShowPage(kPageCollect);
        RebuildOptionList();
    });
}

void TForm1::Button_4CombinationsClick() {
    Guarded([&] {
        if (CombinationView* view = project_.View()) view->ShowWindow();
    });
}

// ---------------------------------------------------------------------------------------------
// Ranking lists

void TForm1::ListBox_3RankingDrawItem(QListWidget* list, int index,
                                      const QStyleOptionViewItem& option, QPainter& painter) {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = list->palette();
    const QColor background = palette.color(QPalette::Active, selected ? QPalette::Highlight
                                                                       : QPalette::Base);
    const QColor text = palette.color(QPalette::Active, selected ? QPalette::HighlightedText
                                                                 : QPalette::Text);
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
        const RankingRowLayout row =
            LayOutRankingRow(Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
                             static_cast<std::size_t>(index), scores, project_.run.Scale(),
                             ranking[static_cast<std::size_t>(index)]->name, measure,
                             metrics.height());

        const int baseline = row.textY + metrics.ascent();
        painter.setFont(font);
        painter.setPen(text);
        painter.setBackground(background);
        painter.setBackgroundMode(Qt::OpaqueMode);
        if (row.rankNumber) painter.drawText(row.rankNumber->x, baseline, FromUtf8(row.rankNumber->text));
        painter.drawText(row.name.x, baseline, FromUtf8(row.name.text));

        if (row.bar && row.bar->right > row.bar->left) {
            const RowBar& bar = *row.bar;
            painter.setPen(Qt::black);
            painter.setBrush(QtColour(bar.fill));
            painter.drawRect(QRect(bar.left, bar.top, bar.right - bar.left - 1,
                                   bar.bottom - bar.top - 1));
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
            if (l->text() == text) return l;
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

void TForm1::AnnouncePair(const OptionRecord& first, const OptionRecord& second) {
    const auto name = [](const OptionRecord& option, const char* instead) {
        return option.name.empty() ? QString::fromUtf8(instead) : FromUtf8(option.name);
    };
    Button_3Option1->setAccessibleName(name(first, "Erste Option"));
    Button_3Option2->setAccessibleName(name(second, "Zweite Option"));
    if (CurrentPage() != kPageComparisons) return;
    // The answer buttons, one of which takes the focus, tell which pair they answer.
    Announce({Button_3Remis, Button_3Option1, Button_3Option2},
             QStringLiteral("Vergleich: %1 oder %2").arg(name(first, "Erste Option"),
                                                         name(second, "Zweite Option")));
}

void TForm1::AnnounceResult() {
    const QListWidgetItem* first = ListBox_4Ranking->item(0);
    const QString best = first ? first->data(Qt::AccessibleTextRole).toString() : QString();
    Announce({ListBox_4Ranking},
             best.isEmpty() ? Headline(kPageResult)
                            : Headline(kPageResult) + QStringLiteral(": ") + best);
}

}  // namespace rangwerk
