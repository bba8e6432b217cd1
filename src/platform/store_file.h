#pragma once
// Files that hold a store (a registry hive, an ini file): read whole, replaced
// atomically (platform/safe_file.h), guarded against other processes by an advisory
// lock. Writers take the lock around read-modify-write so that changes of different
// processes are merged, not lost.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zevrin {

/// What identifies one version of a file. Every save replaces the file by a new
/// one, so a change of any field means another process saved it.
struct FileSignature {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtime_ns = 0;
    int64_t ctime_ns = 0;
    bool operator==(const FileSignature&) const = default;
};

FileSignature file_signature(const std::string& path);

struct FileContent {
    std::string bytes;
    FileSignature signature;
    int error = 0; ///< errno of a failed read; 0 when read or when the file is absent
};

/// The most a store file (a registry hive, an ini or settings file) may hold: the
/// settings in one take kilobytes.
inline constexpr size_t store_file_limit = 1024 * 1024;

/// The whole file; an absent file is empty and not an error. A file larger than
/// `limit` gives its first `limit` bytes and the error EFBIG, and nothing beyond them
/// is read: a huge or sparse file costs no more time or memory than the limit.
FileContent read_file(const std::string& path, size_t limit = store_file_limit);

/// The folder part of a path ("." for a bare name).
std::string folder_of(const std::string& path);
/// Creates the folder and its missing parents; 0 or the errno of the failure.
int make_folders(const std::string& folder);

/// Whether a file can be created in the folder: 0, or the errno of the failure.
int probe_writable(const std::string& folder);

/// An exclusive advisory lock (flock) on a file or a folder, held while it lives.
class FileLock {
public:
    /// Waits up to about ten seconds for the lock; error() tells whether it was
    /// taken (0) or why not (EWOULDBLOCK when another process kept it; ELOOP or EINVAL
    /// when a lock file's name holds a symbolic link or anything but a regular file,
    /// which is never followed or opened for writing).
    explicit FileLock(const std::string& path, bool folder);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    int error() const { return error_; }

private:
    int fd_ = -1;
    int error_ = 0;
};

/// The system's text for an errno value.
std::string error_text(int error);
/// The same for the error of a read_file, which gives EFBIG for a file beyond its
/// limit: "the file is larger than 1 MiB".
std::string read_error_text(int error);

} // namespace zevrin
