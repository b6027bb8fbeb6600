#include "ui/win32/form2.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "support/scripted_dialogs.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/controls.h"
#include "ui/win32/gdi_painting.h"
#include "ui/win32/message_loop.h"

namespace rangwerk::win32 {
namespace {

using namespace form2;
using testing::Capture;
using testing::PostAltKey;
using testing::PostChar;
using testing::PostClick;
using testing::PostKey;
using Rows = std::vector<std::string>;

struct Workspace : CombinationWorkspace {};

class NoHandler : public WindowHandler {
public:
    std::optional<LRESULT> HandleMessage(HWND, UINT, WPARAM, LPARAM) override {
        return std::nullopt;
    }
};

// Every push button of the window with the name it has in the program.
const std::vector<std::pair<form2::Control, std::string>> kButtons{
    {Button_CombinationAdd, "CombinationAdd"},
    {Button_CombinationUpdate, "CombinationUpdate"},
    {Button_CombinationDel, "CombinationDel"},
    {Button_CombinationUp, "CombinationUp"},
    {Button_CombinationDown, "CombinationDown"},
    {Button_OptionDel, "OptionDel"},
    {Button_OptionUp, "OptionUp"},
    {Button_OptionDown, "OptionDown"},
    {Button_OptionAdd, "OptionAdd"},
    {Button_OptionUpdate, "OptionUpdate"},
    {Button_Next, "Next"},
    {Button_Close0, "Close"},
    {Button_Back, "Back"},
    {Button_Close1, "Close"},
};

class Form2Test : public ::testing::Test {
protected:
    Form2Test() {
        workspace.scores = {1, 0, -1};
        main = CreateTopLevelWindow({"Rangwerk", 420, 361, WindowFrame::Border::Single}, noHandler);
        SetWindowPos(main, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(main, SW_SHOW);
        MakeForm();
    }
    ~Form2Test() override {
        form.reset();
        DestroyWindow(main);
    }
    void TearDown() override { EXPECT_TRUE(dialogs.AllAnswered()); }

    void MakeForm(bool controls = true) {
        form.reset();
        form = std::make_unique<TForm2>(model, dialogs, main);
        if (controls)
            form->MakeControls();
        loop = MessageLoop();
        loop.AddDialogWindow(main);
        loop.AddDialogWindow(form->Window());
    }
    HWND C(form2::Control id) const { return form->Control(id); }
    void Run() { loop.RunUntilIdle(); }
    void Show() {
        model.ShowWindow();
        Run();
    }
    OptionRecord& Option(const std::string& name, int score) {
        OptionRecord& o = workspace.options.AddOption(name, "");
        o.results.assign(static_cast<std::size_t>(std::abs(score)),
                         ResultEntry{0, score < 0 ? -1 : 1, true});
        RecountOutcomes(o);
        return o;
    }
    // Results 2 and -1: the zero line lies 87 pixels into the bar area.
    void ShowDiagramOfPlusAndMinus() {
        Option("A", 2);
        Option("B", -1);
        ASSERT_FALSE(workspace.combinations.AddCombination("Minus", {{"B", 1}}, workspace.options));
        ASSERT_FALSE(workspace.combinations.AddCombination("Plus", {{"A", 1}}, workspace.options));
        Show();
        Click(Button_Next);
    }
    void Focus(form2::Control id) {
        SendMessageW(form->Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(C(id)), TRUE);
        Run();
    }
    // Typed into a field: its text is selected first, as Tab leaves it.
    void Type(form2::Control id, const std::wstring& text) {
        Focus(id);
        for (wchar_t c : text) PostChar(C(id), c);
        Run();
    }
    void Click(form2::Control id) {
        ASSERT_TRUE(IsWindowEnabled(C(id)) && IsWindowVisible(C(id))) << id;
        PostClick(C(id), 5, 5);
        Run();
    }
    void ClickRow(form2::Control list, int row) {
        RECT r{LVIR_BOUNDS, 0, 0, 0};
        ASSERT_TRUE(SendMessageW(C(list), LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                 reinterpret_cast<LPARAM>(&r)));
        PostClick(C(list), 10, (r.top + r.bottom) / 2);
        Run();
    }
    Rows ListRows(form2::Control list) {
        const int columns = list == ListView_Options ? 2 : 1;
        Rows rows;
        for (int row = 0; row < ListViewRowCount(C(list)); ++row) {
            std::string text;
            for (int column = 0; column < columns; ++column) {
                wchar_t cell[64] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = cell;
                item.cchTextMax = 64;
                SendMessageW(C(list), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(&item));
                text += (column > 0 ? "/" : "") + Utf8FromWide(cell);
            }
            rows.push_back(text);
        }
        return rows;
    }
    std::string ChosenText() {
        const LRESULT chosen = SendMessageW(C(ComboBox_Options), CB_GETCURSEL, 0, 0);
        wchar_t text[64] = {};
        if (chosen >= 0)
            SendMessageW(C(ComboBox_Options), CB_GETLBTEXT, static_cast<WPARAM>(chosen),
                         reinterpret_cast<LPARAM>(text));
        return Utf8FromWide(text);
    }
    // The buttons enabled as shown (on the page that shows).
    std::string EnabledButtons() {
        std::string names;
        for (const auto& [id, name] : kButtons) {
            if (IsWindowEnabled(C(id)) && IsWindowVisible(C(id)))
                names += (names.empty() ? "" : " ") + name;
        }
        return names;
    }
    int ShownPage() {
        EXPECT_NE(IsWindowVisible(C(Button_Next)), IsWindowVisible(C(Button_Back)));
        return IsWindowVisible(C(Button_Back)) ? 1 : 0;
    }

    NoHandler noHandler;
    HWND main = nullptr;
    Workspace workspace;
    rangwerk::testing::ScriptedDialogs dialogs;
    CombinationsWindowModel model{workspace, dialogs, ","};
    std::unique_ptr<TForm2> form;
    MessageLoop loop;
};

TEST_F(Form2Test, IsAToolWindowOverTheMainWindowWithItsControlsInArial) {
    EXPECT_EQ(TextOf(form->Window()), "Kombinationen");
    RECT client{};
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(client.right, 513);
    EXPECT_EQ(client.bottom, 355);
    EXPECT_EQ(GetWindow(form->Window(), GW_OWNER), main);
    EXPECT_EQ(form->FontPoints(), 8);
    for (form2::Control id :
         {Label1, ListView_Combinations, Edit_CombinationName, ListView_Options, ComboBox_Options,
          SpinEdit_Factor, Button_Next, ListBox_Combinations, CheckBox_Sort}) {
        EXPECT_EQ(testing::ChosenFaceOf(C(id)), L"Arial") << id;
    }
    RECT diagram{};
    GetWindowRect(C(ListBox_Combinations), &diagram);
    EXPECT_EQ(diagram.right - diagram.left, 497);
    EXPECT_EQ(diagram.bottom - diagram.top, 249);
    EXPECT_EQ(SendMessageW(C(ListBox_Combinations), LB_GETITEMHEIGHT, 0, 0), 16);
    EXPECT_NE(GetWindowLongW(C(ListBox_Combinations), GWL_STYLE) & LBS_NODATA, 0);

    // The member list's header: "Option" over the rest, "Faktor" 48 pixels.
    HWND header = ListView_GetHeader(C(ListView_Options));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
    wchar_t caption[16] = {};
    HDITEMW column{};
    column.mask = HDI_TEXT | HDI_WIDTH;
    column.pszText = caption;
    column.cchTextMax = 16;
    SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_EQ(std::wstring(caption), L"Faktor");
    EXPECT_EQ(column.cxy, 48);
    SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&column));
    EXPECT_EQ(std::wstring(caption), L"Option");
    EXPECT_EQ(GetWindowLongW(C(ComboBox_Options), GWL_STYLE) & CBS_SORT, 0);
    int low = 0, high = 0;
    SendMessageW(C(SpinEdit_FactorArrows), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 8191);

