// The drive type of the program's folder: on Linux, the file system mounted there.
#include "platform/drive_type.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace rangwerk {
namespace {

namespace fs = std::filesystem;

TEST(DriveType, FileSystemsAndDevices) {
    EXPECT_EQ(DriveTypeOfFileSystem("iso9660", false), kDriveCdRom);
    EXPECT_EQ(DriveTypeOfFileSystem("udf", true), kDriveCdRom);
    for (const char* remote : {"nfs", "nfs4", "cifs", "smb2", "smb3", "fuse.sshfs"}) {
        EXPECT_EQ(DriveTypeOfFileSystem(remote, false), kDriveRemote) << remote;
    }
    EXPECT_EQ(DriveTypeOfFileSystem("tmpfs", false), kDriveRamDisk);
    EXPECT_EQ(DriveTypeOfFileSystem("ramfs", false), kDriveRamDisk);
    EXPECT_EQ(DriveTypeOfFileSystem("vfat", true), kDriveRemovable);
    EXPECT_EQ(DriveTypeOfFileSystem("ext4", false), kDriveFixed);
    EXPECT_EQ(DriveTypeOfFileSystem("fuse.other", false), kDriveFixed);
}

TEST(DriveType, MountThatHoldsAPath) {
    const std::string mountinfo =
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "25 27 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "30 25 0:27 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "40 27 8:17 / /media/user/USB\\040STICK rw,nosuid shared:12 master:3 - vfat /dev/sdb1 rw\n"
        "41 27 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
        "42 27 0:50 / /mnt/net rw - nfs4 server:/export rw\n"
        "broken line\n";
    auto mount = FindMount(mountinfo, "/opt/rangwerk/bin");
    ASSERT_TRUE(mount);
    EXPECT_EQ(mount->mountPoint, "/");
    EXPECT_EQ(mount->fileSystem, "ext4");
    EXPECT_EQ(mount->device, "254:0");
    // The later of two mounts on the same point lies on top.
    mount = FindMount(mountinfo, "/dev/shm/x");
    ASSERT_TRUE(mount);
    EXPECT_EQ(mount->device, "0:27");
    // Blanks are escaped; optional fields stand before the separator.
    mount = FindMount(mountinfo, "/media/user/USB STICK/Rangwerk");
    ASSERT_TRUE(mount);
    EXPECT_EQ(mount->fileSystem, "vfat");
    EXPECT_EQ(mount->device, "8:17");
    EXPECT_EQ(FindMount(mountinfo, "/media/cd")->fileSystem, "iso9660");
    EXPECT_EQ(FindMount(mountinfo, "/media/cdrom")->fileSystem, "ext4");  // not below /media/cd
    EXPECT_EQ(FindMount(mountinfo, "/mnt/net/a/b")->fileSystem, "nfs4");
    EXPECT_EQ(FindMount("", "/opt"), std::nullopt);
    EXPECT_EQ(FindMount(mountinfo, "relative/path"), std::nullopt);
}

#ifndef _WIN32
TEST(DriveType, ProgramFolderOnThisMachine) {
    EXPECT_EQ(ProgramDriveType("/no/such/folder/rangwerk"), kDriveNoRootDir);
    // The test program's own folder is on an ordinary disk here, /dev/shm in memory.
    const fs::path self = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(ProgramDriveType(self.string()), kDriveFixed);
    if (fs::is_directory("/dev/shm")) {
        EXPECT_EQ(ProgramDriveType("/dev/shm/rangwerk"), kDriveRamDisk);
    }
}
#endif

}  // namespace
}  // namespace rangwerk
