#include "platform/temp_files.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/failure.h"

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace rangwerk {

namespace {

// A list of 10 000 names of at most 255 bytes each fits easily.
constexpr std::size_t kListLimit = 4 * 1024 * 1024;

// A name directly inside the folder: no separator, no drive or stream colon, no control
// character, neither "." nor "..".
bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F || c == '/' || c == '\\' || c == ':') {
            return false;
        }
    }
    return true;
}

std::string CannotCreate(const std::string& path) {
    return "Die Datei \"" + path + "\" kann nicht angelegt werden.";
}

std::string CannotWrite(const std::string& path) {
    return "Die Datei \"" + path + "\" kann nicht geschrieben werden.";
}

// The first line of an installation list: different for every installation.
std::string InstallationMark() {
    static unsigned counter = 0;
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(::getpid());
#endif
    return "Rangwerk-Installation " + std::to_string(process) + "-" + std::to_string(now) + "-" +
           std::to_string(counter++);
}

std::string ListText(const std::vector<std::string>& names) {
    std::string text = InstallationMark() + "\n";
    for (const std::string& name : names) {
        if (IsPlainName(name)) {
            text += name;
            text += '\n';
        }
    }
    return text;
}

// Removes the names of a list (its first line is the installation's mark).
void RemoveListed(UpdateFolder& folder, const std::string& text) {
    std::size_t start = text.find('\n');
    while (start != std::string::npos && start + 1 < text.size()) {
        const std::size_t end = text.find('\n', start + 1);
        const std::string name =
            text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        if (IsPlainName(name) && name != kInstallationListName) {
            folder.Remove(name);
        }
        start = end;
    }
}

}  // namespace

NewFile::NewFile(NewFile&& other) noexcept {
    *this = std::move(other);
}

#ifdef _WIN32

std::optional<std::string> SystemTempFiles::CreateUniqueFile(const std::string& folder,
                                                             const std::string& prefix) {
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(WideFromUtf8(folder).c_str(), WideFromUtf8(prefix).c_str(), 0, name) ==
        0) {
        return std::nullopt;
    }
    return Utf8FromWide(name);
}

bool SystemTempFiles::RemoveFile(const std::string& path) {
    return DeleteFileW(WideFromUtf8(path).c_str()) != FALSE ||
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::optional<std::string> UserTempFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        return std::nullopt;
    }
    return Utf8FromWide(folder);
}

std::optional<std::string> PrivateTempFolderIn(const std::string& base) {
    std::string folder = base;
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) {
        folder += '\\';
    }
    return folder;
}

// --- NewFile

