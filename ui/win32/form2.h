#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "combinations/combinations_window_model.h"
#include "platform/action_guard.h"
#include "platform/dialogs.h"
#include "ui/info_model.h"
#include "ui/win32/fonts.h"
#include "ui/win32/pages.h"
#include "ui/win32/top_level_window.h"
#include "ui/win32/win32.h"

namespace rangwerk::win32 {

// The identifiers of the combinations window's controls, unique in the whole window.
namespace form2 {
enum Control : int {
    // Page 0 "Voreinstellungen".
    Label1 = 100,
    Label2,
    ListView_Combinations,
    Button_CombinationAdd,
    Button_CombinationUpdate,
    Button_CombinationDel,
    Button_CombinationUp,
    Button_CombinationDown,
    Label_CombinationName,
    Edit_CombinationName,
    Label3,
    ListView_Options,
    Button_OptionDel,
    Button_OptionUp,
    Button_OptionDown,
    ComboBox_Options,
    Button_OptionAdd,
    Label4,
    SpinEdit_Factor,
    SpinEdit_FactorArrows,
    Button_OptionUpdate,
    Button_Next,
    Button_Close0,  // "Schließen" of page 0
    // Page 1 "Diagramm".
    Label5,
    ListBox_Combinations,
    CheckBox_Sort,
    Button_Back,
    Button_Close1,  // "Schließen" of page 1
};
}  // namespace form2

// The combinations window (Win32): a tool window over the main window, not modal, that shows the
// combinations window's model on its two pages ("Voreinstellungen" and "Diagramm") and hands the
// user's actions to it. Closing it only hides it; it shows, hides and centres itself over the
// main window as the model's screen says. Every page has its own "Schließen", which Escape and
// the close box press.
//
// The window is a modeless dialog: the program's message loop must pass its messages to
// IsDialogMessage of Window() (MessageLoop::AddDialogWindow), or its keys do nothing.
class TForm2 : public FontedWindow, private WindowHandler, private CombinationsView {
public:
    // Creates the window hidden, owned by `mainWindow` (it stays above it), and shows `model`
    // for as long as the window exists. `dialogs` shows the failures of the user's actions.
    // Throws Failure when the window cannot be created.
    TForm2(CombinationsWindowModel& model, Dialogs& dialogs, HWND mainWindow);
    ~TForm2() override;
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    HWND Window() const { return window_; }
    // The controls exist once the window was first shown, or after MakeControls; before, a
    // control is null.
    HWND Control(form2::Control id) const;
    void MakeControls();

    // FontedWindow: the window's font, Arial 11 pixels (8 points); a new face goes to every
    // control, all of which follow the window's font.
    int FontPoints() const override;
    void SetFontFace(const std::string& face) override;

private:
    void CreatePresetsPage(HWND page);
    void CreateDiagramPage(HWND page);
    HWND Add(form2::Control id, HWND control);

    // CombinationsView
    void Refresh() override;
    void ListChanged(CombinationsList list, const CombinationsListChange& change) override;
    void ShowVisibility(const CombinationsScreen& s);

    // WindowHandler
    std::optional<LRESULT> HandleMessage(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) override;
    void Command(int id, int code);
    std::optional<LRESULT> Notify(const NMHDR& header, LPARAM lParam);
    void ListClicked(int id);
    void TellClick(int id);
    void DrawDiagramRow(const DRAWITEMSTRUCT& item);
    template <class Intent>
    void Guarded(Intent&& intent);

    CombinationsWindowModel& model_;
    ActionGuard guard_;
    HWND mainWindow_;
    FontDescription fontDescription_;
    Font font_;
    HWND window_ = nullptr;
    std::unique_ptr<PageSet> pages_;
    std::map<int, HWND> controls_;
    // Changes the window makes itself while it shows the model are no user actions.
    int applying_ = 0;
    // A list whose selection the user moved, until its click is handed on (ListClicked).
    std::map<int, bool> clickPending_;
    // The model's requests already carried out.
    int focusRequestDone_ = 0;
    int showRequestDone_ = 0;
};

}  // namespace rangwerk::win32
