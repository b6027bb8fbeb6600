// The platform facts the start-up check asks: the drive that holds the program and the time of
// the program file.
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/time.h>
#endif

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/drive_type.h"
#include "platform/file_times.h"

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
    EXPECT_EQ(ProgramDriveType("\\\\server\\share\\Ranko.exe"), kDriveNoRootDir);
    EXPECT_EQ(ProgramDriveType("/no/such/folder/rangwerk"), kDriveNoRootDir);
    EXPECT_EQ(ProgramDriveType(""), kDriveNoRootDir);
    // The test program's own folder is on an ordinary disk here, /dev/shm in memory.
    const fs::path self = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(ProgramDriveType(self.string()), kDriveFixed);
    if (fs::is_directory("/dev/shm")) {
        EXPECT_EQ(ProgramDriveType("/dev/shm/rangwerk"), kDriveRamDisk);
    }
}

TEST(FileTimes, ModificationTimeInTwoSecondSteps) {
    const fs::path file = fs::temp_directory_path() / "rangwerk-file-time-test";
    std::ofstream(file) << "x";
    // 1 March 2024, 18:00:07 local time.
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 2;
    local.tm_mday = 1;
    local.tm_hour = 18;
    local.tm_min = 0;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const timeval times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimes(file.c_str(), times), 0);
    EXPECT_EQ(FileModificationDayCount(file.string()), LocalDayCount(2024, 3, 1, 18, 0, 6));
    fs::remove(file);
    EXPECT_EQ(FileModificationDayCount(file.string()), std::nullopt);
    EXPECT_EQ(FileModificationDayCount(""), std::nullopt);
}
#endif

}  // namespace
}  // namespace rangwerk
