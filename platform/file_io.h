#pragma once
// Thin wrappers over the system's file calls, for the file streams. Handles are file descriptors,
// opened close-on-exec so a relaunched process does not inherit them.

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
};

enum class sys_seek_origin { start, current, end };

// The handle, or -1 when the file cannot be opened (directories are refused).
int sys_file_open(const std::string& path, const sys_file_mode& mode);
bool sys_file_close(int handle);
// Bytes read: at most n, 0 at the end of the file, -1 on error.
int64_t sys_file_read(int handle, void* buffer, std::size_t n);
// Writes all n bytes; false on error.
bool sys_file_write(int handle, const void* buffer, std::size_t n);
// The new position from the start of the file, -1 on error.
int64_t sys_file_seek(int handle, int64_t offset, sys_seek_origin origin);
// The file's size in bytes, -1 on error.
int64_t sys_file_size(int handle);
// Gives an existing read-only file its owner's write permission. False only when that fails.
bool sys_file_make_writable(const std::string& path);
// True when anything (file or directory) exists at the path.
bool sys_path_exists(const std::string& path);
// Makes the directory (its parent must exist); true when it exists afterwards.
bool sys_make_dir(const std::string& path);
// The file a symbolic link leads to (through every link); the path itself when it is no link or the
// link leads nowhere.
std::string sys_link_target(const std::string& path);
// Gives `path` the permission bits of `model`; false when either is missing.
bool sys_copy_permissions(const std::string& model, const std::string& path);

}  // namespace kv
