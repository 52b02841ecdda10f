#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/file_io.h"

namespace kv {
namespace {

constexpr int kNameAttempts = 100;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr mode_t kPermissionBits = 07777;

// A name beside the target that nobody can have prepared: the process id, a counter and the clock.
std::string temporary_name(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".new-%ld-%u-%lx", static_cast<long>(getpid()), counter++,
                  static_cast<unsigned long>(now.tv_nsec));
    return target + suffix;
}

bool fail(int* error, int value) {
    if (error) *error = value;
    return false;
}

}  // namespace

bool sys_replace_begin(sys_replacement& r, const std::string& path, int* error) {
    sys_replace_abandon(r);
    r.target = path;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        // A link that leads nowhere is replaced itself, inside its own folder.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) r.target = resolved;
    }
    const bool exists = ::stat(r.target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) return fail(error, kSysNotRegularFile);
    if (exists && (info.st_mode & kAnyWrite) == 0) return fail(error, kSysReadOnlyFile);

    // Private until it is complete; a file made new gets the creation mode less the umask.
    const mode_t creation = exists ? S_IRUSR | S_IWUSR : 0666;
    for (int attempt = 0; attempt < kNameAttempts && r.handle < 0; ++attempt) {
        r.temporary = temporary_name(r.target);
        do {
            r.handle = ::open(r.temporary.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, creation);
        } while (r.handle < 0 && errno == EINTR);
        if (r.handle < 0 && errno != EEXIST) break;
    }
    if (r.handle < 0) {
        const int failure = errno;
        r.temporary.clear();
        return fail(error, failure);
    }
    if (exists) {
        // The owner too when the process may give it (it runs as root), so the replaced file's owner
        // can still write it.
        if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(r.handle, info.st_uid, info.st_gid);
        }
        if (::fchmod(r.handle, info.st_mode & kPermissionBits) != 0) {
            const int failure = errno;
            sys_replace_abandon(r);
            return fail(error, failure);
        }
    }
    return true;
}

bool sys_replace_commit(sys_replacement& r, int* error) {
    if (r.handle < 0) return fail(error, EBADF);
    // On disk before the rename: a crash must not leave an empty file in the old one's place.
    int failure = ::fsync(r.handle) == 0 || errno == EINVAL ? 0 : errno;
    if (::close(r.handle) != 0 && failure == 0) failure = errno;
    r.handle = -1;
    if (failure == 0 && ::rename(r.temporary.c_str(), r.target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(r.temporary.c_str());
        r.temporary.clear();
        return fail(error, failure);
    }
    r.temporary.clear();
    return true;
}

void sys_replace_abandon(sys_replacement& r) {
    if (r.handle >= 0) {
        ::close(r.handle);
        r.handle = -1;
    }
    if (!r.temporary.empty()) ::unlink(r.temporary.c_str());
    r.temporary.clear();
}

}  // namespace kv
