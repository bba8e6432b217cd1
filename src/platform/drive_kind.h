#pragma once
// The kind of drive a file lives on, decided from the mount table.
//
// The Windows program asks its platform for a drive letter's type; here the mount
// that holds the file decides: network file systems are remote, iso9660/udf and
// optical drives are CD-ROMs, tmpfs/ramfs and RAM block devices are RAM disks, a
// block device that the kernel marks removable (USB sticks, card readers, SD
// cards) is removable, and other disks are fixed. Pseudo file systems (proc, ...)
// are of unknown kind.

#include <string>
#include <string_view>
#include <vector>

namespace zevrin {

/// Numbered as Windows numbers its drive types.
enum class DriveKind {
    unknown = 0,
    no_root_dir = 1,
    removable = 2,
    fixed = 3,
    remote = 4,
    cdrom = 5,
    ramdisk = 6
};

struct MountEntry {
    std::string device;
    std::string mount_point;
    std::string fs_type;
};

/// The entries of a /proc/mounts text, with its octal escapes ("\040") decoded.
std::vector<MountEntry> parse_mount_table(std::string_view text);
/// The mount that holds the absolute path: the longest mount point that contains
/// it, the later of two equal ones (a mount over a mount). nullptr when none does.
const MountEntry* mount_of(const std::vector<MountEntry>& mounts, std::string_view path);
/// The kind of one mount; `sys_root` is where sysfs is mounted ("/sys").
DriveKind classify_mount(const MountEntry& mount, const std::string& sys_root);

/// The kind of drive of `path` (made absolute, symbolic links resolved as far as
/// they exist): no_root_dir for an empty path or one that no mount holds, unknown
/// when the mount table cannot be read.
DriveKind drive_kind(const std::string& path, std::string_view mount_table,
                     const std::string& sys_root);
/// The same with this machine's /proc/mounts and /sys.
DriveKind drive_kind(const std::string& path);

} // namespace zevrin
