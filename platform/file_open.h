#pragma once

#include <string>

namespace rangwerk {

// Whether a pipe may be read like a file (a tool reading its input) or is refused (the
// window, which would otherwise wait for a writer that never comes).
enum class PipeInput { Refused, Read };

// Opens the file at `path` (UTF-8) for reading its bytes as they are and returns a file
// descriptor for read() and close(), or -1 with errno set. A folder (EISDIR) and a device
// (EINVAL) are refused, and so is a pipe (EINVAL) unless `pipes` is Read; a pipe that is
// refused is opened without waiting for a writer, so the refusal comes at once. On Windows the
// path becomes UTF-16 for the system, and the file is opened in binary mode (the C library's
// default text mode would turn CR LF into LF and stop at a Ctrl+Z byte).
int OpenFileForReading(const std::string& path, PipeInput pipes);

}  // namespace rangwerk
