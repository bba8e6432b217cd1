#include "platform/drive_kind.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <vector>

namespace zevrin {
namespace {

using test::TempHome;
using test::write_text;

const char* const table = "/dev/vda / ext4 rw,relatime 0 0\n"
                          "proc /proc proc rw 0 0\n"
                          "tmpfs /tmp tmpfs rw 0 0\n"
                          "server:/export /mnt/nfs nfs4 rw 0 0\n"
                          "//nas/share /mnt/My\\040Share cifs rw 0 0\n"
                          "host:/ /home/me/remote fuse.sshfs rw 0 0\n"
                          "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                          "/dev/sdb1 /media/stick vfat rw 0 0\n"
                          "/dev/sdc1 /media/usbdisk ext4 rw 0 0\n"
                          "/dev/mmcblk0p1 /media/card exfat rw 0 0\n"
                          "/dev/ram0 /mnt/ram ext2 rw 0 0\n"
                          "overlay /var/lib/docker/x overlay rw 0 0\n"
                          "tmpfs /media/stick/over tmpfs rw 0 0\n"
                          "/dev/vdb /media/stick/over ext4 rw 0 0\n";

// A sysfs in which sdb is a removable disk and sdc a fixed one, each with one
// partition, linked as the kernel links them.
std::string fake_sysfs(const TempHome& home) {
    const std::string sys = home / "sys";
    for (const char* disk : {"sdb", "sdc"}) {
        const std::string dev = sys + "/devices/pci0/usb1/block/" + disk;
        write_text(dev + "/removable", std::string(disk) == "sdb" ? "1\n" : "0\n");
        write_text(dev + "/" + disk + "1/partition", "1\n");
        std::filesystem::create_directories(sys + "/class/block");
        std::filesystem::create_symlink(dev, sys + "/class/block/" + disk);
        std::filesystem::create_symlink(dev + "/" + disk + "1", sys + "/class/block/" + disk + "1");
    }
    return sys;
}

TEST(DriveKind, TheMountTableIsReadWithItsEscapes) {
    const auto mounts = parse_mount_table(table);
    ASSERT_EQ(mounts.size(), 14u);
    EXPECT_EQ(mounts[4].mount_point, "/mnt/My Share");
    EXPECT_EQ(mounts[4].fs_type, "cifs");
    EXPECT_TRUE(parse_mount_table("short line\n\n").empty());
}

TEST(DriveKind, TheInnermostAndLastMountHoldsAPath) {
    const auto mounts = parse_mount_table(table);
    EXPECT_EQ(mount_of(mounts, "/media/stick/a.zvr")->device, "/dev/sdb1");
    EXPECT_EQ(mount_of(mounts, "/media/stickier/a.zvr")->device, "/dev/vda");
    EXPECT_EQ(mount_of(mounts, "/media/stick/over/a")->device, "/dev/vdb");
    EXPECT_EQ(mount_of(mounts, "/mnt/My Share")->fs_type, "cifs");
    EXPECT_EQ(mount_of(mounts, "relative"), nullptr);
}

TEST(DriveKind, EachKindOfDriveIsRecognised) {
    TempHome home;
    const std::string sys = fake_sysfs(home);
    const auto kind = [&](const std::string& path) { return drive_kind(path, table, sys); };
    EXPECT_EQ(kind("/home/me/settings.zvr"), DriveKind::fixed);
    EXPECT_EQ(kind("/mnt/nfs/a.zvr"), DriveKind::remote);
    EXPECT_EQ(kind("/mnt/My Share/a.zvr"), DriveKind::remote);
    EXPECT_EQ(kind("/home/me/remote/a.zvr"), DriveKind::remote);
    EXPECT_EQ(kind("/media/cdrom/a.zvr"), DriveKind::cdrom);
    EXPECT_EQ(kind("/tmp/a.zvr"), DriveKind::ramdisk);
    EXPECT_EQ(kind("/mnt/ram/a.zvr"), DriveKind::ramdisk);
    EXPECT_EQ(kind("/media/stick/a.zvr"), DriveKind::removable);
    EXPECT_EQ(kind("/media/usbdisk/a.zvr"), DriveKind::fixed);
    EXPECT_EQ(kind("/media/card/a.zvr"), DriveKind::removable);
    EXPECT_EQ(kind("/var/lib/docker/x/a"), DriveKind::fixed);
    EXPECT_EQ(kind("/proc/a"), DriveKind::unknown);
    EXPECT_EQ(kind(""), DriveKind::no_root_dir);
    EXPECT_EQ(drive_kind("/x", "/dev/vdb /data ext4 rw 0 0\n", sys), DriveKind::no_root_dir);
    // Optical and RAM block devices count by their names, whatever file system.
    const auto device = [&](const std::string& dev) {
        return drive_kind("/m/a", "/dev/vda / ext4 rw 0 0\n" + dev + " /m ext2 rw 0 0\n", sys);
    };
    EXPECT_EQ(device("/dev/cdrom"), DriveKind::cdrom);
    EXPECT_EQ(device("/dev/scd1"), DriveKind::cdrom);
    EXPECT_EQ(device("/dev/sr10"), DriveKind::cdrom);
    EXPECT_EQ(device("/dev/zram0"), DriveKind::ramdisk);
    EXPECT_EQ(device("/dev/srx"), DriveKind::fixed);
    EXPECT_EQ(device("/dev/ramdisk"), DriveKind::fixed);
    EXPECT_EQ(drive_kind("/x", "", sys), DriveKind::unknown);
}

TEST(DriveKind, ALinkCountsWhereItLeads) {
    TempHome home;
    std::filesystem::create_directories(home / "real");
    std::filesystem::create_symlink(home / "real", home / "link");
    const std::string t =
        "/dev/vda / ext4 rw 0 0\n/dev/sr0 " + home.path() + "/real iso9660 ro 0 0\n";
    EXPECT_EQ(drive_kind(home / "link/a.zvr", t, "/sys"), DriveKind::cdrom);
    EXPECT_EQ(drive_kind(home / "link/../real/x/../a.zvr", t, "/sys"), DriveKind::cdrom);
}

// This machine's own mount table, checked against what the kernel says of each
// path's file system (statfs), which does not go through the table at all.
TEST(DriveKind, ThisMachinesPathsHaveTheKindOfTheirFileSystem) {
    TempHome home;
    const auto expected = [](const std::string& path) {
        struct statfs fs {};
        if (::statfs(path.c_str(), &fs) != 0) {
            return std::vector<DriveKind>{};
        }
        switch (static_cast<unsigned long>(fs.f_type)) {
        case TMPFS_MAGIC:
        case RAMFS_MAGIC:
            return std::vector<DriveKind>{DriveKind::ramdisk};
        case PROC_SUPER_MAGIC:
        case SYSFS_MAGIC:
            return std::vector<DriveKind>{DriveKind::unknown};
        case NFS_SUPER_MAGIC:
            return std::vector<DriveKind>{DriveKind::remote};
        default: // a disk: fixed, unless the kernel marks its device removable
            return std::vector<DriveKind>{DriveKind::fixed, DriveKind::removable};
        }
    };
    int checked = 0;
    for (const std::string& path :
         {std::string("/"), std::string("/proc/self/status"), std::string("/sys/kernel"),
          std::string("/dev/shm"), home / "a.zvr", home.path()}) {
        const std::vector<DriveKind> kinds = expected(path == home / "a.zvr" ? home.path() : path);
        if (kinds.empty()) {
            continue; // not on this machine
        }
        SCOPED_TRACE(path);
        EXPECT_NE(std::find(kinds.begin(), kinds.end(), drive_kind(path)), kinds.end())
            << static_cast<int>(drive_kind(path));
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

} // namespace
} // namespace zevrin
