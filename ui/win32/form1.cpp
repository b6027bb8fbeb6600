#include "ui/win32/form1.h"

#include <climits>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "base/wide_text.h"
#include "drawing/ranking_row.h"
#include "ui/info_model.h"
#include "ui/win32/controls.h"
#include "ui/win32/form1_pictures.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/image_button.h"
#include "ui/win32/popup_menu.h"
#include "ui/win32/spoken_rows.h"

namespace rangwerk::win32 {

namespace {

using C = Form1Control;

constexpr int kRankingRowHeight = 16;
constexpr Color kHeadlineColour = Rgb(123, 157, 221);

constexpr int Id(C control) {
    return static_cast<int>(control);
}

// Sets a flag for the lifetime of the object and puts the old value back.
class Quiet {
public:
    explicit Quiet(bool& flag) : flag_(flag), old_(std::exchange(flag, true)) {}
    ~Quiet() { flag_ = old_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    bool& flag_;
    bool old_;
};

// A name on a button or a menu item: shown as typed, an "&" in it is no access key.
std::string Caption(const std::string& name) {
    std::string caption;
    caption.reserve(name.size());
    for (char c : name) {
        if (c == '&')
            caption += '&';
        caption += c;
    }
    return caption;
}

// The controls take a text of the model only when it differs, so that the caret stays where the
// user types.
// Each does nothing for a control of a page that has not been made yet.
void ShowText(HWND control, const std::string& text) {
    if (control != nullptr && TextOf(control) != text)
        SetText(control, text);
}

void ShowEnabled(HWND control, bool enabled) {
    if (control != nullptr && (IsWindowEnabled(control) != FALSE) != enabled)
        EnableWindow(control, enabled);
}

void ShowVisible(HWND control, bool visible) {
    if (control == nullptr)
        return;
    const bool shown = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != visible)
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void ShowChecked(HWND button, bool checked) {
    if (button == nullptr)
        return;
    const bool shown = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (shown != checked)
        SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ShowFont(HWND control, HFONT font) {
    if (control != nullptr &&
        reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) != font)
        SetFont(control, font);
}

bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

ControlPlace Place(int left, int top, int width, int height) {
    return ControlPlace{left, top, width, height};
}

// A label in one line, its text vertically in the middle of its place.
HWND CreateMiddleLabel(HWND parent, int id, const ControlPlace& place, const std::string& text,
                       HFONT font) {
    HWND label = CreateStaticText(parent, id, place, text, font);
    SetWindowLongW(label, GWL_STYLE, GetWindowLongW(label, GWL_STYLE) | SS_CENTERIMAGE);
    return label;
}

// The three points fields with their fields of the model.
struct PointsField {
    C edit;
    C arrows;
    ScoreField field;
};
constexpr PointsField kPointsFields[] = {
    {C::SpinEdit_2Win, C::UpDown_2Win, ScoreField::Win},
    {C::SpinEdit_2Remis, C::UpDown_2Remis, ScoreField::Remis},
    {C::SpinEdit_2Defeat, C::UpDown_2Defeat, ScoreField::Defeat},
};

constexpr C kOrderItems[] = {C::RadioGroup_2Order_Item0, C::RadioGroup_2Order_Item1,
                             C::RadioGroup_2Order_Item2};

struct Click {
    C button;
    void (MainWindowModel::*intent)();
};
constexpr Click kClicks[] = {
    {C::Button_Exit, &MainWindowModel::Button_ExitClick},
    {C::Button_Restart, &MainWindowModel::Button_RestartClick},
    {C::SpeedButton_Save, &MainWindowModel::SpeedButton_SaveClick},
    {C::SpeedButton_0New, &MainWindowModel::SpeedButton_0NewClick},
    {C::SpeedButton_0Open, &MainWindowModel::SpeedButton_0OpenClick},
    {C::SpeedButton_0Info, &MainWindowModel::SpeedButton_0InfoClick},
    {C::Button_1Add, &MainWindowModel::Button_1AddClick},
    {C::Button_1Update, &MainWindowModel::Button_1UpdateClick},
    {C::Button_1Del, &MainWindowModel::Button_1DelClick},
    {C::Button_1Up, &MainWindowModel::Button_1UpClick},
    {C::Button_1Down, &MainWindowModel::Button_1DownClick},
    {C::Button_1DelAll, &MainWindowModel::Button_1DelAllClick},
    {C::Button_1Next, &MainWindowModel::Button_1NextClick},
    {C::Button_2Back, &MainWindowModel::Button_2_3_4BackClick},
    {C::Button_2Next, &MainWindowModel::Button_2NextClick},
    {C::Button_3Option1, &MainWindowModel::Button_3Option1Click},
    {C::Button_3Option2, &MainWindowModel::Button_3Option2Click},
    {C::Button_3Remis, &MainWindowModel::Button_3RemisClick},
    {C::Button_3ChooseOption1, &MainWindowModel::Button_3ChooseOption1Click},
    {C::Button_3ChooseOption2, &MainWindowModel::Button_3ChooseOption2Click},
    {C::SpeedButton_3PreviousComparison, &MainWindowModel::SpeedButton_3PreviousComparisonClick},
    {C::SpeedButton_3NextComparison, &MainWindowModel::SpeedButton_3NextComparisonClick},
    {C::Button_3Back, &MainWindowModel::Button_2_3_4BackClick},
    {C::Button_3Next, &MainWindowModel::Button_3NextClick},
    {C::Button_4Combinations, &MainWindowModel::Button_4CombinationsClick},
    {C::Button_4Back, &MainWindowModel::Button_2_3_4BackClick},
    {C::Button_4Restart, &MainWindowModel::Button_4RestartClick},
};

// Keeps a control of the main window by its identifier (EnumChildWindows).
BOOL CALLBACK CollectControl(HWND child, LPARAM data) {
    auto& controls = *reinterpret_cast<std::vector<HWND>*>(data);
    const int index = GetDlgCtrlID(child) - Id(C::Panel_Headline);
    if (index >= 0 && static_cast<std::size_t>(index) < controls.size())
        controls[static_cast<std::size_t>(index)] = child;
    return TRUE;
}

// The window's two fonts, old and new: every control that shows an old one gets the new one.
struct FontChange {
    HFONT from;
    HFONT to;
    HFONT italicFrom;
    HFONT italicTo;
};

BOOL CALLBACK ChangeFont(HWND child, LPARAM data) {
    const auto* c = reinterpret_cast<const FontChange*>(data);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    if (font == c->from)
        SetFont(child, c->to);
    else if (font == c->italicFrom)
        SetFont(child, c->italicTo);
    return TRUE;
}

}  // namespace

TForm1::TForm1(MainWindowModel& model, Dialogs& dialogs)
    : model_(model),
      guard_(dialogs),
      windowFontDescription_(WindowFont()),
      windowFont_(MakeFont(windowFontDescription_)),
      headlineFont_(MakeFont(HeadlineFont())),
      labelFont_(MakeFont(ImageButtonFont())),
      headlineBrush_(CreateSolidBrush(ColorRefOf(kHeadlineColour))),
      newPicture_(PaintNewProjectPicture),
      openPicture_(PaintOpenProjectPicture),
      infoPicture_(PaintInformationPicture),
      savePicture_(PaintSavePicture),
      previousPicture_(PaintPreviousPairPicture),
      nextPicture_(PaintNextPairPicture) {
    FontDescription italic = windowFontDescription_;
    italic.italic = true;
    italicFont_ = MakeFont(italic);

    // Creating the controls sends notifications of its own.
    const Quiet quiet(showing_);
    window_ =
        CreateTopLevelWindow({kApplicationTitle, 420, 361, WindowFrame::Border::Single}, *this);
    if (window_ == nullptr)
        throw Failure("Das Hauptfenster konnte nicht erstellt werden");
    SetProgramIcon(window_);
    // The bottom row lies over the page area: made before the pages, it stays above them.
    CreateHeadlineAndBottomRow();
    pages_ = std::make_unique<PageSet>(window_, Place(0, 41, 420, 320), 5);
    // The other pages' controls are made when their page is first shown.
    MakePage(MainPage::Start);

    model_.SetView(this);
    Refresh();
}

TForm1::~TForm1() {
    model_.SetView(nullptr);
    {
        // Whatever the controls send while they are taken down reaches no intent.
        const Quiet quiet(showing_);
        pages_.reset();
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    DeleteObject(headlineBrush_);
}

void TForm1::MakePage(MainPage page) {
    const auto index = static_cast<std::size_t>(page);
    if (pageMade_[index])
        return;
    pageMade_[index] = true;
    switch (page) {
        case MainPage::Start:
            CreateStartPage();
            break;
        case MainPage::Collect:
            CreateCollectPage();
            break;
        case MainPage::Settings:
            CreateSettingsPage();
            break;
        case MainPage::Comparisons:
            CreateComparisonPage();
            // The result list takes the ranking's rows from the run's start on, as the live
            // list does.
            MakePage(MainPage::Result);
            break;
        case MainPage::Result:
            CreateResultPage();
            break;
    }
    FindControls();
}

void TForm1::FindControls() {
    // One pass over the window's controls.
    controls_.assign(static_cast<std::size_t>(Id(C::Button_4Restart) - Id(C::Panel_Headline) + 1),
                     nullptr);
    EnumChildWindows(window_, CollectControl, reinterpret_cast<LPARAM>(&controls_));
}

HWND TForm1::Control(Form1Control control) const {
    const int index = Id(control) - Id(C::Panel_Headline);
    if (index < 0 || static_cast<std::size_t>(index) >= controls_.size())
        return nullptr;
    return controls_[static_cast<std::size_t>(index)];
}

int TForm1::CurrentPage() const {
    return pages_->Shown();
}

void TForm1::CreateHeadlineAndBottomRow() {
    // The headline keeps its own font: white bold Arial on its own blue (WM_CTLCOLORSTATIC).
    HWND headline = CreateStaticText(window_, Id(C::Panel_Headline), Place(0, 0, 420, 41), "",
                                     headlineFont_.Handle(), TextAlign::Centre);
    SetWindowLongW(headline, GWL_STYLE,
                   GetWindowLongW(headline, GWL_STYLE) | SS_CENTERIMAGE | SS_NOPREFIX);
    const HFONT font = windowFont_.Handle();
    CreateButton(window_, Id(C::Button_Exit), Place(8, 328, 81, 25), "Ende", font);
    CreateButton(window_, Id(C::Button_Restart), Place(96, 328, 81, 25), "Startbildschirm", font);
    CreateImageButton(window_, Id(C::SpeedButton_Save), Place(184, 328, 27, 25), "", font,
                      savePicture_, kSavePictureSize.cx, kSavePictureSize.cy);
}

void TForm1::CreateStartPage() {
    HWND page = pages_->Page(static_cast<int>(MainPage::Start));
    const HFONT font = windowFont_.Handle();
    CreateStaticText(page, -1, Place(8, 16, 404, 30),
                     "Sie können entweder ein neues Projekt starten oder ein zuvor gespeichertes "
                     "Projekt öffnen.",
                     font);
    const struct {
        C button;
        C label;
        int top;
        const Painter& picture;
        const char* caption;
    } entries[] = {
        {C::SpeedButton_0New, C::Label_0New, 64, newPicture_, "Neues Projekt beginnen"},
        {C::SpeedButton_0Open, C::Label_0Open, 120, openPicture_, "Gespeichertes Projekt öffnen"},
        {C::SpeedButton_0Info, C::Label_0Info, 200, infoPicture_, "Information"},
    };
    for (const auto& e : entries) {
        CreateImageButton(page, Id(e.button), Place(24, e.top, 57, 49), "", font, e.picture,
                          kStartPictureSize.cx, kStartPictureSize.cy);
        // The bold labels keep their own font (the window's Arial), whatever face the window
        // takes.
        CreateMiddleLabel(page, Id(e.label), Place(96, e.top, 300, 49), e.caption,
                          labelFont_.Handle());
    }
    CreateSeparator(page, Place(0, 280, 420, 2));
}

void TForm1::CreateCollectPage() {
    const int index = static_cast<int>(MainPage::Collect);
    HWND page = pages_->Page(index);
    const HFONT font = windowFont_.Handle();
    CreateStaticText(
        page, -1, Place(8, 4, 404, 30),
        "Sammeln Sie zunächst alle Optionen, zwischen denen Sie sich entscheiden wollen.", font);
    CreateStaticText(page, -1, Place(8, 40, 177, 14), "&Name der Option:", font);
    CreateEdit(page, Id(C::Edit_1OptionName), Place(8, 56, 177, 22), font);
    CreateStaticText(page, -1, Place(8, 96, 177, 14), "Weitere &Informationen:", font);
    CreateMemo(page, Id(C::Memo_1Info), Place(8, 112, 177, 129), font, false);
    CreateButton(page, Id(C::Button_1Add), Place(8, 248, 81, 25), "&Hinzufügen", font);
    CreateButton(page, Id(C::Button_1Update), Place(104, 248, 83, 25), "&Aktualisieren", font);
    CreateStaticText(page, -1, Place(216, 40, 95, 14), "Liste der Optionen:", font);
    CreateButton(page, Id(C::Button_1DelAll), Place(312, 36, 97, 17), "Alles löschen", font);
    HWND options = CreateSingleColumnList(page, Id(C::ListView_1Options), Place(216, 56, 193, 185),
                                          font, true);
    SetListViewRowCount(options, model_.RowCount(MainList::Options));
    CreateButton(page, Id(C::Button_1Del), Place(216, 248, 75, 25), "Ent&fernen", font);
    CreateButton(page, Id(C::Button_1Up), Place(304, 248, 49, 25), "&Hoch", font);
    CreateButton(page, Id(C::Button_1Down), Place(360, 248, 49, 25), "&Runter", font);
    CreateSeparator(page, Place(0, 280, 420, 2));
    CreateButton(page, Id(C::Button_1Next), Place(336, 288, 75, 25), "Weiter >", font);
}

void TForm1::CreateSettingsPage() {
    HWND page = pages_->Page(static_cast<int>(MainPage::Settings));
    const HFONT font = windowFont_.Handle();
    CreateStaticText(page, -1, Place(8, 4, 404, 30),
                     "Legen Sie die Einstellungen fest, die beim Ermitteln der Rangfolge der "
                     "gesammelten Optionen angewandt werden sollen.",
                     font);
    // The group's controls are its siblings, placed in the page.
    constexpr int groupLeft = 8;
    constexpr int groupTop = 40;
    CreateGroupBox(page, -1, Place(groupLeft, groupTop, 402, 97), "Punkteverteilung", font);
    const char* labels[] = {"Punkte für &überlegene Option:", "Punkte für &gleichgestellte Option:",
                            "Punkte für &unterlegene Option:"};
    for (int i = 0; i < 3; ++i) {
        const int top = groupTop + 20 + 24 * i;
        CreateStaticText(page, -1, Place(groupLeft + 12, top + 4, 160, 16), labels[i], font);
        CreateSpinField(page, Id(kPointsFields[i].edit), Id(kPointsFields[i].arrows),
                        Place(groupLeft + 176, top, 81, 23), INT_MIN, INT_MAX, font);
    }

    constexpr int orderLeft = 8;
    constexpr int orderTop = 144;
    CreateGroupBox(page, Id(C::RadioGroup_2Order), Place(orderLeft, orderTop, 401, 81),
                   "&Reihenfolge der Abfrage", font);
    const char* orders[] = {"Reihenfolge nicht verändern", "Alphabetisch anordnen",
                            "Optionen zufällig anordnen"};
    for (int i = 0; i < 3; ++i) {
        CreateRadioButton(page, Id(kOrderItems[i]),
                          Place(orderLeft + 10, orderTop + 18 + 19 * i, 380, 17), orders[i], font,
                          i == 0);
    }
    CreateCheckBox(page, Id(C::CheckBox_2LiveScore), Place(8, 232, 401, 17),
                   "&Zwischenstände während der Vergleiche einblenden", font);
    CreateCheckBox(page, Id(C::CheckBox_2KeepOldRanking), Place(8, 256, 401, 17),
                   "Bereits getroffene Entscheidungen &beibehalten", font);
    CreateSeparator(page, Place(0, 280, 420, 2));
    CreateButton(page, Id(C::Button_2Back), Place(256, 288, 75, 25), "< Zurück", font);
    CreateButton(page, Id(C::Button_2Next), Place(336, 288, 75, 25), "Weiter >", font);
}

void TForm1::CreateComparisonPage() {
    HWND page = pages_->Page(static_cast<int>(MainPage::Comparisons));
    const HFONT font = windowFont_.Handle();
    HWND intro = CreateStaticText(
        page, -1, Place(8, 4, 404, 40),
        "Wählen Sie, welche der beiden folgenden Optionen der anderen überlegen ist. Falls Sie "
        "sich nicht entscheiden können, klicken Sie auf \"Unentschieden\".",
        font);
    SetWindowLongW(intro, GWL_STYLE, GetWindowLongW(intro, GWL_STYLE) | SS_NOPREFIX);
    CreateButton(page, Id(C::Button_3Option1), Place(8, 48, 161, 25), "", font);
    CreateArrowButton(page, Id(C::Button_3ChooseOption1), Place(176, 48, 25, 25), font);
    CreateStaticText(page, -1, Place(207, 52, 10, 16), "–", font);
    CreateArrowButton(page, Id(C::Button_3ChooseOption2), Place(219, 48, 25, 25), font);
    CreateButton(page, Id(C::Button_3Option2), Place(251, 48, 161, 25), "", font);
    CreateMemo(page, Id(C::Memo_3Option1Info), Place(8, 80, 153, 89), font, false);
    CreateButton(page, Id(C::Button_3Remis), Place(168, 80, 83, 25), "&Unentschieden", font);
    CreateImageButton(page, Id(C::SpeedButton_3PreviousComparison), Place(168, 120, 41, 46),
                      "&Zurück", font, previousPicture_, kArrowPictureSize.cx,
                      kArrowPictureSize.cy);
    CreateImageButton(page, Id(C::SpeedButton_3NextComparison), Place(210, 120, 41, 46), "&Weiter",
                      font, nextPicture_, kArrowPictureSize.cx, kArrowPictureSize.cy);
    CreateMemo(page, Id(C::Memo_3Option2Info), Place(259, 80, 153, 89), font, false);
    HWND live = CreateOwnerDrawnList(page, Id(C::ListBox_3Ranking), Place(8, 176, 404, 97),
                                     kRankingRowHeight, font);
    SetRowCount(live, model_.RowCount(MainList::LiveRanking));
    GiveRowsSpokenTexts(live, [this](int row) { return model_.RankingRowSpeech(row); });
    CreateSeparator(page, Place(0, 280, 420, 2));
    CreateButton(page, Id(C::Button_3Back), Place(256, 288, 75, 25), "< Zurück", font);
    CreateButton(page, Id(C::Button_3Next), Place(336, 288, 75, 25), "Übersicht >", font);
}

void TForm1::CreateResultPage() {
    HWND page = pages_->Page(static_cast<int>(MainPage::Result));
    const HFONT font = windowFont_.Handle();
    CreateStaticText(page, -1, Place(8, 14, 200, 14), "Reihenfolge der Optionen:", font);
    CreateButton(page, Id(C::Button_4Combinations), Place(312, 0, 107, 25), "Kombinationen...",
                 font);
    HWND result = CreateOwnerDrawnList(page, Id(C::ListBox_4Ranking), Place(8, 32, 404, 241),
                                       kRankingRowHeight, font);
    SetRowCount(result, model_.RowCount(MainList::ResultRanking));
    GiveRowsSpokenTexts(result, [this](int row) { return model_.RankingRowSpeech(row); });
    CreateSeparator(page, Place(0, 280, 420, 2));
    CreateButton(page, Id(C::Button_4Back), Place(256, 288, 75, 25), "< Zurück", font);
    CreateButton(page, Id(C::Button_4Restart), Place(336, 288, 75, 25), "Zum Anfang", font);
}

// ---------------------------------------------------------------------------------------------
// Showing the model

HWND TForm1::ControlOf(MainControl control) const {
    switch (control) {
        case MainControl::None:
            break;
        case MainControl::Edit_1OptionName:
            return Control(C::Edit_1OptionName);
        case MainControl::Button_1Add:
            return Control(C::Button_1Add);
        case MainControl::Button_3Option1:
            return Control(C::Button_3Option1);
        case MainControl::Button_3Remis:
            return Control(C::Button_3Remis);
        case MainControl::Button_3Option2:
            return Control(C::Button_3Option2);
    }
    return nullptr;
}

void TForm1::Refresh() {
    const MainWindowScreen& s = model_.Screen();
    const Quiet quiet(showing_);
    MakePage(s.page);
    ShowText(window_, s.caption);
    ShowText(Control(C::Panel_Headline), s.headline);
    // Enter presses the page's default button (DM_SETDEFID). It is given again only when it
    // changes: DM_SETDEFID takes the default look from a push button that has the focus.
    HWND defaultButton = ControlOf(s.defaultButton);
    const int defaultId = defaultButton != nullptr ? GetDlgCtrlID(defaultButton) : 0;
    const int page = static_cast<int>(s.page);
    if (pages_->Shown() != page) {
        pages_->SetKeyButtons(page, defaultId, 0);
        pages_->Show(page);
        defaultButtonShown_ = defaultId;
    } else if (defaultButtonShown_ != defaultId) {
        pages_->SetKeyButtons(page, defaultId, 0);
        defaultButtonShown_ = defaultId;
    }
    ShowVisible(Control(C::Button_Restart), s.restartVisible);
    ShowVisible(Control(C::SpeedButton_Save), s.saveVisible);

    ShowText(Control(C::Edit_1OptionName), s.optionName);
    ShowText(Control(C::Memo_1Info), s.optionInfo);
    HWND options = Control(C::ListView_1Options);
    if (SelectedListViewRow(options) != s.selectedOption)
        SelectListViewRow(options, s.selectedOption);
    ShowEnabled(Control(C::Button_1Update), s.updateEnabled);
    ShowEnabled(Control(C::Button_1Del), s.deleteEnabled);
    ShowEnabled(Control(C::Button_1Up), s.upEnabled);
    ShowEnabled(Control(C::Button_1Down), s.downEnabled);

    for (std::size_t i = 0; i < 3; ++i) ShowText(Control(kPointsFields[i].edit), s.points[i]);
    for (int i = 0; i < 3; ++i) {
        ShowChecked(Control(kOrderItems[i]), static_cast<int>(s.queryOrder) == i);
    }
    ShowChecked(Control(C::CheckBox_2LiveScore), s.liveScore);
    ShowChecked(Control(C::CheckBox_2KeepOldRanking), s.keepOldRanking);

    const C options3[] = {C::Button_3Option1, C::Button_3Option2};
    const C infos[] = {C::Memo_3Option1Info, C::Memo_3Option2Info};
    for (std::size_t i = 0; i < 2; ++i) {
        ShowText(Control(options3[i]), Caption(s.pairNames[i]));
        ShowText(Control(infos[i]), s.pairInfos[i]);
    }
    const std::pair<C, AnswerButton> answers[] = {{C::Button_3Option1, AnswerButton::Option1},
                                                  {C::Button_3Remis, AnswerButton::Remis},
                                                  {C::Button_3Option2, AnswerButton::Option2}};
    for (const auto& [button, answer] : answers) {
        ShowFont(Control(button),
                 s.italicAnswer == answer ? italicFont_.Handle() : windowFont_.Handle());
    }
    ShowVisible(Control(C::ListBox_3Ranking), s.liveRankingVisible);

    MoveFocusOffHiddenControls();
    if (s.focusRequest != focusRequest_) {
        focusRequest_ = s.focusRequest;
        // Through the dialog manager, so that a push button that takes the focus becomes the
        // button Enter presses.
        if (HWND control = ControlOf(s.focus))
            SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void TForm1::MoveFocusOffHiddenControls() {
    // A control that was hidden or disabled with the focus leaves the keyboard nowhere.
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(window_, focus) ||
        (IsWindowVisible(focus) && IsWindowEnabled(focus)) || !IsWindowVisible(window_)) {
        return;
    }
    if (HWND next = GetNextDlgTabItem(window_, focus, FALSE))
        SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

void TForm1::ListChanged(MainList list, const ListChange& change) {
    const Quiet quiet(showing_);
    const int count = model_.RowCount(list);
    switch (list) {
        case MainList::Options: {
            HWND view = Control(C::ListView_1Options);
            if (view == nullptr)
                break;  // the page, when it is made, takes the rows as they are then
            if (change.kind == ListChange::Kind::Reset ||
                change.kind == ListChange::Kind::Inserted ||
                change.kind == ListChange::Kind::Removed) {
                SetListViewRowCount(view, count);
            }
            InvalidateRect(view, nullptr, TRUE);
            break;
        }
        case MainList::LiveRanking:
        case MainList::ResultRanking: {
            HWND ranking =
                Control(list == MainList::LiveRanking ? C::ListBox_3Ranking : C::ListBox_4Ranking);
            if (change.kind == ListChange::Kind::Repaint) {
                InvalidateRect(ranking, nullptr, FALSE);
                TellRowTextsChanged(ranking);
            } else {
                SetRowCount(ranking, count);
            }
            break;
        }
        case MainList::ChooseMenu:
            // The menu is made afresh from the model's items each time it opens.
            break;
    }
}

void TForm1::PopUpChooseMenu(PairSide side) {
    const std::vector<ChooseMenuItem>& items = model_.Screen().chooseMenu;
    std::vector<MenuItem> shown;
    std::vector<int> positions;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i].visible)
            continue;
        shown.push_back({Caption(items[i].caption), items[i].checked});
        positions.push_back(static_cast<int>(i));
    }
    // Opening downwards from the bottom-left corner of the button.
    HWND button =
        Control(side == PairSide::First ? C::Button_3ChooseOption1 : C::Button_3ChooseOption2);
    RECT bounds{};
    GetWindowRect(button, &bounds);
    const std::optional<std::size_t> chosen =
        ShowPopupMenu(window_, POINT{bounds.left, bounds.bottom}, shown);
    if (chosen)
        model_.MenuItem_3ChooseOption(positions.at(*chosen));
}

void TForm1::CloseWindow() {
    SendMessageW(window_, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Events

template <class Intent>
void TForm1::Act(Intent&& intent) {
    if (showing_)
        return;
    guard_.Run(std::forward<Intent>(intent));
}

void TForm1::Show() {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(window_);
    }
    ShowWindow(window_, SW_SHOWNORMAL);
}

bool TForm1::PreTranslateMessage(const MSG& message) {
    if (message.message != WM_CHAR || (message.hwnd != window_ && !IsChild(window_, message.hwnd)))
        return false;
    const std::wstring typed(1, static_cast<wchar_t>(message.wParam));
    guard_.Run([&] { model_.FormKeyPress(Utf8FromWide(typed)); });
    return false;
}

int TForm1::FontPoints() const {
    return PointsOfPixels(windowFontDescription_.pixels);
}

void TForm1::SetFontFace(const std::string& face) {
    FontDescription description = windowFontDescription_;
    description.face = WideFromUtf8(face);
    Font window = MakeFont(description);
    description.italic = true;
    Font italic = MakeFont(description);
    description.italic = false;

    FontChange change{windowFont_.Handle(), window.Handle(), italicFont_.Handle(), italic.Handle()};
    EnumChildWindows(window_, ChangeFont, reinterpret_cast<LPARAM>(&change));
    windowFontDescription_ = description;
    windowFont_ = std::move(window);
    italicFont_ = std::move(italic);
}

std::optional<LRESULT> TForm1::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return Notice(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        case WM_DRAWITEM:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == Control(C::Panel_Headline)) {
                auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(255, 255, 255));
                SetBkColor(dc, ColorRefOf(kHeadlineColour));
                return reinterpret_cast<LRESULT>(headlineBrush_);
            }
            return std::nullopt;
        case WM_CLOSE:
            // Closing only hides the window; the program ends and takes it down.
            ShowWindow(window_, SW_HIDE);
            if (onClosed_)
                onClosed_();
            return 0;
        default:
            return std::nullopt;
    }
}

