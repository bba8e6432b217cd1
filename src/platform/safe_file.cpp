#include "platform/safe_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zevrin {

namespace {

FileError system_error(int code) {
    return FileError{code, std::strerror(code)};
}

std::string kind_text(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "it is a folder";
    }
    if (S_ISSOCK(mode)) {
        return "it is a socket";
    }
    if (S_ISBLK(mode)) {
        return "it is a block device (a whole disk or partition)";
    }
    if (S_ISFIFO(mode)) {
        return "it is a FIFO (named pipe), not a regular file";
    }
    if (S_ISCHR(mode)) {
        return "it is a device, not a regular file";
    }
    if (S_ISLNK(mode)) {
        return "it is a symbolic link";
    }
    return "it is not a regular file";
}

int kind_code(mode_t mode) {
    return S_ISDIR(mode) ? EISDIR : S_ISLNK(mode) ? ELOOP : EINVAL;
}

bool is_stream_kind(mode_t mode) {
    return S_ISFIFO(mode) || S_ISCHR(mode);
}

// Writes everything or returns the errno of the failure.
int write_all(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// A pipe whose reader went away raises SIGPIPE, which would end the program: it is
// blocked around the write and, when this write raised it, taken back.
int write_all_to_stream(int fd, std::string_view bytes) {
    sigset_t pipe_signal;
    sigset_t old_mask;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool was_pending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &old_mask);
    const int error = write_all(fd, bytes);
    if (error == EPIPE && !was_pending) {
        const timespec no_wait{};
        while (sigtimedwait(&pipe_signal, nullptr, &no_wait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
    return error;
}

std::atomic<std::string (*)()> temp_name_source{nullptr};

std::string random_hex() {
    if (const auto source = temp_name_source.load()) {
        return source();
    }
    uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        std::random_device device;
        bits = (static_cast<uint64_t>(device()) << 32) ^ device();
    }
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (char& c : text) {
        c = digits[bits & 15];
        bits >>= 4;
    }
    return text;
}

// Long names are cut so that the temporary name still fits NAME_MAX.
std::string temp_prefix(const std::string& base) {
    return "." + base.substr(0, 200) + ".tmp-";
}

// The pid in a temporary name ("PREFIX<pid>-..."), or 0.
pid_t writer_pid(const char* rest) {
    char* end = nullptr;
    const long pid = std::strtol(rest, &end, 10);
    return end != rest && *end == '-' && pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

bool process_alive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes one temporary file when its writer is certainly gone: its process no
// longer runs and nobody holds the lock a writer keeps on it. Only a regular file of
// this user with one name, i.e. one this program could have made.
void remove_if_abandoned(int folder_fd, const char* name, pid_t pid) {
    if (pid == ::getpid() || process_alive(pid)) {
        return;
    }
    struct stat st {};
    if (::fstatat(folder_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || st.st_nlink != 1) {
        return;
    }
    const int fd =
        ::openat(folder_fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && opened.st_ino == st.st_ino && opened.st_dev == st.st_dev &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        ::unlinkat(folder_fd, name, 0);
    }
    ::close(fd);
}

void remove_abandoned_temps(int folder_fd, const std::string& prefix) {
    const int listing = ::dup(folder_fd);
    if (listing < 0) {
        return;
    }
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        ::close(listing);
        return;
    }
    ::rewinddir(dir);
    while (const dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) {
            if (const pid_t pid = writer_pid(e->d_name + prefix.size())) {
                remove_if_abandoned(folder_fd, e->d_name, pid);
            }
        }
    }
    ::closedir(dir);
}

std::string folder_part(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_part(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a symbolic link names, for a message.
std::string link_text(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string("?");
}

struct Place {
    std::string folder;
    std::string base;
    int folder_fd = -1;
    bool exists = false;
    struct stat st {};
};

// The folder and what stands in it at `base`, without following a link there.
FileError inspect(const std::string& path, Place& place) {
    place.folder = folder_part(path);
    place.base = base_part(path);
    if (place.base.empty() || place.base == "." || place.base == "..") {
        return FileError{EISDIR, "the name is that of a folder"};
    }
    place.folder_fd = ::open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (place.folder_fd < 0) {
        const int e = errno;
        if (e == ENOENT) {
            return FileError{e, "the folder \"" + place.folder + "\" does not exist"};
        }
        if (e == ENOTDIR) {
            return FileError{e, "\"" + place.folder + "\" is not a folder"};
        }
        return FileError{e, std::string("cannot open the folder \"") + place.folder +
                                "\": " + std::strerror(e)};
    }
    if (::fstatat(place.folder_fd, place.base.c_str(), &place.st, AT_SYMLINK_NOFOLLOW) == 0) {
        place.exists = true;
    } else if (errno != ENOENT) {
        return system_error(errno);
    }
    return FileError{};
}

void close_fd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Where a symbolic link finally leads, or why it leads nowhere.
FileError follow_link(const std::string& path, struct stat& target, std::string& resolved) {
    if (::stat(path.c_str(), &target) != 0) {
        const int e = errno;
        if (e == ENOENT) {
            return FileError{e, "it is a symbolic link to \"" + link_text(path) +
                                    "\", which does not exist"};
        }
        if (e == ELOOP) {
            return FileError{e, "it is a symbolic link that leads round in a loop"};
        }
        return system_error(e);
    }
    if (S_ISREG(target.st_mode)) {
        char buffer[PATH_MAX];
        if (::realpath(path.c_str(), buffer) == nullptr) {
            return system_error(errno);
        }
        resolved = buffer;
    }
    return FileError{};
}

// The descriptor that a name such as /dev/stdout or /proc/self/fd/3 stands for, or -1.
// Following such a name as a link would replace the file behind the shell's
// redirection instead of writing where the shell pointed the descriptor.
int inherited_descriptor(const std::string& path) {
    std::string name = path;
    if (name == "/dev/stdout") {
        return 1;
    }
    if (name == "/dev/stderr") {
        return 2;
    }
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const size_t n = std::strlen(prefix);
        if (name.compare(0, n, prefix) == 0 && name.size() > n && name.size() <= n + 9 &&
            name.find_first_not_of("0123456789", n) == std::string::npos) {
            return std::atoi(name.c_str() + n);
        }
    }
    return -1;
}

} // namespace

void set_temp_name_source(std::string (*source)()) {
    temp_name_source = source;
}

std::string write_failure_text(const std::string& path, const FileError& error) {
    return "Cannot write \"" + path + "\": " + error.reason;
}

SafeFile::SafeFile(std::string path, Mode mode, const SafeWriteOptions& options)
    : path_(std::move(path)), mode_(mode) {
    if (path_.empty()) {
        fail(ENOENT, "no file name was given");
        return;
    }
    if (mode_ == Mode::append) {
        open_append(options);
    } else {
        open_replacement(options);
    }
}

SafeFile::~SafeFile() {
    if (!done_) {
        abandon();
    }
}

void SafeFile::fail(int code, std::string reason) {
    if (error_) {
        return;
    }
    error_ = reason.empty() ? system_error(code) : FileError{code, std::move(reason)};
}

void SafeFile::open_stream(const std::string& name, const SafeWriteOptions& options) {
    const auto deadline = std::chrono::steady_clock::now() + options.stream_wait;
    for (;;) {
        fd_ = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ >= 0) {
            break;
        }
        const int e = errno;
        if (e == EINTR) {
            continue;
        }
        // A FIFO without a reader: the reader may be starting at the same moment.
        if (e == ENXIO && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        fail(e, e == ENXIO ? "no program reads from the FIFO (named pipe)" : "");
        return;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !is_stream_kind(st.st_mode)) {
        fail(EAGAIN, "it was replaced while being opened");
        close_fd(fd_);
        return;
    }
    // Opened without blocking; from now on a full pipe must make the writer wait.
    const int flags = ::fcntl(fd_, F_GETFL);
    ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    stream_ = true;
}

void SafeFile::open_inherited(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0) {
        fail(EBADF, "the program has no such open file");
        return;
    }
    if ((flags & O_ACCMODE) == O_RDONLY) {
        fail(EBADF, "the program's open file there is only for reading");
        return;
    }
    fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) {
        fail(errno);
        return;
    }
    stream_ = true;
}

