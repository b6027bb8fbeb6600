#pragma once

#include <string>

namespace rangwerk {

// The "FileVersion" string of the version record of the running program's own file, read from
// the file on disk at every call, or "" when the file carries no readable record.
std::string ReadFileVersion();

// The same for any program file (UTF-8 path): "" when the file is missing, is no program, has
// no version record, or the record has no "FileVersion" for its first translation.
std::string ReadFileVersionOf(const std::string& path);

}  // namespace rangwerk
