#include "platform/temp_files.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace rangwerk {

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

std::optional<std::string> PrivateTempFolderIn(const std::string& base) {
    std::string folder = base;
    if (folder.empty()) {
        return std::nullopt;
    }
    if (folder.back() != '/') {
        folder += '/';
    }
    folder += "rangwerk-" + std::to_string(getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    // The folder must be a real folder of this user that no one else may enter: otherwise
    // another user of a shared /tmp could have planted it or its files.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    const bool owned = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid();
    const bool closed = owned && ((info.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    if (!owned || !closed) {
        return std::nullopt;
    }
    return folder + '/';
}

std::optional<std::string> UserTempFolder() {
    const char* base = std::getenv("TMPDIR");
    return PrivateTempFolderIn(base != nullptr && *base != '\0' ? base : "/tmp");
}

#endif

}  // namespace rangwerk
