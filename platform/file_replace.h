#pragma once
// Writing a file so that nothing but that file changes: the new content goes to a file created new
// and exclusively beside the one it replaces (never opened through an existing name or link), and is
// renamed over it once complete, so the old content stays whole until then. A path that is a
// symbolic link is followed to the regular file it leads to and the link stays; the new file keeps
// the replaced file's permission bits.

#include <string>

namespace kv {

struct sys_replacement {
    std::string target;     // the file replaced: the path, or the file its links lead to
    std::string temporary;  // the new file, beside the target
    int handle = -1;        // open on `temporary` while the replacement is under way
};

// Creates the new file for `path`. False, with `error` as `sys_file_open` gives it, when `path`
// leads to something other than a regular file, to a file whose mode gives nobody write
// permission, or when the new file cannot be created.
bool sys_replace_begin(sys_replacement& r, const std::string& path, int* error = nullptr);
// Closes the new file and renames it over the target. False when that fails; the new file is then
// removed and the old one is as it was.
bool sys_replace_commit(sys_replacement& r, int* error = nullptr);
// Closes and removes the new file; the target is left as it was.
void sys_replace_abandon(sys_replacement& r);

}  // namespace kv
