#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "core/refusal.h"
#include "core/scoring.h"

namespace rangwerk {

// One member of a combination: the option record itself and its weight.
struct CombinationMember {
    OptionRecord* option = nullptr;
    std::int32_t factor = 1;
};

inline constexpr std::int32_t kMinFactor = 1;
inline constexpr std::int32_t kMaxFactor = 8191;

struct CombinationRecord {
    std::string name;
    std::vector<CombinationMember> members;
    long double result = 0;  // of the last evaluation
};

// A member row as the combinations window shows it: the option's name and the factor.
struct MemberRow {
    std::string optionName;
    std::int32_t factor = 1;

    bool operator==(const MemberRow&) const = default;
};

// The result of the last evaluation: the range of the results, the zero line inside the
// 260-pixel bar area of the diagram, and the combinations ordered by result, highest first.
struct CombinationEvaluation {
    long double minResult = 0;
    long double maxResult = 0;
    std::int32_t zeroOffset = 0;
    std::vector<CombinationRecord*> sorted;
};

class CombinationList {
public:
    CombinationList() = default;
    CombinationList(const CombinationList&) = delete;
    CombinationList& operator=(const CombinationList&) = delete;

    std::size_t Count() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    // A position without a combination throws Failure
    // "Listenindex überschreitet das Maximum (position)", here and in every operation below.
    CombinationRecord& At(std::size_t index) { return *records_[CheckedIndex(index)]; }
    const CombinationRecord& At(std::size_t index) const { return *records_[CheckedIndex(index)]; }
    std::vector<CombinationRecord*> InOrder() const;

    std::optional<Refusal> CheckNameForAdd(std::string_view name) const;
    std::optional<Refusal> CheckNameForUpdate(std::size_t index, std::string_view name) const;

    // Add and update run the name check, then resolve every row before anything changes:
    // a row naming no option throws Failure "Listenindex überschreitet das Maximum (N)"
    // and leaves the list exactly as it was.
    std::optional<Refusal> AddCombination(std::string name, const std::vector<MemberRow>& rows,
                                          OptionList& options);
    std::optional<Refusal> UpdateCombination(std::size_t index, std::string name,
                                             const std::vector<MemberRow>& rows,
                                             OptionList& options);
    // Discards the combination; the result-sorted order of the last evaluation loses it too.
    void DeleteCombination(std::size_t index, CombinationEvaluation& evaluation);
    // Swaps the combination with its neighbour above or below and returns its new position;
    // a missing neighbour is a position out of range.
    std::size_t MoveCombination(std::size_t index, bool up);

    // Takes out of every combination, in list order, the first member that refers to the
    // option; after each changed combination `changed` is called.
    template <class Changed>
    void RemoveMembersOf(const OptionRecord* option, Changed&& changed) {
        for (auto& record : records_) {
            auto& m = record->members;
            for (auto it = m.begin(); it != m.end(); ++it) {
                if (it->option == option) {
                    m.erase(it);
                    changed();
                    break;
                }
            }
        }
    }

    void Clear() { records_.clear(); }
    CombinationRecord& AppendRecord(std::unique_ptr<CombinationRecord> record);

private:
    std::size_t CheckedIndex(std::size_t index) const;

    std::vector<std::unique_ptr<CombinationRecord>> records_;
};

// The member rows of a combination as the window lists them: current names and factors.
std::vector<MemberRow> MemberRowsOf(const CombinationRecord& record);

// The factor-weighted average of the members' scores; 0 for a combination without members.
long double CombinationResult(const CombinationRecord& record, const ScoreSettings& settings);

// Evaluates every combination with the current scores: results, range, zero line and the
// result-sorted order.
void EvaluateCombinations(CombinationList& list, const ScoreSettings& settings,
                          CombinationEvaluation& evaluation);

}  // namespace rangwerk
