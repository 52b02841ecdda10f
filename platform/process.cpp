#include "platform/process.h"

#include <spawn.h>

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

}  // namespace

bool sys_spawn_self(const std::vector<std::string>& words) {
    if (g_spawner) return g_spawner(kSelfPath, words);
    return posix_spawn_words(kSelfPath, words);
}

void sys_set_spawner(sys_spawner spawner) {
    g_spawner = std::move(spawner);
}

}  // namespace kv
