#include "ui/win32/form2.h"

#include <utility>
#include <vector>

#include "base/failure.h"
#include "base/scoped_depth.h"
#include "base/wide_text.h"
#include "drawing/diagram_row.h"
#include "ui/win32/controls.h"
#include "ui/win32/gdi_painting.h"

namespace rangwerk::win32 {

using namespace form2;

namespace {

constexpr int kClientWidth = 513;
constexpr int kClientHeight = 355;
constexpr int kDiagramRowHeight = 16;
constexpr int kFactorColumnWidth = 48;
constexpr int kCloseButtonOfPage[] = {Button_Close0, Button_Close1};

// Posted by a list whose selection the user moved, so that the moves of one click or key (the
// old row cleared, the new one selected) reach the model as one click.
constexpr UINT kListSelectionMoved = WM_APP + 20;

using Intent = void (CombinationsWindowModel::*)();
struct ButtonIntent {
    int id;
    Intent intent;
};
using M = CombinationsWindowModel;
constexpr ButtonIntent kButtonIntents[] = {
    {Button_CombinationAdd, &M::Button_CombinationAddClick},
    {Button_CombinationUpdate, &M::Button_CombinationUpdateClick},
    {Button_CombinationDel, &M::Button_CombinationDelClick},
    {Button_CombinationUp, &M::Button_CombinationUpClick},
    {Button_CombinationDown, &M::Button_CombinationDownClick},
    {Button_OptionAdd, &M::Button_OptionAddClick},
    {Button_OptionUpdate, &M::Button_OptionUpdateClick},
    {Button_OptionDel, &M::Button_OptionDelClick},
    {Button_OptionUp, &M::Button_OptionUpClick},
    {Button_OptionDown, &M::Button_OptionDownClick},
    {Button_Next, &M::Button_NextClick},
    {Button_Back, &M::Button_BackClick},
    {Button_Close0, &M::Button_CloseClick},
    {Button_Close1, &M::Button_CloseClick},
};

// Changes the window makes itself are not the user's.
using Applying = ScopedDepth;

void ShowText(HWND edit, const std::string& text) {
    // A text the field shows already is left alone, with the cursor where it is.
    if (TextOf(edit) != text)
        SetText(edit, text);
}

void ShowSelection(HWND list, int row) {
    if (SelectedListViewRow(list) != row)
        SelectListViewRow(list, row);
}

// Every change of a list view's rows: the count, then the rows drawn again from the model.
void ShowListViewRows(HWND list, int rows) {
    if (ListViewRowCount(list) != rows)
        SetListViewRowCount(list, rows);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

TForm2::TForm2(CombinationsWindowModel& model, Dialogs& dialogs, HWND mainWindow)
    : model_(model),
      guard_(dialogs),
      mainWindow_(mainWindow),
      fontDescription_(WindowFont()),
      font_(MakeFont(fontDescription_)) {
    Applying applying(applying_);
    InitialiseCommonControls();
    window_ = CreateTopLevelWindow(
        {"Kombinationen", kClientWidth, kClientHeight, WindowFrame::Border::DialogFrame}, *this,
        mainWindow);
    if (window_ == nullptr)
        throw Failure("Das Fenster \"Kombinationen\" kann nicht erzeugt werden");
    model_.SetView(this);
}

void TForm2::MakeControls() {
    if (pages_)
        return;
    {
        Applying applying(applying_);
        pages_ =
            std::make_unique<PageSet>(window_, ControlPlace{0, 0, kClientWidth, kClientHeight}, 2);
        CreatePresetsPage(pages_->Page(0));
        CreateDiagramPage(pages_->Page(1));
    }
    for (CombinationsList list : {CombinationsList::Combinations, CombinationsList::MemberRows,
                                  CombinationsList::Choice, CombinationsList::Diagram}) {
        ListChanged(list, CombinationsListChange{});
    }
    Refresh();
}

TForm2::~TForm2() {
    model_.SetView(nullptr);
    Applying applying(applying_);
    pages_.reset();
    DestroyWindow(window_);
}

HWND TForm2::Add(form2::Control id, HWND control) {
    controls_[id] = control;
    return control;
}

HWND TForm2::Control(form2::Control id) const {
    const auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

// The controls in their tab order; a label comes just before the control its access key
// focuses.
void TForm2::CreatePresetsPage(HWND page) {
    HFONT font = font_.Handle();
    Add(Label1, CreateStaticText(page, Label1, {8, 8, 497, 28},
                                 "Sie können verschiedene Optionen zu Kombinationen zusammenfassen "
                                 "und diese untereinander vergleichen.",
                                 font));
    Add(Label2, CreateStaticText(page, Label2, {8, 40, 161, 14}, "&Kombinationen:", font));
    Add(ListView_Combinations,
        CreateSingleColumnList(page, ListView_Combinations, {8, 56, 161, 257}, font, true));
    const auto button = [&](form2::Control id, ControlPlace place, const char* caption) {
        Add(id, CreateButton(page, id, place, caption, font));
    };
    button(Button_CombinationAdd, {176, 56, 75, 25}, "Hinz&ufügen");
    button(Button_CombinationUpdate, {176, 86, 75, 25}, "Ak&tualisieren");
    button(Button_CombinationDel, {176, 116, 75, 25}, "Entfer&nen");
    button(Button_CombinationUp, {176, 156, 75, 25}, "H&och");
    button(Button_CombinationDown, {176, 186, 75, 25}, "Runt&er");
    Add(Label_CombinationName, CreateStaticText(page, Label_CombinationName, {264, 40, 241, 14},
                                                "Na&me der Kombination:", font));
    Add(Edit_CombinationName, CreateEdit(page, Edit_CombinationName, {264, 56, 241, 21}, font));
    Add(Label3, CreateStaticText(page, Label3, {264, 86, 160, 14}, "Eingehende &Optionen:", font));
    Add(ListView_Options, CreateColumnList(page, ListView_Options, {264, 102, 160, 150}, font,
                                           {{"Option", 0}, {"Faktor", kFactorColumnWidth}}));
    button(Button_OptionDel, {430, 102, 75, 25}, "Ent&fernen");
    button(Button_OptionUp, {430, 142, 75, 25}, "&Hoch");
    button(Button_OptionDown, {430, 172, 75, 25}, "&Runter");
    Add(ComboBox_Options, CreateDropDownList(page, ComboBox_Options, {264, 259, 160, 200}, font));
    button(Button_OptionAdd, {430, 257, 75, 25}, "Hin&zufügen");
    Add(Label4, CreateStaticText(page, Label4, {264, 291, 40, 14}, "F&aktor:", font));
    const SpinField factor = CreateSpinField(page, SpinEdit_Factor, SpinEdit_FactorArrows,
                                             {304, 288, 65, 21}, kMinFactor, kMaxFactor, font);
    Add(SpinEdit_Factor, factor.edit);
    Add(SpinEdit_FactorArrows, factor.arrows);
    button(Button_OptionUpdate, {430, 287, 75, 25}, "Aktua&lisieren");
    button(Button_Next, {342, 322, 75, 25}, "&Weiter >");
    button(Button_Close0, {430, 322, 75, 25}, "Schließen");
}

void TForm2::CreateDiagramPage(HWND page) {
    HFONT font = font_.Handle();
    Add(Label5, CreateStaticText(page, Label5, {8, 8, 497, 14}, "Ergebnis der Auswertung:", font));
    // While a screen reader runs, the rows carry the texts it reads.
    Add(ListBox_Combinations, CreateOwnerDrawnList(page, ListBox_Combinations, {8, 24, 497, 249},
                                                   kDiagramRowHeight, font, ScreenReaderRunning()));
    Add(CheckBox_Sort,
        CreateCheckBox(page, CheckBox_Sort, {8, 281, 200, 17}, "Nach Ergebnis &sortieren", font));
    Add(Button_Back, CreateButton(page, Button_Back, {342, 322, 75, 25}, "< &Zurück", font));
    Add(Button_Close1, CreateButton(page, Button_Close1, {430, 322, 75, 25}, "Schließen", font));
}

int TForm2::FontPoints() const {
    return fontDescription_.pixels > 0 ? PointsOfPixels(fontDescription_.pixels)
                                       : fontDescription_.points;
}

void TForm2::SetFontFace(const std::string& face) {
    FontDescription description = fontDescription_;
    description.face = WideFromUtf8(face);
    Font font = MakeFont(description);
    for (const auto& [id, control] : controls_) {
        if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) == font_.Handle())
            SetFont(control, font.Handle());
    }
    fontDescription_ = description;
    font_ = std::move(font);
}

template <class Intent>
void TForm2::Guarded(Intent&& intent) {
    guard_.Run([&] {
        // The model learns of a selection the user moved before anything else the user does
        // (leaving the factor field for the list, say), which would show the old one again.
        for (int id : {ListView_Combinations, ListView_Options}) {
            if (std::exchange(clickPending_[id], false))
                TellClick(id);
        }
        intent();
    });
}

// --- Showing the model --------------------------------------------------------------------

void TForm2::Refresh() {
    const CombinationsScreen& s = model_.Screen();
    if (!pages_) {
        // The controls are made when the window is first shown (most starts never show it).
        if (s.visible)
            MakeControls();
        return;
    }
    Applying applying(applying_);
    const int defaultButton =
        s.defaultButton == CombinationsDefaultButton::Next ? Button_Next : Button_Back;
    pages_->SetKeyButtons(s.page, defaultButton, kCloseButtonOfPage[s.page]);
    if (pages_->Shown() != s.page)
        pages_->Show(s.page);

    ShowSelection(Control(ListView_Combinations), s.selectedCombination);
    ShowText(Control(Edit_CombinationName), s.name);
    ShowSelection(Control(ListView_Options), s.selectedMemberRow);
    HWND choice = Control(ComboBox_Options);
    if (SendMessageW(choice, CB_GETCURSEL, 0, 0) != s.chosenOption)
        SendMessageW(choice, CB_SETCURSEL, static_cast<WPARAM>(s.chosenOption), 0);
    ShowText(Control(SpinEdit_Factor), s.factorText);

    const std::pair<form2::Control, bool> enabled[] = {
        {Button_CombinationUpdate, s.combinationUpdateEnabled},
        {Button_CombinationDel, s.combinationDelEnabled},
        {Button_CombinationUp, s.combinationUpEnabled},
        {Button_CombinationDown, s.combinationDownEnabled},
        {Button_OptionDel, s.optionDelEnabled},
        {Button_OptionUp, s.optionUpEnabled},
        {Button_OptionDown, s.optionDownEnabled},
        {Button_OptionAdd, s.optionAddEnabled},
        {Button_OptionUpdate, s.optionUpdateEnabled},
    };
    for (const auto& [id, on] : enabled) SetEnabled(Control(id), on);
    SendMessageW(Control(CheckBox_Sort), BM_SETCHECK, s.sorted ? BST_CHECKED : BST_UNCHECKED, 0);

    ShowVisibility(s);
    if (std::exchange(focusRequestDone_, s.focusRequest) != s.focusRequest &&
        s.focus == CombinationsFocus::NameField) {
        SendMessageW(window_, WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(Control(Edit_CombinationName)), TRUE);
    }
}

void TForm2::ShowVisibility(const CombinationsScreen& s) {
    const bool showRequested = std::exchange(showRequestDone_, s.showRequest) != s.showRequest;
    const bool onScreen = IsWindowVisible(window_) != FALSE;
    if (s.visible && !onScreen) {
        if (mainWindow_ != nullptr) {
            CentreOver(window_, mainWindow_);
        } else {
            CentreOnScreen(window_);
        }
        ShowWindow(window_, SW_SHOW);
    } else if (!s.visible && onScreen) {
        ShowWindow(window_, SW_HIDE);
    } else if (s.visible && showRequested) {
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetActiveWindow(window_);
    }
}

void TForm2::ListChanged(CombinationsList list, const CombinationsListChange& change) {
    if (!pages_)
        return;
    const CombinationsScreen& s = model_.Screen();
    Applying applying(applying_);
    switch (list) {
        case CombinationsList::Combinations:
            ShowListViewRows(Control(ListView_Combinations), s.combinationRows);
            break;
        case CombinationsList::MemberRows:
            ShowListViewRows(Control(ListView_Options), s.memberRows);
            break;
        case CombinationsList::Choice: {
            std::vector<std::string> names;
            for (int row = 0; row < s.choiceRows; ++row) names.push_back(model_.ChoiceRow(row));
            SetDropDownItems(Control(ComboBox_Options), names);
            break;
        }
        case CombinationsList::Diagram: {
            HWND diagram = Control(ListBox_Combinations);
            if (HasRowTexts(diagram)) {
                SetRowTexts(diagram, s.diagramRows,
                            [this](int row) { return model_.SpokenDiagramRow(row); });
            } else if (change.kind == CombinationsListChange::Kind::Reset) {
                SetRowCount(diagram, s.diagramRows);
            }
            InvalidateRect(diagram, nullptr, TRUE);
            break;
        }
    }
}

// --- Events -------------------------------------------------------------------------------

std::optional<LRESULT> TForm2::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return Notify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        case WM_DRAWITEM:
            if (wParam != ListBox_Combinations)
                break;
            DrawDiagramRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case kListSelectionMoved:
            if (clickPending_[static_cast<int>(wParam)])
                ListClicked(static_cast<int>(wParam));
            return 0;
        default:
            break;
    }
    return std::nullopt;
}

