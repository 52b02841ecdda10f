#pragma once
// Data file names as the data and the configuration files write them: '\' separates folders like
// '/', and a name that does not exist exactly falls back to a case-insensitive match.

#include <string>

namespace kv {

// The path to open for `name`: '\' turned into '/', then, when the exact path does not exist, each
// missing component replaced by an entry of its folder that matches it case-insensitively (the
// first in byte order when several do). Components without any match are kept as given, so a new
// file keeps its name and a missing one still fails to open.
std::string sys_resolve_path(const std::string& name);

// Case-insensitive comparison of ASCII names: negative, 0 or positive as for strcmp.
int sys_name_compare_nocase(const std::string& a, const std::string& b);

}  // namespace kv
