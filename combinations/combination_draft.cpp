#include "combinations/combination_draft.h"

#include <algorithm>
#include <utility>

#include "base/text.h"

namespace rangwerk {
namespace {

Refusal DuplicateMember(std::string_view optionName) {
    return {"Die Option \"" + std::string(optionName) + "\" ist bereits in der Liste vorhanden.",
            "Eintrag bereits vorhanden"};
}

std::int32_t FactorInRange(std::int32_t factor) {
    return std::clamp(factor, kMinFactor, kMaxFactor);
}

}  // namespace

void CombinationDraft::Clear() {
    name_.clear();
    rows_.clear();
}

void CombinationDraft::Load(const CombinationRecord& record) {
    name_ = record.name;
    rows_ = MemberRowsOf(record);
}

bool CombinationDraft::OptionTaken(std::string_view optionName,
                                   std::optional<std::size_t> except) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (i != except && EqualIgnoringCase(rows_[i].optionName, optionName))
            return true;
    }
    return false;
}

std::optional<Refusal> CombinationDraft::AddRow(std::string optionName, std::int32_t factor) {
    if (OptionTaken(optionName, std::nullopt))
        return DuplicateMember(optionName);
    rows_.push_back({std::move(optionName), FactorInRange(factor)});
    return std::nullopt;
}

std::optional<Refusal> CombinationDraft::UpdateRow(std::size_t index, std::string optionName,
                                                   std::int32_t factor) {
    if (index >= rows_.size())
        return std::nullopt;
    if (OptionTaken(optionName, index))
        return DuplicateMember(optionName);
    rows_[index] = {std::move(optionName), FactorInRange(factor)};
    return std::nullopt;
}

void CombinationDraft::RemoveRow(std::size_t index) {
    if (index < rows_.size())
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::size_t CombinationDraft::MoveRow(std::size_t index, bool up) {
    if (index >= rows_.size())
        return index;
    if (up ? index == 0 : index + 1 >= rows_.size())
        return index;
    const std::size_t target = up ? index - 1 : index + 1;
    std::swap(rows_[index], rows_[target]);
    return target;
}

}  // namespace rangwerk
