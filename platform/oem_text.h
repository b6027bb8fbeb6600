#pragma once

#include <string>
#include <string_view>

namespace rangwerk {

// ToOem: a path (UTF-8) as it is written into a line of the update batch file.
//  - Windows: converted to the console's code page (CharToOemA of its Windows ANSI text), as the
//    batch interpreter reads batch files in that code page.
//  - Elsewhere: the UTF-8 text with "$", "`", "\"" and "\\" escaped by a backslash, the four
//    characters that stay special inside double quotes, so that the path cannot run as shell
//    code where the batch puts it in double quotes.
// Throws Failure (German message) when the text holds a line break: a line-based batch file
// cannot carry it. On Windows also when the console's code page cannot hold one of its
// characters (the conversion would write "?" or a look-alike, and the batch interpreter would
// run another path) or when it holds a "%", which the batch interpreter reads as a variable.
std::string ToOem(std::string_view utf8);

// True when the texts ToOem returns are UTF-8 (widths count characters, not bytes).
bool OemTextIsUtf8();

// The update batch deletes itself with a line that names its path outside quotes ("del " and
// the path). Elsewhere than on Windows such a line goes through the shell, so the temporary
// folder may hold only characters the shell takes literally there once ToOem has escaped them:
// letters, digits, non-ASCII characters, single blanks and / . _ - + , : @ % ^ = $ ` " \.
// Throws Failure (German message) otherwise. Does nothing on Windows.
void CheckUnquotedBatchPath(std::string_view utf8);

}  // namespace rangwerk