void TForm1::Command(int id, int code) {
    if (id == IDCANCEL) {
        // Escape: the page's cancel button, where it has one.
        pages_->PressCancelButton();
        return;
    }
    const auto control = static_cast<C>(id);
    HWND sender = Control(control);
    switch (code) {
        case BN_CLICKED:
            for (const Click& click : kClicks) {
                if (click.button == control) {
                    Act([this, intent = click.intent] { (model_.*intent)(); });
                    return;
                }
            }
            for (int i = 0; i < 3; ++i) {
                if (control == kOrderItems[i] && Checked(sender))
                    Act([this, i] { model_.RadioGroup_2OrderClick(static_cast<QueryOrder>(i)); });
            }
            if (control == C::CheckBox_2LiveScore)
                Act([this, sender] { model_.CheckBox_2LiveScoreClick(Checked(sender)); });
            if (control == C::CheckBox_2KeepOldRanking)
                Act([this, sender] { model_.CheckBox_2KeepOldRankingClick(Checked(sender)); });
            return;
        case EN_CHANGE:
            switch (control) {
                case C::Edit_1OptionName:
                    Act([this, sender] { model_.EditOptionName(TextOf(sender)); });
                    return;
                case C::Memo_1Info:
                    Act([this, sender] { model_.EditOptionInfo(TextOf(sender)); });
                    return;
                case C::Memo_3Option1Info:
                    Act([this, sender] { model_.EditInfoField(PairSide::First, TextOf(sender)); });
                    return;
                case C::Memo_3Option2Info:
                    Act([this, sender] { model_.EditInfoField(PairSide::Second, TextOf(sender)); });
                    return;
                default:
                    break;
            }
            for (const PointsField& points : kPointsFields) {
                if (control == points.edit)
                    Act([&] { model_.EditPointsField(points.field, TextOf(sender)); });
            }
            return;
        case EN_SETFOCUS:
        case EN_KILLFOCUS:
            // Entering and leaving an information field are actions of their own, or part of
            // the action that moved the focus (also one of the model's own focus moves).
            if (control == C::Memo_3Option1Info || control == C::Memo_3Option2Info) {
                const PairSide side =
                    control == C::Memo_3Option1Info ? PairSide::First : PairSide::Second;
                guard_.Run([&] {
                    if (code == EN_SETFOCUS)
                        model_.InfoFieldEntered(side);
                    else
                        model_.InfoFieldLeft(side);
                });
            }
            return;
        default:
            return;
    }
}

