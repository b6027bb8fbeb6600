#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "ui/main_window_model.h"
#include "ui/win32/fonts.h"
#include "ui/win32/pages.h"
#include "ui/win32/paint_area.h"
#include "ui/win32/top_level_window.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// The controls of the main window, by their command identifiers.
enum class Form1Control : int {
    Panel_Headline = 1001,
    Button_Exit,
    Button_Restart,
    SpeedButton_Save,

    SpeedButton_0New,
    SpeedButton_0Open,
    SpeedButton_0Info,
    Label_0New,
    Label_0Open,
    Label_0Info,

    Edit_1OptionName,
    Memo_1Info,
    Button_1Add,
    Button_1Update,
    Button_1DelAll,
    ListView_1Options,
    Button_1Del,
    Button_1Up,
    Button_1Down,
    Button_1Next,

    SpinEdit_2Win,
    SpinEdit_2Remis,
    SpinEdit_2Defeat,
    UpDown_2Win,
    UpDown_2Remis,
    UpDown_2Defeat,
    RadioGroup_2Order,
    RadioGroup_2Order_Item0,
    RadioGroup_2Order_Item1,
    RadioGroup_2Order_Item2,
    CheckBox_2LiveScore,
    CheckBox_2KeepOldRanking,
    Button_2Back,
    Button_2Next,

    Button_3Option1,
    Button_3ChooseOption1,
    Button_3ChooseOption2,
    Button_3Option2,
    Memo_3Option1Info,
    Memo_3Option2Info,
    Button_3Remis,
    SpeedButton_3PreviousComparison,
    SpeedButton_3NextComparison,
    ListBox_3Ranking,
    Button_3Back,
    Button_3Next,

    Button_4Combinations,
    ListBox_4Ranking,
    Button_4Back,
    Button_4Restart,
};

// The main window in Win32: the five pages over the main window's model, a modeless dialog of
// 420 × 361 pixels with a single fixed border. It shows the model's screen state on its controls
// and hands the controls' events to the model as intents; the notifications its own changes of
// the controls cause reach no intent. Created hidden, with the controls of the start page and of
// the window; each other page makes its controls when it is first shown.
class TForm1 : private WindowHandler, private MainWindowView {
public:
    TForm1(MainWindowModel& model, Dialogs& dialogs);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Handle() const { return window_; }
    // Null for a control of a page that has not been shown yet.
    HWND Control(Form1Control control) const;
    MainWindowModel& Model() { return model_; }
    // The page the window shows.
    int CurrentPage() const;

    // Shows the window, centred on the screen the first time.
    void Show();
    // Called when the window is closed (by "Ende", the close box or Alt+F4): the program ends.
    void SetOnClosed(std::function<void()> closed) { onClosed_ = std::move(closed); }

    // For the message loop, before the dialog manager sees a message: every typed character of
    // the window reaches the model's key handler (the answer keys) and goes on to its control.
    // Returns whether the message was used up (never: the key is not consumed).
    bool PreTranslateMessage(const MSG& message);

    // The message-font rule of the start: the window's font in points, and a new face for it.
    // The controls that follow the window's font take the face along; the headline and the bold
    // labels beside the start page's buttons keep their own.
    int FontPoints() const;
    void SetFontFace(const std::string& face);

private:
    // WindowHandler
    std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) override;
    // MainWindowView
    void Refresh() override;
    void ListChanged(MainList list, const ListChange& change) override;
    void PopUpChooseMenu(PairSide side) override;
    void CloseWindow() override;

    void CreateHeadlineAndBottomRow();
    void CreateStartPage();
    void CreateCollectPage();
    void CreateSettingsPage();
    void CreateComparisonPage();
    void CreateResultPage();

    // One user action, guarded where its event enters; nothing while the window shows the
    // model (the notification came from the window's own change).
    template <class Intent>
    void Act(Intent&& intent);
    void Command(int id, int code);
    std::optional<LRESULT> Notice(const NMHDR& notice, LPARAM lParam);
    void DrawItem(const DRAWITEMSTRUCT& item);
    void PaintRankingRow(const DRAWITEMSTRUCT& item);
    HWND ControlOf(MainControl control) const;
    void MoveFocusOffHiddenControls();
    // Makes the controls of a page the first time it is shown.
    void MakePage(MainPage page);
    void FindControls();

    MainWindowModel& model_;
    ActionGuard guard_;
    std::function<void()> onClosed_;
    FontDescription windowFontDescription_;
    Font windowFont_;
    Font italicFont_;
    Font headlineFont_;  // keeps its own: Arial 13 pixels, bold
    Font labelFont_;     // keeps its own: the window's Arial, bold
    HBRUSH headlineBrush_ = nullptr;
    // The pictures of the image buttons; the buttons keep pointers to them.
    Painter newPicture_;
    Painter openPicture_;
    Painter infoPicture_;
    Painter savePicture_;
    Painter previousPicture_;
    Painter nextPicture_;
    HWND window_ = nullptr;
    std::unique_ptr<PageSet> pages_;
    // The controls by identifier (Form1Control minus the first one).
    std::vector<HWND> controls_;
    std::array<bool, 5> pageMade_{};
    bool showing_ = false;  // set while Refresh and ListChanged change the controls
    int focusRequest_ = 0;
    int defaultButtonShown_ = -1;  // the identifier last given to DM_SETDEFID
    bool centred_ = false;
};

}  // namespace rangwerk::win32
