#include "core/run.h"

#include <stdexcept>

#include "core/name_order.h"
#include "core/quicksort.h"

namespace rangwerk {

std::uint32_t NextRandom(std::uint32_t& seed, std::uint32_t n) {
    seed = seed * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * n) >> 32);
}

void ShuffleOrder(std::vector<OptionRecord*>& order, std::uint32_t seed) {
    const std::size_t n = order.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = NextRandom(seed, static_cast<std::uint32_t>(n - i));
        OptionRecord* moved = order[i + j];
        for (std::size_t k = i + j; k > i; --k) order[k] = order[k - 1];
        order[i] = moved;
    }
}

void SortOrderByName(std::vector<OptionRecord*>& order) {
    QuickSort(order, [](const OptionRecord* a, const OptionRecord* b) {
        return CompareNames(a->name, b->name);
    });
}

std::optional<Refusal> ComparisonRun::Start(QueryOrder order, bool keepAnswers,
                                            std::uint32_t seed) {
    if (auto refusal = CheckScoreSettings(settings_))
        return refusal;
    if (order == QueryOrder::None) {
        return Refusal{
            "Sie müssen angeben, in welcher Reihenfolge die Optionen abgefragt werden sollen.",
            "Abgabe zur Reihenfolge fehlt"};
    }
    std::vector<OptionRecord*> reordered = options_.InOrder();
    if (order == QueryOrder::Alphabetical) {
        SortOrderByName(reordered);
    } else if (order == QueryOrder::Random) {
        ShuffleOrder(reordered, seed);
    }
    options_.Reorder(reordered);
    ranking_ = options_.InOrder();
    if (!keepAnswers) {
        for (OptionRecord* o : ranking_) {
            for (ResultEntry& e : o->results) e.decided = false;
            o->counts = OutcomeCounts{};
        }
    }
    KeepScores();
    firstIndex_ = 0;
    secondIndex_ = 0;
    return std::nullopt;
}

void ComparisonRun::KeepScores() {
    scores_.clear();
    scores_.reserve(ranking_.size());
    for (const OptionRecord* o : ranking_) scores_.push_back(OptionScore(*o, settings_));
}

void ComparisonRun::NextComparison(bool backwards) {
    if (listener_)
        listener_->RefreshCombinations();
    scale_ = RankOptions(ranking_, settings_, &scores_);
    if (listener_)
        listener_->RankingChanged();

    const int n = static_cast<int>(options_.Count());
    if (n < 2)
        throw std::logic_error("NextComparison needs two options");
    if (!backwards) {
        if (secondIndex_ < n - 1) {
            ++secondIndex_;
        } else if (firstIndex_ < n - 2) {
            ++firstIndex_;
            secondIndex_ = firstIndex_ + 1;
        } else {
            if (listener_)
                listener_->RunFinished();
            return;
        }
    } else {
        if (secondIndex_ > firstIndex_ + 1) {
            --secondIndex_;
        } else if (firstIndex_ > 0) {
            --firstIndex_;
            secondIndex_ = n - 1;
        } else {
            firstIndex_ = n - 2;
            secondIndex_ = n - 1;
        }
    }
    if (listener_) {
        listener_->ShowPair(firstIndex_, secondIndex_);
        listener_->ShowRecordedAnswer(RecordedAnswer());
    }
}

void RecordAnswer(OptionRecord& first, OptionRecord& second, Answer answer) {
    const int a = FindResultEntry(first.results, second.id);
    const int b = FindResultEntry(second.results, first.id);
    if (a < 0 || b < 0)
        throw std::logic_error("RecordAnswer: missing result entry");
    const std::int32_t outcome =
        answer == Answer::FirstSuperior ? 1 : (answer == Answer::SecondSuperior ? -1 : 0);
    SetResultEntry(first, static_cast<std::size_t>(a), {second.id, outcome, true});
    SetResultEntry(second, static_cast<std::size_t>(b), {first.id, -outcome, true});
}

void ComparisonRun::Record(Answer answer) {
    RecordAnswer(options_.At(static_cast<std::size_t>(firstIndex_)),
                 options_.At(static_cast<std::size_t>(secondIndex_)), answer);
    NextComparison(false);
}

std::vector<int> ComparisonRun::ChoosableFirst() const {
    std::vector<int> out;
    for (int k = 0; k + 1 < static_cast<int>(options_.Count()); ++k) out.push_back(k);
    return out;
}

std::vector<int> ComparisonRun::ChoosableSecond() const {
    std::vector<int> out;
    for (int k = firstIndex_ + 1; k < static_cast<int>(options_.Count()); ++k) out.push_back(k);
    return out;
}

void ComparisonRun::ChooseFirst(int position) {
    const int n = static_cast<int>(options_.Count());
    if (position < 0 || position > n - 2)
        throw std::out_of_range("ChooseFirst");
    firstIndex_ = position;
    if (secondIndex_ <= position)
        secondIndex_ = position + 1;
    ShowCurrentPair();
}

void ComparisonRun::ChooseSecond(int position) {
    const int n = static_cast<int>(options_.Count());
    if (position <= firstIndex_ || position > n - 1)
        throw std::out_of_range("ChooseSecond");
    secondIndex_ = position;
    ShowCurrentPair();
}

void ComparisonRun::ShowCurrentPair() {
    --secondIndex_;
    NextComparison(false);
}

void ComparisonRun::Resume() {
    const int n = static_cast<int>(options_.Count());
    if (firstIndex_ == n - 2) {
        firstIndex_ = 0;
        secondIndex_ = 1;
    }
    ShowCurrentPair();
}

void ComparisonRun::Restore(int first, int second) {
    ranking_ = options_.InOrder();
    KeepScores();
    firstIndex_ = first;
    secondIndex_ = second - 1;
}

void ComparisonRun::Clear() {
    ranking_.clear();
    scores_.clear();
    scale_ = BarScale{};
    firstIndex_ = 0;
    secondIndex_ = 0;
}

std::optional<std::int32_t> ComparisonRun::RecordedAnswer() const {
    const int n = static_cast<int>(options_.Count());
    if (firstIndex_ < 0 || secondIndex_ < 0 || firstIndex_ >= n || secondIndex_ >= n) {
        return std::nullopt;
    }
    const OptionRecord& first = options_.At(static_cast<std::size_t>(firstIndex_));
    const OptionRecord& second = options_.At(static_cast<std::size_t>(secondIndex_));
    const int k = FindResultEntry(first.results, second.id);
    if (k < 0 || !first.results[static_cast<std::size_t>(k)].decided)
        return std::nullopt;
    return first.results[static_cast<std::size_t>(k)].outcome;
}

void ComparisonRun::Forget(const OptionRecord* option) {
    for (std::size_t i = 0; i < ranking_.size(); ++i) {
        if (ranking_[i] == option) {
            ranking_.erase(ranking_.begin() + static_cast<std::ptrdiff_t>(i));
            if (i < scores_.size())
                scores_.erase(scores_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

}  // namespace rangwerk