void SafeFile::open_replacement(const SafeWriteOptions& options) {
    if (options.links == LinkPolicy::follow && options.streams) {
        if (const int descriptor = inherited_descriptor(path_); descriptor >= 0) {
            open_inherited(descriptor);
            return;
        }
    }
    Place place;
    if (FileError e = inspect(path_, place)) {
        close_fd(place.folder_fd);
        error_ = std::move(e);
        return;
    }
    if (place.exists && S_ISLNK(place.st.st_mode) && options.links == LinkPolicy::follow) {
        struct stat target {};
        std::string resolved;
        if (FileError e = follow_link(path_, target, resolved)) {
            close_fd(place.folder_fd);
            error_ = std::move(e);
            return;
        }
        close_fd(place.folder_fd);
        if (is_stream_kind(target.st_mode) && options.streams) {
            open_stream(path_, options);
            return;
        }
        if (!S_ISREG(target.st_mode)) {
            fail(kind_code(target.st_mode), kind_text(target.st_mode));
            return;
        }
        place = Place{};
        if (FileError e = inspect(resolved, place)) {
            close_fd(place.folder_fd);
            error_ = std::move(e);
            return;
        }
        if (!place.exists || !S_ISREG(place.st.st_mode)) {
            close_fd(place.folder_fd);
            fail(EAGAIN, "it was replaced while being opened");
            return;
        }
    }
    if (place.exists && is_stream_kind(place.st.st_mode) && options.streams) {
        close_fd(place.folder_fd);
        open_stream(path_, options);
        return;
    }
    const bool link_replaced = S_ISLNK(place.st.st_mode) && options.links == LinkPolicy::replace;
    if (place.exists && !S_ISREG(place.st.st_mode) && !link_replaced) {
        close_fd(place.folder_fd);
        fail(kind_code(place.st.st_mode), kind_text(place.st.st_mode));
        return;
    }
    replacing_ = place.exists && S_ISREG(place.st.st_mode);
    old_mode_ = place.st.st_mode;
    // Renaming would replace a file its owner made read-only.
    if (replacing_ && ::faccessat(place.folder_fd, place.base.c_str(), W_OK, AT_EACCESS) != 0) {
        close_fd(place.folder_fd);
        fail(errno);
        return;
    }
    folder_fd_ = place.folder_fd;
    base_ = place.base;
    const std::string prefix = temp_prefix(base_);
    remove_abandoned_temps(folder_fd_, prefix);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        const std::string name = prefix + std::to_string(::getpid()) + "-" + random_hex();
        fd_ = ::openat(folder_fd_, name.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                       options.permissions);
        if (fd_ >= 0) {
            temp_ = name;
        } else if (errno != EEXIST) {
            const int e = errno;
            fail(e, "cannot create a file in the folder \"" + place.folder +
                        "\": " + std::strerror(e));
            return;
        }
    }
    if (fd_ < 0) {
        fail(EEXIST, "no unused name for a temporary file in \"" + place.folder + "\"");
        return;
    }
    // Held until the rename: tells a later writer that this file is not abandoned.
    ::flock(fd_, LOCK_EX | LOCK_NB);
}

