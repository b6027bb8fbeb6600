#pragma once

#include <string>

namespace rangwerk {

// Opens the file at `path` (UTF-8) for reading its bytes as they are and returns a file
// descriptor for read() and close(), or -1 with errno set. On Windows the path becomes UTF-16
// for the system, and the file is opened in binary mode (the C library's default text mode would
// turn CR LF into LF and stop at a Ctrl+Z byte).
int OpenFileForReading(const std::string& path);

}  // namespace rangwerk
