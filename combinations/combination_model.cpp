#include "combinations/combination_model.h"

#include <algorithm>

#include "base/failure.h"
#include "base/text.h"
#include "core/quicksort.h"
#include "core/rounding.h"

namespace rangwerk {
namespace {

constexpr const char* kNameCaption = "Name des Eintrags bereits vorhanden.";

Refusal DuplicateName(std::string_view name) {
    return {"Ein Eintrag mit dem Namen \"" + std::string(name) + "\" ist bereits vorhanden.",
            kNameCaption};
}

Refusal EmptyName() {
    return {"Sie müssen einen Namen für die Kombination eingeben.", kNameCaption};
}

Failure IndexBeyondMaximum(std::int64_t index) {
    return Failure("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
}

std::vector<CombinationMember> ResolveRows(const std::vector<MemberRow>& rows,
                                           OptionList& options) {
    std::vector<CombinationMember> members;
    members.reserve(rows.size());
    for (const MemberRow& row : rows) {
        OptionRecord* option = options.FindByName(row.optionName);
        if (!option) {
            throw Failure("Listenindex überschreitet das Maximum (" +
                          std::to_string(options.Count()) + ")");
        }
        members.push_back({option, row.factor});
    }
    return members;
}

}  // namespace

std::size_t CombinationList::CheckedIndex(std::size_t index) const {
    if (index >= records_.size())
        throw IndexBeyondMaximum(static_cast<std::int64_t>(index));
    return index;
}

std::vector<CombinationRecord*> CombinationList::InOrder() const {
    std::vector<CombinationRecord*> out;
    out.reserve(records_.size());
    for (const auto& r : records_) out.push_back(r.get());
    return out;
}

std::optional<Refusal> CombinationList::CheckNameForAdd(std::string_view name) const {
    if (name.empty())
        return EmptyName();
    for (const auto& r : records_) {
        if (EqualIgnoringCase(r->name, name))
            return DuplicateName(name);
    }
    return std::nullopt;
}

std::optional<Refusal> CombinationList::CheckNameForUpdate(std::size_t index,
                                                           std::string_view name) const {
    if (name.empty())
        return EmptyName();
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (i != index && EqualIgnoringCase(records_[i]->name, name))
            return DuplicateName(name);
    }
    return std::nullopt;
}

std::optional<Refusal> CombinationList::AddCombination(std::string name,
                                                       const std::vector<MemberRow>& rows,
                                                       OptionList& options) {
    if (auto refusal = CheckNameForAdd(name))
        return refusal;
    auto record = std::make_unique<CombinationRecord>();
    record->members = ResolveRows(rows, options);
    record->name = std::move(name);
    record->result = 0;
    records_.push_back(std::move(record));
    return std::nullopt;
}

std::optional<Refusal> CombinationList::UpdateCombination(std::size_t index, std::string name,
                                                          const std::vector<MemberRow>& rows,
                                                          OptionList& options) {
    CheckedIndex(index);
    if (auto refusal = CheckNameForUpdate(index, name))
        return refusal;
    auto members = ResolveRows(rows, options);
    records_[index]->name = std::move(name);
    records_[index]->members = std::move(members);
    return std::nullopt;
}

void CombinationList::DeleteCombination(std::size_t index, CombinationEvaluation& evaluation) {
    const CombinationRecord* gone = records_[CheckedIndex(index)].get();
    auto& sorted = evaluation.sorted;
    sorted.erase(std::remove(sorted.begin(), sorted.end(), gone), sorted.end());
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::size_t CombinationList::MoveCombination(std::size_t index, bool up) {
    CheckedIndex(index);
    const std::int64_t target = static_cast<std::int64_t>(index) + (up ? -1 : 1);
    if (target < 0 || target >= static_cast<std::int64_t>(records_.size()))
        throw IndexBeyondMaximum(target);
    std::swap(records_[index], records_[static_cast<std::size_t>(target)]);
    return static_cast<std::size_t>(target);
}

CombinationRecord& CombinationList::AppendRecord(std::unique_ptr<CombinationRecord> record) {
    records_.push_back(std::move(record));
    return *records_.back();
}

std::vector<MemberRow> MemberRowsOf(const CombinationRecord& record) {
    std::vector<MemberRow> rows;
    rows.reserve(record.members.size());
    for (const auto& m : record.members) rows.push_back({m.option->name, m.factor});
    return rows;
}

long double CombinationResult(const CombinationRecord& record, const ScoreSettings& settings) {
    // Each product of a 64-bit score and a factor below 2^13 is exact in long double, and so
    // are their sums as long as they stay below 2^64: no overflow with extreme points.
    long double sum = 0;
    long double weights = 0;
    for (const auto& m : record.members) {
        sum += static_cast<long double>(OptionScore(*m.option, settings)) * m.factor;
        weights += m.factor;
    }
    if (weights == 0)
        return 0;
    return sum / weights;
}

void EvaluateCombinations(CombinationList& list, const ScoreSettings& settings,
                          CombinationEvaluation& evaluation) {
    evaluation.minResult = 0;
    evaluation.maxResult = 0;
    for (CombinationRecord* record : list.InOrder()) {
        record->result = CombinationResult(*record, settings);
        if (record->result < evaluation.minResult) {
            evaluation.minResult = record->result;
        } else if (record->result > evaluation.maxResult) {
            evaluation.maxResult = record->result;
        }
    }
    evaluation.sorted = list.InOrder();
    QuickSort(evaluation.sorted, [](const CombinationRecord* a, const CombinationRecord* b) {
        return a->result > b->result ? -1 : (a->result < b->result ? 1 : 0);
    });
    if (evaluation.minResult == 0) {
        evaluation.zeroOffset = 0;
    } else if (evaluation.maxResult == 0) {
        evaluation.zeroOffset = 260;
    } else {
        evaluation.zeroOffset = static_cast<std::int32_t>(RoundHalfEven(
            -evaluation.minResult / (evaluation.maxResult - evaluation.minResult) * 260));
    }
}

}  // namespace rangwerk
