#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "update/batch_template.h"

namespace rangwerk {

// The values "Update.bat" is completed with, already converted for the console (ToOem).
struct BatchValues {
    std::string programFolder;  // the program's folder, ends with a path separator
    std::string tempFolder;     // the temporary folder, ends with a path separator
    std::string programPath;    // the full path of the program file
    bool restart = true;        // append the line that starts the program again
    TextUnits units = TextUnits::Bytes;
};

// The lines of a text file: breaks at CR LF, CR or LF; a break at the very end starts no
// further line. Bytes are kept as they are.
std::vector<std::string> SplitLines(std::string_view bytes);

// The completed "Update.bat" from its contents as the archive carries it:
//  - groups of four lines until a group's first line begins with a blank: the first line of a
//    group is kept, the second and third are filled with the program's folder, the fourth with
//    the temporary folder and then the program's folder;
//  - from the line beginning with a blank on (the tail), every line is filled with the
//    temporary folder;
//  - the restart line (the program's path in double quotes) when wished, and the line that
//    deletes "Update.bat";
//  - every line ends with CR LF.
// A last group of fewer than four lines is filled as far as it goes.
// Throws TemplateError naming the line when a template is malformed.
std::string CompleteUpdateBatch(std::string_view contents, const BatchValues& values);

}  // namespace rangwerk
