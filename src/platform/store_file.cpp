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

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string temp_prefix(const std::string& path) {
    return "." + base_name(path) + ".tmp-";
}

void remove_stale_temps(const std::string& path) {
    const std::string folder = folder_of(path);
    const std::string prefix = temp_prefix(path);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) {
            ::unlink((folder + "/" + e->d_name).c_str());
        }
    }
    ::closedir(dir);
}

// The file that a save must replace: the target of a symbolic link.
std::string final_target(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) {
        return path;
    }
    const auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
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

int write_file_atomically(const std::string& path, std::string_view bytes) {
    const std::string target = final_target(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) {
        return EISDIR;
    }
    remove_stale_temps(target);
    const std::string temp = unique_temp_name(target);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno;
    }
    int error = write_all(fd, bytes);
    if (error == 0 && replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    // The rename itself must reach the disk for the new file to survive a crash.
    const int dir = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
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
    const int flags =
        folder ? (O_RDONLY | O_DIRECTORY | O_CLOEXEC) : (O_RDWR | O_CREAT | O_CLOEXEC);
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0) {
        error_ = errno;
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