void TForm2::Command(int id, int code) {
    // Escape and the close box.
    if (id == IDCANCEL) {
        if (pages_)
            pages_->PressCancelButton();
        return;
    }
    if (applying_ > 0)
        return;
    switch (id) {
        case Edit_CombinationName:
            if (code == EN_CHANGE)
                Guarded([&] { model_.EditCombinationName(TextOf(Control(Edit_CombinationName))); });
            return;
        case SpinEdit_Factor:
            if (code == EN_CHANGE)
                Guarded([&] { model_.EditFactorField(TextOf(Control(SpinEdit_Factor))); });
            if (code == EN_KILLFOCUS)
                Guarded([&] { model_.FactorFieldLeft(); });
            return;
        case ComboBox_Options:
            if (code == CBN_SELCHANGE) {
                const auto choice =
                    static_cast<int>(SendMessageW(Control(ComboBox_Options), CB_GETCURSEL, 0, 0));
                Guarded([&] { model_.ComboBox_OptionsChange(choice); });
            }
            return;
        case CheckBox_Sort:
            if (code == BN_CLICKED) {
                const bool checked =
                    SendMessageW(Control(CheckBox_Sort), BM_GETCHECK, 0, 0) == BST_CHECKED;
                Guarded([&] { model_.CheckBox_SortClick(checked); });
            }
            return;
        default:
            break;
    }
    if (code != BN_CLICKED)
        return;
    for (const ButtonIntent& button : kButtonIntents) {
        if (button.id == id)
            Guarded([&] { (model_.*button.intent)(); });
    }
}

