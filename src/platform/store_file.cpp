#include "platform/store_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zevrin {

namespace {

int64_t nanoseconds(const timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileSignature signature_of(const struct stat& st) {
    FileSignature s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtime_ns = nanoseconds(st.st_mtim);
    s.ctime_ns = nanoseconds(st.st_ctim);
    return s;
}

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Appended in place: prepending "." to a temporary copies the name twice, and
// GCC 12 at -O3 takes that copy for an overlapping one.
std::string temp_prefix(const std::string& path) {
    std::string prefix = ".";
    prefix += base_name(path);
    prefix += ".tmp-";
    return prefix;
}

std::string unique_temp_name(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return folder_of(path) + "/" + temp_prefix(path) + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

} // namespace

std::string error_text(int error) {
    return std::strerror(error);
}

std::string read_error_text(int error) {
    if (error == EFBIG) {
        return "the file is larger than " + std::to_string(store_file_limit / (1024 * 1024)) +
               " MiB";
    }
    return error_text(error);
}

FileSignature file_signature(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return FileSignature{};
    }
    return signature_of(st);
}

FileContent read_file(const std::string& path, size_t limit) {
    FileContent c;
    // Non-blocking so that a named pipe in the file's place cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        c.error = errno == ENOENT ? 0 : errno;
        return c;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        c.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return c;
    }
    c.signature = signature_of(st);
    if (st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= limit) {
        c.bytes.reserve(static_cast<size_t>(st.st_size));
    }
    char buffer[65536];
    // One byte beyond the limit tells a file of exactly the limit from a larger one
    // (files of /proc and /sys report no size).
    while (c.bytes.size() <= limit) {
        const size_t wanted = std::min(sizeof buffer, limit + 1 - c.bytes.size());
        const ssize_t n = ::read(fd, buffer, wanted);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            c.error = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        c.bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (c.bytes.size() > limit) {
        c.bytes.resize(limit);
        c.error = EFBIG;
    }
    return c;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

int make_folders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        return ec.value();
    }
    return std::filesystem::is_directory(folder, ec) ? 0 : ENOTDIR;
}

int probe_writable(const std::string& folder) {
    const std::string probe = unique_temp_name(folder + "/.probe");
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

FileLock::FileLock(const std::string& path, bool folder) {
    // A lock file is the program's own: a link in its place is never followed (its
    // target would be created), and a FIFO never waited for.
    const int flags = folder ? (O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                             : (O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    struct stat st {};
    if (!folder && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        error_ = EINVAL;
        ::close(fd_);
        fd_ = -1;
        return;
    }
    // Saves take milliseconds; a lock held for ten seconds belongs to a process
    // that hangs, and waiting for it forever would hang this one too.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            error_ = 0;
            return;
        }
        error_ = errno;
        if (error_ != EWOULDBLOCK && error_ != EINTR) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(fd_);
    fd_ = -1;
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the descriptor releases the lock
    }
}

} // namespace zevrin
