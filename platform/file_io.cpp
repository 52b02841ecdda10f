#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace kv {

int sys_file_open(const std::string& path, const sys_file_mode& mode) {
    int flags = O_CLOEXEC;
    if (mode.write) {
        flags |= mode.read ? O_RDWR : O_WRONLY;
        if (mode.truncate) flags |= O_TRUNC;
    } else {
        flags |= O_RDONLY;
    }
    if (mode.create) flags |= O_CREAT;
    if (mode.append) flags |= O_APPEND;

    int handle;
    do {
        handle = ::open(path.c_str(), flags, 0666);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) return -1;

    struct stat info;
    if (::fstat(handle, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(handle);
        return -1;
    }
    return handle;
}

bool sys_file_close(int handle) {
    return ::close(handle) == 0;
}

int64_t sys_file_read(int handle, void* buffer, std::size_t n) {
    ssize_t got;
    do {
        got = ::read(handle, buffer, n);
    } while (got < 0 && errno == EINTR);
    return got;
}

bool sys_file_write(int handle, const void* buffer, std::size_t n) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (n > 0) {
        const ssize_t put = ::write(handle, bytes, n);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

int64_t sys_file_seek(int handle, int64_t offset, sys_seek_origin origin) {
    const int whence = origin == sys_seek_origin::start     ? SEEK_SET
                       : origin == sys_seek_origin::current ? SEEK_CUR
                                                            : SEEK_END;
    return ::lseek(handle, offset, whence);
}

int64_t sys_file_size(int handle) {
    struct stat info;
    if (::fstat(handle, &info) != 0) return -1;
    return info.st_size;
}

bool sys_file_make_writable(const std::string& path) {
    // The mode bits, not access(): a process running as root may write anything, yet the file
    // still counts as read-only.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return true;
    if (info.st_mode & S_IWUSR) return true;
    return ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool sys_path_exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool sys_make_dir(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat info;
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string sys_link_target(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

bool sys_copy_permissions(const std::string& model, const std::string& path) {
    struct stat info;
    if (::stat(model.c_str(), &info) != 0) return false;
    return ::chmod(path.c_str(), info.st_mode & 07777) == 0;
}

}  // namespace kv
