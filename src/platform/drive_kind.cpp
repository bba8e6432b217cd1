#include "platform/drive_kind.h"

#include "platform/store_file.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace zevrin {

namespace {

bool one_of(std::string_view s, std::initializer_list<std::string_view> list) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

bool is_remote_type(std::string_view type) {
    return one_of(type, {"nfs",
                         "nfs4",
                         "cifs",
                         "smb3",
                         "smbfs",
                         "ncpfs",
                         "afs",
                         "coda",
                         "9p",
                         "ceph",
                         "glusterfs",
                         "lustre",
                         "gpfs",
                         "beegfs",
                         "orangefs",
                         "davfs",
                         "fuse.sshfs",
                         "fuse.rclone",
                         "fuse.s3fs",
                         "fuse.gvfsd-fuse",
                         "fuse.glusterfs",
                         "fuse.davfs2",
                         "fuse.cephfs"});
}

bool is_local_disk_type(std::string_view type) {
    return one_of(type, {"ext2",  "ext3",     "ext4",     "xfs",     "btrfs",    "zfs",   "f2fs",
                         "jfs",   "reiserfs", "bcachefs", "vfat",    "msdos",    "exfat", "ntfs",
                         "ntfs3", "fuseblk",  "hfsplus",  "overlay", "squashfs", "erofs"});
}

std::string unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// `name` is `prefix` followed by decimal digits (at least one unless `bare_ok`).
bool numbered(std::string_view name, std::string_view prefix, bool bare_ok = false) {
    if (name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    const std::string_view digits = name.substr(prefix.size());
    return (bare_ok || !digits.empty()) &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string read_first_line(const std::string& path) {
    const FileContent c = read_file(path);
    return c.bytes.substr(0, c.bytes.find('\n'));
}

bool is_removable_block_device(const std::string& name, const std::string& sys_root) {
    if (name.rfind("mmcblk", 0) == 0) {
        return true; // SD cards: the kernel does not mark them, the Windows program does
    }
    const std::string dev = sys_root + "/class/block/" + name;
    std::error_code ec;
    const bool partition = std::filesystem::exists(dev + "/partition", ec);
    return read_first_line(dev + (partition ? "/../removable" : "/removable")) == "1";
}

} // namespace

std::vector<MountEntry> parse_mount_table(std::string_view text) {
    std::vector<MountEntry> mounts;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        std::array<std::string_view, 3> fields;
        size_t count = 0;
        size_t pos = 0;
        while (count < fields.size() && pos < line.size()) {
            const size_t begin = line.find_first_not_of(" \t", pos);
            if (begin == std::string_view::npos) {
                break;
            }
            const size_t stop = std::min(line.find_first_of(" \t", begin), line.size());
            fields[count++] = line.substr(begin, stop - begin);
            pos = stop;
        }
        if (count == fields.size()) {
            mounts.push_back({unescape(fields[0]), unescape(fields[1]), unescape(fields[2])});
        }
    }
    return mounts;
}

const MountEntry* mount_of(const std::vector<MountEntry>& mounts, std::string_view path) {
    const MountEntry* best = nullptr;
    size_t best_length = 0;
    for (const MountEntry& m : mounts) {
        std::string_view point = m.mount_point;
        while (point.size() > 1 && point.back() == '/') {
            point.remove_suffix(1);
        }
        const bool holds = point == "/"
                               ? !path.empty() && path[0] == '/'
                               : path.substr(0, point.size()) == point &&
                                     (path.size() == point.size() || path[point.size()] == '/');
        if (holds && (best == nullptr || point.size() >= best_length)) {
            best = &m;
            best_length = point.size();
        }
    }
    return best;
}

DriveKind classify_mount(const MountEntry& mount, const std::string& sys_root) {
    const std::string& type = mount.fs_type;
    if (is_remote_type(type)) {
        return DriveKind::remote;
    }
    if (one_of(type, {"tmpfs", "ramfs"})) {
        return DriveKind::ramdisk;
    }
    if (one_of(type, {"iso9660", "udf"})) {
        return DriveKind::cdrom;
    }
    if (mount.device.rfind("/dev/", 0) == 0) {
        std::error_code ec;
        const auto real = std::filesystem::weakly_canonical(mount.device, ec);
        const std::string name =
            (ec ? std::filesystem::path(mount.device) : real).filename().string();
        if (numbered(name, "sr") || numbered(name, "scd") || numbered(name, "cdrom", true)) {
            return DriveKind::cdrom;
        }
        if (numbered(name, "ram") || numbered(name, "zram")) {
            return DriveKind::ramdisk;
        }
        return is_removable_block_device(name, sys_root) ? DriveKind::removable : DriveKind::fixed;
    }
    return is_local_disk_type(type) ? DriveKind::fixed : DriveKind::unknown;
}

DriveKind drive_kind(const std::string& path, std::string_view mount_table,
                     const std::string& sys_root) {
    if (path.empty()) {
        return DriveKind::no_root_dir;
    }
    const std::vector<MountEntry> mounts = parse_mount_table(mount_table);
    if (mounts.empty()) {
        return DriveKind::unknown;
    }
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec).lexically_normal();
    auto full = std::filesystem::weakly_canonical(absolute, ec);
    if (ec) {
        full = absolute;
    }
    const MountEntry* mount = mount_of(mounts, full.string());
    return mount == nullptr ? DriveKind::no_root_dir : classify_mount(*mount, sys_root);
}

DriveKind drive_kind(const std::string& path) {
    return drive_kind(path, read_file("/proc/mounts").bytes, "/sys");
}

} // namespace zevrin
