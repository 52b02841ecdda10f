#pragma once
// A program run by a test as a separate process, in a folder of the test's choosing, so that the
// test can signal it and read its exit status.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace kv {

class child_process {
public:
    enum class error_stream {
        file,        // the file "stderr" in the folder
        broken_pipe  // a pipe whose reading end is closed: every write fails (or raises SIGPIPE)
    };

    // Starts `path` with `words` as its arguments, its working directory `folder`, its standard
    // output going to the file "stdout" in that folder and its standard error as `error` says.
    child_process(const std::string& path, const std::vector<std::string>& words, const std::string& folder,
                  error_stream error = error_stream::file);
    // Kills the process when it still runs.
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number) const;
    // The exit status once it has exited within `timeout_ms`; -1000 - signal number when a signal
    // ended it; nothing when it still runs.
    std::optional<int> wait(int timeout_ms);

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// Polls the file until it contains `text`, at most `timeout_ms`. True when it does.
bool wait_for_text(const std::string& file, const std::string& text, int timeout_ms);

}  // namespace kv