    EXPECT_FALSE(IsWindowVisible(form->Window()));
    Show();
    ASSERT_TRUE(IsWindowVisible(form->Window()));
    EXPECT_TRUE(IsWindowEnabled(main));
    RECT over{}, mine{};
    GetWindowRect(main, &over);
    GetWindowRect(form->Window(), &mine);
    EXPECT_LE(std::abs((mine.left + mine.right) - (over.left + over.right)), 1);
    EXPECT_LE(std::abs((mine.top + mine.bottom) - (over.top + over.bottom)), 1);

    // The message-font rule gives every control the new face.
    form->SetFontFace("DejaVu Sans");
    for (form2::Control id : {Label5, ListView_Options, ComboBox_Options, Button_Close0})
        EXPECT_EQ(testing::ChosenFaceOf(C(id)), L"DejaVu Sans") << id;
}

// The controls are made when the window first shows, with the rows of what exists by then, in
// the face the window was given meanwhile.
TEST_F(Form2Test, MakesItsControlsWhenFirstShownWithTheRowsAndFaceOfThatTime) {
    MakeForm(false);
    EXPECT_EQ(C(ListView_Combinations), nullptr);
    Option("A", 2);
    Option("B", -1);
    ASSERT_FALSE(workspace.combinations.AddCombination("Minus", {{"B", 1}}, workspace.options));
    ASSERT_FALSE(workspace.combinations.AddCombination("Plus", {{"A", 1}}, workspace.options));
    form->SetFontFace("Tahoma");
    Show();
    ASSERT_NE(C(ListView_Combinations), nullptr);
    EXPECT_TRUE(IsWindowVisible(form->Window()));
    EXPECT_EQ(ListView_GetItemCount(C(ListView_Combinations)), 2);
    EXPECT_EQ(SendMessageW(C(ComboBox_Options), CB_GETCOUNT, 0, 0), 2);
    Click(Button_Next);
    EXPECT_EQ(SendMessageW(C(ListBox_Combinations), LB_GETCOUNT, 0, 0), 2);
    const Font tahoma = MakeFont({L"Tahoma", 11});
    EXPECT_EQ(testing::ChosenFaceOf(C(Button_Next)), ChosenFace(tahoma.Handle()));
}

TEST_F(Form2Test, ShowsTheCaptionsAndOffersOnlyAddNextAndCloseAtFirst) {
    for (const char* name : {"Zitrone", "apfel", "Birne"}) Option(name, 0);
    Show();
    EXPECT_EQ(ShownPage(), 0);
    EXPECT_EQ(EnabledButtons(), "CombinationAdd Next Close");
    const std::vector<std::pair<form2::Control, std::string>> captions{
        {Label1,
         "Sie können verschiedene Optionen zu Kombinationen zusammenfassen und diese "
         "untereinander vergleichen."},
        {Label2, "&Kombinationen:"},
        {Button_CombinationAdd, "Hinz&ufügen"},
        {Button_CombinationUpdate, "Ak&tualisieren"},
        {Button_CombinationDel, "Entfer&nen"},
        {Button_CombinationUp, "H&och"},
        {Button_CombinationDown, "Runt&er"},
        {Label_CombinationName, "Na&me der Kombination:"},
        {Label3, "Eingehende &Optionen:"},
        {Button_OptionDel, "Ent&fernen"},
        {Button_OptionUp, "&Hoch"},
        {Button_OptionDown, "&Runter"},
        {Button_OptionAdd, "Hin&zufügen"},
        {Label4, "F&aktor:"},
        {Button_OptionUpdate, "Aktua&lisieren"},
        {Button_Next, "&Weiter >"},
        {Button_Close0, "Schließen"},
        {Label5, "Ergebnis der Auswertung:"},
        {CheckBox_Sort, "Nach Ergebnis &sortieren"},
        {Button_Back, "< &Zurück"},
        {Button_Close1, "Schließen"}};
    for (const auto& [id, caption] : captions) EXPECT_EQ(TextOf(C(id)), caption) << id;
    // The choice in the model's order, nothing chosen; the factor 1.
    ASSERT_EQ(SendMessageW(C(ComboBox_Options), CB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t text[32] = {};
        SendMessageW(C(ComboBox_Options), CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(Utf8FromWide(text), model.ChoiceRow(i));
    }
    EXPECT_EQ(ChosenText(), "");
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "1");
}

// The controls show the model's editing area and hand clicks, keys and typing to it.
TEST_F(Form2Test, ControlsShowTheEditingAreaAndPassOnTheUsersActions) {
    Option("A", 1);
    Option("B", 2);
    Option("C", 3);
    Show();
    Focus(ComboBox_Options);
    PostChar(C(ComboBox_Options), L'B');
    Run();
    EXPECT_EQ(ChosenText(), "B");
    EXPECT_EQ(EnabledButtons(), "CombinationAdd OptionAdd OptionUpdate Next Close");
    Type(SpinEdit_Factor, L"3");
    PostAltKey(GetFocus(), L'z');  // "Hin&zufügen"
    Run();
    EXPECT_EQ(ListRows(ListView_Options), Rows{"B/3"});
    EXPECT_EQ(ChosenText(), "");
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "1");
    for (const auto& [letter, factor] : {std::pair{L'A', L"2"}, std::pair{L'C', L"1"}}) {
        Focus(ComboBox_Options);
        PostChar(C(ComboBox_Options), letter);
        Type(SpinEdit_Factor, factor);
        Click(Button_OptionAdd);
    }
    ClickRow(ListView_Options, 0);
    EXPECT_EQ(ChosenText(), "B");
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "3");
    EXPECT_EQ(EnabledButtons(),
              "CombinationAdd OptionDel OptionDown OptionAdd OptionUpdate Next Close");
    Click(Button_OptionDown);
    EXPECT_EQ(ListRows(ListView_Options), (Rows{"A/2", "B/3", "C/1"}));
    EXPECT_EQ(SelectedListViewRow(C(ListView_Options)), 1);

