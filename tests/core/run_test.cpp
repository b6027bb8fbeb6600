#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/run.h"

namespace rangwerk {
namespace {

// Records every call of the step routine's listener as a line of text.
struct Recorder : RunListener {
    std::vector<std::string> calls;
    void RefreshCombinations() override { calls.push_back("refresh"); }
    void RankingChanged() override { calls.push_back("rank"); }
    void RunFinished() override { calls.push_back("finished"); }
    void ShowPair(int f, int s) override {
        calls.push_back("pair " + std::to_string(f) + "," + std::to_string(s));
    }
    void ShowRecordedAnswer(std::optional<std::int32_t> outcome) override {
        calls.push_back(outcome ? "answer " + std::to_string(*outcome) : "open");
    }
    std::string Last(int back = 0) const {
        return calls[calls.size() - 1 - static_cast<size_t>(back)];
    }
};

class RunTest : public ::testing::Test {
protected:
    void Make(std::initializer_list<const char*> names) {
        for (const char* n : names) list.AddOption(n, "");
    }
    void StartRun(QueryOrder order = QueryOrder::Unchanged, bool keep = true,
                  std::uint32_t seed = 0) {
        ASSERT_EQ(run.Start(order, keep, seed), std::nullopt);
        run.NextComparison(false);
    }
    std::pair<int, int> Pair() const { return {run.FirstIndex(), run.SecondIndex()}; }
    std::vector<std::string> Names() const {
        std::vector<std::string> v;
        for (size_t i = 0; i < list.Count(); ++i) v.push_back(list.At(i).name);
        return v;
    }

    OptionList list;
    ScoreSettings settings{1, 0, -1};
    ComparisonRun run{list, settings};
    Recorder recorder;

    void SetUp() override { run.SetListener(&recorder); }
};

TEST_F(RunTest, StartRefusesWithoutQueryOrderOrWithEqualPoints) {
    Make({"B", "A"});
    const Refusal order{
        "Sie müssen angeben, in welcher Reihenfolge die Optionen abgefragt werden sollen.",
        "Abgabe zur Reihenfolge fehlt"};
    EXPECT_EQ(run.Start(QueryOrder::None, true, 0), order);
    settings = {1, 0, 1};
    auto refusal = run.Start(QueryOrder::Alphabetical, true, 0);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->caption, "Ungültige Werte") << "the points are checked first";
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A"})) << "nothing reordered";
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(RunTest, WalkOrderForwardWithTheEndAfterTheLastPair) {
    for (int n : {2, 3, 5}) {
        OptionList l;
        for (int k = 0; k < n; ++k) l.AddOption("o" + std::to_string(k), "");
        ComparisonRun r(l, settings);
        Recorder rec;
        r.SetListener(&rec);
        ASSERT_EQ(r.Start(QueryOrder::Unchanged, true, 0), std::nullopt);
        std::vector<std::pair<int, int>> seen;
        for (int step = 0; step < n * n; ++step) {
            r.NextComparison(false);
            if (rec.Last() == "finished")
                break;
            seen.emplace_back(r.FirstIndex(), r.SecondIndex());
        }
        std::vector<std::pair<int, int>> expected;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) expected.emplace_back(i, j);
        EXPECT_EQ(seen, expected) << n << " options";
        EXPECT_EQ(rec.Last(), "finished");
        EXPECT_EQ(r.FirstIndex(), n - 2) << "the last pair stays";
        EXPECT_EQ(r.SecondIndex(), n - 1);
    }
}

TEST_F(RunTest, BackwardWalkWrapsFromTheFirstPairToTheLast) {
    Make({"A", "B", "C"});
    StartRun();
    EXPECT_EQ(Pair(), (std::pair{0, 1}));
    run.NextComparison(true);
    EXPECT_EQ(Pair(), (std::pair{1, 2}));
    run.NextComparison(true);
    EXPECT_EQ(Pair(), (std::pair{0, 2}));
    run.NextComparison(true);
    EXPECT_EQ(Pair(), (std::pair{0, 1}));

    OptionList two;
    two.AddOption("X", "");
    two.AddOption("Y", "");
    ComparisonRun r(two, settings);
    ASSERT_EQ(r.Start(QueryOrder::Unchanged, true, 0), std::nullopt);
    r.NextComparison(false);
    r.NextComparison(true);
    EXPECT_EQ(r.FirstIndex(), 0) << "with two options the wrap lands on the same pair";
    EXPECT_EQ(r.SecondIndex(), 1);

    OptionList five;
    for (const char* n : {"a", "b", "c", "d", "e"}) five.AddOption(n, "");
    ComparisonRun f(five, settings);
    ASSERT_EQ(f.Start(QueryOrder::Unchanged, true, 0), std::nullopt);
    f.NextComparison(false);
    f.NextComparison(true);
    EXPECT_EQ(std::pair(f.FirstIndex(), f.SecondIndex()), (std::pair{3, 4}));
    f.NextComparison(true);
    EXPECT_EQ(std::pair(f.FirstIndex(), f.SecondIndex()), (std::pair{2, 4}));
    f.NextComparison(true);
    EXPECT_EQ(std::pair(f.FirstIndex(), f.SecondIndex()), (std::pair{2, 3}));
    f.NextComparison(true);
    EXPECT_EQ(std::pair(f.FirstIndex(), f.SecondIndex()), (std::pair{1, 4}));
}

TEST_F(RunTest, StepCallsTheListenerInOrder) {
    Make({"A", "B", "C"});
    StartRun();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"refresh", "rank", "pair 0,1", "open"}));
    recorder.calls.clear();
    run.Record(Answer::SecondSuperior);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"refresh", "rank", "pair 0,2", "open"}));
    run.NextComparison(true);
    EXPECT_EQ(recorder.Last(), "answer -1") << "the recorded answer of the pair is shown";
}

