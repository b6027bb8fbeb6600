// The main window's model driven by thousands of random user actions, each among those the
// current page offers. After every action the window's rows, the ranking and the enablement
// must agree with the project and with the rules written out below.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "drawing/spoken_row.h"
#include "ui/main_window_fixture.h"

namespace rangwerk {
namespace {

// Answers every box with one of its buttons and every file dialog with a file of its folder
// or a cancel, at random.
class RandomDialogs : public Dialogs {
public:
    RandomDialogs(std::mt19937& random, std::filesystem::path folder)
        : random_(random), folder_(std::move(folder)) {}

    MessageButton ShowMessage(const MessageRequest& request) override {
        return request.buttons[Pick(request.buttons.size())];
    }
    std::optional<std::string> AskSaveFileName(const FileDialogRequest&) override {
        if (Pick(4) == 0)
            return std::nullopt;
        saved_ = (folder_ / ("p" + std::to_string(Pick(3)) + ".opt")).string();
        return saved_;
    }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest&) override {
        if (saved_.empty() || Pick(4) == 0)
            return std::nullopt;
        return saved_;
    }

private:
    std::size_t Pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    std::mt19937& random_;
    std::filesystem::path folder_;
    std::string saved_;
};

struct Action {
    const char* name;
    std::function<void()> run;
};

class RandomRun {
public:
    RandomRun(unsigned seed, std::filesystem::path folder)
        : random_(seed), dialogs_(random_, std::move(folder)) {
        model_.SetView(&window_);
        model_.SetCombinationsWindow(&combinations_);
    }

    void Step() {
        std::vector<Action> actions = Offered();
        const Action& action = actions[Pick(actions.size())];
        last_ = action.name;
        const int focus = model_.Screen().focusRequest;
        action.run();
        // The window reports the information field left when the model moved the focus.
        if (entered_ && (model_.Screen().focusRequest != focus ||
                         model_.Screen().page != MainPage::Comparisons)) {
            model_.InfoFieldLeft(*entered_);
            entered_.reset();
        }
    }

    // The rules, written out once more, against what the model shows.
    ::testing::AssertionResult Consistent() const {
        const MainWindowScreen& s = model_.Screen();
        const OptionList& options = project_.options;
        const int n = static_cast<int>(options.Count());
        const int page = static_cast<int>(s.page);
        const char* headlines[] = {"Neues Projekt oder Projekt öffnen", "Sammeln der Optionen",
                                   "Festlegen der Einstellungen", "Vergleich der Optionen",
                                   "Ergebnis"};
        if (s.headline != headlines[page])
            return Fail("headline " + s.headline);
        if (s.restartVisible != (page != 0) || s.saveVisible != (page != 0))
            return Fail("bottom row");
        if ((s.defaultButton == MainControl::Button_1Add) != (page == 1))
            return Fail("default button");
        const int sel = s.selectedOption;
        if (sel < -1 || sel >= n)
            return Fail("selection " + std::to_string(sel));
        if (s.updateEnabled != (sel >= 0) || s.deleteEnabled != (sel >= 0) ||
            s.upEnabled != (sel > 0) || s.downEnabled != (sel >= 0 && sel < n - 1)) {
            return Fail("selection rule");
        }

        std::vector<std::string> names;
        for (const OptionRecord* o : options.InOrder()) names.push_back(o->name);
        if (window_.Rows(MainList::Options) != names)
            return Fail("option rows");
        const RankingList& ranking = project_.run.Ranking();
        for (MainList list : {MainList::LiveRanking, MainList::ResultRanking}) {
            if (window_.Rows(list).size() != ranking.size() ||
                model_.RowCount(list) != static_cast<int>(ranking.size())) {
                return Fail("ranking row count");
            }
        }
        if (page < 3)
            return ::testing::AssertionSuccess();

        // The ranking rows: every option once, in score order, with the scores they have now.
        RankingList sorted = ranking;
        RankingList all = options.InOrder();
        std::sort(sorted.begin(), sorted.end());
        std::sort(all.begin(), all.end());
        if (sorted != all)
            return Fail("ranking is not the options");
        std::vector<std::int64_t> scores;
        for (const OptionRecord* o : ranking) scores.push_back(OptionScore(*o, project_.scores));
        if (!std::is_sorted(scores.begin(), scores.end(), std::greater<>()))
            return Fail("ranking out of order");
        if (model_.RankingScores() != scores)
            return Fail("drawn scores");
        RankingList again = ranking;
        if (RankOptions(again, project_.scores) != model_.RankingScale())
            return Fail("bar scale");
        for (std::size_t i = 0; i < ranking.size(); ++i) {
            const int row = static_cast<int>(i);
            if (model_.RankingRowName(row) != ranking[i]->name ||
                model_.RankingRowSpeech(row) !=
                    SpokenRankingRow(i, scores, model_.RankingScale(), ranking[i]->name)) {
                return Fail("ranking row " + std::to_string(i));
            }
        }
        if (page == 4)
            return ::testing::AssertionSuccess();

        // The pair on screen and the mark of its recorded answer.
        const int f = project_.run.FirstIndex();
        const int t = project_.run.SecondIndex();
        if (f < 0 || f >= t || t >= n)
            return Fail("pair");
        if (s.pairNames[0] != names[static_cast<std::size_t>(f)] ||
            s.pairNames[1] != names[static_cast<std::size_t>(t)]) {
            return Fail("pair names");
        }
        const std::optional<std::int32_t> answer = project_.run.RecordedAnswer();
        const AnswerButton italic = !answer        ? AnswerButton::None
                                    : *answer > 0  ? AnswerButton::Option1
                                    : *answer == 0 ? AnswerButton::Remis
                                                   : AnswerButton::Option2;
        if (s.italicAnswer != italic)
            return Fail("italic mark");
        return ::testing::AssertionSuccess();
    }

