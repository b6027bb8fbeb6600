#include "update/batch_completion.h"

namespace rangwerk {

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const char c = bytes[pos];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(bytes.substr(start, pos - start));
            if (c == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') {
                ++pos;
            }
            start = pos + 1;
        }
        ++pos;
    }
    if (start < bytes.size()) {
        lines.emplace_back(bytes.substr(start));
    }
    return lines;
}

std::string CompleteUpdateBatch(std::string_view contents, const BatchValues& values) {
    std::vector<std::string> lines = SplitLines(contents);
    const std::vector<std::string> folder{values.programFolder};
    const std::vector<std::string> bothFolders{values.tempFolder, values.programFolder};
    const std::vector<std::string> temp{values.tempFolder};

    auto fill = [&](std::size_t index, const std::vector<std::string>& with) {
        if (index >= lines.size()) {
            return;
        }
        try {
            lines[index] = FormatTemplate(lines[index], with, values.units);
        } catch (const TemplateError& e) {
            throw TemplateError(
                "Die Datei \"Update.bat\" kann nicht vervollständigt werden. "
                "Zeile " +
                std::to_string(index + 1) + ": " + e.what());
        }
    };

    std::size_t group = 0;
    bool tail = false;
    for (; 4 * group < lines.size(); ++group) {
        const std::size_t first = 4 * group;
        if (!lines[first].empty() && lines[first][0] == ' ') {
            tail = true;
            break;
        }
        fill(first + 1, folder);
        fill(first + 2, folder);
        fill(first + 3, bothFolders);
    }
    if (tail) {
        for (std::size_t index = 4 * group; index < lines.size(); ++index) {
            fill(index, temp);
        }
    }
    if (values.restart) {
        lines.push_back("\"" + values.programPath + "\"");
    }
    lines.push_back("del " + values.tempFolder + "Update.bat");

    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace rangwerk
