// One answer through the Win32 main window: TForm1 over its model with the live standings
// showing, the key "1" typed at the focused answer button and the program's message loop run
// until it is idle (the live list has painted again). Timed at 30 and at 1000 options in the same
// run; the answer at 1000 options may cost at most twice the processor time of one at 30. Each
// repetition times a batch of answers (the thread's processor time is counted in ticks of
// several milliseconds); the best of the repetitions counts. Prints the times and the ratio and
// exits 1 above the limit. Run under Wine on a display: wine
// build/win64/bench/win32_answer_bench.exe
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "ui/win32/controls.h"
#include "ui/win32/form1.h"
#include "ui/win32/message_loop.h"

namespace {

using namespace rangwerk;
using win32::Form1Control;

constexpr double kLimit = 2.0;
constexpr int kAnswersPerRepetition = 200;
constexpr int kRepetitions = 7;

// No message box is expected; one would end the measurement.
class NoDialogs : public Dialogs {
public:
    MessageButton ShowMessage(const MessageRequest& request) override {
        std::fprintf(stderr, "unexpected message: %s\n", request.text.c_str());
        std::abort();
    }
    std::optional<std::string> AskSaveFileName(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest&) override { return {}; }
};

class OneSeed : public SeedSource {
public:
    std::uint32_t Seed() override { return 1u; }
};

double ProcessorSeconds() {
    FILETIME created{}, ended{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

struct Window {
    Project project;
    NoDialogs dialogs;
    OneSeed seed;
    MainWindowModel model{project, dialogs, seed};
    win32::TForm1 form{model, dialogs};
    win32::MessageLoop loop;
    int paints = 0;

    explicit Window(int options) {
        loop.AddDialogWindow(form.Handle());
        loop.SetFilter([this](MSG& message) {
            if (message.message == WM_PAINT &&
                message.hwnd == form.Control(Form1Control::ListBox_3Ranking))
                ++paints;
            return form.PreTranslateMessage(message);
        });
        model.SpeedButton_0NewClick();
        for (int k = 0; k < options; ++k) {
            model.EditOptionName("Option " + std::to_string(k));
            model.EditOptionInfo("Information");
            model.Button_1AddClick();
        }
        model.Button_1NextClick();
        model.RadioGroup_2OrderClick(QueryOrder::Unchanged);
        model.CheckBox_2LiveScoreClick(true);
        model.Button_2NextClick();
        form.Show();
        SetForegroundWindow(form.Handle());
        loop.RunUntilIdle();
        if (!IsWindowVisible(form.Control(Form1Control::ListBox_3Ranking)))
            std::abort();
    }

    void Answer() {
        if (model.Screen().page != MainPage::Comparisons) {
            model.Button_2_3_4BackClick();  // the run again from the first pair
            loop.RunUntilIdle();
        }
        // At the answer button that has the focus, as the keyboard would send it.
        HWND focus = GetFocus();
        if (focus == nullptr || !IsChild(form.Handle(), focus))
            focus = form.Control(Form1Control::Button_3Remis);
        const auto pair = std::make_pair(project.run.FirstIndex(), project.run.SecondIndex());
        PostMessageW(focus, WM_CHAR, L'1', 1);
        loop.RunUntilIdle();
        if (pair == std::make_pair(project.run.FirstIndex(), project.run.SecondIndex()) &&
            model.Screen().page == MainPage::Comparisons) {
            std::fprintf(stderr, "the key did not answer\n");
            std::exit(2);
        }
    }
};

// The best processor time of one answer, in seconds.
double BestAnswerTime(int options) {
    Window window(options);
    double best = 1e9;
    const int paintsBefore = window.paints;
    for (int r = 0; r < kRepetitions; ++r) {
        const double start = ProcessorSeconds();
        for (int i = 0; i < kAnswersPerRepetition; ++i) window.Answer();
        best = std::min(best, (ProcessorSeconds() - start) / kAnswersPerRepetition);
    }
    if (window.paints - paintsBefore < kRepetitions * kAnswersPerRepetition) {
        std::fprintf(stderr, "the live standings were not repainted after every answer\n");
        std::exit(2);
    }
    return best;
}

}  // namespace

int main() {
    win32::InitialiseCommonControls();
    const double small = BestAnswerTime(30);
    const double large = BestAnswerTime(1000);
    const double ratio = large / small;
    std::printf("one answer at 30 options: %.1f us, at 1000 options: %.1f us (processor time)\n",
                small * 1e6, large * 1e6);
    std::printf(
        "one answer at 1000 options costs %.2f times the processor time of one at 30 "
        "(limit %.1f)\n",
        ratio, kLimit);
    return ratio <= kLimit ? 0 : 1;
}
