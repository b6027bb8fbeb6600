#include "platform/drive_type.h"

#include <sstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "base/wide_text.h"
#else
#include <filesystem>
#include <fstream>
#include <system_error>
#endif

namespace rangwerk {

#ifdef _WIN32

int ProgramDriveType(const std::string& programPath) {
    const std::string root = programPath.substr(0, 3);
    const std::wstring wide = WideFromUtf8(root);
    if (wide.empty() && !root.empty())
        return kDriveNoRootDir;
    return static_cast<int>(GetDriveTypeW(wide.c_str()));
}

#endif

int DriveTypeOfFileSystem(const std::string& fileSystem, bool removableDevice) {
    if (fileSystem == "iso9660" || fileSystem == "udf")
        return kDriveCdRom;
    for (const char* remote :
         {"nfs", "nfs4", "cifs", "smb2", "smb3", "smbfs", "sshfs", "fuse.sshfs"}) {
        if (fileSystem == remote)
            return kDriveRemote;
    }
    if (fileSystem == "tmpfs" || fileSystem == "ramfs")
        return kDriveRamDisk;
    return removableDevice ? kDriveRemovable : kDriveFixed;
}

namespace {

// Mount points in mountinfo escape blanks, tabs, line breaks and backslashes as "\ooo".
std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1];
            const char b = field[i + 2];
            const char c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                text += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

bool Contains(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

}  // namespace

std::optional<MountEntry> FindMount(const std::string& mountinfo, const std::string& path) {
    std::optional<MountEntry> found;
    std::istringstream lines(mountinfo);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional fields...] - type source ...
        std::istringstream fields(line);
        std::vector<std::string> words;
        std::string word;
        while (fields >> word) words.push_back(word);
        if (words.size() < 7)
            continue;
        std::size_t separator = 6;
        while (separator < words.size() && words[separator] != "-") ++separator;
        if (separator + 1 >= words.size())
            continue;
        MountEntry entry{Unescape(words[4]), words[separator + 1], words[2]};
        if (!Contains(entry.mountPoint, path))
            continue;
        if (!found || entry.mountPoint.size() >= found->mountPoint.size())
            found = entry;
    }
    return found;
}

#ifndef _WIN32

namespace {

bool ReadsOne(const std::filesystem::path& file) {
    std::ifstream in(file);
    char flag = 0;
    return in.get(flag) && flag == '1';
}

// A block device is removable when its "removable" flag is set; a partition carries the flag of
// the disk it lies on.
bool RemovableBlockDevice(const std::string& device) {
    std::error_code error;
    const std::filesystem::path node =
        std::filesystem::canonical(std::filesystem::path("/sys/dev/block") / device, error);
    if (error)
        return false;
    if (std::filesystem::exists(node / "removable", error))
        return ReadsOne(node / "removable");
    return ReadsOne(node.parent_path() / "removable");
}

}  // namespace

int ProgramDriveType(const std::string& programPath) {
    if (programPath.rfind("\\\\", 0) == 0)
        return kDriveNoRootDir;
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::canonical(std::filesystem::path(programPath).parent_path(), error);
    if (error || !std::filesystem::is_directory(folder, error))
        return kDriveNoRootDir;
    std::ifstream in("/proc/self/mountinfo");
    if (!in)
        return kDriveNoRootDir;
    std::ostringstream text;
    text << in.rdbuf();
    const auto mount = FindMount(text.str(), folder.string());
    if (!mount)
        return kDriveNoRootDir;
    return DriveTypeOfFileSystem(mount->fileSystem, RemovableBlockDevice(mount->device));
}

#endif

}  // namespace rangwerk
