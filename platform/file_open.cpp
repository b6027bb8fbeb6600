#include "platform/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#ifdef _WIN32
#include <windows.h>

#include <io.h>

#include "base/text.h"
#include "base/wide_text.h"
#else
#include <unistd.h>
#endif

namespace rangwerk {
namespace {

// errno for what is no file to read: 0 when `mode` is one.
int RefusalOf(unsigned mode, PipeInput pipes) {
    if ((mode & S_IFMT) == S_IFREG)
        return 0;
    if ((mode & S_IFMT) == S_IFDIR)
        return EISDIR;
    if ((mode & S_IFMT) == S_IFIFO && pipes == PipeInput::Read)
        return 0;
    return EINVAL;
}

}  // namespace

#ifdef _WIN32

int OpenFileForReading(const std::string& path, PipeInput pipes) {
    // A malformed path is refused rather than opened with U+FFFD in place of its bad bytes,
    // which could name another file.
    const std::wstring wide = IsValidUtf8(path) ? WideFromUtf8(path) : std::wstring();
    if (wide.empty()) {
        errno = ENOENT;
        return -1;
    }
    const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        return -1;
    struct _stat64 st {};
    const int refusal = _fstat64(fd, &st) != 0 ? errno : RefusalOf(st.st_mode, pipes);
    if (refusal != 0) {
        _close(fd);
        errno = refusal;
        return -1;
    }
    return fd;
}

#else

int OpenFileForReading(const std::string& path, PipeInput pipes) {
    // Without waiting: opening a pipe would wait for a writer, and a device for its line.
    const int flags = O_RDONLY | O_CLOEXEC | (pipes == PipeInput::Read ? 0 : O_NONBLOCK);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        return -1;
    struct stat st {};
    int refusal = ::fstat(fd, &st) != 0 ? errno : RefusalOf(st.st_mode, pipes);
    if (refusal == 0 && (flags & O_NONBLOCK) != 0) {
        // A file read as usual from here on.
        const int status = ::fcntl(fd, F_GETFL);
        if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
            refusal = errno;
    }
    if (refusal != 0) {
        ::close(fd);
        errno = refusal;
        return -1;
    }
    return fd;
}

#endif

}  // namespace rangwerk
