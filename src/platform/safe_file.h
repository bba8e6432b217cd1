#pragma once
// The one way the program writes a file: tables, pictures, settings files, registry
// hives, logs, backups. Whatever already stands at the name decides what happens:
//
//   nothing (a new name)   created whole through a temporary file (below)
//   a regular file         replaced whole through a temporary file, keeping its mode;
//                          refused when the file itself may not be written
//   a symbolic link        followed to the file it names (the link stays a link), but
//                          only with LinkPolicy::follow; with LinkPolicy::replace the
//                          link itself is replaced and what it names is never touched.
//                          A link to nothing or a loop of links is refused.
//   one of the program's   /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N:
//   open descriptors       written through that descriptor, wherever it leads, as a
//                          shell user expects ("> out" and ">> out" both do their part)
//   a FIFO or a character  written straight into, never created, truncated or renamed
//   device (/dev/stdout,   over (a shell's pipe, /dev/null). Opening a FIFO no program
//   /dev/null, a pipe)     reads from waits up to stream_wait for a reader, then is
//                          refused: a writer must not hang on it forever. A reader
//                          that goes away makes the write fail (EPIPE), never kills
//                          the program with SIGPIPE.
//   anything else          refused: a folder, a socket, a block device, a missing
//                          folder, no permission. FileError::reason says why.
//
// The temporary file lies in the same folder as the file it becomes, under a name
// made for this one write (".NAME.tmp-PID-RANDOM"), created with O_EXCL|O_NOFOLLOW, so
// that nothing planted there (a link, an older file) is ever opened. It is flushed to
// the disk and renamed over the target, so that a reader, a crash or a killed writer
// sees the old file or the new one, never a mixture. Two writers at once each write
// their own temporary file; the last rename wins whole. A failed write removes its
// temporary file. One left by a killed writer is removed by the next write to the
// same name: only names with that name's prefix, only regular files of this user
// whose writer is gone (its process no longer exists and its lock on the file is free).
//
// Appending (a log) opens the file itself, following a link as above, and creates a
// missing one; a write of a single chunk lands whole or not at all with respect to
// other appenders (O_APPEND).

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace zevrin {

/// Why a write failed. `code` is the errno value (0: no failure); `reason` says it in
/// words a user understands ("it is a folder", "Permission denied").
struct FileError {
    int code = 0;
    std::string reason;
    explicit operator bool() const { return code != 0; }
};

/// "Cannot write \"PATH\": REASON".
std::string write_failure_text(const std::string& path, const FileError& error);

/// What a symbolic link at the name means.
enum class LinkPolicy {
    follow, ///< the file a user named: write to what the link names
    replace ///< the program's own file (a backup, a lock): the link is replaced itself
};

struct SafeWriteOptions {
    LinkPolicy links = LinkPolicy::follow;
    /// Whether a FIFO or character device at the name is written into; when false it
    /// is refused (a backup must be a real file).
    bool streams = true;
    /// Permissions of a new file (before the umask); a replaced file keeps its own.
    mode_t permissions = 0666;
    /// How long opening a FIFO waits for a program to read from it.
    std::chrono::milliseconds stream_wait{5000};
};

/// One file being written, in chunks. Nothing appears under the name before commit()
/// (except in a stream or in append mode, where each chunk goes out at once).
/// Destroying it without commit() abandons the write: the temporary file is removed.
class SafeFile {
public:
    enum class Mode { replace, append };

    /// Opens the target; error() tells whether that worked.
    explicit SafeFile(std::string path, Mode mode = Mode::replace,
                      const SafeWriteOptions& options = {});
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    const std::string& path() const { return path_; }
    /// True when writing straight into a FIFO or character device.
    bool is_stream() const { return stream_; }
    /// The first failure so far; once failed, writes do nothing.
    const FileError& error() const { return error_; }

    /// Appends bytes; false (and error() set) on failure.
    bool write(std::string_view bytes);
    /// Ends the write: flushes to the disk and renames the temporary file over the
    /// target. Returns the first failure of the whole write, if any.
    FileError commit();

private:
    void open_replacement(const SafeWriteOptions& options);
    void open_append(const SafeWriteOptions& options);
    void open_stream(const std::string& name, const SafeWriteOptions& options);
    void open_inherited(int descriptor);
    void fail(int code, std::string reason = {});
    void abandon();

    std::string path_;
    Mode mode_;
    FileError error_;
    int fd_ = -1;
    int folder_fd_ = -1;
    std::string base_; ///< the target's name in its folder
    std::string temp_; ///< the temporary file's name in that folder, when there is one
    bool stream_ = false;
    bool replacing_ = false; ///< a regular file stands at the name
    mode_t old_mode_ = 0;
    bool done_ = false;
};

/// The whole file at once (see SafeFile).
FileError write_file_safely(const std::string& path, std::string_view bytes,
                            const SafeWriteOptions& options = {});
/// Appends to the file, creating it when missing (see SafeFile::Mode::append).
FileError append_to_file(const std::string& path, std::string_view bytes,
                         const SafeWriteOptions& options = {});

/// Tests only: where the random part of temporary names comes from (nullptr: the
/// system's random numbers), so that a test can plant something at the next name.
void set_temp_name_source(std::string (*source)());

} // namespace zevrin
