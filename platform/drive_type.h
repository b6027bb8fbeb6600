#pragma once

#include <optional>
#include <string>

namespace rangwerk {

// The kinds of drive that the platform's drive-type query tells apart (the values of Windows'
// GetDriveType).
enum DriveType : int {
    kDriveUnknown = 0,
    kDriveNoRootDir = 1,  // the path names no drive that can be examined
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
    kDriveRamDisk = 6,
};

// The type of the drive that holds the program file `programPath`.
// Windows: GetDriveType of the path's first three characters (a drive letter, a colon and a
// backslash), so a network path beginning with two backslashes gives kDriveNoRootDir.
// Elsewhere: the file system mounted at the program's folder (see DriveTypeOfFileSystem); a path
// beginning with two backslashes, or one that cannot be examined, gives kDriveNoRootDir.
int ProgramDriveType(const std::string& programPath);

// Elsewhere than on Windows: the drive type of a mounted file system of type `fileSystem` (as
// /proc/self/mountinfo names it): iso9660 and udf are CD-ROMs; nfs, cifs, smb and sshfs are
// network drives; tmpfs and ramfs RAM disks; otherwise a removable block device is removable,
// anything else fixed.
int DriveTypeOfFileSystem(const std::string& fileSystem, bool removableDevice);

// One line of /proc/self/mountinfo, as far as the drive type needs it.
struct MountEntry {
    std::string mountPoint;  // unescaped
    std::string fileSystem;
    std::string device;  // "major:minor"
};

// The mount that holds the absolute, resolved path `path` in the text of /proc/self/mountinfo:
// the longest mount point that contains it, the later one of equal mount points (it lies on
// top). Empty when none does or the text cannot be read.
std::optional<MountEntry> FindMount(const std::string& mountinfo, const std::string& path);

}  // namespace rangwerk
