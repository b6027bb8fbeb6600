#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "combinations/combination_model.h"
#include "core/refusal.h"

namespace rangwerk {

// The combination being edited in the combinations window: its name and its member rows.
// Editing changes only the draft; the combination list changes when the draft is added to it
// or stored over a combination (CombinationList::AddCombination, UpdateCombination).
class CombinationDraft {
public:
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    const std::vector<MemberRow>& Rows() const { return rows_; }
    std::size_t RowCount() const { return rows_.size(); }

    // An empty name without member rows.
    void Clear();
    // The name and the members of a stored combination, the members under their current names.
    void Load(const CombinationRecord& record);

    // Appends a row for the option. Refused when a row already names it (letter case ignored,
    // whole name). The factor is brought into 1..8191.
    std::optional<Refusal> AddRow(std::string optionName, std::int32_t factor);
    // Gives row `index` the option and the factor. Refused when another row names the option.
    // Without a row at `index` nothing changes.
    std::optional<Refusal> UpdateRow(std::size_t index, std::string optionName,
                                     std::int32_t factor);
    // Takes row `index` out; the rows below move up. Without a row at `index` nothing changes.
    void RemoveRow(std::size_t index);
    // Moves row `index` one place up or down and returns where it is now; a row without that
    // neighbour (or no row at `index`) stays where it is.
    std::size_t MoveRow(std::size_t index, bool up);

private:
    bool OptionTaken(std::string_view optionName, std::optional<std::size_t> except) const;

    std::string name_;
    std::vector<MemberRow> rows_;
};

}  // namespace rangwerk
