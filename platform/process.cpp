#include "platform/process.h"

#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace kv {
namespace {

constexpr const char* kSelfPath = "/proc/self/exe";

sys_spawner g_spawner;

bool posix_spawn_words(const std::string& path, const std::vector<std::string>& words) {
    std::vector<std::string> texts;
    texts.reserve(words.size() + 1);
    texts.push_back(path);
    texts.insert(texts.end(), words.begin(), words.end());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    return posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

// The running executable's own file name, so that the new process carries the program's name (a
// process started through the link would be called "exe"); the link itself when the file is gone.
std::string self_path() {
    char buffer[4096];
    const ssize_t n = readlink(kSelfPath, buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return kSelfPath;
    std::string path(buffer, static_cast<std::size_t>(n));
    if (path.ends_with(" (deleted)")) return kSelfPath;
    return path;
}

}  // namespace

bool sys_spawn_self(const std::vector<std::string>& words) {
    const std::string path = self_path();
    if (g_spawner) return g_spawner(path, words);
    return posix_spawn_words(path, words);
}

void sys_set_spawner(sys_spawner spawner) {
    g_spawner = std::move(spawner);
}

}  // namespace kv
