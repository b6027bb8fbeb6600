#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project/project_file.h"

namespace rangwerk::opt {

struct RankingRow {
    int rank = 0;  // 0: a tie with the row above, shown blank
    std::string name;
    std::int64_t score = 0;
};

// The name on one line: control characters (line breaks, tabs) become spaces.
std::string SingleLine(const std::string& name);

// The ranking as the main window shows it after the first ranking step of a run started
// from the project's option order with the answers kept: the ranking list made from the
// option list, sorted once with the project's points.
std::vector<RankingRow> FirstRanking(const ProjectData& data);

// Columns rank, name and score, padded by characters (not bytes). Control characters in a
// name (line breaks, tabs) are shown as spaces so that each row stays on one line.
std::string RankingText(const std::vector<RankingRow>& rows);

// UTF-8 CSV with the header rank,name,score; fields holding a comma, a double quote or a
// line break are quoted with doubled quotes inside; every line ends with CR LF.
std::string RankingCsv(const std::vector<RankingRow>& rows);

}  // namespace rangwerk::opt