    // The arrow keys step the factor; leaving the field shows the factor a text stands for.
    Focus(SpinEdit_Factor);
    PostKey(GetFocus(), VK_UP);
    Run();
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "4");
    Type(SpinEdit_Factor, L"9000");
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "9000");
    PostKey(GetFocus(), VK_TAB);
    Run();
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "8191");
    // A text that is no number stands for 1: the arrows step from there, not from the field's.
    Type(SpinEdit_Factor, L"x");
    PostKey(GetFocus(), VK_UP);
    Run();
    EXPECT_EQ(TextOf(C(SpinEdit_Factor)), "2");

    Type(Edit_CombinationName, L"Urlaub");
    PostAltKey(GetFocus(), L'u');  // "Hinz&ufügen"
    Run();
    EXPECT_EQ(ListRows(ListView_Combinations), Rows{"Urlaub"});
    EXPECT_EQ(TextOf(C(Edit_CombinationName)), "");
    EXPECT_EQ(ListRows(ListView_Options), Rows{});
    EXPECT_EQ(GetFocus(), C(Edit_CombinationName));
    Type(Edit_CombinationName, L"Zwei");
    Click(Button_CombinationAdd);

    ClickRow(ListView_Combinations, 0);
    EXPECT_EQ(TextOf(C(Edit_CombinationName)), "Urlaub");
    EXPECT_EQ(ListRows(ListView_Options), (Rows{"A/2", "B/3", "C/1"}));
    // A click on the selected row loads it again, without what was typed since.
    Type(Edit_CombinationName, L"Ferien");
    ClickRow(ListView_Combinations, 0);
    EXPECT_EQ(TextOf(C(Edit_CombinationName)), "Urlaub");
    EXPECT_EQ(EnabledButtons(),
              "CombinationAdd CombinationUpdate CombinationDel CombinationDown "
              "Next Close");
    // A key moves the selection like a click.
    PostKey(GetFocus(), VK_DOWN);
    Run();
    EXPECT_EQ(TextOf(C(Edit_CombinationName)), "Zwei");
    // A click below the rows selects nothing and empties the editing area.
    RECT list{};
    GetClientRect(C(ListView_Combinations), &list);
    PostClick(C(ListView_Combinations), 20, list.bottom - 5);
    Run();
    EXPECT_EQ(SelectedListViewRow(C(ListView_Combinations)), -1);
    EXPECT_EQ(TextOf(C(Edit_CombinationName)), "");
    EXPECT_EQ(EnabledButtons(), "CombinationAdd Next Close");
}