    const std::string& Last() const { return last_; }

private:
    ::testing::AssertionResult Fail(const std::string& what) const {
        return ::testing::AssertionFailure() << what << " after " << last_;
    }
    std::size_t Pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    int Row(int from, int to) {
        return from + static_cast<int>(Pick(static_cast<std::size_t>(to - from + 1)));
    }
    template <class T>
    const T& OneOf(const std::vector<T>& items) {
        return items[Pick(items.size())];
    }

    // The actions of the current page, more of the common ones.
    std::vector<Action> Offered() {
        std::vector<Action> a;
        MainWindowModel& m = model_;
        const auto add = [&](int weight, const char* name, std::function<void()> run) {
            for (int i = 0; i < weight; ++i) a.push_back({name, run});
        };
        const int n = static_cast<int>(project_.options.Count());
        const MainPage page = m.Screen().page;
        if (page != MainPage::Start) {
            add(1, "Startbildschirm", [&m] { m.Button_RestartClick(); });
            add(1, "Speichern", [&m] { m.SpeedButton_SaveClick(); });
        }
        switch (page) {
            case MainPage::Start:
                add(6, "Neues Projekt", [&m] { m.SpeedButton_0NewClick(); });
                add(2, "Öffnen", [&m] { m.SpeedButton_0OpenClick(); });
                break;
            case MainPage::Collect: {
                const std::vector<std::string> pool{"Apfel", "apfel", "Birne",   "Kiwi", "",
                                                    " ",     "Äpfel", "Zitrone", "Feige"};
                add(5, "Name", [this, &m, pool] { m.EditOptionName(OneOf(pool)); });
                add(1, "Info", [this, &m] { m.EditOptionInfo(Pick(2) ? "a\nb" : ""); });
                add(4, "Zeile", [this, &m, n] { m.ListView_1OptionsClick(Row(-1, n - 1)); });
                add(n < 9 ? 6 : 1, "Hinzufügen", [&m] { m.Button_1AddClick(); });
                add(2, "Aktualisieren", [&m] { m.Button_1UpdateClick(); });
                add(2, "Entfernen", [&m] { m.Button_1DelClick(); });
                add(2, "Hoch", [&m] { m.Button_1UpClick(); });
                add(2, "Runter", [&m] { m.Button_1DownClick(); });
                add(1, "Alles löschen", [&m] { m.Button_1DelAllClick(); });
                add(4, "Weiter 1", [&m] { m.Button_1NextClick(); });
                if (n > 0) {
                    add(1, "Kombination", [this, n] {
                        const std::string& member =
                            project_.options.At(static_cast<std::size_t>(Row(0, n - 1))).name;
                        project_.combinations.AddCombination(
                            "K" + std::to_string(project_.combinations.Count()), {{member, 2}},
                            project_.options);
                    });
                }
                break;
            }
            case MainPage::Settings: {
                const std::vector<std::string> texts{"1", "0", "-1", "2", "", "-", "x3", "5"};
                add(3, "Punkte", [this, &m, texts] {
                    m.EditPointsField(static_cast<ScoreField>(Row(0, 2)), OneOf(texts));
                });
                add(2, "Pfeil", [this, &m] {
                    m.StepPointsField(static_cast<ScoreField>(Row(0, 2)), Pick(2) ? 1 : -1);
                });
                add(2, "Reihenfolge",
                    [this, &m] { m.RadioGroup_2OrderClick(static_cast<QueryOrder>(Row(0, 2))); });
                add(1, "Zwischenstände", [this, &m] { m.CheckBox_2LiveScoreClick(Pick(2)); });
                add(1, "Beibehalten", [this, &m] { m.CheckBox_2KeepOldRankingClick(Pick(2)); });
                add(5, "Weiter 2", [&m] { m.Button_2NextClick(); });
                add(1, "Zurück 2", [&m] { m.Button_2_3_4BackClick(); });
                break;
            }
            case MainPage::Comparisons:
                add(3, "Option 1", [&m] { m.Button_3Option1Click(); });
                add(3, "Option 2", [&m] { m.Button_3Option2Click(); });
                add(3, "Unentschieden", [&m] { m.Button_3RemisClick(); });
                add(3, "Taste", [this, &m] {
                    m.FormKeyPress(OneOf(std::vector<std::string>{"0", "1", "2", "x"}));
                });
                add(2, "Vorheriger", [&m] { m.SpeedButton_3PreviousComparisonClick(); });
                add(2, "Nächster", [&m] { m.SpeedButton_3NextComparisonClick(); });
                add(2, "Menü", [this, &m] {
                    if (Pick(2)) {
                        m.Button_3ChooseOption1Click();
                    } else {
                        m.Button_3ChooseOption2Click();
                    }
                    std::vector<int> visible;
                    for (std::size_t i = 0; i < m.Screen().chooseMenu.size(); ++i) {
                        if (m.Screen().chooseMenu[i].visible)
                            visible.push_back(static_cast<int>(i));
                    }
                    if (!visible.empty())
                        m.MenuItem_3ChooseOption(OneOf(visible));
                });
                add(1, "Informationen", [this, &m] {
                    const PairSide side = Pick(2) ? PairSide::First : PairSide::Second;
                    if (entered_ && *entered_ != side)
                        m.InfoFieldLeft(*entered_);
                    entered_ = side;
                    m.InfoFieldEntered(side);
                    m.EditInfoField(side, "Notiz " + std::to_string(Pick(5)));
                });
                add(1, "Feld verlassen", [this, &m] {
                    if (entered_)
                        m.InfoFieldLeft(*entered_);
                    entered_.reset();
                });
                add(1, "Zurück 3", [&m] { m.Button_2_3_4BackClick(); });
                add(1, "Übersicht", [&m] { m.Button_3NextClick(); });
                break;
            case MainPage::Result:
                add(2, "Zurück 4", [&m] { m.Button_2_3_4BackClick(); });
                add(2, "Zum Anfang", [&m] { m.Button_4RestartClick(); });
                add(1, "Kombinationen", [&m] { m.Button_4CombinationsClick(); });
                break;
        }
        return a;
    }

    std::mt19937 random_;
    RandomDialogs dialogs_;
    Project project_;
    testing::FixedSeed seed_;
    testing::FakeCombinationsWindow combinations_;
    MainWindowModel model_{project_, dialogs_, seed_};
    testing::ListKeepingWindow window_{model_};
    std::optional<PairSide> entered_;
    std::string last_;
};

TEST(MainWindowModelRandom, RowsRankingAndEnablementHoldAfterEveryAction) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "rangwerk-main-window-random";
    std::filesystem::create_directories(folder);
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        RandomRun run(seed, folder);
        for (int step = 0; step < 3000; ++step) {
            ASSERT_NO_THROW(run.Step())
                << "seed " << seed << ", step " << step << ": " << run.Last();
            ASSERT_TRUE(run.Consistent()) << "seed " << seed << ", step " << step;
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace rangwerk
