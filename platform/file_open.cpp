#include "platform/file_open.h"

#include <fcntl.h>

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#include <cerrno>
#else
#include <unistd.h>
#endif

namespace rangwerk {

#ifdef _WIN32

int OpenFileForReading(const std::string& path) {
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                          static_cast<int>(path.size()), nullptr, 0);
    if (path.empty() || units <= 0) {
        errno = ENOENT;
        return -1;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        wide.data(), units);
    return _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
}

#else

int OpenFileForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

#endif

}  // namespace rangwerk