std::optional<LRESULT> TForm1::Notice(const NMHDR& notice, LPARAM lParam) {
    const auto control = static_cast<C>(notice.idFrom);
    if (control == C::ListView_1Options) {
        if (AnswerRowText(lParam, [this](int row) { return model_.OptionRow(row); }))
            return 0;
        if (notice.code == LVN_ITEMCHANGED) {
            const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
            if ((change.uChanged & LVIF_STATE) != 0 &&
                ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
                HWND list = notice.hwndFrom;
                Act([this, list] { model_.ListView_1OptionsClick(SelectedListViewRow(list)); });
            }
            return 0;
        }
        if (notice.code == static_cast<UINT>(NM_CLICK)) {
            // A click on the row that is selected already loads its option again as well.
            const int row = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem;
            if (row >= 0)
                Act([this, row] { model_.ListView_1OptionsClick(row); });
            return 0;
        }
        return std::nullopt;
    }
    if (notice.code == static_cast<UINT>(UDN_DELTAPOS)) {
        for (const PointsField& points : kPointsFields) {
            if (control == points.arrows) {
                const int delta = reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta;
                Act([&] { model_.StepPointsField(points.field, delta); });
                // The model writes the field; the up-down control itself changes nothing.
                return TRUE;
            }
        }
    }
    return std::nullopt;
}

void TForm1::DrawItem(const DRAWITEMSTRUCT& item) {
    const auto control = static_cast<C>(item.CtlID);
    if (control == C::ListBox_3Ranking || control == C::ListBox_4Ranking) {
        PaintRankingRow(item);
    } else if (control == C::Button_3ChooseOption1 || control == C::Button_3ChooseOption2) {
        DrawArrowButton(item);
    }
}

void TForm1::PaintRankingRow(const DRAWITEMSTRUCT& item) {
    // Both lists draw the ranking of the last ranking step, in the list's font; painting never
    // counts.
    RunWhilePainting([&] {
        PaintListRow(item, [&](HDC dc, const Rect& row) {
            const auto font =
                reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
            const SelectedFont selected(dc, font);
            const int index = static_cast<int>(item.itemID);
            const std::vector<std::int64_t>& scores = model_.RankingScores();
            if (index < 0 || static_cast<std::size_t>(index) >= scores.size())
                return;
            win32::PaintRankingRow(
                dc, LayOutRankingRow(row, static_cast<std::size_t>(index), scores,
                                     model_.RankingScale(), model_.RankingRowName(index),
                                     MeasureWith(dc), TextHeight(dc)));
        });
    });
}

}  // namespace rangwerk::win32