std::optional<LRESULT> TForm2::Notify(const NMHDR& header, LPARAM lParam) {
    const auto id = static_cast<int>(header.idFrom);
    const bool list = id == ListView_Combinations || id == ListView_Options;
    if (header.code == LVN_GETDISPINFOW && id == ListView_Combinations) {
        AnswerRowText(lParam, [this](int row) { return model_.CombinationRow(row); });
        return 0;
    }
    if (header.code == LVN_GETDISPINFOW && id == ListView_Options) {
        AnswerCellText(lParam, [this](int row, int column) {
            return column == 0 ? model_.MemberOptionName(row) : model_.MemberFactorText(row);
        });
        return 0;
    }
    if (header.code == LVN_ITEMCHANGED && list && applying_ == 0) {
        const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change.uChanged & LVIF_STATE) != 0 &&
            ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) != 0) {
            clickPending_[id] = true;
            PostMessageW(window_, kListSelectionMoved, static_cast<WPARAM>(id), 0);
        }
        return 0;
    }
    // A click counts also on the row that was selected already, and below the rows.
    if (header.code == static_cast<UINT>(NM_CLICK) && list && applying_ == 0) {
        ListClicked(id);
        return 0;
    }
    if (header.code == static_cast<UINT>(UDN_DELTAPOS) && id == SpinEdit_FactorArrows) {
        // The model steps the factor; the arrows change nothing themselves.
        const int delta = reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta;
        Guarded([&] { model_.StepFactorField(delta); });
        return TRUE;
    }
    return std::nullopt;
}

void TForm2::ListClicked(int id) {
    clickPending_[id] = false;
    Guarded([&] { TellClick(id); });
}

void TForm2::TellClick(int id) {
    const int row = SelectedListViewRow(Control(static_cast<form2::Control>(id)));
    if (id == ListView_Combinations) {
        model_.ListView_CombinationsClick(row);
    } else {
        model_.ListView_OptionsClick(row);
    }
}

// --- Painting -----------------------------------------------------------------------------

void TForm2::DrawDiagramRow(const DRAWITEMSTRUCT& item) {
    // Painting may not open a message box (it would be painted over and over); a failure
    // leaves the row empty and is reported on the error output.
    RunWhilePainting([&] {
        PaintListRow(item, [&](HDC dc, const Rect& row) {
            SelectedFont font(
                dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
            const DiagramFont metrics{MeasureWith(dc), TextHeight(dc)};
            PaintDiagramRow(dc, model_.DiagramRowIn(static_cast<int>(item.itemID), row, metrics));
        });
    });
}

}  // namespace rangwerk::win32
