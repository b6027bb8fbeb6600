#include "drawing/diagram_speech.h"

#include "drawing/diagram_row.h"

namespace rangwerk {

std::string SpokenDiagramRow(std::size_t index, bool sorted, const CombinationList& list,
                             const CombinationEvaluation& evaluation,
                             std::string_view decimalSeparator) {
    // The painting's own layout, in a font in which every text fits: the name comes whole.
    DiagramFont fitsAnywhere;
    fitsAnywhere.measure = [](const std::string&) { return 0; };
    const DiagramRow row = LayDiagramRow(index, Rect{0, 0, 1000, 16}, sorted, list, evaluation,
                                         fitsAnywhere, decimalSeparator);
    if (!row.draw)
        return {};
    std::string text;
    if (row.rank)
        text = row.rank->text + " ";
    return text + row.name.text + ", " + row.value.text;
}

}  // namespace rangwerk
