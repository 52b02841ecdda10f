#pragma once
// Thin wrappers over the system's file calls, for the file streams. Handles are file descriptors,
// opened close-on-exec so a relaunched process does not inherit them. Only regular files are ever
// opened: a path may lead to one through symbolic links, but a directory, device, FIFO or socket is
// refused before it is opened, so no open blocks and no read runs on without end.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv {

struct sys_file_mode {
    bool read = false;
    bool write = false;
    bool create = false;    // a new file gets read and write permission for everyone (less the umask)
    bool truncate = false;  // only together with write
    bool append = false;
    bool exclusive = false;  // with create: the name must be new (no file, no link of that name)
};

enum class sys_seek_origin { start, current, end };

// Reasons an open fails besides the system's error numbers (which are positive).
inline constexpr int kSysNotRegularFile = -1;
inline constexpr int kSysReadOnlyFile = -2;

// The handle, or -1 when the file cannot be opened; `error` then receives the system's error number
// or one of the reasons above. A file that does not exist yet is created only as a new name, never
// through a link that leads nowhere. For writing, an existing file whose mode gives nobody write
// permission is refused and left as it is.
int sys_file_open(const std::string& path, const sys_file_mode& mode, int* error = nullptr);
bool sys_file_close(int handle);
// Bytes read: at most n, 0 at the end of the file, -1 on error (`sys_last_error` tells which).
int64_t sys_file_read(int handle, void* buffer, std::size_t n);
// Writes all n bytes; false on error (`sys_last_error` tells which).
bool sys_file_write(int handle, const void* buffer, std::size_t n);
// The new position from the start of the file, -1 on error.
int64_t sys_file_seek(int handle, int64_t offset, sys_seek_origin origin);
// The file's size in bytes, -1 on error.
int64_t sys_file_size(int handle);
// True when anything (file or directory) exists at the path.
bool sys_path_exists(const std::string& path);
// Makes the directory (its parent must exist); true when it exists afterwards.
bool sys_make_dir(const std::string& path);

// Opens the null device on each of standard input, output and error that is closed, so that no file
// the program opens later takes their place and receives what is meant for them.
void sys_fill_standard_streams();

// The error number of the last failed system call of this thread.
int sys_last_error();
// An error as the log names it: "not a regular file", "read-only" or the system's own text.
std::string sys_error_text(int error);
// True for the errors that mean nothing is there (the file or a folder on its path is missing).
bool sys_error_is_missing(int error);

}  // namespace kv
