#include "core/options.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"

namespace rangwerk {
namespace {

constexpr const char* kNameCaption = "Name des Eintrags bereits vorhanden.";

Refusal DuplicateName(std::string_view name) {
    return {"Ein Eintrag mit dem Namen \"" + std::string(name) + "\" ist bereits vorhanden.",
            kNameCaption};
}

}  // namespace

int FindResultEntry(const std::vector<ResultEntry>& results, std::uint32_t opponentId) {
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].opponentId == opponentId)
            return static_cast<int>(i);
    }
    return -1;
}

void OutcomeCounts::Add(const ResultEntry& entry, std::int64_t sign) {
    if (!entry.decided)
        return;
    if (entry.outcome == 1) {
        superior += sign;
    } else if (entry.outcome == 0) {
        tie += sign;
    } else if (entry.outcome == -1) {
        inferior += sign;
    }
}

OutcomeCounts CountOutcomes(const std::vector<ResultEntry>& results) {
    OutcomeCounts counts;
    for (const ResultEntry& e : results) counts.Add(e, 1);
    return counts;
}

void RecountOutcomes(OptionRecord& option) {
    option.counts = CountOutcomes(option.results);
}

void SetResultEntry(OptionRecord& option, std::size_t index, const ResultEntry& entry) {
    ResultEntry& old = option.results.at(index);
    option.counts.Add(old, -1);
    old = entry;
    option.counts.Add(entry, 1);
}

int OptionList::IndexOf(const OptionRecord* record) const {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].get() == record)
            return static_cast<int>(i);
    }
    return -1;
}

OptionRecord* OptionList::FindById(std::uint32_t id) {
    for (auto& r : records_) {
        if (r->id == id)
            return r.get();
    }
    return nullptr;
}

OptionRecord* OptionList::FindByName(std::string_view name) {
    for (auto& r : records_) {
        if (r->name == name)
            return r.get();
    }
    return nullptr;
}

std::vector<OptionRecord*> OptionList::InOrder() const {
    std::vector<OptionRecord*> out;
    out.reserve(records_.size());
    for (const auto& r : records_) out.push_back(r.get());
    return out;
}

std::optional<Refusal> OptionList::CheckNameForAdd(std::string_view name) const {
    if (name.empty()) {
        return Refusal{"Sie müssen einen Namen für den Eintrag eingeben.", kNameCaption};
    }
    for (const auto& r : records_) {
        if (EqualIgnoringCase(r->name, name))
            return DuplicateName(name);
    }
    return std::nullopt;
}

std::optional<Refusal> OptionList::CheckNameForUpdate(std::size_t index,
                                                      std::string_view name) const {
    if (name.empty()) {
        return Refusal{"Sie müssen einen Namen für den Eintrag eingeben.", kNameCaption};
    }
    // The search starts after the updated option and wraps around; the option itself does not
    // count, so keeping its name or changing only the letter case is allowed.
    const std::size_t n = records_.size();
    for (std::size_t k = 1; k < n; ++k) {
        const std::size_t i = (index + k) % n;
        if (EqualIgnoringCase(records_[i]->name, name))
            return DuplicateName(name);
    }
    return std::nullopt;
}

std::uint32_t OptionList::NewOptionId() const {
    const std::size_t n = records_.size();
    if (n == 0)
        return 0;
    std::unordered_set<std::uint32_t> used;
    used.reserve(n);
    for (const auto& r : records_) used.insert(r->id);
    for (std::size_t candidate = n + 1; candidate-- > 0;) {
        if (!used.count(static_cast<std::uint32_t>(candidate))) {
            return static_cast<std::uint32_t>(candidate);
        }
    }
    return static_cast<std::uint32_t>(n);  // unreachable: n distinct ids leave one of n+1 free
}

OptionRecord& OptionList::AddOption(std::string name, std::string info) {
    auto record = std::make_unique<OptionRecord>();
    record->id = NewOptionId();
    record->name = std::move(name);
    record->info = std::move(info);
    const std::uint32_t newId = record->id;
    for (auto& older : records_) older->results.push_back({newId, 0, false});
    records_.push_back(std::move(record));
    OptionRecord& added = *records_.back();
    added.results.reserve(records_.size());
    for (const auto& r : records_) added.results.push_back({r->id, 0, false});
    return added;
}

void OptionList::UpdateOption(std::size_t index, std::string name, std::string info) {
    OptionRecord& r = At(index);
    r.name = std::move(name);
    r.info = std::move(info);
}

void OptionList::RemoveOption(std::size_t index) {
    OptionRecord& removed = At(index);
    if (listener_)
        listener_->OptionRemoving(removed);
    const std::uint32_t id = removed.id;
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index));
    for (auto& r : records_) {
        const int k = FindResultEntry(r->results, id);
        if (k >= 0) {
            r->counts.Add(r->results[static_cast<std::size_t>(k)], -1);
            r->results.erase(r->results.begin() + k);
        }
        if (r->results.size() != records_.size()) {
            r->results.resize(records_.size());
            RecountOutcomes(*r);
        }
    }
}

void OptionList::RemoveAllOptions() {
    records_.clear();
}

void OptionList::MoveOption(std::size_t index, bool up) {
    if (index >= records_.size())
        throw std::out_of_range("MoveOption");
    if (up ? index == 0 : index + 1 >= records_.size())
        return;
    const std::size_t target = up ? index - 1 : index + 1;
    std::swap(records_[index], records_[target]);
}

void OptionList::Reorder(const std::vector<OptionRecord*>& order) {
    // Checked in full before anything moves, so a faulty order loses nothing.
    std::unordered_map<const OptionRecord*, std::size_t> position;
    position.reserve(records_.size());
    for (std::size_t i = 0; i < records_.size(); ++i) position[records_[i].get()] = i;
    if (order.size() != records_.size())
        throw std::logic_error("Reorder: records missing");
    std::vector<bool> taken(records_.size(), false);
    for (OptionRecord* record : order) {
        auto it = position.find(record);
        if (it == position.end() || taken[it->second]) {
            throw std::logic_error("Reorder: unknown or repeated record");
        }
        taken[it->second] = true;
    }
    std::vector<std::unique_ptr<OptionRecord>> next;
    next.reserve(records_.size());
    for (OptionRecord* record : order) next.push_back(std::move(records_[position[record]]));
    records_ = std::move(next);
}

OptionRecord& OptionList::AppendRecord(std::unique_ptr<OptionRecord> record) {
    RecountOutcomes(*record);
    records_.push_back(std::move(record));
    return *records_.back();
}

}  // namespace rangwerk
