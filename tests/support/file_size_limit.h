#pragma once
// A limit on the size of the files this process writes, for its lifetime: writes past it fail as
// they do on a full disk (EFBIG, with SIGXFSZ ignored meanwhile).

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace kv {

class file_size_limit {
public:
    explicit file_size_limit(uint64_t bytes);
    ~file_size_limit();
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;

private:
    rlimit old_limit_{};
    struct sigaction old_action_ {};
};

}  // namespace kv