void SafeFile::open_append(const SafeWriteOptions& options) {
    Place place;
    FileError e = inspect(path_, place);
    std::string name = path_;
    if (!e && place.exists && S_ISLNK(place.st.st_mode)) {
        if (options.links == LinkPolicy::replace) {
            e = FileError{ELOOP, kind_text(place.st.st_mode)};
        } else {
            struct stat target {};
            std::string resolved;
            e = follow_link(path_, target, resolved);
            if (!e && S_ISREG(target.st_mode)) {
                close_fd(place.folder_fd);
                place = Place{};
                e = inspect(resolved, place);
            } else if (!e) {
                place.st = target;
            }
        }
    }
    const mode_t kind = place.st.st_mode;
    if (!e && place.exists && is_stream_kind(kind) && options.streams) {
        close_fd(place.folder_fd);
        open_stream(path_, options);
        return;
    }
    if (!e && place.exists && !S_ISREG(kind)) {
        e = FileError{kind_code(kind), kind_text(kind)};
    }
    if (e) {
        close_fd(place.folder_fd);
        error_ = std::move(e);
        return;
    }
    fd_ = ::openat(place.folder_fd, place.base.c_str(),
                   O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                   options.permissions);
    close_fd(place.folder_fd);
    struct stat st {};
    if (fd_ < 0) {
        fail(errno);
    } else if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(EAGAIN, "it was replaced while being opened");
        close_fd(fd_);
    }
}

bool SafeFile::write(std::string_view bytes) {
    if (error_ || done_ || fd_ < 0) {
        return false;
    }
    if (const int e = stream_ ? write_all_to_stream(fd_, bytes) : write_all(fd_, bytes)) {
        fail(e);
        return false;
    }
    return true;
}

FileError SafeFile::commit() {
    if (done_ || error_) {
        if (!done_) {
            abandon();
        }
        return error_;
    }
    done_ = true;
    if (temp_.empty()) {
        if (::close(fd_) != 0) {
            fail(errno);
        }
        fd_ = -1;
        return error_;
    }
    if (replacing_ && ::fchmod(fd_, old_mode_ & 07777) != 0) {
        fail(errno);
    }
    if (!error_ && ::fsync(fd_) != 0) {
        fail(errno);
    }
    if (!error_ && ::renameat(folder_fd_, temp_.c_str(), folder_fd_, base_.c_str()) != 0) {
        fail(errno);
    }
    if (error_) {
        abandon();
        return error_;
    }
    temp_.clear();
    if (::close(fd_) != 0) {
        fail(errno);
    }
    fd_ = -1;
    // The rename itself must reach the disk for the new file to survive a crash.
    ::fsync(folder_fd_);
    close_fd(folder_fd_);
    return error_;
}

void SafeFile::abandon() {
    if (!temp_.empty()) {
        ::unlinkat(folder_fd_, temp_.c_str(), 0);
        temp_.clear();
    }
    close_fd(fd_);
    close_fd(folder_fd_);
    done_ = true;
}

FileError write_file_safely(const std::string& path, std::string_view bytes,
                            const SafeWriteOptions& options) {
    SafeFile file(path, SafeFile::Mode::replace, options);
    file.write(bytes);
    return file.commit();
}

FileError append_to_file(const std::string& path, std::string_view bytes,
                         const SafeWriteOptions& options) {
    SafeFile file(path, SafeFile::Mode::append, options);
    file.write(bytes);
    return file.commit();
}

} // namespace zevrin
