#include "ranking_table.h"

#include <algorithm>

#include "base/text.h"
#include "core/scoring.h"
#include "project/project.h"

namespace rangwerk::opt {
namespace {

// The name as one line, one element per character.
std::u32string OneLine(const std::string& name) {
    std::u32string chars = DecodeUtf8(name);
    for (char32_t& c : chars) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            c = U' ';
    }
    return chars;
}

std::string PadRight(const std::u32string& text, std::size_t width) {
    std::string out = EncodeUtf8(text);
    if (text.size() < width)
        out.append(width - text.size(), ' ');
    return out;
}

std::string PadLeft(const std::string& ascii, std::size_t width) {
    return ascii.size() < width ? std::string(width - ascii.size(), ' ') + ascii : ascii;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string RankText(int rank) {
    return rank == 0 ? std::string() : std::to_string(rank);
}

}  // namespace

std::string SingleLine(const std::string& name) {
    return EncodeUtf8(OneLine(name));
}

std::vector<RankingRow> FirstRanking(const ProjectData& data) {
    Project project;
    LoadIntoProject(data, project);
    RankingList ranking = project.options.InOrder();
    RankOptions(ranking, project.scores);

    std::vector<RankingRow> rows;
    rows.reserve(ranking.size());
    for (std::size_t i = 0; i < ranking.size(); ++i) {
        rows.push_back({RankNumber(ranking, i, project.scores), ranking[i]->name,
                        OptionScore(*ranking[i], project.scores)});
    }
    return rows;
}

std::string RankingText(const std::vector<RankingRow>& rows) {
    const std::string rankHeader = "rank";
    const std::u32string nameHeader = U"name";
    const std::string scoreHeader = "score";

    std::vector<std::u32string> names;
    std::size_t rankWidth = rankHeader.size();
    std::size_t nameWidth = nameHeader.size();
    std::size_t scoreWidth = scoreHeader.size();
    for (const RankingRow& row : rows) {
        names.push_back(OneLine(row.name));
        rankWidth = std::max(rankWidth, RankText(row.rank).size());
        nameWidth = std::max(nameWidth, names.back().size());
        scoreWidth = std::max(scoreWidth, std::to_string(row.score).size());
    }

    std::string out = PadLeft(rankHeader, rankWidth) + "  " + PadRight(nameHeader, nameWidth) +
                      "  " + PadLeft(scoreHeader, scoreWidth) + "\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += PadLeft(RankText(rows[i].rank), rankWidth) + "  " + PadRight(names[i], nameWidth) +
               "  " + PadLeft(std::to_string(rows[i].score), scoreWidth) + "\n";
    }
    return out;
}

std::string RankingCsv(const std::vector<RankingRow>& rows) {
    std::string out = "rank,name,score\r\n";
    for (const RankingRow& row : rows) {
        out += RankText(row.rank) + "," + CsvField(row.name) + "," + std::to_string(row.score) +
               "\r\n";
    }
    return out;
}

}  // namespace rangwerk::opt
