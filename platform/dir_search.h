#pragma once
// Directory listing over one process-wide search: the first call lists the folder, the next calls
// hand out the matches one by one.

#include <string>

namespace kv {

// Starts a new search (ending any previous one) and returns the bare name of its first match, or an
// empty string when nothing matches or the folder is missing. `pattern` is a folder path (resolved as
// data names are: '\' or '/', case-insensitive fallback) and a last component with the wildcards
// '*' (any run of characters) and '?' (exactly one), matched case-insensitively. Files and folders
// are listed, "." and ".." never, sorted by name case-insensitively (ties in byte order).
std::string sys_find_first_file(const std::string& pattern);
// The next match of the search, or an empty string when there is none (or no search).
std::string sys_find_next_file();
void sys_find_close();

// True when `name` matches the wildcard `pattern` as above.
bool sys_wildcard_match(const std::string& pattern, const std::string& name);

}  // namespace kv
