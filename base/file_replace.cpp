#include "base/file_replace.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "base/wide_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rangwerk {
namespace {

std::string ErrorText(int error) {
    return std::strerror(error);
}

[[noreturn]] void Fail(FileReplaceError::Step step, int error) {
    throw FileReplaceError(step, error, ErrorText(error));
}

}  // namespace

#ifndef _WIN32

namespace {

std::string ParentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes every byte; false with errno set when the system takes no more.
bool WriteAll(FileCalls& calls, int fd, std::string_view data) {
    while (!data.empty()) {
        const long n = calls.Write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The temporary file of one replace: closed and removed again unless it was renamed.
class Temporary {
public:
    Temporary(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!renamed_)
            ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // Closes the file; false with errno set when the close reports a late write error.
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }
    void Renamed() { renamed_ = true; }

private:
    std::string path_;
    int fd_;
    bool renamed_ = false;
};

ReplaceOutcome WriteInPlace(const std::string& target, std::string_view contents, FileCalls& calls,
                            int createError) {
    const int fd = calls.OpenForWriting(target);
    if (fd < 0)
        Fail(FileReplaceError::Step::Create, createError);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{fd};
    if (!WriteAll(calls, fd, contents) ||
        ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0 || calls.Sync(fd) != 0) {
        Fail(FileReplaceError::Step::Write, errno);
    }
    if (::close(std::exchange(closer.fd, -1)) != 0)
        Fail(FileReplaceError::Step::Write, errno);
    return ReplaceOutcome::WrittenInPlace;
}

}  // namespace

int FileCalls::CreateTemporary(std::string& pattern) {
    return ::mkostemp(pattern.data(), O_CLOEXEC);
}

int FileCalls::OpenForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

long FileCalls::Write(int fd, const char* data, std::size_t size) {
    return static_cast<long>(::write(fd, data, size));
}

int FileCalls::Sync(int fd) {
    return ::fsync(fd);
}

int FileCalls::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}

std::string FollowLinks(const std::string& path) {
    std::string current = path;
    // As many links as the system itself follows; a longer chain fails when it is opened.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link {};
        if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(link.st_size > 0 ? link.st_size : 255) + 1,
                           '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return current;
        target.resize(static_cast<std::size_t>(n));
        current = target.front() == '/' ? target : ParentFolder(current) + "/" + target;
    }
    return current;
}

ReplaceOutcome ReplaceFileContents(const std::string& path, std::string_view contents,
                                   FileCalls& calls, unsigned newFileMode,
                                   FlushFolder flushFolder) {
    IgnoreFileSizeSignal();
    const std::string target = FollowLinks(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;

    std::string pattern = ParentFolder(target) + "/." + FileNameOf(target) + ".tmp-XXXXXX";
    const int fd = calls.CreateTemporary(pattern);
    if (fd < 0) {
        const int error = errno;
        // A folder closed to new files: a file that may itself be written is written in place.
        if (exists && S_ISREG(existing.st_mode) && (error == EACCES || error == EPERM)) {
            return WriteInPlace(target, contents, calls, error);
        }
        Fail(FileReplaceError::Step::Create, error);
    }
    Temporary temporary(pattern, fd);

    if (exists) {
        // The owner first: changing it clears the set-id bits that the mode then restores.
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Only the superuser may give a file away; the file then belongs to the saver.
        }
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, static_cast<mode_t>(newFileMode & 0777) & ~mask);
    }

    if (!WriteAll(calls, fd, contents) || calls.Sync(fd) != 0 || !temporary.Close()) {
        Fail(FileReplaceError::Step::Write, errno);
    }
    if (calls.Rename(temporary.path(), target) != 0)
        Fail(FileReplaceError::Step::Create, errno);
    temporary.Renamed();
    if (flushFolder == FlushFolder::No)
        return ReplaceOutcome::Replaced;

    // Makes the rename itself durable; a folder that cannot be synced loses nothing here.
    const int folder = ::open(ParentFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        calls.Sync(folder);
        ::close(folder);
    }
    return ReplaceOutcome::Replaced;
}

void IgnoreFileSizeSignal() {
    static const bool done = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)done;
}

#else  // _WIN32

namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EACCES;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

bool WriteAll(HANDLE file, std::string_view data) {
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0)
            return false;
        data.remove_prefix(written);
    }
    return true;
}

}  // namespace

int FileCalls::CreateTemporary(std::string&) {
    return errno = ENOSYS, -1;
}
int FileCalls::OpenForWriting(const std::string&) {
    return errno = ENOSYS, -1;
}
long FileCalls::Write(int, const char*, std::size_t) {
    return errno = ENOSYS, -1;
}
int FileCalls::Sync(int) {
    return errno = ENOSYS, -1;
}
int FileCalls::Rename(const std::string&, const std::string&) {
    return errno = ENOSYS, -1;
}

std::string FollowLinks(const std::string& path) {
    return path;
}

ReplaceOutcome ReplaceFileContents(const std::string& path, std::string_view contents, FileCalls&,
                                   unsigned, FlushFolder) {
    const std::wstring target = WideFromUtf8(path);
    const auto slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
    wchar_t temporary[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"rw", 0, temporary) == 0) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED) {
            HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                Fail(FileReplaceError::Step::Create, EACCES);
            const bool ok =
                WriteAll(file, contents) && SetEndOfFile(file) && FlushFileBuffers(file);
            const DWORD writeError = GetLastError();
            CloseHandle(file);
            if (!ok)
                Fail(FileReplaceError::Step::Write, ErrnoOf(writeError));
            return ReplaceOutcome::WrittenInPlace;
        }
        Fail(FileReplaceError::Step::Create, ErrnoOf(error));
    }
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary);
        Fail(FileReplaceError::Step::Create, ErrnoOf(error));
    }
    const bool written = WriteAll(file, contents) && FlushFileBuffers(file);
    const DWORD writeError = GetLastError();
    CloseHandle(file);
    if (!written) {
        DeleteFileW(temporary);
        Fail(FileReplaceError::Step::Write, ErrnoOf(writeError));
    }
    // ReplaceFileW keeps the old file's attributes and security; a new file is moved in place.
    const bool replaced =
        GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES
            ? ReplaceFileW(target.c_str(), temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                           nullptr, nullptr) != 0
            : MoveFileExW(temporary, target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary);
        Fail(FileReplaceError::Step::Create, ErrnoOf(error));
    }
    return ReplaceOutcome::Replaced;
}

void IgnoreFileSizeSignal() {}

#endif  // _WIN32

FileCalls& SystemFileCalls() {
    static FileCalls calls;
    return calls;
}

}  // namespace rangwerk
