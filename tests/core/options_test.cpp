#include <gtest/gtest.h>

#include <random>
#include <set>

#include "core/options.h"
#include "core/run.h"

namespace rangwerk {
namespace {

std::vector<std::uint32_t> Ids(const OptionList& list) {
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 0; i < list.Count(); ++i) ids.push_back(list.At(i).id);
    return ids;
}

// Every option has one entry per listed option, its own entry is never decided, and decided
// pairs carry opposite outcomes.
void ExpectMatrixSound(const OptionList& list) {
    const std::size_t n = list.Count();
    std::set<std::uint32_t> ids;
    for (std::size_t i = 0; i < n; ++i) ids.insert(list.At(i).id);
    ASSERT_EQ(ids.size(), n) << "ids are not distinct";
    for (std::size_t i = 0; i < n; ++i) {
        const OptionRecord& a = list.At(i);
        ASSERT_EQ(a.results.size(), n);
        std::set<std::uint32_t> seen;
        for (const ResultEntry& e : a.results) seen.insert(e.opponentId);
        ASSERT_EQ(seen, ids) << "option " << a.name << " lacks or repeats an opponent";
        const ResultEntry& self =
            a.results[static_cast<std::size_t>(FindResultEntry(a.results, a.id))];
        EXPECT_FALSE(self.decided);
        for (std::size_t j = 0; j < n; ++j) {
            if (i == j)
                continue;
            const OptionRecord& b = list.At(j);
            const ResultEntry& ab =
                a.results[static_cast<std::size_t>(FindResultEntry(a.results, b.id))];
            const ResultEntry& ba =
                b.results[static_cast<std::size_t>(FindResultEntry(b.results, a.id))];
            ASSERT_EQ(ab.decided, ba.decided);
            if (ab.decided) {
                ASSERT_EQ(ab.outcome, -ba.outcome);
            }
        }
    }
}

TEST(OptionList, IdsAreReusedFromTheTopDown) {
    OptionList list;
    list.AddOption("A", "");
    list.AddOption("B", "");
    EXPECT_EQ(Ids(list), (std::vector<std::uint32_t>{0, 1}));
    list.AddOption("C", "");
    list.RemoveOption(1);  // id 1
    EXPECT_EQ(list.AddOption("D", "").id, 1u);
    EXPECT_EQ(list.AddOption("E", "").id, 3u);

    // Ids {0, 2}: the highest free number not above the count is taken.
    OptionList gaps;
    gaps.AddOption("A", "");
    gaps.AddOption("B", "");
    gaps.AddOption("C", "");
    gaps.RemoveOption(1);
    EXPECT_EQ(Ids(gaps), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_EQ(gaps.NewOptionId(), 1u);
}

TEST(OptionList, NameChecksRefuseEmptyAndDuplicateNames) {
    OptionList list;
    const Refusal empty{"Sie müssen einen Namen für den Eintrag eingeben.",
                        "Name des Eintrags bereits vorhanden."};
    EXPECT_EQ(list.CheckNameForAdd(""), empty);
    EXPECT_EQ(list.CheckNameForAdd("   "), std::nullopt) << "blanks are a name";
    list.AddOption("apfel", "");
    list.AddOption("Äpfel", "");
    list.AddOption("Birne", "");

    const Refusal dup{"Ein Eintrag mit dem Namen \"Apfel\" ist bereits vorhanden.",
                      "Name des Eintrags bereits vorhanden."};
    EXPECT_EQ(list.CheckNameForAdd("Apfel"), dup);
    EXPECT_TRUE(list.CheckNameForAdd("äPFEL").has_value()) << "umlauts compare ignoring case";
    EXPECT_EQ(list.CheckNameForAdd("Apfe"), std::nullopt) << "no prefix match";
    EXPECT_EQ(list.CheckNameForAdd("Apfel "), std::nullopt);

    // Update: the option's own name, or a new letter case of it, is allowed.
    EXPECT_EQ(list.CheckNameForUpdate(0, "APFEL"), std::nullopt);
    EXPECT_EQ(list.CheckNameForUpdate(0, "apfel"), std::nullopt);
    EXPECT_TRUE(list.CheckNameForUpdate(2, "APFEL").has_value());
    EXPECT_TRUE(list.CheckNameForUpdate(0, "birne").has_value()) << "search wraps past the end";
    EXPECT_EQ(list.CheckNameForUpdate(1, ""), empty);
}

TEST(OptionList, AddGrowsTheMatrixAndRemoveShrinksIt) {
    OptionList list;
    OptionRecord& a = list.AddOption("A", "info A");
    list.AddOption("B", "");
    list.AddOption("C", "");
    EXPECT_EQ(a.info, "info A");
    // The newcomer's entries follow the list order; older options get it appended.
    EXPECT_EQ(list.At(2).results[0].opponentId, 0u);
    EXPECT_EQ(list.At(0).results.back().opponentId, 2u);
    ExpectMatrixSound(list);

    RecordAnswer(list.At(0), list.At(2), Answer::FirstSuperior);
    list.RemoveOption(1);
    ASSERT_EQ(list.Count(), 2u);
    ExpectMatrixSound(list);
    const ResultEntry& ac =
        list.At(0)
            .results[static_cast<std::size_t>(FindResultEntry(list.At(0).results, list.At(1).id))];
    EXPECT_TRUE(ac.decided);
    EXPECT_EQ(ac.outcome, 1);
}

TEST(OptionList, RemovalListenerHearsBeforeTheOptionLeaves) {
    struct Listener : OptionRemovalListener {
        OptionList* list = nullptr;
        std::size_t countSeen = 0;
        std::size_t entriesSeen = 0;
        std::string name;
        void OptionRemoving(OptionRecord& option) override {
            countSeen = list->Count();
            entriesSeen = list->At(0).results.size();
            name = option.name;
        }
    } listener;
    OptionList list;
    listener.list = &list;
    list.SetRemovalListener(&listener);
    list.AddOption("A", "");
    list.AddOption("B", "");
    list.RemoveOption(1);
    EXPECT_EQ(listener.name, "B");
    EXPECT_EQ(listener.countSeen, 2u);
    EXPECT_EQ(listener.entriesSeen, 2u);
}

TEST(OptionList, MoveKeepsIdsAndAnswers) {
    OptionList list;
    list.AddOption("A", "");
    list.AddOption("B", "");
    list.AddOption("C", "");
    RecordAnswer(list.At(0), list.At(1), Answer::SecondSuperior);
    OptionRecord* b = &list.At(1);
    list.MoveOption(1, true);
    EXPECT_EQ(&list.At(0), b) << "the record keeps its address";
    EXPECT_EQ(Ids(list), (std::vector<std::uint32_t>{1, 0, 2}));
    list.MoveOption(0, true);   // the first row cannot move up
    list.MoveOption(2, false);  // nor the last one down
    EXPECT_EQ(Ids(list), (std::vector<std::uint32_t>{1, 0, 2}));
    const auto& entry =
        list.At(0).results[static_cast<std::size_t>(FindResultEntry(list.At(0).results, 0))];
    EXPECT_TRUE(entry.decided);
    EXPECT_EQ(entry.outcome, 1) << "B was superior to A";
    ExpectMatrixSound(list);
}

TEST(OptionList, RandomOperationsKeepTheMatrixSquareAndAntisymmetric) {
    std::mt19937 rng(20041208);
    for (int round = 0; round < 40; ++round) {
        OptionList list;
        int nameCounter = 0;
        for (int step = 0; step < 120; ++step) {
            const int op = static_cast<int>(rng() % 10);
            const std::size_t n = list.Count();
            if (op < 4 || n < 2) {
                list.AddOption("O" + std::to_string(nameCounter++), "");
            } else if (op < 6) {
                list.RemoveOption(rng() % n);
            } else if (op < 7) {
                list.MoveOption(rng() % n, rng() % 2 == 0);
            } else if (op < 8) {
                list.UpdateOption(rng() % n, "U" + std::to_string(nameCounter++), "x");
            } else {
                const std::size_t i = rng() % n;
                std::size_t j = rng() % n;
                if (i == j)
                    j = (j + 1) % n;
                RecordAnswer(list.At(i), list.At(j), static_cast<Answer>(rng() % 3));
            }
            ExpectMatrixSound(list);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(OptionList, ReorderRefusesAnOrderThatLosesRecords) {
    OptionList list;
    list.AddOption("A", "");
    list.AddOption("B", "");
    auto order = list.InOrder();
    EXPECT_THROW(list.Reorder({order[0], order[0]}), std::logic_error);
    EXPECT_THROW(list.Reorder({order[0]}), std::logic_error);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0).name, "A") << "a refused order changes nothing";
    EXPECT_EQ(list.At(1).name, "B");
}

}  // namespace
}  // namespace rangwerk
