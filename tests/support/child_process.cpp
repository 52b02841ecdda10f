#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kv {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

}  // namespace

child_process::child_process(const std::string& path, const std::vector<std::string>& words,
                             const std::string& folder, error_stream error) {
    std::vector<std::string> texts{path};
    texts.insert(texts.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int pipe_ends[2] = {-1, -1};
    if (error == error_stream::broken_pipe && pipe2(pipe_ends, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, "stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    // Nobody is left to read the pipe.
    for (int end : pipe_ends) {
        if (end >= 0) close(end);
    }
}

child_process::~child_process() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void child_process::signal(int number) const {
    if (pid_ > 0 && !reaped_) kill(pid_, number);
}

std::optional<int> child_process::wait(int timeout_ms) {
    if (pid_ <= 0) return std::nullopt;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            reaped_ = true;
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            return -1000 - WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool wait_for_text(const std::string& file, const std::string& text, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        if (content.str().find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace kv
