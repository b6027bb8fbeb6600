#include "platform/file_open.h"

#include <fcntl.h>

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#include <cerrno>

#include "base/text.h"
#include "base/wide_text.h"
#else
#include <unistd.h>
#endif

namespace rangwerk {

#ifdef _WIN32

int OpenFileForReading(const std::string& path) {
    // A malformed path is refused rather than opened with U+FFFD in place of its bad bytes,
    // which could name another file.
    const std::wstring wide = IsValidUtf8(path) ? WideFromUtf8(path) : std::wstring();
    if (wide.empty()) {
        errno = ENOENT;
        return -1;
    }
    return _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
}

#else

int OpenFileForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

#endif

}  // namespace rangwerk