TEST_F(RunTest, AnswersAreWrittenOnBothSidesAndOverwritten) {
    Make({"A", "B"});
    StartRun();
    run.Record(Answer::FirstSuperior);
    EXPECT_EQ(recorder.Last(), "finished");
    OptionRecord& a = list.At(0);
    OptionRecord& b = list.At(1);
    auto entry = [](OptionRecord& o, const OptionRecord& other) {
        return o.results[static_cast<size_t>(FindResultEntry(o.results, other.id))];
    };
    EXPECT_EQ(entry(a, b), (ResultEntry{b.id, 1, true}));
    EXPECT_EQ(entry(b, a), (ResultEntry{a.id, -1, true}));
    run.Resume();
    run.Record(Answer::SecondSuperior);
    EXPECT_EQ(entry(a, b), (ResultEntry{b.id, -1, true}));
    EXPECT_EQ(entry(b, a), (ResultEntry{a.id, 1, true}));
    run.Resume();
    run.Record(Answer::Tie);
    EXPECT_EQ(entry(a, b), (ResultEntry{b.id, 0, true}));
    EXPECT_EQ(entry(b, a), (ResultEntry{a.id, 0, true}));
}

TEST_F(RunTest, AlphabeticalOrderUsesWindows1252Bytes) {
    Make({"Zitrone", "Birne", "apfel", "Äpfel", "Zwiebel", "ŁÓDŹ", "ab"});
    ASSERT_EQ(run.Start(QueryOrder::Alphabetical, true, 0), std::nullopt);
    EXPECT_EQ(run.Ranking(), list.InOrder()) << "the ranking starts from the new order";
    // Ä (0xC4) sorts after every ASCII letter; Ł is not in Windows-1252 and sorts last.
    EXPECT_EQ(Names(), (std::vector<std::string>{"ab", "apfel", "Birne", "Zitrone", "Zwiebel",
                                                 "Äpfel", "ŁÓDŹ"}));
}