NewFile& NewFile::operator=(NewFile&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

NewFile::~NewFile() {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

bool NewFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk =
            bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (handle_ == nullptr || !WriteFile(handle_, bytes.data(), chunk, &written, nullptr) ||
            written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool NewFile::Close() {
    if (handle_ == nullptr) {
        return false;
    }
    return CloseHandle(std::exchange(handle_, nullptr)) != FALSE;
}

// --- UpdateFolder

namespace {

// The folder's path without its trailing separator, except for a drive's root.
std::wstring FolderItself(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
           folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return WideFromUtf8(folder);
}

}  // namespace

UpdateFolder::UpdateFolder(const std::string& path) : path_(path) {
    if (path_.empty() || (path_.back() != '\\' && path_.back() != '/')) {
        path_ += '\\';
    }
    const DWORD attributes = GetFileAttributesW(FolderItself(path_).c_str());
    const char* why = nullptr;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        why = "kann nicht geöffnet werden";
    } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        why = "ist eine Verknüpfung";
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        why = "ist kein Ordner";
    }
    if (why != nullptr) {
        throw Failure("Der Ordner \"" + path_ + "\" für die Update-Dateien " + why + ".");
    }
}

UpdateFolder::~UpdateFolder() = default;

NewFile UpdateFolder::Create(const std::string& name) {
    if (!IsPlainName(name) || !Remove(name)) {
        throw Failure(CannotCreate(path_ + name));
    }
    // No sharing: no other process opens the file while it is held.
    const HANDLE handle =
        CreateFileW(WideFromUtf8(path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw Failure(CannotCreate(path_ + name));
    }
    NewFile file;
    file.handle_ = handle;
    return file;
}

bool UpdateFolder::Rename(const std::string& from, const std::string& to) {
    return IsPlainName(from) && IsPlainName(to) &&
           MoveFileExW(WideFromUtf8(path_ + from).c_str(), WideFromUtf8(path_ + to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool UpdateFolder::Remove(const std::string& name) {
    if (!IsPlainName(name)) {
        return false;
    }
    const std::wstring path = WideFromUtf8(path_ + name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // Both remove a link itself, never what it leads to.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return RemoveDirectoryW(path.c_str()) != FALSE;
    }
    return DeleteFileW(path.c_str()) != FALSE;
}

namespace {

std::optional<std::string> ReadHandle(HANDLE handle, std::size_t limit) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nFileSizeHigh != 0 || info.nFileSizeLow > limit) {
        return std::nullopt;
    }
    std::string contents(info.nFileSizeLow, '\0');
    DWORD got = 0;
    if (!contents.empty() &&
        (!ReadFile(handle, contents.data(), static_cast<DWORD>(contents.size()), &got, nullptr) ||
         got != contents.size())) {
        return std::nullopt;
    }
    return contents;
}

}  // namespace

std::optional<std::string> UpdateFolder::Read(const std::string& name, std::size_t limit) {
    if (!IsPlainName(name)) {
        return std::nullopt;
    }
    const HANDLE handle =
        CreateFileW(WideFromUtf8(path_ + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> contents = ReadHandle(handle, limit);
    CloseHandle(handle);
    return contents;
}

// --- The installation list

HeldFile WriteInstallationList(UpdateFolder& folder, const std::vector<std::string>& names) {
    // Created without sharing, the list is held from its first moment on.
    std::optional<NewFile> file(folder.Create(kInstallationListName));
    if (!file->Write(ListText(names))) {
        file.reset();
        folder.Remove(kInstallationListName);
        throw Failure(CannotWrite(folder.Path() + kInstallationListName));
    }
    return HeldFile(std::move(*file));
}

void RemoveFilesOfLastInstallation(const std::string& path) {
    try {
        UpdateFolder folder(path);
        // Without sharing, and deleted when closed; a running program holding it refuses.
        const HANDLE handle = CreateFileW(
            WideFromUtf8(folder.Path() + kInstallationListName).c_str(), GENERIC_READ | DELETE, 0,
            nullptr, OPEN_EXISTING,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE,
            nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return;
        }
        const std::optional<std::string> text = ReadHandle(handle, kListLimit);
        if (text) {
            RemoveListed(folder, *text);
        }
        CloseHandle(handle);
    } catch (const Failure&) {
    }
}

#else

std::optional<std::string> SystemTempFiles::CreateUniqueFile(const std::string& folder,
                                                             const std::string& prefix) {
    // Start at a number of its own for each process and call; GetTempFileName also counts up.
    static unsigned counter = 0;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    unsigned number =
        static_cast<unsigned>(ticks) ^ (static_cast<unsigned>(getpid()) << 4) ^ (counter++ << 8);
    for (int attempt = 0; attempt < 0x10000; ++attempt, ++number) {
        const unsigned unique = number & 0xFFFFu;
        if (unique == 0) {
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string path = folder + prefix + hex + ".TMP";
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool SystemTempFiles::RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

namespace {

// Closes a descriptor when the scope ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Opens `folder` (no trailing separator) for the update's files, not through a symbolic link,
// and checks it: a folder of this user that no one else may enter. One that others could enter
// is closed to them first: until then another user of a shared /tmp could have put files in it,
// which is why every file is created new. -1 with `why` (German) when the folder cannot serve.
int OpenPrivateFolder(const std::string& folder, std::string& why) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0) {
        if (::lstat(folder.c_str(), &info) != 0) {
            why = "kann nicht geöffnet werden";
        } else if (S_ISLNK(info.st_mode)) {
            why = "ist eine symbolische Verknüpfung";
        } else if (!S_ISDIR(info.st_mode)) {
            why = "ist kein Ordner";
        } else {
            why = "kann nicht geöffnet werden";
        }
        return -1;
    }
    if (::fstat(fd.get(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        why = "ist kein Ordner";
        return -1;
    }
    if (info.st_uid != ::geteuid()) {
        why = "gehört einem anderen Benutzer";
        return -1;
    }
    if ((info.st_mode & 077) != 0 && ::fchmod(fd.get(), 0700) != 0) {
        why = "kann nicht vor anderen Benutzern geschützt werden";
        return -1;
    }
    return fd.release();
}

// A folder "<prefix>XXXXXX" in `base` (with its separator) that an earlier run made with
// mkdtemp and that is still this user's own.
std::optional<std::string> OwnFolderMadeEarlier(const std::string& base,
                                                const std::string& prefix) {
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        std::string why;
        const int fd = OpenPrivateFolder(base + name, why);
        if (fd >= 0) {
            ::close(fd);
            found = base + name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

std::optional<std::string> PrivateTempFolderIn(const std::string& base) {
    std::string folder = base;
    if (folder.empty()) {
        return std::nullopt;
    }
    if (folder.back() != '/') {
        folder += '/';
    }
    const std::string name = "rangwerk-" + std::to_string(getuid());
    const std::string usual = folder + name;
    if (::mkdir(usual.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    std::string why;
    const int fd = OpenPrivateFolder(usual, why);
    if (fd >= 0) {
        ::close(fd);
        return usual + '/';
    }
    // The name is taken, by another user or by something that is no folder: a folder of our
    // own instead, so that nobody can block this user's updates.
    std::optional<std::string> own = OwnFolderMadeEarlier(folder, name + "-");
    if (!own) {
        std::string pattern = usual + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::fprintf(stderr,
                         "rangwerk: Der Ordner \"%s\" %s, und es kann kein anderer Ordner für "
                         "die Update-Dateien angelegt werden.\n",
                         usual.c_str(), why.c_str());
            return std::nullopt;
        }
        own = pattern;
    }
    std::fprintf(stderr,
                 "rangwerk: Der Ordner \"%s\" %s; die Update-Dateien kommen stattdessen in den "
                 "Ordner \"%s\".\n",
                 usual.c_str(), why.c_str(), own->c_str());
    return *own + '/';
}

// --- NewFile

NewFile& NewFile::operator=(NewFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

NewFile::~NewFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool NewFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool NewFile::Close() {
    if (fd_ < 0) {
        return false;
    }
    return ::close(std::exchange(fd_, -1)) == 0;
}

// --- UpdateFolder

UpdateFolder::UpdateFolder(const std::string& path) : path_(path) {
    if (path_.empty() || path_.back() != '/') {
        path_ += '/';
    }
    std::string why;
    fd_ = OpenPrivateFolder(WithoutTrailingSeparator(path_), why);
    if (fd_ < 0) {
        throw Failure("Der Ordner \"" + path_ + "\" für die Update-Dateien " + why + ".");
    }
}

UpdateFolder::~UpdateFolder() {
    ::close(fd_);
}

NewFile UpdateFolder::Create(const std::string& name) {
    if (!IsPlainName(name) || !Remove(name)) {
        throw Failure(CannotCreate(path_ + name));
    }
    const int fd =
        ::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw Failure(CannotCreate(path_ + name));
    }
    NewFile file;
    file.fd_ = fd;
    return file;
}

bool UpdateFolder::Rename(const std::string& from, const std::string& to) {
    return IsPlainName(from) && IsPlainName(to) &&
           ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0;
}

bool UpdateFolder::Remove(const std::string& name) {
    if (!IsPlainName(name)) {
        return false;
    }
    if (::unlinkat(fd_, name.c_str(), 0) == 0 || errno == ENOENT) {
        return true;
    }
    if (errno == EISDIR || errno == EPERM) {
        return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
    }
    return false;
}

namespace {

std::optional<std::string> ReadDescriptor(int fd, std::size_t limit) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > limit) {
        return std::nullopt;
    }
    std::string contents;
    char block[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return contents;
        }
        contents.append(block, static_cast<std::size_t>(got));
        if (contents.size() > limit) {
            return std::nullopt;
        }
    }
}

}  // namespace

std::optional<std::string> UpdateFolder::Read(const std::string& name, std::size_t limit) {
    if (!IsPlainName(name)) {
        return std::nullopt;
    }
    // Non-blocking, so that a FIFO under the name cannot hold the program.
    Descriptor fd(::openat(fd_, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    return ReadDescriptor(fd.get(), limit);
}

// --- The installation list

HeldFile WriteInstallationList(UpdateFolder& folder, const std::vector<std::string>& names) {
    // Locked before it gets its name, so that no starting program ever takes it for the list of
    // an installation that has ended.
    const std::string partial = std::string(kInstallationListName) + kPartialFileSuffix;
    NewFile file = folder.Create(partial);
    if (::flock(file.fd_, LOCK_EX | LOCK_NB) != 0 || !file.Write(ListText(names)) ||
        !folder.Rename(partial, kInstallationListName)) {
        folder.Remove(partial);
        throw Failure(CannotWrite(folder.Path() + kInstallationListName));
    }
    return HeldFile(std::move(file));
}

void RemoveFilesOfLastInstallation(const std::string& path) {
    try {
        UpdateFolder folder(path);
        Descriptor fd(::openat(folder.fd_, kInstallationListName,
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        // A program whose installation is pending, or the runner of its batch, holds the lock.
        if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            return;
        }
        const std::optional<std::string> text = ReadDescriptor(fd.get(), kListLimit);
        // Still the list under that name, not a newer one put in its place meanwhile.
        struct stat opened {};
        struct stat named {};
        if (!text || ::fstat(fd.get(), &opened) != 0 ||
            ::fstatat(folder.fd_, kInstallationListName, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
            return;
        }
        RemoveListed(folder, *text);
        folder.Remove(kInstallationListName);
    } catch (const Failure&) {
    }
}

std::optional<std::string> UserTempFolder() {
    const char* base = std::getenv("TMPDIR");
    return PrivateTempFolderIn(base != nullptr && *base != '\0' ? base : "/tmp");
}

#endif

}  // namespace rangwerk
