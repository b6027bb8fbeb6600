#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "combinations/combination_model.h"

namespace rangwerk {

// What a screen reader says for row `index` of the diagram: in sorted mode "2. Obstsalat, 7,3"
// (no rank number for a result equal to the one above), in list order "Obstsalat, 7,3". Rank
// number and value are those the row's layout paints, with the same decimal separator; the name
// is given whole. Empty for a row beyond the combinations, which shows nothing.
std::string SpokenDiagramRow(std::size_t index, bool sorted, const CombinationList& list,
                             const CombinationEvaluation& evaluation,
                             std::string_view decimalSeparator);

}  // namespace rangwerk