TEST_F(RunTest, RandomOrderFollowsTheGenerator) {
    Make({"A", "B", "C", "D", "E", "F", "G"});
    const std::uint32_t seed = 0xDEADBEEF;
    // The expected permutation, worked out from the generator's definition.
    std::vector<std::string> expected{"A", "B", "C", "D", "E", "F", "G"};
    std::uint64_t s = seed;
    for (size_t i = 0; i < expected.size(); ++i) {
        s = (s * 134775813ull + 1ull) % (1ull << 32);
        const size_t j = static_cast<size_t>((s * (expected.size() - i)) >> 32);
        std::string moved = expected[i + j];
        expected.erase(expected.begin() + static_cast<long>(i + j));
        expected.insert(expected.begin() + static_cast<long>(i), moved);
    }
    StartRun(QueryOrder::Random, true, seed);
    EXPECT_EQ(Names(), expected);
    EXPECT_NE(Names(), (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G"}));

    std::uint32_t g = 1;
    EXPECT_EQ(NextRandom(g, 10), 0u);  // 134775814 · 10 >> 32
    EXPECT_EQ(g, 134775814u);
}

TEST_F(RunTest, KeptAnswersStayAndClearedOnesCountForNothing) {
    Make({"A", "B", "C"});
    StartRun();
    run.Record(Answer::FirstSuperior);  // A > B
    run.Record(Answer::Tie);            // A = C
    // A new option starts undecided; the old pairs keep their answers.
    list.AddOption("D", "");
    StartRun(QueryOrder::Unchanged, true);
    EXPECT_EQ(recorder.Last(), "answer 1");
    run.NextComparison(false);
    EXPECT_EQ(recorder.Last(), "answer 0");
    run.NextComparison(false);
    EXPECT_EQ(recorder.Last(), "open") << "(A, D) is new";

    StartRun(QueryOrder::Unchanged, false);
    EXPECT_EQ(recorder.Last(), "open");
    for (size_t i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(OptionScore(list.At(i), settings), 0);
        for (const auto& e : list.At(i).results) EXPECT_FALSE(e.decided);
    }
    EXPECT_EQ(list.At(0).results[1].outcome, 1) << "outcomes stay, only undecided";
}

TEST_F(RunTest, AnswersAreFoundByIdAfterAMove) {
    Make({"A", "B", "C"});
    StartRun();
    run.Record(Answer::FirstSuperior);  // A > B
    list.MoveOption(0, false);          // B, A, C
    StartRun();
    EXPECT_EQ(list.At(0).name, "B");
    EXPECT_EQ(recorder.Last(), "answer -1") << "B is inferior to A";
}

TEST_F(RunTest, ChoosingThePairFreely) {
    Make({"A", "B", "C", "D"});
    StartRun();
    EXPECT_EQ(run.ChoosableFirst(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(run.ChoosableSecond(), (std::vector<int>{1, 2, 3}));
    run.ChooseSecond(3);
    EXPECT_EQ(Pair(), (std::pair{0, 3}));
    run.ChooseFirst(1);
    EXPECT_EQ(Pair(), (std::pair{1, 3})) << "a second option after the first stays";
    EXPECT_EQ(run.ChoosableSecond(), (std::vector<int>{2, 3}));
    run.ChooseFirst(2);
    EXPECT_EQ(Pair(), (std::pair{2, 3}));
    run.ChooseFirst(2);
    EXPECT_EQ(Pair(), (std::pair{2, 3}));
    run.ChooseSecond(3);
    EXPECT_EQ(Pair(), (std::pair{2, 3})) << "choosing the last pair never ends the run";
    EXPECT_NE(recorder.Last(), "finished");
    run.ChooseFirst(0);
    EXPECT_EQ(Pair(), (std::pair{0, 3}));
    run.ChooseSecond(1);
    run.ChooseFirst(2);
    EXPECT_EQ(Pair(), (std::pair{2, 3})) << "the second moves behind a first chosen at or after it";
    EXPECT_THROW(run.ChooseFirst(3), std::out_of_range);
    EXPECT_THROW(run.ChooseSecond(2), std::out_of_range);
}

TEST_F(RunTest, ResumingFromTheResultPage) {
    Make({"A", "B", "C"});
    StartRun();
    run.NextComparison(false);  // (0, 2)
    // "Übersicht >" leaves the pair as it is; going back shows it again.
    run.Resume();
    EXPECT_EQ(Pair(), (std::pair{0, 2}));
    run.Record(Answer::Tie);
    run.Record(Answer::Tie);
    EXPECT_EQ(recorder.Last(), "finished");
    run.Resume();
    EXPECT_EQ(Pair(), (std::pair{0, 1})) << "a finished run starts again at the first pair";
    EXPECT_EQ(recorder.Last(), "open");
}

TEST_F(RunTest, RestoreLandsOnTheSavedPair) {
    Make({"A", "B", "C", "D"});
    run.Restore(1, 2);
    run.NextComparison(false);
    EXPECT_EQ(Pair(), (std::pair{1, 2}));
    EXPECT_EQ(run.Ranking().size(), 4u);
    run.Restore(2, 3);
    run.NextComparison(false);
    EXPECT_EQ(Pair(), (std::pair{2, 3})) << "the last pair is shown, not finished";
    EXPECT_NE(recorder.Last(), "finished");
}

}  // namespace
}  // namespace rangwerk