TEST_F(Form2Test, EnterPressesEachPagesDefaultButtonAndEscapeAndTheCloseBoxHide) {
    Show();
    Focus(Edit_CombinationName);
    PostKey(GetFocus(), VK_RETURN);
    Run();
    EXPECT_EQ(ShownPage(), 1);
    EXPECT_TRUE(model.DiagramShowing());
    PostKey(GetFocus(), VK_RETURN);
    Run();
    EXPECT_EQ(ShownPage(), 0);
    PostKey(GetFocus(), VK_ESCAPE);
    Run();
    EXPECT_FALSE(IsWindowVisible(form->Window()));
    EXPECT_FALSE(model.WindowVisible());

    Show();
    PostKey(GetFocus(), VK_RETURN);
    Run();
    PostMessageW(form->Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Run();
    EXPECT_FALSE(IsWindowVisible(form->Window()));
    EXPECT_FALSE(model.WindowVisible());
    EXPECT_EQ(model.Page(), 1);
}

TEST_F(Form2Test, AFailureOfAnActionShowsTheGeneralError) {
    Option("A", 1);
    Option("B", 2);
    ASSERT_FALSE(workspace.combinations.AddCombination("Eins", {{"A", 2}}, workspace.options));
    Show();
    ClickRow(ListView_Combinations, 0);
    // The option is renamed in the main window while the rows show the old name.
    workspace.options.At(0).name = "A neu";
    dialogs.AnswerMessage(MessageButton::Ok);
    Click(Button_CombinationUpdate);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.LastMessage().caption, "Rangwerk");
    EXPECT_EQ(dialogs.LastMessage().icon, MessageIcon::Error);
}

