#pragma once
// Starting this program again as a new process: the running executable itself (the file that
// /proc/self/exe names) with the given argument words. The new process inherits no file of this one but the
// standard streams (the log and the sockets are opened close-on-exec); this process does not wait for it.

#include <functional>
#include <string>
#include <vector>

namespace kv {

// Starts the program file at `path` with `words` as its arguments after the program name.
using sys_spawner = std::function<bool(const std::string& path, const std::vector<std::string>& words)>;

// False when the process could not be started.
bool sys_spawn_self(const std::vector<std::string>& words);
// Replaces the spawner (for tests); an empty function restores posix_spawn.
void sys_set_spawner(sys_spawner spawner);

}  // namespace kv
