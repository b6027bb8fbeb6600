#include "base/file_replace.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <random>

#include "base/wide_text.h"
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

// The characters that make a temporary file's or a kept copy's name unique.
constexpr std::size_t kUniqueLength = 6;

// The start of the names of the copies kept for the file at `fullPath` (its file name `name`):
// the name, shortened to a length every file system takes, and a hash of the whole path, so
// that a save finds the copies of its own file among those of others.
std::string CopyPrefix(const std::string& name, const std::string& fullPath) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const unsigned char c : fullPath) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    std::size_t length = std::min<std::size_t>(name.size(), 100);
    while (length > 0 && length < name.size() && (name[length] & 0xC0) == 0x80) --length;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string prefix = name.substr(0, length) + "-";
    for (int shift = 60; shift >= 0; shift -= 4) prefix += kDigits[(hash >> shift) & 0xF];
    return prefix + "-";
}

// The message of a write error after which neither the new nor the old contents could be put
// in place: it names the copy of the old ones.
[[noreturn]] void FailKeepingCopy(int error, const std::string& copy) {
    throw FileReplaceError(FileReplaceError::Step::Write, error,
                           ErrorText(error) + " (" + copy + ")", copy);
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

// A file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes the file; false with errno set when the close reports a late write error.
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// Writes every byte from the file's current position; false with errno set when the system
// takes no more.
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

// The whole contents of an open file, read without moving its position.
bool ReadAll(int fd, std::string& contents) {
    char block[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, block, sizeof block, static_cast<off_t>(contents.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        contents.append(block, static_cast<std::size_t>(n));
    }
}

void SyncFolder(FileCalls& calls, const std::string& folder) {
    // A folder that cannot be synced loses nothing here.
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        calls.Sync(fd.get());
}

// Creates a new file from `pattern` (ending in XXXXXX) and locks it, so that no other save
// takes it for one left behind; -1 with errno set when no file can be created.
int CreateHeld(FileCalls& calls, std::string& pattern) {
    const std::string model = pattern;
    for (int attempt = 0; attempt < 16; ++attempt) {
        pattern = model;
        const int fd = calls.CreateTemporary(pattern);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
            return fd;  // a file system without locks: no other save can lock it either
        // Another save may have taken it for a left one in the moment before the lock.
        struct stat mine {
        }, named{};
        if (::fstat(fd, &mine) == 0 && ::lstat(pattern.c_str(), &named) == 0 &&
            mine.st_dev == named.st_dev && mine.st_ino == named.st_ino) {
            return fd;
        }
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Removes the files in `folder` named `prefix` and six more characters that no save holds: a
// file another save has locked stays. Nothing else is touched: no link, no folder, no file of
// another name.
void RemoveUnheld(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() != prefix.size() + kUniqueLength || !name.starts_with(prefix))
            continue;
        const Descriptor file(
            ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {
        }, now{};
        if (file.get() < 0 || ::fstat(file.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            ::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        // Still the file that was locked, not one put under its name meanwhile.
        if (::fstatat(dirFd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == held.st_dev && now.st_ino == held.st_ino) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

// Creates `folder` with the folders above it that are missing, and makes sure that it is a
// folder of this user's that nobody else may enter; false with errno set.
bool MakePrivateFolder(const std::string& folder) {
    for (std::size_t from = 1;;) {
        const std::size_t slash = folder.find('/', from);
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
        from = slash + 1;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
        return errno = ENOTDIR, false;
    if (st.st_uid != ::geteuid())
        return errno = EACCES, false;
    return (st.st_mode & 077) == 0 || ::chmod(folder.c_str(), 0700) == 0;
}

// The full path of `target` with its folder's links resolved: the same file gets the same
// name however it is reached.
std::string FullPathOf(const std::string& target) {
    std::string folder = ParentFolder(target);
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
        folder = real;
        std::free(real);
    }
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + FileNameOf(target);
}

// A flushed copy of a file's old contents in the saves folder, held by this save while the file
// is written in place. It stays when the program is killed meanwhile.
class KeptCopy {
public:
    // Throws FileReplaceError (Create) when the copy cannot be kept; the file is then left as
    // it is.
    KeptCopy(const std::string& prefix, std::string_view contents) {
        FileCalls& system = SystemFileCalls();
        const std::string folder = SavedCopiesFolder();
        if (folder.empty())
            Fail(FileReplaceError::Step::Create, ENOENT);
        if (!MakePrivateFolder(folder))
            Fail(FileReplaceError::Step::Create, errno);
        path_ = folder + "/" + prefix + std::string(kUniqueLength, 'X');
        fd_.reset(CreateHeld(system, path_));
        if (fd_.get() < 0)
            Fail(FileReplaceError::Step::Create, errno);
        if (!WriteAll(system, fd_.get(), contents) || ::fsync(fd_.get()) != 0) {
            const int error = errno;
            Remove();
            Fail(FileReplaceError::Step::Create, error);
        }
        SyncFolder(system, folder);
    }
    const std::string& path() const { return path_; }
    void Remove() {
        ::unlink(path_.c_str());
        fd_.reset(-1);
    }

private:
    std::string path_;
    Descriptor fd_;
};

// The old contents back in the file; false when even that fails.
bool PutBack(FileCalls& calls, int fd, std::string_view old) {
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(calls, fd, old) &&
           ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && calls.Sync(fd) == 0;
}

ReplaceOutcome WriteInPlace(const std::string& target, std::string_view contents, FileCalls& calls,
                            int createError, const std::string& copyPrefix) {
    Descriptor file(calls.OpenForWriting(target));
    if (file.get() < 0)
        Fail(FileReplaceError::Step::Create, createError);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        Fail(FileReplaceError::Step::Create, errno);
    if (!S_ISREG(st.st_mode))
        Fail(FileReplaceError::Step::Open, EINVAL);
    std::string old;
    if (!ReadAll(file.get(), old))
        Fail(FileReplaceError::Step::Create, errno);

    // Before anything changes, the old contents are kept; then the final size is reserved, so
    // that a full disk or a file-size limit fails before one byte is written. (A file system
    // that cannot reserve is written all the same: the copy still guards the old contents.)
    KeptCopy copy(copyPrefix, old);
    if (!contents.empty()) {
        const int error = ::posix_fallocate(file.get(), 0, static_cast<off_t>(contents.size()));
        if (error != 0 && error != EOPNOTSUPP && error != ENOSYS && error != EINVAL) {
            // The file may have grown by a part of the room asked for.
            if (::ftruncate(file.get(), static_cast<off_t>(old.size())) != 0)
                FailKeepingCopy(error, copy.path());
            copy.Remove();
            Fail(FileReplaceError::Step::Write, error);
        }
    }

    int error = 0;
    if (!WriteAll(calls, file.get(), contents) ||
        ::ftruncate(file.get(), static_cast<off_t>(contents.size())) != 0 ||
        calls.Sync(file.get()) != 0) {
        error = errno;
    } else if (!file.Close()) {
        error = errno;
        file.reset(calls.OpenForWriting(target));
    }
    if (error != 0) {
        if (file.get() < 0 || !PutBack(calls, file.get(), old))
            FailKeepingCopy(error, copy.path());
        copy.Remove();
        Fail(FileReplaceError::Step::Write, error);
    }
    copy.Remove();
    return ReplaceOutcome::WrittenInPlace;
}

// The temporary file of one replace: closed and removed again unless it was renamed. Its lock
// is held until then, through a second descriptor that outlives the close.
class Temporary {
public:
    Temporary(std::string path, int fd)
        : path_(std::move(path)), fd_(fd), lock_(::fcntl(fd, F_DUPFD_CLOEXEC, 0)) {}
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (fd_.get() >= 0)
            fd_.reset(-1);
        if (!renamed_)
            ::unlink(path_.c_str());
    }
    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }
    // Closes the file; false with errno set when the close reports a late write error.
    bool Close() { return fd_.Close(); }
    void Renamed() { renamed_ = true; }

private:
    std::string path_;
    Descriptor fd_;
    Descriptor lock_;
    bool renamed_ = false;
};

}  // namespace

int FileCalls::CreateTemporary(std::string& pattern) {
    return ::mkostemp(pattern.data(), O_CLOEXEC);
}

int FileCalls::OpenForWriting(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
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

std::string SavedCopiesFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/rangwerk/saves";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.local/state/rangwerk/saves";
}

ReplaceOutcome ReplaceFileContents(const std::string& path, std::string_view contents,
                                   FileCalls& calls, unsigned newFileMode,
                                   FlushFolder flushFolder) {
    IgnoreFileSizeSignal();
    const std::string target = FollowLinks(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        Fail(FileReplaceError::Step::Open, S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);

    const std::string folder = ParentFolder(target);
    const std::string temporaryPrefix = "." + FileNameOf(target) + ".tmp-";
    const std::string copyPrefix = CopyPrefix(FileNameOf(target), FullPathOf(target));
    // Whatever an earlier save, since ended, left behind.
    RemoveUnheld(folder, temporaryPrefix);

    std::string pattern = folder + "/" + temporaryPrefix + std::string(kUniqueLength, 'X');
    const int fd = CreateHeld(calls, pattern);
    if (fd < 0) {
        const int error = errno;
        // A folder closed to new files: a file that may itself be written is written in place.
        if (exists && (error == EACCES || error == EPERM)) {
            const ReplaceOutcome outcome = WriteInPlace(target, contents, calls, error, copyPrefix);
            RemoveUnheld(SavedCopiesFolder(), copyPrefix);
            return outcome;
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
    if (flushFolder == FlushFolder::Yes) {
        // Makes the rename itself durable.
        SyncFolder(calls, folder);
    }
    RemoveUnheld(SavedCopiesFolder(), copyPrefix);
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
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

// The last error of a call that failed; a write that took nothing may have set none.
DWORD LastError() {
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_WRITE_FAULT;
}

// A file handle, closed when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// Writes every byte from the file's current position.
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

bool ReadAll(HANDLE file, std::string& contents) {
    std::string block(65536, '\0');
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &n, nullptr))
            return false;
        if (n == 0)
            return true;
        contents.append(block.data(), n);
    }
}

bool MoveTo(HANDLE file, std::uint64_t position) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

bool SetSize(HANDLE file, std::uint64_t size) {
    return MoveTo(file, size) && SetEndOfFile(file) != 0;
}

// The folder part of a path with its separator ("" for a bare name), and the name.
std::wstring FolderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring NameOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring UniquePart() {
    static std::mt19937_64 random(std::random_device{}() ^ GetTickCount64() ^
                                  (std::uint64_t{GetCurrentProcessId()} << 32));
    static constexpr wchar_t kCharacters[] =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::wstring part;
    for (std::size_t i = 0; i < kUniqueLength; ++i) part += kCharacters[random() % 62];
    return part;
}

// Creates a new file `prefix` and six characters, open for writing and shared with nobody, so
// that no other save takes it for one left behind while it is open; INVALID_HANDLE_VALUE with
// the error in GetLastError() when none can be created.
HANDLE CreateHeld(const std::wstring& prefix, std::wstring& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = prefix + UniquePart();
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Removes the files named `prefix` (a path) and six more characters that no save holds: those
// that can be opened without sharing. No folder and no reparse point is touched.
void RemoveUnheld(const std::wstring& prefix) {
    const std::wstring folder = FolderOf(prefix);
    const std::wstring namePrefix = NameOf(prefix);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name.size() != namePrefix.size() + kUniqueLength ||
            name.compare(0, namePrefix.size(), namePrefix) != 0 ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0) {
            continue;
        }
        HANDLE file =
            CreateFileW((folder + name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void RemoveUnheldCopies(const std::string& copyPrefix) {
    const std::string folder = SavedCopiesFolder();
    if (!folder.empty())
        RemoveUnheld(WideFromUtf8(folder + "\\" + copyPrefix));
}

// Creates `folder` with the folders above it that are missing.
bool MakeFolder(const std::wstring& folder) {
    for (std::size_t at = folder.find_first_of(L"\\/", 3); at != std::wstring::npos;
         at = folder.find_first_of(L"\\/", at + 1)) {
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

std::string FullPathOf(const std::wstring& target) {
    std::wstring full(32768, L'\0');
    const DWORD n =
        GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return Utf8FromWide(target);
    full.resize(n);
    return Utf8FromWide(full);
}

// A flushed copy of a file's old contents in the saves folder, held open by this save while
// the file is written in place. It stays when the program is killed meanwhile.
class KeptCopy {
public:
    // Throws FileReplaceError (Create) when the copy cannot be kept.
    KeptCopy(const std::string& prefix, std::string_view contents) {
        const std::string folder = SavedCopiesFolder();
        if (folder.empty())
            Fail(FileReplaceError::Step::Create, ENOENT);
        const std::wstring wideFolder = WideFromUtf8(folder);
        if (!MakeFolder(wideFolder))
            Fail(FileReplaceError::Step::Create, ErrnoOf(GetLastError()));
        file_.reset(CreateHeld(wideFolder + L"\\" + WideFromUtf8(prefix), path_));
        if (!file_)
            Fail(FileReplaceError::Step::Create, ErrnoOf(GetLastError()));
        if (!WriteAll(file_.get(), contents) || !FlushFileBuffers(file_.get())) {
            const DWORD error = LastError();
            Remove();
            Fail(FileReplaceError::Step::Create, ErrnoOf(error));
        }
    }
    std::string path() const { return Utf8FromWide(path_); }
    void Remove() {
        file_.reset();
        DeleteFileW(path_.c_str());
    }

private:
    std::wstring path_;
    Handle file_;
};

ReplaceOutcome WriteInPlace(const std::wstring& target, std::string_view contents,
                            const std::string& copyPrefix) {
    Handle file(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        Fail(FileReplaceError::Step::Create, EACCES);
    std::string old;
    if (!ReadAll(file.get(), old))
        Fail(FileReplaceError::Step::Create, ErrnoOf(GetLastError()));
    // Before anything changes, the old contents are kept; then the final size is reserved, so
    // that a full disk fails before one byte is written.
    KeptCopy copy(copyPrefix, old);
    if (contents.size() > old.size() && !SetSize(file.get(), contents.size())) {
        const int error = ErrnoOf(LastError());
        if (!SetSize(file.get(), old.size()))
            FailKeepingCopy(error, copy.path());
        copy.Remove();
        Fail(FileReplaceError::Step::Write, error);
    }

    if (!MoveTo(file.get(), 0) || !WriteAll(file.get(), contents) ||
        !SetSize(file.get(), contents.size()) || !FlushFileBuffers(file.get())) {
        const int error = ErrnoOf(LastError());
        if (!MoveTo(file.get(), 0) || !WriteAll(file.get(), old) ||
            !SetSize(file.get(), old.size()) || !FlushFileBuffers(file.get())) {
            FailKeepingCopy(error, copy.path());
        }
        copy.Remove();
        Fail(FileReplaceError::Step::Write, error);
    }
    file.reset();
    copy.Remove();
    return ReplaceOutcome::WrittenInPlace;
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

std::string SavedCopiesFolder() {
    std::wstring value(32768, L'\0');
    const DWORD n =
        GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), static_cast<DWORD>(value.size()));
    if (n == 0 || n >= value.size())
        return {};
    value.resize(n);
    return Utf8FromWide(value) + "\\Rangwerk\\saves";
}

ReplaceOutcome ReplaceFileContents(const std::string& path, std::string_view contents, FileCalls&,
                                   unsigned, FlushFolder) {
    const std::wstring target = WideFromUtf8(path);
    // A folder or a device is refused before anything is done.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        Fail(FileReplaceError::Step::Open, EISDIR);
    {
        Handle probe(CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (probe && GetFileType(probe.get()) != FILE_TYPE_DISK)
            Fail(FileReplaceError::Step::Open, EINVAL);
    }

    const std::wstring name = NameOf(target);
    const std::string copyPrefix = CopyPrefix(Utf8FromWide(name), FullPathOf(target));
    const std::wstring temporaryPrefix = FolderOf(target) + L"." + name + L".tmp-";
    // Whatever an earlier save, since ended, left behind.
    RemoveUnheld(temporaryPrefix);

    std::wstring temporary;
    Handle file(CreateHeld(temporaryPrefix, temporary));
    if (!file) {
        const DWORD error = GetLastError();
        // A folder closed to new files: a file that may itself be written is written in place.
        if (error == ERROR_ACCESS_DENIED && exists) {
            const ReplaceOutcome outcome = WriteInPlace(target, contents, copyPrefix);
            RemoveUnheldCopies(copyPrefix);
            return outcome;
        }
        Fail(FileReplaceError::Step::Create, ErrnoOf(error));
    }
    const bool written = WriteAll(file.get(), contents) && FlushFileBuffers(file.get());
    const DWORD writeError = LastError();
    file.reset();
    if (!written) {
        DeleteFileW(temporary.c_str());
        Fail(FileReplaceError::Step::Write, ErrnoOf(writeError));
    }
    // ReplaceFileW keeps the old file's attributes and security; a new file is moved in place.
    const bool replaced =
        exists ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
               : MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        Fail(FileReplaceError::Step::Create, ErrnoOf(error));
    }
    RemoveUnheldCopies(copyPrefix);
    return ReplaceOutcome::Replaced;
}

void IgnoreFileSizeSignal() {}

#endif  // _WIN32

FileCalls& SystemFileCalls() {
    static FileCalls calls;
    return calls;
}

}  // namespace rangwerk
