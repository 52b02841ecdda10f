#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv {
namespace {

constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

int open_regular(const std::string& path, const sys_file_mode& mode, int& error) {
    // Looked at before it is opened: opening a FIFO blocks until a writer comes, and opening a
    // device may do something of its own.
    struct stat info;
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        error = kSysNotRegularFile;
        return -1;
    }
    // The mode bits, not access(): a process running as root may write anything, yet the file is
    // still meant to be left alone.
    if (exists && mode.write && (info.st_mode & kAnyWrite) == 0) {
        error = kSysReadOnlyFile;
        return -1;
    }

    // Non-blocking until the file is known to be regular: what stands at the path may have been
    // swapped since it was looked at. Truncation waits for the same reason.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (mode.write) {
        flags |= mode.read ? O_RDWR : O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (mode.append) flags |= O_APPEND;
    // A new file is always a new name: a link that leads nowhere is not followed to create its target.
    if (mode.create && (mode.exclusive || !exists)) flags |= O_CREAT | O_EXCL;

    int handle;
    do {
        handle = ::open(path.c_str(), flags, 0666);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) {
        error = errno;
        return -1;
    }
    if (::fstat(handle, &info) != 0) {
        error = errno;
        ::close(handle);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = kSysNotRegularFile;
        ::close(handle);
        return -1;
    }
    if (mode.write && mode.truncate && info.st_size > 0 && ::ftruncate(handle, 0) != 0) {
        error = errno;
        ::close(handle);
        return -1;
    }
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    return handle;
}

}  // namespace

int sys_file_open(const std::string& path, const sys_file_mode& mode, int* error) {
    int failure = 0;
    const int handle = open_regular(path, mode, failure);
    if (error) *error = failure;
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

bool sys_path_exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool sys_make_dir(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat info;
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void sys_fill_standard_streams() {
    constexpr int kStandardStreams = 3;
    for (int fd = 0; fd < kStandardStreams; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free number, which is this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) ::close(opened);
    }
}

int sys_last_error() {
    return errno;
}

std::string sys_error_text(int error) {
    if (error == kSysNotRegularFile) return "not a regular file";
    if (error == kSysReadOnlyFile) return "read-only";
    return std::strerror(error);
}

bool sys_error_is_missing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

}  // namespace kv
