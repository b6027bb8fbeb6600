// One answer through the main window: TForm1 over its model on the offscreen platform with the live
// standings showing, key "1" sent and the events handled until the window has painted again. Timed
// at 30 and at 1000 options in the same run; the answer at 1000 options may cost at most twice the
// processor time of one at 30. The program prints the ratio and exits 1 above the limit.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QListView>
#include <QRadioButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "best_times.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "ui/qt/ranko1.h"

namespace {

using namespace rangwerk;

constexpr double kLimit = 2.0;

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

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class OneSeed : public SeedSource {
public:
    std::uint32_t Seed() override { return 1u; }
};

struct Window {
    Project project;
    NoDialogs dialogs;
    OneSeed seed;
    MainWindowModel model{project, dialogs, seed};
    TForm1 form{model, dialogs};

    explicit Window(int options) {
        model.SpeedButton_0NewClick();
        for (int k = 0; k < options; ++k) {
            model.EditOptionName("Option " + std::to_string(k));
            model.EditOptionInfo("Information");
            model.Button_1AddClick();
        }
        model.Button_1NextClick();
        form.findChild<QRadioButton*>(QStringLiteral("RadioGroup_2Order_Item0"))->setChecked(true);
        form.findChild<QCheckBox*>(QStringLiteral("CheckBox_2LiveScore"))->setChecked(true);
        model.Button_2NextClick();
        live = form.findChild<QListView*>(QStringLiteral("ListBox_3Ranking"));
        if (!live || !live->isVisibleTo(&form))
            std::abort();
        live->viewport()->installEventFilter(&counter);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            std::abort();
        Settle();
    }
    static void Settle() {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
    QListView* live = nullptr;
    PaintCounter counter;

    void Answer() {
        QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
        QTest::keyClick(target, Qt::Key_1);
        Settle();  // the live list's repaint
    }
};

void BM_AnswerThroughTheWindow(benchmark::State& state) {
    Window window(static_cast<int>(state.range(0)));
    window.counter.paints = 0;
    for (auto _ : state) {
        if (window.model.Screen().page != MainPage::Comparisons) {
            state.PauseTiming();
            window.model.Button_2_3_4BackClick();  // the run again from the first pair
            Window::Settle();
            state.ResumeTiming();
        }
        window.Answer();
    }
    // Every answer repainted the live standings.
    state.counters["paints_per_answer"] =
        static_cast<double>(window.counter.paints) / static_cast<double>(state.iterations());
    if (window.counter.paints < static_cast<int>(state.iterations())) {
        state.SkipWithError("the live standings were not repainted after every answer");
    }
}
BENCHMARK(BM_AnswerThroughTheWindow)->Arg(30)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BestTimesReporter reporter(BestTimesReporter::Key::Arguments,
                               BestTimesReporter::Clock::Processor);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto small = reporter.best.find("30");
    const auto large = reporter.best.find("1000");
    if (small == reporter.best.end() || large == reporter.best.end())
        return 0;
    const double ratio = large->second / small->second;
    std::printf(
        "one answer at 1000 options costs %.2f times the processor time of one at 30 "
        "(limit %.1f)\n",
        ratio, kLimit);
    return ratio <= kLimit ? 0 : 1;
}
