#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/refusal.h"

namespace rangwerk {

// One option's comparison with one opponent.
struct ResultEntry {
    std::uint32_t opponentId = 0;
    std::int32_t outcome = 0;  // +1 superior, 0 equal, -1 inferior
    bool decided = false;

    bool operator==(const ResultEntry&) const = default;
};

// How many decided entries of an option hold each outcome; entries with any other outcome are
// not counted. A score is these counts times the current points.
struct OutcomeCounts {
    std::int64_t superior = 0;
    std::int64_t tie = 0;
    std::int64_t inferior = 0;

    void Add(const ResultEntry& entry, std::int64_t sign);
    bool operator==(const OutcomeCounts&) const = default;
};

// One collected option. Other records refer to it by address (ranking, combination members)
// or by id (result entries, project file); never by list position.
struct OptionRecord {
    std::uint32_t id = 0;
    std::string name;
    std::string info;
    std::vector<ResultEntry> results;
    // The counts of `results`, kept by every operation that changes an entry (AddOption,
    // RemoveOption, AppendRecord, SetResultEntry, RecordAnswer, a run's start). Code that
    // changes `results` by other means calls RecountOutcomes afterwards.
    OutcomeCounts counts;
};

// Index of the first entry for the opponent, or -1.
int FindResultEntry(const std::vector<ResultEntry>& results, std::uint32_t opponentId);

// Counts the entries afresh.
OutcomeCounts CountOutcomes(const std::vector<ResultEntry>& results);
void RecountOutcomes(OptionRecord& option);

// Replaces one entry and keeps the counts.
void SetResultEntry(OptionRecord& option, std::size_t index, const ResultEntry& entry);

// Told before an option leaves the list, while it and its result entries are still there.
class OptionRemovalListener {
public:
    virtual ~OptionRemovalListener() = default;
    virtual void OptionRemoving(OptionRecord& option) = 0;
};

// The ordered list of all options. It owns its records; their addresses stay valid for as long
// as they are in the list, whatever the order.
class OptionList {
public:
    OptionList() = default;
    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

    std::size_t Count() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    OptionRecord& At(std::size_t index) { return *records_.at(index); }
    const OptionRecord& At(std::size_t index) const { return *records_.at(index); }

    // List position of the record, or -1.
    int IndexOf(const OptionRecord* record) const;
    // The first option with the id, or nullptr.
    OptionRecord* FindById(std::uint32_t id);
    // The first option whose name equals the text exactly, or nullptr.
    OptionRecord* FindByName(std::string_view name);
    // The records in list order.
    std::vector<OptionRecord*> InOrder() const;

    // The name checks that precede add and update; nothing when the name may be used.
    std::optional<Refusal> CheckNameForAdd(std::string_view name) const;
    std::optional<Refusal> CheckNameForUpdate(std::size_t index, std::string_view name) const;

    std::uint32_t NewOptionId() const;

    // The list operations. Each keeps the result matrix square and antisymmetric.
    OptionRecord& AddOption(std::string name, std::string info);
    void UpdateOption(std::size_t index, std::string name, std::string info);
    void RemoveOption(std::size_t index);
    void RemoveAllOptions();
    void MoveOption(std::size_t index, bool up);

    // Puts the records into a new order; the given list holds each record exactly once.
    void Reorder(const std::vector<OptionRecord*>& order);

    // Appends a record as read from a project file, results and all.
    OptionRecord& AppendRecord(std::unique_ptr<OptionRecord> record);

    void SetRemovalListener(OptionRemovalListener* listener) { listener_ = listener; }

private:
    std::vector<std::unique_ptr<OptionRecord>> records_;
    OptionRemovalListener* listener_ = nullptr;
};

}  // namespace rangwerk
