#include "platform/dir_search.h"

#include <dirent.h>

#include <algorithm>
#include <vector>

#include "platform/path_resolve.h"

namespace kv {
namespace {

struct find_state {
    std::vector<std::string> names;
    std::size_t next = 0;
};

find_state g_find;

bool same_nocase(char a, char b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
}

}  // namespace

bool sys_wildcard_match(const std::string& pattern, const std::string& name) {
    // Greedy walk; on a mismatch the last '*' takes one more character.
    std::size_t p = 0, n = 0;
    std::size_t star = std::string::npos, star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_n = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || same_nocase(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string sys_find_first_file(const std::string& pattern) {
    sys_find_close();

    std::string path = pattern;
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::size_t slash = path.rfind('/');
    std::string folder = ".";
    std::string mask = path;
    if (slash != std::string::npos) {
        folder = slash == 0 ? "/" : sys_resolve_path(path.substr(0, slash));
        mask = path.substr(slash + 1);
    }

    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (sys_wildcard_match(mask, name)) g_find.names.push_back(name);
    }
    ::closedir(dir);

    std::sort(g_find.names.begin(), g_find.names.end(), [](const std::string& a, const std::string& b) {
        const int order = sys_name_compare_nocase(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return sys_find_next_file();
}

std::string sys_find_next_file() {
    if (g_find.next >= g_find.names.size()) return {};
    return g_find.names[g_find.next++];
}

void sys_find_close() {
    g_find = find_state{};
}

}  // namespace kv
