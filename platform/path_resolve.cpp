#include "platform/path_resolve.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace kv {
namespace {

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool exists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> split_components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// The entry of `folder` whose name equals `name` case-insensitively; empty when there is none.
std::string find_nocase(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string candidate = entry->d_name;
        if (sys_name_compare_nocase(candidate, name) == 0 && (best.empty() || candidate < best)) {
            best = candidate;
        }
    }
    ::closedir(dir);
    return best;
}

}  // namespace

int sys_name_compare_nocase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(ascii_lower(a[i]));
        const auto cb = static_cast<unsigned char>(ascii_lower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string sys_resolve_path(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || exists(path)) return path;

    const bool absolute = path.front() == '/';
    std::string resolved = absolute ? "/" : "";
    bool matching = true;  // false once a component has no match: the rest is kept as given
    for (const std::string& part : split_components(path)) {
        const std::string folder = resolved;
        if (!resolved.empty() && resolved.back() != '/') resolved += '/';
        if (matching && part != "." && part != ".." && !exists(resolved + part)) {
            const std::string found = find_nocase(folder, part);
            if (found.empty()) {
                matching = false;
            } else {
                resolved += found;
                continue;
            }
        }
        resolved += part;
    }
    return resolved;
}

}  // namespace kv