// Pixels of the diagram list compared with what GDI draws of the rows' layout in the list's
// font: the texts where the layout puts them, the bars in their colours.
class DiagramPixels {
public:
    DiagramPixels(HWND list, const CombinationsWindowModel& model) : list_(list), model_(model) {}

    void ExpectRowsAsLaidOut(int rows, int selectedRow) {
        const Capture capture = testing::CaptureClient(list_);
        HDC dc = CreateCompatibleDC(nullptr);
        SelectedFont font(dc, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
        const DiagramFont metrics{MeasureWith(dc), TextHeight(dc)};
        for (int i = 0; i < rows; ++i) {
            SCOPED_TRACE(i);
            const Rect rect{0, i * 16, capture.width, (i + 1) * 16};
            const DiagramRow row = model_.DiagramRowIn(i, rect, metrics);
            ASSERT_TRUE(row.draw);
            const bool selected = i == selectedRow;
            const Color background =
                testing::SystemColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
            const Capture texts = testing::PaintedBy(capture.width, capture.height, [&](HDC ref) {
                FillWithColor(ref, Rect{0, 0, capture.width, capture.height}, background);
                SelectedFont refFont(
                    ref, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
                SetTextColor(ref, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
                for (const auto& text : {row.rank.value_or(PlacedText{}), row.name, row.value})
                    DrawPlacedText(ref, text, row.textY, false);
            });
            for (const auto& text : {row.rank.value_or(PlacedText{}), row.name, row.value}) {
                const int end = text.x + metrics.measure(text.text);
                EXPECT_TRUE(testing::SamePixels(capture, texts, text.x, rect.top, end, rect.bottom))
                    << text.text;
                EXPECT_TRUE(capture.AnyPixelOtherThan(text.x, rect.top, end, rect.bottom,
                                                      background) == !text.text.empty());
            }
            ASSERT_TRUE(row.bar);
            const int left = std::min(row.bar->x1, row.bar->x2);
            const int right = std::max(row.bar->x1, row.bar->x2);
            const int middle = (row.bar->top + row.bar->bottom) / 2;
            EXPECT_EQ(capture.At(left - 1, middle), background);
            EXPECT_EQ(capture.At(left, middle), Rgb(0, 0, 0));
            EXPECT_EQ(capture.At(left + 1, middle), row.bar->color);
            EXPECT_EQ(capture.At(right - 2, middle), row.bar->color);
            EXPECT_EQ(capture.At(right - 1, middle), Rgb(0, 0, 0));
            EXPECT_EQ(capture.At(left + 2, row.bar->top), Rgb(0, 0, 0));
            EXPECT_EQ(capture.At(left + 2, row.bar->top - 1), background);
        }
        DeleteDC(dc);
    }

private:
    HWND list_;
    const CombinationsWindowModel& model_;
};

TEST_F(Form2Test, DiagramRowsArePaintedAsLaidOutInBothOrders) {
    ShowDiagramOfPlusAndMinus();
    ASSERT_EQ(RowCount(C(ListBox_Combinations)), 2);
    // The list's focus frame would lie over the rows' edges.
    Focus(CheckBox_Sort);
    DiagramPixels pixels(C(ListBox_Combinations), model);
    pixels.ExpectRowsAsLaidOut(2, -1);

    // The bars around the zero line, 87 pixels into the bar area: "Plus" green to its right
    // with its value left of it, "Minus" red to its left with its value right of it.
    const Capture capture = testing::CaptureClient(C(ListBox_Combinations));
    const int zero = capture.width - 280 + 87;
    EXPECT_EQ(capture.At(zero + 5, 16 + 8), Rgb(0, 255, 0));
    EXPECT_EQ(capture.At(zero - 5, 8), Rgb(255, 0, 0));

    PostAltKey(GetFocus(), L's');  // "Nach Ergebnis &sortieren"
    Run();
    ASSERT_TRUE(model.Screen().sorted);
    PostClick(C(ListBox_Combinations), 10, 16 + 8);
    Run();
    Focus(CheckBox_Sort);
    pixels.ExpectRowsAsLaidOut(2, 1);
}

TEST_F(Form2Test, WhileAScreenReaderRunsTheDiagramRowsCarryTheirSpokenTexts) {
    BOOL before = FALSE;
    SystemParametersInfoW(SPI_GETSCREENREADER, 0, &before, 0);
    SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, nullptr, 0);
    MakeForm();
    SystemParametersInfoW(SPI_SETSCREENREADER, before, nullptr, 0);
    ShowDiagramOfPlusAndMinus();
    const auto rowTexts = [this] {
        Rows rows;
        for (int i = 0; i < RowCount(C(ListBox_Combinations)); ++i) {
            wchar_t text[128] = {};
            SendMessageW(C(ListBox_Combinations), LB_GETTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text));
            rows.push_back(Utf8FromWide(text));
        }
        return rows;
    };
    EXPECT_EQ(rowTexts(), (Rows{model.SpokenDiagramRow(0), model.SpokenDiagramRow(1)}));
    EXPECT_NE(model.SpokenDiagramRow(0), "");
    Focus(CheckBox_Sort);
    PostKey(GetFocus(), VK_SPACE);
    Run();
    ASSERT_TRUE(model.Screen().sorted);
    EXPECT_EQ(rowTexts(), (Rows{model.SpokenDiagramRow(0), model.SpokenDiagramRow(1)}));
    // The texts are not drawn.
    DiagramPixels(C(ListBox_Combinations), model).ExpectRowsAsLaidOut(2, -1);
}

}  // namespace
}  // namespace rangwerk::win32
